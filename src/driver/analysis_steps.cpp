// Analysis steps 1-3 of the phase driver: the sub-array layouts of STRUC_S0, WORK_I0, STRUC_S1,
// STRUC_S2 and STRUC_FI, the byte sizes of those blocks next to the code that carves them, and
// the calls of the ordering, symbolic, value-map and schedule stages.
// Flow: matching -> [ordering -> symbolic -> value maps -> schedule] -> load -> factor.
#include "driver/analysis_steps.h"

#include <algorithm>
#include <limits>

#include "common/onebased.h"
#include "driver/analysis_options.h"
#include "driver/driver_entries.h"
#include "driver/storage_layout.h"
#include "factor/value_map.h"
#include "ordering/ordering_entries.h"
#include "ordering/reorder.h"
#include "ordering/schedule.h"

namespace varnexo::driver {
namespace {

constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

int32_t clamp32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, 0, kInt32Max)); }

// Hands out consecutive regions of a block and records their start positions (when a position
// array is given). Positions are 1-based words.
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

int32_t* region(int32_t* block, const Control& ctl, int32_t slot) { return block + (ctl.position(slot) - 1); }

// ---- STRUC_S0 -------------------------------------------------------------------------------

// Words of the domain table region. The symmetric matching copies its pair list (2 words per
// pair plus a closing pair) to the fixed position 5n+8.
int64_t s0_table_words(const Control& ctl) {
  return std::max<int64_t>(ctl.table_words(), 2 * int64_t{ctl.domains()} + 2);
}

int64_t s0_words(const Control& ctl) {
  const int64_t n = ctl.n(), nproc = std::max(ctl.nproc(), 1);
  return 10 * n + s0_table_words(ctl) + 22 + 2 * n * nproc;
}

// perm, invp, colcnt, snode, xsuper; the table at 5n+8; the rest is work for the orderings of
// step 1 and then holds xlnz and xunz of step 2.
void carve_s0(const Control& ctl) {
  const int64_t n = ctl.n();
  Carver c{ctl.positions()};
  c.place(kS0Perm, n);
  c.place(kS0Invp, n);
  c.place(kS0Colcnt, n);
  c.place(kS0Snode, n);
  c.place(kS0Xsuper, n + 1);
  c.next = 5 * n + 8;
  c.place(kS0Table, s0_table_words(ctl));
  c.place(kS0Work, s0_words(ctl) - c.used());
}

// ---- STRUC_S1 and STRUC_S2 ------------------------------------------------------------------

int64_t s1_words(const Control& ctl) { return int64_t{ctl.adjacency_size()} + 17 + 2 * int64_t{ctl.n()}; }

void carve_s1(const Control& ctl) {
  Carver c{ctl.positions()};
  c.place(kS1Xadj, int64_t{ctl.n()} + 1);
  c.place(kS1Adjncy, ctl.adjacency_size());
}

int64_t s2_words(const Control& ctl) { return 7 * int64_t{ctl.nsuper()} + 18 + ctl.lindx_size(); }

void carve_s2(const Control& ctl) {
  const int64_t ns = ctl.nsuper();
  Carver c{ctl.positions()};
  c.place(kS2Xlindx, ns + 1);
  c.place(kS2Lindx, ctl.lindx_size());
  for (int32_t slot : {kS2Nmod, kS2Sched, kS2Mark1, kS2Mark2, kS2Seprows, kS2Sparent}) c.place(slot, ns);
}

// ---- STRUC_FI -------------------------------------------------------------------------------

// The permanent layout: symbolic factor, value map, integer work and pivot records of the
// factorisation and, with several processors, the pointer arrays of the update lists.
// table: the domain table in supernode numbers (STRUC_S0); iadr: where the positions go (null
// to size only). Returns the words used.
int64_t carve_fi(const Control& ctl, const int32_t* table, int32_t* iadr) {
  const int64_t n = ctl.n(), ns = ctl.nsuper(), nnz = ctl.entries(), nproc = std::max(ctl.nproc(), 1);
  const bool scaling = ctl.scaling() != 0, lu = ctl.symmetric_storage() != 1;
  Carver c{iadr};
  c.place(kFiPerm, n);
  c.place(kFiInvp, n);
  c.place(kFiXsuper, ns + 1);
  c.place(kFiSnode, n);
  c.place(kFiColcnt, n);
  c.place(kFiTable, std::max<int64_t>(ctl.table_words(), 2 * int64_t{ctl.domains()} + 2));
  c.place(kFiXlindx, ns + 1);
  c.place(kFiLindx, ctl.lindx_size());
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
  c.place(
      kFiUpdPtr,
      parallel ? ordering::update_pointer_words(ctl.nsuper(), ctl.domains(), table, ctl.domain_mode()) : 0);
  c.place(kFiUpdQ, parallel ? ns + 1 : 0);
  if (iadr != nullptr) {
    if (!lu) iadr[kFiXumap - 1] = kSentinel;
    if (!scaling) iadr[kFiAorig - 1] = iadr[kFiColorig - 1] = kSentinel;
    if (!parallel) iadr[kFiUpdPtr - 1] = iadr[kFiUpdQ - 1] = kSentinel;
    iadr[kFiEnd - 1] = clamp32(c.used());
  }
  return c.used();
}

