// Analysis steps 1-3 of the phase driver: the sub-array layouts of STRUC_S0, WORK_I0, STRUC_S1,
// STRUC_S2 and STRUC_FI, the byte sizes of those blocks next to the code that carves them, and
// the calls of the ordering, symbolic, value-map and schedule stages.
// Flow: matching -> [ordering -> symbolic -> value maps -> schedule] -> load -> factor.
#include "driver/analysis_steps.h"

#include <algorithm>
#include <limits>

#include "common/onebased.h"
#include "driver/driver_entries.h"
#include "factor/storage_view.h"
#include "factor/value_map.h"
#include "ordering/ordering_entries.h"
#include "ordering/reorder.h"
#include "ordering/schedule.h"

namespace varnexo::driver {
namespace {

using namespace varnexo::factor;

constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

int32_t clamp32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, 0, kInt32Max)); }

// Hands out consecutive regions of a block and records their start positions in iadr (when
// given). Positions are 1-based words.
struct Carver {
  int32_t* iadr = nullptr;
  int64_t next = 1;
  int64_t place(int32_t slot, int64_t words) {
    const int64_t pos = next;
    if (iadr != nullptr) iadr[slot - 1] = clamp32(pos);
    next += std::max<int64_t>(words, 0);
    return pos;
  }
  int64_t used() const { return next - 1; }
};

int32_t* region(int32_t* block, const int32_t* iadr, int32_t slot) { return block + (iadr[slot - 1] - 1); }

// ---- STRUC_S0 -------------------------------------------------------------------------------

// Words of the domain table region. The symmetric matching copies its pair list (2 words per
// pair plus a closing pair) to the fixed position 5n+8.
int64_t s0_table_words(OneBased<const int32_t> ib) {
  return std::max<int64_t>(ib(61), 2 * int64_t{ib(60)} + 2);
}

int64_t s0_words(OneBased<const int32_t> ib) {
  const int64_t n = ib(1), nproc = std::max(ib(15), 1);
  return 10 * n + s0_table_words(ib) + 22 + 2 * n * nproc;
}

// perm, invp, colcnt, snode, xsuper; the table at 5n+8; the rest is work for the orderings of
// step 1 and then holds xlnz and xunz of step 2.
void carve_s0(OneBased<const int32_t> ib, int32_t* iadr) {
  const int64_t n = ib(1);
  Carver c{iadr};
  c.place(kS0Perm, n);
  c.place(kS0Invp, n);
  c.place(kS0Colcnt, n);
  c.place(kS0Snode, n);
  c.place(kS0Xsuper, n + 1);
  c.next = 5 * n + 8;
  c.place(kS0Table, s0_table_words(ib));
  c.place(kS0Work, s0_words(ib) - c.used());
}

// ---- STRUC_S1 and STRUC_S2 ------------------------------------------------------------------

int64_t s1_words(OneBased<const int32_t> ib) { return int64_t{ib(4)} + 17 + 2 * int64_t{ib(1)}; }

void carve_s1(OneBased<const int32_t> ib, int32_t* iadr) {
  Carver c{iadr};
  c.place(kS1Xadj, int64_t{ib(1)} + 1);
  c.place(kS1Adjncy, ib(4));
}

int64_t s2_words(OneBased<const int32_t> ib) { return 7 * int64_t{ib(31)} + 18 + ib(36); }

void carve_s2(OneBased<const int32_t> ib, int32_t* iadr) {
  const int64_t ns = ib(31);
  Carver c{iadr};
  c.place(kS2Xlindx, ns + 1);
  c.place(kS2Lindx, ib(36));
  for (int32_t slot : {kS2Nmod, kS2Sched, kS2Mark1, kS2Mark2, kS2Seprows, kS2Sparent}) c.place(slot, ns);
}

// ---- STRUC_FI -------------------------------------------------------------------------------

