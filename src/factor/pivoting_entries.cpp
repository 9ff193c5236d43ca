// Fortran-style entries of the pivoting kernels of the supernodal loop (load -> factor): the
// LDLᵀ kernels of the real and complex symmetric types and the LU kernels with row or complete
// pivoting, in the plain and the scheduled family (arguments in factor_entries.h).
#include <complex>
#include <cstdint>

#include "common/export.h"
#include "common/guard.h"
#include "factor/factor_entries.h"
#include "factor/ldlt.h"
#include "factor/left_looking.h"
#include "factor/lu.h"
#include "factor/value_map.h"

namespace {

using namespace varnexo;
using namespace varnexo::factor;

// The structure, map and work of one kernel call, gathered from the plain arrays.
struct LoopArrays {
  SymbolicFactor sf;
  ValueMap map;
  int32_t* iwork = nullptr;
  int32_t tmpsiz = 0;
  int32_t* pivot = nullptr;
  int32_t* colpivot = nullptr;
  const DomainSchedule* schedule = nullptr;
};

LoopArrays arrays(const int32_t* n, const int32_t* nsuper, const int32_t* xsuper, const int32_t* snode,
                  const int32_t* xlindx, const int32_t* lindx, const int32_t* xlnz, const int32_t* xunz,
                  const int32_t* nmod, const int32_t* xlmap, const int32_t* lmap, const int32_t* xumap,
                  const int32_t* umap, const int32_t* asrc, const int32_t* aorig, const int32_t* colorig) {
  LoopArrays r;
  r.sf.n = *n;
  r.sf.nsuper = *nsuper;
  r.sf.xsuper = const_cast<int32_t*>(xsuper);
  r.sf.snode = const_cast<int32_t*>(snode);
  r.sf.xlindx = const_cast<int32_t*>(xlindx);
  r.sf.lindx = const_cast<int32_t*>(lindx);
  r.sf.xlnz = const_cast<int32_t*>(xlnz);
  r.sf.xunz = const_cast<int32_t*>(xunz);
  r.sf.nmod = const_cast<int32_t*>(nmod);
  r.map.xlmap = const_cast<int32_t*>(xlmap);
  r.map.lmap = const_cast<int32_t*>(lmap);
  r.map.xumap = const_cast<int32_t*>(xumap);
  r.map.umap = const_cast<int32_t*>(umap);
  r.map.asrc = const_cast<int32_t*>(asrc);
  r.map.aorig = const_cast<int32_t*>(aorig);
  r.map.colorig = const_cast<int32_t*>(colorig);
  r.map.lcount = xlmap[*n] - 1;
  r.map.ucount = xumap ? xumap[*n] - 1 : 0;
  return r;
}

// Runs the loop with `kernel` over the arrays; the load reads `a` (doubles, or pairs of doubles
// for complex kernels) by `rule`. Returns the loop's error flag.
template <class Kernel>
int32_t run(Kernel& kernel, const LoopArrays& r, const double* a, const int32_t* ja, const double* scaling,
            LoadRule rule, double* lnz, double* unz, double* temp, bool conjugate_mirrored = false) {
  using T = typename Kernel::scalar;
  const int32_t n = r.sf.n;
  Loader<T> loader;
  loader.map = &r.map;
  loader.a = reinterpret_cast<const source_t<T>*>(a);
  loader.ja = ja;
  loader.scaling = scaling;
  loader.n = n;
  loader.rule = rule;
  loader.conjugate_mirrored = conjugate_mirrored;
  LoopWork<T> w;
  w.indmap = OneBased<int32_t>(r.iwork, n);
  w.relind = OneBased<int32_t>(r.iwork + n, n);
  w.link = OneBased<int32_t>(r.iwork + 2 * static_cast<int64_t>(n), n);
  w.length = OneBased<int32_t>(r.iwork + 3 * static_cast<int64_t>(n), r.sf.nsuper);
  w.temp = reinterpret_cast<T*>(temp);
  w.tmpsiz = r.tmpsiz;
  if constexpr (requires { kernel.bind_temp(w.temp, w.tmpsiz); }) kernel.bind_temp(w.temp, w.tmpsiz);
  LeftLooking<Kernel> loop(r.sf, kernel, loader, reinterpret_cast<T*>(lnz), reinterpret_cast<T*>(unz), w,
                           r.pivot, r.colpivot);
  const OneBased<const int32_t> nm(r.sf.nmod, r.sf.nsuper);
  // The loop's scratch beyond temp is the only thing that can throw: a lack of it is reported
  // as a temp too small; any other exception fails the factorisation.
  return guard_status({kTempTooSmall, kPivotFailure}, [&] {
    if (r.schedule) return factor_scheduled(loop, r.sf, nm, *r.schedule, w.link);
    return factor_plain(loop, r.sf.nsuper, nm);
  });
}

// The LDLᵀ kernels (real symmetric indefinite, complex symmetric) and LDLᴴ (Hermitian). The
// counters are zeroed here and written after the loop, also after a failure.
template <class T, bool Hermitian>
int32_t run_ldlt(const LoopArrays& r, const double* a, const int32_t* ja, const double* scaling,
                 int32_t scale_flag, double eps, int32_t mode, double* lnz, double* temp, int32_t* npert,
                 int32_t* npos, int32_t* nneg) {
  LdltKernel<T, Hermitian> k;
  k.eps = eps;
  k.diagonal_pivoting = mode != 0;
  const LoadRule rule = scale_flag >= 1 ? LoadRule::scaled_symmetric : LoadRule::unscaled;
  const int32_t err = run(k, r, a, ja, scaling, rule, lnz, nullptr, temp, Hermitian);
  *npert = k.npert, *npos = k.npos, *nneg = k.nneg;
  return err;
}

DomainSchedule schedule_of(const int32_t* nd, const int32_t* domains, const int32_t* domain_mode) {
  DomainSchedule d;
  d.nd = *nd;
  d.table = domains;
  d.domain_mode = *domain_mode != 0;
  return d;
}

}  // namespace

