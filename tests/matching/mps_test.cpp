// The unsymmetric maximum-product matching: optimality against a brute force over all
// permutations, the scaling property, structural singularity, tie rules, real matrices and
// allocation failures.
#include "matching/mps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "common/memory.h"
#include "support/matrices.h"

namespace {
using Csr = testsupport::Csr<double>;  // 0-based rows, as the matching takes them
using varnexo::matching::mps;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

Csr from_dense(int32_t n, const std::vector<double>& d, bool keep_zeros = false) {
  Csr m;
  m.n = n;
  m.ia.push_back(0);
  for (int32_t i = 0; i < n; ++i) {
    for (int32_t j = 0; j < n; ++j)
      if (d[i * n + j] != 0.0 || keep_zeros) m.ja.push_back(j), m.a.push_back(d[i * n + j]);
    m.ia.push_back(int32_t(m.ja.size()));
  }
  return m;
}

struct Result {
  int status = 0;
  int32_t matched = 0;
  std::vector<int32_t> perm;
  std::vector<double> rows, cols;
};

Result run(const Csr& m, int mode) {
  Result r;
  r.perm.assign(m.n, -7);
  r.rows.assign(m.n, kNaN);
  r.cols.assign(m.n, kNaN);
  r.status = mps(m.n, m.ia.data(), m.ja.data(), m.a.data(), r.perm.data(), r.rows.data(), r.cols.data(), mode,
                 &r.matched);
  return r;
}

bool is_permutation(const std::vector<int32_t>& p) {
  std::vector<int32_t> s(p);
  std::sort(s.begin(), s.end());
  for (size_t i = 0; i < s.size(); ++i)
    if (s[i] != int32_t(i)) return false;
  return true;
}

// Brute force: the largest number of nonzero positions of a permutation, and the largest sum of
// log-magnitudes over the permutations that use nonzero entries only.
void brute_force(int32_t n, const std::vector<double>& d, int32_t* max_card, double* best_log) {
  std::vector<int32_t> s(n);
  std::iota(s.begin(), s.end(), 0);
  *max_card = 0;
  *best_log = -INFINITY;
  do {
    int32_t card = 0;
    double sum = 0.0;
    for (int32_t j = 0; j < n; ++j) {
      const double x = std::fabs(d[s[j] * n + j]);
      card += x != 0.0;
      sum += std::log(x);
    }
    *max_card = std::max(*max_card, card);
    if (card == n) *best_log = std::max(*best_log, sum);
  } while (std::next_permutation(s.begin(), s.end()));
}

// Row i, column j entry of the matrix as seen through the result of `mode`.
double matched_entry(const std::vector<double>& d, int32_t n, const Result& r, int32_t k, int mode) {
  return mode == 0 ? d[r.perm[k] * n + k] : d[k * n + r.perm[k]];
}

void expect_scaled(const Csr& m, const Result& r, int mode) {
  std::vector<double> diag(m.n, 0.0);
  for (int32_t i = 0; i < m.n; ++i)
    for (int32_t k = m.ia[i]; k < m.ia[i + 1]; ++k) {
      const int32_t j = m.ja[k];
      const double s = std::exp(r.rows[i] + std::log(std::fabs(m.a[k])) + r.cols[j]);
      ASSERT_LE(s, 1.0 + 1e-12) << "entry " << i << "," << j;
      const bool on_matching = mode == 0 ? r.perm[j] == i : r.perm[i] == j;
      if (on_matching) diag[mode == 0 ? j : i] = std::max(diag[mode == 0 ? j : i], s);
    }
  for (int32_t k = 0; k < m.n; ++k) ASSERT_NEAR(diag[k], 1.0, 1e-12) << "matched entry " << k;
}

class RandomMatching : public ::testing::TestWithParam<int> {};

TEST_P(RandomMatching, OptimalProductAndScaling) {
  const int mode = GetParam();
  std::mt19937 rng(12345 + mode);
  int singular = 0;
  for (int seed = 0; seed < 400; ++seed) {
    const int32_t n = 1 + seed % 8;
    const double density = std::uniform_real_distribution<double>(0.15, 1.0)(rng);
    const int kind = seed % 3;  // 0: wide magnitudes, 1: small integers (many ties), 2: extreme range
    std::vector<double> d(n * n, 0.0);
    for (auto& x : d) {
      if (std::uniform_real_distribution<double>()(rng) > density) continue;
      const double e = std::uniform_real_distribution<double>(-3, 3)(rng);
      x = kind == 0 ? std::pow(10.0, e) : kind == 1 ? double(1 + rng() % 3) : std::pow(10.0, 60 * e);
      if (rng() % 2) x = -x;
    }
    Csr m = from_dense(n, d, seed % 5 == 0);  // some with stored zeros, which must be ignored
    int32_t card;
    double best;
    brute_force(n, d, &card, &best);
    Result r = run(m, mode);
    SCOPED_TRACE("seed " + std::to_string(seed));
    ASSERT_TRUE(is_permutation(r.perm));
    ASSERT_EQ(r.matched, card);
    if (card < n) {
      ++singular;
      ASSERT_EQ(r.status, -1);
      ASSERT_TRUE(std::isnan(r.rows[0]) && std::isnan(r.cols[0]));  // no scaling written
      continue;
    }
    ASSERT_EQ(r.status, 0);
    double sum = 0.0;
    for (int32_t k = 0; k < n; ++k) sum += std::log(std::fabs(matched_entry(d, n, r, k, mode)));
    ASSERT_NEAR(sum, best, 1e-9 * (1.0 + std::fabs(best)));
    expect_scaled(m, r, mode);
  }
  EXPECT_GT(singular, 10);
  EXPECT_LT(singular, 300);
}

INSTANTIATE_TEST_SUITE_P(Modes, RandomMatching, ::testing::Values(0, 1));

TEST(Matching, DiagonalIsMatchedByTheGreedyPassWithInverseScaling) {
  const int32_t n = 5;
  std::vector<double> d(n * n, 0.0);
  for (int32_t i = 0; i < n; ++i) d[i * n + i] = (i % 2 ? -1.0 : 1.0) * std::pow(7.0, i - 2);
  Result r = run(from_dense(n, d), 0);
  ASSERT_EQ(r.status, 0);
  for (int32_t i = 0; i < n; ++i) {
    EXPECT_EQ(r.perm[i], i);
    EXPECT_NEAR(std::exp(r.rows[i] + r.cols[i]) * std::fabs(d[i * n + i]), 1.0, 1e-14);
  }
}

TEST(Matching, PermutedDiagonalGivesThePermutation) {
  const int32_t n = 7;
  const std::vector<int32_t> sigma = {3, 0, 6, 1, 5, 2, 4};  // column j holds its entry in row sigma[j]
  std::vector<double> d(n * n, 0.0);
  for (int32_t j = 0; j < n; ++j) d[sigma[j] * n + j] = 0.5 + j;
  for (int mode : {0, 1}) {
    Result r = run(from_dense(n, d), mode);
    ASSERT_EQ(r.status, 0);
    for (int32_t j = 0; j < n; ++j)
      EXPECT_EQ(mode == 0 ? r.perm[j] : r.perm[sigma[j]], mode == 0 ? sigma[j] : j);
  }
}

TEST(Matching, EmptyRowIsStructurallySingular) {
  const int32_t n = 4;
  std::vector<double> d = {1, 2, 0, 0,  //
                           0, 0, 0, 0,  //
                           3, 0, 4, 1,  //
                           0, 5, 1, 2};
  Csr m = from_dense(n, d, false);
  for (int mode : {0, 1}) {
    Result r = run(m, mode);
    EXPECT_EQ(r.status, -1);
    EXPECT_EQ(r.matched, 3);
    EXPECT_TRUE(is_permutation(r.perm));
    for (int32_t i = 0; i < n; ++i) EXPECT_TRUE(std::isnan(r.rows[i]) && std::isnan(r.cols[i]));
  }
}

TEST(Matching, TiesTakeTheLastLargestEntryThenTheSecondPassSwaps) {
  // All entries equal: row 0 takes its last column; row 1 finds column 0 free in the second
  // pass; row 2 finds column 0 taken and moves row 1 on to column 1.
  Csr m = from_dense(3, std::vector<double>(9, 2.0));
  Result r = run(m, 0);
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.perm, (std::vector<int32_t>{2, 1, 0}));
  Result two = run(from_dense(2, std::vector<double>(4, -1.0)), 0);
  EXPECT_EQ(two.perm, (std::vector<int32_t>{1, 0}));
}