// The permanent layout: symbolic factor, value map, integer work and pivot records of the
// factorisation and, with several processors, the pointer arrays of the update lists.
// table: the domain table in supernode numbers (STRUC_S0). Returns the words used.
int64_t carve_fi(OneBased<const int32_t> ib, const int32_t* table, int32_t* iadr) {
  const int64_t n = ib(1), ns = ib(31), nnz = ib(54), nproc = std::max(ib(15), 1);
  const bool scaling = ib(69) != 0, lu = ib(19) != 1;
  Carver c{iadr};
  c.place(kFiPerm, n);
  c.place(kFiInvp, n);
  c.place(kFiXsuper, ns + 1);
  c.place(kFiSnode, n);
  c.place(kFiColcnt, n);
  c.place(kFiTable, std::max<int64_t>(ib(61), 2 * int64_t{ib(60)} + 2));
  c.place(kFiXlindx, ns + 1);
  c.place(kFiLindx, ib(36));
  c.place(kFiXlnz, n + 1);
  c.place(kFiXunz, n + 1);
  for (int32_t slot : {kFiNmod, kFiSched, kFiMark1, kFiMark2, kFiSeprows}) c.place(slot, ns);
  c.place(kFiXlmap, n + 1);
  c.place(kFiLmap, nnz);  // L targets, then the U targets
  c.place(kFiAsrc, nnz);
  c.place(kFiXumap, lu ? n + 1 : 0);
  c.place(kFiAorig, scaling ? nnz : 0);
  c.place(kFiColorig, scaling ? n : 0);
  c.place(kFiIwork, 2 * nproc * n + n + ns);
  c.place(kFiPivot, n);
  c.place(kFiColpivot, n);
  const bool parallel = nproc > 1;
  c.place(kFiUpdPtr, parallel ? ordering::update_pointer_words(ib(31), ib(60), table, ib(70)) : 0);
  c.place(kFiUpdQ, parallel ? ns + 1 : 0);
  if (iadr != nullptr) {
    if (!lu) iadr[kFiXumap - 1] = 777777;
    if (!scaling) iadr[kFiAorig - 1] = iadr[kFiColorig - 1] = 777777;
    if (!parallel) iadr[kFiUpdPtr - 1] = iadr[kFiUpdQ - 1] = 777777;
    iadr[kFiEnd - 1] = clamp32(c.used());
  }
  return c.used();
}

int64_t fi_formula_bytes(OneBased<const int32_t> ib) {
  const int64_t n = ib(1), ns = ib(31), nnz = ib(54), nproc = std::max(ib(15), 1);
  int64_t words = 8 * ns + 11 * n + 2 * nnz + ib(36) + ib(61) + ib(4) + 2 * n * nproc + 46;
  int64_t bytes = 4 * words;
  if (nproc > 1) bytes += 8 * ns;
  if (ib(69) != 0) bytes += 4 * nnz;
  return bytes;
}

// Copies the results of steps 1 and 2 into their permanent places.
void copy_into_fi(OneBased<const int32_t> ib, const AnalysisBlocks& b, const int32_t* iadr) {
  const int64_t n = ib(1), ns = ib(31), table = 2 * int64_t{ib(60)} + 2;
  struct Move {
    int32_t* from;
    int32_t to_slot;
    int64_t words;
  };
  const Move moves[] = {
      {region(b.struc_s0, iadr, kS0Perm), kFiPerm, n},
      {region(b.struc_s0, iadr, kS0Invp), kFiInvp, n},
      {region(b.struc_s0, iadr, kS0Xsuper), kFiXsuper, ns + 1},
      {region(b.struc_s0, iadr, kS0Snode), kFiSnode, n},
      {region(b.struc_s0, iadr, kS0Colcnt), kFiColcnt, n},
      {region(b.struc_s0, iadr, kS0Table), kFiTable, table},
      {region(b.struc_s2, iadr, kS2Xlindx), kFiXlindx, ns + 1},
      {region(b.struc_s2, iadr, kS2Lindx), kFiLindx, ib(36)},
      {region(b.struc_s0, iadr, kS0Xlnz), kFiXlnz, n + 1},
      {region(b.struc_s0, iadr, kS0Xunz), kFiXunz, n + 1},
      {region(b.struc_s2, iadr, kS2Nmod), kFiNmod, ns},
      {region(b.struc_s2, iadr, kS2Sched), kFiSched, ns},
      {region(b.struc_s2, iadr, kS2Mark1), kFiMark1, ns},
      {region(b.struc_s2, iadr, kS2Mark2), kFiMark2, ns},
      {region(b.struc_s2, iadr, kS2Seprows), kFiSeprows, ns},
  };
  for (const Move& m : moves) std::copy(m.from, m.from + m.words, region(b.struc_fi, iadr, m.to_slot));
}