namespace {
template <class T, bool Hermitian = false>
void ldlt_entry(VARNEXO_LDLT_ARGS, const DomainSchedule* schedule, int32_t* error) {
  LoopArrays r = arrays(n, nsuper, xsuper, snode, xlindx, lindx, xlnz, nullptr, nmod, xlmap, lmap, nullptr,
                        nullptr, asrc, aorig, colorig);
  r.iwork = iwork;
  r.tmpsiz = *tmpsiz;
  r.pivot = pivot;
  r.schedule = schedule;
  *error = run_ldlt<T, Hermitian>(r, a, ja, scaling, *scale_flag, *eps, *mode, lnz, temp, npert, npos, nneg);
}
}  // namespace

extern "C" VARNEXO_EXPORT void blkldl_varnexo_(VARNEXO_LDLT_ARGS, int32_t* error) {
  ldlt_entry<double>(n, nsuper, xsuper, snode, xlindx, lindx, xlnz, lnz, pivot, nmod, iwork, temp, tmpsiz,
                     npert, npos, nneg, eps, mode, xlmap, lmap, asrc, aorig, colorig, ja, a, scaling,
                     scale_flag, nullptr, error);
}
VARNEXO_UNDERSCORE_ALIAS(blkldl_varnexo_);

// Scheduled twin: the arguments of blkldl_varnexo_ plus the number of domains, the domain
// table (2·(nd+1) supernode numbers) and the domain-mode switch; the same factor.
extern "C" VARNEXO_EXPORT void blkldl_risc_varnexo_(VARNEXO_LDLT_ARGS, const int32_t* nd,
                                                    const int32_t* domains, const int32_t* domain_mode,
                                                    int32_t* error) {
  const DomainSchedule d = schedule_of(nd, domains, domain_mode);
  ldlt_entry<double>(n, nsuper, xsuper, snode, xlindx, lindx, xlnz, lnz, pivot, nmod, iwork, temp, tmpsiz,
                     npert, npos, nneg, eps, mode, xlmap, lmap, asrc, aorig, colorig, ja, a, scaling,
                     scale_flag, &d, error);
}
VARNEXO_UNDERSCORE_ALIAS(blkldl_risc_varnexo_);

extern "C" VARNEXO_EXPORT void c_blkl_varnexo_(VARNEXO_LDLT_ARGS, int32_t* error) {
  ldlt_entry<std::complex<double>>(n, nsuper, xsuper, snode, xlindx, lindx, xlnz, lnz, pivot, nmod, iwork,
                                   temp, tmpsiz, npert, npos, nneg, eps, mode, xlmap, lmap, asrc, aorig,
                                   colorig, ja, a, scaling, scale_flag, nullptr, error);
}
VARNEXO_UNDERSCORE_ALIAS(c_blkl_varnexo_);

