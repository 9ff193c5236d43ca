// The pivot perturbation shared by the pivoting kernels of the diagonal blocks: a pivot whose
// magnitude falls below a threshold is replaced by a small value of its own sign instead of
// stopping the factorisation; the inertia counters of the real kernels.
#pragma once
#include <cmath>
#include <cstdint>
#include <type_traits>

#include "common/scalar.h"

namespace varnexo::dense {

// Threshold below which a pivot is perturbed, and the magnitude it is replaced by.
template <class T>
struct Perturbation {
  real_t<T> threshold, replacement;
};

// The rule of the double and complex kernels (threshold = replacement = ε; ε = 0 gives
// threshold 0 and `replacement_at_zero`) and of the single kernels (ε <= 5e-8 gives threshold
// 0 and `replacement_at_zero` rounded, otherwise both are ε rounded). A negative ε counts as
// |ε|: it would otherwise disable the protection against zero pivots.
template <class T>
Perturbation<T> perturbation(double eps, double replacement_at_zero) {
  using R = real_t<T>;
  eps = std::fabs(eps);
  if constexpr (std::is_same_v<R, float>) {
    if (eps <= 5.0e-8) return {0.0f, R(replacement_at_zero)};
    return {R(eps), R(eps)};
  } else {
    if (eps == 0.0) return {0.0, replacement_at_zero};
    return {eps, eps};
  }
}

// The replacement of a perturbed pivot: ±replacement with the sign of the real part (+ for 0),
// zero imaginary part.
template <class T>
T signed_replacement(T old, real_t<T> replacement) {
  const real_t<T> r = std::abs(replacement);
  if constexpr (is_complex_v<T>)
    return T(old.real() < 0 ? -r : r, 0);
  else
    return old < 0 ? -r : r;
}

// Counts the sign of a real pivot (or of its reciprocal) in npos or nneg, either of which may
// be null; a zero counts as positive when `zero_is_positive`. Complex pivots are not counted.
template <class T>
void count_sign(T d, bool zero_is_positive, int32_t* npos, int32_t* nneg) {
  if constexpr (!is_complex_v<T>) {
    const bool positive = zero_is_positive ? d >= 0 : d > 0;
    if (positive && npos) ++*npos;
    if (!positive && nneg) ++*nneg;
  } else {
    (void)d, (void)zero_is_positive, (void)npos, (void)nneg;
  }
}

}  // namespace varnexo::dense
