// Handles in several threads share nothing mutable: two and four analyses, factorisations and
// solves running at once (nested dissection and the constrained ordering call the partitioner,
// whose random state is process-wide) give bitwise the results of a sequential run, and the
// allocation-failure switch of one thread leaves the others alone. The thread-sanitizer build
// runs these tests (label "threads").
#include <cstring>
#include <thread>

#include "common/memory.h"
#include "common/threads.h"
#include "end_to_end/solve_fixture.h"

namespace varnexo::test {
namespace {

struct Job {
  std::string problem;
  int32_t type;
  int32_t ordering;  // iparam(VARNEXO_IPARAM_ORDERING): 2 nested dissection, 1 constrained minimum degree
};

struct Outcome {
  int32_t error = 0, refine_error = 0, perturbed = 0, factor_nnz = 0;
  std::vector<int32_t> perm;
  std::vector<double> x, x_refined;
};

const Job kJobs[] = {
    {"laplace3d:9", 2, 2}, {"convdiff3d:8:20", 11, 2}, {"kkt:14", -2, 1}, {"helmholtz3d:7:2", 6, 2}};

// Analysis with the computed permutation returned, factorisation and solve (phase 13), then a
// solve with three refinement steps (phase 33) on the same handle.
Outcome run(const Job& job) {
  tools::Csr a = generated(job.problem);
  std::vector<double> b = rhs_for(a, 2);
  Outcome o;
  Session s(job.type);
  s.nb = 2;
  s.ip(VARNEXO_IPARAM_ORDERING) = job.ordering;
  s.ip(VARNEXO_IPARAM_PERM_USE) = -1;
  o.x.assign(b.size(), 0.0);
  o.error = s.run(13, a, b, o.x);
  o.perm = s.perm;
  o.perturbed = s.ip(VARNEXO_IPARAM_PERTURBED);
  o.factor_nnz = s.ip(VARNEXO_IPARAM_FACTOR_NNZ);
  s.ip(VARNEXO_IPARAM_MAX_REFINE) = 3;
  o.x_refined.assign(b.size(), 0.0);
  o.refine_error = s.run(33, a, b, o.x_refined);
  return o;
}

bool bitwise_equal(const std::vector<double>& u, const std::vector<double>& v) {
  return u.size() == v.size() && std::memcmp(u.data(), v.data(), sizeof(double) * u.size()) == 0;
}

void expect_same(const Outcome& got, const Outcome& want, const std::string& name) {
  EXPECT_EQ(got.error, 0) << name;
  EXPECT_EQ(got.refine_error, 0) << name;
  EXPECT_EQ(got.perm, want.perm) << name << ": the ordering differs";
  EXPECT_EQ(got.perturbed, want.perturbed) << name;
  EXPECT_EQ(got.factor_nnz, want.factor_nnz) << name;
  EXPECT_TRUE(bitwise_equal(got.x, want.x)) << name << ": the solution differs";
  EXPECT_TRUE(bitwise_equal(got.x_refined, want.x_refined)) << name << ": the refined solution differs";
}

class ConcurrentHandles : public testing::TestWithParam<int> {};

TEST_P(ConcurrentHandles, GiveBitwiseTheResultsOfASequentialRun) {
  const int threads = GetParam();
  // The BLAS thread count belongs to the process: raised by one handle above its subtrees, it
  // would change the rounding of another's blocks; and supernodes shared by rows round their
  // products in pieces. The handles here keep one thread above their subtrees.
  varnexo::threads::set_top_thread_override(1);
  struct Restore {
    ~Restore() { varnexo::threads::set_top_thread_override(0); }
  } restore;
  std::vector<Outcome> sequential;
  for (int k = 0; k < threads; ++k) sequential.push_back(run(kJobs[k]));
  for (int k = 0; k < threads; ++k) ASSERT_EQ(sequential[k].error, 0) << kJobs[k].problem;
  constexpr int kRounds = 3;
  std::vector<std::vector<Outcome>> parallel(threads, std::vector<Outcome>(kRounds));
  std::vector<std::thread> pool;
  for (int k = 0; k < threads; ++k)
    pool.emplace_back([&, k] {
      for (int r = 0; r < kRounds; ++r) parallel[k][r] = run(kJobs[k]);
    });
  for (std::thread& t : pool) t.join();
  for (int k = 0; k < threads; ++k)
    for (int r = 0; r < kRounds; ++r) expect_same(parallel[k][r], sequential[k], kJobs[k].problem);
}

INSTANTIATE_TEST_SUITE_P(Threads, ConcurrentHandles, testing::Values(2, 4));

// A failure armed in one thread fails that thread's allocation only.
TEST(AllocationFailureSwitch, BelongsToTheThreadThatArmsIt) {
  const Outcome want = run(kJobs[0]);
  int32_t failed_error = 0;
  Outcome other;
  std::thread failing([&] {
    tools::Csr a = generated(kJobs[1].problem);
    std::vector<double> b = rhs_for(a, 1), x(b.size());
    Session s(kJobs[1].type);
    memory::fail_allocation_at(1);
    failed_error = s.run(13, a, b, x);
    memory::fail_allocation_at(0);
  });
  std::thread clean([&] { other = run(kJobs[0]); });
  failing.join();
  clean.join();
  EXPECT_EQ(failed_error, VARNEXO_ERROR_MEMORY);
  expect_same(other, want, kJobs[0].problem);
}

}  // namespace
}  // namespace varnexo::test
