// The analysis of the phase driver (input -> matching -> ordering -> symbolic): the matching
// stage, then the blocks of the analysis in their fixed order around the three analysis steps,
// and the estimate of the numerical memory.
#include <cmath>
#include <vector>

#include "common/memory.h"
#include "driver/analysis_steps.h"
#include "driver/handle_routines.h"
#include "driver/matching_stage.h"
#include "driver/phases.h"
#include "driver/storage_layout.h"
#include "factor/factorize.h"

namespace varnexo::driver {
namespace {

// Processor count rounded up to a power of two, at most n: the domain count of the dissection.
void set_domain_request(const Control& ctl, int32_t n) {
  int32_t p = 1;
  while (p < ctl.nproc()) p *= 2;
  if (p > n) p = n;
  ctl.domains() = p;
  ctl.table_words() = std::max(4 * p + 4, 16);
}

// A failed step: a lack of the step's own work memory is a memory error of the analysis's
// integer work; otherwise an ordering (-3) or 32-bit overflow (-8) error.
int32_t step_error(Call& c, int32_t status, int64_t failures_before) {
  if (memory::failures() != failures_before) {
    c.error_num = kCodeWorkI0;
    c.mem.failed_bytes = 0;
    c.mem.failed_total = c.mem.peak;
    return -2;
  }
  c.error_num = status;
  return status == -182 ? -8 : -3;
}

int32_t obtain(Call& c, int slot, int64_t bytes, int32_t code) {
  return obtain_block(c.h, slot, bytes, code, &c.mem.peak, c.mem);
}

AnalysisBlocks blocks_of(const Call& c) {
  AnalysisBlocks b;
  b.struc_s0 = c.h.block_as<int32_t>(kSlotStrucS0);
  b.work_i0 = c.h.block_as<int32_t>(kSlotWorkI0);
  b.struc_s1 = c.h.block_as<int32_t>(kSlotStrucS1);
  b.struc_s2 = c.h.block_as<int32_t>(kSlotStrucS2);
  b.struc_fi = c.h.block_as<int32_t>(kSlotStrucFi);
  b.loc_int2 = c.loc_int2;
  return b;
}

// The structure the ordering and symbolic steps analyse: the padded structure of the symmetric
// matching when there is one (its graph sizes replace the caller's), else the caller's.
void analysed_structure(Call& c, const MatchingOutcome& m, const int32_t*& ia, const int32_t*& ja) {
  ia = c.ia, ja = c.ja;
  if (m.ia.empty()) return;
  ia = m.ia.data(), ja = m.ja.data();
  const Control ctl = c.ctl();
  const int64_t off_diagonal = int64_t{m.ia[c.n]} - 1 - c.n;
  ctl.triangle_entries() = static_cast<int32_t>(off_diagonal);
  ctl.adjacency_size() = static_cast<int32_t>(2 * off_diagonal);
  c.mem.peak += memory::kilobytes(4 * (int64_t{c.n} + 1 + m.ia[c.n]));
}

// The three analysis steps with the blocks obtained before each. Returns the coarse code.
int32_t run_steps(Call& c, const MatchingOutcome& m) {
  const Control ctl = c.ctl();
  // The matching's block: the row mapping of the unsymmetric types, the symmetric order.
  const bool matched = c.kind().unsymmetric() || (c.kind().indefinite() && ctl.matching() > 0);
  const int32_t* q = matched ? c.h.block_as<int32_t>(kSlotMatchPerm) : nullptr;
  const int32_t *sia = nullptr, *sja = nullptr;
  analysed_structure(c, m, sia, sja);
  int32_t num = obtain(c, kSlotStrucS0, struc_s0_bytes(ctl), kCodeStrucS0);
  if (ctl.symmetric_storage() == 1) ctl.transposed() = 0;
  if (!num) num = obtain(c, kSlotWorkI0, work_i0_bytes(ctl), kCodeWorkI0);
  if (!num) num = obtain(c, kSlotStrucS1, struc_s1_bytes(ctl), kCodeStrucS1);
  if (num) return (c.error_num = num, -2);
  if (!m.domain_pairs.empty())
    copy_pair_list(ctl, c.h.block_as<int32_t>(kSlotStrucS0), m.domain_pairs.data());
  const int64_t failures = memory::failures();
  if (int32_t s = analysis_step1(blocks_of(c), ctl, sia, sja, c.perm, q, c.done_flags))
    return step_error(c, s, failures);
  ctl.connected_sets() =
      ctl.domains();  // the domains of the ordering: subgraphs the factorisation treats independently
  if ((num = obtain(c, kSlotStrucS2, struc_s2_bytes(ctl), kCodeStrucS2))) return (c.error_num = num, -2);
  if (int32_t s = analysis_step2(blocks_of(c), ctl)) return step_error(c, s, failures);
  const int64_t fi_bytes = struc_fi_bytes(ctl, c.h.block_as<int32_t>(kSlotStrucS0));
  if ((num = obtain(c, kSlotStrucFi, fi_bytes, kCodeStrucFi))) return (c.error_num = num, -2);
  if (ctl.nproc() > 1) {
    const int64_t bytes = loc_int2_bytes(ctl);
    c.loc_int2 = static_cast<int32_t*>(memory::obtain((size_t)bytes));
    if (!c.loc_int2) {
      c.mem.failed_bytes = bytes;
      c.mem.failed_total = c.mem.peak + memory::kilobytes(bytes);
      return (c.error_num = kCodeLocInt2, -2);
    }
    c.mem.peak += memory::kilobytes(bytes);
  }
  if (int32_t s = analysis_step3(blocks_of(c), ctl, c.ia, c.ja, c.perm, q, c.iparam.data(), c.work_nb))
    return step_error(c, s, failures);
  if (ctl.nproc() > 1) c.done_flags[3] = 1;
  return 0;
}

// After the steps: the work blocks go, STRUC_FI shrinks to what it holds, the update lists move
// into UP_UPLEN. Returns the coarse code.
int32_t keep_structure(Call& c) {
  c.iparam(15) = (int32_t)c.mem.peak;
  for (int s : {kSlotStrucS0, kSlotStrucS1, kSlotStrucS2, kSlotWorkI0}) release_block(c.h, s);
  const int64_t shrunk = struc_fi_shrunk_bytes(c.ctl());
  if (int32_t num = resize_block(c.h, kSlotStrucFi, shrunk, kCodeStrucFi, c.mem))
    return (c.error_num = num, -2);
  c.mem.permanent += memory::kilobytes(shrunk);
  if (c.loc_int2) {
    const int64_t bytes = up_uplen_bytes(c.ctl());
    if (int32_t num = obtain(c, kSlotUpUplen, bytes, kCodeUpUplen)) return (c.error_num = num, -2);
    c.mem.permanent += memory::kilobytes(bytes);
    move_update_lists(c.ctl(), c.loc_int2, c.h.block_as<int32_t>(kSlotUpUplen));
    memory::release(c.loc_int2);
    c.loc_int2 = nullptr;
  }
  return 0;
}

// The operation count of the factorisation into rbasic(15) and iparam(19).
void count_operations(Call& c) {
  if (c.level < 1 && c.iparam(19) >= 0) return;
  const Control ctl = c.ctl();
  int32_t* fi = c.h.block_as<int32_t>(kSlotStrucFi);
  const factor::SymbolicFactor sf = symbolic_view(fi, ctl);
  std::vector<int32_t> link((size_t)sf.n + 1), length((size_t)sf.nsuper + 1);
  double mflops = 0.0;
  if (factor::flops(sf, ctl.symmetric_storage() == 1, c.kind().is_complex(), link.data(), length.data(),
                    &mflops)) {
    ctl.mflops() = mflops;
    c.iparam(19) = (int32_t)std::lround(mflops);
  }
}

}  // namespace

int32_t run_analysis(Call& c) {
  const Control ctl = c.ctl();
  c.mem.peak = c.mem.permanent = c.mem.factor = 0;
  // BASIC and FACT_ADR belong to every analysis's figures.
  const int64_t handle_kb =
      memory::kilobytes(sizeof(Basic)) + memory::kilobytes(fact_adr_bytes(ctl.max_fac_store()));
  c.mem.peak += handle_kb;
  c.mem.permanent += handle_kb;
  set_domain_request(ctl, c.n);
  if (!c.kind().matching_applies) ctl.matching() = 0;
  MatchingOutcome matching;
  int32_t error = run_matching_stage(c, matching);
  if (error == 0) error = run_steps(c, matching);
  if (error == 0) error = keep_structure(c);
  if (c.loc_int2) {
    memory::release(c.loc_int2);
    c.loc_int2 = nullptr;
  }
  if (error != 0) return error;
  count_operations(c);
  int32_t ido = 22;
  FactEntry estimate;
  clean_fact(estimate);
  const BlockSizes s = fact_cgs_alloc(true, ido, c.work_nb, ctl, estimate);
  // The estimate: one factor with its pivot records, and the real work block.
  const int64_t doubles =
      factor_doubles((int64_t)ctl.lnz_size() + ctl.unz_size(), c.kind().doubles_per_entry(), s.single);
  c.mem.factor = memory::kilobytes(8 * doubles + 8 * (int64_t)c.n) +
                 memory::kilobytes(8 * (s.too_large != 0 ? s.too_large : std::abs(s.work)));
  ctl.position(kWorkR0Start) = kSentinel;
  ctl.work_size() = 0;
  c.iparam(15) = (int32_t)c.mem.peak;
  c.iparam(16) = (int32_t)c.mem.permanent;
  c.iparam(17) = (int32_t)c.mem.factor;
  ctl.peak_kb() = (int32_t)c.mem.peak;
  ctl.permanent_kb() = (int32_t)c.mem.permanent;
  ctl.factor_kb() = (int32_t)c.mem.factor;
  mark_stage_boundary(c);
  return 0;
}

}  // namespace varnexo::driver
