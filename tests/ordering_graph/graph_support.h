// Test support for the graph and ordering tests: random patterns in the three storage kinds, a
// brute-force symmetric graph, a small Matrix Market pattern reader, grids, and a symbolic
// elimination that counts nnz(L) of a permuted pattern.
#pragma once
#include <algorithm>
#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace graph_test {

// A pattern in compressed rows, 1-based.
struct Pattern {
  int32_t n = 0;
  std::vector<int32_t> ia, ja;
  int32_t nnz() const { return ia.empty() ? 0 : ia[n] - 1; }
};

// Sets of column indices per row (0-based rows and columns).
using RowSets = std::vector<std::set<int32_t>>;

inline Pattern from_sets(const RowSets& rows, bool diagonal_first) {
  Pattern p;
  p.n = static_cast<int32_t>(rows.size());
  p.ia.push_back(1);
  for (int32_t i = 0; i < p.n; ++i) {
    if (diagonal_first && rows[i].count(i)) p.ja.push_back(i + 1);
    for (int32_t j : rows[i])
      if (!(diagonal_first && j == i)) p.ja.push_back(j + 1);
    p.ia.push_back(static_cast<int32_t>(p.ja.size()) + 1);
  }
  return p;
}

// A random symmetric pattern with full diagonal (both triangles).
inline RowSets random_symmetric(int32_t n, double density, uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> u(0, 1);
  RowSets rows(n);
  for (int32_t i = 0; i < n; ++i) {
    rows[i].insert(i);
    for (int32_t j = i + 1; j < n; ++j)
      if (u(rng) < density) {
        rows[i].insert(j);
        rows[j].insert(i);
      }
  }
  return rows;
}

// A random unsymmetric pattern; the diagonal is present with probability 1/2.
inline RowSets random_unsymmetric(int32_t n, double density, uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> u(0, 1);
  RowSets rows(n);
  for (int32_t i = 0; i < n; ++i)
    for (int32_t j = 0; j < n; ++j)
      if ((i == j && u(rng) < 0.5) || (i != j && u(rng) < density)) rows[i].insert(j);
  return rows;
}

inline RowSets upper_triangle(const RowSets& full) {
  RowSets up(full.size());
  for (size_t i = 0; i < full.size(); ++i)
    for (int32_t j : full[i])
      if (j >= static_cast<int32_t>(i)) up[i].insert(j);
  return up;
}

// The symmetric diagonal-free graph of rows (and their transpose), 0-based neighbour sets.
inline RowSets brute_force_graph(const RowSets& rows) {
  RowSets g(rows.size());
  for (size_t i = 0; i < rows.size(); ++i)
    for (int32_t j : rows[i])
      if (j != static_cast<int32_t>(i)) {
        g[i].insert(j);
        g[j].insert(static_cast<int32_t>(i));
      }
  return g;
}

// A 1-based graph in (xadj, adjncy) form.
struct Graph {
  int32_t n = 0;
  std::vector<int32_t> xadj, adjncy;
  int32_t len() const { return xadj[n] - 1; }
};

inline Graph graph_from_sets(const RowSets& g) {
  Graph out;
  out.n = static_cast<int32_t>(g.size());
  out.xadj.push_back(1);
  for (const auto& s : g) {
    for (int32_t j : s) out.adjncy.push_back(j + 1);
    out.xadj.push_back(static_cast<int32_t>(out.adjncy.size()) + 1);
  }
  if (out.adjncy.empty()) out.adjncy.push_back(0);  // keep data() valid
  return out;
}

inline RowSets sets_from_graph(const Graph& g) {
  RowSets s(g.n);
  for (int32_t v = 0; v < g.n; ++v)
    for (int32_t k = g.xadj[v]; k < g.xadj[v + 1]; ++k) s[v].insert(g.adjncy[k - 1] - 1);
  return s;
}

// nx × ny five-point grid.
inline RowSets grid2d(int32_t nx, int32_t ny) {
  RowSets g(nx * ny);
  for (int32_t y = 0; y < ny; ++y)
    for (int32_t x = 0; x < nx; ++x) {
      const int32_t v = y * nx + x;
      if (x + 1 < nx) g[v].insert(v + 1), g[v + 1].insert(v);
      if (y + 1 < ny) g[v].insert(v + nx), g[v + nx].insert(v);
    }
  return g;
}

// nx × ny × nz seven-point grid.
inline RowSets grid3d(int32_t nx, int32_t ny, int32_t nz) {
  RowSets g(nx * ny * nz);
  for (int32_t z = 0; z < nz; ++z)
    for (int32_t y = 0; y < ny; ++y)
      for (int32_t x = 0; x < nx; ++x) {
        const int32_t v = (z * ny + y) * nx + x;
        if (x + 1 < nx) g[v].insert(v + 1), g[v + 1].insert(v);
        if (y + 1 < ny) g[v].insert(v + nx), g[v + nx].insert(v);
        if (z + 1 < nz) g[v].insert(v + nx * ny), g[v + nx * ny].insert(v);
      }
  return g;
}

// True when perm and invp (1-based) are inverse permutations of 1..n.
inline bool inverse_permutations(const std::vector<int32_t>& perm, const std::vector<int32_t>& invp) {
  const int32_t n = static_cast<int32_t>(perm.size());
  std::vector<char> seen(n, 0);
  for (int32_t k = 1; k <= n; ++k) {
    const int32_t v = perm[k - 1];
    if (v < 1 || v > n || seen[v - 1] || invp[v - 1] != k) return false;
    seen[v - 1] = 1;
  }
  return true;
}

// nnz(L) (diagonal included) of the graph eliminated in the order perm (1-based, new -> old), by
// explicit symbolic elimination: the structure of each column joins that of its parent.
inline int64_t fill_count(const RowSets& g, const std::vector<int32_t>& perm) {
  const int32_t n = static_cast<int32_t>(g.size());
  std::vector<int32_t> invp(n);
  for (int32_t k = 0; k < n; ++k) invp[perm[k] - 1] = k;
  std::vector<std::vector<int32_t>> cols(n);
  for (int32_t v = 0; v < n; ++v)
    for (int32_t u : g[v])
      if (invp[u] > invp[v]) cols[invp[v]].push_back(invp[u]);
  int64_t total = 0;
  std::vector<int32_t> merged;
  for (int32_t k = 0; k < n; ++k) {
    auto& c = cols[k];
    std::sort(c.begin(), c.end());
    c.erase(std::unique(c.begin(), c.end()), c.end());
    total += static_cast<int64_t>(c.size()) + 1;
    if (c.empty()) continue;
    auto& p = cols[c[0]];
    merged.clear();
    std::sort(p.begin(), p.end());
    std::set_union(p.begin(), p.end(), c.begin() + 1, c.end(), std::back_inserter(merged));
    p.swap(merged);
    std::vector<int32_t>().swap(c);
  }
  return total;
}

inline std::vector<int32_t> natural_order(int32_t n) {
  std::vector<int32_t> p(n);
  for (int32_t k = 0; k < n; ++k) p[k] = k + 1;
  return p;
}

}  // namespace graph_test
