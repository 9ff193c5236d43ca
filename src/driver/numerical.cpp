// The numerical phases of the driver (load -> factor -> solve -> refine): the factor, work and
// refinement blocks of a call, the factorisation of one matrix number, the solve and the
// iterative refinement.
#include <complex>
#include <cstring>

#include "common/memory.h"
#include "driver/handle_routines.h"
#include "driver/input_texts.h"
#include "driver/outcome.h"
#include "driver/phases.h"
#include "driver/refinement.h"
#include "factor/factorize.h"
#include "factor/storage_view.h"
#include "solve/residual.h"
#include "solve/solve.h"

extern "C" void timer_varnexo_(double* t);

namespace varnexo::driver {
namespace {

// Bytes of the FACT_L&U block: the factor values, then the pivot records of this factor
// (pivot and colpivot, n words each), so that every stored factorisation keeps its own.
int64_t factor_block_bytes(int64_t doubles, int32_t n) { return 8 * doubles + 8 * (int64_t)n; }

struct Numeric {
  factor::SymbolicFactor sf;
  factor::ValueMap map;
  factor::FactorWorkspace ws;
  void* values = nullptr;  // FACT_L&U of the matrix number
  int32_t* pivot = nullptr;
  int32_t* colpivot = nullptr;
  int32_t w = 1;
};

Numeric numeric_view(const Call& c) {
  Numeric v;
  int32_t* fi = c.h.block_as<int32_t>(kSlotStrucFi);
  const int32_t* iadr = c.h.basic()->iadr;
  const int32_t* ib = c.h.basic()->ibasic;
  v.sf = factor::symbolic_view(fi, iadr, ib);
  v.map = factor::value_map_view(fi, iadr, ib);
  v.ws = factor::factor_workspace_view(fi, iadr, ib);
  v.w = doubles_per_entry(c.matrix_type);
  v.values = c.h.fact_block(c.matrix_number);
  if (v.values) {
    const int64_t doubles = ((int64_t)ib[33] + ib[34]) * v.w;
    v.pivot = reinterpret_cast<int32_t*>(static_cast<double*>(v.values) + doubles);
    v.colpivot = v.pivot + c.n;
  }
  return v;
}

// Obtains or replaces the factor, real work and CGS blocks the call needs (-1100, -1200, -1300).
int32_t obtain_numeric_blocks(Call& c) {
  OneBased<int32_t> ib = c.h.ibasic();
  OneBased<int32_t> iadr = c.h.iadr();
  FactEntry& entry = c.h.fact_entry(c.matrix_number);
  BlockSizes s = fact_cgs_alloc(false, c.ido, c.work_nb, ib, iadr, entry);
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
    iadr(41) = 1;
    if (count_factor) c.mem.factor += memory::kilobytes(bytes);
  } else if (count_factor && c.h.fact_block(c.matrix_number)) {
    c.mem.factor += memory::kilobytes(factor_block_bytes((int64_t)entry.word[3], c.n));
  }
  if (s.work != 0) {
    release_block(c.h, kSlotWorkR0);
    const int64_t work = s.work < 0 ? -s.work : s.work;
    if (int32_t num = obtain_block(c.h, kSlotWorkR0, 8 * work, kCodeWorkR0, &c.mem.factor, c.mem)) return num;
    iadr(75) = 1;
  } else if (c.h.slot(kSlotWorkR0) != 0) {
    c.mem.factor += memory::kilobytes(8 * (int64_t)ib(7));
  }
  if (s.cgs > 0) {
    if (int32_t num = obtain_block(c.h, kSlotCgsArr, 8 * s.cgs, kCodeCgsArr, &c.mem.factor, c.mem))
      return num;
    iadr(57) = 1;
  }
  return 0;
}

template <class T>
int32_t factorize_now(Call& c, Numeric& v) {
  OneBased<int32_t> ib = c.h.ibasic();
  FactEntry& entry = c.h.fact_entry(c.matrix_number);
  entry.word[3] = (int32_t)(((int64_t)ib(34) + ib(35)) * v.w);
  entry.word[4] = v.w;
  // The pivoting mode of this factor (1 diagonal pivoting, 2 Bunch–Kaufman): its solves read
  // the factor in that mode even when iparam(21) changes before them.
  entry.word[5] = ib(51) == 0 ? 1 : 2;
  entry.word[2] = 0;  // incomplete until the factorisation succeeds
  ib(62) = ib(63) = ib(64) = 0;
  c.iparam(20) = 0;
  factor::NumericMatrix A;
  A.ia = c.ia;
  A.ja = c.ja;
  A.a = c.a;
  A.scaling = c.h.block_as<double>(kSlotScaling);
  int32_t saved_ib[100], saved_iadr[100];
  std::memcpy(saved_ib, c.h.basic()->ibasic, sizeof saved_ib);
  std::memcpy(saved_iadr, c.h.basic()->iadr, sizeof saved_iadr);
  const int32_t status =
      factor::factorize(v.sf, v.map, c.h.basic()->ibasic, c.h.basic()->rbasic, A, v.values,
                        c.h.block(kSlotWorkR0), v.ws.iwork, v.pivot, v.colpivot, v.ws.domain_table);
  const int32_t perturbed = ib(62), pos = ib(63), neg = ib(64);
  std::memcpy(c.h.basic()->ibasic, saved_ib, sizeof saved_ib);
  std::memcpy(c.h.basic()->iadr, saved_iadr, sizeof saved_iadr);
  ib(62) = perturbed, ib(63) = pos, ib(64) = neg;
  ib(50) = status;
  entry.word[1] = entry.word[0];
  if (status == 0) entry.word[2] = c.matrix_type;
  c.done_flags[4] = c.done_flags[5] = 1;
  ib(43) = 0;
  ib(41) = 4;
  ib(48) = -1;
  return status;
}

// One solve with the stored factor: rhs (caller's order) -> sol (caller's order).
template <class T>
int32_t solve_once(Call& c, const Numeric& v, const T* rhs, T* sol) {
  double t0 = 0, t1 = 0;
  timer_varnexo_(&t0);
  const int32_t* row_map =
      c.matrix_type == 11 || c.matrix_type == 13 ? c.h.block_as<int32_t>(kSlotMatchPerm) : nullptr;
  int32_t ibasic[100];
  std::memcpy(ibasic, c.h.basic()->ibasic, sizeof ibasic);
  const int32_t mode = c.h.fact_entry(c.matrix_number).word[5];
  if (mode == 1 || mode == 2) ibasic[50] = mode == 1 ? 0 : 1;
  const int32_t status =
      solve::solve(v.sf, v.values, v.pivot, v.colpivot, ibasic, c.work_nb, sol, const_cast<T*>(rhs), row_map,
                   c.h.block_as<double>(kSlotScaling), c.h.block(kSlotWorkR0), c.h.ibasic()(7) / v.w, false);
  timer_varnexo_(&t1);
  c.h.rbasic()(7) += t1 - t0;
  c.done_flags[6] = 1;
  return status;
}

// The solve without the CGS iteration: one solve, then refinement when it is wanted.
template <class T>
int32_t solve_and_refine(Call& c, const Numeric& v) {
  OneBased<int32_t> ib = c.h.ibasic();
  const int64_t len = (int64_t)c.n * c.work_nb;
  if (len <= 0) return 0;  // no right-hand side: nothing to solve
  T* b = reinterpret_cast<T*>(c.b);
  T* x = reinterpret_cast<T*>(c.x);
  const bool over_b = ib(8) == 1;
  const bool wanted = ib(73) == 0 && (ib(62) > 0 || c.iparam(8) != 0);
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
  const solve::Storage storage = solve::storage_of(c.matrix_type);
  std::vector<T> rowbuf((size_t)c.work_nb);
  io.residual = [&](const T* xs, const T* bs, T* r) {
    return solve::amuxy_res<T>(ib(68) == 1, c.n, c.work_nb, storage, c.ia, c.ja,
                               reinterpret_cast<const T*>(c.a), xs, r, bs, rowbuf.data());
  };
  RefinementResult res = refine<T>(io, b, x, c.iparam(8), wanted, c.level >= 1, work);
  if (res.perturbed_only) c.iparam(20) = -34;
  ib(65) = res.steps;
  if (over_b) std::memcpy((void*)c.b, x, sizeof(T) * len);
  if (res.status != 0 && res.status != -112) return -4;
  // A solution the library cannot stand behind is an error: values that are not finite, or a
  // refinement that ended far above the working precision.
  if (int32_t num = check_finite_solution(c, reinterpret_cast<const double*>(x), v.w)) return num;
  if (res.status == -112) return -112;
  if (wanted && res.steps > 0) {
    c.backward_error = solve::backward_error<T>(ib(68) == 1, c.n, c.work_nb, storage, c.ia, c.ja,
                                                reinterpret_cast<const T*>(c.a), x, b, work, rowbuf.data());
    if (!(c.backward_error <= kBackwardErrorLimit)) return kBackwardErrorAboveTarget;
  }
  return 0;
}

// Step 4 of the numerical work: factorise when needed, then solve. Leaves status in ibasic(50).
template <class T>
void numeric_step(Call& c, int32_t ido) {
  OneBased<int32_t> ib = c.h.ibasic();
  Numeric v = numeric_view(c);
  ib(50) = 0;
  if (ib(43) == 1) {
    if (factorize_now<T>(c, v) != 0) return;
    if (ido == 12 || ido == 22) return;
    // Without CGS the refinement call of the driver solves; with CGS the solve follows here.
    if ((ido == 13 || ido == 23) && ib(18) == 0 && (ib(62) > 0 || c.iparam(8) != 0)) return;
  } else if (ido == 12 || ido == 22) {
    return;  // the stored factor is kept (CGS preconditioner); phases 13 and 23 go on to the solve
  }
  ib(50) = solve_and_refine<T>(c, v);
}

void run_step4(Call& c, int32_t ido) {
  if (doubles_per_entry(c.matrix_type) == 2)
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
  OneBased<int32_t> ib = c.h.ibasic();
  const FactEntry& entry = c.h.fact_entry(c.matrix_number);
  if (ib(43) == 1 || entry.word[2] == c.matrix_type) return 0;
  if (c.ido < 30) {
    ib(43) = 1;
    return 0;
  }
  c.bad_row = entry.word[2];
  return entry.word[2] == 0 ? kNoCompleteFactor : kFactorOfOtherType;
}

int64_t refinement_doubles(const Call& c) {
  const int64_t w = doubles_per_entry(c.matrix_type), nproc = c.h.ibasic()(15);
  return (3 * (int64_t)c.n + 2 * nproc) * c.work_nb * w;
}

void copy_counts(Call& c) {
  OneBased<int32_t> ib = c.h.ibasic();
  c.iparam(14) = ib(62);
  c.iparam(22) = ib(63);
  c.iparam(23) = ib(64);
}

}  // namespace

