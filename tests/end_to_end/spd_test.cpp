// Symmetric positive definite systems end to end through the public call: the shared matrices
// and generated problems, every ordering, one and several right-hand sides and processors.
#include "solve_fixture.h"

namespace varnexo::test {
namespace {

struct SpdCase {
  std::string source;  // a name of the shared collection, or gen:PROBLEM
  int32_t ordering;
  int32_t nproc;
  int32_t nb;
};

std::string case_name(const testing::TestParamInfo<SpdCase>& info) {
  std::string s = info.param.source + "_o" + std::to_string(info.param.ordering) + "_p" +
                  std::to_string(info.param.nproc) + "_nb" + std::to_string(info.param.nb);
  for (char& ch : s)
    if (!std::isalnum((unsigned char)ch)) ch = '_';
  return s;
}

tools::Csr load(const std::string& source) {
  return source.rfind("gen:", 0) == 0 ? generated(source.substr(4)) : shared_matrix(source, 2);
}

class Spd : public testing::TestWithParam<SpdCase> {};

TEST_P(Spd, Phase13AndPhasesOneByOne) {
  const SpdCase& k = GetParam();
  tools::Csr a = load(k.source);
  std::vector<double> b = rhs_for(a, k.nb);
  for (bool one_call : {true, false}) {
    Session s(2);
    s.nb = k.nb;
    s.ip(VARNEXO_IPARAM_ORDERING) = k.ordering;
    s.ip(VARNEXO_IPARAM_NPROC) = k.nproc;
    std::vector<double> x(b.size(), 0.0);
    if (one_call) {
      ASSERT_EQ(s.run(13, a, b, x), 0);
    } else {
      ASSERT_EQ(s.run(11, a, b, x), 0);
      ASSERT_EQ(s.run(22, a, b, x), 0);
      ASSERT_EQ(s.run(33, a, b, x), 0);
    }
    EXPECT_LT(tools::backward_error(a, false, b.data(), x.data(), k.nb), 1e-14)
        << (one_call ? "13" : "11/22/33");
  }
}

std::vector<SpdCase> cases() {
  std::vector<SpdCase> v;
  for (const char* m : {"LFAT5", "bcsstk01", "mesh1e1", "bcsstk03", "494_bus", "Trefethen_500", "gr_30_30",
                        "bcsstm12", "bcsstk13", "bcsstk16"})
    v.push_back({m, 2, 1, 1});
  for (const char* g : {"gen:laplace2d:30", "gen:laplace3d:12", "gen:elasticity3d:5"})
    for (int32_t o : {0, 1, 2})
      for (int32_t p : {1, 4})
        for (int32_t nb : {1, 5}) v.push_back({g, o, p, nb});
  for (const char* m : {"bcsstk13", "494_bus"})
    for (int32_t o : {0, 1})
      for (int32_t p : {1, 4}) v.push_back({m, o, p, 5});
  return v;
}

INSTANTIATE_TEST_SUITE_P(Matrices, Spd, testing::ValuesIn(cases()), case_name);

}  // namespace
}  // namespace varnexo::test
