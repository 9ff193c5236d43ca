// Fortran-style entries of the pivoting kernels of the supernodal loop (load -> factor): the
// LDLᵀ kernels of the real and complex symmetric types and the LU kernels with row or complete
// pivoting, in the plain and the scheduled family (arguments in factor_entries.h).
#include <complex>
#include <cstdint>

#include "common/export.h"
#include "factor/factor_entries.h"
#include "factor/kernel_run.h"
#include "factor/ldlt.h"
#include "factor/left_looking.h"
#include "factor/lu.h"
#include "factor/value_map.h"

namespace {

using namespace varnexo;
using namespace varnexo::factor;

// The loop input of one kernel entry; the load reads `a` (doubles, or pairs of doubles for
// complex kernels) by `rule`.
LoopInput entry_input(const KernelArrays& k, const double* a, const int32_t* ja, const double* scaling,
                      LoadRule rule, void* lnz, void* unz, void* temp, int32_t tmpsiz, int32_t* iwork,
                      int32_t* pivot, int32_t* colpivot, const DomainSchedule* schedule) {
  LoopInput in;
  in.sf = &k.sf;
  in.map = &k.map;
  in.ja = ja;
  in.a = a;
  in.scaling = scaling;
  in.rule = rule;
  in.lnz = lnz;
  in.unz = unz;
  in.temp = temp;
  in.tmpsiz = tmpsiz;
  in.iwork = iwork;
  in.pivot = pivot;
  in.colpivot = colpivot;
  in.schedule = schedule;
  return in;
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
// V: the value type of lnz and temp in the argument list (double, or float for the _32 twin).
template <class T, bool Hermitian = false, class V = double>
void ldlt_entry(VARNEXO_LDLT_ARGS_OF(V), const DomainSchedule* schedule, int32_t* error) {
  const KernelArrays k = kernel_arrays(*n, *nsuper, xsuper, snode, xlindx, lindx, xlnz, nullptr, nmod, xlmap,
                                       lmap, nullptr, nullptr, asrc, aorig, colorig);
  const LoadRule rule = *scale_flag >= 1 ? LoadRule::scaled_symmetric : LoadRule::unscaled;
  LoopInput in =
      entry_input(k, a, ja, scaling, rule, lnz, nullptr, temp, *tmpsiz, iwork, pivot, nullptr, schedule);
  in.conjugate_mirrored = Hermitian;
  // The counters are written after the loop, also after a failure.
  LdltKernel<T, Hermitian> kernel;
  kernel.eps = *eps;
  kernel.diagonal_pivoting = *mode != 0;
  *error = kernel_entry_status(run_loop(kernel, in));
  *npert = kernel.npert, *npos = kernel.npos, *nneg = kernel.nneg;
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

extern "C" VARNEXO_EXPORT void blkldl_32_varnexo_(VARNEXO_LDLT_ARGS_OF(float), int32_t* error) {
  ldlt_entry<float, false, float>(n, nsuper, xsuper, snode, xlindx, lindx, xlnz, lnz, pivot, nmod, iwork,
                                  temp, tmpsiz, npert, npos, nneg, eps, mode, xlmap, lmap, asrc, aorig,
                                  colorig, ja, a, scaling, scale_flag, nullptr, error);
}
VARNEXO_UNDERSCORE_ALIAS(blkldl_32_varnexo_);

namespace {
template <class T, bool Complete, class V = double>
void lu_entry(VARNEXO_LU_ARGS_OF(V), int32_t* colpivot, int32_t* npert, double eps, const int32_t* aorig,
              const int32_t* ja, const double* scaling, int32_t scale_flag, const DomainSchedule* schedule,
              int32_t* error) {
  const KernelArrays k = kernel_arrays(*n, *nsuper, xsuper, snode, xlindx, lindx, xlnz, xunz, nmod, xlmap,
                                       lmap, xumap, umap, asrc, aorig, nullptr);
  const LoadRule rule = Complete && scale_flag >= 1 ? LoadRule::scaled_unsymmetric : LoadRule::unscaled;
  const LoopInput in =
      entry_input(k, a, ja, scaling, rule, lnz, unz, temp, *tmpsiz, iwork, pivot, colpivot, schedule);
  LuKernel<T, Complete> kernel;
  kernel.eps = eps;
  *error = kernel_entry_status(run_loop(kernel, in));
  if (npert) *npert = kernel.npert;
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

extern "C" VARNEXO_EXPORT void blklu_32_varnexo_(VARNEXO_LU_ARGS_OF(float), int32_t* error) {
  lu_entry<float, false, float>(n, nsuper, xsuper, snode, xlindx, lindx, xlnz, lnz, xunz, unz, pivot, nmod,
                                iwork, temp, tmpsiz, xlmap, lmap, xumap, umap, asrc, a, nullptr, nullptr, 0.0,
                                nullptr, nullptr, nullptr, 0, nullptr, error);
}
VARNEXO_UNDERSCORE_ALIAS(blklu_32_varnexo_);

extern "C" VARNEXO_EXPORT void blklu_32_risc_varnexo_(VARNEXO_LU_ARGS_OF(float), const int32_t* nd,
                                                      const int32_t* domains, const int32_t* domain_mode,
                                                      int32_t* error) {
  const DomainSchedule d = schedule_of(nd, domains, domain_mode);
  lu_entry<float, false, float>(n, nsuper, xsuper, snode, xlindx, lindx, xlnz, lnz, xunz, unz, pivot, nmod,
                                iwork, temp, tmpsiz, xlmap, lmap, xumap, umap, asrc, a, nullptr, nullptr, 0.0,
                                nullptr, nullptr, nullptr, 0, &d, error);
}
VARNEXO_UNDERSCORE_ALIAS(blklu_32_risc_varnexo_);

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