// Builds the value map into its STRUC_FI regions and records where the U targets start and
// where the map ends. Returns the builder's status.
int build_map(OneBased<int32_t> ib, const AnalysisBlocks& b, int32_t* iadr, const int32_t* ia,
              const int32_t* ja, const int32_t* matching_perm) {
  int32_t* fi = b.struc_fi;
  const SymbolicFactor sf = symbolic_view(fi, iadr, ib.data());
  ValueMap map;
  map.xlmap = region(fi, iadr, kFiXlmap);
  map.lmap = region(fi, iadr, kFiLmap);
  map.asrc = region(fi, iadr, kFiAsrc);
  const bool scaling = ib(69) != 0, lu = ib(19) != 1;
  map.xumap = lu ? region(fi, iadr, kFiXumap) : nullptr;
  map.aorig = scaling ? region(fi, iadr, kFiAorig) : nullptr;
  map.colorig = scaling ? region(fi, iadr, kFiColorig) : nullptr;
  const int32_t nnz = ib(54);
  const int64_t work_words = ib(45);
  const int status = lu ? build_lu_map(sf, nnz, ia, ja, matching_perm, scaling, map, b.work_i0, work_words)
                        : build_symmetric_map(sf, nnz, ia, ja, scaling, map, b.work_i0, work_words);
  if (status != 0) return status;
  if (map.lcount < 0 || map.ucount < 0 || int64_t{map.lcount} + map.ucount > nnz) return -1;
  iadr[kFiUmap - 1] = iadr[kFiLmap - 1] + map.lcount;
  iadr[kFiMapEnd - 1] = iadr[kFiUmap - 1] + map.ucount;
  return 0;
}

// Update lists of the parallel schedule: T and R into LOC_INT2, the pointer arrays into
// STRUC_FI; their final places in UP_UPLEN are recorded for the move after step 3.
void build_update_lists(OneBased<int32_t> ib, const AnalysisBlocks& b, int32_t* iadr) {
  int32_t* fi = b.struc_fi;
  const int32_t m = ib(36);
  iadr[kLocTarget - 1] = 1;
  iadr[kLocRemaining - 1] = m + 2;
  int32_t sizes[2] = {1, 1};
  int32_t error = 0, e72 = 1;
  const int32_t ns = ib(31), n = ib(1), nd = ib(60), mtype = ib(12), e70 = ib(70);
  reorder3_varnexo_(&ns, &n, &m, region(fi, iadr, kFiXlindx), region(fi, iadr, kFiLindx),
                    region(fi, iadr, kFiXlnz), region(fi, iadr, kFiXunz), b.work_i0,
                    region(fi, iadr, kFiSched), region(fi, iadr, kFiNmod), region(fi, iadr, kFiSnode),
                    region(fi, iadr, kFiXsuper), &error, region(fi, iadr, kFiUpdPtr),
                    region(b.loc_int2, iadr, kLocTarget), region(b.loc_int2, iadr, kLocRemaining),
                    region(fi, iadr, kFiUpdQ), sizes, &nd, region(fi, iadr, kFiTable), &mtype, &e72, &e70);
  ib(6) = sizes[0];
  ib(28) = sizes[1];
  ib(72) = e72;
  iadr[kUpTarget - 1] = 1;
  iadr[kUpRemaining - 1] = sizes[0] + 1;
}

}  // namespace

