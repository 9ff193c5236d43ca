// Analysis steps 1-3 of the phase driver: lay out the sub-arrays of the work blocks STRUC_S0,
// WORK_I0, STRUC_S1, STRUC_S2 and of the permanent block STRUC_FI (start positions in iadr),
// and run ordering, symbolic factorisation, value maps and update lists in them. Next to each
// step sit the functions that give the byte size of the blocks it carves.
// Flow: matching -> [ordering -> symbolic -> value maps -> schedule] -> load -> factor.
#pragma once
#include <cstdint>

namespace varnexo::driver {

// The blocks of one analysis, as obtained by the driver (int32 words; nullptr when not yet
// obtained). loc_int2 only with several processors (ibasic(15) > 1).
struct AnalysisBlocks {
  int32_t* struc_s0 = nullptr;
  int32_t* work_i0 = nullptr;
  int32_t* struc_s1 = nullptr;
  int32_t* struc_s2 = nullptr;
  int32_t* struc_fi = nullptr;
  int32_t* loc_int2 = nullptr;
};

// ---- Sizes in bytes, each computed from the control words at the moment the driver obtains
// the block (the order of the driver: S0, WORK_I0, S1; step 1; S2; step 2; FI and LOC_INT2;
// step 3; shrink FI; UP_UPLEN).

// 4*(10n + g + 22 + 2n*nproc), g = ibasic(61); the domain table is widened to the pair list
// of the symmetric matching (2*ibasic(60)+2 words) when that is longer than g.
int64_t struc_s0_bytes(const int32_t* ibasic);
// 4*M + 60, M the largest integer work need; stores M (saturated to 2^31-1) in ibasic(45).
int64_t work_i0_bytes(int32_t* ibasic);
// 4*(ibasic(4) + 17 + 2n).
int64_t struc_s1_bytes(const int32_t* ibasic);
// 4*(7*ibasic(31) + 18 + ibasic(36)); after step 1.
int64_t struc_s2_bytes(const int32_t* ibasic);
// The first size of STRUC_FI, after step 2: 4*(8*nsuper + 11n + 2nnz + ibasic(36) + ibasic(61)
// + ibasic(4) + 2n*nproc + 46), + 8*nsuper with several processors, + 4*nnz with scaling; never
// less than what step 3 lays out (it reads the domain table left in struc_s0).
int64_t struc_fi_bytes(const int32_t* ibasic, const int32_t* struc_s0, const int32_t* iadr);
// The shrunk size of STRUC_FI after step 3: 4*iadr(93) + 12.
int64_t struc_fi_shrunk_bytes(const int32_t* iadr);
// 8*ibasic(36) + 60 (several processors only).
int64_t loc_int2_bytes(const int32_t* ibasic);
// 4*((ibasic(60)+1)*p + 2*(ibasic(6) + ibasic(28)) + ibasic(31)) + 64, p = ibasic(72), or 1 when
// ibasic(60) = 1 (several processors only, after step 3).
int64_t up_uplen_bytes(const int32_t* ibasic);

// ---- The steps. Each returns ibasic(50): 0, -180 (analysis error) or -182 (32-bit overflow).

// Step 1: lays out STRUC_S0 and STRUC_S1 (iadr slots 1-11) and runs reorder1_varnexo_.
// ia, ja: the matrix analysed (n = ibasic(1)); perm: the caller's permutation, read when
// ibasic(21) > 0; matching_perm: handle slot 13 (row mapping for types 11 and 13; for -2, -4, 6
// the symmetric matching's order followed by the mate of every index, n words each, which keeps
// each 2×2 block in one supernode; nullptr when there is none). done_flags(1..3) := 1 when given.
int32_t analysis_step1(const AnalysisBlocks& blocks, int32_t* ibasic, double* rbasic, int32_t* iadr,
                       const int32_t* ia, const int32_t* ja, const int32_t* perm,
                       const int32_t* matching_perm, int32_t* done_flags);

// Step 2: lays out STRUC_S2 (slots 12-19) and xlnz/xunz in STRUC_S0 (slots 7, 8) and runs
// reorder2_varnexo_.
int32_t analysis_step2(const AnalysisBlocks& blocks, int32_t* ibasic, double* rbasic, int32_t* iadr);

// Step 3: iparam(18) := nnz(L)+nnz(U) when it is negative; lays out STRUC_FI (slots 20-49, 93)
// and copies the symbolic factor into it; copies the permutation into perm when iparam(5) < 0;
// builds the value map (factor::build_symmetric_map or build_lu_map); with several processors
// builds the update lists into LOC_INT2 and STRUC_FI (reorder3_varnexo_, ibasic(6), (28), (72))
// and records their places in UP_UPLEN (slots 52, 53); ibasic(44) := max(ibasic(23)*nb*nproc,
// nproc*n, ibasic(37)*nproc). The operation count is left to the caller.
int32_t analysis_step3(const AnalysisBlocks& blocks, int32_t* ibasic, double* rbasic, int32_t* iadr,
                       const int32_t* ia, const int32_t* ja, int32_t* perm, const int32_t* matching_perm,
                       int32_t* iparam, int32_t nb);

// Moving the update lists from LOC_INT2 into UP_UPLEN (several processors, after step 3): the
// target list lies at LOC_INT2 position iadr(50), the remaining lengths ibasic(36)+1 words
// later; they are packed one after the other at UP_UPLEN position iadr(52), ibasic(6) words
// each. This performs that move (the same as vmovup_fc_ with kind 1, m = ibasic(36),
// n = ibasic(6)).
void move_update_lists(const int32_t* ibasic, const int32_t* iadr, const int32_t* loc_int2,
                       int32_t* up_uplen);

}  // namespace varnexo::driver
