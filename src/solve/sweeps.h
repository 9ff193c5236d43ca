// The pieces of every supernodal solve (factor -> solve): gather of the right-hand sides into
// the factor's order, the per-supernode forward and backward sweeps over the off-diagonal
// blocks, the diagonal-block solves of the Cholesky and LU factors, and the scatter back.
// Written once over the scalar type; the LDLᵀ solve reuses the gather, scatter and the
// off-diagonal sweeps.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

#include "common/blas.h"
#include "common/onebased.h"
#include "common/scalar.h"
#include "factor/storage.h"
#include "solve/solve.h"

namespace varnexo::solve {

// The factor as the solves read it. lnz and unz are 0-based; the index arrays 1-based views.
template <class T>
struct FactorView {
  int32_t n = 0, nsuper = 0;
  OneBased<const int32_t> xsuper, xlindx, lindx, xlnz, xunz;
  const T* lnz = nullptr;
  const T* unz = nullptr;
  const int32_t* pivot = nullptr;     // n, local row interchanges (LU, LDLᵀ)
  const int32_t* colpivot = nullptr;  // n, local column interchanges (complete pivoting)

  FactorView(const factor::SymbolicFactor& sf, const T* l, const T* u, const int32_t* piv,
             const int32_t* cpiv)
      : n(sf.n),
        nsuper(sf.nsuper),
        xsuper(sf.xsuper, sf.nsuper + 1),
        xlindx(sf.xlindx, sf.nsuper + 1),
        lindx(sf.lindx, std::max(1, sf.xlindx[sf.nsuper] - 1)),
        xlnz(sf.xlnz, sf.n + 1),
        xunz(sf.xunz, sf.xunz ? sf.n + 1 : 0),
        lnz(l),
        unz(u),
        pivot(piv),
        colpivot(cpiv) {}
};

// Geometry of supernode s: columns f..f+w-1, h rows, the block at `l` (leading dimension h),
// the off-diagonal row indices at `rows` (h - w of them), and for LU the U12ᵀ block at `u`.
template <class T>
struct Panel {
  int32_t f = 0, w = 0, h = 0;
  const T* l = nullptr;
  const T* u = nullptr;
  const int32_t* rows = nullptr;
  int32_t m() const { return h - w; }
};

template <class T>
Panel<T> panel(const FactorView<T>& F, int32_t s) {
  Panel<T> p;
  p.f = F.xsuper(s);
  p.w = F.xsuper(s + 1) - p.f;
  p.h = std::abs(F.xlnz(p.f + 1)) - std::abs(F.xlnz(p.f));
  p.l = F.lnz + (std::abs(F.xlnz(p.f)) - 1);
  if (F.unz) p.u = F.unz + (F.xunz(p.f) - 1);
  p.rows = F.lindx.at(F.xlindx(s) + p.w);
  return p;
}

// Which parts of the solve a call performs (0 whole, 1 forward only, 2 backward only).
enum SolvePart : int32_t { kWhole = 0, kForwardOnly = 1, kBackwardOnly = 2 };
static_assert(kForwardOnly == static_cast<int32_t>(SolveStage::forward_only) &&
              kBackwardOnly == static_cast<int32_t>(SolveStage::backward_only));

// How the right-hand sides are permuted and scaled on the way in and out.
struct Mapping {
  int32_t n = 0;
  const int32_t* perm = nullptr;     // new -> old, n
  const int32_t* row_map = nullptr;  // row mapping q of the unsymmetric matching, n (may be null)
  const double* scaling = nullptr;   // 2n
  bool scaled = false;
  bool unsymmetric = false;  // types 11, 13
  bool transposed = false;
  int32_t part = kWhole;
};

// Gather: x(i, j) = σ·b(src(i), j) for every right-hand side (ldx = ldb = n). For the
// unsymmetric types the plain solve reads row q(perm(i)) of b, scaled by the row scaling; the
// row mapping is applied whenever one is given (it is the identity without a matching), so
// that a matching without scaling still reads the rows the factor holds.
template <class T>
void gather_rhs(const Mapping& m, int32_t nb, const T* b, T* x) {
  const int64_t n = m.n;
  if (m.part == kBackwardOnly) {
    std::copy(b, b + n * nb, x);
    return;
  }
  const bool via_rows = m.unsymmetric && !m.transposed;
  for (int32_t j = 0; j < nb; ++j) {
    const T* bj = b + j * n;
    T* xj = x + j * n;
    for (int32_t i = 0; i < m.n; ++i) {
      const int32_t p = m.perm[i];
      const int32_t r = via_rows && m.row_map ? m.row_map[p - 1] : p;
      if (!m.scaled)
        xj[i] = bj[r - 1];
      else if (via_rows)
        xj[i] = static_cast<real_t<T>>(m.scaling[m.n + r - 1]) * bj[r - 1];
      else
        xj[i] = static_cast<real_t<T>>(m.scaling[p - 1]) * bj[p - 1];
    }
  }
}

// Scatter: undoes the permutation (and scaling). With `into_b` the solution goes to b,
// otherwise it stays in x, reordered through the work block W (n·k values, k = columns that fit).
template <class T>
void scatter_rhs(const Mapping& m, int32_t nb, T* x, T* b, bool into_b, T* W, int64_t wsize) {
  const int64_t n = m.n;
  if (m.part == kForwardOnly) {
    if (into_b) std::copy(x, x + n * nb, b);
    return;
  }
  // The transposed unsymmetric solve delivers through the row mapping (see gather_rhs).
  const bool via_rows = m.unsymmetric && m.transposed;
  auto dest = [&](int32_t i) {
    const int32_t p = m.perm[i];
    return via_rows && m.row_map ? m.row_map[p - 1] : p;
  };
  auto sigma = [&](int32_t i) {
    return static_cast<real_t<T>>(via_rows ? m.scaling[m.n + i] : m.scaling[i]);
  };
  if (into_b) {
    for (int32_t j = 0; j < nb; ++j) {
      T* xj = x + j * n;
      T* bj = b + j * n;
      for (int32_t i = 0; i < m.n; ++i) bj[dest(i) - 1] = xj[i];
      if (m.scaled)
        for (int32_t i = 0; i < m.n; ++i) bj[i] *= sigma(i);
    }
    return;
  }
  std::vector<T> own;
  int64_t k = n > 0 ? wsize / n : 0;
  if (k < 1) {  // a work block shorter than one column: reorder through a private column
    own.resize(n);
    W = own.data();
    k = 1;
  }
  for (int32_t j0 = 0; j0 < nb; j0 += static_cast<int32_t>(k)) {
    const int32_t cols = static_cast<int32_t>(std::min<int64_t>(k, nb - j0));
    for (int32_t c = 0; c < cols; ++c) {
      const T* xj = x + (j0 + c) * n;
      T* wj = W + c * n;
      for (int32_t i = 0; i < m.n; ++i) wj[dest(i) - 1] = xj[i];
    }
    for (int32_t c = 0; c < cols; ++c) {
      T* xj = x + (j0 + c) * n;
      const T* wj = W + c * n;
      if (m.scaled)
        for (int32_t i = 0; i < m.n; ++i) xj[i] = sigma(i) * wj[i];
      else
        std::copy(wj, wj + n, xj);
    }
  }
}

// The solve values of a single-precision factor: x (double precision) rounded into xs, and xs
// widened back into x; len values each (pairs for complex values).
template <class D, class F>
void narrow_values(int64_t len, const D* x, F* xs) {
  for (int64_t i = 0; i < len; ++i) xs[i] = static_cast<F>(x[i]);
}
template <class F, class D>
void widen_values(int64_t len, const F* xs, D* x) {
  for (int64_t i = 0; i < len; ++i) x[i] = static_cast<D>(xs[i]);
}

// Where the forward stage of one right-hand side sends the updates of the rows beyond `limit`
// when several threads run it on disjoint subtrees: into acc(slot(r)) instead of x(r), added
// into x once every subtree is done.
template <class T>
struct Spill {
  int32_t limit = 0;
  T* acc = nullptr;
  const int32_t* slot = nullptr;  // n words, 0-based positions in acc
};

// Forward off-diagonal step, all right-hand sides: W = -B·x(f..l, :) with B the m × w block
// (L21, or U12ᵀ for the transposed LU solve) of leading dimension ldb, then x(rows, :) += W and
// W back to zero. One right-hand side goes through gemv, several through gemm; either way the
// index work is one scatter per row of the block, not per entry. W has leading dimension
// ldw >= h - w. With a spill (one right-hand side), the rows beyond its limit go to its
// accumulator; the rows are increasing, so they are the tail of the list.
template <class T>
void forward_offdiag(const Panel<T>& p, const T* B, int32_t ldb, T* x, int32_t ldx, int32_t nb, T* W,
                     int32_t ldw, const Spill<T>* spill = nullptr) {
  const int32_t m = p.m();
  if (m == 0) return;
  if (nb == 1)
    blas::gemv('N', m, p.w, T(-1), B, ldb, x + (p.f - 1), 1, T(0), W, 1);
  else
    blas::gemm('N', 'N', m, nb, p.w, T(-1), B, ldb, x + (p.f - 1), ldx, T(0), W, ldw);
  const int32_t inside =
      spill ? static_cast<int32_t>(std::upper_bound(p.rows, p.rows + m, spill->limit) - p.rows) : m;
  for (int32_t j = 0; j < nb; ++j) {
    T* xj = x + static_cast<int64_t>(j) * ldx;
    T* wj = W + static_cast<int64_t>(j) * ldw;
    for (int32_t k = 0; k < inside; ++k) xj[p.rows[k] - 1] += wj[k];
    for (int32_t k = inside; k < m; ++k) spill->acc[spill->slot[p.rows[k] - 1]] += wj[k];
    std::fill(wj, wj + m, T(0));
  }
}

// The forward step with B = L21.
template <class T>
void forward_offdiag(const Panel<T>& p, T* x, int32_t ldx, int32_t nb, T* W, int32_t ldw,
                     const Spill<T>* spill = nullptr) {
  forward_offdiag(p, p.l + p.w, p.h, x, ldx, nb, W, ldw, spill);
}

// Backward off-diagonal step, all right-hand sides: W = x(rows, :), then
// x(f..l, :) -= op(B)·W with B the m × w block (L21, or U12ᵀ for LU) of leading dimension ldb
// and op = transpose ('T') or conjugate transpose ('C'); gemv for one right-hand side.
template <class T>
void backward_offdiag(const Panel<T>& p, const T* B, int32_t ldb, char op, T* x, int32_t ldx, int32_t nb,
                      T* W, int32_t ldw) {
  const int32_t m = p.m();
  if (m == 0) return;
  for (int32_t j = 0; j < nb; ++j) {
    const T* xj = x + static_cast<int64_t>(j) * ldx;
    T* wj = W + static_cast<int64_t>(j) * ldw;
    for (int32_t k = 0; k < m; ++k) wj[k] = xj[p.rows[k] - 1];
  }
  if (nb == 1)
    blas::gemv(op, m, p.w, T(-1), B, ldb, W, 1, T(1), x + (p.f - 1), 1);
  else
    blas::gemm(op, 'N', p.w, nb, m, T(-1), B, ldb, W, ldw, T(1), x + (p.f - 1), ldx);
}

// Triangular solve with the w × w diagonal block A of a supernode for nb right-hand sides
// (x has leading dimension ldx): trsv for one, trsm for several.
template <class T>
void diagonal_solve(char uplo, char op, char diag, int32_t w, int32_t nb, const T* a, int32_t lda, T* x,
                    int32_t ldx) {
  if (w == 0) return;
  if (nb == 1)
    blas::trsv(uplo, op, diag, w, a, lda, x, 1);
  else
    blas::trsm('L', uplo, op, diag, w, nb, T(1), a, lda, x, ldx);
}

}  // namespace varnexo::solve