TEST(Matching, OneBasedInputAndInvalidInput) {
  std::vector<double> d = {0, 3, 1, 2, 0, 0, 0, 1, 5};
  Csr m = from_dense(3, d);
  Result zero = run(m, 0);
  for (auto& x : m.ia) ++x;
  for (auto& x : m.ja) ++x;
  Result one = run(m, 0);
  EXPECT_EQ(one.status, 0);
  EXPECT_EQ(one.perm, zero.perm);
  m.ja[1] = 4;  // column 4 of a 3×3 matrix (1-based)
  EXPECT_EQ(run(m, 0).status, -3);
  m.ja[1] = 3;
  m.a[0] = kNaN;
  EXPECT_EQ(run(m, 0).status, -3);
  m.a[0] = 3;
  m.ia[0] = 2;
  EXPECT_EQ(run(m, 0).status, -3);
  EXPECT_EQ(run(m, 2).status, -3);
}

TEST(Matching, AllocationFailureReturnsMinusTwoAndWritesNothing) {
  std::vector<double> d = {0, 3, 1, 2, 0, 0, 0, 1, 5, 0, 0, 2, 1, 1, 0, 4};
  Csr m = from_dense(4, d);
  for (int64_t k = 1;; ++k) {
    varnexo::memory::fail_allocation_at(k);
    Result r = run(m, 0);
    const int64_t calls = varnexo::memory::allocations_since_armed();
    varnexo::memory::fail_allocation_at(0);
    if (k > calls) {
      EXPECT_EQ(r.status, 0);
      EXPECT_GT(k, 3);
      break;
    }
    EXPECT_EQ(r.status, -2) << "failing allocation " << k;
    EXPECT_EQ(r.perm[0], -7);
    EXPECT_TRUE(std::isnan(r.rows[0]) && std::isnan(r.cols[0]));
  }
}

