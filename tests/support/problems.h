// Test support for the factorisation and solve tests: generated and read matrices, a
// brute-force symbolic factorisation with fundamental supernodes under a width limit, dense
// references, and a small row-pivoted LU kernel policy that exercises the U parts of the loop.
#pragma once
#include <metis.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <fstream>
#include <map>
#include <numeric>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "common/blas.h"
#include "common/scalar.h"
#include "factor/left_looking.h"
#include "factor/storage.h"
#include "support/csr.h"

namespace testnum {

using varnexo::conj;
using dcomplex = std::complex<double>;

using testsupport::Csr;
using testsupport::Entries;

// Compressed rows from an entry map; with `diagonal_first` the diagonal leads its row.
template <class T>
Csr<T> to_csr(int32_t n, const Entries<T>& e, bool diagonal_first) {
  Csr<T> m;
  m.n = n;
  std::vector<std::vector<std::pair<int32_t, T>>> rows(n + 1);
  for (const auto& [ij, v] : e) rows[ij.first].push_back({ij.second, v});
  m.ia.push_back(1);
  for (int32_t i = 1; i <= n; ++i) {
    auto& r = rows[i];
    if (diagonal_first)
      std::stable_partition(r.begin(), r.end(), [i](const auto& p) { return p.first == i; });
    for (const auto& [c, v] : r) {
      m.ja.push_back(c);
      m.a.push_back(v);
    }
    m.ia.push_back(static_cast<int32_t>(m.ja.size()) + 1);
  }
  return m;
}

// Upper-triangle entries of a symmetric / Hermitian matrix from its upper entries.
template <class T>
Csr<T> upper_csr(int32_t n, const Entries<T>& upper) {
  return to_csr(n, upper, true);
}

// Full entries from upper ones (mirror, conjugated when hermitian).
template <class T>
Entries<T> mirror(const Entries<T>& upper, bool hermitian) {
  Entries<T> full = upper;
  for (const auto& [ij, v] : upper)
    if (ij.first != ij.second) full[{ij.second, ij.first}] = hermitian ? conj(v) : v;
  return full;
}

template <class T>
std::vector<T> dense(int32_t n, const Entries<T>& full) {
  std::vector<T> d(static_cast<size_t>(n) * n, T(0));
  for (const auto& [ij, v] : full) d[(ij.second - 1) * static_cast<size_t>(n) + ij.first - 1] = v;
  return d;
}

// Grid Laplacians (upper entries), 5-point in 2D and 7-point in 3D.
inline Entries<double> laplacian(int32_t nx, int32_t ny, int32_t nz) {
  Entries<double> e;
  auto id = [&](int x, int y, int z) { return 1 + x + nx * (y + ny * z); };
  const double diag = nz > 1 ? 6.0 : 4.0;
  for (int z = 0; z < nz; ++z)
    for (int y = 0; y < ny; ++y)
      for (int x = 0; x < nx; ++x) {
        const int i = id(x, y, z);
        e[{i, i}] = diag;
        if (x + 1 < nx) e[{i, id(x + 1, y, z)}] = -1.0;
        if (y + 1 < ny) e[{i, id(x, y + 1, z)}] = -1.0;
        if (z + 1 < nz) e[{i, id(x, y, z + 1)}] = -1.0;
      }
  return e;
}

// An elasticity-like problem: three coupled unknowns per grid node, the Kronecker product of
// the 3D Laplacian with a positive definite 3 × 3 block (so positive definite itself).
inline Entries<double> elasticity(int32_t k) {
  const double B[3][3] = {{2.0, 0.6, 0.3}, {0.6, 2.0, 0.5}, {0.3, 0.5, 2.0}};
  Entries<double> e;
  for (const auto& [ij, v] : laplacian(k, k, k))
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 3; ++c) {
        const int32_t i = 3 * (ij.first - 1) + r + 1, j = 3 * (ij.second - 1) + c + 1;
        if (i <= j) e[{i, j}] = v * B[r][c];
      }
  return e;
}

// Random sparse symmetric (or Hermitian) positive definite by diagonal dominance.
template <class T>
Entries<T> random_spd(int32_t n, double density, uint32_t seed) {
  std::mt19937 g(seed);
  std::uniform_real_distribution<double> u(-1.0, 1.0), p(0.0, 1.0);
  Entries<T> e;
  std::vector<double> rowsum(n + 1, 0.0);
  for (int32_t i = 1; i <= n; ++i)
    for (int32_t j = i + 1; j <= n; ++j)
      if (p(g) < density) {
        T v;
        if constexpr (varnexo::is_complex_v<T>)
          v = T(u(g), u(g));
        else
          v = u(g);
        e[{i, j}] = v;
        rowsum[i] += std::abs(v);
        rowsum[j] += std::abs(v);
      }
  for (int32_t i = 1; i <= n; ++i) e[{i, i}] = T(rowsum[i] + 1.0 + p(g));
  return e;
}

