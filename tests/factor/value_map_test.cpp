// The value maps load exactly the permuted matrix (symmetric and LU storage, scaled and
// unscaled, with the row mapping of a matching), whatever sorting method each column takes.
#include "factor/value_map.h"

#include <gtest/gtest.h>

#include "factor/left_looking.h"
#include "support/harness.h"

using namespace testnum;
using varnexo::OneBased;
using varnexo::factor::Loader;
using varnexo::factor::LoadRule;

namespace {

// 0-based position of row r in the row list of the supernode holding column j.
int32_t position(const Symbolic& s, int32_t j, int32_t r) {
  const int32_t J = s.snode[j - 1];
  for (int32_t p = s.xlindx[J - 1]; p < s.xlindx[J]; ++p)
    if (s.lindx[p - 1] == r) return p - s.xlindx[J - 1];
  ADD_FAILURE() << "row " << r << " not in the structure of column " << j;
  return 0;
}

template <class T>
void load_all(const Loader<T>& loader, int32_t n, std::vector<T>& lnz, std::vector<T>& unz) {
  OneBased<T> l(lnz.data(), lnz.size()), u(unz.data(), unz.size());
  for (int32_t j = 1; j <= n; ++j) loader.load_column(j, l, u);
}

std::vector<double> scaling(int32_t n, uint32_t seed) {
  std::mt19937 g(seed);
  std::uniform_real_distribution<double> d(0.5, 2.0);
  std::vector<double> s(2 * n);
  for (double& v : s) v = d(g);
  return s;
}

// Symmetric storage: the loaded lnz equals the lower triangle of P·S·A·S·Pᵀ at every stored
// position and is zero elsewhere; Hermitian mirrors are conjugated.
template <class T>
void check_symmetric(const Entries<T>& upper, int32_t n, Ordering ord, bool scaled, bool hermitian) {
  const Csr<T> A = upper_csr(n, upper);
  Symbolic s = symbolic(A, ordering(A, ord, 5), 8);
  MapArrays m(n, A.nnz(), false);
  auto sf = s.view(false);
  ASSERT_EQ(varnexo::factor::invs_perm_mod(sf, A.ia.data(), A.ja.data(), scaled, m.map, m.work.data()), 0);
  EXPECT_EQ(m.map.lcount, A.nnz());
  const std::vector<double> sc = scaling(n, 9);
  Loader<T> loader;
  loader.map = &m.map;
  loader.a = A.a.data();
  loader.ja = A.ja.data();
  loader.scaling = sc.data();
  loader.n = n;
  loader.rule = scaled ? LoadRule::scaled_symmetric : LoadRule::unscaled;
  loader.conjugate_mirrored = hermitian;
  std::vector<T> lnz(s.lnz_size(), T(0)), unz(1, T(0)), expect(s.lnz_size(), T(0));
  load_all(loader, n, lnz, unz);
  for (const auto& [ij, v0] : upper) {
    const int32_t pi = s.invp[ij.first - 1], pc = s.invp[ij.second - 1];
    T v = scaled ? T(sc[ij.first - 1] * sc[ij.second - 1]) * v0 : v0;
    if (pi < pc && hermitian) v = conj(v);
    const int32_t col = std::min(pi, pc), row = std::max(pi, pc);
    expect[s.xlnz[col - 1] - 1 + position(s, col, row)] = v;
  }
  for (size_t k = 0; k < lnz.size(); ++k)
    ASSERT_LE(std::abs(lnz[k] - expect[k]), 4e-16 * std::abs(expect[k])) << "position " << k;
}

TEST(ValueMapSymmetric, LoadsThePermutedMatrix) {
  for (bool scaled : {false, true})
    for (Ordering o : {Ordering::natural, Ordering::random, Ordering::nested_dissection}) {
      check_symmetric(laplacian(6, 5, 1), 30, o, scaled, false);
      check_symmetric(elasticity(2), 24, o, scaled, false);
      check_symmetric(random_spd<double>(100, 1.0, 4), 100, o, scaled, false);  // full and long columns
      check_symmetric(random_spd<dcomplex>(40, 0.2, 6), 40, o, scaled, true);
    }
}

// Long columns (marker scan) of lengths on both sides of the clearing bound, between short
// ones (comparison sort), all sorted right.
TEST(ValueMapSymmetric, MarkerScanAndClearingBound) {
  int32_t q = 0;
  EXPECT_EQ(varnexo::factor::sort_threshold(100, &q), 41);
  EXPECT_EQ(q, 25);
  // Columns draw their rows from the last 800 positions only, so the fill stays one dense block.
  const int32_t n = 3000, pool = 800;
  const int32_t t = varnexo::factor::sort_threshold(n, &q);
  ASSERT_LT(t, q);
  std::mt19937 g(3);
  Entries<double> e;
  const int32_t lengths[] = {q + 30, t + 1, 3, q - 1, n / 2, t, 7};
  for (int32_t i = 1; i <= n; ++i) e[{i, i}] = 1.0 * n;
  int32_t row = 1;
  for (int32_t len : lengths) {
    std::vector<int32_t> cols(pool);
    std::iota(cols.begin(), cols.end(), n - pool + 1);
    std::shuffle(cols.begin(), cols.end(), g);
    for (int32_t k = 0; k + 1 < len && k < static_cast<int32_t>(cols.size()); ++k)
      e[{row, cols[k]}] = 1.0 + k;
    row += 1;
  }
  check_symmetric(e, n, Ordering::natural, false, false);
}

// A matrix of diagonal entries only: one positive map entry per column.
TEST(ValueMapSymmetric, DiagonalOnly) {
  Entries<double> e;
  for (int32_t i = 1; i <= 9; ++i) e[{i, i}] = i;
  const Csr<double> A = upper_csr(9, e);
  Symbolic s = symbolic(A, ordering(A, Ordering::random, 2), 8);
  MapArrays m(9, A.nnz(), false);
  auto sf = s.view(false);
  ASSERT_EQ(varnexo::factor::invs_perm_mod(sf, A.ia.data(), A.ja.data(), false, m.map, m.work.data()), 0);
  for (int32_t j = 1; j <= 9; ++j) {
    ASSERT_EQ(m.xlmap[j] - m.xlmap[j - 1], 1);
    EXPECT_EQ(m.lmap[j - 1], s.xlnz[j - 1]);
  }
}

// LU storage with a row mapping: lnz and unz receive Q·M·Qᵀ (M the matched matrix), scaled by
// the column scaling of the caller's column and the row scaling of the caller's row.
TEST(ValueMapLu, LoadsThePermutedMatchedMatrix) {
  for (bool scaled : {false, true})
    for (Ordering o : {Ordering::natural, Ordering::random, Ordering::nested_dissection}) {
      const int32_t n = 70;
      std::mt19937 g(12);
      std::uniform_real_distribution<double> u(-1.0, 1.0);
      Entries<double> pattern = random_spd<double>(n, 0.06, 8), A_e, M_e;
      std::vector<int32_t> q(n);
      std::iota(q.begin(), q.end(), 1);
      std::shuffle(q.begin(), q.end(), g);
      std::vector<int32_t> qinv(n);
      for (int32_t i = 1; i <= n; ++i) qinv[q[i - 1] - 1] = i;
      // The matched matrix M has a symmetric pattern; the caller's A holds its rows at q.
      for (const auto& [ij, v] : mirror(pattern, false)) {
        (void)v;
        M_e[ij] = u(g);
        A_e[{q[ij.first - 1], ij.second}] = M_e[ij];
      }
      const Csr<double> A = to_csr(n, A_e, false), M = to_csr(n, M_e, false);
      Symbolic s = symbolic(M, ordering(M, o, 4), 6);
      MapArrays m(n, A.nnz(), true);
      auto sf = s.view(true);
      ASSERT_EQ(varnexo::factor::inv_perm_mod_mod(sf, A.ia.data(), A.ja.data(), q.data(), scaled, m.map,
                                                  m.work.data()),
                0);
      EXPECT_EQ(m.map.lcount + m.map.ucount, A.nnz());
      const std::vector<double> sc = scaling(n, 5);
      Loader<double> loader;
      loader.map = &m.map;
      loader.a = A.a.data();
      loader.ja = A.ja.data();
      loader.scaling = sc.data();
      loader.n = n;
      loader.rule = scaled ? LoadRule::scaled_unsymmetric : LoadRule::unscaled;
      std::vector<double> lnz(s.lnz_size(), 0), unz(std::max<int64_t>(1, s.unz_size()), 0);
      std::vector<double> el(lnz.size(), 0), eu(unz.size(), 0);
      load_all(loader, n, lnz, unz);
      for (const auto& [ij, v0] : A_e) {
        const int32_t r = ij.first, c = ij.second;
        const double v = scaled ? sc[c - 1] * v0 * sc[n + r - 1] : v0;
        const int32_t pr = s.invp[qinv[r - 1] - 1], pc = s.invp[c - 1];
        const int32_t fc = s.xsuper[s.snode[pc - 1] - 1];
        if (pr >= fc) {
          el[s.xlnz[pc - 1] - 1 + position(s, pc, pr)] = v;
        } else {
          const int32_t J = s.snode[pr - 1], ncol = s.xsuper[J] - s.xsuper[J - 1];
          eu[s.xunz[pr - 1] - 1 + position(s, pr, pc) - ncol] = v;
        }
      }
      EXPECT_EQ(lnz, el);
      EXPECT_EQ(unz, eu);
    }
}

// An entry outside the symbolic structure is reported, not written anywhere.
TEST(ValueMap, EntryOutsideStructure) {
  Entries<double> e = laplacian(4, 1, 1);
  const Csr<double> A = upper_csr(4, e);
  Symbolic s = symbolic(A, ordering(A, Ordering::natural), 1);
  e[{1, 4}] = 1.0;
  const Csr<double> B = upper_csr(4, e);
  MapArrays m(4, B.nnz(), false);
  auto sf = s.view(false);
  EXPECT_EQ(varnexo::factor::invs_perm_mod(sf, B.ia.data(), B.ja.data(), false, m.map, m.work.data()),
            varnexo::factor::kMapStructureMismatch);
}

}  // namespace
