// Relaxed supernodes (iparam(31) = 1) end to end: every matrix type, on shared matrices and on
// generated problems, solves as accurately as with the fundamental supernodes, with the same
// inertia and at least as many stored entries; fewer supernodes come out wherever the tree has
// small ones to join.
#include "driver/control.h"
#include "driver/handle.h"
#include "solve_fixture.h"

namespace varnexo::test {
namespace {

struct Case {
  std::string source;  // a name of the shared collection, or gen:PROBLEM
  int32_t type;
  int32_t matching = -1;  // iparam(13), -1 keeps the default
};

std::string case_name(const testing::TestParamInfo<Case>& info) {
  std::string s = info.param.source + "_t" + std::to_string(info.param.type);
  for (char& ch : s)
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = ch == '-' ? 'm' : '_';
  return s;
}

struct Result {
  int32_t error = 0, positive = 0, negative = 0, factor_nnz = 0;
  double backward_error = 1.0;
};

Result solve(const Case& k, tools::Csr& a, bool relaxed) {
  std::vector<double> b = rhs_for(a, 1), x(b.size(), 0.0);
  Session s(k.type);
  s.ip(VARNEXO_IPARAM_RELAXED) = relaxed ? 1 : 0;
  if (k.matching >= 0) s.ip(VARNEXO_IPARAM_MATCHING) = k.matching;
  Result r;
  r.error = s.run(13, a, b, x);
  r.positive = s.ip(VARNEXO_IPARAM_POSITIVE);
  r.negative = s.ip(VARNEXO_IPARAM_NEGATIVE);
  r.factor_nnz = s.ip(VARNEXO_IPARAM_FACTOR_NNZ);
  r.backward_error = tools::backward_error(a, false, b.data(), x.data(), 1);
  return r;
}

class RelaxedSupernodes : public testing::TestWithParam<Case> {};

TEST_P(RelaxedSupernodes, SolveAsAccuratelyWithTheSameInertia) {
  const Case& k = GetParam();
  tools::Csr a =
      k.source.rfind("gen:", 0) == 0 ? generated(k.source.substr(4)) : shared_matrix(k.source, k.type);
  const Result fundamental = solve(k, a, false), relaxed = solve(k, a, true);
  ASSERT_EQ(fundamental.error, 0);
  ASSERT_EQ(relaxed.error, 0);
  EXPECT_LT(relaxed.backward_error, 1e-13);
  EXPECT_LT(relaxed.backward_error, 10 * fundamental.backward_error + 1e-15);
  EXPECT_EQ(relaxed.positive, fundamental.positive);
  EXPECT_EQ(relaxed.negative, fundamental.negative);
  EXPECT_GE(relaxed.factor_nnz, fundamental.factor_nnz);
}

INSTANTIATE_TEST_SUITE_P(EveryType, RelaxedSupernodes,
                         testing::Values(Case{"gen:laplace3d:12", 2}, Case{"bcsstk16", 2},
                                         Case{"gen:shifted3d:10:0.5", -2}, Case{"gen:kkt:20", -2, 2},
                                         Case{"bfw398b", -2}, Case{"sherman3", 1}, Case{"young1c", 3},
                                         Case{"gen:hermitian3d:8", 4}, Case{"gen:hermitian3d:8:0.5", -4},
                                         Case{"c30up", 4}, Case{"gen:helmholtz3d:8:2", 6}, Case{"qc324", 6},
                                         Case{"gen:convdiff3d:10:50", 11}, Case{"gen:randunsym:3000", 11},
                                         Case{"west0067", 11}, Case{"c_west0067", 13}),
                         case_name);

// A random unsymmetric pattern has many small supernodes to join: the relaxed analysis keeps
// fewer of them, and the solve on one and two processors stays accurate.
TEST(RelaxedSupernodes, JoinTheSmallSupernodesOfARandomPattern) {
  tools::Csr a = generated("randunsym:5000");
  for (int32_t nproc : {1, 2}) {
    std::vector<double> b = rhs_for(a, 1), x(b.size(), 0.0);
    int32_t nsuper[2] = {0, 0};
    for (int32_t relaxed : {0, 1}) {
      Session s(11);
      s.ip(VARNEXO_IPARAM_NPROC) = nproc;
      s.ip(VARNEXO_IPARAM_RELAXED) = relaxed;
      ASSERT_EQ(s.run(13, a, b, x), 0);
      EXPECT_LT(tools::backward_error(a, false, b.data(), x.data(), 1), 1e-14) << nproc << " processors";
      nsuper[relaxed] = driver::Control(*driver::Handle(s.handle).basic()).nsuper();
    }
    EXPECT_LT(nsuper[1], nsuper[0] * 0.95) << nproc << " processors";
  }
}

}  // namespace
}  // namespace varnexo::test