extern "C" VARNEXO_EXPORT void c_blkl_risc_varnexo_(VARNEXO_LDLT_ARGS, const int32_t* nd,
                                                    const int32_t* domains, const int32_t* domain_mode,
                                                    int32_t* error) {
  const DomainSchedule d = schedule_of(nd, domains, domain_mode);
  ldlt_entry<std::complex<double>>(n, nsuper, xsuper, snode, xlindx, lindx, xlnz, lnz, pivot, nmod, iwork,
                                   temp, tmpsiz, npert, npos, nneg, eps, mode, xlmap, lmap, asrc, aorig,
                                   colorig, ja, a, scaling, scale_flag, &d, error);
}
VARNEXO_UNDERSCORE_ALIAS(c_blkl_risc_varnexo_);

// Hermitian indefinite LDLᴴ kernels (type -4): the arguments of blkldl_varnexo_ with pairs of
// doubles; the mirrored entries are conjugated as they are loaded.
extern "C" VARNEXO_EXPORT void ch_blkldl_varnexo_(VARNEXO_LDLT_ARGS, int32_t* error) {
  ldlt_entry<std::complex<double>, true>(n, nsuper, xsuper, snode, xlindx, lindx, xlnz, lnz, pivot, nmod,
                                         iwork, temp, tmpsiz, npert, npos, nneg, eps, mode, xlmap, lmap, asrc,
                                         aorig, colorig, ja, a, scaling, scale_flag, nullptr, error);
}
VARNEXO_UNDERSCORE_ALIAS(ch_blkldl_varnexo_);

extern "C" VARNEXO_EXPORT void ch_blkldl_risc_varnexo_(VARNEXO_LDLT_ARGS, const int32_t* nd,
                                                       const int32_t* domains, const int32_t* domain_mode,
                                                       int32_t* error) {
  const DomainSchedule d = schedule_of(nd, domains, domain_mode);
  ldlt_entry<std::complex<double>, true>(n, nsuper, xsuper, snode, xlindx, lindx, xlnz, lnz, pivot, nmod,
                                         iwork, temp, tmpsiz, npert, npos, nneg, eps, mode, xlmap, lmap, asrc,
                                         aorig, colorig, ja, a, scaling, scale_flag, &d, error);
}
VARNEXO_UNDERSCORE_ALIAS(ch_blkldl_risc_varnexo_);

namespace {
template <class T, bool Complete>
void lu_entry(VARNEXO_LU_ARGS, int32_t* colpivot, int32_t* npert, double eps, const int32_t* aorig,
              const int32_t* ja, const double* scaling, int32_t scale_flag, const DomainSchedule* schedule,
              int32_t* error) {
  LoopArrays r = arrays(n, nsuper, xsuper, snode, xlindx, lindx, xlnz, xunz, nmod, xlmap, lmap, xumap, umap,
                        asrc, aorig, nullptr);
  r.iwork = iwork;
  r.tmpsiz = *tmpsiz;
  r.pivot = pivot;
  r.colpivot = colpivot;
  r.schedule = schedule;
  LuKernel<T, Complete> k;
  k.eps = eps;
  const LoadRule rule = Complete && scale_flag >= 1 ? LoadRule::scaled_unsymmetric : LoadRule::unscaled;
  *error = run(k, r, a, ja, scaling, rule, lnz, unz, temp);
  if (npert) *npert = k.npert;
}
}  // namespace

extern "C" VARNEXO_EXPORT void blklu_varnexo_(VARNEXO_LU_ARGS, int32_t* error) {
  lu_entry<double, false>(n, nsuper, xsuper, snode, xlindx, lindx, xlnz, lnz, xunz, unz, pivot, nmod, iwork,
                          temp, tmpsiz, xlmap, lmap, xumap, umap, asrc, a, nullptr, nullptr, 0.0, nullptr,
                          nullptr, nullptr, 0, nullptr, error);
}
VARNEXO_UNDERSCORE_ALIAS(blklu_varnexo_);

extern "C" VARNEXO_EXPORT void blklu_risc_varnexo_(VARNEXO_LU_ARGS, const int32_t* nd, const int32_t* domains,
                                                   const int32_t* domain_mode, int32_t* error) {
  const DomainSchedule d = schedule_of(nd, domains, domain_mode);
  lu_entry<double, false>(n, nsuper, xsuper, snode, xlindx, lindx, xlnz, lnz, xunz, unz, pivot, nmod, iwork,
                          temp, tmpsiz, xlmap, lmap, xumap, umap, asrc, a, nullptr, nullptr, 0.0, nullptr,
                          nullptr, nullptr, 0, &d, error);
}
VARNEXO_UNDERSCORE_ALIAS(blklu_risc_varnexo_);

