// The matchings of the symmetric indefinite types end to end: -2, -4 and 6 with the matching off
// and on (every choice) on the shared indefinite and complex symmetric matrices and on generated
// saddle-point and Helmholtz problems, judged by the backward error and, for real matrices, by
// the inertia of the dense matrix; the 2×2 blocks kept in one supernode; the split matching of
// saddle-point matrices for type 11.
#include <algorithm>
#include <complex>

#include "driver/handle.h"
#include "driver/storage_layout.h"
#include "solve_fixture.h"

namespace varnexo::test {
namespace {

tools::Csr load(const std::string& source, int32_t type) {
  return source.rfind("gen:", 0) == 0 ? generated(source.substr(4)) : shared_matrix(source, type);
}

struct Case {
  std::string source;  // a name of the shared collection, or gen:PROBLEM
  int32_t type;
  int32_t matching;  // iparam(13)
  bool singular;     // numerically singular: no inertia check
};

std::string case_name(const testing::TestParamInfo<Case>& info) {
  std::string s =
      info.param.source + "_t" + std::to_string(info.param.type) + "_m" + std::to_string(info.param.matching);
  for (char& ch : s)
    if (!std::isalnum((unsigned char)ch)) ch = ch == '-' ? 'm' : '_';
  return s;
}

class SymmetricMatchingEndToEnd : public testing::TestWithParam<Case> {};

TEST_P(SymmetricMatchingEndToEnd, BackwardErrorAndInertia) {
  const Case& k = GetParam();
  tools::Csr a = load(k.source, k.type);
  std::vector<double> b = rhs_for(a, 1), x(b.size(), 0.0);
  Session s(k.type);
  s.ip(13) = k.matching;
  s.ip(11) = k.matching > 0 ? 1 : 0;
  s.ip(21) = 1;  // Bunch–Kaufman: the 2×2 blocks need it
  // Perturbed pivots (matching off) need refinement steps; on a singular system the refinement
  // that starts from a good solution diverges in the null space, so it keeps the default.
  if (!k.singular) s.ip(8) = 20;
  ASSERT_EQ(s.run(13, a, b, x), 0);
  EXPECT_LE(tools::backward_error(a, false, b.data(), x.data(), 1), 1e-14) << "perturbed " << s.ip(14);
  if (k.type != -2 || k.singular || a.n > 2000) return;
  const auto [pos, neg] = dense_inertia(a);
  EXPECT_EQ(s.ip(22), pos);
  EXPECT_EQ(s.ip(23), neg);
}

std::vector<Case> cases() {
  std::vector<Case> v;
  for (int32_t m : {0, 1, 2, 3, 4}) {
    v.push_back({"tumorAntiAngiogenesis_2", -2, m, false});
    v.push_back({"bfw398b", -2, m, false});
    v.push_back({"reorientation_1", -2, m, true});
    v.push_back({"gen:kkt:30", -2, m, false});
    v.push_back({"gen:shifted3d:10:0.8", -2, m, false});
  }
  for (int32_t m : {0, 1, 2}) {
    v.push_back({"qc324", 6, m, true});
    v.push_back({"gen:helmholtz3d:10:2", 6, m, true});
    v.push_back({"c30lo_singular", -4, m, true});
    v.push_back({"gen:hermitian3d:8:1.5", -4, m, true});
  }
  return v;
}

INSTANTIATE_TEST_SUITE_P(Matrices, SymmetricMatchingEndToEnd, testing::ValuesIn(cases()), case_name);

// The saddle-point matrices whose zero diagonal needs 2×2 pivots: with the symmetric matching no
// pivot is perturbed, whichever choice.
TEST(SymmetricMatchingEndToEnd, SaddlePointsNeedNoPerturbation) {
  for (const char* source : {"tumorAntiAngiogenesis_2", "gen:kkt:30", "gen:kkt:60"})
    for (int32_t m : {1, 2, 3, 4}) {
      tools::Csr a = load(source, -2);
      std::vector<double> b = rhs_for(a, 1), x(b.size(), 0.0);
      Session s(-2);
      s.ip(13) = m, s.ip(11) = 1, s.ip(21) = 1;
      ASSERT_EQ(s.run(13, a, b, x), 0);
      EXPECT_EQ(s.ip(14), 0) << source << " choice " << m;
      EXPECT_LE(tools::backward_error(a, false, b.data(), x.data(), 1), 1e-14) << source << " choice " << m;
    }
}

// Types 6 and -4 take the symmetric matching and its scaling by default: a saddle-point matrix
// read as complex factorises without a perturbed pivot, where the matching switched off needs
// perturbations for its zero diagonal.
TEST(SymmetricMatchingEndToEnd, ComplexDefaultsPairTheConstraints) {
  tools::Problem p;
  std::string error;
  ASSERT_TRUE(tools::generate("kkt:30", p, error)) << error;
  for (int32_t type : {6, -4}) {
    tools::Csr a;
    ASSERT_TRUE(tools::to_csr(p.matrix, layout_of(type), true, a, error)) << error;
    for (bool matching : {true, false}) {
      std::vector<double> b = rhs_for(a, 1), x(b.size(), 0.0);
      Session s(type);
      if (!matching) s.ip(13) = 0, s.ip(8) = 20;
      ASSERT_EQ(s.run(13, a, b, x), 0) << type;
      if (matching)
        EXPECT_EQ(s.ip(14), 0) << type;
      else
        EXPECT_GT(s.ip(14), 0) << type;
      EXPECT_LE(tools::backward_error(a, false, b.data(), x.data(), 1), 1e-14) << type << " " << matching;
    }
  }
}

// With choices 2 and 4 the two members of every 2×2 block stand in one supernode of the
// analysis, so that the factorisation can pivot on the block.
TEST(SymmetricMatchingEndToEnd, BlocksStayInOneSupernode) {
  for (int32_t m : {2, 4})
    for (int32_t ordering : {0, 2}) {
      tools::Csr a = generated("kkt:40");
      std::vector<double> b = rhs_for(a, 1), x(b.size(), 0.0);
      Session s(-2);
      s.ip(13) = m, s.ip(11) = 1, s.ip(21) = 1, s.ip(2) = ordering;
      s.ip(30) = 4;  // narrow panels: the width limit must not cut a block either
      ASSERT_EQ(s.run(11, a, b, x), 0);
      driver::Handle h(s.handle);
      const int32_t n = a.n;
      const int32_t* slot13 = h.block_as<int32_t>(driver::kSlotMatchPerm);
      const int32_t* fi = h.block_as<int32_t>(driver::kSlotStrucFi);
      const int32_t* iadr = h.basic()->iadr;
      const int32_t* invp = fi + iadr[driver::kFiInvp - 1] - 1;
      const int32_t* snode = fi + iadr[driver::kFiSnode - 1] - 1;
      int32_t blocks = 0;
      for (int32_t i = 1; i <= n; ++i) {
        const int32_t mate = slot13[n + i - 1];
        if (mate == 0) continue;
        ++blocks;
        EXPECT_EQ(std::abs(invp[i - 1] - invp[mate - 1]), 1) << "a block apart";
        EXPECT_EQ(snode[invp[i - 1] - 1], snode[invp[mate - 1] - 1]) << "a block split by supernodes";
      }
      EXPECT_GE(blocks, 2 * 400) << "every constraint has its block";
      ASSERT_EQ(s.run(23, a, b, x), 0);
      EXPECT_EQ(s.ip(14), 0);
    }
}

// Type 11 with choices 3 and 4 pairs the constraint rows of a saddle-point matrix stored in
// full with primal rows (an involution of the rows), where choice 1 runs the plain matching.
TEST(SplitMatchingEndToEnd, UnsymmetricSaddlePointRowsArePaired) {
  tools::Problem p;
  std::string error;
  ASSERT_TRUE(tools::generate("kkt:20", p, error)) << error;
  tools::Csr a;
  ASSERT_TRUE(tools::to_csr(p.matrix, tools::Layout::full, false, a, error)) << error;
  for (int32_t m : {1, 3, 4}) {
    std::vector<double> b = rhs_for(a, 1), x(b.size(), 0.0);
    Session s(11);
    s.ip(13) = m;
    ASSERT_EQ(s.run(13, a, b, x), 0) << m;
    EXPECT_LE(tools::backward_error(a, false, b.data(), x.data(), 1), 1e-14) << m;
    const int32_t* q = driver::Handle(s.handle).block_as<int32_t>(driver::kSlotMatchPerm);
    int32_t swapped = 0;
    bool involution = true;
    for (int32_t i = 1; i <= a.n; ++i) {
      involution &= q[q[i - 1] - 1] == i;
      swapped += q[i - 1] != i;
    }
    if (m >= 3) {
      EXPECT_TRUE(involution);
      EXPECT_EQ(swapped, 2 * 100) << "each of the 100 constraints swaps with one primal row";
    }
  }
}

}  // namespace
}  // namespace varnexo::test
