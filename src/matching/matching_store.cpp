// Helpers of the matching stage of the analysis: moduli of complex values for the
// matching, and the store of the matching permutation and its scalings (turned from
// logarithms into factors) into the blocks that loading and solving read.
#include "matching/matching_store.h"

#include <cmath>

#include "common/export.h"
#include "matching/matching_entries.h"

namespace varnexo::matching {

int rr33adcopy(int32_t n, const MatrixKind* kind, int32_t mode, const int32_t* perm_in,
               const double* log_scaling, int32_t* perm_out, double* scaling) {
  // The unsymmetric kinds scale rows and columns apart; the value-symmetric ones that take a
  // matching scale both sides alike.
  const bool unsymmetric = kind != nullptr && kind->unsymmetric();
  const bool symmetric = kind != nullptr && kind->matching_applies && !unsymmetric;
  if (n < 0 || !perm_out || !scaling || (mode != -1 && !perm_in) || (mode != -1 && mode != 0 && !log_scaling))
    return -1;
  if (mode != -1 && mode != 0 && !unsymmetric && !symmetric) return -1;
  for (int32_t i = 0; i < n; ++i) perm_out[i] = mode == -1 ? i + 1 : perm_in[i];
  if (mode == -1 || mode == 0) {
    for (int64_t i = 0; i < 2 * int64_t{n}; ++i) scaling[i] = 1.0;
    return 0;
  }
  for (int32_t i = 0; i < n; ++i) {
    const double c = log_scaling[i], r = log_scaling[n + i];
    scaling[n + i] = std::exp(r);
    // The symmetric factor sqrt(exp(c)·exp(r)) taken in logarithms, so it cannot overflow early.
    scaling[i] = unsymmetric ? std::exp(c) : std::exp(0.5 * (c + r));
  }
  return 0;
}

int convert2abs(int64_t nnz, const double* values, double* modulus) {
  if (nnz < 0 || (nnz > 0 && (!values || !modulus))) return -1;
  for (int64_t k = 0; k < nnz; ++k) modulus[k] = std::hypot(values[2 * k], values[2 * k + 1]);
  return 0;
}

}  // namespace varnexo::matching

extern "C" VARNEXO_EXPORT void rr33adcopy_(const int32_t* n, const int32_t* matrix_type, const int32_t* mode,
                                           const int32_t* perm_in, const double* log_scaling,
                                           int32_t* perm_out, double* scaling, int32_t* status) {
  const int st = (!n || !matrix_type || !mode)
                     ? -1
                     : varnexo::matching::rr33adcopy(*n, varnexo::find_kind(*matrix_type), *mode, perm_in,
                                                     log_scaling, perm_out, scaling);
  if (status) *status = st;
}
VARNEXO_UNDERSCORE_ALIAS(rr33adcopy_);

extern "C" VARNEXO_EXPORT void convert2abs_(const int32_t* nnz, const double* values, double* modulus) {
  if (nnz) varnexo::matching::convert2abs(*nnz, values, modulus);
}
VARNEXO_UNDERSCORE_ALIAS(convert2abs_);
