// Symmetric indefinite (real and complex symmetric) systems end to end through the public call:
// the shared matrices and generated saddle-point and shifted problems, both pivoting modes,
// judged by the backward error and, where no pivot was perturbed, by the inertia that the
// eigenvalues of the dense matrix give.
#include <complex>

#include "solve_fixture.h"

namespace varnexo::test {
namespace {

struct IndefiniteCase {
  std::string source;  // a name of the shared collection, or gen:PROBLEM
  int32_t type;        // -2, 6 or -4
  int32_t mode;        // iparam(VARNEXO_IPARAM_PIVOTING): 1 Bunch–Kaufman, 0 diagonal pivoting
  int32_t nb;
  bool singular;  // numerically singular: no inertia check
};

std::string case_name(const testing::TestParamInfo<IndefiniteCase>& info) {
  const IndefiniteCase& k = info.param;
  std::string s =
      k.source + "_t" + std::to_string(k.type) + "_m" + std::to_string(k.mode) + "_nb" + std::to_string(k.nb);
  for (char& ch : s)
    if (!std::isalnum((unsigned char)ch)) ch = ch == '-' ? 'm' : '_';
  return s;
}

class Indefinite : public testing::TestWithParam<IndefiniteCase> {};

TEST_P(Indefinite, BackwardErrorAndInertia) {
  const IndefiniteCase& k = GetParam();
  tools::Csr a =
      k.source.rfind("gen:", 0) == 0 ? generated(k.source.substr(4)) : shared_matrix(k.source, k.type);
  std::vector<double> b = rhs_for(a, k.nb);
  Session s(k.type);
  s.nb = k.nb;
  s.ip(VARNEXO_IPARAM_PIVOTING) = k.mode;
  std::vector<double> x(b.size(), 0.0);
  ASSERT_EQ(s.run(13, a, b, x), 0);
  EXPECT_LT(tools::backward_error(a, false, b.data(), x.data(), k.nb), 1e-12);
  EXPECT_GE(s.ip(VARNEXO_IPARAM_PERTURBED), 0);
  if (k.type == 6 || k.type == -4) {
    EXPECT_EQ(s.ip(VARNEXO_IPARAM_POSITIVE), 0);
    EXPECT_EQ(s.ip(VARNEXO_IPARAM_NEGATIVE), 0);
    return;
  }
  EXPECT_EQ(s.ip(VARNEXO_IPARAM_POSITIVE) + s.ip(VARNEXO_IPARAM_NEGATIVE), a.n);
  if (k.singular || s.ip(VARNEXO_IPARAM_PERTURBED) != 0 || a.n > 2000) return;
  const auto [pos, neg] = dense_inertia(a);
  EXPECT_EQ(s.ip(VARNEXO_IPARAM_POSITIVE), pos);
  EXPECT_EQ(s.ip(VARNEXO_IPARAM_NEGATIVE), neg);
}

std::vector<IndefiniteCase> cases() {
  std::vector<IndefiniteCase> v;
  for (int32_t mode : {1, 0}) {
    v.push_back({"tumorAntiAngiogenesis_2", -2, mode, 1, false});
    v.push_back({"bfw398b", -2, mode, 1, false});
    v.push_back({"reorientation_1", -2, mode, 1, true});
    v.push_back({"gen:kkt:20", -2, mode, 1, false});
    v.push_back({"gen:shifted3d:10:0.8", -2, mode, 1, false});
    v.push_back({"gen:shifted3d:8:2.5", -2, mode, 3, false});
    v.push_back({"qc324", 6, mode, 1, true});
    v.push_back({"gen:helmholtz3d:8:1.5", 6, mode, 2, true});
    v.push_back({"c30lo_singular", -4, mode, 1, true});
    v.push_back({"gen:hermitian3d:8:1.5", -4, mode, 2, true});
  }
  v.push_back({"bfw398b", -2, 1, 4, false});
  v.push_back({"gen:kkt:40", -2, 1, 1, false});
  return v;
}

INSTANTIATE_TEST_SUITE_P(Matrices, Indefinite, testing::ValuesIn(cases()), case_name);

// The matrix inertia is known: bfw398b is negative definite, tumorAntiAngiogenesis_2 has
// +183/-122, and a saddle-point matrix [H Bᵀ; B 0] with H positive definite (N² unknowns) and B
// of full rank ((N/2)² rows) has +N²/-(N/2)². The factorisations perturb pivots of the last
// two (iparam(VARNEXO_IPARAM_PERTURBED) > 0) and still find it.
TEST(IndefiniteInertia, AgreesWithTheKnownInertia) {
  struct Known {
    const char* source;
    int32_t pos, neg;
  };
  for (const Known& k : {Known{"bfw398b", 0, 398}, Known{"tumorAntiAngiogenesis_2", 183, 122},
                         Known{"gen:kkt:20", 400, 100}, Known{"gen:kkt:40", 1600, 400}})
    for (int32_t mode : {1, 0}) {
      const std::string source = k.source;
      tools::Csr a = source.rfind("gen:", 0) == 0 ? generated(source.substr(4)) : shared_matrix(source, -2);
      std::vector<double> b = rhs_for(a, 1), x(b.size());
      Session s(-2);
      s.ip(VARNEXO_IPARAM_PIVOTING) = mode;
      ASSERT_EQ(s.run(13, a, b, x), 0) << k.source;
      EXPECT_EQ(s.ip(VARNEXO_IPARAM_POSITIVE), k.pos) << k.source << " mode " << mode;
      EXPECT_EQ(s.ip(VARNEXO_IPARAM_NEGATIVE), k.neg) << k.source << " mode " << mode;
    }
}

// Factorising, then solving in two halves (forward only, then backward only) equals one solve.
TEST(IndefiniteSplitSolve, ForwardThenBackwardEqualsWholeSolve) {
  for (int32_t mode : {1, 0}) {
    tools::Csr a = generated("shifted3d:6:0.8");
    std::vector<double> b = rhs_for(a, 1), x(b.size()), y(b.size()), z(b.size());
    Session s(-2);
    s.ip(VARNEXO_IPARAM_PIVOTING) = mode;
    s.ip(VARNEXO_IPARAM_MAX_REFINE) = 0;
    ASSERT_EQ(s.run(12, a, b, x), 0);
    ASSERT_EQ(s.run(33, a, b, x), 0);
    s.ip(VARNEXO_IPARAM_SOLVE_PART) = 1;
    ASSERT_EQ(s.run(33, a, b, y), 0);
    s.ip(VARNEXO_IPARAM_SOLVE_PART) = 2;
    ASSERT_EQ(s.run(33, a, y, z), 0);
    for (size_t i = 0; i < x.size(); ++i) EXPECT_NEAR(z[i], x[i], 1e-10 * (1 + std::abs(x[i]))) << mode;
  }
}

// The solve reads a factor in the pivoting mode it was computed in, even when iparam(VARNEXO_IPARAM_PIVOTING)
// changes between the factorisation and the solve.
TEST(IndefinitePivotingMode, SolveFollowsTheFactorsMode) {
  for (int32_t mode : {1, 0}) {
    tools::Csr a = generated("kkt:10");
    std::vector<double> b = rhs_for(a, 1), x(b.size());
    Session s(-2);
    s.ip(VARNEXO_IPARAM_PIVOTING) = mode;
    ASSERT_EQ(s.run(12, a, b, x), 0);
    s.ip(VARNEXO_IPARAM_PIVOTING) = 1 - mode;
    ASSERT_EQ(s.run(33, a, b, x), 0);
    EXPECT_LT(tools::backward_error(a, false, b.data(), x.data(), 1), 1e-12) << mode;
  }
}

}  // namespace
}  // namespace varnexo::test
