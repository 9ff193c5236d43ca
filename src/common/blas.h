// BLAS and LAPACK: the Fortran entry points the library calls, and overloads over the scalar
// type (`gemm`, `trsm`, `potrf`, ...) that dispatch to the letter-prefixed routine. Kernels call
// the overloads only. Character arguments carry the hidden Fortran length arguments.
#pragma once
#include <complex>
#include <cstddef>

using fchar_len = std::size_t;
using dcomplex = std::complex<double>;
using scomplex = std::complex<float>;

extern "C" {
#define VARNEXO_DECLARE_GEMM(P, T)                                                                         \
  void P##gemm_(const char*, const char*, const int*, const int*, const int*, const T*, const T*,          \
                const int*, const T*, const int*, const T*, T*, const int*, fchar_len, fchar_len);         \
  void P##trsm_(const char*, const char*, const char*, const char*, const int*, const int*, const T*,      \
                const T*, const int*, T*, const int*, fchar_len, fchar_len, fchar_len, fchar_len);         \
  void P##gemv_(const char*, const int*, const int*, const T*, const T*, const int*, const T*, const int*, \
                const T*, T*, const int*, fchar_len);                                                      \
  void P##trsv_(const char*, const char*, const char*, const int*, const T*, const int*, T*, const int*,   \
                fchar_len, fchar_len, fchar_len);                                                          \
  void P##scal_(const int*, const T*, T*, const int*);                                                     \
  void P##swap_(const int*, T*, const int*, T*, const int*);                                               \
  void P##getrf_(const int*, const int*, T*, const int*, int*, int*);                                      \
  void P##potrf_(const char*, const int*, T*, const int*, int*, fchar_len);                                \
  void P##laswp_(const int*, T*, const int*, const int*, const int*, const int*, const int*);
VARNEXO_DECLARE_GEMM(d, double)
VARNEXO_DECLARE_GEMM(s, float)
VARNEXO_DECLARE_GEMM(z, dcomplex)
VARNEXO_DECLARE_GEMM(c, scomplex)
#undef VARNEXO_DECLARE_GEMM
void dger_(const int*, const int*, const double*, const double*, const int*, const double*, const int*,
           double*, const int*);
void sger_(const int*, const int*, const float*, const float*, const int*, const float*, const int*, float*,
           const int*);
void zgeru_(const int*, const int*, const dcomplex*, const dcomplex*, const int*, const dcomplex*, const int*,
            dcomplex*, const int*);
void cgeru_(const int*, const int*, const scomplex*, const scomplex*, const int*, const scomplex*, const int*,
            scomplex*, const int*);
void dsyrk_(const char*, const char*, const int*, const int*, const double*, const double*, const int*,
            const double*, double*, const int*, fchar_len, fchar_len);
int idamax_(const int*, const double*, const int*);
int isamax_(const int*, const float*, const int*);
int izamax_(const int*, const dcomplex*, const int*);
int icamax_(const int*, const scomplex*, const int*);
void xerbla_(const char*, const int*, fchar_len);
}

namespace varnexo::blas {

#define VARNEXO_OVERLOADS(P, T)                                                                              \
  inline void gemm(char ta, char tb, int m, int n, int k, T alpha, const T* a, int lda, const T* b, int ldb, \
                   T beta, T* c, int ldc) {                                                                  \
    P##gemm_(&ta, &tb, &m, &n, &k, &alpha, a, &lda, b, &ldb, &beta, c, &ldc, 1, 1);                          \
  }                                                                                                          \
  inline void trsm(char side, char uplo, char ta, char diag, int m, int n, T alpha, const T* a, int lda,     \
                   T* b, int ldb) {                                                                          \
    P##trsm_(&side, &uplo, &ta, &diag, &m, &n, &alpha, a, &lda, b, &ldb, 1, 1, 1, 1);                        \
  }                                                                                                          \
  inline void gemv(char ta, int m, int n, T alpha, const T* a, int lda, const T* x, int incx, T beta, T* y,  \
                   int incy) {                                                                               \
    P##gemv_(&ta, &m, &n, &alpha, a, &lda, x, &incx, &beta, y, &incy, 1);                                    \
  }                                                                                                          \
  inline void trsv(char uplo, char ta, char diag, int n, const T* a, int lda, T* x, int incx) {              \
    P##trsv_(&uplo, &ta, &diag, &n, a, &lda, x, &incx, 1, 1, 1);                                             \
  }                                                                                                          \
  inline void scal(int n, T alpha, T* x, int incx) { P##scal_(&n, &alpha, x, &incx); }                       \
  inline void swap(int n, T* x, int incx, T* y, int incy) { P##swap_(&n, x, &incx, y, &incy); }              \
  inline int getrf(int m, int n, T* a, int lda, int* ipiv) {                                                 \
    int info = 0;                                                                                            \
    P##getrf_(&m, &n, a, &lda, ipiv, &info);                                                                 \
    return info;                                                                                             \
  }                                                                                                          \
  inline int potrf(char uplo, int n, T* a, int lda) {                                                        \
    int info = 0;                                                                                            \
    P##potrf_(&uplo, &n, a, &lda, &info, 1);                                                                 \
    return info;                                                                                             \
  }                                                                                                          \
  inline void laswp(int n, T* a, int lda, int k1, int k2, const int* ipiv, int incx) {                       \
    P##laswp_(&n, a, &lda, &k1, &k2, ipiv, &incx);                                                           \
  }
VARNEXO_OVERLOADS(d, double)
VARNEXO_OVERLOADS(s, float)
VARNEXO_OVERLOADS(z, dcomplex)
VARNEXO_OVERLOADS(c, scomplex)
#undef VARNEXO_OVERLOADS

// Rank-one update A := A + alpha·x·yᵀ (unconjugated for complex).
inline void ger(int m, int n, double alpha, const double* x, int incx, const double* y, int incy, double* a,
                int lda) {
  dger_(&m, &n, &alpha, x, &incx, y, &incy, a, &lda);
}
inline void ger(int m, int n, float alpha, const float* x, int incx, const float* y, int incy, float* a,
                int lda) {
  sger_(&m, &n, &alpha, x, &incx, y, &incy, a, &lda);
}
inline void ger(int m, int n, dcomplex alpha, const dcomplex* x, int incx, const dcomplex* y, int incy,
                dcomplex* a, int lda) {
  zgeru_(&m, &n, &alpha, x, &incx, y, &incy, a, &lda);
}
inline void ger(int m, int n, scomplex alpha, const scomplex* x, int incx, const scomplex* y, int incy,
                scomplex* a, int lda) {
  cgeru_(&m, &n, &alpha, x, &incx, y, &incy, a, &lda);
}

// Index (1-based) of the entry of largest modulus, as the BLAS defines it (|re| + |im| for complex).
inline int iamax(int n, const double* x, int incx) { return idamax_(&n, x, &incx); }
inline int iamax(int n, const float* x, int incx) { return isamax_(&n, x, &incx); }
inline int iamax(int n, const dcomplex* x, int incx) { return izamax_(&n, x, &incx); }
inline int iamax(int n, const scomplex* x, int incx) { return icamax_(&n, x, &incx); }

}  // namespace varnexo::blas