// The symbolic factor of a pattern under an ordering, owning its arrays.
struct Symbolic {
  int32_t n = 0, nsuper = 0, tmpsiz = 0;
  std::vector<int32_t> perm, invp, xsuper, snode, xlindx, lindx, xlnz, xunz, nmod;
  varnexo::factor::SymbolicFactor view(bool lu) {
    varnexo::factor::SymbolicFactor s;
    s.n = n;
    s.nsuper = nsuper;
    s.perm = perm.data();
    s.invp = invp.data();
    s.xsuper = xsuper.data();
    s.snode = snode.data();
    s.xlindx = xlindx.data();
    s.lindx = lindx.data();
    s.xlnz = xlnz.data();
    s.xunz = lu ? xunz.data() : nullptr;
    s.nmod = nmod.data();
    s.lnz_size = xlnz[n] - 1;
    s.unz_size = xunz[n] - 1;
    s.temp_size = tmpsiz;
    return s;
  }
  int64_t lnz_size() const { return xlnz[n] - 1; }
  int64_t unz_size() const { return xunz[n] - 1; }
};

// Orderings: identity, a random permutation, or nested dissection by METIS.
enum class Ordering { natural, random, nested_dissection };

template <class T>
std::vector<int32_t> ordering(const Csr<T>& m, Ordering kind, uint32_t seed = 1) {
  const int32_t n = m.n;
  std::vector<int32_t> perm(n);
  std::iota(perm.begin(), perm.end(), 1);
  if (kind == Ordering::random) std::shuffle(perm.begin(), perm.end(), std::mt19937(seed));
  if (kind != Ordering::nested_dissection) return perm;
  std::vector<std::vector<idx_t>> adj(n);
  for (int32_t i = 1; i <= n; ++i)
    for (int32_t k = m.ia[i - 1]; k < m.ia[i]; ++k) {
      const int32_t c = m.ja[k - 1];
      if (c == i) continue;
      adj[i - 1].push_back(c - 1);
      adj[c - 1].push_back(i - 1);
    }
  std::vector<idx_t> xadj(1, 0), adjncy;
  for (auto& a : adj) {
    std::sort(a.begin(), a.end());
    a.erase(std::unique(a.begin(), a.end()), a.end());
    adjncy.insert(adjncy.end(), a.begin(), a.end());
    xadj.push_back(static_cast<idx_t>(adjncy.size()));
  }
  idx_t nv = n;
  std::vector<idx_t> mperm(n), miperm(n);
  idx_t options[METIS_NOPTIONS];
  METIS_SetDefaultOptions(options);
  METIS_NodeND(&nv, xadj.data(), adjncy.data(), nullptr, options, mperm.data(), miperm.data());
  for (int32_t k = 0; k < n; ++k) perm[k] = static_cast<int32_t>(mperm[k]) + 1;
  return perm;
}