extern "C" VARNEXO_EXPORT void c_blklu_varnexo_(VARNEXO_LU_ARGS, int32_t* error) {
  lu_entry<std::complex<double>, false>(n, nsuper, xsuper, snode, xlindx, lindx, xlnz, lnz, xunz, unz, pivot,
                                        nmod, iwork, temp, tmpsiz, xlmap, lmap, xumap, umap, asrc, a, nullptr,
                                        nullptr, 0.0, nullptr, nullptr, nullptr, 0, nullptr, error);
}
VARNEXO_UNDERSCORE_ALIAS(c_blklu_varnexo_);

extern "C" VARNEXO_EXPORT void c_blklu_risc_varnexo_(VARNEXO_LU_ARGS, const int32_t* nd,
                                                     const int32_t* domains, const int32_t* domain_mode,
                                                     int32_t* error) {
  const DomainSchedule d = schedule_of(nd, domains, domain_mode);
  lu_entry<std::complex<double>, false>(n, nsuper, xsuper, snode, xlindx, lindx, xlnz, lnz, xunz, unz, pivot,
                                        nmod, iwork, temp, tmpsiz, xlmap, lmap, xumap, umap, asrc, a, nullptr,
                                        nullptr, 0.0, nullptr, nullptr, nullptr, 0, &d, error);
}
VARNEXO_UNDERSCORE_ALIAS(c_blklu_risc_varnexo_);

extern "C" VARNEXO_EXPORT void blklu_unsym_varnexo_(VARNEXO_LU_UNSYM_ARGS, int32_t* error) {
  lu_entry<double, true>(n, nsuper, xsuper, snode, xlindx, lindx, xlnz, lnz, xunz, unz, pivot, nmod, iwork,
                         temp, tmpsiz, xlmap, lmap, xumap, umap, asrc, a, colpivot, npert, *eps, aorig, ja,
                         scaling, *scale_flag, nullptr, error);
}
VARNEXO_UNDERSCORE_ALIAS(blklu_unsym_varnexo_);

extern "C" VARNEXO_EXPORT void blklu_unsym_risc_varnexo_(VARNEXO_LU_UNSYM_ARGS, const int32_t* nd,
                                                         const int32_t* domains, const int32_t* domain_mode,
                                                         int32_t* error) {
  const DomainSchedule d = schedule_of(nd, domains, domain_mode);
  lu_entry<double, true>(n, nsuper, xsuper, snode, xlindx, lindx, xlnz, lnz, xunz, unz, pivot, nmod, iwork,
                         temp, tmpsiz, xlmap, lmap, xumap, umap, asrc, a, colpivot, npert, *eps, aorig, ja,
                         scaling, *scale_flag, &d, error);
}
VARNEXO_UNDERSCORE_ALIAS(blklu_unsym_risc_varnexo_);

extern "C" VARNEXO_EXPORT void c_blklu_unsym_varnexo_(VARNEXO_LU_UNSYM_ARGS, int32_t* error) {
  lu_entry<std::complex<double>, true>(n, nsuper, xsuper, snode, xlindx, lindx, xlnz, lnz, xunz, unz, pivot,
                                       nmod, iwork, temp, tmpsiz, xlmap, lmap, xumap, umap, asrc, a, colpivot,
                                       npert, *eps, aorig, ja, scaling, *scale_flag, nullptr, error);
}
VARNEXO_UNDERSCORE_ALIAS(c_blklu_unsym_varnexo_);

extern "C" VARNEXO_EXPORT void c_blklu_unsym_risc_varnexo_(VARNEXO_LU_UNSYM_ARGS, const int32_t* nd,
                                                           const int32_t* domains, const int32_t* domain_mode,
                                                           int32_t* error) {
  const DomainSchedule d = schedule_of(nd, domains, domain_mode);
  lu_entry<std::complex<double>, true>(n, nsuper, xsuper, snode, xlindx, lindx, xlnz, lnz, xunz, unz, pivot,
                                       nmod, iwork, temp, tmpsiz, xlmap, lmap, xumap, umap, asrc, a, colpivot,
                                       npert, *eps, aorig, ja, scaling, *scale_flag, &d, error);
}
VARNEXO_UNDERSCORE_ALIAS(c_blklu_unsym_risc_varnexo_);
