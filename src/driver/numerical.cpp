// The numerical phases of the driver (load -> factor -> solve -> refine): the factor, work and
// refinement blocks of a call, the factorisation of one matrix number, the solve with iterative
// refinement, or the CGS/CG iteration that reuses a stored factor as preconditioner.
#include <algorithm>
#include <complex>
#include <cstring>
#include <functional>
#include <limits>

#include "common/memory.h"
#include "common/threads.h"
#include "driver/control.h"
#include "driver/driver_entries.h"
#include "driver/handle_routines.h"
#include "driver/input_texts.h"
#include "driver/matching_stage.h"
#include "driver/numeric_options.h"
#include "driver/outcome.h"
#include "driver/phases.h"
#include "driver/refinement.h"
#include "driver/storage_layout.h"
#include "factor/factorize.h"
#include "solve/cgs.h"
#include "solve/residual.h"
#include "solve/solve.h"

namespace varnexo::driver {
namespace {

// Bytes of the FACT_L&U block: the factor values, then the pivot records of this factor
// (pivot and colpivot, n words each), so that every stored factorisation keeps its own.
int64_t factor_block_bytes(int64_t doubles, int32_t n) { return 8 * doubles + 8 * (int64_t)n; }

struct Numeric {
  factor::SymbolicFactor sf;
  factor::ValueMap map;
  FactorWorkspace ws;
  void* values = nullptr;  // FACT_L&U of the matrix number
  int32_t* pivot = nullptr;
  int32_t* colpivot = nullptr;
  int32_t w = 1;
  int32_t threads = 1;      // workers of the factorisation and the solve
  TreePartition partition;  // the subtrees they share out (none with one worker)
  bool single = false;      // the block holds the factor in 4-byte reals
};

// Refinement follows the solve when the caller asks for it, when pivots were perturbed, and
// always after a single-precision factor: its solution alone is accurate to single precision
// only, and the refinement is what brings it to double.
bool refinement_asked(const Call& c) {
  return c.ctl().perturbed() > 0 || c.iparam(8) != 0 || holds_single_factor(c.h.fact_entry(c.matrix_number));
}

Numeric numeric_view(const Call& c) {
  Numeric v;
  int32_t* fi = c.h.block_as<int32_t>(kSlotStrucFi);
  const Control ctl = c.ctl();
  v.sf = symbolic_view(fi, ctl);
  v.map = value_map_view(fi, ctl);
  v.ws = factor_workspace_view(fi, ctl);
  v.w = c.kind().doubles_per_entry();
  v.values = c.h.fact_block(c.matrix_number);
  v.single = holds_single_factor(c.h.fact_entry(c.matrix_number));
  if (v.values) {
    const int64_t doubles = factor_doubles((int64_t)ctl.lnz_size() + ctl.unz_size(), v.w, v.single);
    v.pivot = reinterpret_cast<int32_t*>(static_cast<double*>(v.values) + doubles);
    v.colpivot = v.pivot + c.n;
  }
  v.threads = threads::worker_count(ctl.nproc());
  if (v.threads > 1) v.partition = tree_partition_of(v.sf, v.threads);
  return v;
}

// Obtains or replaces the factor, real work and CGS blocks the call needs (-1100, -1200, -1300).
int32_t obtain_numeric_blocks(Call& c) {
  const Control ctl = c.ctl();
  FactEntry& entry = c.h.fact_entry(c.matrix_number);
  BlockSizes s = fact_cgs_alloc(false, c.ido, c.work_nb, ctl, entry);
  if (s.too_large != 0) {  // reported as the real work block that cannot be had
    c.mem.failed_bytes = 8 * s.too_large;
    c.mem.failed_total = c.mem.factor + memory::kilobytes(8 * s.too_large);
    return kCodeWorkR0;
  }
  const bool count_factor = c.iparam(9) >= 0;
  if (s.factor != 0) {
    void*& block = c.h.fact_block(c.matrix_number);
    memory::release(block);
    block = nullptr;
    entry.word[0] = 0;
    const int64_t bytes = factor_block_bytes(s.factor < 0 ? -s.factor : s.factor, c.n);
    entry.word[2] = 0;  // the new block holds no factor yet
    block = memory::obtain((size_t)bytes);
    if (!block) {
      c.mem.failed_bytes = bytes;
      c.mem.failed_total = c.mem.factor + memory::kilobytes(bytes);
      return kCodeFactLU;
    }
    entry.word[0] = 1;
    entry.word[5] = s.single ? kEntrySingle : 0;
    ctl.position(kLValuesStart) = 1;
    if (count_factor) c.mem.factor += memory::kilobytes(bytes);
  } else if (count_factor && c.h.fact_block(c.matrix_number)) {
    c.mem.factor += memory::kilobytes(factor_block_bytes((int64_t)entry.word[3], c.n));
  }
  if (s.work != 0) {
    release_block(c.h, kSlotWorkR0);
    const int64_t work = s.work < 0 ? -s.work : s.work;
    if (int32_t num = obtain_block(c.h, kSlotWorkR0, 8 * work, kCodeWorkR0, &c.mem.factor, c.mem)) return num;
    ctl.position(kWorkR0Start) = 1;
  } else if (c.h.slot(kSlotWorkR0) != 0) {
    c.mem.factor += memory::kilobytes(8 * (int64_t)ctl.work_size());
  }
  if (s.cgs > 0) {
    if (int32_t num = obtain_block(c.h, kSlotCgsArr, 8 * s.cgs, kCodeCgsArr, &c.mem.factor, c.mem))
      return num;
    ctl.position(kCgsStart) = 1;
  }
  return 0;
}

// The storage the factor is kept in: the kind's, unless the analysis laid out the LU storage.
FactorStorage storage_of(const Control& ctl) {
  return ctl.symmetric_storage() == 1 ? FactorStorage::symmetric : FactorStorage::lu;
}

// The values of the stored factor: lnz at the start of its block, unz after the L values.
solve::FactorValues factor_values(const Numeric& v) {
  solve::FactorValues f;
  f.lnz = v.values;
  if (v.sf.xunz != nullptr && v.single)
    f.unz = static_cast<const float*>(v.values) + v.sf.lnz_size * v.w;
  else if (v.sf.xunz != nullptr)
    f.unz = static_cast<const double*>(v.values) + v.sf.lnz_size * v.w;
  f.pivot = v.pivot;
  f.colpivot = v.colpivot;
  return f;
}

int32_t factorize_now(Call& c, Numeric& v) {
  const Control ctl = c.ctl();
  FactEntry& entry = c.h.fact_entry(c.matrix_number);
  entry.word[3] = (int32_t)factor_doubles((int64_t)ctl.lnz_size() + ctl.unz_size(), v.w, v.single);
  entry.word[4] = v.w;
  // The pivoting mode of this factor (1 diagonal pivoting, 2 Bunch–Kaufman): its solves read
  // the factor in that mode even when iparam(21) changes before them. The precision stays that
  // of the block.
  entry.word[5] = (ctl.pivoting() == 0 ? 1 : 2) | (v.single ? kEntrySingle : 0);
  entry.word[2] = 0;  // incomplete until the factorisation succeeds
  ctl.perturbed() = ctl.positive() = ctl.negative() = 0;
  c.iparam(20) = 0;
  factor::NumericMatrix A{c.ia, c.ja, c.a, c.h.block_as<double>(kSlotScaling)};
  const std::vector<int32_t> pairs = pair_starts(c);
  A.pair_first = pairs.empty() ? nullptr : pairs.data();
  const solve::FactorValues f = factor_values(v);
  factor::FactorBuffers b;
  b.lnz = v.values;
  b.unz = const_cast<void*>(f.unz);
  b.temp = c.h.block(kSlotWorkR0);
  b.iwork = v.ws.iwork;
  b.pivot = v.pivot;
  b.colpivot = v.colpivot;
  b.temp_copies = temp_copies(ctl, v.w);
  record_factor_start(ctl);
  factor::FactorOptions o = factor_options(ctl, c.kind(), storage_of(ctl), v.ws.domain_table);
  o.threads = v.threads;
  o.partition = &v.partition;
  o.single_precision = v.single;
  const factor::FactorResult r = factor::factorize(v.sf, v.map, A, o, b);
  record_factor_result(ctl, r);
  const int32_t status = ctl.error_num();
  entry.word[1] = entry.word[0];
  if (status == 0) entry.word[2] = c.matrix_type;
  c.done_flags[4] = c.done_flags[5] = 1;
  mark_stage_boundary(c);
  ctl.refactorise() = 0;
  ctl.cgs_budget() = 4;
  ctl.factor_failed() = -1;
  return status;
}

// One solve with the stored factor: rhs (caller's order) -> sol (caller's order). A timed solve
// counts in the solve stage; the preconditioner solves of the iteration count in its own stage.
template <class T>
int32_t solve_once(Call& c, const Numeric& v, const T* rhs, T* sol, bool timed = true) {
  double t0 = 0, t1 = 0;
  timer_varnexo_(&t0);
  const Control ctl = c.ctl();
  const int32_t* row_map = c.kind().unsymmetric() ? c.h.block_as<int32_t>(kSlotMatchPerm) : nullptr;
  solve::SolveOptions o = solve_options(ctl, c.kind(), storage_of(ctl), false);
  // The factor is read in the pivoting mode and the precision it was computed with.
  const int32_t mode = c.h.fact_entry(c.matrix_number).word[5] & kEntryPivotingMask;
  if (mode == 1 || mode == 2) o.bunch_kaufman = mode == 2;
  o.threads = v.threads;
  o.partition = &v.partition;
  o.single_precision = v.single;
  const solve::SolveStatus status =
      solve::solve(v.sf, factor_values(v), o, c.work_nb, sol, const_cast<T*>(rhs), row_map,
                   c.h.block_as<double>(kSlotScaling), c.h.block(kSlotWorkR0), ctl.work_size() / v.w);
  if (timed) {
    timer_varnexo_(&t1);
    ctl.stage_time(7) += t1 - t0;
    c.done_flags[6] = 1;
  }
  return static_cast<int32_t>(status);
}

// The backward error at which the refinement after a single factor stops: that of a solve with a
// double factor. Its step rules alone would take at least four steps, the last ones without
// gain, where a single factor usually needs two or three.
inline constexpr double kSingleRefinedTarget = 4 * std::numeric_limits<double>::epsilon();

// Whether every column of x has a normwise backward error ‖r‖∞ / (‖A‖∞·‖x‖∞ + ‖b‖∞) at most
// kSingleRefinedTarget, r being its residual.
template <class T>
std::function<bool(const T*, const T*, const T*)> converged_test(const Call& c, solve::Storage storage) {
  const bool transposed = c.ctl().transposed() == 1;
  const double anorm = solve::norm_inf(transposed, c.n, storage, c.ia, c.ja, reinterpret_cast<const T*>(c.a));
  const int64_t n = c.n;
  const int32_t nb = c.work_nb;
  return [anorm, n, nb](const T* x, const T* b, const T* r) {
    for (int32_t j = 0; j < nb; ++j) {
      double rmax = 0, xmax = 0, bmax = 0;
      for (int64_t i = j * n; i < (j + 1) * n; ++i) {
        rmax = std::max(rmax, (double)std::abs(r[i]));
        xmax = std::max(xmax, (double)std::abs(x[i]));
        bmax = std::max(bmax, (double)std::abs(b[i]));
      }
      if (!(rmax <= kSingleRefinedTarget * (anorm * xmax + bmax))) return false;
    }
    return true;
  };
}

// The solve without the CGS iteration: one solve, then refinement when it is wanted.
template <class T>
int32_t solve_and_refine(Call& c, const Numeric& v) {
  const Control ctl = c.ctl();
  const int64_t len = (int64_t)c.n * c.work_nb;
  if (len <= 0) return 0;  // no right-hand side: nothing to solve
  T* b = reinterpret_cast<T*>(c.b);
  T* x = reinterpret_cast<T*>(c.x);
  const bool over_b = ctl.solution_on_b() == 1;
  const bool wanted = ctl.solve_part() == 0 && refinement_asked(c);
  T* work = c.h.block_as<T>(kSlotCgsArr);
  std::vector<T> own;
  if (wanted && work == nullptr) return -2;
  if (over_b) {  // the right-hand sides are kept while x is the work
    if (!work) {
      own.assign(b, b + len);
    }
    T* copy = work ? work + 2 * len : own.data();
    std::memcpy((void*)copy, b, sizeof(T) * len);
    b = copy;
  }
  RefinementIo<T> io;
  io.n = c.n;
  io.nb = c.work_nb;
  io.solve = [&](const T* rhs, T* sol) { return solve_once<T>(c, v, rhs, sol); };
  const solve::Storage storage = solve::storage_of(&c.kind());
  std::vector<T> rowbuf((size_t)c.work_nb);
  io.residual = [&](const T* xs, const T* bs, T* r) {
    return solve::amuxy_res<T>(ctl.transposed() == 1, c.n, c.work_nb, storage, c.ia, c.ja,
                               reinterpret_cast<const T*>(c.a), xs, r, bs, rowbuf.data());
  };
  if (v.single) io.converged = converged_test<T>(c, storage);
  RefinementResult res = refine<T>(io, b, x, c.iparam(8), wanted, c.level >= 1, work);
  c.iparam(20) = res.perturbed_only ? -34 : 0;
  ctl.refinement_steps() = res.steps;
  if (over_b) std::memcpy((void*)c.b, x, sizeof(T) * len);
  if (res.status != 0 && res.status != -112) return -4;
  // A solution the library cannot stand behind is an error: values that are not finite, or a
  // refinement that ended far above the working precision.
  if (int32_t num = check_finite_solution(c, reinterpret_cast<const double*>(x), v.w)) return num;
  if (res.status == -112) return -112;
  // A refinement that stopped by its convergence test has just measured a backward error below
  // the limit.
  if (wanted && res.steps > 0 && !res.converged) {
    c.backward_error = solve::backward_error<T>(ctl.transposed() == 1, c.n, c.work_nb, storage, c.ia, c.ja,
                                                reinterpret_cast<const T*>(c.a), x, b, work, rowbuf.data());
    if (!(c.backward_error <= kBackwardErrorLimit)) return kBackwardErrorAboveTarget;
  }
  return 0;
}

// ---- The CGS/CG branch: a stored factor as the preconditioner of an iteration on the caller's matrix ----

// A failed iteration (or one whose answer the library cannot stand behind); the call refactorises
// when its code allows, else returns -4 with the iteration's diagnostics in iparam(20).
inline constexpr int32_t kIterationFailed = -3;
// The budget of an iteration right after a fresh factorisation: no cheaper way to the answer is
// left, so the iteration gets the largest budget of a positive code.
inline constexpr int32_t kFreshFactorBudget = 100;

// Steps of the iteration that cost about as much as |code|·3 factorisations of this size: the
// ratio of the last factorisation time to one solve. A solve too quick to time (<= 1e-10 s)
// leaves no ratio: 0. A positive code caps the budget at 100, a negative one makes it 150.
int32_t iteration_budget(int32_t code, double factor_time, double solve_time) {
  if (code < 0) return 150;
  if (solve_time <= 1e-10) return 0;
  const double steps = 3.0 * (double)magnitude(code) * factor_time / solve_time + 1.0;
  return steps >= 100.0 ? 100 : (int32_t)steps;
}

solve::IterationOptions iteration_options(const Call& c, int32_t budget) {
  const Control ctl = c.ctl();
  solve::IterationOptions o;
  const solve::Storage storage = solve::storage_of(&c.kind());
  o.tolerance = ctl.cgs_tolerance();
  o.divergence_bound = ctl.word(40);
  o.max_iterations = budget;
  o.check_iteration = budget / 2 + 1;
  // CG needs a symmetric or Hermitian matrix and factor; other matrices asking for it run CGS.
  o.conjugate_gradient = magnitude(ctl.cgs_code()) == 2 && storage != solve::Storage::full;
  o.hermitian = storage == solve::Storage::hermitian;
  o.print = c.level >= 1;
  o.matrix_norm = c.kind().is_complex()
                      ? solve::norm_inf(ctl.transposed() == 1, c.n, storage, c.ia, c.ja,
                                        reinterpret_cast<const std::complex<double>*>(c.a))
                      : solve::norm_inf(ctl.transposed() == 1, c.n, storage, c.ia, c.ja, c.a);
  return o;
}

// One solve with the stored factor into x, then the iteration from it. `fresh`: the factor was
// computed in this call. Returns 0, kIterationFailed, or the error number of a solve or check.
template <class T>
int32_t solve_and_iterate(Call& c, const Numeric& v, bool fresh) {
  const Control ctl = c.ctl();
  const int64_t len = (int64_t)c.n * c.work_nb;
  if (len <= 0) return 0;
  const T* b = reinterpret_cast<const T*>(c.b);
  T* x = reinterpret_cast<T*>(c.x);
  const double t_before = ctl.stage_time(7);
  if (int32_t status = solve_once<T>(c, v, b, x)) return status;
  const int32_t budget = iteration_budget(ctl.cgs_code(), ctl.stage_time(6), ctl.stage_time(7) - t_before);
  ctl.cgs_budget() = budget;
  ctl.cgs_half_budget() = budget / 2 + 1;
  // A forward or backward substitution alone is not iterated, but its values are checked.
  if (ctl.solve_part() != 0) return check_finite_solution(c, reinterpret_cast<const double*>(x), v.w);
  const int32_t steps = fresh ? std::max(budget, kFreshFactorBudget) : budget;
  if (steps < 1) {
    c.iparam(20) = -5;
    return kIterationFailed;
  }
  solve::IterationOperators<T> op;
  op.n = c.n;
  op.nb = c.work_nb;
  op.precondition = [&](const T* rhs, T* sol) { return solve_once<T>(c, v, rhs, sol, false); };
  const solve::Storage storage = solve::storage_of(&c.kind());
  std::vector<T> rowbuf((size_t)c.work_nb);
  op.multiply = [&](const T* in, T* out) {
    solve::amuxy<T>(ctl.transposed() == 1, c.n, c.work_nb, storage, c.ia, c.ja,
                    reinterpret_cast<const T*>(c.a), in, out, rowbuf.data());
  };
  T* work = c.h.block_as<T>(kSlotCgsArr);
  const int64_t work_values = solve::cgs_work_values(c.n, c.work_nb);
  double t0 = 0, t1 = 0;
  timer_varnexo_(&t0);
  const solve::IterationResult r =
      solve::pre_cgs<T>(op, b, x, iteration_options(c, steps), work, work_values);
  timer_varnexo_(&t1);
  ctl.stage_time(8) += t1 - t0;
  c.done_flags[7] = 1;
  mark_stage_boundary(c);
  c.iparam(20) = r.ok() ? r.iterations : (int32_t)r.status - 10 * r.iterations;
  if (!r.ok()) return kIterationFailed;
  if (int32_t num = check_finite_solution(c, reinterpret_cast<const double*>(x), v.w)) return num;
  // The measure of the iteration is the size of its last correction; the answer is judged by
  // its backward error like a refined one.
  c.backward_error = solve::backward_error<T>(ctl.transposed() == 1, c.n, c.work_nb, storage, c.ia, c.ja,
                                              reinterpret_cast<const T*>(c.a), x, b, work, rowbuf.data());
  return c.backward_error <= kBackwardErrorLimit ? 0 : kBackwardErrorAboveTarget;
}

// Step 4 with the iteration: keeps the stored factor while the budget of the last solve allows
// and no failure asked for a new one (the refactorisation flag, a negative iparam(20)),
// factorises otherwise, then solves and iterates. A failed iteration on a kept factor
// refactorises once when the code is positive. Leaves the status in error_num.
template <class T>
void iterative_step(Call& c, int32_t ido) {
  const Control ctl = c.ctl();
  Numeric v = numeric_view(c);
  ctl.error_num() = 0;
  const int32_t code = ctl.cgs_code();
  if (code < 0) ctl.cgs_budget() = 150;
  const bool refactorise = ctl.refactorise() == 1 || (ido < 30 && (ctl.cgs_budget() < 5 || c.iparam(20) < 0));
  bool fresh = false;
  if (refactorise) {
    if ((ctl.error_num() = factorize_now(c, v)) != 0) return;
    fresh = true;
  }
  if (ido == 12 || ido == 22) return;
  for (;;) {
    const int32_t status = solve_and_iterate<T>(c, v, fresh);
    if (status == 0) break;
    const bool retry = status == kIterationFailed || status == kBackwardErrorAboveTarget;
    if (retry) ctl.refactorise() = 1;  // the next call factorises first
    if (!retry || fresh || code < 0) {
      ctl.error_num() = status;
      break;
    }
    if ((ctl.error_num() = factorize_now(c, v)) != 0) break;
    fresh = true;
  }
  if (ctl.solution_on_b() == 1)
    std::memcpy((void*)c.b, c.x, sizeof(T) * (size_t)c.n * c.work_nb);  // the answer over b
}

// Step 4 of the numerical work: factorise when needed, then solve. Leaves the status in error_num.
template <class T>
void numeric_step(Call& c, int32_t ido) {
  const Control ctl = c.ctl();
  if (ctl.cgs_code() != 0) return iterative_step<T>(c, ido);
  Numeric v = numeric_view(c);
  ctl.error_num() = 0;
  if (ctl.refactorise() == 1) {
    if (factorize_now(c, v) != 0) return;
    if (ido == 12 || ido == 22) return;
    // The refinement call of the driver solves.
    if ((ido == 13 || ido == 23) && refinement_asked(c)) return;
  } else if (ido == 12 || ido == 22) {
    return;
  }
  ctl.error_num() = solve_and_refine<T>(c, v);
}

void run_step4(Call& c, int32_t ido) {
  if (c.kind().is_complex())
    numeric_step<std::complex<double>>(c, ido);
  else
    numeric_step<double>(c, ido);
}

// A call that solves without factorising first uses the stored factor only when it is complete
// and was computed for this matrix type: a failed factorisation leaves half-written values and
// pivots, and a factor of the other sign (2 and -2, 4 and -4) has another layout. A phase that
// factorises anyway (CGS keeps its factor between calls) refactorises instead. Returns 0 or the
// error number of the refusal (the stored type in bad_row).
int32_t check_stored_factor(Call& c) {
  const Control ctl = c.ctl();
  const FactEntry& entry = c.h.fact_entry(c.matrix_number);
  if (ctl.refactorise() == 1 || entry.word[2] == c.matrix_type) return 0;
  if (c.ido < 30) {
    ctl.refactorise() = 1;
    return 0;
  }
  c.bad_row = entry.word[2];
  return entry.word[2] == 0 ? kNoCompleteFactor : kFactorOfOtherType;
}

int64_t refinement_doubles(const Call& c) {
  const int64_t w = c.kind().doubles_per_entry(), nproc = c.ctl().nproc();
  return (3 * (int64_t)c.n + 2 * nproc) * c.work_nb * w;
}

void copy_counts(Call& c) {
  const Control ctl = c.ctl();
  c.iparam(14) = ctl.perturbed();
  c.iparam(22) = ctl.positive();
  c.iparam(23) = ctl.negative();
}

// The numerical phases with the iteration instead of refinement: one step does all.
int32_t run_iterative(Call& c) {
  const Control ctl = c.ctl();
  ctl.refinement_steps() = 0;
  run_step4(c, c.ido);
  copy_counts(c);
  c.iparam(7) = 0;
  c.error_num = ctl.error_num();
  release_block(c.h, kSlotCgsArr);
  return c.error_num != 0 ? -4 : 0;
}

}  // namespace

int32_t run_numerical(Call& c) {
  const Control ctl = c.ctl();
  c.mem.peak = ctl.peak_kb();
  c.mem.permanent = ctl.permanent_kb();
  c.mem.factor = 0;
  if (int32_t num = obtain_numeric_blocks(c)) {
    c.error_num = num;
    return -2;
  }
  if (int32_t num = check_stored_factor(c)) {
    c.error_num = num;
    return -1;
  }
  c.single_factor = holds_single_factor(c.h.fact_entry(c.matrix_number));
  const int32_t r = c.ido % 10;
  bool refine_call = r == 3;
  if (c.ido == 33) {
    // In 64 bits: iparam(14) is the caller's and may hold any value.
    if ((int64_t)ctl.perturbed() + c.iparam(14) == 0) ctl.perturbed() = c.iparam(14) = 0;
    if (c.iparam(14) > 0) ctl.perturbed() = c.iparam(14);
  }
  if (ctl.cgs_code() != 0) return run_iterative(c);
  if (!(c.ido == 33 && refinement_asked(c))) {
    run_step4(c, c.ido);
    copy_counts(c);
    c.iparam(7) = ctl.refinement_steps();
    c.error_num = ctl.error_num();
    if (c.error_num != 0) {
      release_block(c.h, kSlotCgsArr);
      return -4;
    }
    refine_call = refine_call && c.ido != 33 && refinement_asked(c);
  }
  if (refine_call && (c.ido == 33 || refinement_asked(c))) {
    const int64_t doubles = refinement_doubles(c);
    if (int32_t num = obtain_block(c.h, kSlotCgsArr, 8 * doubles, kCodeCgsArr, &c.mem.factor, c.mem)) {
      c.error_num = num;
      return -2;
    }
    ctl.refactorise() = 0;
    run_step4(c, 33);
    c.iparam(7) = ctl.refinement_steps();
    c.error_num = ctl.error_num();
    if (c.error_num != 0) {
      release_block(c.h, kSlotCgsArr);
      return -4;
    }
  }
  release_block(c.h, kSlotCgsArr);
  return 0;
}

}  // namespace varnexo::driver
