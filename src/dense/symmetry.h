// The two symmetries of an indefinite diagonal block, as policies of the dense kernels: a
// symmetric block (A = Aᵀ, real or complex without conjugation) and a Hermitian block (A = Aᴴ,
// real diagonal). Each kernel is written once over the scalar type and asks its policy.
#pragma once
#include <complex>
#include <type_traits>

#include "common/scalar.h"

namespace varnexo::dense {

// A = Aᵀ: the mirror of an entry is the entry itself; pivots are full scalars and their
// magnitude is |x| (|Re| + |Im| for complex).
struct Symmetric {
  static constexpr bool conjugate = false;
  // A perturbed step always replaces the diagonal.
  static constexpr bool perturbs_offdiagonal = false;

  // The entry (j, i) given the entry (i, j).
  template <class T>
  static T mirror(T x) {
    return x;
  }
  // The value of a diagonal entry as part of the matrix.
  template <class T>
  static T diagonal(T x) {
    return x;
  }
  template <class T>
  static real_t<T> diagonal_magnitude(T x) {
    return abs1(x);
  }
  // 1/d for a 1×1 pivot d.
  template <class T>
  static T reciprocal(T d) {
    return T(1) / d;
  }
};

// A = Aᴴ: entries crossing the diagonal are conjugated, a diagonal entry is its real part (any
// imaginary part is rounding) and a pivot's magnitude is |Re|.
struct Hermitian {
  static constexpr bool conjugate = true;
  // A perturbed step whose column is larger than its diagonal raises the column's largest entry
  // to the replacement and goes on choosing a pivot, so that a 2×2 pivot stays possible.
  static constexpr bool perturbs_offdiagonal = true;

  template <class T>
  static T mirror(T x) {
    return varnexo::conj(x);
  }
  template <class T>
  static T diagonal(T x) {
    return T(std::real(x));
  }
  template <class T>
  static real_t<T> diagonal_magnitude(T x) {
    return std::abs(std::real(x));
  }
  // The reciprocal of a real pivot is real.
  template <class T>
  static real_t<T> reciprocal(T d) {
    return real_t<T>(1) / std::real(d);
  }
};

template <bool IsHermitian>
using symmetry_t = std::conditional_t<IsHermitian, Hermitian, Symmetric>;

}  // namespace varnexo::dense
