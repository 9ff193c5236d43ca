// The factorisation entry (load -> factor): the storage and kernel choice, the perturbation
// threshold, the status words, and the thin Fortran-style wrappers of the loop.
#include "factor/factorize.h"

#include <cmath>
#include <ctime>
#include <limits>
#include <new>
#include <vector>

#include "common/export.h"
#include "common/scalar.h"
#include "factor/cholesky.h"
#include "factor/factor_entries.h"
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

LoadRule load_rule(int32_t type, bool symmetric_storage, int32_t scale_flag) {
  if (scale_flag < 1) return LoadRule::unscaled;
  if (symmetric_storage)
    return (type == -2 || type == -4 || type == 6) ? LoadRule::scaled_symmetric : LoadRule::unscaled;
  return (type == 11 || type == 13) ? LoadRule::scaled_unsymmetric : LoadRule::unscaled;
}

double seconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// Everything a kernel run needs, gathered from the entry's arguments.
struct Run {
  const SymbolicFactor* sf;
  const ValueMap* map;
  OneBased<int32_t> ib;
  const NumericMatrix* A;
  void* lnz;
  void* unz;
  void* temp;
  int32_t* iwork;
  int32_t* pivot;
  int32_t* colpivot;
  const int32_t* domains;
};

template <class Kernel>
int32_t run_kernel(Kernel& kernel, const Run& r, bool conjugate_mirrored) {
  using T = typename Kernel::scalar;
  const SymbolicFactor& sf = *r.sf;
  const int32_t n = sf.n, copies = std::max(1, r.ib(15));
  Loader<T> loader;
  loader.map = r.map;
  loader.a = static_cast<const source_t<T>*>(r.A->a);
  loader.ja = r.A->ja;
  loader.scaling = r.A->scaling;
  loader.n = n;
  // Without a scaling vector (no matching ran for this type) the load is unscaled, as the
  // solve's gather and scatter are.
  loader.rule = r.A->scaling ? load_rule(r.ib(12), r.ib(19) == 1, r.ib(69)) : LoadRule::unscaled;
  loader.conjugate_mirrored = conjugate_mirrored;
  LoopWork<T> w;
  const int64_t pn = static_cast<int64_t>(copies) * n;
  w.indmap = OneBased<int32_t>(r.iwork, n);
  w.relind = OneBased<int32_t>(r.iwork + pn, n);
  w.link = OneBased<int32_t>(r.iwork + 2 * pn, n);
  w.length = OneBased<int32_t>(r.iwork + 2 * pn + n, sf.nsuper);
  w.temp = static_cast<T*>(r.temp);
  w.tmpsiz = r.ib(37);
  if constexpr (requires { kernel.bind_temp(w.temp, w.tmpsiz); }) kernel.bind_temp(w.temp, w.tmpsiz);
  LeftLooking<Kernel> loop(sf, kernel, loader, static_cast<T*>(r.lnz), static_cast<T*>(r.unz), w, r.pivot,
                           r.colpivot);
  const OneBased<const int32_t> nmod(sf.nmod, sf.nsuper);
  if (r.ib(20) == 1 || r.ib(74) > 0) return factor_plain(loop, sf.nsuper, nmod);
  DomainSchedule d;
  d.nd = r.ib(60);
  d.table = r.domains;
  d.domain_mode = r.ib(70) != 0;
  return factor_scheduled(loop, sf, nmod, d, w.link);
}

// The perturbation threshold of this run, from ibasic(66) and the values as they are loaded.
double run_threshold(const Run& r, bool complex_values) {
  const int32_t n = r.sf->n;
  const LoadRule rule = r.A->scaling ? load_rule(r.ib(12), r.ib(19) == 1, r.ib(69)) : LoadRule::unscaled;
  if (complex_values)
    return perturbation_threshold(r.ib(66), n, r.A->ia, r.A->ja,
                                  static_cast<const std::complex<double>*>(r.A->a), r.A->scaling, rule);
  return perturbation_threshold(r.ib(66), n, r.A->ia, r.A->ja, static_cast<const double*>(r.A->a),
                                r.A->scaling, rule);
}

// LDLᵀ of the symmetric indefinite types; the counters go to ibasic(62..64) also on failure.
template <class T, bool Hermitian = false>
int32_t run_ldlt(const Run& r) {
  if (r.pivot == nullptr) return kPivotArraysMissing;
  LdltKernel<T, Hermitian> k;
  k.diagonal_pivoting = r.ib(51) == 0;
  k.eps = run_threshold(r, is_complex_v<T>);
  const int32_t status = run_kernel(k, r, Hermitian);
  OneBased<int32_t> ib = r.ib;
  ib(62) = k.npert, ib(63) = k.npos, ib(64) = k.nneg;
  return status;
}

// LU of the types that are not symmetric; complete pivoting counts its perturbed pivots.
template <class T, bool Complete>
int32_t run_lu(const Run& r) {
  if (r.pivot == nullptr || (Complete && r.colpivot == nullptr)) return kPivotArraysMissing;
  LuKernel<T, Complete> k;
  if constexpr (Complete) k.eps = run_threshold(r, is_complex_v<T>);
  const int32_t status = run_kernel(k, r, false);
  OneBased<int32_t> ib = r.ib;
  if constexpr (Complete) ib(62) = k.npert;
  return status;
}

