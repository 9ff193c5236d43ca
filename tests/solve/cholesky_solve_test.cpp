// Solves with the supernodal Cholesky factor: normwise backward error on generated and
// collected matrices, one and several right-hand sides, the split into forward and backward
// parts, the output into b and a scatter in several blocks; Hermitian matrices.
#include <gtest/gtest.h>

#include "solve/solve.h"
#include "support/harness.h"
#include "support/matrices.h"

using namespace testnum;

namespace {

template <class T>
std::vector<T> random_rhs(int32_t n, int32_t nb, uint32_t seed) {
  std::mt19937 g(seed);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::vector<T> b(static_cast<size_t>(n) * nb);
  for (T& v : b) {
    if constexpr (varnexo::is_complex_v<T>)
      v = T(u(g), u(g));
    else
      v = u(g);
  }
  return b;
}

// Runs the library's solve on a factorised matrix.
template <class T>
int32_t run_solve(Cholesky<T>& c, int32_t nb, std::vector<T>& x, std::vector<T>& b, int32_t part = 0,
                  bool into_b = false, int64_t wsize = -1) {
  auto sf = c.sym.view(false);
  int32_t ib[100] = {};
  std::copy(c.ibasic, c.ibasic + 100, ib);
  ib[72] = part;
  const int64_t n = c.A.n;
  std::vector<T> W(std::max<int64_t>(1, wsize < 0 ? varnexo::solve::solve_work_values(sf, nb) : wsize));
  x.resize(n * nb);
  const varnexo::driver::Control ctl(ib, nullptr, nullptr);
  const varnexo::solve::SolveOptions o = varnexo::driver::solve_options(
      ctl, varnexo::kind_of(ctl.matrix_type()), varnexo::FactorStorage::symmetric, into_b);
  const varnexo::solve::FactorValues f{c.lnz.data(), nullptr, nullptr, nullptr};
  return static_cast<int32_t>(varnexo::solve::solve(sf, f, o, nb, x.data(), b.data(), nullptr, nullptr,
                                                    W.data(),
                                                    wsize < 0 ? static_cast<int64_t>(W.size()) : wsize));
}

struct Problem {
  std::string name;
  int32_t n = 0;
  Entries<double> upper;
};

Problem make(const std::string& name) {
  Problem p;
  p.name = name;
  if (name == "lap2d_30") {
    p.n = 900;
    p.upper = laplacian(30, 30, 1);
  } else if (name == "lap3d_10") {
    p.n = 1000;
    p.upper = laplacian(10, 10, 10);
  } else if (name == "elasticity_5") {
    p.n = 375;
    p.upper = elasticity(5);
  } else if (name == "random_300") {
    p.n = 300;
    p.upper = random_spd<double>(300, 0.02, 17);
  } else
    testsupport::shared_upper(name, &p.n, &p.upper, nullptr);
  return p;
}

class CholeskySolve : public ::testing::TestWithParam<std::string> {};

TEST_P(CholeskySolve, BackwardErrorAndAgreementOfKernels) {
  const Problem p = make(GetParam());
  ASSERT_GT(p.n, 0);
  const Csr<double> A = upper_csr(p.n, p.upper);
  Cholesky<double> c(A, ordering(A, Ordering::nested_dissection), 80);
  ASSERT_EQ(c.map_status(), 0);
  ASSERT_EQ(c.factor(), 0);
  const Entries<double> full = mirror(p.upper, false);
  const int32_t nb = 5, n = p.n;
  std::vector<double> b = random_rhs<double>(n, nb, 4), x, x1;
  ASSERT_EQ(run_solve(c, nb, x, b), 0);
  for (int32_t j = 0; j < nb; ++j) {
    EXPECT_LT(backward_error(n, full, x.data() + j * n, b.data() + j * n), 1e-14) << "column " << j;
    std::vector<double> bj(b.begin() + j * n, b.begin() + (j + 1) * n);
    ASSERT_EQ(run_solve(c, 1, x1, bj), 0);
    double diff = 0, scale = 0;
    for (int32_t i = 0; i < n; ++i) {
      diff = std::max(diff, std::abs(x1[i] - x[j * n + i]));
      scale = std::max(scale, std::abs(x[j * n + i]));
    }
    EXPECT_LE(diff, 1e-12 * scale) << "one and several right-hand sides differ";
  }
}

INSTANTIATE_TEST_SUITE_P(Problems, CholeskySolve,
                         ::testing::Values("lap2d_30", "lap3d_10", "elasticity_5", "random_300", "LFAT5",
                                           "bcsstk01", "bcsstk03", "494_bus", "gr_30_30", "Trefethen_500",
                                           "mesh1e1", "bcsstm12", "bcsstk13"));

// Forward only, then backward only on what it returned, equals the whole solve; with the
// output into b, b holds the solution and x the permuted one; a work block of one column
// (and of none) still scatters every column.
TEST(CholeskySolveParts, SplitOutputAndBlockedScatter) {
  const Csr<double> A = upper_csr(375, elasticity(5));
  Cholesky<double> c(A, ordering(A, Ordering::nested_dissection), 16);
  ASSERT_EQ(c.map_status(), 0);
  ASSERT_EQ(c.factor(), 0);
  const int32_t n = 375;
  for (int32_t nb : {1, 4}) {
    std::vector<double> b = random_rhs<double>(n, nb, 8), whole, fw, bw;
    ASSERT_EQ(run_solve(c, nb, whole, b), 0);
    ASSERT_EQ(run_solve(c, nb, fw, b, 1), 0);
    ASSERT_EQ(run_solve(c, nb, bw, fw, 2), 0);
    for (size_t k = 0; k < whole.size(); ++k)
      EXPECT_NEAR(bw[k], whole[k], 1e-13 * std::abs(whole[k]) + 1e-15);
    std::vector<double> bb = b, xb;
    ASSERT_EQ(run_solve(c, nb, xb, bb, 0, true), 0);
    EXPECT_EQ(bb, whole);
    for (int64_t wsize : {static_cast<int64_t>(n), static_cast<int64_t>(0)}) {
      std::vector<double> xs;
      ASSERT_EQ(run_solve(c, nb, xs, b, 0, false, wsize), 0);
      EXPECT_EQ(xs, whole);
    }
    // Forward only with output into b copies the intermediate vector unchanged.
    std::vector<double> bf = b, xf;
    ASSERT_EQ(run_solve(c, nb, xf, bf, 1, true), 0);
    EXPECT_EQ(bf, fw);
  }
}

// Hermitian positive definite (type 4): factor and solve with the conjugated triangle.
TEST(HermitianCholeskySolve, BackwardError) {
  for (const std::string name : {"random", "c30up"}) {
    int32_t n = 200;
    Entries<dcomplex> upper;
    if (name == "random")
      upper = random_spd<dcomplex>(n, 0.03, 21);
    else
      ASSERT_TRUE(testsupport::shared_upper("c30up", &n, nullptr, &upper));
    const Csr<dcomplex> A = upper_csr(n, upper);
    Cholesky<dcomplex> c(A, ordering(A, Ordering::nested_dissection), 8);
    ASSERT_EQ(c.map_status(), 0);
    ASSERT_EQ(c.factor(), 0) << name;
    const Entries<dcomplex> full = mirror(upper, true);
    for (int32_t nb : {1, 3}) {
      std::vector<dcomplex> b = random_rhs<dcomplex>(n, nb, 5), x;
      ASSERT_EQ(run_solve(c, nb, x, b), 0);
      for (int32_t j = 0; j < nb; ++j)
        EXPECT_LT(backward_error(n, full, x.data() + j * n, b.data() + j * n), 1e-14) << name;
    }
  }
}

}  // namespace
