// Values at the edges of the doubles through the public call: entries that make the updates of
// the symmetric indefinite factorisations overflow give the numerical error or an answer that
// holds, never a crash; a well-conditioned matrix of size 1e300 is solved; a residual that overflows is no
// success; a forward or backward substitution alone with the iteration on checks its values; perturbed counts
// the caller puts in iparam(14) before pure solves are taken without overflow.
#include <algorithm>
#include <climits>
#include <cmath>
#include <random>

#include "solve_fixture.h"

namespace varnexo::test {
namespace {

// What a call may answer for a system it cannot stand behind: the numerical error, or success
// with a finite x whose backward error (as the caller measures it) is what the library promises.
void expect_honest(Session& s, const tools::Csr& a, const std::vector<double>& b,
                   const std::vector<double>& x) {
  ASSERT_TRUE(s.error == 0 || s.error == VARNEXO_ERROR_NUMERICAL) << s.error;
  if (s.error != 0) return;
  for (double v : x) ASSERT_TRUE(std::isfinite(v));
  if (s.ip(VARNEXO_IPARAM_REFINE_STEPS) > 0) {
    EXPECT_LE(tools::backward_error(a, false, b.data(), x.data(), s.nb), 1e-8);
  }
}

TEST(ExtremeValues, OverflowingEntriesOfTheIndefiniteTypesGiveAnErrorOrAnAnswerThatHolds) {
  const double extremes[] = {1e300, -1e300, 1.7e308, 1e-300, 4.9e-324, 1e200};
  int errors = 0, answers = 0;
  for (const char* problem : {"kkt:5", "helmholtz3d:3:2", "hermitian3d:3:0.5"}) {
    int32_t type = 0;
    const tools::Csr base = generated(problem, &type);
    std::mt19937 rng(11);
    for (int trial = 0; trial < 24; ++trial) {
      SCOPED_TRACE(std::string(problem) + " trial " + std::to_string(trial));
      tools::Csr a = base;
      // One to three stored values (a real or an imaginary part) replaced by an extreme.
      const int count = 1 + trial % 3;
      for (int k = 0; k < count; ++k) {
        std::uniform_int_distribution<size_t> at(0, a.a.size() - 1);
        a.a[at(rng)] = extremes[(trial + k) % 6];
      }
      std::vector<double> b = rhs_for(base, 1), x(b.size(), 0.0);
      Session s(type);
      s.run(13, a, b, x);
      expect_honest(s, a, b, x);
      (s.error == 0 ? answers : errors)++;
    }
  }
  EXPECT_GT(errors, 0) << "some of these systems are beyond the doubles";
  EXPECT_GT(answers, 0) << "and some are solved";
}

TEST(ExtremeValues, AWellConditionedTridiagonalScaledBy1e300IsSolvedByEveryRealType) {
  // tridiag(-1, 2, -1)·1e300 of order 4 (condition number about 10) with b = A·1: an all-NaN x
  // came back as type 1 before.
  for (int32_t type : {1, 11, 2, -2}) {
    SCOPED_TRACE("type " + std::to_string(type));
    const bool full = type == 1 || type == 11;
    tools::Csr a;
    a.n = 4;
    a.layout = full ? tools::Layout::full : tools::Layout::upper_symmetric;
    a.ia.push_back(1);
    for (int32_t i = 1; i <= 4; ++i) {
      for (int32_t j = full ? std::max(1, i - 1) : i; j <= std::min(4, i + 1); ++j) {
        a.ja.push_back(j);
        a.a.push_back(j == i ? 2e300 : -1e300);
      }
      a.ia.push_back((int32_t)a.ja.size() + 1);
    }
    std::vector<double> b = {1e300, 0.0, 0.0, 1e300}, x(4, 0.0);
    Session s(type);
    ASSERT_EQ(s.run(13, a, b, x), 0);
    for (double v : x) EXPECT_NEAR(v, 1.0, 1e-14);
  }
}

TEST(ExtremeValues, AComplexSymmetricEntryOf1e300IsFactoredInsideItsBlocks) {
  // Found by the fuzz target: the update of a column by -1e300 overflowed into a NaN diagonal,
  // which took a 2×2 pivot at the last column of its block and interchanged past it.
  tools::Csr a;
  a.n = 17;
  a.complex = true;
  a.layout = tools::Layout::upper_symmetric;
  a.ia = {1, 3, 5, 7, 9, 11, 13, 15, 17, 18, 19, 20, 21, 23, 25, 26, 28, 29};
  a.ja = {1, 4, 2, 8, 3, 12, 4, 16, 5, 7, 6, 12, 7, 17, 8, 12, 9, 10, 11, 12, 13, 15, 14, 17, 15, 16, 17, 17};
  a.a.assign(2 * a.ja.size(), -1.0);
  a.a[0] = -0.740753173828125, a.a[1] = -0.998046875, a.a[2] = -1e300;
  std::vector<double> b(2 * a.n, 1.0), x(b.size(), 0.0);
  Session s(6);
  s.run(13, a, b, x);
  expect_honest(s, a, b, x);
}

TEST(ExtremeValues, AResidualThatOverflowsIsNoSuccess) {
  // Found by the fuzz target: a Hermitian diagonal entry with imaginary part -1e300 (not part of
  // the factored matrix, part of the product) made the residual ∞ - ∞; the NaN was passed over
  // and the refined x of modulus 1e115 returned as a success.
  tools::Csr a;
  a.n = 2;
  a.complex = true;
  a.layout = tools::Layout::upper_hermitian;
  a.ia = {1, 3, 4};
  a.ja = {1, 2, 2};
  a.a = {-0.7401123046875, -1e300, 0.0078125, -0.578125, -1, -1};
  std::vector<double> b = {0, 0.421875, 0.000213623046875, 0, 0, 0, 0, 0}, x(b.size(), 0.0);
  Session s(-4);
  s.nb = 2;
  s.ip(VARNEXO_IPARAM_MAX_REFINE) = 1;
  // Without the matching and its scaling, as found (they lead to another x, whose residual stays
  // finite and whose backward error is tiny).
  s.ip(VARNEXO_IPARAM_MATCHING) = 0, s.ip(VARNEXO_IPARAM_SCALING) = 0;
  s.run(13, a, b, x);
  EXPECT_EQ(s.error, VARNEXO_ERROR_NUMERICAL);
}

TEST(ExtremeValues, AForwardOrBackwardSubstitutionAloneWithTheIterationOnChecksItsValues) {
  // A regular matrix of size 1e-250 and a right-hand side of 1e200: the triangular solves
  // overflow. With the iteration on, a partial solve returned success with ∞ in x.
  for (int32_t type : {2, 11}) {
    for (int32_t part : {1, 2}) {
      SCOPED_TRACE("type " + std::to_string(type) + " part " + std::to_string(part));
      tools::Csr a = type == 11 ? generated("convdiff3d:3:1") : generated("laplace2d:5");
      for (double& v : a.a) v *= 1e-250;
      std::vector<double> b(a.n, 1e200), x(b.size(), 0.0);
      Session s(type);
      s.ip(VARNEXO_IPARAM_CGS) = 31;
      ASSERT_EQ(s.run(12, a, b, x), 0);
      s.ip(VARNEXO_IPARAM_SOLVE_PART) = part;
      s.run(33, a, b, x);
      bool finite = true;
      for (double v : x) finite = finite && std::isfinite(v);
      EXPECT_TRUE(s.error == VARNEXO_ERROR_NUMERICAL || (s.error == 0 && finite)) << s.error;
      if (part == 2) {
        EXPECT_EQ(s.error, VARNEXO_ERROR_NUMERICAL) << "the backward substitution overflows";
      }
    }
  }
}

TEST(ExtremeValues, PerturbedCountsNearTheLargestIntegerOnPureSolvesAreTakenWithoutOverflow) {
  // A pure solve adds the caller's iparam(14) to the stored count (which a positive value
  // replaces); two in a row with INT32_MAX overflowed 32 bits.
  tools::Csr a = generated("kkt:5");
  std::vector<double> b = rhs_for(a, 1), x(b.size(), 0.0);
  Session s(-2);
  ASSERT_EQ(s.run(13, a, b, x), 0);
  for (int32_t count : {INT32_MAX, INT32_MAX, INT32_MIN + 1, 0}) {
    s.ip(VARNEXO_IPARAM_PERTURBED) = count;
    EXPECT_EQ(s.run(33, a, b, x), 0) << count;
    EXPECT_LE(tools::backward_error(a, false, b.data(), x.data(), 1), 1e-12) << count;
  }
}

}  // namespace
}  // namespace varnexo::test
