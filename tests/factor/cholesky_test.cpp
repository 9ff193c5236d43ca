// The supernodal Cholesky factor compared entry by entry with a dense LAPACK factorisation of
// the same permuted matrix, over generated and collected matrices, orderings and widths; the
// scheduled family's domain path; the failure statuses.
#include "factor/cholesky.h"

#include <gtest/gtest.h>

#include <cmath>

#include "common/threads.h"
#include "support/harness.h"
#include "support/matrices.h"

using namespace testnum;

namespace {

struct Case {
  std::string name;
  Ordering ordering;
  int32_t width;
};

Entries<double> problem(const std::string& name, int32_t* n) {
  if (name == "lap2d") {
    *n = 49;
    return laplacian(7, 7, 1);
  }
  if (name == "lap3d") {
    *n = 64;
    return laplacian(4, 4, 4);
  }
  if (name == "elasticity") {
    *n = 81;
    return elasticity(3);
  }
  if (name == "random") {
    *n = 60;
    return random_spd<double>(60, 0.08, 7);
  }
  if (name == "dense") {
    *n = 12;
    return random_spd<double>(12, 1.0, 3);
  }
  Entries<double> e;
  testsupport::shared_upper(name, n, &e, nullptr);
  return e;
}

// max |L_factor - L_dense| over the stored lower part, relative to max |L_dense|.
double compare_with_dense(Cholesky<double>& c, const Entries<double>& upper) {
  const int32_t n = c.A.n;
  std::vector<double> d(static_cast<size_t>(n) * n);
  const std::vector<double> full = dense(n, mirror(upper, false));
  for (int32_t j = 0; j < n; ++j)
    for (int32_t i = 0; i < n; ++i) d[j * n + i] = full[(c.sym.perm[j] - 1) * n + c.sym.perm[i] - 1];
  EXPECT_EQ(varnexo::blas::potrf('L', n, d.data(), n), 0);
  double scale = 0, err = 0;
  for (double v : d) scale = std::max(scale, std::abs(v));
  for (int32_t J = 1; J <= c.sym.nsuper; ++J) {
    const int32_t f = c.sym.xsuper[J - 1], l = c.sym.xsuper[J] - 1;
    for (int32_t j = f; j <= l; ++j)
      for (int32_t p = j - f; p < c.sym.xlindx[J] - c.sym.xlindx[J - 1]; ++p) {
        const int32_t r = c.sym.lindx[c.sym.xlindx[J - 1] - 1 + p];
        err = std::max(err, std::abs(c.lnz[c.sym.xlnz[j - 1] - 1 + p] - d[(j - 1) * n + r - 1]));
      }
  }
  return err / scale;
}

class CholeskyDense : public ::testing::TestWithParam<Case> {};

TEST_P(CholeskyDense, MatchesLapackFactorOfPermutedMatrix) {
  const Case& k = GetParam();
  int32_t n = 0;
  const Entries<double> upper = problem(k.name, &n);
  ASSERT_GT(n, 0) << k.name;
  const Csr<double> A = upper_csr(n, upper);
  Cholesky<double> c(A, ordering(A, k.ordering, 11), k.width);
  ASSERT_EQ(c.map_status(), 0);
  ASSERT_EQ(c.factor(), 0);
  EXPECT_EQ(c.ibasic[49], 0);
  EXPECT_LT(compare_with_dense(c, upper), 1e-13);
}

std::vector<Case> cases() {
  std::vector<Case> v;
  for (const char* name : {"lap2d", "lap3d", "elasticity", "random", "dense", "LFAT5", "bcsstk01", "mesh1e1"})
    for (Ordering o : {Ordering::natural, Ordering::random, Ordering::nested_dissection})
      for (int32_t w : {1, 3, 80}) v.push_back({name, o, w});
  return v;
}

std::string case_name(const ::testing::TestParamInfo<Case>& info) {
  static const char* const o[] = {"natural", "random", "nd"};
  return info.param.name + "_" + o[static_cast<int>(info.param.ordering)] + "_w" +
         std::to_string(info.param.width);
}

INSTANTIATE_TEST_SUITE_P(Problems, CholeskyDense, ::testing::ValuesIn(cases()), case_name);

// The scheduled family with a domain table gives bit for bit the factor of the plain family.
TEST(CholeskyScheduled, DomainPathGivesThePlainFactor) {
  const Csr<double> A = upper_csr(1000, laplacian(10, 10, 10));
  Cholesky<double> plain(A, ordering(A, Ordering::nested_dissection), 16);
  ASSERT_EQ(plain.map_status(), 0);
  ASSERT_EQ(plain.factor(1), 0);
  const int32_t ns = plain.sym.nsuper;
  ASSERT_GT(ns, 8);
  // Two domains and the separator, cut at a third and two thirds of the supernodes.
  const std::vector<int32_t> domains = {1, ns / 3, ns / 3 + 1, 2 * ns / 3, 2 * ns / 3 + 1, ns};
  Cholesky<double> sched(A, plain.sym.perm, 16);
  ASSERT_EQ(sched.map_status(), 0);
  ASSERT_EQ(sched.factor(0, &domains), 0);
  EXPECT_EQ(plain.lnz, sched.lnz);
  // Two per-processor copies of indmap and relind move link and length in the integer work.
  Cholesky<double> two(A, plain.sym.perm, 16);
  ASSERT_EQ(two.map_status(), 0);
  two.ibasic[14] = 2;
  two.ibasic[73] = 1;  // forces the plain family
  ASSERT_EQ(two.factor(0, &domains), 0);
  EXPECT_EQ(plain.lnz, two.lnz);
  // Without the domain mode the scheduled family is the plain loop.
  Cholesky<double> off(A, plain.sym.perm, 16);
  ASSERT_EQ(off.map_status(), 0);
  off.ibasic[69] = 0;
  ASSERT_EQ(off.factor(0, nullptr), 0);
  EXPECT_EQ(plain.lnz, off.lnz);
}

// A 1 × 1 matrix [4] gives 2.
TEST(CholeskyEdge, OneByOne) {
  Entries<double> e;
  e[{1, 1}] = 4.0;
  Cholesky<double> c(upper_csr(1, e), {1}, 80);
  ASSERT_EQ(c.map_status(), 0);
  ASSERT_EQ(c.factor(), 0);
  EXPECT_EQ(c.lnz[0], 2.0);
}

// A block-diagonal matrix whose second block is indefinite fails at exactly that supernode:
// status -1 in the return, entry 50 and entry 48; later supernodes are never loaded.
TEST(CholeskyEdge, NotPositiveDefiniteStopsAtTheFailingSupernode) {
  // The loop of one thread: several workers compute independent subtrees (here the three
  // blocks) at once, so a later block may be done when an earlier one fails.
  const int32_t workers = varnexo::threads::worker_override();
  varnexo::threads::set_worker_override(1);
  struct Restore {
    int32_t w;
    ~Restore() { varnexo::threads::set_worker_override(w); }
  } restore{workers};
  Entries<double> e;
  const int32_t b = 4, n = 3 * b;
  for (int blk = 0; blk < 3; ++blk)
    for (int i = 1; i <= b; ++i)
      for (int j = i; j <= b; ++j)
        e[{blk * b + i, blk * b + j}] = i == j ? (blk == 1 && i == 3 ? -5.0 : 4.0) : 1.0;
  std::vector<int32_t> perm(n);
  std::iota(perm.begin(), perm.end(), 1);
  Cholesky<double> c(upper_csr(n, e), perm, b);
  ASSERT_EQ(c.sym.nsuper, 3);
  ASSERT_EQ(c.map_status(), 0);
  EXPECT_EQ(c.factor(), -1);
  EXPECT_EQ(c.ibasic[49], -1);
  EXPECT_EQ(c.ibasic[47], -1);
  for (int32_t k = 2 * b * b; k < 3 * b * b; ++k) EXPECT_EQ(c.lnz[k], 777.0) << "third supernode touched";
  // The kernel names the failing column: potrf stops at the third column of the second block.
  varnexo::factor::CholeskyKernel<double> kernel;
  std::vector<double> blk = {4, 1, 1, 1, 1, 4, 1, 1, 1, 1, -5, 1, 1, 1, 1, 4};
  varnexo::factor::TargetBlock<double> t;
  t.fjcol = 5;
  t.ncol = t.jlen = 4;
  t.l = blk.data();
  EXPECT_EQ(varnexo::factor::factor_block(kernel, t), -1);
  EXPECT_EQ(kernel.failed_column, 7);
}

// Negative definite fails in the first supernode.
TEST(CholeskyEdge, NegativeDefiniteFailsFirst) {
  Entries<double> e = laplacian(3, 3, 1);
  for (auto& [ij, v] : e) v = -v;
  const Csr<double> A = upper_csr(9, e);
  Cholesky<double> c(A, ordering(A, Ordering::natural), 80);
  ASSERT_EQ(c.map_status(), 0);
  EXPECT_EQ(c.factor(), -1);
}

// An update that needs temp but finds it too small reports -2 (entry 50 -2, entry 48 -1).
TEST(CholeskyEdge, TempTooSmall) {
  const Csr<double> A = upper_csr(216, laplacian(6, 6, 6));
  Cholesky<double> c(A, ordering(A, Ordering::nested_dissection), 4);
  ASSERT_EQ(c.map_status(), 0);
  EXPECT_EQ(c.factor(1, nullptr, 1), -2);
  EXPECT_EQ(c.ibasic[49], -2);
  EXPECT_EQ(c.ibasic[47], -1);
}

// A diagonal structure (no updates) and one dense supernode (no updates, only the block).
TEST(CholeskyEdge, DiagonalAndSingleDenseSupernode) {
  Entries<double> d;
  for (int i = 1; i <= 5; ++i) d[{i, i}] = i * i;
  Cholesky<double> c(upper_csr(5, d), {3, 1, 5, 2, 4}, 80);
  ASSERT_EQ(c.sym.nsuper, 5);
  ASSERT_EQ(c.map_status(), 0);
  ASSERT_EQ(c.factor(), 0);
  for (int k = 1; k <= 5; ++k) EXPECT_DOUBLE_EQ(c.lnz[k - 1], c.sym.perm[k - 1]);
  const Entries<double> full = random_spd<double>(30, 1.0, 5);
  std::vector<int32_t> perm(30);
  std::iota(perm.begin(), perm.end(), 1);
  Cholesky<double> s(upper_csr(30, full), perm, 80);
  ASSERT_EQ(s.sym.nsuper, 1);
  ASSERT_EQ(s.map_status(), 0);
  EXPECT_EQ(s.factor(), 0);
  EXPECT_LT(compare_with_dense(s, full), 1e-13);
}

// The same loop in single precision: values rounded while loaded, factor within single
// precision of the double one.
TEST(CholeskyFloat, SinglePrecisionThroughTheSameLoop) {
  namespace vf = varnexo::factor;
  const Csr<double> A = upper_csr(375, elasticity(5));
  Cholesky<double> ref(A, ordering(A, Ordering::nested_dissection), 16);
  ASSERT_EQ(ref.map_status(), 0);
  ASSERT_EQ(ref.factor(), 0);
  const int32_t n = 375;
  auto sf = ref.sym.view(false);
  vf::Loader<float> loader;
  loader.map = &ref.maps.map;
  loader.a = A.a.data();
  loader.n = n;
  std::vector<float> lnz(ref.sym.lnz_size()), temp(ref.sym.tmpsiz);
  std::vector<int32_t> iwork(vf::loop_int_work_size(n, ref.sym.nsuper, 1));
  vf::LoopWork<float> w;
  w.indmap = varnexo::OneBased<int32_t>(iwork.data(), n);
  w.relind = varnexo::OneBased<int32_t>(iwork.data() + n, n);
  w.link = varnexo::OneBased<int32_t>(iwork.data() + 2 * n, n);
  w.length = varnexo::OneBased<int32_t>(iwork.data() + 3 * n, ref.sym.nsuper);
  w.temp = temp.data();
  w.tmpsiz = ref.sym.tmpsiz;
  vf::CholeskyKernel<float> kernel;
  vf::LeftLooking<vf::CholeskyKernel<float>> loop(sf, kernel, loader, lnz.data(), nullptr, w, nullptr,
                                                  nullptr);
  ASSERT_EQ(vf::factor_plain(loop, ref.sym.nsuper,
                             varnexo::OneBased<const int32_t>(ref.sym.nmod.data(), ref.sym.nsuper)),
            0);
  double scale = 0, err = 0;
  for (int32_t J = 1; J <= ref.sym.nsuper; ++J) {
    const int32_t f = ref.sym.xsuper[J - 1], h = ref.sym.xlindx[J] - ref.sym.xlindx[J - 1];
    for (int32_t j = f; j < ref.sym.xsuper[J]; ++j)
      for (int32_t p = j - f; p < h; ++p) {
        const int64_t k = ref.sym.xlnz[j - 1] - 1 + p;
        scale = std::max(scale, std::abs(ref.lnz[k]));
        err = std::max(err, std::abs(ref.lnz[k] - lnz[k]));
      }
  }
  EXPECT_LT(err / scale, 1e-5);
  EXPECT_GT(err, 0.0);
}

}  // namespace
