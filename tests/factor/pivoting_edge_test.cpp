// Small cases of the pivoting kernels through their named entries, each a single supernode:
// the 2×2 exchange matrix under every kernel, all-zero blocks with and without a threshold, the
// sign and count of perturbed pivots, the diagonal-pivoting order, and the block solves of a
// 2×2 pivot with an interchange against a dense solve.
#include <gtest/gtest.h>

#include <cmath>

#include "dense/dense_entries.h"
#include "factor/factor_entries.h"
#include "factor/pivoted.h"
#include "solve/solve_entries.h"

using namespace testnum;

namespace {

// A dense n×n matrix (column-major values) as entries: the upper triangle for the symmetric
// kernels, all entries for LU; zeros are stored so that the block is one supernode.
Entries<double> entries(int32_t n, const std::vector<double>& d, bool upper) {
  Entries<double> e;
  for (int32_t j = 1; j <= n; ++j)
    for (int32_t i = 1; i <= (upper ? j : n); ++i) e[{i, j}] = d[(j - 1) * n + i - 1];
  return e;
}

struct Counters {
  int32_t npert = -1, npos = -1, nneg = -1, error = -9;
};

// blkldl_varnexo_ on the single supernode of f; mode != 0 selects diagonal pivoting.
Counters ldlt(Pivoted<double>& f, double eps, int32_t mode) {
  const int32_t n = f.A.n, ns = f.sym.nsuper, tmpsiz = 4 * f.sym.tmpsiz, zero = 0;
  f.lnz.assign(f.sym.lnz_size(), 777.0);
  f.temp.assign(tmpsiz, 0.0);
  f.pivot.assign(n, 0);
  std::vector<int32_t> iwork(3 * n + ns);
  Counters c;
  blkldl_varnexo_(&n, &ns, f.sym.xsuper.data(), f.sym.snode.data(), f.sym.xlindx.data(), f.sym.lindx.data(),
                  f.sym.xlnz.data(), f.lnz.data(), f.pivot.data(), f.sym.nmod.data(), iwork.data(),
                  f.temp.data(), &tmpsiz, &c.npert, &c.npos, &c.nneg, &eps, &mode, f.maps.xlmap.data(),
                  f.maps.lmap.data(), f.maps.asrc.data(), f.maps.aorig.data(), f.maps.colorig.data(),
                  f.A.ja.data(), f.A.a.data(), nullptr, &zero, &c.error);
  return c;
}

// blklu_varnexo_ (complete = false) or blklu_unsym_varnexo_ on the single supernode of f.
Counters lu(Pivoted<double>& f, double eps, bool complete) {
  const int32_t n = f.A.n, ns = f.sym.nsuper, tmpsiz = f.sym.tmpsiz, zero = 0;
  f.lnz.assign(f.sym.lnz_size(), 777.0);
  f.unz.assign(std::max<int64_t>(1, f.sym.unz_size()), 777.0);
  f.temp.assign(tmpsiz, 0.0);
  f.pivot.assign(n, 0);
  f.colpivot.assign(n, 0);
  std::vector<int32_t> iwork(3 * n + ns);
  Counters c;
  if (complete)
    blklu_unsym_varnexo_(&n, &ns, f.sym.xsuper.data(), f.sym.snode.data(), f.sym.xlindx.data(),
                         f.sym.lindx.data(), f.sym.xlnz.data(), f.lnz.data(), f.sym.xunz.data(), f.unz.data(),
                         f.pivot.data(), f.sym.nmod.data(), iwork.data(), f.temp.data(), &tmpsiz,
                         f.maps.xlmap.data(), f.maps.lmap.data(), f.maps.xumap.data(), f.maps.umap.data(),
                         f.maps.asrc.data(), f.A.a.data(), f.colpivot.data(), &c.npert, &eps,
                         f.maps.aorig.data(), f.A.ja.data(), nullptr, &zero, &c.error);
  else
    blklu_varnexo_(&n, &ns, f.sym.xsuper.data(), f.sym.snode.data(), f.sym.xlindx.data(), f.sym.lindx.data(),
                   f.sym.xlnz.data(), f.lnz.data(), f.sym.xunz.data(), f.unz.data(), f.pivot.data(),
                   f.sym.nmod.data(), iwork.data(), f.temp.data(), &tmpsiz, f.maps.xlmap.data(),
                   f.maps.lmap.data(), f.maps.xumap.data(), f.maps.umap.data(), f.maps.asrc.data(),
                   f.A.a.data(), &c.error);
  return c;
}

Pivoted<double> single(int32_t type, int32_t n, const std::vector<double>& d) {
  Pivoted<double> f(type, entries(n, d, type == -2), Ordering::natural, 80);
  EXPECT_EQ(f.sym.nsuper, 1);
  return f;
}

const std::vector<double> kExchange = {0, 1, 1, 0};

TEST(LdltEdge, ExchangeMatrixTakesOneTwoByTwoPivot) {
  Pivoted<double> f = single(-2, 2, kExchange);
  const Counters c = ldlt(f, 0.0, 0);
  EXPECT_EQ(c.error, 0);
  EXPECT_EQ(f.pivot, (std::vector<int32_t>{-2, -2}));
  EXPECT_EQ(c.npos, 1);
  EXPECT_EQ(c.nneg, 1);
  EXPECT_EQ(c.npert, 0);
  EXPECT_EQ(f.lnz[0], 0.0);  // D(1,1)
  EXPECT_EQ(f.lnz[1], 1.0);  // D(2,1)
  EXPECT_EQ(f.lnz[3], 0.0);  // D(2,2)
}

// An all-zero block: every pivot becomes the replacement (1e-8 with ε = 0, else ε), counted
// positive and perturbed, in both pivoting modes.
TEST(LdltEdge, ZeroBlockIsPerturbedInBothModes) {
  for (int32_t mode : {0, 1})
    for (double eps : {0.0, 1e-6}) {
      Pivoted<double> f = single(-2, 3, std::vector<double>(9, 0.0));
      const Counters c = ldlt(f, eps, mode);
      EXPECT_EQ(c.error, 0);
      EXPECT_EQ(c.npert, 3);
      EXPECT_EQ(c.npos, 3);
      EXPECT_EQ(c.nneg, 0);
      const double r = eps == 0.0 ? 1e-8 : eps;
      for (int32_t k = 0; k < 3; ++k) EXPECT_EQ(f.lnz[k * 3 + k], r) << mode << " " << eps;
    }
}

// A tiny negative pivot keeps its sign when it is perturbed.
TEST(LdltEdge, TinyNegativePivotBecomesMinusEpsilon) {
  for (int32_t mode : {0, 1}) {
    Pivoted<double> f = single(-2, 1, {-1e-12});
    const Counters c = ldlt(f, 1e-8, mode);
    EXPECT_EQ(c.npert, 1);
    EXPECT_EQ(c.nneg, 1);
    EXPECT_EQ(c.npos, 0);
    EXPECT_EQ(f.lnz[0], -1e-8);
  }
}

// Diagonal pivoting takes the largest remaining diagonal magnitude, the later index on ties.
TEST(LdltEdge, DiagonalPivotingOrder) {
  Pivoted<double> f = single(-2, 3, {1, 0, 0, 0, -3, 0, 0, 0, 3});
  const Counters c = ldlt(f, 0.0, 1);
  EXPECT_EQ(c.error, 0);
  EXPECT_EQ(f.pivot[0], 3);
  EXPECT_EQ(f.pivot[1], 2);  // -3 stays at 2: it outweighs the 1 that moved to 3
  EXPECT_EQ(c.npos, 2);
  EXPECT_EQ(c.nneg, 1);
}

TEST(LuEdge, ExchangeMatrixRowPivoted) {
  Pivoted<double> f = single(1, 2, kExchange);
  const Counters c = lu(f, 0.0, false);
  EXPECT_EQ(c.error, 0);
  EXPECT_EQ(f.pivot, (std::vector<int32_t>{2, 2}));
  EXPECT_EQ(f.lnz, (std::vector<double>{1, 0, 0, 1}));
}

TEST(LuEdge, ExchangeMatrixCompletePivotingTakesTheLastMaximum) {
  Pivoted<double> f = single(11, 2, kExchange);
  const Counters c = lu(f, 0.0, true);
  EXPECT_EQ(c.error, 0);
  EXPECT_EQ(c.npert, 0);
  EXPECT_EQ(f.pivot[0], 2);
  EXPECT_EQ(f.colpivot[0], 1);
}

TEST(LuEdge, ZeroBlockCompletePivotingPerturbsEveryPivot) {
  Pivoted<double> f = single(11, 3, std::vector<double>(9, 0.0));
  const Counters c = lu(f, 0.0, true);
  EXPECT_EQ(c.error, 0);
  EXPECT_EQ(c.npert, 3);
  for (int32_t k = 0; k < 3; ++k) EXPECT_EQ(f.lnz[k * 3 + k], 1e-13);
}

TEST(LuEdge, ZeroColumnStopsTheRowPivotedLu) {
  Pivoted<double> f = single(1, 2, {0, 0, 1, 1});
  EXPECT_EQ(lu(f, 0.0, false).error, -1);
  // Complete pivoting finds the other column instead.
  Pivoted<double> g = single(11, 2, {0, 0, 1, 1});
  const Counters c = lu(g, 0.0, true);
  EXPECT_EQ(c.error, 0);
  EXPECT_EQ(c.npert, 1);
}

// A 2×2 pivot with an interchange (kp = 3 for the step at 1, 2) followed by a 1×1 pivot: the
// block solves for one and two right-hand sides, and the forward/backward halves, against a
// dense LAPACK solve.
TEST(LdltBlockSolve, TwoByTwoPivotWithInterchangeMatchesDenseSolve) {
  const std::vector<double> d = {0, 1, 2, 1, 0.1, 0.5, 2, 0.5, 0.1};
  Pivoted<double> f = single(-2, 3, d);
  const Counters c = ldlt(f, 0.0, 0);
  ASSERT_EQ(c.error, 0);
  ASSERT_EQ(f.pivot[0], -3);
  ASSERT_EQ(f.pivot[1], -3);
  const int32_t n = 3, ns = 1, nb = 2, ldw = 1, bk = 1;
  const std::vector<double> b = {1, -2, 0.5, 3, 0, -1};
  std::vector<double> ref = d, xr = b;
  std::vector<int32_t> ipiv(3);
  ASSERT_EQ(varnexo::blas::getrf(3, 3, ref.data(), 3, ipiv.data()), 0);
  varnexo::blas::laswp(2, xr.data(), 3, 1, 3, ipiv.data(), 1);
  varnexo::blas::trsm('L', 'L', 'N', 'U', 3, 2, 1.0, ref.data(), 3, xr.data(), 3);
  varnexo::blas::trsm('L', 'U', 'N', 'N', 3, 2, 1.0, ref.data(), 3, xr.data(), 3);
  std::vector<double> x = b, W(2);
  int32_t error = -1, whole = 0, fwd = 1, bwd = 2;
  blkldlslvs_varnexo_(&n, &ns, &nb, f.sym.xsuper.data(), f.sym.xlindx.data(), f.sym.lindx.data(),
                      f.sym.xlnz.data(), f.lnz.data(), f.pivot.data(), &bk, x.data(), W.data(), &ldw, &whole,
                      &error);
  EXPECT_EQ(error, 0);
  for (int32_t i = 0; i < 6; ++i) EXPECT_NEAR(x[i], xr[i], 1e-13);
  for (int32_t j = 0; j < 2; ++j) {
    std::vector<double> y(b.begin() + 3 * j, b.begin() + 3 * j + 3);
    blkldlslvs1_varnexo_(&n, &ns, f.sym.xsuper.data(), f.sym.xlindx.data(), f.sym.lindx.data(),
                         f.sym.xlnz.data(), f.lnz.data(), f.pivot.data(), &bk, y.data(), &fwd, &error);
    blkldlslvs1_varnexo_(&n, &ns, f.sym.xsuper.data(), f.sym.xlindx.data(), f.sym.lindx.data(),
                         f.sym.xlnz.data(), f.lnz.data(), f.pivot.data(), &bk, y.data(), &bwd, &error);
    for (int32_t i = 0; i < 3; ++i) EXPECT_NEAR(y[i], xr[3 * j + i], 1e-13);
  }
}

// Column interchanges of an array and of one right-hand side, applied and undone.
TEST(Interchanges, ColumnAndVectorSwaps) {
  const int32_t m = 2, n = 3, lda = 2;
  const int32_t piv[3] = {3, -3, 3};  // read by magnitude; the last record is never applied
  std::vector<double> a = {1, 2, 3, 4, 5, 6};
  luspym_varnexo_(&m, &n, a.data(), &lda, piv);
  EXPECT_EQ(a, (std::vector<double>{5, 6, 1, 2, 3, 4}));
  std::vector<double> b = {1, 2, 3, 4, 5, 6};
  lusp_varnexo_(&m, &n, b.data(), &lda, piv);
  EXPECT_EQ(a, b);
  std::vector<double> x = {1, 2, 3};
  luspxmt_varnexo_(&n, x.data(), piv);
  EXPECT_EQ(x, (std::vector<double>{3, 1, 2}));
  luspxm_varnexo_(&n, x.data(), piv);
  EXPECT_EQ(x, (std::vector<double>{1, 2, 3}));
}

}  // namespace