int64_t fi_formula_bytes(const Control& ctl) {
  const int64_t n = ctl.n(), ns = ctl.nsuper(), nnz = ctl.entries(), nproc = std::max(ctl.nproc(), 1);
  int64_t words = 8 * ns + 11 * n + 2 * nnz + ctl.lindx_size() + ctl.table_words() + ctl.adjacency_size() +
                  2 * n * nproc + 46;
  int64_t bytes = 4 * words;
  if (nproc > 1) bytes += 8 * ns;
  if (ctl.scaling() != 0) bytes += 4 * nnz;
  return bytes;
}

// Copies the results of steps 1 and 2 into their permanent places.
void copy_into_fi(const Control& ctl, const AnalysisBlocks& b) {
  const int64_t n = ctl.n(), ns = ctl.nsuper(), table = 2 * int64_t{ctl.domains()} + 2;
  struct Move {
    int32_t* from;
    int32_t to_slot;
    int64_t words;
  };
  const Move moves[] = {
      {region(b.struc_s0, ctl, kS0Perm), kFiPerm, n},
      {region(b.struc_s0, ctl, kS0Invp), kFiInvp, n},
      {region(b.struc_s0, ctl, kS0Xsuper), kFiXsuper, ns + 1},
      {region(b.struc_s0, ctl, kS0Snode), kFiSnode, n},
      {region(b.struc_s0, ctl, kS0Colcnt), kFiColcnt, n},
      {region(b.struc_s0, ctl, kS0Table), kFiTable, table},
      {region(b.struc_s2, ctl, kS2Xlindx), kFiXlindx, ns + 1},
      {region(b.struc_s2, ctl, kS2Lindx), kFiLindx, ctl.lindx_size()},
      {region(b.struc_s0, ctl, kS0Xlnz), kFiXlnz, n + 1},
      {region(b.struc_s0, ctl, kS0Xunz), kFiXunz, n + 1},
      {region(b.struc_s2, ctl, kS2Nmod), kFiNmod, ns},
      {region(b.struc_s2, ctl, kS2Sched), kFiSched, ns},
      {region(b.struc_s2, ctl, kS2Mark1), kFiMark1, ns},
      {region(b.struc_s2, ctl, kS2Mark2), kFiMark2, ns},
      {region(b.struc_s2, ctl, kS2Seprows), kFiSeprows, ns},
  };
  for (const Move& m : moves) std::copy(m.from, m.from + m.words, region(b.struc_fi, ctl, m.to_slot));
}

// Builds the value map into its STRUC_FI regions and records where the U targets start and
// where the map ends. Returns the builder's status.
int build_map(const Control& ctl, const AnalysisBlocks& b, const int32_t* ia, const int32_t* ja,
              const int32_t* matching_perm) {
  int32_t* fi = b.struc_fi;
  const factor::SymbolicFactor sf = symbolic_view(fi, ctl);
  factor::ValueMap map;
  map.xlmap = region(fi, ctl, kFiXlmap);
  map.lmap = region(fi, ctl, kFiLmap);
  map.asrc = region(fi, ctl, kFiAsrc);
  const bool scaling = ctl.scaling() != 0, lu = ctl.symmetric_storage() != 1;
  map.xumap = lu ? region(fi, ctl, kFiXumap) : nullptr;
  map.aorig = scaling ? region(fi, ctl, kFiAorig) : nullptr;
  map.colorig = scaling ? region(fi, ctl, kFiColorig) : nullptr;
  const int32_t nnz = ctl.entries();
  const int64_t work_words = ctl.work_i0_words();
  const int status =
      lu ? factor::build_lu_map(sf, nnz, ia, ja, matching_perm, scaling, map, b.work_i0, work_words)
         : factor::build_symmetric_map(sf, nnz, ia, ja, scaling, map, b.work_i0, work_words);
  if (status != 0) return status;
  if (map.lcount < 0 || map.ucount < 0 || int64_t{map.lcount} + map.ucount > nnz) return -1;
  ctl.position(kFiUmap) = ctl.position(kFiLmap) + map.lcount;
  ctl.position(kFiMapEnd) = ctl.position(kFiUmap) + map.ucount;
  return 0;
}

