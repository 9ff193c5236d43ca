// The weighted matching as the driver runs it for the unsymmetric types: a structurally singular
// matrix is reported with the number of matched columns.
#include "solve_fixture.h"

namespace varnexo::test {
namespace {

TEST(MatchingDriver, StructurallySingularMatrixIsReported) {
  // Row 2 is empty: no complete matching exists; two of the three columns can be matched.
  tools::Csr a;
  a.n = 3;
  a.ia = {1, 3, 3, 5};
  a.ja = {1, 2, 2, 3};
  a.a = {1.0, 2.0, 3.0, 4.0};
  std::vector<double> b(3, 1.0), x(3, 0.0);
  Session s(11);
  s.msglvl = 1;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  s.run(13, a, b, x);
  const std::string err = testing::internal::GetCapturedStderr();
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(s.error, -6);
  EXPECT_NE(err.find("*** error VARNEXO  (prereordering_mtype11,13) error_num= 1\n"), std::string::npos)
      << err;
  EXPECT_NE(err.find("*** error varnexo: preordering failed after 2 neqns out of 3\n"
                     "struct. sing. or input/parameter problem (matrixtype 11,13)\n"),
            std::string::npos)
      << err;
}

TEST(MatchingDriver, MatchingMovesLargeEntriesToTheDiagonal) {
  // A permuted diagonal matrix: without the matching every diagonal block is zero.
  tools::Csr a;
  a.n = 4;
  a.ia = {1, 2, 3, 4, 5};
  a.ja = {3, 1, 4, 2};
  a.a = {2.0, -3.0, 5.0, 7.0};
  std::vector<double> b = {2.0, -3.0, 5.0, 7.0}, x(4, 0.0);
  Session s(11);
  ASSERT_EQ(s.run(13, a, b, x), 0);
  EXPECT_EQ(s.ip(VARNEXO_IPARAM_PERTURBED), 0) << "no pivot was perturbed";
  EXPECT_LT(tools::backward_error(a, false, b.data(), x.data(), 1), 1e-15);
}

}  // namespace
}  // namespace varnexo::test
