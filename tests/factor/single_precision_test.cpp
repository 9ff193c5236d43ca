// The factorisation in single precision against the double one: the same loop, kernels and
// pivoting instantiated over float and std::complex<float> for every kernel family, on random
// and real matrices. The pivots and counters must agree, the factors differ by single-precision
// rounding (growing with the condition of the leading blocks), and a solve with the single
// factor has a backward error of single precision.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>

#include "factor/pivoted.h"
#include "support/inertia.h"
#include "support/matrices.h"

using namespace testnum;

namespace {

using scomplex = std::complex<float>;

struct SingleCase {
  int32_t type;
  int32_t mode;  // ibasic(51) for the LDLᵀ types: 1 Bunch–Kaufman, 0 diagonal pivoting
  Ordering ordering;
  int32_t width;
};

std::string case_name(const ::testing::TestParamInfo<SingleCase>& info) {
  static const char* const o[] = {"natural", "random", "nd"};
  const SingleCase& k = info.param;
  return std::string(k.type < 0 ? "tm" : "t") + std::to_string(std::abs(k.type)) + "_m" +
         std::to_string(k.mode) + "_" + o[static_cast<int>(k.ordering)] + "_w" + std::to_string(k.width);
}

// The entries the kernel of the type expects: positive definite for Cholesky, indefinite with
// small diagonal entries (2×2 pivots) for LDLᵀ, unsymmetric values on a symmetric pattern for LU.
template <class T>
Entries<T> entries_for(int32_t type, int32_t n, uint32_t seed) {
  if (type == 2 || type == 4) return random_spd<T>(n, 0.06, seed);
  const bool symmetric = type == -2 || type == 6 || type == -4;
  const Entries<T> upper = random_indefinite<T>(n, 0.06, seed, symmetric ? 3 : 0, type == -4);
  return symmetric ? upper : random_unsymmetric<T>(upper, seed + 1);
}

// max |single - double| / max |double| over the stored values.
template <class F, class T>
double relative_gap(const std::vector<F>& s, const std::vector<T>& d) {
  double gap = 0.0, scale = 0.0;
  for (size_t k = 0; k < d.size(); ++k) {
    scale = std::max(scale, static_cast<double>(std::abs(d[k])));
    gap = std::max(gap, static_cast<double>(std::abs(static_cast<T>(s[k]) - d[k])));
  }
  return scale > 0 ? gap / scale : gap;
}

// Factorises e in both precisions and compares; solves nb right-hand sides with the single factor.
template <class T, class F>
void compare_precisions(int32_t type, const Entries<T>& e, int32_t mode, Ordering o, int32_t width,
                        int32_t nb) {
  Pivoted<T> d(type, e, o, width);
  Pivoted<T, F> s(type, e, o, width);
  ASSERT_EQ(d.factor(mode, 0), 0);
  ASSERT_EQ(s.factor(mode, 0), 0);
  EXPECT_EQ(s.pivot, d.pivot);
  EXPECT_EQ(s.colpivot, d.colpivot);
  const double gap = relative_gap(s.lnz, d.lnz);
  EXPECT_LT(gap, 1e-2);
  EXPECT_GT(gap, 0.0) << "the factor was not computed in single precision";
  if (s.lu) {
    EXPECT_LT(relative_gap(s.unz, d.unz), 1e-2);
  }
  for (int w : {62, 63, 64}) EXPECT_EQ(s.ibasic[w - 1], d.ibasic[w - 1]) << "word " << w;
  const int32_t n = s.A.n;
  const std::vector<T> b = s.rhs(nb);
  for (bool transposed : {false, true}) {
    if (transposed && !s.lu) continue;
    const std::vector<T> x = s.solve(b, nb, transposed);
    for (int32_t j = 0; j < nb; ++j) {
      const double be = backward_error(n, s.full, x.data() + j * n, b.data() + j * n, transposed);
      EXPECT_LT(be, 1e-3) << "column " << j << (transposed ? " transposed" : "");
    }
  }
}

class SinglePrecisionLoop : public ::testing::TestWithParam<SingleCase> {};

TEST_P(SinglePrecisionLoop, AgreesWithTheDoubleFactor) {
  const SingleCase& k = GetParam();
  const int32_t n = 80;
  const bool complex = k.type == 3 || k.type == 4 || k.type == -4 || k.type == 6 || k.type == 13;
  if (complex) {
    compare_precisions<dcomplex, scomplex>(k.type, entries_for<dcomplex>(k.type, n, 23 + k.width), k.mode,
                                           k.ordering, k.width, 2);
  } else {
    const Entries<double> e = entries_for<double>(k.type, n, 23 + k.width);
    compare_precisions<double, float>(k.type, e, k.mode, k.ordering, k.width, 3);
    if (k.type == -2) {  // the inertia of the single factor is that of the matrix
      Pivoted<double, float> s(k.type, e, k.ordering, k.width);
      ASSERT_EQ(s.factor(k.mode, 0), 0);
      const auto [pos, neg] = testsupport::inertia(n, dense(n, s.full));
      EXPECT_EQ(s.ibasic[62], pos);
      EXPECT_EQ(s.ibasic[63], neg);
    }
  }
}

std::vector<SingleCase> single_cases() {
  std::vector<SingleCase> v;
  for (Ordering o : {Ordering::natural, Ordering::nested_dissection})
    for (int32_t w : {1, 8, 80}) {
      for (int32_t t : {2, 4, 1, 11, 3, 13}) v.push_back({t, 0, o, w});
      for (int32_t mode : {1, 0})
        for (int32_t t : {-2, 6, -4}) v.push_back({t, mode, o, w});
    }
  return v;
}

INSTANTIATE_TEST_SUITE_P(Kernels, SinglePrecisionLoop, ::testing::ValuesIn(single_cases()), case_name);

// Matrices of the collection: a negative definite one (every pivot negative), an indefinite one
// with 2×2 pivots, and a stiffness matrix by Cholesky.
TEST(SinglePrecisionMatrices, KeepTheirInertia) {
  struct Case {
    const char* name;
    int32_t type;
  };
  for (const Case& c : {Case{"bfw398b", -2}, Case{"bcsstk01", 2}, Case{"tumorAntiAngiogenesis_2", -2}}) {
    SCOPED_TRACE(c.name);
    int32_t n = 0;
    Entries<double> upper;
    ASSERT_TRUE(testsupport::shared_upper(c.name, &n, &upper, nullptr));
    for (int32_t i = 1; i <= n; ++i) upper.try_emplace({i, i}, 0.0);  // the order is the last diagonal
    Pivoted<double> d(c.type, upper, Ordering::nested_dissection, 16);
    Pivoted<double, float> s(c.type, upper, Ordering::nested_dissection, 16);
    ASSERT_EQ(d.factor(1, 8), 0);
    ASSERT_EQ(s.factor(1, 8), 0);
    if (c.type == -2) {
      const auto [pos, neg] = testsupport::inertia(n, dense(n, s.full));
      EXPECT_EQ(s.ibasic[62], pos);
      EXPECT_EQ(s.ibasic[63], neg);
      EXPECT_EQ(s.ibasic[62] + s.ibasic[63], n);
    }
    const std::vector<double> b = s.rhs(1);
    const std::vector<double> x = s.solve(b, 1);
    EXPECT_LT(backward_error(n, s.full, x.data(), b.data()), 1e-4);
  }
}

}  // namespace
