// Compressed-row building, products and backward error against dense brute force, and the model
// problems: sizes, determinism, and definiteness checked with dense LAPACK factorisations.
#include <gtest/gtest.h>

#include <cmath>

#include "common/blas.h"
#include "generators.h"
#include "solver.h"
#include "tool_test_support.h"

namespace varnexo::tools {
namespace {

using Z = std::complex<double>;

Csr build(const char* description) {
  Problem p;
  std::string error;
  EXPECT_TRUE(generate(description, p, error)) << error;
  Layout layout;
  bool complex;
  EXPECT_TRUE(layout_of_type(p.matrix_type, layout, complex));
  Csr a;
  EXPECT_TRUE(to_csr(p.matrix, layout, complex, a, error)) << error;
  return a;
}

TEST(Csr, FoldsSumsAndAddsMissingDiagonal) {
  Coordinate c;
  c.nrows = c.ncols = 3;
  c.symmetry = Symmetry::symmetric;
  c.row = {2, 1, 3, 3, 1};
  c.col = {1, 2, 1, 2, 1};
  c.val = {1, 2, 3, 4, 5};
  Csr a;
  std::string error;
  ASSERT_TRUE(to_csr(c, Layout::upper_symmetric, false, a, error));
  EXPECT_EQ(a.ia, (std::vector<int32_t>{1, 4, 6, 7}));
  EXPECT_EQ(a.ja, (std::vector<int32_t>{1, 2, 3, 2, 3, 3}));
  EXPECT_EQ(a.a, (std::vector<double>{5, 3, 3, 0, 4, 0}));
  ASSERT_TRUE(to_csr(c, Layout::full, false, a, error));
  EXPECT_EQ(a.ia, (std::vector<int32_t>{1, 4, 6, 8}));
  EXPECT_EQ(a.ja, (std::vector<int32_t>{1, 2, 3, 1, 3, 1, 2}));
  EXPECT_EQ(a.a, (std::vector<double>{5, 3, 3, 3, 4, 3, 4}));
}

TEST(Csr, StructurallySymmetricLayoutMirrorsThePatternAndStoresTheDiagonal) {
  Coordinate c;
  c.nrows = c.ncols = 3;
  c.row = {1, 3, 2, 1};
  c.col = {2, 1, 2, 2};
  c.val = {5, 2, 1, 0.5};
  Csr a;
  std::string error;
  ASSERT_TRUE(to_csr(c, Layout::full_symmetric_pattern, false, a, error));
  EXPECT_EQ(a.layout, Layout::full);
  EXPECT_EQ(a.ia, (std::vector<int32_t>{1, 4, 6, 8}));
  EXPECT_EQ(a.ja, (std::vector<int32_t>{1, 2, 3, 1, 2, 1, 3}));
  EXPECT_EQ(a.a, (std::vector<double>{0, 5.5, 0, 0, 1, 2, 0}));
  Layout layout;
  bool complex;
  ASSERT_TRUE(layout_of_type(3, layout, complex));
  EXPECT_EQ(layout, Layout::full_symmetric_pattern);
  EXPECT_TRUE(complex);
}

TEST(Csr, GeneralInputKeepsUpperTriangleAndRejectsComplexForRealTypes) {
  Coordinate c;
  c.nrows = c.ncols = 2;
  c.row = {1, 2, 2};
  c.col = {2, 1, 2};
  c.val = {7, 8, 9};
  Csr a;
  std::string error;
  ASSERT_TRUE(to_csr(c, Layout::upper_symmetric, false, a, error));
  EXPECT_EQ(a.ja, (std::vector<int32_t>{1, 2, 2}));
  EXPECT_EQ(a.a, (std::vector<double>{0, 7, 9}));
  c.field = Field::complex;
  c.val = {7, 0, 8, 0, 9, 0};
  EXPECT_FALSE(to_csr(c, Layout::full, false, a, error));
  EXPECT_EQ(error, "the matrix has complex values but the matrix type is real");
  c.ncols = 3;
  EXPECT_FALSE(to_csr(c, Layout::full, true, a, error));
  EXPECT_EQ(error, "the matrix is not square (2 x 3)");
}

// Products and norms of every layout against the dense matrix, plain and transposed.
class Products : public ::testing::TestWithParam<const char*> {};

TEST_P(Products, MatchDenseBruteForce) {
  const Csr a = build(GetParam());
  const auto d = testing::dense_of(a);
  const int32_t n = a.n;
  std::vector<Z> x(n);
  for (int32_t i = 0; i < n; ++i) x[i] = Z(std::sin(i + 1.0), a.complex ? std::cos(3.0 * i) : 0.0);
  std::vector<double> xr(static_cast<size_t>(n) * a.width()), y(xr.size());
  for (int32_t i = 0; i < n; ++i) {
    xr[i * a.width()] = x[i].real();
    if (a.complex) xr[2 * i + 1] = x[i].imag();
  }
  for (bool transpose : {false, true}) {
    multiply(a, transpose, xr.data(), y.data(), 1);
    for (int32_t i = 0; i < n; ++i) {
      Z ref = 0;
      for (int32_t j = 0; j < n; ++j) ref += (transpose ? d[j + i * size_t(n)] : d[i + j * size_t(n)]) * x[j];
      const Z got = a.complex ? Z(y[2 * i], y[2 * i + 1]) : Z(y[i], 0);
      ASSERT_NEAR(std::abs(got - ref), 0.0, 1e-12 * (1 + std::abs(ref)))
          << "row " << i << " transpose " << transpose;
    }
  }
  double norm = 0;
  for (int32_t i = 0; i < n; ++i) {
    double s = 0;
    for (int32_t j = 0; j < n; ++j) s += std::abs(d[i + j * size_t(n)]);
    norm = std::max(norm, s);
  }
  EXPECT_NEAR(norm_inf(a), norm, 1e-12 * norm);
  // The backward error of b = A·x against x itself is rounding only; a perturbed x is caught.
  std::vector<double> b(xr.size());
  multiply(a, false, xr.data(), b.data(), 1);
  EXPECT_LT(backward_error(a, false, b.data(), xr.data(), 1), 1e-15);
  xr[0] += 1e-3;
  EXPECT_GT(backward_error(a, false, b.data(), xr.data(), 1), 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Layouts, Products,
                         ::testing::Values("laplace2d:5", "kkt:4", "helmholtz3d:3:9", "convdiff3d:3:50",
                                           "hermitian3d:3", "hermitian3d:3:4"));

// A solution holding NaN or Inf has no backward error (NaN, which no tolerance accepts), while
// finite data whose products overflow gets its true, scale-free value.
TEST(BackwardError, NonFiniteSolutionsAreNaNAndOverflowIsScaledAway) {
  Csr a = build("laplace2d:3");
  std::vector<double> x(9, 1.0), b(9);
  multiply(a, false, x.data(), b.data(), 1);
  for (double bad : {std::nan(""), HUGE_VAL}) {
    std::vector<double> y = x;
    y[4] = bad;
    EXPECT_TRUE(std::isnan(backward_error(a, false, b.data(), y.data(), 1))) << bad;
    std::vector<double> two(18);
    std::copy(x.begin(), x.end(), two.begin());
    std::copy(y.begin(), y.end(), two.begin() + 9);
    std::vector<double> bb(18);
    multiply(a, false, two.data(), bb.data(), 2);
    std::copy(b.begin(), b.end(), bb.begin() + 9);
    EXPECT_TRUE(std::isnan(backward_error(a, false, bb.data(), two.data(), 2))) << "second column " << bad;
  }
  // ‖A‖∞ overflows once A is scaled by 1e306; the error of x = 1 stays at rounding level, and an
  // error of 1e-3 in x stays visible.
  for (double& v : a.a) v *= 1e306;
  for (double& v : b) v *= 1e306;
  EXPECT_LT(backward_error(a, false, b.data(), x.data(), 1), 1e-15);
  x[0] += 1e-3;
  EXPECT_GT(backward_error(a, false, b.data(), x.data(), 1), 1e-5);
}

TEST(BackwardError, AcceptedOnlyWhenFiniteAndWithinTolerance) {
  std::string why;
  EXPECT_TRUE(accept_solution(0.0, 1e-10, why));
  EXPECT_TRUE(accept_solution(1e-10, 1e-10, why));
  EXPECT_TRUE(accept_solution(0.5, INFINITY, why));
  EXPECT_FALSE(accept_solution(2e-10, 1e-10, why));
  EXPECT_EQ(why, "backward error 2.000e-10 is above the tolerance 1e-10 (--tol)");
  for (double bad : {std::nan(""), HUGE_VAL}) {
    EXPECT_FALSE(accept_solution(bad, INFINITY, why));
    EXPECT_EQ(why, "the solution is not finite (NaN or Inf)");
  }
}

Coordinate coordinate(int32_t n, Field field, Symmetry symmetry, std::vector<int32_t> row,
                      std::vector<int32_t> col, std::vector<double> val) {
  Coordinate c;
  c.nrows = c.ncols = n;
  c.field = field;
  c.symmetry = symmetry;
  c.row = std::move(row), c.col = std::move(col), c.val = std::move(val);
  return c;
}

// What a one-triangle layout loses of a file that stores something else: nothing for symmetric
// general files, upper-triangle files and layouts that keep whole rows; the largest relative
// difference, where, and both values otherwise.
TEST(LayoutLoss, ComparesTheDroppedTriangleWithTheMirrorTheTypeTakes) {
  const Field re = Field::real, cx = Field::complex;
  const Symmetry gen = Symmetry::general;
  // Exactly symmetric, upper only, and an explicit zero below with nothing above: no loss.
  for (const Coordinate& c : {coordinate(2, re, gen, {1, 1, 2, 2}, {1, 2, 1, 2}, {4, 1, 1, 4}),
                              coordinate(2, re, gen, {1, 1, 2}, {1, 2, 2}, {4, 1, 4}),
                              coordinate(2, re, gen, {1, 2, 2}, {1, 1, 2}, {4, 0, 4})}) {
    EXPECT_EQ(layout_loss(c, Layout::upper_symmetric).relative, 0.0);
    EXPECT_EQ(layout_loss(c, Layout::upper_hermitian).relative, 0.0);
  }
  // Lower only: the type would take 0 for (2,1) = 3 (relative difference 1).
  Coordinate c = coordinate(3, re, gen, {1, 2, 3, 2}, {1, 2, 3, 1}, {4, 4, 4, 3});
  LayoutLoss loss = layout_loss(c, Layout::upper_symmetric);
  EXPECT_EQ(loss.relative, 1.0);
  EXPECT_EQ(loss.row, 2);
  EXPECT_EQ(loss.col, 1);
  EXPECT_EQ(loss.file[0], 3.0);
  EXPECT_EQ(loss.kept[0], 0.0);
  EXPECT_EQ(layout_loss(c, Layout::full).relative, 0.0);
  EXPECT_EQ(layout_loss(c, Layout::full_symmetric_pattern).relative, 0.0);
  // Two mismatches: the larger is reported; an upper entry whose mirror is missing counts once the
  // lower triangle is not zero. Duplicates are summed before comparing: (2,1) = 0.5 + 0.5 = (1,2).
  c = coordinate(3, re, gen, {1, 2, 1, 3, 2, 2}, {2, 1, 3, 2, 3, 1}, {1, 0.5, 2, 2, 2 * (1 + 1e-15), 0.5});
  loss = layout_loss(c, Layout::upper_symmetric);
  EXPECT_EQ(loss.relative, 1.0);
  EXPECT_EQ(loss.row, 3);
  EXPECT_EQ(loss.col, 1);
  // A lower entry without a stored mirror: the type takes 0 there.
  c = coordinate(3, re, gen, {1, 2, 1, 3}, {1, 1, 3, 1}, {4, 3, 2, 2});
  loss = layout_loss(c, Layout::upper_symmetric);
  EXPECT_EQ(loss.relative, 1.0);
  EXPECT_EQ(loss.row, 2);
  EXPECT_EQ(loss.col, 1);
  // Rounding-level asymmetry is measured, not rounded away.
  c = coordinate(2, re, gen, {1, 1, 2, 2}, {1, 2, 1, 2}, {4, 1, 1 + 4e-16, 4});
  EXPECT_NEAR(layout_loss(c, Layout::upper_symmetric).relative, 4e-16, 1e-16);
  // Complex: a Hermitian file as complex symmetric and the reverse differ by the imaginary parts;
  // a Hermitian type also drops the imaginary part of the diagonal.
  const Coordinate herm = coordinate(2, cx, Symmetry::hermitian, {1, 2, 2}, {1, 1, 2}, {4, 0, 1, 2, 4, 0});
  EXPECT_EQ(layout_loss(herm, Layout::upper_hermitian).relative, 0.0);
  loss = layout_loss(herm, Layout::upper_symmetric);
  EXPECT_NEAR(loss.relative, 4 / std::sqrt(5.0), 1e-15);
  EXPECT_EQ(loss.file[1], 2.0);
  EXPECT_EQ(loss.kept[1], -2.0);
  const Coordinate csym = coordinate(2, cx, Symmetry::symmetric, {1, 2, 2}, {1, 1, 2}, {4, 1, 1, 0, 4, 0});
  EXPECT_EQ(layout_loss(csym, Layout::upper_symmetric).relative, 0.0);
  loss = layout_loss(csym, Layout::upper_hermitian);
  EXPECT_NEAR(loss.relative, 1 / std::sqrt(17.0), 1e-15);
  EXPECT_EQ(loss.row, 1);
  EXPECT_EQ(loss.col, 1);
  // A real symmetric file is Hermitian as it stands.
  EXPECT_EQ(
      layout_loss(coordinate(2, re, Symmetry::symmetric, {2}, {1}, {3}), Layout::upper_hermitian).relative,
      0.0);
}

struct Expected {
  const char* description;
  int32_t type;
  int32_t n;
  int64_t nnz;  // stored entries of the layout the type takes
};

class Sizes : public ::testing::TestWithParam<Expected> {};

TEST_P(Sizes, OrderEntriesAndTypeAreRight) {
  const Expected& e = GetParam();
  Problem p;
  std::string error;
  ASSERT_TRUE(generate(e.description, p, error)) << error;
  EXPECT_EQ(p.matrix_type, e.type);
  const Csr a = build(e.description);
  EXPECT_EQ(a.n, e.n);
  EXPECT_EQ(a.nnz(), e.nnz);
  const Csr again = build(e.description);
  EXPECT_EQ(again.a, a.a);
}

// Edge counts: a 2D N x N grid has 2N(N-1) edges, a 3D grid 3N²(N-1).
INSTANTIATE_TEST_SUITE_P(Problems, Sizes,
                         ::testing::Values(Expected{"laplace2d:6", 2, 36, 36 + 60},
                                           Expected{"laplace3d:5", 2, 125, 125 + 300},
                                           Expected{"shifted3d:4:1.5", -2, 64, 64 + 144},
                                           Expected{"kkt:6", -2, 45, 36 + 60 + 9 + 36},
                                           Expected{"helmholtz3d:4:10", 6, 64, 64 + 144},
                                           Expected{"convdiff3d:4:10", 11, 64, 64 + 288},
                                           Expected{"hermitian3d:4", 4, 64, 64 + 144},
                                           Expected{"hermitian3d:4:3", -4, 64, 64 + 144},
                                           // 27-point: 8 corners... counted as 3x3 blocks: 6 upper
                                           // per node block, 9 per coupled node pair.
                                           Expected{"elasticity3d:2", 2, 24, 8 * 6 + 28 * 9}));

// Definiteness through dense LAPACK: Cholesky succeeds exactly for the positive definite problems.
TEST(Generators, DefinitenessMatchesTheType) {
  for (const char* description :
       {"laplace2d:5", "laplace3d:3", "elasticity3d:2", "hermitian3d:3", "kkt:4", "shifted3d:3:6"}) {
    const Csr a = build(description);
    auto d = testing::dense_of(a);
    int info;
    if (a.complex) {
      info = blas::potrf('L', a.n, d.data(), a.n);
    } else {
      std::vector<double> r(d.size());
      for (size_t k = 0; k < d.size(); ++k) r[k] = d[k].real();
      info = blas::potrf('L', a.n, r.data(), a.n);
    }
    Problem p;
    std::string error;
    generate(description, p, error);
    EXPECT_EQ(info == 0, p.matrix_type > 0) << description;
  }
}

TEST(Generators, NonsingularUnsymmetricAndComplexSymmetric) {
  for (const char* description : {"convdiff3d:3:100", "helmholtz3d:3:30", "kkt:4"}) {
    const Csr a = build(description);
    auto d = testing::dense_of(a);
    std::vector<int> ipiv(a.n);
    EXPECT_EQ(blas::getrf(a.n, a.n, d.data(), a.n, ipiv.data()), 0) << description;
    double smallest = 1e300;
    for (int32_t i = 0; i < a.n; ++i) smallest = std::min(smallest, std::abs(d[i + i * size_t(a.n)]));
    EXPECT_GT(smallest, 1e-6) << description;
  }
}

// The random unsymmetric problem: one or two off-diagonal entries per row in [-1, 1], a diagonal of
// 0.6-1.6 times the row's off-diagonal sum, a pattern that is not symmetric, and a nonsingular matrix.
TEST(Generators, RandomUnsymmetricRowsFollowTheirRule) {
  const Csr a = build("randunsym:300");
  ASSERT_EQ(a.n, 300);
  EXPECT_EQ(a.layout, Layout::full);
  int64_t off = 0, mirrored = 0;
  auto d = testing::dense_of(a);
  for (int32_t i = 0; i < a.n; ++i) {
    double sum = 0.0, diag = 0.0;
    int count = 0;
    for (int32_t k = a.ia[i] - 1; k < a.ia[i + 1] - 1; ++k) {
      const int32_t j = a.ja[k] - 1;
      if (j == i) {
        diag = a.a[k];
        continue;
      }
      ++count;
      EXPECT_LE(std::abs(a.a[k]), 1.0);
      sum += std::abs(a.a[k]);
      if (d[i + j * size_t(a.n)] != 0.0 && d[j + i * size_t(a.n)] != 0.0) ++mirrored;
    }
    EXPECT_TRUE(count == 1 || count == 2) << "row " << i;
    EXPECT_GE(diag, 0.6 * sum - 1e-15) << "row " << i;
    EXPECT_LE(diag, 1.6 * sum + 1e-15) << "row " << i;
    off += count;
  }
  EXPECT_NEAR(static_cast<double>(off) / a.n, 1.5, 0.15);
  EXPECT_LT(mirrored, off / 10);  // structurally unsymmetric
  std::vector<int> ipiv(a.n);
  EXPECT_EQ(blas::getrf(a.n, a.n, d.data(), a.n, ipiv.data()), 0);
  EXPECT_EQ(build("randunsym:300").a, a.a);
}

TEST(Generators, BadDescriptionsAreNamed) {
  Problem p;
  std::string error;
  EXPECT_FALSE(generate("cube:4", p, error));
  EXPECT_EQ(error, "unknown problem 'cube' in 'cube:4'");
  EXPECT_FALSE(generate("laplace3d:x", p, error));
  EXPECT_EQ(error,
            "bad problem 'laplace3d:x', expected laplace3d:N          7-point Laplacian, N^3 unknowns, SPD "
            "(type 2)");
  EXPECT_FALSE(generate("convdiff3d:4", p, error));
  EXPECT_FALSE(generate("laplace2d:0", p, error));
  EXPECT_FALSE(generate("laplace3d:2000", p, error));
  EXPECT_EQ(error, "problem 'laplace3d:2000' is out of range");
}

}  // namespace
}  // namespace varnexo::tools
