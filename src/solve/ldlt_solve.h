// Supernodal solve with an LDLᵀ (LDLᴴ) factor (factor -> solve): forward with P and unit L, a
// separate diagonal sweep with D (1×1 and 2×2 blocks), backward with Lᵀ (Lᴴ) and the
// interchanges undone.
// Built from the off-diagonal sweeps of sweeps.h and the dense block routines of block_diagonal.h.
#pragma once
#include "dense/block_diagonal.h"
#include "dense/interchanges.h"
#include "solve/sweeps.h"

namespace varnexo::solve {

// Forward stage of one supernode for nb right-hand sides: x(f..l) := L11⁻¹·Pᵀ·x(f..l), then the
// off-diagonal rows receive -L21·x(f..l) (through the spill when one is given).
template <class T>
void ldlt_forward(const FactorView<T>& F, const Panel<T>& p, T* x, int32_t nb, T* W, int32_t ldw,
                  bool bunch_kaufman, const Spill<T>* spill = nullptr) {
  const int32_t n = F.n;
  T* xf = x + (p.f - 1);
  const int32_t* piv = F.pivot + (p.f - 1);
  if (bunch_kaufman) {
    dense::sytrs_bklfw_noscal<T>(p.w, nb, p.l, p.h, piv, xf, n);
  } else {
    for (int32_t j = 0; j < nb; ++j) dense::swaps_forward(xf + static_cast<int64_t>(j) * n, piv, p.w - 1);
    diagonal_solve('L', 'N', 'U', p.w, nb, p.l, p.h, xf, n);
  }
  forward_offdiag(p, x, n, nb, W, ldw, spill);
}

// Diagonal stage of one supernode: x(f..l) := D⁻¹·x(f..l).
template <class T>
void ldlt_diagonal(const FactorView<T>& F, const Panel<T>& p, T* x, int32_t nb, bool bunch_kaufman,
                   bool hermitian) {
  const int32_t n = F.n;
  T* xf = x + (p.f - 1);
  if (bunch_kaufman) {
    if constexpr (is_complex_v<T>) {
      if (hermitian) {
        dense::sytrs_bkl_scal<T, dense::Hermitian>(p.w, nb, p.l, p.h, F.pivot + (p.f - 1), xf, n);
        return;
      }
    }
    dense::sytrs_bkl_scal<T, dense::Symmetric>(p.w, nb, p.l, p.h, F.pivot + (p.f - 1), xf, n);
    return;
  }
  for (int32_t j = 0; j < nb; ++j)
    for (int32_t k = 0; k < p.w; ++k)
      xf[k + static_cast<int64_t>(j) * n] /= p.l[k + static_cast<int64_t>(k) * p.h];
}

// Backward stage of one supernode: x(f..l) -= L21ᵀ·x(rows) (L21ᴴ), then
// x(f..l) := P·L11⁻ᵀ·x(f..l) (L11⁻ᴴ).
template <class T>
void ldlt_backward(const FactorView<T>& F, const Panel<T>& p, T* x, int32_t nb, T* W, int32_t ldw,
                   bool bunch_kaufman, bool hermitian) {
  const int32_t n = F.n;
  T* xf = x + (p.f - 1);
  const int32_t* piv = F.pivot + (p.f - 1);
  const char op = hermitian ? 'C' : 'T';
  backward_offdiag(p, p.l + p.w, p.h, op, x, n, nb, W, ldw);
  if (bunch_kaufman) {
    if constexpr (is_complex_v<T>) {
      if (hermitian) {
        dense::sytrs_bklbw<T, dense::Hermitian>(p.w, nb, p.l, p.h, piv, xf, n);
        return;
      }
    }
    dense::sytrs_bklbw<T, dense::Symmetric>(p.w, nb, p.l, p.h, piv, xf, n);
    return;
  }
  diagonal_solve('L', op, 'U', p.w, nb, p.l, p.h, xf, n);
  for (int32_t j = 0; j < nb; ++j) dense::swaps_backward(xf + static_cast<int64_t>(j) * n, piv, p.w - 1);
}

// The whole LDLᵀ (LDLᴴ when `hermitian`) solve, or its forward part L⁻¹·Pᵀ, or its backward part
// P·L⁻ᵀ·D⁻¹. W holds ldw·nb values, ldw >= the largest off-diagonal height.
template <class T>
void ldlt_solve(const FactorView<T>& F, T* x, int32_t nb, T* W, int32_t ldw, int32_t part, bool bunch_kaufman,
                bool hermitian = false) {
  if (part != kBackwardOnly)
    for (int32_t s = 1; s <= F.nsuper; ++s) ldlt_forward(F, panel(F, s), x, nb, W, ldw, bunch_kaufman);
  if (part == kForwardOnly) return;
  for (int32_t s = 1; s <= F.nsuper; ++s) ldlt_diagonal(F, panel(F, s), x, nb, bunch_kaufman, hermitian);
  for (int32_t s = F.nsuper; s >= 1; --s)
    ldlt_backward(F, panel(F, s), x, nb, W, ldw, bunch_kaufman, hermitian);
}

}  // namespace varnexo::solve