// Update lists of the parallel schedule: T and R into LOC_INT2, the pointer arrays into
// STRUC_FI; their final places in UP_UPLEN are recorded for the move after step 3.
void build_update_lists(const Control& ctl, const AnalysisBlocks& b) {
  int32_t* fi = b.struc_fi;
  const int32_t m = ctl.lindx_size();
  ctl.position(kLocTarget) = 1;
  ctl.position(kLocRemaining) = m + 2;
  const ordering::UpdateListSizes sizes = ordering::build_update_lists(
      ctl.nsuper(), region(fi, ctl, kFiXlindx), region(fi, ctl, kFiLindx), region(fi, ctl, kFiSnode),
      region(fi, ctl, kFiXsuper), region(fi, ctl, kFiNmod), m, region(fi, ctl, kFiUpdPtr),
      region(b.loc_int2, ctl, kLocTarget), region(b.loc_int2, ctl, kLocRemaining), region(fi, ctl, kFiUpdQ),
      ctl.domains(), region(fi, ctl, kFiTable), ctl.domain_mode());
  ctl.update_entries() = sizes.entries;
  ctl.update_qsize() = sizes.qsize;
  ctl.separator_supernodes() = sizes.separator_supernodes;
  ctl.position(kUpTarget) = 1;
  ctl.position(kUpRemaining) = sizes.entries + 1;
}

}  // namespace

// ---- Sizes ----------------------------------------------------------------------------------

int64_t struc_s0_bytes(const Control& ctl) { return 4 * s0_words(ctl); }

int64_t work_i0_bytes(const Control& ctl) {
  const int64_t n = ctl.n(), nproc = std::max(ctl.nproc(), 1), p = std::max(ctl.domains(), 1),
                a = ctl.adjacency_size(), nnz = ctl.entries();
  int64_t m = ctl.ordering() == 2 ? 5 : n + ctl.table_words() + a + 3 + nproc;
  m = std::max({m, 2 * n + 3, 6 * n * p + 4 * n + 3, 2 * n + 2 * n * nproc + nproc + 1, 3 * n + 3 + 2 * a,
                n * nproc, (nproc + 1) * n + a});
  if (ctl.symmetric_storage() == 1) m = std::max(m, 2 * n + 1 + ctl.triangle_entries());
  // The value-map builders of step 3 work in this block too.
  m = std::max(m, 2 * nnz + n + 3);
  ctl.work_i0_words() = clamp32(m);
  return 4 * m + 60;
}

int64_t struc_s1_bytes(const Control& ctl) { return 4 * s1_words(ctl); }

int64_t struc_s2_bytes(const Control& ctl) { return 4 * s2_words(ctl); }

int64_t struc_fi_bytes(const Control& ctl, const int32_t* struc_s0) {
  const int32_t* table = struc_s0 + (ctl.position(kS0Table) - 1);
  return std::max(fi_formula_bytes(ctl), 4 * (carve_fi(ctl, table, nullptr) + 3));
}

int64_t struc_fi_shrunk_bytes(const Control& ctl) { return 4 * int64_t{ctl.position(kFiEnd)} + 12; }

int64_t loc_int2_bytes(const Control& ctl) { return 8 * int64_t{ctl.lindx_size()} + 60; }

int64_t up_uplen_bytes(const Control& ctl) {
  const int64_t p = ctl.domains() == 1 ? 1 : ctl.separator_supernodes();
  return 4 * ((int64_t{ctl.domains()} + 1) * p + 2 * (int64_t{ctl.update_entries()} + ctl.update_qsize()) +
              ctl.nsuper()) +
         64;
}

void copy_pair_list(const Control& ctl, int32_t* struc_s0, const int32_t* pairs) {
  const int64_t words = 2 * int64_t{ctl.domains()} + 2;
  std::copy(pairs, pairs + words, struc_s0 + 5 * int64_t{ctl.n()} + 7);
}

// ---- Steps ----------------------------------------------------------------------------------

int32_t analysis_step1(const AnalysisBlocks& b, const Control& ctl, const int32_t* ia, const int32_t* ja,
                       const int32_t* perm, const int32_t* matching_perm, int32_t* done_flags) {
  carve_s0(ctl);
  carve_s1(ctl);
  int32_t* s0 = b.struc_s0;
  ordering::Step1Arrays a;
  a.n = ctl.n();
  a.ia = ia;
  a.ja = ja;
  a.user_perm = perm;
  a.matching_perm = matching_perm;
  a.perm = region(s0, ctl, kS0Perm);
  a.invp = region(s0, ctl, kS0Invp);
  a.table = region(s0, ctl, kS0Table);
  a.table_cap = clamp32(s0_table_words(ctl));
  a.colcnt = region(s0, ctl, kS0Colcnt);
  a.snode = region(s0, ctl, kS0Snode);
  a.xsuper = region(s0, ctl, kS0Xsuper);
  a.xadj = region(b.struc_s1, ctl, kS1Xadj);
  a.adjncy = region(b.struc_s1, ctl, kS1Adjncy);
  a.s0_work = region(s0, ctl, kS0Work);
  a.s0_work_len = clamp32(s0_words(ctl) - (ctl.position(kS0Work) - 1));
  a.work = b.work_i0;
  a.work_len = ctl.work_i0_words();
  if (a.n <= 0)
    ctl.error_num() = 0;
  else
    record_step1(ctl, ordering::reorder1(a, step1_options(ctl)));
  if (done_flags != nullptr) done_flags[0] = done_flags[1] = done_flags[2] = 1;
  return ctl.error_num();
}

