// The CGS/CG iteration end to end through the public call: solutions written and accurate on
// real and generated matrices, a kept factor reused for changed values as the code asks, the
// fall-back when the iteration fails, and the statistics of combined and single phases.
#include <regex>

#include "solve_fixture.h"

namespace varnexo::test {
namespace {

struct IterCase {
  std::string source;  // a shared matrix, or "gen:" and a generated problem
  int32_t type;
  int32_t code;  // iparam(VARNEXO_IPARAM_CGS)
  int32_t nb;
};

tools::Csr load(const IterCase& k) {
  return k.source.rfind("gen:", 0) == 0 ? generated(k.source.substr(4)) : shared_matrix(k.source, k.type);
}

double berr(const tools::Csr& a, const std::vector<double>& b, const std::vector<double>& x, int32_t nb,
            bool transpose = false) {
  return tools::backward_error(a, transpose, b.data(), x.data(), nb);
}

std::string case_name(const testing::TestParamInfo<IterCase>& info) {
  std::string s = info.param.source + "_t" + std::to_string(info.param.type) + "_c" +
                  std::to_string(info.param.code) + "_nb" + std::to_string(info.param.nb);
  for (char& ch : s)
    if (!std::isalnum((unsigned char)ch)) ch = '_';
  return s;
}

class Iterative : public testing::TestWithParam<IterCase> {};

TEST_P(Iterative, SolvesThroughEveryPhaseSequence) {
  const IterCase& k = GetParam();
  tools::Csr a = load(k);
  const std::vector<double> b = rhs_for(a, k.nb);
  for (const std::vector<int32_t>& phases :
       {std::vector<int32_t>{13}, std::vector<int32_t>{11, 22, 33}, std::vector<int32_t>{12, 33, 33}}) {
    SCOPED_TRACE(::testing::Message() << "phases " << phases.size());
    Session s(k.type);
    s.nb = k.nb;
    s.ip(VARNEXO_IPARAM_CGS) = k.code;
    std::vector<double> bb = b, x(b.size(), 0.0);
    for (int32_t p : phases) ASSERT_EQ(s.run(p, a, bb, x), 0) << "phase " << p;
    EXPECT_LE(berr(a, b, x, k.nb), 1e-12);
    EXPECT_GE(s.ip(VARNEXO_IPARAM_CGS_DIAG), 1) << "the iterations are reported";
    EXPECT_EQ(s.ip(VARNEXO_IPARAM_REFINE_STEPS), 0) << "no refinement ran";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Matrices, Iterative,
    testing::Values(IterCase{"gen:laplace3d:10", 2, 2, 1}, IterCase{"bcsstk16", 2, 2, 1},
                    IterCase{"bcsstk16", 2, 1, 2}, IterCase{"sherman5", 11, 1, 1},
                    IterCase{"gen:convdiff3d:10:50", 11, 61, 3}, IterCase{"west0479", 11, -1, 1},
                    IterCase{"gen:helmholtz3d:8:2", 6, 1, 1}, IterCase{"gen:helmholtz3d:8:2", 6, 2, 1},
                    IterCase{"c_west0067", 13, 1, 2}, IterCase{"gen:hermitian3d:6:0.5", -4, 2, 1},
                    IterCase{"qc324", 6, 1, 1}, IterCase{"gen:shifted3d:8:0.3", -2, 2, 1}),
    case_name);

// A matrix with the same pattern and values changed by a relative amount `delta`.
tools::Csr changed(tools::Csr a, double delta) {
  for (size_t k = 0; k < a.a.size(); ++k) a.a[k] *= 1.0 + delta * (double)((k * 7919) % 13) / 13.0;
  return a;
}

tools::Csr scaled(tools::Csr a, double f) {
  for (double& v : a.a) v *= f;
  return a;
}

TEST(IterativeReuse, ChangedValuesAreSolvedWithTheKeptFactor) {
  // A negative code keeps the factor of A for the matrix of phase 22: the iteration then needs
  // more than the first correction, and the answer is for the new matrix.
  for (int32_t type : {2, 11}) {
    for (int32_t code : {-1, -2}) {
      SCOPED_TRACE(::testing::Message() << "type " << type << " code " << code);
      tools::Csr a = type == 2 ? generated("laplace3d:10") : generated("convdiff3d:10:20");
      tools::Csr a2 = changed(a, 0.02);
      std::vector<double> b = rhs_for(a, 1), x(b.size(), 0.0);
      Session s(type);
      s.ip(VARNEXO_IPARAM_CGS) = code;
      ASSERT_EQ(s.run(13, a, b, x), 0);
      ASSERT_EQ(s.run(22, a2, b, x), 0);
      std::fill(x.begin(), x.end(), 0.0);
      ASSERT_EQ(s.run(33, a2, b, x), 0);
      EXPECT_LE(berr(a2, b, x, 1), 1e-12);
      EXPECT_GE(s.ip(VARNEXO_IPARAM_CGS_DIAG), 2) << "iterated with the factor of A";
      // The same through phase 23.
      std::fill(x.begin(), x.end(), 0.0);
      ASSERT_EQ(s.run(23, a2, b, x), 0);
      EXPECT_LE(berr(a2, b, x, 1), 1e-12);
      EXPECT_GE(s.ip(VARNEXO_IPARAM_CGS_DIAG), 2);
    }
  }
}

TEST(IterativeReuse, TwiceTheMatrixGivesHalfTheSolution) {
  for (int32_t code : {-1, -2, 1, 2}) {
    SCOPED_TRACE(code);
    tools::Csr a = generated("laplace3d:9");
    tools::Csr a2 = scaled(a, 2.0);
    std::vector<double> b = rhs_for(a, 2), x(b.size(), 0.0), x2(b.size(), 0.0);
    Session s(2);
    s.nb = 2;
    s.ip(VARNEXO_IPARAM_CGS) = code;
    ASSERT_EQ(s.run(13, a, b, x), 0);
    ASSERT_EQ(s.run(22, a2, b, x2), 0);
    ASSERT_EQ(s.run(33, a2, b, x2), 0);
    for (size_t i = 0; i < x.size(); ++i) EXPECT_NEAR(x2[i], x[i] / 2.0, 1e-12 * std::abs(x[i])) << i;
  }
}

TEST(IterativeReuse, NegativeIparam20AsksForANewFactor) {
  tools::Csr a = generated("convdiff3d:8:20");
  tools::Csr a2 = changed(a, 0.05);
  std::vector<double> b = rhs_for(a, 1), x(b.size(), 0.0);
  Session s(11);
  s.ip(VARNEXO_IPARAM_CGS) = -1;
  ASSERT_EQ(s.run(13, a, b, x), 0);
  s.ip(VARNEXO_IPARAM_CGS_DIAG) = -1;  // the caller asks for a fresh factor
  ASSERT_EQ(s.run(22, a2, b, x), 0);
  ASSERT_EQ(s.run(33, a2, b, x), 0);
  EXPECT_EQ(s.ip(VARNEXO_IPARAM_CGS_DIAG), 1)
      << "the factor of the new matrix needs only the first correction";
  EXPECT_LE(berr(a2, b, x, 1), 1e-12);
}

TEST(IterativeReuse, FailedIterationFallsBackAsTheCodeAsks) {
  // The factor of A is useless for the reversed-sign upwind matrix: the iteration fails.
  tools::Csr a = generated("convdiff3d:8:20");
  tools::Csr far = a;
  for (size_t r = 0; r < (size_t)far.n; ++r)
    for (int32_t k = far.ia[r] - 1; k < far.ia[r + 1] - 1; ++k)
      if (far.ja[k] - 1 != (int32_t)r) far.a[k] = -far.a[k] * 3.0;
  std::vector<double> b = rhs_for(far, 1), x(b.size(), 0.0);
  {
    Session s(11);
    s.ip(VARNEXO_IPARAM_CGS) = 1;  // a positive code refactorises at once
    ASSERT_EQ(s.run(13, a, b, x), 0);
    ASSERT_EQ(s.run(22, far, b, x), 0);
    std::fill(x.begin(), x.end(), 0.0);
    ASSERT_EQ(s.run(33, far, b, x), 0);
    EXPECT_LE(berr(far, b, x, 1), 1e-12);
  }
  {
    Session s(11);
    s.ip(VARNEXO_IPARAM_CGS) = -1;  // a negative code keeps the factor: the failure is the caller's to see
    ASSERT_EQ(s.run(13, a, b, x), 0);
    ASSERT_EQ(s.run(22, far, b, x), 0);
    s.msglvl = 1;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(s.run(33, far, b, x), -4);
    const std::string err = testing::internal::GetCapturedStderr();
    testing::internal::GetCapturedStdout();
    s.msglvl = 0;
    EXPECT_LT(s.ip(VARNEXO_IPARAM_CGS_DIAG), 0);
    EXPECT_NE(
        err.find("*** error varnexo: cgs error iparam(20) " + std::to_string(s.ip(VARNEXO_IPARAM_CGS_DIAG))),
        std::string::npos)
        << err;
    // The failure left the request for a new factor: the next solve factorises first.
    ASSERT_EQ(s.run(33, far, b, x), 0);
    EXPECT_LE(berr(far, b, x, 1), 1e-12);
  }
}

TEST(IterativeReuse, SolutionOverBAndTransposedSolve) {
  tools::Csr a = generated("convdiff3d:8:20");
  std::vector<double> xs((size_t)a.n, 1.0), b((size_t)a.n);
  tools::multiply(a, true, xs.data(), b.data(), 1);
  Session s(11);
  s.ip(VARNEXO_IPARAM_CGS) = 1;
  s.ip(VARNEXO_IPARAM_TRANSPOSE) = 1;
  s.ip(VARNEXO_IPARAM_SOLUTION_ON_B) = 1;  // the solution is written over b
  std::vector<double> bb = b, work(b.size(), 0.0);
  ASSERT_EQ(s.run(13, a, bb, work), 0);
  EXPECT_LE(berr(a, b, bb, 1, true), 1e-12);
}

// ---- Statistics ----

// The stage lines of a call's statistics with their times masked, and its "total − sum".
struct Stages {
  std::vector<std::string> lines;
  std::vector<double> rest;
  std::string text;
};

Stages stages_of(const std::string& out) {
  Stages s;
  s.text = out;
  static const std::regex stage("^      (Time )?([a-zA-Z &]+ ?:) ([-0-9.]+) s(.*)$");
  static const std::regex rest("total - sum: ([-0-9.]+) s");
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) {
    std::smatch m;
    if (!std::regex_match(line, m, stage)) continue;
    s.lines.push_back(m[2].str() + std::regex_replace(m[4].str(), std::regex("-?[0-9][0-9.]* s"), "X s"));
    std::smatch r;
    if (std::regex_search(line, r, rest)) s.rest.push_back(std::stod(r[1].str()));
  }
  return s;
}

Stages run_with_statistics(Session& s, int32_t phase, tools::Csr& a, std::vector<double>& b,
                           std::vector<double>& x) {
  s.msglvl = 1;
  testing::internal::CaptureStdout();
  EXPECT_EQ(s.run(phase, a, b, x), 0);
  Stages st = stages_of(testing::internal::GetCapturedStdout());
  s.msglvl = 0;
  return st;
}

TEST(IterativeStatistics, CombinedPhaseAgreesStageByStageWithSinglePhases) {
  for (int32_t nproc : {1, 2}) {
    for (int32_t code : {0, 2}) {
      SCOPED_TRACE(::testing::Message() << "nproc " << nproc << " code " << code);
      tools::Csr a = generated("laplace3d:12");
      std::vector<double> b = rhs_for(a, 1), x(b.size(), 0.0);
      Session one(2), three(2);
      for (Session* s : {&one, &three}) s->ip(VARNEXO_IPARAM_NPROC) = nproc, s->ip(VARNEXO_IPARAM_CGS) = code;
      const Stages combined = run_with_statistics(one, 13, a, b, x);
      std::vector<Stages> parts;
      for (int32_t p : {11, 22, 33}) parts.push_back(run_with_statistics(three, p, a, b, x));
      // The stages of 11, 22 and 33 in order, the "malloc" and "total" lines once at the end.
      std::vector<std::string> expected;
      for (const Stages& p : parts)
        for (const std::string& l : p.lines)
          if (l.rfind("malloc", 0) != 0 && l.rfind("total", 0) != 0) expected.push_back(l);
      expected.push_back("malloc :");
      expected.push_back("total  : total - sum: X s");
      EXPECT_EQ(combined.lines, expected) << combined.text;
      for (const Stages* st : std::vector<const Stages*>{&combined, &parts[0], &parts[1], &parts[2]}) {
        ASSERT_EQ(st->rest.size(), 1u);
        EXPECT_GE(st->rest[0], 0.0) << st->text;
      }
      const bool parlist = std::find(expected.begin(), expected.end(), "parlist:") != expected.end();
      EXPECT_EQ(parlist, nproc > 1);
      const bool iterated = combined.text.find("cgx iterations") != std::string::npos;
      EXPECT_EQ(iterated, code != 0);
      EXPECT_EQ(combined.text.find("Hybrid Solver") != std::string::npos, code != 0);
      EXPECT_EQ(parts[1].text.find("Hybrid Solver"), std::string::npos) << "nothing iterated in phase 22";
      std::smatch m;
      ASSERT_TRUE(std::regex_search(combined.text, m, std::regex("# of independent subgraphs: +([0-9]+)")));
      EXPECT_EQ(std::stoi(m[1].str()), nproc) << "one domain per processor";
    }
  }
}

}  // namespace
}  // namespace varnexo::test