int32_t run_numerical(Call& c) {
  OneBased<int32_t> ib = c.h.ibasic();
  c.mem.peak = ib(75);
  c.mem.permanent = ib(76);
  c.mem.factor = 0;
  if (int32_t num = obtain_numeric_blocks(c)) {
    c.error_num = num;
    return -2;
  }
  if (int32_t num = check_stored_factor(c)) {
    c.error_num = num;
    return -1;
  }
  const int32_t r = c.ido % 10;
  bool refine_call = r == 3 && ib(18) == 0;
  if (c.ido == 33) {
    if (ib(62) + c.iparam(14) == 0) ib(62) = c.iparam(14) = 0;
    if (c.iparam(14) > 0) ib(62) = c.iparam(14);
  }
  if (!(c.ido == 33 && (ib(62) >= 1 || c.iparam(8) != 0))) {
    run_step4(c, c.ido);
    copy_counts(c);
    c.iparam(7) = ib(65);
    c.error_num = ib(50);
    if (c.error_num != 0) {
      release_block(c.h, kSlotCgsArr);
      return -4;
    }
    refine_call = refine_call && c.ido != 33 && (ib(62) > 0 || c.iparam(8) != 0);
  }
  if (refine_call && (c.ido == 33 || ib(62) > 0 || c.iparam(8) != 0)) {
    const int64_t doubles = refinement_doubles(c);
    if (int32_t num = obtain_block(c.h, kSlotCgsArr, 8 * doubles, kCodeCgsArr, &c.mem.factor, c.mem)) {
      c.error_num = num;
      return -2;
    }
    ib(43) = 0;
    run_step4(c, 33);
    c.iparam(7) = ib(65);
    c.error_num = ib(50);
    if (c.error_num != 0) {
      release_block(c.h, kSlotCgsArr);
      return -4;
    }
  }
  release_block(c.h, kSlotCgsArr);
  return 0;
}

}  // namespace varnexo::driver
