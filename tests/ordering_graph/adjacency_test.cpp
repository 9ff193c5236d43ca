// The adjacency graph of every storage kind against a brute-force symmetric diagonal-free graph,
// and the compressed-row helpers of the loading step (stable sort, mirror swap).
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

#include "graph_support.h"
#include "ordering/ordering_entries.h"
#include "ordering/ordering_internal.h"

using namespace graph_test;

namespace {

Graph build_one_triangle(const Pattern& p, int32_t nproc) {
  Graph g;
  g.n = p.n;
  const int32_t n = p.n, np1 = n + 1, nnz = p.nnz(), one = 1;
  const int32_t adjlen = std::max(1, 2 * (nnz - n));
  g.xadj.assign(n + 1, -7);
  g.adjncy.assign(adjlen, -7);
  std::vector<int32_t> work(2 * (n + 1), -7);
  ladj_mod_varnexo_(&n, &np1, &nnz, &nproc, p.ia.data(), p.ja.data(), &adjlen, g.xadj.data(), g.adjncy.data(),
                    work.data(), &one);
  return g;
}

Graph build_full(const Pattern& p) {
  Graph g;
  g.n = p.n;
  const int32_t n = p.n, np1 = n + 1, nnz = p.nnz(), nproc = 1, flag = 0;
  const int32_t adjlen = std::max(1, nnz - n);
  g.xadj.assign(n + 1, -7);
  g.adjncy.assign(adjlen, -7);
  std::vector<int32_t> work(2 * (n + 1));
  ladj_mod_varnexo_(&n, &np1, &nnz, &nproc, p.ia.data(), p.ja.data(), &adjlen, g.xadj.data(), g.adjncy.data(),
                    work.data(), &flag);
  return g;
}

Graph build_unsymmetric(const Pattern& p, const std::vector<int32_t>& q, int32_t& adjlen) {
  Graph g;
  g.n = p.n;
  const int32_t n = p.n, np1 = n + 1, nnz = p.nnz(), nproc = 1;
  g.xadj.assign(n + 1, -7);
  g.adjncy.assign(3 * nnz + n, -7);
  std::vector<int32_t> work(n + 1 + nnz);
  ladjun_varnexo_(&n, &np1, &nnz, &nproc, p.ia.data(), p.ja.data(), q.data(), &adjlen, g.xadj.data(),
                  g.adjncy.data(), work.data());
  return g;
}

bool lists_sorted(const Graph& g) {
  for (int32_t v = 0; v < g.n; ++v)
    if (!std::is_sorted(g.adjncy.begin() + (g.xadj[v] - 1), g.adjncy.begin() + (g.xadj[v + 1] - 1)))
      return false;
  return true;
}

// Every list holds exactly the brute-force neighbours, once each.
void expect_graph_equals(const Graph& g, const RowSets& expected) {
  ASSERT_EQ(g.xadj[0], 1);
  for (int32_t v = 0; v < g.n; ++v) {
    std::vector<int32_t> list(g.adjncy.begin() + (g.xadj[v] - 1), g.adjncy.begin() + (g.xadj[v + 1] - 1));
    std::vector<int32_t> want;
    for (int32_t u : expected[v]) want.push_back(u + 1);
    std::sort(list.begin(), list.end());
    EXPECT_EQ(list, want) << "vertex " << v + 1;
  }
}

struct Size {
  int32_t n;
  double density;
};

class AdjacencyGraph : public ::testing::TestWithParam<Size> {};

TEST_P(AdjacencyGraph, OneTriangleMatchesBruteForceForOneAndTwoBlocks) {
  for (uint32_t seed = 1; seed <= 5; ++seed) {
    const RowSets full = random_symmetric(GetParam().n, GetParam().density, seed);
    const Pattern upper = from_sets(upper_triangle(full), true);
    const Graph one = build_one_triangle(upper, 1);
    expect_graph_equals(one, brute_force_graph(full));
    EXPECT_TRUE(lists_sorted(one));
    EXPECT_EQ(one.xadj[one.n] - 1, static_cast<int32_t>(2 * (upper.nnz() - upper.n)));
    for (int32_t nproc : {2, 3, 8}) {
      const Graph two = build_one_triangle(upper, nproc);
      EXPECT_EQ(two.xadj, one.xadj);
      EXPECT_EQ(two.adjncy, one.adjncy);
    }
  }
}

TEST_P(AdjacencyGraph, FullStructurallySymmetricMatchesBruteForce) {
  for (uint32_t seed = 11; seed <= 15; ++seed) {
    const RowSets full = random_symmetric(GetParam().n, GetParam().density, seed);
    const Graph g = build_full(from_sets(full, false));
    expect_graph_equals(g, brute_force_graph(full));
    EXPECT_TRUE(lists_sorted(g));
  }
}

TEST_P(AdjacencyGraph, UnsymmetricWithRowPermutationMatchesBruteForce) {
  for (uint32_t seed = 21; seed <= 25; ++seed) {
    const int32_t n = GetParam().n;
    const RowSets rows = random_unsymmetric(n, GetParam().density, seed);
    std::vector<int32_t> q(n);
    std::iota(q.begin(), q.end(), 1);
    std::shuffle(q.begin(), q.end(), std::mt19937(seed));
    RowSets b(n);  // row k of B is row q(k) of A
    for (int32_t k = 0; k < n; ++k) b[k] = rows[q[k] - 1];
    int32_t adjlen = -1;
    const Graph g = build_unsymmetric(from_sets(rows, false), q, adjlen);
    expect_graph_equals(g, brute_force_graph(b));
    EXPECT_TRUE(lists_sorted(g));
    EXPECT_EQ(adjlen, g.xadj[n] - 1);
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, AdjacencyGraph,
                         ::testing::Values(Size{1, 0.0}, Size{2, 1.0}, Size{7, 0.4}, Size{40, 0.1},
                                           Size{150, 0.03}));

TEST(AdjacencyGraphEdges, DiagonalOnlyGivesEmptyListsInEveryStorage) {
  RowSets diag(5);
  for (int32_t i = 0; i < 5; ++i) diag[i].insert(i);
  const Pattern p = from_sets(diag, true);
  for (int32_t nproc : {1, 2}) {
    const Graph g = build_one_triangle(p, nproc);
    EXPECT_EQ(g.xadj, std::vector<int32_t>(6, 1));
  }
  EXPECT_EQ(build_full(p).xadj, std::vector<int32_t>(6, 1));
  int32_t adjlen = -1;
  const Graph u = build_unsymmetric(p, {1, 2, 3, 4, 5}, adjlen);
  EXPECT_EQ(u.xadj, std::vector<int32_t>(6, 1));
  EXPECT_EQ(adjlen, 0);
}

TEST(AdjacencyGraphEdges, BothMirrorEntriesAndMissingDiagonalGiveEachEdgeOnce) {
  // Row 1: (1,2) and (2,1) both stored; row 2 lacks its diagonal.
  RowSets rows(3);
  rows[0] = {0, 1};
  rows[1] = {0, 2};
  rows[2] = {2};
  int32_t adjlen = -1;
  const Graph g = build_unsymmetric(from_sets(rows, false), {1, 2, 3}, adjlen);
  EXPECT_EQ(g.xadj, (std::vector<int32_t>{1, 2, 4, 5}));
  EXPECT_EQ(std::vector<int32_t>(g.adjncy.begin(), g.adjncy.begin() + 4), (std::vector<int32_t>{2, 1, 3, 2}));
  EXPECT_EQ(adjlen, 4);
}

// ---------------------------------------------------------------------------------------------

class StableKeySort : public ::testing::TestWithParam<int32_t> {};

TEST_P(StableKeySort, MatchesStableSortWithCompanions) {
  const int32_t m = GetParam();
  std::mt19937 rng(m);
  for (int32_t range : {3, 1000}) {
    std::vector<int32_t> key(m), comp(m);
    for (int32_t i = 0; i < m; ++i) {
      key[i] = static_cast<int32_t>(rng() % range);
      comp[i] = i;  // the original position: stability is visible in the companions
    }
    std::vector<std::pair<int32_t, int32_t>> want;
    for (int32_t i = 0; i < m; ++i) want.emplace_back(key[i], comp[i]);
    std::stable_sort(want.begin(), want.end(), [](auto a, auto b) { return a.first < b.first; });
    std::vector<int32_t> s1(std::max(m, 1)), s2(std::max(m, 1));
    kgiqsort_varnexo_(&m, key.data(), comp.data(), s1.data(), s2.data());
    for (int32_t i = 0; i < m; ++i) {
      EXPECT_EQ(key[i], want[i].first);
      EXPECT_EQ(comp[i], want[i].second);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Lengths, StableKeySort,
                         ::testing::Values(1, 2, 3, 4, 5, 7, 8, 9, 13, 16, 31, 64, 100, 1001));

TEST(MirrorSwap, CompanionOfTransposeLaidOnThePattern) {
  for (uint32_t seed = 1; seed <= 4; ++seed) {
    const int32_t n = 30;
    const RowSets full = random_symmetric(n, 0.15, seed);
    const Pattern p = from_sets(full, false);
    const int32_t nnz = p.nnz();
    // comp(k) encodes the entry (i, j) at position k; after the swap it must encode (j, i).
    std::vector<int32_t> comp(nnz), row_of(nnz);
    for (int32_t i = 1; i <= n; ++i)
      for (int32_t k = p.ia[i - 1]; k < p.ia[i]; ++k) {
        row_of[k - 1] = i;
        comp[k - 1] = i * 1000 + p.ja[k - 1];
      }
    std::vector<int32_t> work(n);
    kgtransp_str_ia_varnexo_(&n, &nnz, p.ia.data(), p.ja.data(), comp.data(), work.data());
    for (int32_t k = 0; k < nnz; ++k) EXPECT_EQ(comp[k], p.ja[k] * 1000 + row_of[k]);
  }
}

}  // namespace
