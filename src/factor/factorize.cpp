// The factorisation entry (load -> factor): the kernel chosen from the matrix kind and the
// options, the perturbation threshold, and the run of the loop with its timing.
#include "factor/factorize.h"

#include <cmath>
#include <ctime>
#include <limits>
#include <new>
#include <vector>

#include "common/scalar.h"
#include "factor/cholesky.h"
#include "factor/kernel_run.h"
#include "factor/ldlt.h"
#include "factor/left_looking.h"
#include "factor/lu.h"
#include "factor/value_map.h"

namespace varnexo::factor {

int64_t factor_int_work_size(int32_t n, int32_t nsuper, int32_t copies) {
  return loop_int_work_size(n, nsuper, copies < 1 ? 1 : copies);
}

namespace {

// The geometric mean of the nonzero moduli of A as the kernels receive them (every stored entry,
// scaled by the row and column values of the load rule); 0 when no entry is nonzero. Unlike the
// largest entry, it is not pulled up by a few large entries of a badly scaled matrix, and like
// it, it follows any multiple of the matrix.
template <class S>
double typical_loaded_modulus(int32_t n, const int32_t* ia, const int32_t* ja, const S* a,
                              const double* scaling, LoadRule rule) {
  double log_sum = 0.0;
  int64_t count = 0;
  for (int32_t i = 1; i <= n; ++i) {
    for (int32_t k = ia[i - 1]; k < ia[i]; ++k) {
      double v = static_cast<double>(std::abs(a[k - 1]));
      const int32_t j = ja[k - 1];
      if (rule == LoadRule::scaled_symmetric) v *= scaling[j - 1] * scaling[i - 1];
      if (rule == LoadRule::scaled_unsymmetric) v *= scaling[j - 1] * scaling[n + i - 1];
      if (v > 0.0 && v <= std::numeric_limits<double>::max()) {  // the driver refuses non-finite values
        log_sum += std::log(v);
        ++count;
      }
    }
  }
  return count == 0 ? 0.0 : std::exp(log_sum / static_cast<double>(count));
}

template <class S>
double threshold_of(int32_t exponent, int32_t n, const int32_t* ia, const int32_t* ja, const S* a,
                    const double* scaling, LoadRule rule) {
  if (exponent == 0) return 0.0;
  // |exponent| in 64 bits: the most negative int32 has no 32-bit magnitude.
  const double e = exponent < 0 ? -static_cast<double>(exponent) : static_cast<double>(exponent);
  const double eps = std::exp(-e * std::log(10.0));
  // Relative to the size of the entries, so that a pivot is perturbed or not whatever power of
  // ten the whole matrix is multiplied by; a zero matrix counts as 1.
  double typical = typical_loaded_modulus(n, ia, ja, a, scaling, rule);
  if (typical == 0.0) typical = 1.0;
  return eps * typical;
}

// The load rule of a run: the scaled symmetric load for the value-symmetric kinds that take a
// matching, the row and column scaling for the unsymmetric ones, otherwise unscaled. Without a
// scaling vector (no matching ran for this kind) the load is unscaled, as the solve's gather and
// scatter are.
LoadRule load_rule(const FactorOptions& o, const NumericMatrix& A) {
  if (!o.scaling || A.scaling == nullptr) return LoadRule::unscaled;
  if (o.storage == FactorStorage::symmetric)
    return o.kind->matching_applies && !o.kind->unsymmetric() ? LoadRule::scaled_symmetric
                                                              : LoadRule::unscaled;
  return o.kind->unsymmetric() ? LoadRule::scaled_unsymmetric : LoadRule::unscaled;
}

double seconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

enum class KernelChoice { cholesky, ldlt, lu_rows, lu_complete, missing };

// The kernel of a kind in a storage. The symmetric storage serves the positive definite kinds
// by Cholesky, the indefinite ones and a real structurally symmetric matrix (from its upper
// triangle) by LDLᵀ; the LU storage serves every real kind and the complex LU kinds. Each
// kernel exists in both precisions.
KernelChoice kernel_for(const MatrixKind& k, const FactorOptions& o) {
  if (o.storage == FactorStorage::symmetric) {
    if (k.pivoting == PivotFamily::cholesky) return KernelChoice::cholesky;
    if (k.pivoting == PivotFamily::ldlt) return KernelChoice::ldlt;
    if (k.structurally_symmetric() && !k.is_complex()) return KernelChoice::ldlt;
    return KernelChoice::missing;
  }
  if (k.pivoting == PivotFamily::lu_complete) return KernelChoice::lu_complete;
  if (k.pivoting == PivotFamily::lu_rows || !k.is_complex()) return KernelChoice::lu_rows;
  return KernelChoice::missing;
}

// The perturbation threshold of a run, from the exponent and the values as they are loaded.
template <class T>
double run_threshold(const SymbolicFactor& sf, const NumericMatrix& A, const FactorOptions& o) {
  return perturbation_threshold(o.eps_exponent, sf.n, A.ia, A.ja, static_cast<const source_t<T>*>(A.a),
                                A.scaling, load_rule(o, A));
}

// The loop input of one run, common to every kernel.
LoopInput loop_input(const SymbolicFactor& sf, const ValueMap& map, const NumericMatrix& A,
                     const FactorOptions& o, const FactorBuffers& b, int32_t* iwork,
                     const DomainSchedule* schedule) {
  LoopInput in;
  in.sf = &sf;
  in.map = &map;
  in.ja = A.ja;
  in.a = A.a;
  in.scaling = A.scaling;
  in.rule = load_rule(o, A);
  in.conjugate_mirrored = o.kind->hermitian();
  in.lnz = b.lnz;
  in.unz = b.unz;
  in.temp = b.temp;
  in.tmpsiz = o.temp_values;
  in.iwork = iwork;
  in.copies = std::max(1, o.nproc);
  in.pivot = b.pivot;
  in.colpivot = b.colpivot;
  in.schedule = schedule;
  return in;
}

// Runs the chosen kernel over scalar type T.
template <class T>
FactorResult run_kernel(KernelChoice choice, const SymbolicFactor& sf, const NumericMatrix& A,
                        const FactorOptions& o, const FactorBuffers& b, const LoopInput& in) {
  FactorResult r;
  int32_t status = kFactorOk;
  if (choice == KernelChoice::cholesky) {
    CholeskyKernel<T> k;
    status = run_loop(k, in);
    r.counts_inertia = true;
  } else if (choice == KernelChoice::ldlt) {
    if (b.pivot == nullptr) return FactorResult{FactorStatus::pivot_arrays_missing};
    auto run = [&](auto& k) {
      k.diagonal_pivoting = !o.bunch_kaufman;
      k.pair_first = A.pair_first;
      k.eps = run_threshold<T>(sf, A, o);
      status = run_loop(k, in);
      r.perturbed = k.npert, r.positive = k.npos, r.negative = k.nneg;
    };
    if constexpr (is_complex_v<T>) {
      if (o.kind->hermitian()) {
        LdltKernel<T, true> k;
        run(k);
      } else {
        LdltKernel<T, false> k;
        run(k);
      }
    } else {
      LdltKernel<T, false> k;
      run(k);
    }
    r.counts_perturbed = r.counts_inertia = true;
  } else if (choice == KernelChoice::lu_complete) {
    if (b.pivot == nullptr || b.colpivot == nullptr) return FactorResult{FactorStatus::pivot_arrays_missing};
    LuKernel<T, true> k;
    k.eps = run_threshold<T>(sf, A, o);
    status = run_loop(k, in);
    r.perturbed = k.npert;
    r.counts_perturbed = true;
  } else {
    if (b.pivot == nullptr) return FactorResult{FactorStatus::pivot_arrays_missing};
    LuKernel<T, false> k;
    status = run_loop(k, in);
  }
  r.status = static_cast<FactorStatus>(status);
  return r;
}

}  // namespace

double perturbation_threshold(int32_t exponent, int32_t n, const int32_t* ia, const int32_t* ja,
                              const double* a, const double* scaling, LoadRule rule) {
  return threshold_of(exponent, n, ia, ja, a, scaling, rule);
}
double perturbation_threshold(int32_t exponent, int32_t n, const int32_t* ia, const int32_t* ja,
                              const std::complex<double>* a, const double* scaling, LoadRule rule) {
  return threshold_of(exponent, n, ia, ja, a, scaling, rule);
}

FactorResult factorize(const SymbolicFactor& sf, const ValueMap& map, const NumericMatrix& A,
                       const FactorOptions& options, const FactorBuffers& buffers) {
  if (options.kind == nullptr) return FactorResult{FactorStatus::kernel_missing};
  const KernelChoice choice = kernel_for(*options.kind, options);
  if (choice == KernelChoice::missing) return FactorResult{FactorStatus::kernel_missing};
  const double start = seconds();
  std::vector<int32_t> own_iwork;
  int32_t* iwork = buffers.iwork;
  if (iwork == nullptr) {
    try {
      own_iwork.resize(factor_int_work_size(sf.n, sf.nsuper, options.nproc));
    } catch (const std::exception&) {
      return FactorResult{FactorStatus::out_of_memory};
    }
    iwork = own_iwork.data();
  }
  DomainSchedule schedule = options.domains;
  const LoopInput in =
      loop_input(sf, map, A, options, buffers, iwork, options.plain_family ? nullptr : &schedule);
  const Precision precision =
      options.single_precision ? Precision::single_precision : Precision::double_precision;
  FactorResult r = dispatch_scalar(*options.kind, precision, [&](auto zero) {
    return run_kernel<decltype(zero)>(choice, sf, A, options, buffers, in);
  });
  if (r.status == FactorStatus::ok) r.seconds = seconds() - start;
  return r;
}

}  // namespace varnexo::factor
