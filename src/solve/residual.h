// Products with the caller's matrix and residuals (solve -> refine): y = A·x or Aᵀ·x and
// r = b - A·x with the sum of |r| as its size, for every storage form, and the largest
// off-diagonal modulus of a matrix. One template over the scalar type.
#pragma once
#include <complex>
#include <cstdint>

#include "common/matrix_kind.h"

namespace varnexo::solve {

// How the stored entries make the matrix: all entries (non-symmetric storage), or the upper
// triangle mirrored as it is (symmetric) or conjugated (Hermitian).
enum class Storage { full, symmetric, hermitian };

// The storage form of a matrix kind: one triangle (Hermitian or symmetric) or full rows; a code
// that is no type (null) reads the full rows it is given.
Storage storage_of(const MatrixKind* kind);

// y = op(A)·x for nb right-hand sides (n × nb, leading dimension n); op(A) = Aᵀ when
// `transposed` and the storage is full. ia, ja 1-based; for the one-triangle storage the first
// entry of each row is its diagonal. rowbuf: nb values of scratch.
template <class T>
void amuxy(bool transposed, int32_t n, int32_t nb, Storage storage, const int32_t* ia, const int32_t* ja,
           const T* a, const T* x, T* y, T* rowbuf);

// r = b - op(A)·x; returns Σ|r(i, j)| over all entries (row by row, modulus for complex).
template <class T>
double amuxy_res(bool transposed, int32_t n, int32_t nb, Storage storage, const int32_t* ia,
                 const int32_t* ja, const T* a, const T* x, T* r, const T* b, T* rowbuf);

// ‖op(A)‖∞, the largest row sum of |op(A)| over the whole matrix the storage stands for.
template <class T>
double norm_inf(bool transposed, int32_t n, Storage storage, const int32_t* ia, const int32_t* ja,
                const T* a);

// The normwise backward error of x as a solution of op(A)·x = b, the worst over the nb columns:
// ‖b − op(A)·x‖∞ / (‖op(A)‖∞·‖x‖∞ + ‖b‖∞), 0 for 0/0, NaN when any value or norm is not finite
// (a product ‖op(A)‖∞·‖x‖∞ beyond the doubles is scaled, never read as infinite).
// r: n·nb values of scratch (receives the residual); rowbuf: nb values.
template <class T>
double backward_error(bool transposed, int32_t n, int32_t nb, Storage storage, const int32_t* ia,
                      const int32_t* ja, const T* a, const T* x, const T* b, T* r, T* rowbuf);

// Largest |a(k)| over the stored entries off the diagonal (0 when there is none).
template <class T>
double maxnorm_a(int32_t n, const int32_t* ia, const int32_t* ja, const T* a);

}  // namespace varnexo::solve
