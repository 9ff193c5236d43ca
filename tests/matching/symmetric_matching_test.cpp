// The matchings built on the toolkit: the maximum-weight matching against brute force (square,
// rectangular, warm started), its scalings; the symmetric matching of random symmetric matrices
// (optimum against brute force for n <= 8, 2×2 blocks that are matched pairs, an order that
// expands to a permutation with every block adjacent, scalings at most 1); the split matching of
// saddle-point matrices; the padded structures.
#include "matching/symmetric_matching.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <random>
#include <set>
#include <vector>

#include "matching/maxmatching.h"
#include "matching/mps.h"

namespace {
namespace vm = varnexo::matching;

struct SmatDeleter {
  void operator()(vm::Smat* A) const { vm::smat_free(A); }
};
using SmatPtr = std::unique_ptr<vm::Smat, SmatDeleter>;

// Dense row-major m×n values (0 = no entry) as a toolkit matrix; `upper` keeps j >= i only.
SmatPtr make(int32_t m, int32_t n, const std::vector<double>& d, bool upper = false, bool keep_diag = false) {
  std::vector<int32_t> ia{0}, ja;
  std::vector<double> a;
  for (int32_t i = 0; i < m; ++i) {
    for (int32_t j = upper ? i : 0; j < n; ++j)
      if (d[i * n + j] != 0.0 || (keep_diag && i == j)) ja.push_back(j), a.push_back(d[i * n + j]);
    ia.push_back(int32_t(ja.size()));
  }
  SmatPtr A(vm::smat_new_nnz(m, n, int32_t(ja.size()), upper ? 1 : 0));
  std::copy(ia.begin(), ia.end(), A->ia);
  std::copy(ja.begin(), ja.end(), A->ja);
  std::copy(a.begin(), a.end(), A->a);
  return A;
}

// Random values of magnitudes spread over a few decades, density p; symmetric when asked.
std::vector<double> random_values(std::mt19937& rng, int32_t m, int32_t n, double p, bool symmetric) {
  std::uniform_real_distribution<double> u(0.0, 1.0);
  std::vector<double> d(size_t(m) * n, 0.0);
  for (int32_t i = 0; i < m; ++i)
    for (int32_t j = symmetric ? i : 0; j < n; ++j)
      if (u(rng) < p) {
        const double v = (u(rng) < 0.5 ? -1 : 1) * std::pow(10.0, 4.0 * u(rng) - 2.0);
        d[i * n + j] = v;
        if (symmetric) d[j * n + i] = v;
      }
  return d;
}

// Brute force over injective maps of the m rows into the n columns (m <= n): the largest number
// of rows matched through entries, and the largest sum of log-magnitudes among those maps.
void brute_force(int32_t m, int32_t n, const std::vector<double>& d, int32_t* card, double* best) {
  std::vector<int32_t> cols(n);
  std::iota(cols.begin(), cols.end(), 0);
  *card = -1;
  *best = -INFINITY;
  do {
    int32_t c = 0;
    double s = 0.0;
    for (int32_t i = 0; i < m; ++i) {
      const double x = std::fabs(d[i * n + cols[i]]);
      if (x != 0.0) ++c, s += std::log(x);
    }
    if (c > *card) *card = c, *best = s;
    if (c == *card) *best = std::max(*best, s);
  } while (std::next_permutation(cols.begin(), cols.end()));
}

double matched_log_sum(int32_t m, int32_t n, const std::vector<double>& d, const std::vector<int32_t>& perm) {
  double s = 0.0;
  for (int32_t j = 0; j < n; ++j)
    if (perm[j] >= 0 && perm[j] < m && d[perm[j] * n + j] != 0.0)
      s += std::log(std::fabs(d[perm[j] * n + j]));
  return s;
}

class MaxMatching : public ::testing::TestWithParam<int> {
 protected:
  std::mt19937 rng{uint32_t(GetParam())};
};

TEST_P(MaxMatching, SquareOptimumAndScalingsAgreeWithBruteForce) {
  const int32_t n = 2 + GetParam() % 6;
  const std::vector<double> d = random_values(rng, n, n, 0.45, false);
  SmatPtr A = make(n, n, d);
  std::vector<int32_t> perm(n);
  std::vector<double> u(n), v(n);
  const int32_t matched = vm::smat_unsym_reordering_mps(A.get(), perm.data(), u.data(), v.data(), false);
  int32_t card;
  double best;
  brute_force(n, n, d, &card, &best);
  ASSERT_EQ(matched, card);
  std::vector<int32_t> sorted(perm);
  std::sort(sorted.begin(), sorted.end());
  for (int32_t i = 0; i < n; ++i)
    ASSERT_EQ(sorted[i], i) << "a square matching is completed to a permutation";
  if (card < n) return;  // the weight is optimal among the complete matchings only
  EXPECT_NEAR(matched_log_sum(n, n, d, perm), best, 1e-9);
  for (int32_t i = 0; i < n; ++i)
    for (int32_t j = 0; j < n; ++j) {
      if (d[i * n + j] == 0.0) continue;
      const double s = std::exp(u[i]) * std::fabs(d[i * n + j]) * std::exp(v[j]);
      EXPECT_LE(s, 1.0 + 1e-12);
      if (perm[j] == i) {
        EXPECT_NEAR(s, 1.0, 1e-12);
      }
    }
}

TEST_P(MaxMatching, RectangularMatchesEveryRowItCan) {
  const int32_t m = 1 + GetParam() % 4, n = m + 1 + GetParam() % 3;
  const std::vector<double> d = random_values(rng, m, n, 0.4, false);
  SmatPtr A = make(m, n, d);
  std::vector<int32_t> perm(n);
  std::vector<double> u(m), v(n);
  const int32_t matched = vm::smat_unsym_reordering_mps(A.get(), perm.data(), u.data(), v.data(), false);
  int32_t card;
  double best;
  brute_force(m, n, d, &card, &best);
  EXPECT_EQ(matched, card);
  if (card == m) {
    EXPECT_NEAR(matched_log_sum(m, n, d, perm), best, 1e-9);
  }
  std::set<int32_t> rows;
  for (int32_t j = 0; j < n; ++j)
    if (perm[j] >= 0) {
      EXPECT_TRUE(rows.insert(perm[j]).second) << "a row matched twice";
    }
}

TEST_P(MaxMatching, WarmStartReachesTheSameOptimum) {
  const int32_t n = 3 + GetParam() % 5;
  const std::vector<double> d = random_values(rng, n, n, 0.5, false);
  SmatPtr A = make(n, n, d);
  std::vector<int32_t> cold(n), warm(n);
  std::vector<double> u(n), v(n);
  const int32_t c = vm::smat_unsym_reordering_mps(A.get(), cold.data(), u.data(), v.data(), false);
  std::uniform_real_distribution<double> jitter(-3.0, 3.0);
  for (double& x : v) x += jitter(rng);
  const int32_t w = vm::smat_unsym_reordering_mps(A.get(), warm.data(), u.data(), v.data(), true);
  EXPECT_EQ(c, w);
  EXPECT_NEAR(matched_log_sum(n, n, d, cold), matched_log_sum(n, n, d, warm), 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Seeds, MaxMatching, ::testing::Range(1, 41));

// ---- The symmetric matching ---------------------------------------------------------------

// An ordering callback that shuffles the nodes (seeded) and reports two domains when asked.
vm::CompressedOrdering shuffled(uint32_t seed, bool domains) {
  return [seed, domains](int32_t nc, const int32_t* xadj, const int32_t* adjncy, const int32_t*,
                         int32_t* order, std::vector<int32_t>& dom) {
    // The graph must be symmetric and without self loops.
    for (int32_t v = 0; v < nc; ++v)
      for (int32_t k = xadj[v]; k < xadj[v + 1]; ++k) {
        const int32_t w = adjncy[k];
        if (w == v || !std::binary_search(adjncy + xadj[w], adjncy + xadj[w + 1], v)) return false;
      }
    std::iota(order, order + nc, 0);
    std::mt19937 r(seed);
    std::shuffle(order, order + nc, r);
    if (domains && nc >= 4) dom = {0, nc / 2 - 1, nc / 2, nc - 2};
    return true;
  };
}

struct SymmetricCase {
  int32_t n;
  std::vector<double> d;  // full symmetric dense matrix
  std::vector<int32_t> sigma;
  std::vector<double> rows, cols;
};

SymmetricCase symmetric_case(std::mt19937& rng, int32_t n, double zero_diag_share) {
  SymmetricCase c;
  c.n = n;
  for (;;) {
    c.d = random_values(rng, n, n, 0.35, true);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    for (int32_t i = 0; i < n; ++i) c.d[i * n + i] = u(rng) < zero_diag_share ? 0.0 : 1.0 + u(rng);
    SmatPtr F = make(n, n, c.d);
    c.sigma.assign(n, -1);
    c.rows.assign(n, 0.0);
    c.cols.assign(n, 0.0);
    if (vm::mps(n, F->ia, F->ja, F->a, c.sigma.data(), c.rows.data(), c.cols.data(), 0) == 0) return c;
  }
}

class SymmetricMatching : public ::testing::TestWithParam<int> {
 protected:
  std::mt19937 rng{uint32_t(1000 + GetParam())};
};

TEST_P(SymmetricMatching, OptimumOfTheFullStructureAgreesWithBruteForce) {
  const int32_t n = 2 + GetParam() % 7;  // up to 8
  SymmetricCase c = symmetric_case(rng, n, 0.6);
  int32_t card;
  double best;
  brute_force(n, n, c.d, &card, &best);
  ASSERT_EQ(card, n);
  double got = 0.0;
  for (int32_t j = 0; j < n; ++j) got += std::log(std::fabs(c.d[c.sigma[j] * n + j]));
  EXPECT_NEAR(got, best, 1e-9);
}

TEST_P(SymmetricMatching, BlocksAreMatchedPairsKeptAdjacentAndScalingsAtMostOne) {
  const int32_t n = 2 + GetParam() % 14;
  SymmetricCase c = symmetric_case(rng, n, 0.6);
  // The pair test reads the scaled diagonal, as the driver gives it.
  std::vector<double> s(n), scaled(c.d.size());
  for (int32_t i = 0; i < n; ++i) s[i] = std::exp(0.5 * (c.rows[i] + c.cols[i]));
  for (int32_t i = 0; i < n; ++i)
    for (int32_t j = 0; j < n; ++j) scaled[i * n + j] = s[i] * c.d[i * n + j] * s[j];
  SmatPtr U = make(n, n, scaled, true, true);
  vm::SymmetricOrder out;
  vm::BitVec* marks = vm::bitvec_new(n);
  ASSERT_EQ(
      vm::mps_sym(*U, c.sigma.data(), vm::kPairDiagonalThreshold, shuffled(GetParam(), true), out, marks), 0);
  std::vector<int32_t> sorted(out.perm);
  std::sort(sorted.begin(), sorted.end());
  for (int32_t i = 0; i < n; ++i) ASSERT_EQ(sorted[i], i);
  int32_t blocks = 0;
  for (int32_t k = 0; k < n; ++k) {
    const int32_t i = out.perm[k];
    if (vm::bitvec_is_set(marks, k)) {
      EXPECT_EQ(out.mate[i], -1);
      continue;
    }
    // A clear mark opens a block of two matched rows at k, k+1.
    ASSERT_LT(k + 1, n);
    const int32_t j = out.perm[k + 1];
    EXPECT_EQ(out.mate[i], j);
    EXPECT_TRUE(c.sigma[i] == j || c.sigma[j] == i) << "a block that is no matched pair";
    EXPECT_FALSE(std::fabs(scaled[i * n + i]) > 1e-8 && std::fabs(scaled[j * n + j]) > 1e-8);
    ++blocks, ++k;
  }
  EXPECT_EQ(blocks, out.blocks);
  for (int32_t i = 0; i < n; ++i)
    for (int32_t j = 0; j < n; ++j) {
      if (c.d[i * n + j] == 0.0) continue;
      EXPECT_LE(std::fabs(scaled[i * n + j]), 1.0 + 1e-12);
      if (c.sigma[j] == i) {
        EXPECT_NEAR(std::fabs(scaled[i * n + j]), 1.0, 1e-12);
      }
    }
  // Domains of nodes become ranges of positions that never split a block.
  for (size_t t = 0; t + 1 < out.domains.size(); t += 2) {
    const int32_t first = out.domains[t], last = out.domains[t + 1];
    EXPECT_LE(first, last + 1);
    if (first > 0 && first < n) {
      EXPECT_TRUE(vm::bitvec_is_set(marks, first - 1) || out.mate[out.perm[first - 1]] != out.perm[first]);
    }
  }
  vm::bitvec_free(marks);
}

INSTANTIATE_TEST_SUITE_P(Seeds, SymmetricMatching, ::testing::Range(1, 41));

// Runs mps_sym on a dense symmetric matrix with the given matching and the identity ordering.
vm::SymmetricOrder order_of(int32_t n, const std::vector<double>& d, const std::vector<int32_t>& sigma,
                            std::vector<char>* singles = nullptr) {
  SmatPtr U = make(n, n, d, true, true);
  vm::SymmetricOrder out;
  vm::BitVec* marks = vm::bitvec_new(n);
  auto identity = [](int32_t nc, const int32_t*, const int32_t*, const int32_t*, int32_t* order,
                     std::vector<int32_t>&) {
    std::iota(order, order + nc, 0);
    return true;
  };
  EXPECT_EQ(vm::mps_sym(*U, sigma.data(), vm::kPairDiagonalThreshold, identity, out, marks), 0);
  if (singles)
    for (int32_t k = 0; k < n; ++k) singles->push_back(vm::bitvec_is_set(marks, k));
  vm::bitvec_free(marks);
  return out;
}

TEST(SymmetricMatchingCases, IdentityMatchingGivesOnlySinglePivots) {
  std::vector<char> singles;
  const auto out = order_of(3, {2, 1, 0, 1, 2, 1, 0, 1, 2}, {0, 1, 2}, &singles);
  EXPECT_EQ(out.perm, (std::vector<int32_t>{0, 1, 2}));
  EXPECT_EQ(singles, (std::vector<char>{1, 1, 1}));
  EXPECT_EQ(out.blocks, 0);
}

TEST(SymmetricMatchingCases, TwoCycleWithZeroDiagonalIsABlock) {
  std::vector<char> singles;
  const auto out = order_of(3, {1, 0, 0, 0, 0, 1, 0, 1, 0}, {0, 2, 1}, &singles);
  EXPECT_EQ(out.perm, (std::vector<int32_t>{0, 1, 2}));
  EXPECT_EQ(singles, (std::vector<char>{1, 0, 0}));
  EXPECT_EQ(out.mate, (std::vector<int32_t>{-1, 2, 1}));
}

TEST(SymmetricMatchingCases, TwoCycleWithUnitDiagonalIsTwoSinglePivots) {
  std::vector<char> singles;
  const auto out = order_of(2, {1, 1, 1, 1}, {1, 0}, &singles);
  EXPECT_EQ(singles, (std::vector<char>{1, 1}));
  EXPECT_EQ(out.blocks, 0);
}

TEST(SymmetricMatchingCases, ThreeCyclePutsItsFirstMemberAtTheBack) {
  std::vector<char> singles;
  const auto out = order_of(3, {0, 1, 1, 1, 0, 1, 1, 1, 0}, {1, 2, 0}, &singles);
  EXPECT_EQ(out.perm, (std::vector<int32_t>{1, 2, 0}));
  EXPECT_EQ(singles, (std::vector<char>{0, 0, 1}));
}

TEST(SymmetricMatchingCases, NoPermutationIsRefused) {
  SmatPtr U = make(2, 2, {1, 1, 1, 1}, true);
  vm::SymmetricOrder out;
  const int32_t sigma[] = {0, 0};
  EXPECT_EQ(vm::mps_sym(*U, sigma, 1e-8, shuffled(1, false), out), vm::kSymmetricBadInput);
}

// ---- Split matching and padded structures -------------------------------------------------

class SaddlePoint : public ::testing::TestWithParam<int> {
 protected:
  std::mt19937 rng{uint32_t(2000 + GetParam())};
};

TEST_P(SaddlePoint, ConstraintsArePairedWithCoupledRowsAndScaledToAtMostOne) {
  const int32_t m = 3 + GetParam() % 8, c = 2 + GetParam() % (m - 1),
                n = m + c;  // one constraint row goes unseen
  std::vector<double> d(size_t(n) * n, 0.0);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  for (int32_t i = 0; i < m; ++i) d[i * n + i] = std::pow(10.0, 3 * u(rng));
  for (int32_t k = 0; k < c; ++k)
    for (int32_t i = 0; i < m; ++i)
      if (u(rng) < 0.4 || i == k) d[i * n + m + k] = d[(m + k) * n + i] = std::pow(10.0, 4 * u(rng) - 2);
  for (bool upper : {true, false}) {
    SmatPtr A = make(n, n, d, upper, true);
    vm::SplitMatching s;
    ASSERT_EQ(vm::split_matching(*A, s), 0);
    EXPECT_EQ(s.constraints, c);
    EXPECT_EQ(s.paired, c) << "every constraint has a coupling entry of its own";
    for (int32_t i = 0; i < n; ++i) {
      ASSERT_EQ(s.partner[s.partner[i]], i) << "an involution";
      if (s.partner[i] != i) {
        EXPECT_NE(d[i * n + s.partner[i]], 0.0) << "a pair through a zero";
      }
    }
    for (int32_t i = 0; i < m; ++i) EXPECT_NEAR(std::exp(2 * s.log_scaling[i]) * d[i * n + i], 1.0, 1e-12);
    for (int32_t k = 0; k < c; ++k) {
      double largest = 0.0;
      for (int32_t i = 0; i < m; ++i)
        largest = std::max(largest,
                           std::exp(s.log_scaling[i] + s.log_scaling[m + k]) * std::fabs(d[i * n + m + k]));
      EXPECT_NEAR(largest, 1.0, 1e-12);
    }
  }
}

TEST_P(SaddlePoint, PaddedStructureGivesBothMembersOfABlockOneNeighbourhood) {
  const int32_t n = 4 + GetParam() % 12;
  SymmetricCase c = symmetric_case(rng, n, 0.8);
  SmatPtr U = make(n, n, c.d, true, true);
  vm::SymmetricOrder out;
  ASSERT_EQ(vm::mps_sym(*U, c.sigma.data(), 1e-8, shuffled(7, false), out), 0);
  SmatPtr P(vm::pad_pair_structure(*U, out.mate.data()));
  ASSERT_TRUE(P && vm::smat_is_consistent(P.get()));
  std::vector<std::set<int32_t>> closed(n);
  for (int32_t i = 0; i < n; ++i)
    for (int32_t k = P->ia[i]; k < P->ia[i + 1]; ++k) closed[i].insert(P->ja[k]), closed[P->ja[k]].insert(i);
  for (int32_t i = 0; i < n; ++i) {
    for (int32_t j = i; j < n; ++j)
      if (c.d[i * n + j] != 0.0) {
        EXPECT_TRUE(closed[i].count(j)) << "an entry of A lost";
      }
    if (out.mate[i] >= 0) {
      EXPECT_EQ(closed[i], closed[out.mate[i]]);
    }
  }
}

TEST_P(SaddlePoint, PaddedMatrixMapsEveryEntryAndSharesBlockColumns) {
  const int32_t n = 4 + GetParam() % 10;
  SymmetricCase c = symmetric_case(rng, n, 0.8);
  SmatPtr U = make(n, n, c.d, true, true);
  vm::SymmetricOrder out;
  vm::BitVec* marks = vm::bitvec_new(n);
  ASSERT_EQ(vm::mps_sym(*U, c.sigma.data(), 1e-8, shuffled(3, false), out, marks), 0);
  vm::Perm* pi = vm::perm_new_copy_from(n, out.perm.data());
  vm::Perm* map = vm::perm_new(U->nnz);
  SmatPtr B(vm::build_padded_2x2_mat(U.get(), pi, marks, map));
  ASSERT_TRUE(B && vm::smat_is_consistent(B.get()));
  std::vector<int32_t> inv(n);
  for (int32_t k = 0; k < n; ++k) inv[out.perm[k]] = k;
  for (int32_t i = 0; i < n; ++i)
    for (int32_t t = U->ia[i]; t < U->ia[i + 1]; ++t) {
      const int32_t pos = map->p[t], r = std::min(inv[i], inv[U->ja[t]]),
                    col = std::max(inv[i], inv[U->ja[t]]);
      EXPECT_EQ(B->a[pos], U->a[t]);
      EXPECT_EQ(B->ja[pos], col);
      EXPECT_TRUE(pos >= B->ia[r] && pos < B->ia[r + 1]);
    }
  for (int32_t k = 0; k + 1 < n; ++k) {
    if (vm::bitvec_is_set(marks, k)) continue;
    std::vector<int32_t> first(B->ja + B->ia[k] + 1, B->ja + B->ia[k + 1]);  // without the diagonal
    std::vector<int32_t> second(B->ja + B->ia[k + 1], B->ja + B->ia[k + 2]);
    EXPECT_EQ(first, second) << "block at " << k;
    ++k;
  }
  vm::perm_free(pi);
  vm::perm_free(map);
  vm::bitvec_free(marks);
}

INSTANTIATE_TEST_SUITE_P(Seeds, SaddlePoint, ::testing::Range(1, 21));

}  // namespace