// ---- Sizes ----------------------------------------------------------------------------------

int64_t struc_s0_bytes(const int32_t* ibasic) { return 4 * s0_words(OneBased<const int32_t>(ibasic, 100)); }

int64_t work_i0_bytes(int32_t* ibasic) {
  OneBased<int32_t> ib(ibasic, 100);
  const int64_t n = ib(1), nproc = std::max(ib(15), 1), p = std::max(ib(60), 1), a = ib(4), nnz = ib(54);
  int64_t m = ib(14) == 2 ? 5 : n + ib(61) + a + 3 + nproc;
  m = std::max({m, 2 * n + 3, 6 * n * p + 4 * n + 3, 2 * n + 2 * n * nproc + nproc + 1, 3 * n + 3 + 2 * a,
                n * nproc, (nproc + 1) * n + a});
  if (ib(19) == 1) m = std::max(m, 2 * n + 1 + ib(3));
  // The value-map builders of step 3 work in this block too.
  m = std::max(m, 2 * nnz + n + 3);
  ib(45) = clamp32(m);
  return 4 * m + 60;
}

int64_t struc_s1_bytes(const int32_t* ibasic) { return 4 * s1_words(OneBased<const int32_t>(ibasic, 100)); }

int64_t struc_s2_bytes(const int32_t* ibasic) { return 4 * s2_words(OneBased<const int32_t>(ibasic, 100)); }

int64_t struc_fi_bytes(const int32_t* ibasic, const int32_t* struc_s0, const int32_t* iadr) {
  OneBased<const int32_t> ib(ibasic, 100);
  const int32_t* table = struc_s0 + (iadr[kS0Table - 1] - 1);
  return std::max(fi_formula_bytes(ib), 4 * (carve_fi(ib, table, nullptr) + 3));
}

int64_t struc_fi_shrunk_bytes(const int32_t* iadr) { return 4 * int64_t{iadr[kFiEnd - 1]} + 12; }

int64_t loc_int2_bytes(const int32_t* ibasic) { return 8 * int64_t{ibasic[36 - 1]} + 60; }

int64_t up_uplen_bytes(const int32_t* ibasic) {
  OneBased<const int32_t> ib(ibasic, 100);
  const int64_t p = ib(60) == 1 ? 1 : ib(72);
  return 4 * ((int64_t{ib(60)} + 1) * p + 2 * (int64_t{ib(6)} + ib(28)) + ib(31)) + 64;
}

// ---- Steps ----------------------------------------------------------------------------------

int32_t analysis_step1(const AnalysisBlocks& b, int32_t* ibasic, double* rbasic, int32_t* iadr,
                       const int32_t* ia, const int32_t* ja, const int32_t* perm,
                       const int32_t* matching_perm, int32_t* done_flags) {
  OneBased<int32_t> ib(ibasic, 100);
  OneBased<const int32_t> cib(ibasic, 100);
  carve_s0(cib, iadr);
  carve_s1(cib, iadr);
  const int32_t n = ib(1);
  const int32_t table_cap = clamp32(s0_table_words(cib));
  const int32_t s0_work_len = clamp32(s0_words(cib) - (iadr[kS0Work - 1] - 1));
  const int32_t work_len = ib(45);
  int32_t* s0 = b.struc_s0;
  reorder1_varnexo_(
      &n, ia, ja, perm, region(s0, iadr, kS0Perm), region(s0, iadr, kS0Invp), region(s0, iadr, kS0Table),
      &table_cap, region(s0, iadr, kS0Colcnt), region(s0, iadr, kS0Snode), region(s0, iadr, kS0Xsuper),
      region(b.struc_s1, iadr, kS1Xadj), region(b.struc_s1, iadr, kS1Adjncy), region(s0, iadr, kS0Work),
      &s0_work_len, b.work_i0, &work_len, ibasic, rbasic, matching_perm);
  if (done_flags != nullptr) done_flags[0] = done_flags[1] = done_flags[2] = 1;
  return ib(50);
}