TEST(Matching, ExpandClosesChainsAndFixesTheRest) {
  std::vector<int32_t> match = {1, -1, -1};  // column 0 matched to row 1
  std::vector<double> u = {5, 5, 5}, v = {6, 6, 6};
  EXPECT_EQ(varnexo::matching::expand_matching(3, match.data(), u.data(), v.data()), 2);
  EXPECT_EQ(match, (std::vector<int32_t>{1, 0, 2}));
  EXPECT_EQ(u[2], 0.0);
  EXPECT_EQ(v[2], 0.0);
  EXPECT_EQ(u[1], 5.0);
  std::vector<int32_t> bad = {1, 1, -1};
  EXPECT_EQ(varnexo::matching::expand_matching(3, bad.data(), u.data(), v.data()), -3);
}

// Every unsymmetric test matrix (and the moduli of the complex one) has a complete matching
// with the scaling property, in both modes.
class RealMatrices : public ::testing::TestWithParam<const char*> {};

TEST_P(RealMatrices, CompleteMatchingWithScaling) {
  varnexo::tools::Coordinate coo;
  ASSERT_TRUE(testsupport::read_matrix(GetParam(), coo));
  const Csr m = testsupport::full_moduli_0based(coo);
  for (int mode : {0, 1}) {
    Result r = run(m, mode);
    ASSERT_EQ(r.status, 0) << "mode " << mode;
    ASSERT_EQ(r.matched, m.n);
    ASSERT_TRUE(is_permutation(r.perm));
    expect_scaled(m, r, mode);
  }
}

INSTANTIATE_TEST_SUITE_P(Unsymmetric, RealMatrices,
                         ::testing::Values("west0067", "arc130", "fs_183_6", "impcol_a", "west0479", "olm500",
                                           "bp_1200", "sherman2", "nnc1374", "watt_2", "dw2048", "sherman5",
                                           "dw8192", "c_west0067", "cage5", "plskz362", "orsirr_1"));

}  // namespace
