// The factorisation and the solve on several worker threads: the factor is bitwise that of one
// thread for every kernel (and agrees to rounding when the supernodes above the subtrees are
// shared), failures are those of one thread, the solves over the subtrees and over blocks of
// columns are as accurate, and the partition of the tree is sound. The thread-sanitizer build
// runs these tests (label "threads").
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

#include "common/threads.h"
#include "driver/control.h"
#include "driver/handle.h"
#include "driver/storage_layout.h"
#include "end_to_end/solve_fixture.h"
#include "factor/tree_partition.h"

namespace varnexo::test {
namespace {

// Runs the body with `count` workers, whatever the suite's own switch, and restores it after.
struct Workers {
  int32_t saved;
  explicit Workers(int32_t count) : saved(threads::worker_override()) { threads::set_worker_override(count); }
  ~Workers() { threads::set_worker_override(saved); }
};

struct Case {
  std::string problem;
  int32_t type;  // the type the generated values are solved as (its layout)
};

std::ostream& operator<<(std::ostream& os, const Case& c) { return os << c.problem << " as " << c.type; }

tools::Csr matrix_of(const Case& c) {
  tools::Problem p;
  std::string error;
  EXPECT_TRUE(tools::generate(c.problem, p, error)) << error;
  tools::Csr a;
  EXPECT_TRUE(tools::to_csr(p.matrix, layout_of(c.type), kind_of(c.type).is_complex(), a, error)) << error;
  return a;
}

struct Outcome {
  int32_t error = 0, perturbed = 0, positive = 0, negative = 0;
  std::vector<double> x;
};

// Analysis for `nproc` processors, then factorisation and solve with `workers` workers; the
// one-right-hand-side solve runs over the subtrees when `partition` is set.
Outcome solve_with(const Case& c, int32_t nproc, int32_t workers, int32_t nb, bool partition) {
  tools::Csr a = matrix_of(c);
  std::vector<double> b = rhs_for(a, nb);
  Session s(c.type);
  s.nb = nb;
  s.ip(VARNEXO_IPARAM_NPROC) = nproc;
  s.ip(VARNEXO_IPARAM_SOLVE_PARTITION) = partition ? 1 : 0;
  Outcome o;
  o.x.assign(b.size(), 0.0);
  {
    Workers w(workers);
    o.error = s.run(13, a, b, o.x);
  }
  o.perturbed = s.ip(VARNEXO_IPARAM_PERTURBED);
  o.positive = s.ip(22);
  o.negative = s.ip(23);
  return o;
}

double backward_error_of(const Case& c, int32_t nb, const std::vector<double>& x) {
  tools::Csr a = matrix_of(c);
  std::vector<double> b = rhs_for(a, nb);
  return tools::backward_error(a, false, b.data(), x.data(), nb);
}

// The supernodal tree of an analysed handle.
factor::SupernodeTree tree_of(void** handle) {
  const driver::Handle h(handle);
  const driver::Control ctl(*h.basic());
  const factor::SymbolicFactor sf = driver::symbolic_view(h.block_as<int32_t>(driver::kSlotStrucFi), ctl);
  return factor::SupernodeTree{sf.nsuper, sf.xsuper, sf.snode, sf.xlindx, sf.lindx};
}

// Every kernel; convdiff3d:16 has separators wide enough that the rows of a shared supernode
// split below its diagonal block in every form of update, the U part of LU included.
const Case kCases[] = {
    {"laplace3d:12", 2},       {"shifted3d:10:0.5", -2}, {"kkt:24", -2},           {"hermitian3d:9", 4},
    {"hermitian3d:9:0.7", -4}, {"helmholtz3d:10:3", 6},  {"helmholtz3d:9:3", 13},  {"convdiff3d:10:50", 11},
    {"convdiff3d:10:50", 1},   {"helmholtz3d:9:2", 3},   {"convdiff3d:16:50", 11},
};

class ThreadedFactor : public testing::TestWithParam<Case> {};

// Factorises with 1, 2 and 3 workers, the supernodes above the subtrees taken by one thread or
// shared by all workers (whatever the cores of the machine), and compares. Without refinement
// the solution is a pure function of the factor (the one-right-hand-side solve runs in one
// thread here), so equal solutions bit for bit mean equal factors; shared, the blocks are
// multiplied in pieces, which the BLAS may round differently, so the solutions must agree to
// rounding and solve as accurately, with the same pivots and inertia. The BLAS runs in one
// thread on both sides.
void expect_factor_of_one_thread(const Case& c, bool shared) {
  threads::BlasThreads blas(1);
  struct Restore {
    ~Restore() { threads::set_top_thread_override(0); }
  } restore;
  const Outcome one = solve_with(c, 2, 1, 1, false);
  ASSERT_EQ(one.error, 0);
  EXPECT_LT(backward_error_of(c, 1, one.x), 1e-12);
  double scale = 0;
  for (double v : one.x) scale = std::max(scale, std::abs(v));
  for (int32_t workers : {2, 3}) {
    threads::set_top_thread_override(shared ? workers : 1);
    const Outcome many = solve_with(c, 2, workers, 1, false);
    ASSERT_EQ(many.error, 0) << workers << " workers";
    EXPECT_EQ(many.perturbed, one.perturbed);
    EXPECT_EQ(many.positive, one.positive);
    EXPECT_EQ(many.negative, one.negative);
    if (!shared) {
      EXPECT_EQ(0, std::memcmp(many.x.data(), one.x.data(), sizeof(double) * one.x.size()))
          << workers << " workers: the solution differs";
      continue;
    }
    double diff = 0;
    for (size_t i = 0; i < one.x.size(); ++i) diff = std::max(diff, std::abs(many.x[i] - one.x[i]));
    EXPECT_LE(diff, 1e-10 * scale) << workers << " workers";
    EXPECT_LT(backward_error_of(c, 1, many.x), 1e-12) << workers << " workers";
  }
}

TEST_P(ThreadedFactor, IsBitwiseTheFactorOfOneThread) { expect_factor_of_one_thread(GetParam(), false); }

TEST_P(ThreadedFactor, SharedSupernodesGiveTheFactorOfOneThread) {
  expect_factor_of_one_thread(GetParam(), true);
}

// The solve of one right-hand side over the subtrees, and of several over blocks of columns,
// is as accurate as the one-thread solve.
TEST_P(ThreadedFactor, SolvesAsAccuratelyOverSubtreesAndColumns) {
  const Case& c = GetParam();
  for (int32_t nb : {1, 5}) {
    const Outcome one = solve_with(c, 4, 1, nb, true);
    const Outcome many = solve_with(c, 4, 4, nb, true);
    ASSERT_EQ(one.error, 0);
    ASSERT_EQ(many.error, 0);
    const double e1 = backward_error_of(c, nb, one.x), e4 = backward_error_of(c, nb, many.x);
    EXPECT_LT(e4, 1e-12) << nb << " right-hand sides";
    EXPECT_LT(e4, 10 * e1 + 1e-15) << nb << " right-hand sides";
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, ThreadedFactor, testing::ValuesIn(kCases));

// The forward stage over the subtrees and then the backward stage over them (two calls, the
// vector between them in the factor's order) give the two stages of one thread, for each storage.
std::vector<double> two_stages(const Case& c, int32_t workers) {
  tools::Csr a = matrix_of(c);
  std::vector<double> b = rhs_for(a, 1), half(b.size()), x(b.size());
  Session s(c.type);
  s.ip(VARNEXO_IPARAM_NPROC) = 2;
  Workers w(workers);
  EXPECT_EQ(s.run(12, a, b, x), 0) << c;
  s.ip(VARNEXO_IPARAM_SOLVE_PART) = 1;
  EXPECT_EQ(s.run(33, a, b, half), 0) << c;
  s.ip(VARNEXO_IPARAM_SOLVE_PART) = 2;
  EXPECT_EQ(s.run(33, a, half, x), 0) << c;
  return x;
}

// (Factors without perturbed pivots: a perturbed factor magnifies the rounding of the order.)
TEST(ThreadedSolve, ForwardThenBackwardStageOverSubtrees) {
  for (const Case& c :
       {Case{"laplace3d:12", 2}, Case{"shifted3d:10:0.5", -2}, Case{"convdiff3d:10:50", 11}}) {
    const std::vector<double> one = two_stages(c, 1), two = two_stages(c, 2);
    double diff = 0.0, size = 0.0;
    for (size_t i = 0; i < one.size(); ++i)
      diff = std::max(diff, std::abs(two[i] - one[i])), size = std::max(size, std::abs(one[i]));
    EXPECT_LE(diff, 1e-12 * size) << c;
    EXPECT_GT(size, 0.0) << c;
  }
}

// A tree that does not split (a dense matrix: one supernode chain) runs in one worker with the
// BLAS threads and is solved as accurately.
TEST(ThreadedFactor, DenseMatrixWithoutSubtrees) {
  tools::Csr a;
  a.n = 150;
  a.layout = tools::Layout::upper_symmetric;
  a.ia.push_back(1);
  for (int32_t i = 1; i <= a.n; ++i) {
    for (int32_t j = i; j <= a.n; ++j) {
      a.ja.push_back(j);
      a.a.push_back(i == j ? 2.0 * a.n : 1.0 / (i + j));
    }
    a.ia.push_back(static_cast<int32_t>(a.ja.size()) + 1);
  }
  std::vector<double> b = rhs_for(a, 1), x(b.size());
  Session s(2);
  s.ip(VARNEXO_IPARAM_NPROC) = 2;
  ASSERT_EQ(s.run(13, a, b, x), 0);
  EXPECT_LT(tools::backward_error(a, false, b.data(), x.data(), 1), 1e-14);
}

// Overlapping settings of the BLAS thread count leave the count found before the first of them.
TEST(BlasThreads, TheLastOfOverlappingCallsRestoresTheCount) {
  const int32_t base = threads::blas_threads();
  if (base <= 0) GTEST_SKIP() << "the BLAS cannot set its thread count";
  {
    threads::BlasThreads first(base + 1);
    EXPECT_EQ(threads::blas_threads(), base + 1);
    {
      threads::BlasThreads second(base + 2);
      EXPECT_EQ(threads::blas_threads(), base + 2);
    }
    EXPECT_EQ(threads::blas_threads(), base + 2) << "restored while a call was still running";
  }
  EXPECT_EQ(threads::blas_threads(), base);
}

// A factorisation that fails reports what one thread reports: a matrix that is not positive
// definite, solved as positive definite, fails at the same supernode. Shifted by 0.3, just past
// the smallest eigenvalue of the grid (0.245), the subtrees stay definite and only the
// supernodes above them, shared by the workers, can fail.
TEST(ThreadedFactorFailure, IsTheFailureOfOneThread) {
  for (const char* problem : {"shifted3d:10:0.5", "shifted3d:10:0.3"}) {
    const Case c{problem, 2};
    const Outcome one = solve_with(c, 2, 1, 1, false);
    EXPECT_EQ(one.error, VARNEXO_ERROR_NUMERICAL) << problem;
    for (int32_t workers : {2, 3}) EXPECT_EQ(solve_with(c, 2, workers, 1, false).error, one.error) << problem;
  }
}

// The partition: every supernode in one part or above them all, every part a range closed
// under the tree (a part's supernodes update only their part and the supernodes above), and
// two workers given at least two parts of a dissected grid.
TEST(TreePartition, CoversTheTreeWithClosedSubtrees) {
  for (int32_t workers : {2, 3, 8}) {
    tools::Csr a = generated("laplace3d:14");
    Session s(2);
    s.ip(VARNEXO_IPARAM_NPROC) = workers;
    std::vector<double> b = rhs_for(a, 1), x(b.size());
    ASSERT_EQ(s.run(11, a, b, x), 0);
    const factor::SupernodeTree tree = tree_of(s.handle);

    const TreePartition p = factor::partition_tree(tree, workers);
    ASSERT_GE(p.parts(), 2) << workers;
    const std::vector<int32_t> parent = factor::supernode_parents(tree);
    std::vector<int32_t> owner(tree.nsuper + 1, -1);
    for (int32_t k = 0; k < p.parts(); ++k)
      for (int64_t i = p.start[k]; i < p.start[k + 1]; ++i) {
        const int32_t sn = p.members[i];
        EXPECT_EQ(owner[sn], -1);
        owner[sn] = k;
        // Its columns lie below those of the part's root: the solve's spill rule.
        EXPECT_LE(sn, p.root[k]);
      }
    for (int32_t sn : p.top) {
      EXPECT_EQ(owner[sn], -1);
      owner[sn] = p.parts();
    }
    for (int32_t sn = 1; sn <= tree.nsuper; ++sn) {
      ASSERT_NE(owner[sn], -1) << "supernode " << sn << " is in no part";
      const int32_t up = parent[sn - 1];
      if (up == 0) continue;
      if (owner[sn] < p.parts()) {
        EXPECT_TRUE(owner[up] == owner[sn] || owner[up] == p.parts());
      } else {
        EXPECT_EQ(owner[up], p.parts()) << "a part above the top";
      }
    }
    EXPECT_TRUE(std::is_sorted(p.cost.rbegin(), p.cost.rend()));
  }
}

// The model: the critical path is at most the total, and more threads never predict less.
TEST(TreePartition, ModelPredictsSpeedupWithinItsBounds) {
  tools::Csr a = generated("laplace3d:14");
  Session s(2);
  s.ip(VARNEXO_IPARAM_NPROC) = 2;
  std::vector<double> b = rhs_for(a, 1), x(b.size());
  ASSERT_EQ(s.run(11, a, b, x), 0);
  const factor::SupernodeTree tree = tree_of(s.handle);
  double previous = 1.0;
  for (int32_t p : {1, 2, 4, 16}) {
    const factor::ParallelModel m = factor::parallel_model(tree, p);
    EXPECT_LE(m.critical_path, m.total);
    EXPECT_GE(m.predicted_speedup, 1.0 - 1e-12);
    EXPECT_LE(m.predicted_speedup, p + 1e-12);
    EXPECT_LE(m.tree_bound, p + 1e-12);
    EXPECT_GE(m.predicted_speedup, previous * 0.999) << p;
    previous = m.predicted_speedup;
  }
}

}  // namespace
}  // namespace varnexo::test