int32_t analysis_step2(const AnalysisBlocks& b, const Control& ctl) {
  carve_s2(ctl);
  ctl.position(kS0Xlnz) = ctl.position(kS0Work);
  ctl.position(kS0Xunz) = ctl.position(kS0Work) + ctl.n() + 1;
  int32_t* s0 = b.struc_s0;
  int32_t* s2 = b.struc_s2;
  ordering::Step2Arrays a;
  a.xadj = region(b.struc_s1, ctl, kS1Xadj);
  a.adjncy = region(b.struc_s1, ctl, kS1Adjncy);
  a.perm = region(s0, ctl, kS0Perm);
  a.invp = region(s0, ctl, kS0Invp);
  a.colcnt = region(s0, ctl, kS0Colcnt);
  a.xsuper = region(s0, ctl, kS0Xsuper);
  a.snode = region(s0, ctl, kS0Snode);
  a.table = region(s0, ctl, kS0Table);
  a.xlindx = region(s2, ctl, kS2Xlindx);
  a.lindx = region(s2, ctl, kS2Lindx);
  a.xlnz = region(s0, ctl, kS0Xlnz);
  a.xunz = region(s0, ctl, kS0Xunz);
  a.nmod = region(s2, ctl, kS2Nmod);
  a.schedule = region(s2, ctl, kS2Sched);
  a.mark1 = region(s2, ctl, kS2Mark1);
  a.mark2 = region(s2, ctl, kS2Mark2);
  a.seprows = region(s2, ctl, kS2Seprows);
  a.sparent = region(s2, ctl, kS2Sparent);
  a.work = b.work_i0;
  a.work_len = ctl.work_i0_words();
  record_step2(ctl, ordering::reorder2(a, step2_options(ctl)));
  return ctl.error_num();
}

int32_t analysis_step3(const AnalysisBlocks& b, const Control& ctl, const int32_t* ia, const int32_t* ja,
                       int32_t* perm, const int32_t* matching_perm, int32_t* iparam_p, int32_t nb) {
  OneBased<int32_t> iparam(iparam_p, 64);
  ctl.error_num() = 0;
  const int64_t n = ctl.n(), nproc = std::max(ctl.nproc(), 1);
  if (iparam(18) < 0) iparam(18) = clamp32(int64_t{ctl.lnz_size()} + ctl.unz_size());
  carve_fi(ctl, region(b.struc_s0, ctl, kS0Table), ctl.positions());
  copy_into_fi(ctl, b);
  if (iparam(5) < 0 && perm != nullptr) {
    const int32_t* fperm = region(b.struc_fi, ctl, kFiPerm);
    std::copy(fperm, fperm + n, perm);
  }
  // The map is built for the matrix of step 1; a different entry count cannot be placed.
  if (ia[n] - 1 != ctl.entries() || build_map(ctl, b, ia, ja, matching_perm) != 0) {
    ctl.error_num() = static_cast<int32_t>(ordering::AnalysisStatus::failed);
    return ctl.error_num();
  }
  if (nproc > 1) {  // the "parlist" stage
    double t0 = 0, t1 = 0;
    timer_varnexo_(&t0);
    build_update_lists(ctl, b);
    timer_varnexo_(&t1);
    ctl.stage_time(4) += t1 - t0;
  }
  ctl.solve_work_values() = clamp32(
      std::max({int64_t{ctl.longest_column()} * nb * nproc, nproc * n, int64_t{ctl.temp_size()} * nproc}));
  return ctl.error_num();
}

void move_update_lists(const Control& ctl, const int32_t* loc_int2, int32_t* up_uplen) {
  const int64_t m = ctl.lindx_size(), len = ctl.update_entries();
  const int32_t* from = loc_int2 + (ctl.position(kLocTarget) - 1);
  int32_t* to = up_uplen + (ctl.position(kUpTarget) - 1);
  std::copy(from, from + len, to);
  std::copy(from + m + 1, from + m + 1 + len, to + len);
}

}  // namespace varnexo::driver
