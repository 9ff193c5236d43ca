// Exported entries of the local interchanges: column swaps of an m-row array (luspym, lusp)
// and the row swaps of one right-hand side over a block of w columns (luspxmt, luspxm).
#include "dense/interchanges.h"

#include "common/export.h"
#include "dense/dense_entries.h"

using varnexo::dense::luspym;

// For j = 1..n-1, with p = |ipiv(j)| != j, columns j and p of a (leading dimension lda) are
// swapped. luspym applies the interchanges of a diagonal block to L21's columns; lusp applies
// the row interchanges to a U12ᵀ block.
extern "C" VARNEXO_EXPORT void luspym_varnexo_(const int32_t* m, const int32_t* n, double* a,
                                               const int32_t* lda, const int32_t* ipiv) {
  luspym<double>(*m, *n, a, *lda, ipiv);
}
VARNEXO_UNDERSCORE_ALIAS(luspym_varnexo_);

extern "C" VARNEXO_EXPORT void lusp_varnexo_(const int32_t* m, const int32_t* n, double* a,
                                             const int32_t* lda, const int32_t* ipiv) {
  luspym<double>(*m, *n, a, *lda, ipiv);
}
VARNEXO_UNDERSCORE_ALIAS(lusp_varnexo_);

// Interchanges of one right-hand side over a block of w columns (ipiv local, read by
// magnitude): luspxm undoes them (k = w-1 down to 1), luspxmt applies them (k = 1 up to w-1).
extern "C" VARNEXO_EXPORT void luspxm_varnexo_(const int32_t* w, double* x, const int32_t* ipiv) {
  varnexo::dense::swaps_backward(x, ipiv, *w - 1);
}
VARNEXO_UNDERSCORE_ALIAS(luspxm_varnexo_);

extern "C" VARNEXO_EXPORT void luspxmt_varnexo_(const int32_t* w, double* x, const int32_t* ipiv) {
  varnexo::dense::swaps_forward(x, ipiv, *w - 1);
}
VARNEXO_UNDERSCORE_ALIAS(luspxmt_varnexo_);
