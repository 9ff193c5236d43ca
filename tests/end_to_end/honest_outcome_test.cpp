// Outcomes the library can stand behind: values of a or b that are not finite are refused before
// any work with their position, a solution that is not finite or that the refinement left far
// above its target is the numerical error, multiplying the system by a power of ten changes
// neither the perturbed pivots nor the backward error, the transposed solve and its refinement
// solve one system, and a Hermitian diagonal with an imaginary part is corrected or reported.
#include <cmath>
#include <limits>

#include "solve_fixture.h"

namespace varnexo::test {
namespace {

// Runs `phase` with messages on; returns the error text (the code is left in s.error).
std::string report_of(Session& s, int32_t phase, tools::Csr& a, std::vector<double>& b,
                      std::vector<double>& x) {
  s.msglvl = 1;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  s.run(phase, a, b, x);
  std::string err = testing::internal::GetCapturedStderr();
  testing::internal::GetCapturedStdout();
  s.msglvl = 0;
  return err;
}

bool contains(const std::string& text, const std::string& line) {
  return text.find(line) != std::string::npos;
}

struct Problem {
  std::string name;
  int32_t type;
};

const Problem kProblems[] = {{"laplace2d:10", 2},  {"kkt:6", -2},          {"hermitian3d:4:0.5", -4},
                             {"hermitian3d:4", 4}, {"helmholtz3d:4:2", 6}, {"convdiff3d:5:10", 11}};

TEST(NonFiniteInput, ValuesOfAOrBAreRefusedWithTheirPositionBeforeAnyWork) {
  const double bad[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                        -std::numeric_limits<double>::infinity()};
  for (const Problem& p : kProblems) {
    for (double v : bad) {
      SCOPED_TRACE(p.name + " " + std::to_string(v));
      tools::Csr a = generated(p.name);
      const int32_t w = a.width(), row = a.n / 2;
      const int32_t entry = a.ia[row - 1] + 1;  // 1-based, the second entry of the row
      std::vector<double> b = rhs_for(a, 2), x(b.size(), 0.0);
      tools::Csr spoilt = a;
      spoilt.a[(size_t)(entry - 1) * w + (w - 1)] = v;  // the imaginary part of a complex value
      Session s(p.type);
      s.nb = 2;
      std::string err = report_of(s, 13, spoilt, b, x);
      EXPECT_EQ(s.error, VARNEXO_ERROR_NUMERICAL);
      EXPECT_TRUE(contains(err, "*** error varnexo: a(" + std::to_string(entry) +
                                    ") is not a finite number (row " + std::to_string(row) + ")\n"))
          << err;
      EXPECT_EQ(s.handle[7], nullptr) << "no analysis was run";
      // b: the third entry of the second right-hand side; a pure solve is refused as well.
      ASSERT_EQ(s.run(13, a, b, x), 0);
      b[(size_t)(a.n + 2) * w] = v;
      for (int32_t phase : {33, 23, 13}) {
        err = report_of(s, phase, a, b, x);
        EXPECT_EQ(s.error, VARNEXO_ERROR_NUMERICAL) << phase;
        EXPECT_TRUE(contains(err, "*** error varnexo: b(" + std::to_string(a.n + 3) +
                                      ") is not a finite number (right-hand side 2)\n"))
            << err;
      }
    }
  }
}

TEST(NonFiniteInput, DiagonalSystemsAreCheckedToo) {
  tools::Csr d;
  d.n = 3;
  d.ia = {1, 2, 3, 4};
  d.ja = {1, 2, 3};
  d.a = {1.0, std::numeric_limits<double>::quiet_NaN(), 2.0};
  std::vector<double> b = {1, 1, 1}, x(3, 0.0);
  Session s(2);
  std::string err = report_of(s, 13, d, b, x);
  EXPECT_EQ(s.error, VARNEXO_ERROR_NUMERICAL);
  EXPECT_TRUE(contains(err, "*** error varnexo: a(2) is not a finite number (row 2)\n")) << err;
  EXPECT_EQ(s.handle[1], nullptr) << "the short cut obtains nothing";
  d.a[1] = 1e-300;  // finite, but 1e300 / 1e-300 is not
  b[1] = 1e300;
  err = report_of(s, 13, d, b, x);
  EXPECT_EQ(s.error, VARNEXO_ERROR_NUMERICAL);
  EXPECT_TRUE(
      contains(err, "*** error varnexo: solution entry 2 is not a finite number (right-hand side 1)\n"))
      << err;
}

TEST(NonFiniteSolution, AnOverflowingSolutionIsAnError) {
  // A tiny but regular matrix and a huge right-hand side: the solution exceeds the doubles.
  for (int32_t type : {2, -2, 11}) {
    tools::Csr a = type == 11 ? generated("convdiff3d:4:1") : generated("laplace2d:6");
    for (double& v : a.a) v *= 1e-200;
    std::vector<double> b(a.n, 1e200), x(b.size(), 0.0);
    Session s(type);
    const std::string err = report_of(s, 13, a, b, x);
    EXPECT_EQ(s.error, VARNEXO_ERROR_NUMERICAL) << type;
    EXPECT_TRUE(contains(err, "is not a finite number (right-hand side 1)\n")) << err;
  }
}

TEST(Refinement, EndingFarAboveItsTargetIsAnError) {
  // The zero matrix as a perturbing type: every pivot is perturbed and x = b/ε was returned as
  // success; the backward error of that x is 1.
  for (int32_t type : {-2, -4, 6, 11}) {
    tools::Csr a =
        type == 11 ? generated("convdiff3d:3:1") : generated(type == -2 ? "kkt:4" : "helmholtz3d:3:1");
    if (type == -4) a = generated("hermitian3d:3:0.5");
    for (double& v : a.a) v = 0.0;
    std::vector<double> b(a.n * a.width(), 1.0), x(b.size(), 0.0);
    Session s(type);
    s.ip(VARNEXO_IPARAM_MATCHING) = 0;  // no matching: it would refuse the structurally singular zero matrix
    const std::string err = report_of(s, 13, a, b, x);
    EXPECT_EQ(s.error, VARNEXO_ERROR_NUMERICAL) << type;
    EXPECT_EQ(s.ip(VARNEXO_IPARAM_PERTURBED), a.n) << "every pivot was perturbed";
    EXPECT_TRUE(contains(
        err, "*** error varnexo: backward error 1.000e+00 after iterative refinement, above 1e-10\n"))
        << err;
  }
}

// The factor of a Hermitian matrix reads the real part of its diagonal; refinement and the
// backward error see the matrix as given. An imaginary part at the level of rounding is
// corrected; a large one (a matrix that is not Hermitian) is an error, never the solution of
// another matrix reported as a success.
TEST(HermitianDiagonal, AnImaginaryPartIsCorrectedOrReported) {
  for (int32_t type : {4, -4}) {
    for (double im : {1e-13, 0.5}) {
      SCOPED_TRACE(std::to_string(type) + " " + std::to_string(im));
      tools::Csr a = generated(type == 4 ? "hermitian3d:4" : "hermitian3d:4:0.5");
      for (int32_t i = 0; i < a.n; ++i) {  // each row of the upper triangle starts with its diagonal
        double* d = &a.a[static_cast<size_t>(a.ia[i] - 1) * 2];
        d[1] = im * std::abs(d[0]);
      }
      std::vector<double> b = rhs_for(a, 1), x(b.size(), 0.0);
      Session s(type);
      const std::string err = report_of(s, 13, a, b, x);
      if (im < 1e-6) {
        EXPECT_EQ(s.error, 0) << err;
        EXPECT_LT(tools::backward_error(a, false, b.data(), x.data(), 1), 1e-14);
      } else {
        EXPECT_EQ(s.error, VARNEXO_ERROR_NUMERICAL);
        EXPECT_TRUE(contains(err, "after iterative refinement, above 1e-10\n")) << err;
      }
    }
  }
}

struct Scaled {
  std::string name;
  int32_t type;
  int32_t scaling;  // iparam(VARNEXO_IPARAM_SCALING); -1 keeps the default
};

TEST(ScaleInvariance, PowersOfTenChangeNeitherPerturbedPivotsNorBackwardError) {
  for (const Scaled& p :
       {Scaled{"kkt:8", -2, -1}, Scaled{"shifted3d:5:0.5", -2, -1}, Scaled{"hermitian3d:4:0.5", -4, -1},
        Scaled{"helmholtz3d:4:2", 6, -1}, Scaled{"convdiff3d:5:10", 11, -1}, Scaled{"convdiff3d:5:10", 11, 0},
        Scaled{"laplace3d:5", 2, -1}, Scaled{"convdiff3d:5:10", 1, -1}}) {
    SCOPED_TRACE(p.name + " type " + std::to_string(p.type) + " scaling " + std::to_string(p.scaling));
    tools::Csr base = generated(p.name);
    if (p.type == 1) base.layout = tools::Layout::full;
    const std::vector<double> b0 = rhs_for(base, 1);
    int32_t perturbed = -1;
    for (int k = -150; k <= 150; k += 10) {
      tools::Csr a = base;
      std::vector<double> b = b0, x(b.size(), 0.0);
      const double s = std::pow(10.0, k);
      for (double& v : a.a) v *= s;
      for (double& v : b) v *= s;
      Session session(p.type);
      if (p.scaling >= 0)
        session.ip(VARNEXO_IPARAM_SCALING) = p.scaling, session.ip(VARNEXO_IPARAM_MATCHING) = 0;
      ASSERT_EQ(session.run(13, a, b, x), 0) << k;
      if (perturbed < 0) perturbed = session.ip(VARNEXO_IPARAM_PERTURBED);
      EXPECT_EQ(session.ip(VARNEXO_IPARAM_PERTURBED), perturbed) << k;
      EXPECT_LT(tools::backward_error(a, false, b.data(), x.data(), 1), 1e-14) << k;
    }
  }
}

TEST(Transpose, TheSolveAndItsRefinementSolveOneSystem) {
  tools::Csr a = generated("convdiff3d:6:30");
  std::vector<double> xs(a.n), b(a.n);
  for (int32_t i = 0; i < a.n; ++i) xs[i] = 1.0 + (i % 7) / 7.0;
  // iparam(VARNEXO_IPARAM_TRANSPOSE) = 1: Aᵀ·x = b. iparam(VARNEXO_IPARAM_TRANSPOSE) = -1, the mark of the
  // diagonal short cut: A·x = b.
  for (int32_t mode : {1, -1, 0}) {
    const bool transposed = mode == 1;
    tools::multiply(a, transposed, xs.data(), b.data(), 1);
    std::vector<double> x(a.n, 0.0);
    Session s(11);
    s.ip(VARNEXO_IPARAM_TRANSPOSE) = mode;
    s.ip(VARNEXO_IPARAM_MAX_REFINE) = 3;
    ASSERT_EQ(s.run(13, a, b, x), 0) << mode;
    EXPECT_LT(tools::backward_error(a, transposed, b.data(), x.data(), 1), 1e-14) << mode;
    std::fill(x.begin(), x.end(), 0.0);
    ASSERT_EQ(s.run(33, a, b, x), 0) << mode;
    EXPECT_LT(tools::backward_error(a, transposed, b.data(), x.data(), 1), 1e-14) << mode;
  }
}

}  // namespace
}  // namespace varnexo::test
