// The numerical phases of the driver for SPD systems: several stored factorisations, the release
// of one factor, split solves, the caller's permutation, the solution over b, the failure of a
// matrix that is not positive definite, and the statistics records.
#include <regex>

#include "solve_fixture.h"

namespace varnexo::test {
namespace {

// The 2D Laplacian with `shift` added to its diagonal (same structure for every shift).
tools::Csr shifted_laplace(double shift) {
  tools::Csr a = generated("laplace2d:12");
  for (int32_t i = 0; i < a.n; ++i) a.a[(size_t)a.ia[i] - 1] += shift;  // diagonal first in each row
  return a;
}

double residual_of(tools::Csr& a, const std::vector<double>& b, const std::vector<double>& x,
                   int32_t nb = 1) {
  return tools::backward_error(a, false, b.data(), x.data(), nb);
}

TEST(SpdDriver, TwoStoredFactorisationsSolveEachAgainstItsOwnMatrix) {
  tools::Csr a1 = shifted_laplace(0.0), a2 = shifted_laplace(3.0);
  std::vector<double> b = rhs_for(a1, 1), x1(b.size()), x2(b.size());
  Session s(2);
  s.maxfct = 2;
  ASSERT_EQ(s.run(11, a1, b, x1), 0);
  s.mnum = 1;
  ASSERT_EQ(s.run(22, a1, b, x1), 0);
  s.mnum = 2;
  ASSERT_EQ(s.run(22, a2, b, x2), 0);
  s.mnum = 1;
  ASSERT_EQ(s.run(33, a1, b, x1), 0);
  s.mnum = 2;
  ASSERT_EQ(s.run(33, a2, b, x2), 0);
  EXPECT_LT(residual_of(a1, b, x1), 1e-14);
  EXPECT_LT(residual_of(a2, b, x2), 1e-14);
  EXPECT_GT(std::abs(x1[0] - x2[0]), 1e-3) << "the two factors differ";
  // Releasing factor 2 keeps factor 1; a solve of number 2 factorises it again.
  ASSERT_EQ(s.run(0, a2, b, x2), 0);
  std::fill(x1.begin(), x1.end(), 0.0);
  s.mnum = 1;
  ASSERT_EQ(s.run(33, a1, b, x1), 0);
  EXPECT_LT(residual_of(a1, b, x1), 1e-14);
  std::fill(x2.begin(), x2.end(), 0.0);
  s.mnum = 2;
  ASSERT_EQ(s.run(33, a2, b, x2), 0);
  EXPECT_LT(residual_of(a2, b, x2), 1e-14);
}

TEST(SpdDriver, FactorisingAnotherStructureIsRefused) {
  tools::Csr a = generated("laplace2d:6"), other = generated("laplace2d:7");
  std::vector<double> b = rhs_for(other, 1), x(b.size());
  Session s(2);
  ASSERT_EQ(s.run(11, a, b, x), 0);
  s.msglvl = 1;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  s.run(22, other, b, x);
  const std::string err = testing::internal::GetCapturedStderr();
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(s.error, -1);
  EXPECT_NE(err.find("*** Input check: neqns 49 or the number of entries differ from the analysed matrix\n"),
            std::string::npos)
      << err;
}

TEST(SpdDriver, ForwardThenBackwardEqualsOneSolve) {
  tools::Csr a = generated("laplace3d:7");
  Session s(2);
  s.nb = 3;
  s.ip(VARNEXO_IPARAM_MAX_REFINE) = 0;
  std::vector<double> b = rhs_for(a, 3), x(b.size()), half(b.size()), x2(b.size());
  ASSERT_EQ(s.run(12, a, b, x), 0);
  ASSERT_EQ(s.run(33, a, b, x), 0);
  s.ip(VARNEXO_IPARAM_SOLVE_PART) = 1;
  ASSERT_EQ(s.run(33, a, b, half), 0);
  s.ip(VARNEXO_IPARAM_SOLVE_PART) = 2;
  ASSERT_EQ(s.run(33, a, half, x2), 0);
  for (size_t k = 0; k < x.size(); ++k) EXPECT_NEAR(x[k], x2[k], 1e-12 * std::abs(x[k]) + 1e-14);
}

TEST(SpdDriver, CallersPermutationInAndOut) {
  tools::Csr a = generated("laplace2d:9");
  std::vector<double> b = rhs_for(a, 1), x(b.size());
  Session s(2);
  s.ip(VARNEXO_IPARAM_PERM_USE) = -1;
  ASSERT_EQ(s.run(11, a, b, x), 0);
  std::vector<int32_t> seen((size_t)a.n + 1, 0);
  for (int32_t p : s.perm) ASSERT_TRUE(p >= 1 && p <= a.n && !seen[(size_t)p]++) << "perm is a permutation";
  // The reverse order given by the caller is used as it is.
  Session t(2);
  t.ip(VARNEXO_IPARAM_PERM_USE) = 1;
  t.perm.resize((size_t)a.n);
  for (int32_t k = 0; k < a.n; ++k) t.perm[(size_t)k] = a.n - k;
  int32_t phase = 13;
  varnexo_(t.handle, &t.maxfct, &t.mnum, &t.type, &phase, &a.n, a.a.data(), a.ia.data(), a.ja.data(),
           t.perm.data(), &t.nb, t.iparam, &t.msglvl, b.data(), x.data(), &t.error);
  ASSERT_EQ(t.error, 0);
  EXPECT_LT(residual_of(a, b, x), 1e-14);
}

TEST(SpdDriver, SolutionOverB) {
  tools::Csr a = generated("laplace2d:8");
  std::vector<double> b = rhs_for(a, 2), b0 = b, x(b.size());
  Session s(2);
  s.nb = 2;
  s.ip(VARNEXO_IPARAM_SOLUTION_ON_B) = 1;
  ASSERT_EQ(s.run(13, a, b, x), 0);
  EXPECT_LT(tools::backward_error(a, false, b0.data(), b.data(), 2), 1e-14);
}

TEST(SpdDriver, NotPositiveDefiniteIsReported) {
  tools::Csr a = shifted_laplace(-1.0);  // eigenvalues of the 2D Laplacian reach below 1
  std::vector<double> b = rhs_for(a, 1), x(b.size());
  Session s(2);
  s.msglvl = 1;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  s.run(13, a, b, x);
  const std::string err = testing::internal::GetCapturedStderr();
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(s.error, -4);
  EXPECT_NE(err.find("*** error VARNEXO  (numerical_factorization ) error_num= "), std::string::npos) << err;
  EXPECT_NE(err.find("*** error varnexo: zero or neg. pivot, A not spd\n"), std::string::npos) << err;
}

TEST(SpdDriver, StatisticsRecords) {
  tools::Csr a = generated("laplace2d:5");
  std::vector<double> b = rhs_for(a, 1), x(b.size());
  Session s(2);
  s.msglvl = 1;
  testing::internal::CaptureStdout();
  s.run(13, a, b, x);
  std::string out = testing::internal::GetCapturedStdout();
  ASSERT_EQ(s.error, 0);
  // Times and rates vary from run to run: mask the numbers of those lines.
  out = std::regex_replace(out, std::regex("(Time [a-zA-Z ]+: )[0-9.]+ s( total - sum: )?[-0-9.]*( s)?"),
                           "$1T");
  out = std::regex_replace(out, std::regex("(mflop/s for the numerical factorization: +)[0-9.]+"), "$1R");
  out = std::regex_replace(out, std::regex("(rel res|rel err) +[0-9.E+-]+"), "$1 E");
  const std::string expected =
      " ref_it: 1. rel res E rel err E\n"
      "\n"
      "================  VARNEXO: solving a symm. posit. def. system  ================\n"
      "\n"
      "\n"
      "Summary VARNEXO: ( reorder to solve )\n"
      "==================\n"
      "Times:\n"
      "======\n"
      "\n"
      "      Time fulladj: T\n"
      "      Time reorder: T\n"
      "      Time symbfct: T\n"
      "      Time A to LU: T\n"
      "      Time numfct : T\n"
      "      Time solve  : T\n"
      "      Time malloc : T\n"
      "      Time total  : T\n"
      "\n"
      "Statistics:\n"
      "===========\n"
      " < Parallel Direct Factorization with #processors: >             1\n"
      " < Numerical Factorization with Level-3 BLAS performance >\n"
      "\n"
      " < Linear system Ax = b>\n"
      "             #equations:                                     25\n"
      "             #non-zeros in A:                                65\n"
      "             non-zeros in A (%):                            10.400000\n"
      "             #right-hand sides:                              1\n"
      "\n"
      "< Factors L and U >\n"
      "             #columns for each panel:                        80\n";
  EXPECT_EQ(out.substr(0, expected.size()), expected);
  EXPECT_NE(out.find(" < preprocessing with state of the art partitioning metis>\n"), std::string::npos);
  EXPECT_NE(out.find("             mflop   for the numerical factorization:        "), std::string::npos);
  EXPECT_NE(out.find("             mflop/s for the numerical factorization:        R\n"), std::string::npos);
  EXPECT_NE(out.find("             #supernodes:                                    "), std::string::npos);
}

TEST(SpdDriver, AnalysisListsItsStagesOnly) {
  tools::Csr a = generated("laplace2d:5");
  std::vector<double> b = rhs_for(a, 1), x(b.size());
  Session s(2);
  s.msglvl = 1;
  testing::internal::CaptureStdout();
  s.run(11, a, b, x);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("Summary VARNEXO: ( reorder to reorder )"), std::string::npos) << out;
  EXPECT_NE(out.find("Time symbfct:"), std::string::npos);
  EXPECT_EQ(out.find("Time numfct :"), std::string::npos);
  EXPECT_EQ(out.find("mflop"), std::string::npos);
}

}  // namespace
}  // namespace varnexo::test