int32_t analysis_step2(const AnalysisBlocks& b, int32_t* ibasic, double* rbasic, int32_t* iadr) {
  OneBased<int32_t> ib(ibasic, 100);
  carve_s2(OneBased<const int32_t>(ibasic, 100), iadr);
  iadr[kS0Xlnz - 1] = iadr[kS0Work - 1];
  iadr[kS0Xunz - 1] = iadr[kS0Work - 1] + ib(1) + 1;
  int32_t* s0 = b.struc_s0;
  int32_t* s2 = b.struc_s2;
  const int32_t work_len = ib(45);
  reorder2_varnexo_(ibasic, rbasic, region(b.struc_s1, iadr, kS1Xadj), region(b.struc_s1, iadr, kS1Adjncy),
                    region(s0, iadr, kS0Perm), region(s0, iadr, kS0Invp), region(s0, iadr, kS0Colcnt),
                    region(s0, iadr, kS0Xsuper), region(s0, iadr, kS0Snode), region(s0, iadr, kS0Table),
                    region(s2, iadr, kS2Xlindx), region(s2, iadr, kS2Lindx), region(s0, iadr, kS0Xlnz),
                    region(s0, iadr, kS0Xunz), region(s2, iadr, kS2Nmod), region(s2, iadr, kS2Sched),
                    region(s2, iadr, kS2Mark1), region(s2, iadr, kS2Mark2), region(s2, iadr, kS2Seprows),
                    region(s2, iadr, kS2Sparent), b.work_i0, &work_len);
  return ib(50);
}

int32_t analysis_step3(const AnalysisBlocks& b, int32_t* ibasic, double* rbasic, int32_t* iadr,
                       const int32_t* ia, const int32_t* ja, int32_t* perm, const int32_t* matching_perm,
                       int32_t* iparam_p, int32_t nb) {
  OneBased<int32_t> ib(ibasic, 100), iparam(iparam_p, 64);
  ib(50) = 0;
  const int64_t n = ib(1), nproc = std::max(ib(15), 1);
  if (iparam(18) < 0) iparam(18) = clamp32(int64_t{ib(34)} + ib(35));
  carve_fi(OneBased<const int32_t>(ibasic, 100), region(b.struc_s0, iadr, kS0Table), iadr);
  copy_into_fi(OneBased<const int32_t>(ibasic, 100), b, iadr);
  if (iparam(5) < 0 && perm != nullptr) {
    const int32_t* fperm = region(b.struc_fi, iadr, kFiPerm);
    std::copy(fperm, fperm + n, perm);
  }
  // The map is built for the matrix of step 1; a different entry count cannot be placed.
  if (ia[n] - 1 != ib(54) || build_map(ib, b, iadr, ia, ja, matching_perm) != 0) {
    ib(50) = -180;
    return ib(50);
  }
  if (nproc > 1) {  // the "parlist" stage
    double t0 = 0, t1 = 0;
    timer_varnexo_(&t0);
    build_update_lists(ib, b, iadr);
    timer_varnexo_(&t1);
    rbasic[3] += t1 - t0;
  }
  ib(44) = clamp32(std::max({int64_t{ib(23)} * nb * nproc, nproc * n, int64_t{ib(37)} * nproc}));
  return ib(50);
}

void move_update_lists(const int32_t* ibasic, const int32_t* iadr, const int32_t* loc_int2,
                       int32_t* up_uplen) {
  const int64_t m = ibasic[36 - 1], len = ibasic[6 - 1];
  const int32_t* from = loc_int2 + (iadr[kLocTarget - 1] - 1);
  int32_t* to = up_uplen + (iadr[kUpTarget - 1] - 1);
  std::copy(from, from + len, to);
  std::copy(from + m + 1, from + m + 1 + len, to + len);
}

}  // namespace varnexo::driver
