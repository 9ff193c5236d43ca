// Analysis steps 1-3 of the phase driver: lay out the sub-arrays of the work blocks STRUC_S0,
// WORK_I0, STRUC_S1, STRUC_S2 and of the permanent block STRUC_FI (start positions in iadr),
// and run ordering, symbolic factorisation, value maps and update lists in them. Next to each
// step sit the functions that give the byte size of the blocks it carves.
// Flow: matching -> [ordering -> symbolic -> value maps -> schedule] -> load -> factor.
#pragma once
#include <cstdint>

#include "driver/control.h"

namespace varnexo::driver {

// The blocks of one analysis, as obtained by the driver (int32 words; nullptr when not yet
// obtained). loc_int2 only with several processors.
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

// 4*(10n + g + 22 + 2n*nproc), g = the table words; the domain table is widened to the pair list
// of the symmetric matching (2*domains+2 words) when that is longer than g.
int64_t struc_s0_bytes(const Control& ctl);
// 4*M + 60, M the largest integer work need; stores M (saturated to 2^31-1) as the work_i0 words.
int64_t work_i0_bytes(const Control& ctl);
// 4*(adjacency size + 17 + 2n).
int64_t struc_s1_bytes(const Control& ctl);
// 4*(7*nsuper + 18 + lindx size); after step 1.
int64_t struc_s2_bytes(const Control& ctl);
// The first size of STRUC_FI, after step 2: 4*(8*nsuper + 11n + 2nnz + lindx size + table words
// + adjacency size + 2n*nproc + 46), + 8*nsuper with several processors, + 4*nnz with scaling; never
// less than what step 3 lays out (it reads the domain table left in struc_s0).
int64_t struc_fi_bytes(const Control& ctl, const int32_t* struc_s0);
// The shrunk size of STRUC_FI after step 3: 4*(last word in use) + 12.
int64_t struc_fi_shrunk_bytes(const Control& ctl);
// 8*lindx size + 60 (several processors only).
int64_t loc_int2_bytes(const Control& ctl);
// 4*((domains+1)*p + 2*(update entries + update qsize) + nsuper) + 64, p = the separator
// supernodes, or 1 with one domain (several processors only, after step 3).
int64_t up_uplen_bytes(const Control& ctl);

// ---- The steps. Each returns the error number it leaves: 0, -180 (analysis error) or -182
// (32-bit overflow).

// The pair list of the symmetric matching (2*domains + 2 words: the domains' first and last
// positions, closed by the separator pair) into the domain table of STRUC_S0 (word 5n+8), where
// step 1 takes it.
void copy_pair_list(const Control& ctl, int32_t* struc_s0, const int32_t* pairs);

// Step 1: lays out STRUC_S0 and STRUC_S1 (positions 1-11) and runs ordering::reorder1.
// ia, ja: the matrix analysed; perm: the caller's permutation, read when the caller's
// permutation is used; matching_perm: handle slot 13 (row mapping for types 11 and 13; for -2,
// -4, 6 the symmetric matching's order followed by the mate of every index, n words each, which
// keeps each 2×2 block in one supernode; nullptr when there is none). done_flags(1..3) := 1 when
// given.
int32_t analysis_step1(const AnalysisBlocks& blocks, const Control& ctl, const int32_t* ia, const int32_t* ja,
                       const int32_t* perm, const int32_t* matching_perm, int32_t* done_flags);

// Step 2: lays out STRUC_S2 (positions 12-19) and xlnz/xunz in STRUC_S0 (positions 7, 8) and
// runs ordering::reorder2.
int32_t analysis_step2(const AnalysisBlocks& blocks, const Control& ctl);

// Step 3: iparam(18) := nnz(L)+nnz(U) when it is negative; lays out STRUC_FI (positions 20-49, 93)
// and copies the symbolic factor into it; copies the permutation into perm when iparam(5) < 0;
// builds the value map (factor::build_symmetric_map or build_lu_map); with several processors
// builds the update lists into LOC_INT2 and STRUC_FI (reorder3_varnexo_; the update entries,
// qsize and separator supernodes) and records their places in UP_UPLEN (positions 52, 53); the
// solve work values := max(longest column*nb*nproc, nproc*n, temp size*nproc). The operation
// count is left to the caller.
int32_t analysis_step3(const AnalysisBlocks& blocks, const Control& ctl, const int32_t* ia, const int32_t* ja,
                       int32_t* perm, const int32_t* matching_perm, int32_t* iparam, int32_t nb);

// Moving the update lists from LOC_INT2 into UP_UPLEN (several processors, after step 3): the
// target list lies at LOC_INT2 position 50, the remaining lengths lindx size + 1 words later;
// they are packed one after the other at UP_UPLEN position 52, update entries words each. This
// performs that move (the same as vmovup_fc_ with kind 1, m = lindx size, n = update entries).
void move_update_lists(const Control& ctl, const int32_t* loc_int2, int32_t* up_uplen);

}  // namespace varnexo::driver