namespace {

// [[0, i], [i, 0]] as a complex symmetric matrix and [[0, i], [-i, 0]] as a Hermitian one each
// take one 2×2 pivot, without and with conjugation, and solve to the dense solution.
TEST(ComplexLdltEdge, OffDiagonalPairTakesOneTwoByTwoPivot) {
  for (int32_t type : {6, -4}) {
    Entries<dcomplex> e;
    e[{1, 1}] = 0.0;
    e[{2, 2}] = 0.0;
    e[{1, 2}] = dcomplex(0, 1);
    Pivoted<dcomplex> f(type, e, Ordering::natural, 80);
    ASSERT_EQ(f.factor(1, 0), 0);
    EXPECT_EQ(f.pivot, (std::vector<int32_t>{-2, -2})) << type;
    EXPECT_EQ(f.ibasic[61], 0);
    const std::vector<dcomplex> b = {dcomplex(1, 2), dcomplex(-3, 0.5)};
    const std::vector<dcomplex> x = f.solve(b, 1);
    // A·x = b: i·x2 = b1 and (±i)·x1 = b2.
    const dcomplex lower = type == 6 ? dcomplex(0, 1) : dcomplex(0, -1);
    EXPECT_LT(std::abs(x[1] - b[0] / dcomplex(0, 1)), 1e-15) << type;
    EXPECT_LT(std::abs(x[0] - b[1] / lower), 1e-15) << type;
  }
}

}  // namespace
