// Bunch–Kaufman with the 2×2 blocks of the symmetric matching: a stable matched block is the
// pivot at its place; an unstable one is left to the search. The matrix rebuilt from the factor
// and the inertia check every case (symmetric and Hermitian).
#include <gtest/gtest.h>

#include "dense/bunch_kaufman.h"
#include "dense_helpers.h"

extern "C" void dsyev_(const char*, const char*, const int*, double*, const int*, double*, double*,
                       const int*, int*, size_t, size_t);

namespace {
using namespace kernel_test;

// A matrix made of matched blocks [eps 1; 1 eps] at (2b, 2b+1) and other entries below 0.05 in
// modulus, small enough that the updates leave every block stable.
template <class T>
Dense<T> matched_matrix(int n, std::mt19937& rng, bool hermitian) {
  Dense<T> a = random_symmetric<T>(n, rng, hermitian);
  for (T& v : a) v *= varnexo::real_t<T>(0.05);
  for (int k = 0; k + 1 < n; k += 2) {
    a[k + k * n] = a[k + 1 + (k + 1) * n] = T(1e-9);
    a[k + 1 + k * n] = a[k + (k + 1) * n] = T(1);
  }
  return a;
}

template <class T>
class MatchedPairs : public ::testing::Test {};
using Types = ::testing::Types<double, std::complex<double>>;
TYPED_TEST_SUITE(MatchedPairs, Types);

// Runs the kernel on a copy of a (Hermitian policy for complex T when hermitian).
template <class T>
std::vector<int32_t> factor(int n, Dense<T>& f, const std::vector<int32_t>& pairs, bool hermitian,
                            int32_t& npos, int32_t& nneg) {
  std::vector<int32_t> ipiv(n);
  int32_t npert = 0;
  npos = nneg = 0;
  if (hermitian) {
    if constexpr (varnexo::is_complex_v<T>)
      varnexo::dense::hetf2(n, f.data(), n, ipiv.data(), npert, 0.0, pairs.data());
  } else {
    varnexo::dense::sytf2(n, f.data(), n, ipiv.data(), npert, &npos, &nneg, 0.0, pairs.data());
  }
  EXPECT_EQ(npert, 0);
  return ipiv;
}

TYPED_TEST(MatchedPairs, StableBlocksArePivotsAtTheirPlace) {
  using T = TypeParam;
  std::mt19937 rng(3);
  for (bool hermitian : {false, true}) {
    if (hermitian && !varnexo::is_complex_v<T>) continue;
    for (int n : {2, 6, 11, 30}) {
      const Dense<T> a = matched_matrix<T>(n, rng, hermitian);
      std::vector<int32_t> pairs(n, 0);
      for (int k = 0; k + 1 < n; k += 2) pairs[k] = 1;
      Dense<T> f = a;
      int32_t npos, nneg;
      const std::vector<int32_t> ipiv = factor(n, f, pairs, hermitian, npos, nneg);
      for (int k = 0; k + 1 < n; k += 2) {
        EXPECT_EQ(ipiv[k], -(k + 2)) << "n " << n << " block at " << k;
        EXPECT_EQ(ipiv[k + 1], -(k + 2));
      }
      Dense<T> lower(n * n, T(0));
      for (int j = 0; j < n; ++j)
        for (int i = j; i < n; ++i) lower[i + j * n] = f[i + j * n];
      EXPECT_LE(max_diff(rebuild_ldlt(n, lower, ipiv, hermitian), a), 1e-12 * n);
      if constexpr (!varnexo::is_complex_v<T>) {
        std::vector<double> w(n), work(3 * n), d(a.begin(), a.end());
        int info = 0, lwork = 3 * n;
        dsyev_("N", "L", &n, d.data(), &n, w.data(), work.data(), &lwork, &info, 1, 1);
        int pos = 0;
        for (double v : w) pos += v > 0;
        EXPECT_EQ(npos, pos);
        EXPECT_EQ(nneg, n - pos);
      }
    }
  }
}

TYPED_TEST(MatchedPairs, UnstableBlocksAreLeftToTheSearch) {
  using T = TypeParam;
  // The block (1, 2) has a dominant diagonal: the search takes 1×1 pivots. The block (3, 4) is
  // nonsingular but would give row 5 a multiplier of 20 (|a(5,3)| = 20): the search pairs 3
  // with 5 instead.
  const int n = 5;
  Dense<T> a(n * n, T(0));
  auto set = [&](int i, int j, double v) { a[i + j * n] = a[j + i * n] = T(v); };
  set(0, 0, 5.0), set(1, 1, 4.0), set(1, 0, 0.5);
  set(2, 2, 1e-9), set(3, 3, 1e-9), set(3, 2, 1.0), set(4, 2, 20.0), set(4, 4, 2.0);
  std::vector<int32_t> pairs = {1, 0, 1, 0, 0};
  Dense<T> f = a;
  int32_t npos, nneg;
  const std::vector<int32_t> ipiv = factor(n, f, pairs, false, npos, nneg);
  EXPECT_EQ(ipiv[0], 1);
  EXPECT_EQ(ipiv[1], 2);
  EXPECT_EQ(ipiv[2], -5) << "the block (3, 4) fails the growth test against row 5";
  EXPECT_EQ(ipiv[3], -5);
  Dense<T> lower(n * n, T(0));
  for (int j = 0; j < n; ++j)
    for (int i = j; i < n; ++i) lower[i + j * n] = f[i + j * n];
  EXPECT_LE(max_diff(rebuild_ldlt(n, lower, ipiv), a), 1e-12);
}

}  // namespace
