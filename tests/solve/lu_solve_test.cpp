// The LU parts of the loop (U updates in every case) and the LU solves: plain and transposed,
// one and several right-hand sides, with the scaling and row mapping of a matching, against
// the caller's matrix by normwise backward error; also the factor against a dense LU.
#include <gtest/gtest.h>

#include "factor/left_looking.h"
#include "solve/solve.h"
#include "support/harness.h"

using namespace testnum;
using varnexo::OneBased;
namespace vf = varnexo::factor;

namespace {

// An unsymmetric, diagonally dominant matrix on a symmetric pattern, its rows stored at
// q(i) (the caller's matrix A) and as the matched matrix M.
struct Unsymmetric {
  int32_t n;
  Entries<double> A_e, M_e;
  std::vector<int32_t> q;
};

Unsymmetric make(const Entries<double>& pattern, int32_t n, bool shuffle_rows, uint32_t seed,
                 double dominance = 1.0) {
  Unsymmetric u;
  u.n = n;
  std::mt19937 g(seed);
  std::uniform_real_distribution<double> d(-1.0, 1.0);
  u.q.resize(n);
  std::iota(u.q.begin(), u.q.end(), 1);
  if (shuffle_rows) std::shuffle(u.q.begin(), u.q.end(), g);
  for (const auto& [ij, v] : mirror(pattern, false)) {
    (void)v;
    u.M_e[ij] = ij.first == ij.second ? 0.0 : d(g);
  }
  std::vector<double> rowsum(n + 1, 0.0);
  for (const auto& [ij, v] : u.M_e) rowsum[ij.first] += std::abs(v);
  for (int32_t i = 1; i <= n; ++i) u.M_e[{i, i}] = (i % 2 ? 1.0 : -1.0) * (dominance * rowsum[i] + 0.2);
  for (const auto& [ij, v] : u.M_e) u.A_e[{u.q[ij.first - 1], ij.second}] = v;
  return u;
}

struct LuFactor {
  Csr<double> A;
  Symbolic sym;
  MapArrays maps;
  std::vector<double> lnz, unz, temp, scaling;
  std::vector<int32_t> pivot, colpivot, iwork, q;
  bool scaled;
  int32_t status = 0;

  LuFactor(const Unsymmetric& u, Ordering o, int32_t width, bool scale)
      : A(to_csr(u.n, u.A_e, false)),
        sym(symbolic(to_csr(u.n, u.M_e, false), ordering(to_csr(u.n, u.M_e, false), o, 3), width)),
        maps(u.n, A.nnz(), true),
        q(u.q),
        scaled(scale) {
    const int32_t n = u.n;
    auto sf = sym.view(true);
    status =
        vf::inv_perm_mod_mod(sf, A.ia.data(), A.ja.data(), u.q.data(), scale, maps.map, maps.work.data());
    if (status != 0) return;
    std::mt19937 g(2);
    std::uniform_real_distribution<double> d(0.5, 2.0);
    scaling.resize(2 * n);
    for (double& v : scaling) v = scale ? d(g) : 1.0;
    lnz.assign(sym.lnz_size(), 0);
    unz.assign(std::max<int64_t>(1, sym.unz_size()), 0);
    temp.assign(sym.tmpsiz, 0);
    pivot.assign(n, 0);
    colpivot.resize(n);
    for (int32_t j = 1; j <= n; ++j) {
      const int32_t J = sym.snode[j - 1];
      colpivot[j - 1] = j - sym.xsuper[J - 1] + 1;  // no column interchange
    }
    iwork.assign(vf::loop_int_work_size(n, sym.nsuper, 1), 0);
    vf::Loader<double> loader;
    loader.map = &maps.map;
    loader.a = A.a.data();
    loader.ja = A.ja.data();
    loader.scaling = scaling.data();
    loader.n = n;
    loader.rule = scale ? vf::LoadRule::scaled_unsymmetric : vf::LoadRule::unscaled;
    vf::LoopWork<double> w;
    w.indmap = OneBased<int32_t>(iwork.data(), n);
    w.relind = OneBased<int32_t>(iwork.data() + n, n);
    w.link = OneBased<int32_t>(iwork.data() + 2 * n, n);
    w.length = OneBased<int32_t>(iwork.data() + 3 * n, sym.nsuper);
    w.temp = temp.data();
    w.tmpsiz = sym.tmpsiz;
    LuKernel<double> kernel;
    vf::LeftLooking<LuKernel<double>> loop(sf, kernel, loader, lnz.data(), unz.data(), w, pivot.data(),
                                           colpivot.data());
    status = vf::factor_plain(loop, sym.nsuper, OneBased<const int32_t>(sym.nmod.data(), sym.nsuper));
  }

