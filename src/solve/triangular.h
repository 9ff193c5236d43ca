// Supernodal triangular solves of the Cholesky and LU factors (factor -> solve): the forward
// and backward stages (trsm/gemm per supernode for several right-hand sides, trsv/gemv for one),
// and the transposed LU solve. Built from the sweeps of sweeps.h.
#pragma once
#include "dense/interchanges.h"
#include "solve/sweeps.h"

namespace varnexo::solve {

// One supernode of the Cholesky forward stage: x(f..l) := L11⁻¹·x(f..l), then the off-diagonal
// rows receive -L21·x(f..l) (through the spill when one is given).
template <class T>
void cholesky_forward(const FactorView<T>& F, const Panel<T>& p, T* x, int32_t nb, T* W, int32_t ldw,
                      const Spill<T>* spill = nullptr) {
  diagonal_solve('L', 'N', 'N', p.w, nb, p.l, p.h, x + (p.f - 1), F.n);
  forward_offdiag(p, x, F.n, nb, W, ldw, spill);
}

// One supernode of the Cholesky backward stage: x(f..l) -= L21ᵀ·x(rows) (L21ᴴ), then
// x(f..l) := L11⁻ᵀ·x(f..l) (L11⁻ᴴ).
template <class T>
void cholesky_backward(const FactorView<T>& F, const Panel<T>& p, T* x, int32_t nb, T* W, int32_t ldw,
                       bool hermitian) {
  const char op = hermitian ? 'C' : 'T';
  backward_offdiag(p, p.l + p.w, p.h, op, x, F.n, nb, W, ldw);
  diagonal_solve('L', op, 'N', p.w, nb, p.l, p.h, x + (p.f - 1), F.n);
}

// Cholesky factor L·Lᵀ (L·Lᴴ when `hermitian`): forward L, backward Lᵀ (Lᴴ).
template <class T>
void cholesky_solve(const FactorView<T>& F, T* x, int32_t nb, T* W, int32_t ldw, int32_t part,
                    bool hermitian) {
  if (part != kBackwardOnly)
    for (int32_t s = 1; s <= F.nsuper; ++s) cholesky_forward(F, panel(F, s), x, nb, W, ldw);
  if (part == kForwardOnly) return;
  for (int32_t s = F.nsuper; s >= 1; --s) cholesky_backward(F, panel(F, s), x, nb, W, ldw, hermitian);
}

// One supernode of the LU forward stage: the row interchanges, x(f..l) := L11⁻¹·x(f..l) with
// unit L11, then the off-diagonal rows receive -L21·x(f..l).
template <class T>
void lu_forward(const FactorView<T>& F, const Panel<T>& p, T* x, int32_t nb, T* W, int32_t ldw,
                const Spill<T>* spill = nullptr) {
  T* xf = x + (p.f - 1);
  for (int32_t j = 0; j < nb; ++j)
    dense::swaps_forward(xf + static_cast<int64_t>(j) * F.n, F.pivot + (p.f - 1), p.w - 1);
  diagonal_solve('L', 'N', 'U', p.w, nb, p.l, p.h, xf, F.n);
  forward_offdiag(p, x, F.n, nb, W, ldw, spill);
}

// One supernode of the LU backward stage: U12 through unz, U11, then the column interchanges
// undone when `complete`.
template <class T>
void lu_backward(const FactorView<T>& F, const Panel<T>& p, T* x, int32_t nb, T* W, int32_t ldw,
                 bool complete) {
  T* xf = x + (p.f - 1);
  backward_offdiag(p, p.u, p.m(), 'T', x, F.n, nb, W, ldw);
  diagonal_solve('U', 'N', 'N', p.w, nb, p.l, p.h, xf, F.n);
  if (complete)
    for (int32_t j = 0; j < nb; ++j)
      dense::swaps_backward(xf + static_cast<int64_t>(j) * F.n, F.colpivot + (p.f - 1), p.w - 1);
}

// LU factor with local row interchanges (and column interchanges when `complete`):
// forward P, unit L; backward U12 through unz, U11, then the column interchanges undone.
template <class T>
void lu_solve(const FactorView<T>& F, T* x, int32_t nb, T* W, int32_t ldw, int32_t part, bool complete) {
  if (part != kBackwardOnly)
    for (int32_t s = 1; s <= F.nsuper; ++s) lu_forward(F, panel(F, s), x, nb, W, ldw);
  if (part == kForwardOnly) return;
  for (int32_t s = F.nsuper; s >= 1; --s) lu_backward(F, panel(F, s), x, nb, W, ldw, complete);
}

// Transposed LU solve Aᵀ·x = b: forward Uᵀ (after the column interchanges) with U12 read from
// unz, backward Lᵀ, then the row interchanges undone.
template <class T>
void lu_solve_transposed(const FactorView<T>& F, T* x, int32_t nb, T* W, int32_t ldw, int32_t part,
                         bool complete) {
  const int32_t n = F.n;
  if (part != kBackwardOnly)
    for (int32_t s = 1; s <= F.nsuper; ++s) {
      const Panel<T> p = panel(F, s);
      T* xf = x + (p.f - 1);
      if (complete)
        for (int32_t j = 0; j < nb; ++j)
          dense::swaps_forward(xf + static_cast<int64_t>(j) * n, F.colpivot + (p.f - 1), p.w - 1);
      diagonal_solve('U', 'T', 'N', p.w, nb, p.l, p.h, xf, n);
      forward_offdiag(p, p.u, p.m(), x, n, nb, W, ldw);
    }
  if (part == kForwardOnly) return;
  for (int32_t s = F.nsuper; s >= 1; --s) {
    const Panel<T> p = panel(F, s);
    T* xf = x + (p.f - 1);
    backward_offdiag(p, p.l + p.w, p.h, 'T', x, n, nb, W, ldw);
    diagonal_solve('L', 'T', 'U', p.w, nb, p.l, p.h, xf, n);
    for (int32_t j = 0; j < nb; ++j)
      dense::swaps_backward(xf + static_cast<int64_t>(j) * n, F.pivot + (p.f - 1), p.w);
  }
}

}  // namespace varnexo::solve
