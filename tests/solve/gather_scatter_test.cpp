// Gather and scatter of the right-hand sides: permutation, scaling of the symmetric and
// unsymmetric types, the row mapping in the plain and transposed directions, the part selector,
// and a scatter in blocks of any work size.
#include <gtest/gtest.h>

#include <numeric>
#include <random>

#include "solve/sweeps.h"

namespace {

using varnexo::solve::Mapping;

struct MappingCase {
  int32_t n = 7;
  std::vector<int32_t> perm, q;
  std::vector<double> s;
  MappingCase() {
    std::mt19937 g(4);
    perm.resize(n);
    q.resize(n);
    std::iota(perm.begin(), perm.end(), 1);
    std::iota(q.begin(), q.end(), 1);
    std::shuffle(perm.begin(), perm.end(), g);
    std::shuffle(q.begin(), q.end(), g);
    std::uniform_real_distribution<double> d(0.5, 2.0);
    s.resize(2 * n);
    for (double& v : s) v = d(g);
  }
  Mapping map(bool scaled, bool unsym, bool transposed, int32_t part = 0) const {
    Mapping m;
    m.n = n;
    m.perm = perm.data();
    m.row_map = q.data();
    m.scaling = s.data();
    m.scaled = scaled;
    m.unsymmetric = unsym;
    m.transposed = transposed;
    m.part = part;
    return m;
  }
};

TEST(GatherScatter, RulesOfEachCase) {
  const MappingCase st;
  const int32_t n = st.n, nb = 2;
  std::vector<double> b(n * nb);
  std::iota(b.begin(), b.end(), 1.0);
  for (bool scaled : {false, true})
    for (bool unsym : {false, true})
      for (bool transposed : {false, true}) {
        const Mapping m = st.map(scaled, unsym, transposed);
        std::vector<double> x(n * nb);
        varnexo::solve::gather_rhs(m, nb, b.data(), x.data());
        for (int32_t j = 0; j < nb; ++j)
          for (int32_t i = 0; i < n; ++i) {
            const int32_t p = st.perm[i];
            double expect = b[j * n + p - 1];
            if (unsym && !transposed) {
              const int32_t r = st.q[p - 1];
              expect = (scaled ? st.s[n + r - 1] : 1.0) * b[j * n + r - 1];
            } else if (scaled) {
              expect = st.s[p - 1] * b[j * n + p - 1];
            }
            EXPECT_EQ(x[j * n + i], expect);
          }
        // Scatter in x (through W of every size) and into b give the same solution.
        std::vector<double> into_b(n * nb, 0.0), x2 = x;
        varnexo::solve::scatter_rhs(m, nb, x2.data(), into_b.data(), true, static_cast<double*>(nullptr), 0);
        for (int64_t wsize : {int64_t(0), int64_t(n), int64_t(n * nb)}) {
          std::vector<double> xs = x, W(std::max<int64_t>(1, wsize));
          varnexo::solve::scatter_rhs(m, nb, xs.data(), static_cast<double*>(nullptr), false, W.data(),
                                      wsize);
          EXPECT_EQ(xs, into_b);
        }
        const bool via_rows = unsym && transposed;
        for (int32_t j = 0; j < nb; ++j)
          for (int32_t i = 0; i < n; ++i) {
            const int32_t p = st.perm[i];
            const int32_t dest = via_rows ? st.q[p - 1] : p;
            const double sigma = !scaled ? 1.0 : via_rows ? st.s[n + dest - 1] : st.s[dest - 1];
            EXPECT_EQ(into_b[j * n + dest - 1], sigma * x[j * n + i]);
          }
      }
}

TEST(GatherScatter, PartSelectors) {
  const MappingCase st;
  const int32_t n = st.n;
  std::vector<double> b(n), x(n), out(n, -1.0);
  std::iota(b.begin(), b.end(), 3.0);
  // Backward only: the vector is taken as it is.
  varnexo::solve::gather_rhs(st.map(true, false, false, 2), 1, b.data(), x.data());
  EXPECT_EQ(x, b);
  // Forward only: no permutation back; into b copies x unchanged, otherwise x stays.
  std::vector<double> y = b;
  varnexo::solve::scatter_rhs(st.map(true, false, false, 1), 1, y.data(), out.data(), true,
                              static_cast<double*>(nullptr), 0);
  EXPECT_EQ(out, b);
  varnexo::solve::scatter_rhs(st.map(true, false, false, 1), 1, y.data(), static_cast<double*>(nullptr),
                              false, static_cast<double*>(nullptr), 0);
  EXPECT_EQ(y, b);
}

}  // namespace