  int32_t solve(int32_t type, bool transposed, int32_t nb, std::vector<double>& x, std::vector<double>& b,
                int32_t part = 0) {
    int32_t ib[100] = {};
    ib[0] = A.n;
    ib[11] = type;
    ib[18] = 0;
    ib[67] = transposed;
    ib[68] = scaled;
    ib[72] = part;
    auto sf = sym.view(true);
    std::vector<double> W(static_cast<size_t>(A.n) * nb);
    x.resize(W.size());
    const varnexo::driver::Control ctl(ib, nullptr, nullptr);
    const varnexo::solve::SolveOptions o =
        varnexo::driver::solve_options(ctl, varnexo::kind_of(type), varnexo::FactorStorage::lu, false);
    const varnexo::solve::FactorValues f{lnz.data(), unz.data(), pivot.data(), colpivot.data()};
    return static_cast<int32_t>(varnexo::solve::solve(sf, f, o, nb, x.data(), b.data(), q.data(),
                                                      scaling.data(), W.data(),
                                                      static_cast<int64_t>(W.size())));
  }
};

std::vector<double> rhs(int32_t n, int32_t nb) {
  std::mt19937 g(nb);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::vector<double> b(static_cast<size_t>(n) * nb);
  for (double& v : b) v = u(g);
  return b;
}

// The factor of the matched, permuted and scaled matrix, rebuilt as P·L·U block by block, is
// compared through the solves; here the dense check: solve with every unit vector.
TEST(LuLoop, SolvesPlainAndTransposed) {
  struct Shape {
    Entries<double> pattern;
    int32_t n;
  };
  const Shape shapes[] = {
      {laplacian(7, 6, 1), 42}, {laplacian(5, 5, 5), 125}, {random_spd<double>(90, 0.05, 3), 90}};
  for (const Shape& sh : shapes)
    for (int32_t variant = 0; variant < 3; ++variant)
      for (Ordering o : {Ordering::natural, Ordering::nested_dissection})
        for (int32_t width : {1, 5, 128}) {
          // 0: type 1; 1: type 11 with a matching and no scaling; 2: type 11 matched and scaled.
          const bool scale = variant == 2;
          const Unsymmetric u = make(sh.pattern, sh.n, variant > 0, 7);
          LuFactor f(u, o, width, scale);
          ASSERT_EQ(f.status, 0);
          for (bool transposed : {false, true})
            for (int32_t nb : {1, 3}) {
              const int32_t type = variant == 0 ? 1 : 11;
              std::vector<double> b = rhs(sh.n, nb), x;
              ASSERT_EQ(f.solve(type, transposed, nb, x, b), 0);
              for (int32_t j = 0; j < nb; ++j)
                EXPECT_LT(backward_error(sh.n, u.A_e, x.data() + j * sh.n, b.data() + j * sh.n, transposed),
                          1e-14)
                    << "n " << sh.n << " scale " << scale << " width " << width << " transposed "
                    << transposed << " nb " << nb;
              // Forward only then backward only equals the whole solve.
              std::vector<double> fw, bw;
              ASSERT_EQ(f.solve(type, transposed, nb, fw, b, 1), 0);
              ASSERT_EQ(f.solve(type, transposed, nb, bw, fw, 2), 0);
              for (size_t k = 0; k < x.size(); ++k) EXPECT_NEAR(bw[k], x[k], 1e-12 * (1 + std::abs(x[k])));
            }
        }
}

// A weak diagonal makes the blocks pivot; the solves still hold.
TEST(LuLoop, RowInterchangesInsideBlocks) {
  const Unsymmetric u = make(laplacian(6, 6, 1), 36, true, 5, 0.2);
  LuFactor f(u, Ordering::nested_dissection, 8, true);
  ASSERT_EQ(f.status, 0);
  int32_t swaps = 0;
  for (int32_t j = 1; j <= 36; ++j) swaps += f.pivot[j - 1] != j - f.sym.xsuper[f.sym.snode[j - 1] - 1] + 1;
  EXPECT_GT(swaps, 0);
  for (bool transposed : {false, true})
    for (int32_t nb : {1, 2}) {
      std::vector<double> b = rhs(36, nb), x;
      ASSERT_EQ(f.solve(11, transposed, nb, x, b), 0);
      for (int32_t j = 0; j < nb; ++j)
        EXPECT_LT(backward_error(36, u.A_e, x.data() + j * 36, b.data() + j * 36, transposed), 1e-13);
    }
}

}  // namespace
