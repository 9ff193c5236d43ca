// The operation count against an independent count of the same formulas, its fixed cases, and
// the perturbation threshold.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "common/matrix_kind.h"
#include "factor/factorize.h"
#include "support/harness.h"

using namespace testnum;

namespace {

double count(Symbolic& s, bool symmetric, int32_t type) {
  std::vector<int32_t> link(s.n), length(s.nsuper);
  double mf = -2.0;
  auto sf = s.view(!symmetric);
  EXPECT_TRUE(varnexo::factor::flops(sf, symmetric, varnexo::kind_of(type).is_complex(), link.data(),
                                     length.data(), &mf));
  return mf;
}

// Independent count: every supernode K updates each supernode J holding a run of its rows;
// at that update the rows left are those from the run's start to the end of K.
double independent(const Symbolic& s, bool lu) {
  double ops = 0;
  for (int32_t J = 1; J <= s.nsuper; ++J) {
    const double c = s.xsuper[J] - s.xsuper[J - 1];
    const int64_t ci = static_cast<int64_t>(c);
    const double h = s.xlindx[J] - s.xlindx[J - 1];
    ops += lu ? 2 * c * c * c / 3 - static_cast<double>(ci * ci / 2) + static_cast<double>(5 * ci / 6)
              : c * c * c / 3 - static_cast<double>(ci * ci / 4) + static_cast<double>(5 * ci / 12);
    ops += (lu ? 2 : 1) * c * (h - c) * c;
  }
  for (int32_t K = 1; K <= s.nsuper; ++K) {
    const int32_t ck = s.xsuper[K] - s.xsuper[K - 1];
    const int32_t b = s.xlindx[K - 1] + ck, e = s.xlindx[K];
    for (int32_t p = b; p < e;) {
      const int32_t J = s.snode[s.lindx[p - 1] - 1];
      int32_t q = p;
      while (q < e && s.snode[s.lindx[q - 1] - 1] == J) ++q;
      const double lenk = e - p, rows = q - p;
      ops += 2 * lenk * rows * ck;
      if (lu) ops += 2 * (lenk - rows) * rows * ck;
      p = q;
    }
  }
  return ops / 1e6;
}

TEST(Flops, MatchesIndependentCount) {
  for (int32_t width : {1, 4, 80}) {
    for (const auto& e : {laplacian(8, 8, 8), elasticity(4), random_spd<double>(150, 0.05, 2)}) {
      const int32_t n = e.rbegin()->first.second;
      const Csr<double> A = upper_csr(n, e);
      Symbolic s = symbolic(A, ordering(A, Ordering::nested_dissection), width);
      EXPECT_NEAR(count(s, true, 2), independent(s, false), 1e-9 * independent(s, false));
      EXPECT_NEAR(count(s, false, 11), independent(s, true), 1e-9 * independent(s, true));
      EXPECT_DOUBLE_EQ(count(s, true, 6), 4 * count(s, true, -2));
      EXPECT_DOUBLE_EQ(count(s, false, 13), 4 * count(s, false, 11));
    }
  }
}

TEST(Flops, FixedCases) {
  std::vector<int32_t> p3 = {1, 2, 3};
  Symbolic dense3 = symbolic(upper_csr(3, random_spd<double>(3, 1.0, 1)), p3, 80);
  ASSERT_EQ(dense3.nsuper, 1);
  EXPECT_DOUBLE_EQ(count(dense3, true, 2), 8e-6);
  EXPECT_DOUBLE_EQ(count(dense3, false, 1), 16e-6);
  Entries<double> d;
  for (int i = 1; i <= 7; ++i) d[{i, i}] = 1;
  std::vector<int32_t> p7(7);
  std::iota(p7.begin(), p7.end(), 1);
  Symbolic diag = symbolic(upper_csr(7, d), p7, 80);
  EXPECT_NEAR(count(diag, true, 2), 7.0 / 3.0 * 1e-6, 1e-18);
}

TEST(Flops, BrokenListIsReported) {
  const Csr<double> A = upper_csr(27, laplacian(3, 3, 3));
  Symbolic s = symbolic(A, ordering(A, Ordering::natural), 2);
  s.nmod[s.nsuper - 1] += 1;
  std::vector<int32_t> link(s.n), length(s.nsuper);
  double mf = 0;
  auto sf = s.view(false);
  EXPECT_FALSE(varnexo::factor::flops(sf, true, false, link.data(), length.data(), &mf));
}

TEST(PerturbationThreshold, RelativeToTheGeometricMeanOfTheLoadedEntries) {
  using varnexo::factor::LoadRule;
  using varnexo::factor::perturbation_threshold;
  // Upper triangle of [[1, 4, 0], [4, 1, -0.5], [0, -0.5, 1]]: the moduli 1, 4, 1, 0.5, 1 have
  // the geometric mean (4·0.5)^(1/5) = 2^(1/5).
  const std::vector<int32_t> ia = {1, 3, 5, 6}, ja = {1, 2, 2, 3, 3};
  const std::vector<double> a = {1, 4, 1, -0.5, 1};
  const LoadRule none = LoadRule::unscaled;
  const double g = std::pow(2.0, 0.2);
  EXPECT_EQ(perturbation_threshold(0, 3, ia.data(), ja.data(), a.data(), nullptr, none), 0.0);
  EXPECT_NEAR(perturbation_threshold(8, 3, ia.data(), ja.data(), a.data(), nullptr, none), 1e-8 * g, 1e-21);
  EXPECT_NEAR(perturbation_threshold(-8, 3, ia.data(), ja.data(), a.data(), nullptr, none), 1e-8 * g, 1e-21);
  EXPECT_EQ(perturbation_threshold(INT32_MIN, 3, ia.data(), ja.data(), a.data(), nullptr, none), 0.0);
  // The threshold follows the matrix over the whole exponent range.
  for (int k = -150; k <= 150; k += 30) {
    std::vector<double> s = a;
    for (double& v : s) v *= std::pow(10.0, k);
    EXPECT_NEAR(
        perturbation_threshold(8, 3, ia.data(), ja.data(), s.data(), nullptr, none) / std::pow(10.0, k),
        1e-8 * g, 1e-20)
        << k;
  }
  // Zeros do not count; a zero matrix counts as 1.
  const std::vector<double> zero = {0, 0, 0, 0, 0}, some = {0, 4, 0, 0, 0.25};
  EXPECT_NEAR(perturbation_threshold(8, 3, ia.data(), ja.data(), zero.data(), nullptr, none), 1e-8, 1e-22);
  EXPECT_NEAR(perturbation_threshold(8, 3, ia.data(), ja.data(), some.data(), nullptr, none), 1e-8, 1e-22);
  // The scaled rules weigh each entry by its row and column values.
  const std::vector<double> scaling = {1, 0.1, 1, 0.5, 0.5, 0.5};
  // Symmetric: 1, 0.4, 0.01, 0.05, 1.
  EXPECT_NEAR(perturbation_threshold(8, 3, ia.data(), ja.data(), a.data(), scaling.data(),
                                     LoadRule::scaled_symmetric),
              1e-8 * std::pow(0.4 * 0.01 * 0.05, 0.2), 1e-21);
  // Unsymmetric (row values from position n on): 0.5, 0.2, 0.05, 0.25, 0.5.
  EXPECT_NEAR(perturbation_threshold(8, 3, ia.data(), ja.data(), a.data(), scaling.data(),
                                     LoadRule::scaled_unsymmetric),
              1e-8 * std::pow(0.5 * 0.2 * 0.05 * 0.25 * 0.5, 0.2), 1e-21);
  const std::vector<dcomplex> c = {1, dcomplex(3, 4), 1, 0, 1};  // moduli 1, 5, 1, 1
  EXPECT_NEAR(perturbation_threshold(6, 3, ia.data(), ja.data(), c.data(), nullptr, none),
              1e-6 * std::pow(5.0, 0.25), 1e-19);
}

}  // namespace