// Brute-force symbolic elimination of the symmetrised pattern of `m` under `perm`, with
// fundamental supernodes of at most `width` columns.
template <class T>
Symbolic symbolic(const Csr<T>& m, const std::vector<int32_t>& perm, int32_t width) {
  Symbolic s;
  const int32_t n = m.n;
  s.n = n;
  s.perm = perm;
  s.invp.assign(n, 0);
  for (int32_t k = 1; k <= n; ++k) s.invp[perm[k - 1] - 1] = k;
  std::vector<std::vector<int32_t>> S(n + 1);  // rows below the diagonal, permuted numbering
  for (int32_t i = 1; i <= n; ++i)
    for (int32_t k = m.ia[i - 1]; k < m.ia[i]; ++k) {
      const int32_t a = s.invp[i - 1], b = s.invp[m.ja[k - 1] - 1];
      if (a != b) S[std::min(a, b)].push_back(std::max(a, b));
    }
  std::vector<int32_t> parent(n + 1, 0), nchild(n + 1, 0);
  std::vector<std::vector<int32_t>> children(n + 1);
  for (int32_t j = 1; j <= n; ++j) {
    auto& sj = S[j];
    for (int32_t c : children[j]) sj.insert(sj.end(), S[c].begin() + 1, S[c].end());
    std::sort(sj.begin(), sj.end());
    sj.erase(std::unique(sj.begin(), sj.end()), sj.end());
    if (!sj.empty()) {
      parent[j] = sj[0];
      children[sj[0]].push_back(j);
      ++nchild[sj[0]];
    }
  }
  // Fundamental supernodes: j continues j-1 when it is j-1's parent, j-1 its only child, the
  // column structures nest exactly, and the width limit allows.
  s.snode.assign(n, 0);
  s.xsuper.push_back(1);
  for (int32_t j = 1; j <= n; ++j) {
    const bool join = j > 1 && parent[j - 1] == j && nchild[j] == 1 && S[j - 1].size() == S[j].size() + 1 &&
                      j - s.xsuper.back() < width;
    if (!join && j > 1) s.xsuper.push_back(j);
    s.snode[j - 1] = static_cast<int32_t>(s.xsuper.size());
  }
  s.nsuper = static_cast<int32_t>(s.xsuper.size());
  s.xsuper.push_back(n + 1);
  s.xlindx.push_back(1);
  s.xlnz.push_back(1);
  s.xunz.push_back(1);
  for (int32_t J = 1; J <= s.nsuper; ++J) {
    const int32_t f = s.xsuper[J - 1], l = s.xsuper[J] - 1;
    for (int32_t c = f; c <= l; ++c) s.lindx.push_back(c);
    s.lindx.insert(s.lindx.end(), S[l].begin(), S[l].end());
    s.xlindx.push_back(static_cast<int32_t>(s.lindx.size()) + 1);
    const int32_t h = l - f + 1 + static_cast<int32_t>(S[l].size());
    for (int32_t c = f; c <= l; ++c) {
      s.xlnz.push_back(s.xlnz.back() + h);
      s.xunz.push_back(s.xunz.back() + static_cast<int32_t>(S[l].size()));
    }
  }
  // nmod and the largest update block through temp.
  s.nmod.assign(s.nsuper, 0);
  int64_t tmp = n;
  for (int32_t K = 1; K <= s.nsuper; ++K) {
    const int32_t w = s.xsuper[K] - s.xsuper[K - 1];
    const int32_t b = s.xlindx[K - 1] + w, e = s.xlindx[K];
    tmp = std::max<int64_t>(tmp, static_cast<int64_t>(e - b) * w);
    for (int32_t p = b; p < e;) {
      const int32_t t = s.snode[s.lindx[p - 1] - 1];
      int32_t q = p;
      while (q < e && s.snode[s.lindx[q - 1] - 1] == t) ++q;
      ++s.nmod[t - 1];
      tmp = std::max<int64_t>(tmp, static_cast<int64_t>(e - p) * (q - p));
      p = q;
    }
  }
  s.tmpsiz = static_cast<int32_t>(tmp);
  return s;
}

// Row-pivoted LU of each diagonal block (getrf), for tests of the LU parts of the loop and of
// the LU solves.
template <class T>
struct LuKernel {
  using scalar = T;
  static constexpr bool has_u = true;
  static constexpr char trans = 'T';
  int64_t product_capacity(int64_t tmpsiz) const { return tmpsiz; }
  bool right_factor(const varnexo::factor::UpdateSource<T>& s, int32_t,
                    varnexo::factor::Operand<T>* y) const {
    *y = s.u;
    return true;
  }
  void release_right_factor(int32_t) const {}
  int32_t factor_diagonal(const varnexo::factor::TargetBlock<T>& b) const {
    return varnexo::blas::getrf(b.ncol, b.ncol, b.l, b.jlen, b.pivot) != 0 ? -1 : 0;
  }
  void solve_offdiagonal(const varnexo::factor::TargetBlock<T>& b, int32_t first, int32_t last) const {
    const int32_t m = b.jlen - b.ncol, rows = last - first;
    if (rows <= 0) return;
    varnexo::blas::trsm('R', 'U', 'N', 'N', rows, b.ncol, T(1), b.l, b.jlen, b.l + b.ncol + first, b.jlen);
    T* u = b.u + first;
    for (int32_t j = 1; j < b.ncol; ++j)
      if (b.pivot[j - 1] != j) varnexo::blas::swap(rows, u + (j - 1) * m, 1, u + (b.pivot[j - 1] - 1) * m, 1);
    varnexo::blas::trsm('R', 'L', 'T', 'U', rows, b.ncol, T(1), b.l, b.jlen, u, m);
  }
};

// Normwise backward error ‖b − A·x‖∞ / (‖A‖∞·‖x‖∞ + ‖b‖∞) of one column, with A given by its
// full entries.
template <class T>
double backward_error(int32_t n, const Entries<T>& full, const T* x, const T* b, bool transposed = false) {
  std::vector<T> r(b, b + n);
  std::vector<double> rowabs(n + 1, 0.0);
  for (const auto& [ij, v] : full) {
    const int32_t i = transposed ? ij.second : ij.first, j = transposed ? ij.first : ij.second;
    r[i - 1] -= v * x[j - 1];
    rowabs[i] += std::abs(v);
  }
  double rn = 0, an = 0, xn = 0, bn = 0;
  for (int32_t i = 0; i < n; ++i) {
    rn = std::max(rn, std::abs(r[i]));
    an = std::max(an, rowabs[i + 1]);
    xn = std::max(xn, std::abs(x[i]));
    bn = std::max(bn, std::abs(b[i]));
  }
  return rn / (an * xn + bn);
}

}  // namespace testnum
