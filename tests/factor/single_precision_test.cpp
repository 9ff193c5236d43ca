// The factorisation in single precision against the double one: the same loop, kernels and
// pivoting instantiated over float and std::complex<float> for every kernel family, on random
// and real matrices. The pivots and counters must agree, the factors differ by single-precision
// rounding (growing with the condition of the leading blocks), and a solve with the single
// factor has a backward error of single precision.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>

#include "factor/factor_entries.h"
#include "factor/pivoted.h"
#include "solve/solve_entries.h"
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

// The named single-precision kernels compute the factor of the loop the driver runs, and the
// named single-precision LDLᵀ solves give the driver's solve (natural order, no scaling: the
// gather and scatter move nothing).
TEST(SinglePrecisionEntries, NamedKernelsAndSolvesMatchTheDriversPath) {
  const int32_t n = 60;
  const Entries<double> upper = random_indefinite<double>(n, 0.08, 41, 3);
  Pivoted<double, float> s(-2, upper, Ordering::natural, 8);
  ASSERT_EQ(s.factor(1, 0), 0);  // Bunch–Kaufman
  const int32_t ns = s.sym.nsuper, tmpsiz = 4 * s.sym.tmpsiz, zero = 0, bunch_kaufman = 1;
  const double eps = 0.0;
  std::vector<float> lnz(s.sym.lnz_size(), 777.0f), temp(tmpsiz, 0.0f);
  std::vector<int32_t> pivot(n, 0), iwork(3 * n + ns);
  int32_t npert = -1, npos = -1, nneg = -1, error = -9;
  blkldl_32_varnexo_(&n, &ns, s.sym.xsuper.data(), s.sym.snode.data(), s.sym.xlindx.data(),
                     s.sym.lindx.data(), s.sym.xlnz.data(), lnz.data(), pivot.data(), s.sym.nmod.data(),
                     iwork.data(), temp.data(), &tmpsiz, &npert, &npos, &nneg, &eps, &zero,
                     s.maps.xlmap.data(), s.maps.lmap.data(), s.maps.asrc.data(), s.maps.aorig.data(),
                     s.maps.colorig.data(), s.A.ja.data(), s.A.a.data(), nullptr, &zero, &error);
  ASSERT_EQ(error, 0);
  EXPECT_EQ(lnz, s.lnz);
  EXPECT_EQ(pivot, s.pivot);
  EXPECT_EQ(npos, s.ibasic[62]);
  EXPECT_EQ(nneg, s.ibasic[63]);
  for (int32_t nb : {1, 2}) {
    const std::vector<double> b = s.rhs(nb), expected = s.solve(b, nb);
    std::vector<float> x(b.begin(), b.end());
    if (nb == 1) {
      blkldlslvs1_32_varnexo_(&n, &ns, s.sym.xsuper.data(), s.sym.xlindx.data(), s.sym.lindx.data(),
                              s.sym.xlnz.data(), lnz.data(), pivot.data(), &bunch_kaufman, x.data(), &zero,
                              &error);
    } else {
      const int32_t ldw = 0;
      blkldlslvs_32_varnexo_(&n, &ns, &nb, s.sym.xsuper.data(), s.sym.xlindx.data(), s.sym.lindx.data(),
                             s.sym.xlnz.data(), lnz.data(), pivot.data(), &bunch_kaufman, x.data(), nullptr,
                             &ldw, &zero, &error);
    }
    ASSERT_EQ(error, 0);
    EXPECT_EQ(std::vector<double>(x.begin(), x.end()), expected) << nb << " right-hand sides";
  }
}

TEST(SinglePrecisionEntries, NamedLuKernelsOfBothFamiliesMatchTheDriversPath) {
  const int32_t n = 200;
  const Entries<double> e = random_unsymmetric<double>(random_indefinite<double>(n, 0.02, 43, 0), 44);
  Pivoted<double, float> s(1, e, Ordering::nested_dissection, 8);
  ASSERT_EQ(s.factor(0, 0), 0);
  const int32_t ns = s.sym.nsuper, tmpsiz = s.sym.tmpsiz;
  ASSERT_GT(ns, 6);
  const std::vector<int32_t> domains = {1, ns / 3, ns / 3 + 1, 2 * ns / 3, 2 * ns / 3 + 1, ns};
  const int32_t nd = 2, domain_mode = 1;
  for (bool scheduled : {false, true}) {
    std::vector<float> lnz(s.sym.lnz_size(), 777.0f), unz(std::max<int64_t>(1, s.sym.unz_size()), 777.0f),
        temp(tmpsiz, 0.0f);
    std::vector<int32_t> pivot(n, 0), iwork(3 * n + ns);
    int32_t error = -9;
    if (scheduled)
      blklu_32_risc_varnexo_(&n, &ns, s.sym.xsuper.data(), s.sym.snode.data(), s.sym.xlindx.data(),
                             s.sym.lindx.data(), s.sym.xlnz.data(), lnz.data(), s.sym.xunz.data(), unz.data(),
                             pivot.data(), s.sym.nmod.data(), iwork.data(), temp.data(), &tmpsiz,
                             s.maps.xlmap.data(), s.maps.lmap.data(), s.maps.xumap.data(), s.maps.umap.data(),
                             s.maps.asrc.data(), s.A.a.data(), &nd, domains.data(), &domain_mode, &error);
    else
      blklu_32_varnexo_(&n, &ns, s.sym.xsuper.data(), s.sym.snode.data(), s.sym.xlindx.data(),
                        s.sym.lindx.data(), s.sym.xlnz.data(), lnz.data(), s.sym.xunz.data(), unz.data(),
                        pivot.data(), s.sym.nmod.data(), iwork.data(), temp.data(), &tmpsiz,
                        s.maps.xlmap.data(), s.maps.lmap.data(), s.maps.xumap.data(), s.maps.umap.data(),
                        s.maps.asrc.data(), s.A.a.data(), &error);
    ASSERT_EQ(error, 0) << scheduled;
    EXPECT_EQ(lnz, s.lnz) << scheduled;
    EXPECT_EQ(unz, s.unz) << scheduled;
    EXPECT_EQ(pivot, s.pivot) << scheduled;
  }
}

}  // namespace