// Symmetric storage: Cholesky for the positive definite types, LDLᵀ for the real symmetric
// indefinite (and any other real type up to 1) and the complex symmetric ones, LDLᴴ for the
// Hermitian indefinite one.
int32_t sssfct(const Run& r) {
  OneBased<int32_t> ib = r.ib;
  const int32_t type = ib(12);
  if (type == 2) {
    CholeskyKernel<double> k;
    ib(63) = ib(64) = 0;
    return run_kernel(k, r, false);
  }
  if (type == 4) {
    CholeskyKernel<std::complex<double>> k;
    ib(63) = ib(64) = 0;
    return run_kernel(k, r, true);
  }
  if (ib(83) != 0) return kKernelMissing;  // single-precision factors are not kept by this library
  if (type == -4) return run_ldlt<std::complex<double>, true>(r);
  if (type >= -2 && type <= 1) return run_ldlt<double>(r);
  if (type == 6) return run_ldlt<std::complex<double>>(r);
  return kKernelMissing;
}

// LU storage: complete pivoting for the unsymmetric types, row pivoting for the structurally
// symmetric ones.
int32_t ssnfct(const Run& r) {
  const int32_t type = r.ib(12);
  if (r.ib(83) != 0) return kKernelMissing;
  if (type == 11) return run_lu<double, true>(r);
  if (type == 13) return run_lu<std::complex<double>, true>(r);
  if (type >= -2 && type <= 2) return run_lu<double, false>(r);
  if (type == 3) return run_lu<std::complex<double>, false>(r);
  return kKernelMissing;
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

int32_t factorize(const SymbolicFactor& sf, const ValueMap& map, int32_t* ibasic, double* rbasic,
                  const NumericMatrix& A, void* factor_block, void* work_r0, int32_t* iwork, int32_t* pivot,
                  int32_t* colpivot, const int32_t* domains) {
  const int32_t type = ibasic[11];
  const int w = (magnitude(type) <= 2 || type == 11) ? 1 : 2;
  double* unz = sf.xunz ? static_cast<double*>(factor_block) + static_cast<int64_t>(ibasic[33]) * w : nullptr;
  return factorize_arrays(sf, map, ibasic, rbasic, A, factor_block, unz, work_r0, iwork, pivot, colpivot,
                          domains);
}

int32_t factorize_arrays(const SymbolicFactor& sf, const ValueMap& map, int32_t* ibasic, double* rbasic,
                         const NumericMatrix& A, void* lnz, void* unz, void* work_r0, int32_t* iwork,
                         int32_t* pivot, int32_t* colpivot, const int32_t* domains) {
  OneBased<int32_t> ib(ibasic, 100);
  OneBased<double> rb(rbasic, 20);
  const double start = seconds();
  if (rb(16) > 0.0) rb(5) += std::max(0.0, start - rb(16));
  std::vector<int32_t> own_iwork;
  if (iwork == nullptr) {
    try {
      own_iwork.resize(factor_int_work_size(sf.n, sf.nsuper, ib(15)));
    } catch (const std::bad_alloc&) {
      ib(50) = kWorkUnavailable;
      ib(48) = -1;
      return kWorkUnavailable;
    }
    iwork = own_iwork.data();
  }
  Run r{&sf, &map, ib, &A, lnz, unz, work_r0, iwork, pivot, colpivot, domains};
  int32_t status = kFactorOk;
  try {
    status = ib(19) == 1 ? sssfct(r) : ssnfct(r);
  } catch (const std::bad_alloc&) {
    status = kWorkUnavailable;
  }
  ib(50) = status;
  if (status != kFactorOk)
    ib(48) = -1;
  else
    rb(6) = seconds() - start;
  return status;
}

}  // namespace varnexo::factor

