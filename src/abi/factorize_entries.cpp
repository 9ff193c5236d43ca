// Exported factorisation entries over the handle's control arrays: each reads the words into
// factorisation options, calls factor::factorize and writes the outcome back (driver words ->
// options -> load -> factor -> status words).
#include <complex>
#include <cstdint>

#include "abi/abi_entries.h"
#include "common/export.h"
#include "common/guard.h"
#include "common/matrix_kind.h"
#include "driver/control.h"
#include "driver/numeric_options.h"
#include "factor/factorize.h"
#include "factor/kernel_run.h"

namespace {

using namespace varnexo;

// The arguments of the three entries, in their order. a, lnz, unz and temp hold pairs of doubles
// for the complex types; domains: the domain table or any array when the plain family runs.
#define VARNEXO_FACTOR_ARGS                                                                               \
  const int32_t *n, const int32_t *luperm, const int32_t *ia, const int32_t *ja, const double *a,         \
      int32_t *ibasic, double *rbasic, const int32_t *xlindx, const int32_t *lindx, const int32_t *xlnz,  \
      double *lnz, const int32_t *xunz, double *unz, const int32_t *xsuper, const int32_t *snode,         \
      int32_t *pivot, int32_t *colpivot, const int32_t *nmod, const int32_t *pnlsch, int32_t *iwork,      \
      double *temp, const int32_t *xlmap, const int32_t *lmap, const int32_t *xumap, const int32_t *umap, \
      const int32_t *asrc, const int32_t *aorig, const int32_t *colorig, const double *scaling,           \
      const int32_t *domains

// Factorises in `storage`; the caller's control words are read, never rewritten, except the
// status words (48, 50, 62..64) and the stage times (5, 6).
void factorize_in(FactorStorage storage, VARNEXO_FACTOR_ARGS) {
  (void)luperm, (void)pnlsch;
  const driver::Control ctl(ibasic, rbasic, nullptr);
  const bool lu = storage == FactorStorage::lu;
  const MatrixKind* kind = find_kind(ctl.matrix_type());
  factor::FactorResult r;
  int32_t thrown = 0;
  guard_entry(&thrown, {factor::kLoopOutOfMemory, factor::kLoopInternal}, [&] {
    if (kind == nullptr) {
      r.status = factor::FactorStatus::kernel_missing;
      return;
    }
    const factor::KernelArrays k =
        factor::kernel_arrays(*n, ctl.nsuper(), xsuper, snode, xlindx, lindx, xlnz, lu ? xunz : nullptr, nmod,
                              xlmap, lmap, lu ? xumap : nullptr, umap, asrc, aorig, colorig);
    factor::NumericMatrix A{ia, ja, a, scaling};
    factor::FactorBuffers b{lnz, lu ? unz : nullptr, temp, iwork, pivot, colpivot};
    driver::record_factor_start(ctl);
    r = factor::factorize(k.sf, k.map, A, driver::factor_options(ctl, *kind, storage, domains), b);
  });
  if (thrown != 0) r = factor::FactorResult{static_cast<factor::FactorStatus>(thrown)};
  driver::record_factor_result(ctl, r);
}

}  // namespace

// exported as factorize_varnexo_: the storage of ibasic(19)
extern "C" VARNEXO_EXPORT void factorize_varnexo_(VARNEXO_FACTOR_ARGS) {
  const FactorStorage storage = ibasic[18] == 1 ? FactorStorage::symmetric : FactorStorage::lu;
  factorize_in(storage, n, luperm, ia, ja, a, ibasic, rbasic, xlindx, lindx, xlnz, lnz, xunz, unz, xsuper,
               snode, pivot, colpivot, nmod, pnlsch, iwork, temp, xlmap, lmap, xumap, umap, asrc, aorig,
               colorig, scaling, domains);
}
VARNEXO_UNDERSCORE_ALIAS(factorize_varnexo_);

// exported as sssfct_varnexo_: the symmetric storage
extern "C" VARNEXO_EXPORT void sssfct_varnexo_(VARNEXO_FACTOR_ARGS) {
  factorize_in(FactorStorage::symmetric, n, luperm, ia, ja, a, ibasic, rbasic, xlindx, lindx, xlnz, lnz, xunz,
               unz, xsuper, snode, pivot, colpivot, nmod, pnlsch, iwork, temp, xlmap, lmap, xumap, umap, asrc,
               aorig, colorig, scaling, domains);
}
VARNEXO_UNDERSCORE_ALIAS(sssfct_varnexo_);

// exported as ssnfct_varnexo_: the LU storage
extern "C" VARNEXO_EXPORT void ssnfct_varnexo_(VARNEXO_FACTOR_ARGS) {
  factorize_in(FactorStorage::lu, n, luperm, ia, ja, a, ibasic, rbasic, xlindx, lindx, xlnz, lnz, xunz, unz,
               xsuper, snode, pivot, colpivot, nmod, pnlsch, iwork, temp, xlmap, lmap, xumap, umap, asrc,
               aorig, colorig, scaling, domains);
}
VARNEXO_UNDERSCORE_ALIAS(ssnfct_varnexo_);
