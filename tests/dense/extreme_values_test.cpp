// The Bunch–Kaufman kernels at the edges of the doubles: a block multiplied by 1e-150 or 1e150
// (with its threshold) gives the same pivots, the same perturbations and a factor multiplied
// alike; a NaN diagonal (left by an update that overflowed) never moves a row or writes a pivot
// record outside the block.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <random>
#include <type_traits>
#include <vector>

#include "dense/bunch_kaufman.h"
#include "dense_helpers.h"

namespace {
using namespace kernel_test;
using varnexo::real_t;

template <class T, bool IsHermitian>
struct Kernel {
  using scalar = T;
  static constexpr bool hermitian = IsHermitian;
  static void factor(int n, T* a, int lda, int32_t* ipiv, int32_t& npert, double eps) {
    if constexpr (IsHermitian)
      varnexo::dense::hetf2(n, a, lda, ipiv, npert, eps);
    else
      varnexo::dense::sytf2(n, a, lda, ipiv, npert, nullptr, nullptr, eps);
  }
};

// Every kernel for the NaN guard; the double kernels for the scaling (single precision holds
// neither 1e-150 nor 1e150, and its threshold rule reads ε below 5e-8 as 0).
template <class K>
class ExtremeValues : public ::testing::Test {};
using Kernels = ::testing::Types<Kernel<double, false>, Kernel<float, false>,
                                 Kernel<std::complex<double>, false>, Kernel<std::complex<float>, false>,
                                 Kernel<std::complex<double>, true>, Kernel<std::complex<float>, true>>;
TYPED_TEST_SUITE(ExtremeValues, Kernels);
template <class K>
class ScaledBlocks : public ::testing::Test {};
using DoubleKernels = ::testing::Types<Kernel<double, false>, Kernel<std::complex<double>, false>,
                                       Kernel<std::complex<double>, true>>;
TYPED_TEST_SUITE(ScaledBlocks, DoubleKernels);

// An indefinite block with a weak diagonal (2×2 pivots) and two columns far below the others
// (perturbed pivots at threshold 1e-6).
template <class K>
Dense<typename K::scalar> indefinite_block(int n) {
  using T = typename K::scalar;
  std::mt19937 rng(23);
  Dense<T> a = random_symmetric<T>(n, rng, K::hermitian);
  for (int i = 0; i < n; ++i) a[i + i * n] *= real_t<T>(0.05);
  for (int c : {3, 7})
    for (int i = 0; i < n; ++i) {
      a[i + c * n] *= real_t<T>(1e-9);
      a[c + i * n] *= real_t<T>(1e-9);
    }
  return a;
}

TYPED_TEST(ScaledBlocks, By1eMinus150And1e150KeepTheirPivotsPerturbationsAndFactor) {
  using T = typename TypeParam::scalar;
  using R = real_t<T>;
  constexpr int n = 12;
  const Dense<T> a = indefinite_block<TypeParam>(n);
  const int exponent = 150;
  const double eps = 1e-6;
  std::vector<int32_t> ipiv0(n);
  int32_t npert0 = 0;
  Dense<T> f0 = a;
  TypeParam::factor(n, f0.data(), n, ipiv0.data(), npert0, eps);
  ASSERT_EQ(npert0, 2) << "the two weak columns are perturbed";
  int two_by_two = 0;
  for (int32_t p : ipiv0) two_by_two += p < 0;
  ASSERT_GT(two_by_two, 0);
  for (int sign : {-1, 1}) {
    const R s = R(std::pow(10.0, sign * exponent));
    Dense<T> f = a;
    for (T& v : f) v *= s;
    std::vector<int32_t> ipiv(n);
    int32_t npert = 0;
    TypeParam::factor(n, f.data(), n, ipiv.data(), npert, eps * double(s));
    EXPECT_EQ(ipiv, ipiv0) << "scale 1e" << sign * exponent;
    EXPECT_EQ(npert, npert0) << "scale 1e" << sign * exponent;
    // D scales with the block and L not at all: the factor divided by s on D's entries.
    std::vector<bool> starts_2x2(n, false);
    for (int k = 0; k < n; k += ipiv0[k] < 0 ? 2 : 1) starts_2x2[k] = ipiv0[k] < 0;
    double worst = 0;
    for (int j = 0; j < n; ++j)
      for (int i = j; i < n; ++i) {
        const bool in_d = i == j || (i == j + 1 && starts_2x2[j]);
        const T back = in_d ? f[i + j * n] / s : f[i + j * n];
        const double ref = std::abs(f0[i + j * n]);
        worst = std::max(worst, std::abs(back - f0[i + j * n]) / std::max(ref, 1.0));
      }
    EXPECT_LT(worst, 1e3 * std::numeric_limits<R>::epsilon()) << "scale 1e" << sign * exponent;
  }
}

// Every pivot record names a row of the block, and a 2×2 record covers k and k+1 < n.
void expect_records_inside(const std::vector<int32_t>& ipiv, int n) {
  for (int k = 0; k < n; ++k) {
    const int32_t p = ipiv[k];
    ASSERT_TRUE(p != 0 && std::abs(p) <= n) << "k = " << k + 1 << ", ipiv = " << p;
    if (p < 0) {
      ASSERT_LT(k + 1, n) << "a 2×2 step at the last column";
      EXPECT_EQ(ipiv[k + 1], p);
      EXPECT_GT(-p, k + 1) << "a 2×2 step brings its second row from below k";
      ++k;
    }
  }
}

TYPED_TEST(ExtremeValues, ANaNDiagonalNeverReachesOutsideTheBlock) {
  using T = typename TypeParam::scalar;
  const T nan = T(std::numeric_limits<real_t<T>>::quiet_NaN());
  constexpr int n = 5, lda = n + 2;
  // NaN on the diagonal of the last column, of a column whose entries below are zero, and of a
  // column whose entries below are NaN as well.
  for (int c : {n - 1, 2}) {
    for (bool nan_column : {false, true}) {
      SCOPED_TRACE("column " + std::to_string(c + 1) + (nan_column ? ", NaN below" : ""));
      std::mt19937 rng(5);
      Dense<T> a = random_symmetric<T>(n, rng, TypeParam::hermitian);
      for (int i = c + 1; i < n; ++i) a[i + c * n] = nan_column ? nan : T(0);
      a[c + c * n] = nan;
      const T guard = T(99);
      Dense<T> padded(lda * n + lda, guard);  // one column and two rows of padding
      for (int j = 0; j < n; ++j)
        for (int i = j; i < n; ++i) padded[i + j * lda] = a[i + j * n];
      std::vector<int32_t> ipiv(n + 2, 12345);
      int32_t npert = 0;
      TypeParam::factor(n, padded.data(), lda, ipiv.data(), npert, 1e-8);
      EXPECT_EQ(ipiv[n], 12345) << "no pivot record past the block";
      ipiv.resize(n);
      expect_records_inside(ipiv, n);
      for (int j = 0; j <= n; ++j)
        for (int i = n; i < lda; ++i) EXPECT_EQ(padded[i + j * lda], guard) << "row " << i + 1;
      for (int i = 0; i < lda; ++i) EXPECT_EQ(padded[i + n * lda], guard) << "the column past the block";
    }
  }
}

}  // namespace
