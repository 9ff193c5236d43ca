// The Fortran-style entries (every argument by reference) give what the C++ functions behind
// them give: map builders, the Cholesky kernels, the factorisation and solve entries, the
// operation count, and the element-wise pieces of the loop.
#include <gtest/gtest.h>

#include "abi/abi_entries.h"
#include "factor/factor_entries.h"
#include "factor/value_map.h"
#include "solve/solve_entries.h"
#include "support/harness.h"

using namespace testnum;

namespace {

TEST(EntryPoints, MapFactorSolveAndCount) {
  const int32_t k = 6, n = k * k * k;
  const Csr<double> A = upper_csr(n, laplacian(k, k, k));
  Cholesky<double> ref(A, ordering(A, Ordering::nested_dissection), 8);
  ASSERT_EQ(ref.map_status(), 0);
  ASSERT_EQ(ref.factor(), 0);
  Symbolic& s = ref.sym;
  // Map builder.
  const int32_t nnz = static_cast<int32_t>(A.nnz()), zero = 0, one = 1;
  std::vector<int32_t> xlmap(n + 1), lmap(nnz), asrc(nnz), aorig(nnz), colorig(n), work(3 * n + 2);
  int32_t lcount = 0, status = 1;
  invs_perm_mod_varnexo_(&n, A.ia.data(), A.ja.data(), s.perm.data(), s.invp.data(), &s.nsuper,
                         s.xsuper.data(), s.snode.data(), s.xlindx.data(), s.lindx.data(), s.xlnz.data(),
                         &zero, xlmap.data(), lmap.data(), asrc.data(), aorig.data(), colorig.data(), &lcount,
                         work.data(), &status);
  ASSERT_EQ(status, 0);
  EXPECT_EQ(lcount, nnz);
  EXPECT_EQ(lmap, ref.maps.lmap);
  // Plain and scheduled kernels.
  std::vector<int32_t> iwork(3 * n + s.nsuper);
  std::vector<double> temp(s.tmpsiz, 0.0), lnz(s.lnz_size(), 1.0);
  int32_t error = 5;
  blkl_varnexo_(&n, &s.nsuper, s.xsuper.data(), s.snode.data(), s.xlindx.data(), s.lindx.data(),
                s.xlnz.data(), lnz.data(), s.nmod.data(), iwork.data(), temp.data(), &s.tmpsiz, xlmap.data(),
                lmap.data(), asrc.data(), A.a.data(), &error);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(lnz, ref.lnz);
  const int32_t nd = 2, mode = 1;
  const std::vector<int32_t> domains = {
      1, s.nsuper / 3, s.nsuper / 3 + 1, s.nsuper / 2, s.nsuper / 2 + 1, s.nsuper};
  std::fill(lnz.begin(), lnz.end(), -3.0);
  blkl_risc_varnexo_(&n, &s.nsuper, s.xsuper.data(), s.snode.data(), s.xlindx.data(), s.lindx.data(),
                     s.xlnz.data(), lnz.data(), s.nmod.data(), iwork.data(), temp.data(), &s.tmpsiz,
                     xlmap.data(), lmap.data(), asrc.data(), A.a.data(), &nd, domains.data(), &mode, &error);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(lnz, ref.lnz);
  // The factorisation entry with the control words.
  int32_t ib[100] = {};
  double rb[20] = {};
  ib[11] = 2;
  ib[14] = 1;
  ib[18] = 1;
  ib[19] = 1;
  ib[30] = s.nsuper;
  ib[33] = static_cast<int32_t>(s.lnz_size());
  ib[36] = s.tmpsiz;
  std::fill(lnz.begin(), lnz.end(), 9.0);
  std::vector<int32_t> pivot(n), colpivot(n), iw(3 * n + s.nsuper), pnlsch(s.nsuper);
  double unz = 0;
  factorize_varnexo_(&n, s.perm.data(), A.ia.data(), A.ja.data(), A.a.data(), ib, rb, s.xlindx.data(),
                     s.lindx.data(), s.xlnz.data(), lnz.data(), s.xunz.data(), &unz, s.xsuper.data(),
                     s.snode.data(), pivot.data(), colpivot.data(), s.nmod.data(), pnlsch.data(), iw.data(),
                     temp.data(), xlmap.data(), lmap.data(), nullptr, nullptr, asrc.data(), aorig.data(),
                     colorig.data(), nullptr, domains.data());
  EXPECT_EQ(ib[49], 0);
  EXPECT_EQ(lnz, ref.lnz);
  // The solve entry: the solution of the C++ solve, into x and into b.
  ib[0] = n;
  ib[43] = n;
  std::vector<double> b(n), x(n), W(n);
  for (int32_t i = 0; i < n; ++i) b[i] = 1.0 + i % 7;
  solve_varnexo_(&(ib[14]), x.data(), b.data(), s.perm.data(), s.xsuper.data(), s.xlindx.data(),
                 s.lindx.data(), s.xlnz.data(), lnz.data(), s.xunz.data(), &unz, pivot.data(),
                 colpivot.data(), nullptr, nullptr, ib, W.data(), nullptr, nullptr, &error);
  EXPECT_EQ(error, 0);
  EXPECT_LT(backward_error(n, mirror(laplacian(k, k, k), false), x.data(), b.data()), 1e-14);
  ib[51] = 1;
  std::vector<double> bb = b, xx(n);
  solve_varnexo_(&(ib[14]), xx.data(), bb.data(), s.perm.data(), s.xsuper.data(), s.xlindx.data(),
                 s.lindx.data(), s.xlnz.data(), lnz.data(), s.xunz.data(), &unz, pivot.data(),
                 colpivot.data(), nullptr, nullptr, ib, W.data(), nullptr, nullptr, &error);
  EXPECT_EQ(bb, x);
  // The iteration entry with this factor on 2·A: CG (code 2) from x = M⁻¹·b ends at x/2 and copies
  // it into b; a wrong work length is refused with the fall-back flag.
  ib[51] = 0;
  ib[17] = 2;
  ib[39] = 10000;
  ib[40] = 20;
  ib[41] = 11;
  rb[12] = 1e-12;
  std::vector<double> a2(A.a), vectors(6 * n), xi(x), bi(b);
  for (double& v : a2) v *= 2.0;
  const int64_t work_len = 6 * n, short_len = 6 * n - 1;
  int32_t it_status = 9, iterations = 0, copy = 1;
  pre_cgs_varnexo_(&n, &one, a2.data(), A.ia.data(), A.ja.data(), bi.data(), xi.data(), s.perm.data(),
                   s.xsuper.data(), s.xlindx.data(), s.lindx.data(), s.xlnz.data(), lnz.data(), s.xunz.data(),
                   &unz, pivot.data(), colpivot.data(), nullptr, nullptr, W.data(), nullptr, nullptr, ib, rb,
                   vectors.data(), &work_len, &it_status, &iterations, &copy);
  EXPECT_EQ(it_status, 0);
  EXPECT_GE(iterations, 2);
  for (int32_t i = 0; i < n; ++i) EXPECT_NEAR(bi[i], x[i] / 2.0, 1e-12 * std::abs(x[i]));
  EXPECT_EQ(bi, xi);
  pre_cgs_varnexo_(&n, &one, a2.data(), A.ia.data(), A.ja.data(), bi.data(), xi.data(), s.perm.data(),
                   s.xsuper.data(), s.xlindx.data(), s.lindx.data(), s.xlnz.data(), lnz.data(), s.xunz.data(),
                   &unz, pivot.data(), colpivot.data(), nullptr, nullptr, W.data(), nullptr, nullptr, ib, rb,
                   vectors.data(), &short_len, &it_status, &iterations, &copy);
  EXPECT_EQ(it_status, -4);
  EXPECT_EQ(ib[42], 1) << "the fall-back flag";
  EXPECT_EQ(ib[49], -2);
  // Operation count.
  std::vector<int32_t> indmap(n), link(n), length(s.nsuper);
  const int32_t type = 2;
  double mf = 0, mf_ref = 0;
  flops_varnexo_(&s.nsuper, &n, &zero, s.xlindx.data(), s.lindx.data(), s.xlnz.data(), &zero, indmap.data(),
                 s.nmod.data(), link.data(), s.snode.data(), s.xsuper.data(), length.data(), &one, &type,
                 &mf);
  auto sf = s.view(false);
  ASSERT_TRUE(varnexo::factor::flops(sf, true, false, link.data(), length.data(), &mf_ref));
  EXPECT_EQ(mf, mf_ref);
  EXPECT_GT(mf, 0.0);
}

// The storage-forcing entry reads the caller's control words and writes only the status words:
// the storage word 19 (here the LU storage) is never rewritten to pick the loop.
TEST(EntryPoints, ForcedStorageLeavesTheCallersWords) {
  const int32_t k = 4, n = k * k * k;
  const Csr<double> A = upper_csr(n, laplacian(k, k, k));
  Cholesky<double> ref(A, ordering(A, Ordering::nested_dissection), 8);
  ASSERT_EQ(ref.map_status(), 0);
  ASSERT_EQ(ref.factor(), 0);
  Symbolic& s = ref.sym;
  int32_t ib[100] = {};
  double rb[20] = {};
  ib[11] = 2;
  ib[14] = 1;
  ib[18] = 0;  // the LU storage: sssfct_ must not change it
  ib[19] = 1;
  ib[30] = s.nsuper;
  ib[33] = static_cast<int32_t>(s.lnz_size());
  ib[36] = s.tmpsiz;
  int32_t before[100];
  std::copy(ib, ib + 100, before);
  std::vector<double> lnz(s.lnz_size(), 9.0), temp(s.tmpsiz, 0.0);
  std::vector<int32_t> pivot(n), colpivot(n), iw(3 * n + s.nsuper), pnlsch(s.nsuper);
  double unz = 0;
  sssfct_varnexo_(&n, s.perm.data(), A.ia.data(), A.ja.data(), A.a.data(), ib, rb, s.xlindx.data(),
                  s.lindx.data(), s.xlnz.data(), lnz.data(), s.xunz.data(), &unz, s.xsuper.data(),
                  s.snode.data(), pivot.data(), colpivot.data(), s.nmod.data(), pnlsch.data(), iw.data(),
                  temp.data(), ref.maps.xlmap.data(), ref.maps.lmap.data(), nullptr, nullptr,
                  ref.maps.asrc.data(), ref.maps.aorig.data(), ref.maps.colorig.data(), nullptr, nullptr);
  EXPECT_EQ(ib[49], 0);
  EXPECT_EQ(lnz, ref.lnz);
  for (int w = 1; w <= 100; ++w) {
    if (w != 48 && w != 50 && (w < 62 || w > 64)) {
      EXPECT_EQ(ib[w - 1], before[w - 1]) << "word " << w;
    }
  }
}

// Types whose kernels are not in the library yet are refused with a status, not run.
TEST(EntryPoints, MissingKernelsAreReported) {
  const Csr<double> A = upper_csr(27, laplacian(3, 3, 3));
  Cholesky<double> c(A, ordering(A, Ordering::natural), 8);
  ASSERT_EQ(c.map_status(), 0);
  c.factor();
  c.ibasic[11] = 3;  // complex structurally symmetric: no kernel in the symmetric storage
  auto sf = c.sym.view(false);
  const varnexo::factor::NumericMatrix M{A.ia.data(), A.ja.data(), A.a.data(), nullptr};
  varnexo::factor::FactorBuffers b;
  b.lnz = c.lnz.data();
  b.temp = c.temp.data();
  EXPECT_EQ(factorize_with_words(c.ibasic, c.rbasic, varnexo::FactorStorage::symmetric, sf, c.maps.map, M, b,
                                 nullptr),
            static_cast<int32_t>(varnexo::factor::FactorStatus::kernel_missing));
  EXPECT_EQ(c.ibasic[49], -10);
  EXPECT_EQ(c.ibasic[47], -1);
}

// The element-wise pieces on a supernode of 3 columns and 5 rows (rows 4..8 of a 10-column
// factor): one-column update and scatter-add.
TEST(EntryPoints, ElementWiseUpdateAndScatter) {
  const int32_t n = 10, jlen = 5, fjcol = 4;
  std::vector<int32_t> xlnz(n + 1);
  for (int32_t j = 0; j <= n; ++j)
    xlnz[j] = 1 + (j < 3 ? j : 3 + (std::min(j, 6) - 3) * jlen + (j > 6 ? j - 6 : 0));
  std::vector<double> lnz(xlnz[n] - 1, 0.0);
  std::vector<int32_t> indmap(n, -1);
  const std::vector<int32_t> rows = {4, 5, 6, 7, 8};
  for (int32_t k = 0; k < jlen; ++k) indmap[rows[k] - 1] = jlen - 1 - k;
  // Update rows 5, 6, 8 of columns 5 and 6 by x·yᵀ.
  const std::vector<int32_t> upd = {5, 6, 8};
  const std::vector<double> x = {1, 2, 3}, y = {10, 20};
  const int32_t m = 3, q = 2;
  mmpyi_varnexo_(&m, &q, upd.data(), x.data(), y.data(), &n, xlnz.data(), lnz.data(), indmap.data());
  auto at = [&](int32_t r, int32_t c) { return lnz[xlnz[c - 1] - 1 + (r - fjcol)]; };
  EXPECT_EQ(at(5, 5), -10);
  EXPECT_EQ(at(6, 5), -20);
  EXPECT_EQ(at(8, 5), -30);
  EXPECT_EQ(at(6, 6), -40);
  EXPECT_EQ(at(8, 6), -60);
  EXPECT_EQ(at(7, 5), 0);
  std::vector<double> temp = {1, 2, 3, 4, 5, 6};
  std::vector<int32_t> relind = {indmap[4], indmap[5], indmap[7]};
  scatt_varnexo_(&m, &q, temp.data(), relind.data(), &fjcol, &jlen, &n, xlnz.data(), lnz.data());
  EXPECT_EQ(at(5, 5), -9);
  EXPECT_EQ(at(8, 5), -27);
  EXPECT_EQ(at(8, 6), -54);
  EXPECT_EQ(temp, std::vector<double>(6, 0.0));
}

}  // namespace
