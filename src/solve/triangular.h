// Supernodal triangular solves of the Cholesky and LU factors (factor -> solve): the forward
// and backward stages for several right-hand sides (trsm/gemm per supernode) and for one
// (column loops), and the transposed LU solve. Built from the sweeps of sweeps.h.
#pragma once
#include "dense/interchanges.h"
#include "solve/sweeps.h"

namespace varnexo::solve {

// Cholesky factor L·Lᵀ (L·Lᴴ when `hermitian`): forward L, backward Lᵀ (Lᴴ).
template <class T>
void cholesky_solve(const FactorView<T>& F, T* x, int32_t nb, T* W, int32_t ldw, int32_t part,
                    bool hermitian) {
  const int32_t n = F.n;
  const char op = hermitian ? 'C' : 'T';
  if (part != kBackwardOnly)
    for (int32_t s = 1; s <= F.nsuper; ++s) {
      const Panel<T> p = panel(F, s);
      if (nb > 1) {
        blas::trsm('L', 'L', 'N', 'N', p.w, nb, T(1), p.l, p.h, x + (p.f - 1), n);
        forward_offdiag(p, x, n, nb, W, ldw);
        continue;
      }
      T* xf = x + (p.f - 1);
      for (int32_t k = 0; k < p.w; ++k) {
        const T* col = p.l + static_cast<int64_t>(k) * p.h;
        xf[k] /= col[k];
        for (int32_t i = k + 1; i < p.w; ++i) xf[i] -= col[i] * xf[k];
        forward_offdiag1(p, k, x);
      }
    }
  if (part == kForwardOnly) return;
  for (int32_t s = F.nsuper; s >= 1; --s) {
    const Panel<T> p = panel(F, s);
    if (nb > 1) {
      backward_offdiag(p, p.l + p.w, p.h, op, x, n, nb, W, ldw);
      blas::trsm('L', 'L', op, 'N', p.w, nb, T(1), p.l, p.h, x + (p.f - 1), n);
      continue;
    }
    T* xf = x + (p.f - 1);
    for (int32_t k = p.w - 1; k >= 0; --k) {
      const T* col = p.l + static_cast<int64_t>(k) * p.h;
      T t = xf[k] - backward_offdiag1(p, col + p.w, hermitian, x);
      for (int32_t i = k + 1; i < p.w; ++i) t -= (hermitian ? conj(col[i]) : col[i]) * xf[i];
      xf[k] = t / (hermitian ? conj(col[k]) : col[k]);
    }
  }
}

// LU factor with local row interchanges (and column interchanges when `complete`):
// forward P, unit L; backward U12 through unz, U11, then the column interchanges undone.
template <class T>
void lu_solve(const FactorView<T>& F, T* x, int32_t nb, T* W, int32_t ldw, int32_t part, bool complete) {
  const int32_t n = F.n;
  if (part != kBackwardOnly)
    for (int32_t s = 1; s <= F.nsuper; ++s) {
      const Panel<T> p = panel(F, s);
      T* xf = x + (p.f - 1);
      if (nb > 1) {
        if (p.w > 1) blas::laswp(nb, xf, n, 1, p.w - 1, F.pivot + (p.f - 1), 1);
        blas::trsm('L', 'L', 'N', 'U', p.w, nb, T(1), p.l, p.h, xf, n);
        forward_offdiag(p, x, n, nb, W, ldw);
        continue;
      }
      dense::swaps_forward(xf, F.pivot + (p.f - 1), p.w - 1);
      for (int32_t k = 0; k < p.w; ++k) {
        const T* col = p.l + static_cast<int64_t>(k) * p.h;
        for (int32_t i = k + 1; i < p.w; ++i) xf[i] -= col[i] * xf[k];
        forward_offdiag1(p, k, x);
      }
    }
  if (part == kForwardOnly) return;
  for (int32_t s = F.nsuper; s >= 1; --s) {
    const Panel<T> p = panel(F, s);
    T* xf = x + (p.f - 1);
    if (nb > 1) {
      backward_offdiag(p, p.u, p.m(), 'T', x, n, nb, W, ldw);
      blas::trsm('L', 'U', 'N', 'N', p.w, nb, T(1), p.l, p.h, xf, n);
    } else {
      for (int32_t k = 0; k < p.w; ++k)
        xf[k] -= backward_offdiag1(p, p.u + static_cast<int64_t>(k) * p.m(), false, x);
      for (int32_t k = p.w - 1; k >= 0; --k) {
        T t = xf[k];
        for (int32_t c = k + 1; c < p.w; ++c) t -= p.l[k + static_cast<int64_t>(c) * p.h] * xf[c];
        xf[k] = t / p.l[k + static_cast<int64_t>(k) * p.h];
      }
    }
    if (complete)
      for (int32_t j = 0; j < nb; ++j)
        dense::swaps_backward(xf + static_cast<int64_t>(j) * n, F.colpivot + (p.f - 1), p.w - 1);
  }
}

// Transposed LU solve Aᵀ·x = b with scalar loops: forward Uᵀ (after the column interchanges),
// backward Lᵀ, then the row interchanges undone.
template <class T>
void lu_solve_transposed(const FactorView<T>& F, T* x, int32_t nb, int32_t part, bool complete) {
  const int32_t n = F.n;
  for (int32_t j = 0; j < nb; ++j) {
    T* xj = x + static_cast<int64_t>(j) * n;
    if (part != kBackwardOnly)
      for (int32_t s = 1; s <= F.nsuper; ++s) {
        const Panel<T> p = panel(F, s);
        T* xf = xj + (p.f - 1);
        if (complete) dense::swaps_forward(xf, F.colpivot + (p.f - 1), p.w - 1);
        for (int32_t c = 0; c < p.w; ++c) {
          const T* col = p.l + static_cast<int64_t>(c) * p.h;
          T t = xf[c];
          for (int32_t r = 0; r < c; ++r) t -= col[r] * xf[r];
          xf[c] = t / col[c];
        }
        for (int32_t c = 0; c < p.w; ++c) {
          const T* u = p.u + static_cast<int64_t>(c) * p.m();
          for (int32_t i = 0; i < p.m(); ++i) xj[p.rows[i] - 1] -= u[i] * xf[c];
        }
      }
    if (part == kForwardOnly) continue;
    for (int32_t s = F.nsuper; s >= 1; --s) {
      const Panel<T> p = panel(F, s);
      T* xf = xj + (p.f - 1);
      for (int32_t c = p.w - 1; c >= 0; --c) {
        const T* col = p.l + static_cast<int64_t>(c) * p.h;
        T t = xf[c] - backward_offdiag1(p, col + p.w, false, xj);
        for (int32_t r = c + 1; r < p.w; ++r) t -= col[r] * xf[r];
        xf[c] = t;
      }
      dense::swaps_backward(xf, F.pivot + (p.f - 1), p.w);
    }
  }
}

}  // namespace varnexo::solve
