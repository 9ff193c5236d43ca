// What a stored factor may be used for: a solve never reads a factor whose factorisation failed
// or that was computed for the other sign of the type, the CGS mode refactorises instead of
// keeping such a factor, and a failed factorisation leaves no block behind.
#include "common/memory.h"
#include "solve_fixture.h"

namespace varnexo::test {
namespace {

// Runs `phase` with messages on and returns the error text.
std::string with_messages(Session& s, int32_t phase, tools::Csr& a, std::vector<double>& b,
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

tools::Csr with_values(tools::Csr a, double scale) {
  for (double& v : a.a) v *= scale;
  return a;
}

TEST(StoredFactor, SolveAfterAFailedFactorisationIsRefused) {
  // Type 1 (LU with row interchanges) on a zero matrix and type 2 (Cholesky) on a negative
  // definite one both fail; the half-written factor and its pivots must never be solved with.
  for (int32_t type : {1, 2}) {
    SCOPED_TRACE(type);
    tools::Csr good = generated("laplace2d:12");
    if (type == 1) good = shared_matrix("bcsstk01", 1);
    tools::Csr bad = with_values(good, type == 1 ? 0.0 : -1.0);
    std::vector<double> b = rhs_for(good, 1), x(b.size(), 0.0);
    Session s(type);
    ASSERT_EQ(s.run(11, bad, b, x), 0);
    ASSERT_EQ(s.run(22, bad, b, x), -4);
    const std::string err = with_messages(s, 33, good, b, x);
    EXPECT_EQ(s.error, -1);
    EXPECT_NE(err.find("*** Input check: matrix number 1 holds no complete factor\n"), std::string::npos)
        << err;
    s.ip(VARNEXO_IPARAM_KEEP_ERROR) = 1;
    EXPECT_EQ(s.run(33, good, b, x), -7) << "silent: -1 becomes -7";
    // A phase that factorises computes a new factor, and then the solve is good.
    ASSERT_EQ(s.run(23, good, b, x), 0);
    EXPECT_LT(tools::backward_error(good, false, b.data(), x.data(), 1), 1e-12);
  }
}

TEST(StoredFactor, SolveWithTheOtherSignOfTheTypeIsRefused) {
  struct Case {
    std::string problem;
    int32_t factored, solved;
  };
  for (const Case& k : {Case{"laplace2d:10", 2, -2}, Case{"shifted3d:5:0.5", -2, 2},
                        Case{"hermitian3d:5", 4, -4}, Case{"hermitian3d:5", -4, 4}}) {
    SCOPED_TRACE(k.problem + " " + std::to_string(k.factored));
    tools::Csr a = generated(k.problem);
    std::vector<double> b = rhs_for(a, 1), x(b.size(), 0.0);
    Session s(k.factored);
    ASSERT_EQ(s.run(12, a, b, x), 0);
    s.type = k.solved;
    const std::string err = with_messages(s, 33, a, b, x);
    EXPECT_EQ(s.error, -1);
    EXPECT_NE(err.find("*** Input check: the factor of matrix number 1 was computed as matrix type " +
                       std::to_string(k.factored) + "\n"),
              std::string::npos)
        << err;
    if (k.solved == 2 || k.solved == 4) continue;  // an indefinite matrix has no Cholesky factor
    // Factorising with the new sign is allowed, and then the solve is good.
    ASSERT_EQ(s.run(23, a, b, x), 0);
    EXPECT_LT(tools::backward_error(a, false, b.data(), x.data(), 1), 1e-12);
  }
}

TEST(StoredFactor, CgsModeRefactorisesInsteadOfKeepingAFailedFactor) {
  tools::Csr good = generated("laplace2d:12");
  tools::Csr bad = with_values(good, -1.0);
  std::vector<double> b = rhs_for(good, 1), x(b.size(), 0.0);
  {
    Session first(2);
    first.ip(VARNEXO_IPARAM_CGS) = 1;  // the CGS code: a stored factor is kept between factorising calls
    ASSERT_EQ(first.run(13, good, b, x), 0);
    EXPECT_LT(tools::backward_error(good, false, b.data(), x.data(), 1), 1e-12) << "the first call solves";
  }
  Session s(2);
  s.ip(VARNEXO_IPARAM_CGS) = 1;
  ASSERT_EQ(s.run(11, good, b, x), 0);
  ASSERT_EQ(s.run(22, bad, b, x), -4);
  ASSERT_EQ(s.run(23, good, b, x), 0);
  EXPECT_LT(tools::backward_error(good, false, b.data(), x.data(), 1), 1e-12);
  // A second phase 23 keeps the good factor and still solves.
  std::fill(x.begin(), x.end(), 0.0);
  ASSERT_EQ(s.run(23, good, b, x), 0);
  EXPECT_LT(tools::backward_error(good, false, b.data(), x.data(), 1), 1e-12);
}

TEST(StoredFactor, FailedFactorisationsWithCgsLeaveNoBlockBehind) {
  const int64_t live = memory::live_blocks();
  {
    tools::Csr bad = with_values(generated("laplace2d:8"), -1.0);
    std::vector<double> b = rhs_for(bad, 1), x(b.size(), 0.0);
    Session s(2);
    s.ip(VARNEXO_IPARAM_CGS) = 1;
    ASSERT_EQ(s.run(11, bad, b, x), 0);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(s.run(23, bad, b, x), -4);
  }  // the session releases everything with phase -1
  EXPECT_EQ(memory::live_blocks(), live);
}

}  // namespace
}  // namespace varnexo::test
