// Scalar traits shared by every kernel: the real type behind a scalar, the moduli used for
// pivoting and norms, and conjugation (the identity for real scalars). One template per
// algorithm is written over these instead of separate real, complex and single twins.
#pragma once
#include <cmath>
#include <complex>
#include <cstdint>
#include <type_traits>

namespace varnexo {

// |v| of a 32-bit integer in 64 bits: defined for the most negative value too, which callers
// may pass in any argument (a matrix type, a parameter entry).
inline int64_t magnitude(int32_t v) { return v < 0 ? -static_cast<int64_t>(v) : v; }

template <class T>
struct is_complex : std::false_type {};
template <class R>
struct is_complex<std::complex<R>> : std::true_type {};
template <class T>
inline constexpr bool is_complex_v = is_complex<T>::value;

template <class T>
struct real_of {
  using type = T;
};
template <class R>
struct real_of<std::complex<R>> {
  using type = R;
};
template <class T>
using real_t = typename real_of<T>::type;

// |re| + |im|: the cheap modulus of the norms and sums of the refinement.
template <class T>
inline real_t<T> abs1(T v) {
  if constexpr (is_complex_v<T>)
    return std::abs(v.real()) + std::abs(v.imag());
  else
    return std::abs(v);
}

// The modulus used to choose pivots: |v| for real, the Euclidean modulus for complex.
template <class T>
inline real_t<T> modulus(T v) {
  return std::abs(v);
}

template <class T>
inline T conj(T v) {
  if constexpr (is_complex_v<T>)
    return std::conj(v);
  else
    return v;
}

// Doubles per stored entry of the scalar type (the width w of the factor blocks).
template <class T>
inline constexpr int doubles_per_entry = is_complex_v<T> ? 2 : 1;

}  // namespace varnexo