namespace {

using varnexo::factor::NumericMatrix;
using varnexo::factor::SymbolicFactor;
using varnexo::factor::ValueMap;

// The structure and map views of the Fortran-style argument lists.
struct FactorArgs {
  SymbolicFactor sf;
  ValueMap map;
  NumericMatrix A;
};

FactorArgs wrap(const int32_t* n, const int32_t* ia, const int32_t* ja, const double* a,
                const int32_t* ibasic, const int32_t* xlindx, const int32_t* lindx, const int32_t* xlnz,
                const int32_t* xunz, const int32_t* xsuper, const int32_t* snode, const int32_t* nmod,
                const int32_t* pnlsch, const int32_t* xlmap, const int32_t* lmap, const int32_t* xumap,
                const int32_t* umap, const int32_t* asrc, const int32_t* aorig, const int32_t* colorig,
                const double* scaling) {
  FactorArgs f;
  f.sf.n = *n;
  f.sf.nsuper = ibasic[30];
  f.sf.xsuper = const_cast<int32_t*>(xsuper);
  f.sf.snode = const_cast<int32_t*>(snode);
  f.sf.xlindx = const_cast<int32_t*>(xlindx);
  f.sf.lindx = const_cast<int32_t*>(lindx);
  f.sf.xlnz = const_cast<int32_t*>(xlnz);
  f.sf.xunz = ibasic[18] == 1 ? nullptr : const_cast<int32_t*>(xunz);
  f.sf.nmod = const_cast<int32_t*>(nmod);
  f.sf.pnlsch = const_cast<int32_t*>(pnlsch);
  f.sf.lnz_size = ibasic[33];
  f.sf.unz_size = ibasic[34];
  f.sf.temp_size = ibasic[36];
  f.map.xlmap = const_cast<int32_t*>(xlmap);
  f.map.lmap = const_cast<int32_t*>(lmap);
  f.map.asrc = const_cast<int32_t*>(asrc);
  f.map.xumap = ibasic[18] == 1 ? nullptr : const_cast<int32_t*>(xumap);
  f.map.umap = const_cast<int32_t*>(umap);
  f.map.aorig = const_cast<int32_t*>(aorig);
  f.map.colorig = const_cast<int32_t*>(colorig);
  f.map.lcount = xlmap[*n] - 1;
  f.map.ucount = f.map.xumap ? xumap[*n] - 1 : 0;
  f.A.ia = ia;
  f.A.ja = ja;
  f.A.a = a;
  f.A.scaling = scaling;
  return f;
}

}  // namespace

// Fortran-style factorisation entry. Arguments as listed; a, lnz, unz and temp hold pairs of
// doubles for the complex types; lnz and unz may lie in one block (unz after ibasic(34) values).
// iwork: 2·P·n + n + nsuper words. domains: the domain table (2·(ibasic(60)+1) words) or any
// array when the scheduled family is not used. Status in ibasic(48), (50), (62..64).
#define VARNEXO_FACTOR_ARGS                                                                               \
  const int32_t *n, const int32_t *luperm, const int32_t *ia, const int32_t *ja, const double *a,         \
      int32_t *ibasic, double *rbasic, const int32_t *xlindx, const int32_t *lindx, const int32_t *xlnz,  \
      double *lnz, const int32_t *xunz, double *unz, const int32_t *xsuper, const int32_t *snode,         \
      int32_t *pivot, int32_t *colpivot, const int32_t *nmod, const int32_t *pnlsch, int32_t *iwork,      \
      double *temp, const int32_t *xlmap, const int32_t *lmap, const int32_t *xumap, const int32_t *umap, \
      const int32_t *asrc, const int32_t *aorig, const int32_t *colorig, const double *scaling,           \
      const int32_t *domains

namespace {
void factorize_with_storage(int32_t storage, VARNEXO_FACTOR_ARGS) {
  (void)luperm;
  varnexo::OneBased<int32_t> ib(ibasic, 100);
  const int32_t saved = ib(19);
  ib(19) = storage;
  FactorArgs f = wrap(n, ia, ja, a, ibasic, xlindx, lindx, xlnz, xunz, xsuper, snode, nmod, pnlsch, xlmap,
                      lmap, xumap, umap, asrc, aorig, colorig, scaling);
  varnexo::factor::factorize_arrays(f.sf, f.map, ibasic, rbasic, f.A, lnz, unz, temp, iwork, pivot, colpivot,
                                    domains);
  ib(19) = saved;
}
}  // namespace

extern "C" VARNEXO_EXPORT void factorize_varnexo_(VARNEXO_FACTOR_ARGS) {
  factorize_with_storage(ibasic[18] == 1 ? 1 : 0, n, luperm, ia, ja, a, ibasic, rbasic, xlindx, lindx, xlnz,
                         lnz, xunz, unz, xsuper, snode, pivot, colpivot, nmod, pnlsch, iwork, temp, xlmap,
                         lmap, xumap, umap, asrc, aorig, colorig, scaling, domains);
}
VARNEXO_UNDERSCORE_ALIAS(factorize_varnexo_);

extern "C" VARNEXO_EXPORT void sssfct_varnexo_(VARNEXO_FACTOR_ARGS) {
  factorize_with_storage(1, n, luperm, ia, ja, a, ibasic, rbasic, xlindx, lindx, xlnz, lnz, xunz, unz, xsuper,
                         snode, pivot, colpivot, nmod, pnlsch, iwork, temp, xlmap, lmap, xumap, umap, asrc,
                         aorig, colorig, scaling, domains);
}
VARNEXO_UNDERSCORE_ALIAS(sssfct_varnexo_);

extern "C" VARNEXO_EXPORT void ssnfct_varnexo_(VARNEXO_FACTOR_ARGS) {
  factorize_with_storage(0, n, luperm, ia, ja, a, ibasic, rbasic, xlindx, lindx, xlnz, lnz, xunz, unz, xsuper,
                         snode, pivot, colpivot, nmod, pnlsch, iwork, temp, xlmap, lmap, xumap, umap, asrc,
                         aorig, colorig, scaling, domains);
}
VARNEXO_UNDERSCORE_ALIAS(ssnfct_varnexo_);
