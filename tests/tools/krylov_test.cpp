// The command's flexible GMRES: with an exact inverse it ends within two short cycles; with the
// inverse of a low-rank perturbation of A it reaches the working precision in a few times rank
// iterations, for real and complex matrices; a failing preconditioner stops it with the best
// iterate.
#include "krylov.h"

#include <gtest/gtest.h>

#include <complex>
#include <random>

#include "tool_test_support.h"

extern "C" void zgesv_(const int*, const int*, std::complex<double>*, const int*, int*, std::complex<double>*,
                       const int*, int*);

namespace varnexo::tools {
namespace {

// A random well-conditioned sparse matrix (diagonally weighted) in full rows.
Csr random_matrix(std::mt19937& rng, int32_t n, bool complex) {
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  Csr a;
  a.n = n;
  a.complex = complex;
  a.layout = Layout::full;
  a.ia.push_back(1);
  for (int32_t i = 0; i < n; ++i) {
    for (int32_t j = 0; j < n; ++j) {
      if (i != j && u(rng) < 0.5) continue;
      a.ja.push_back(j + 1);
      a.a.push_back(i == j ? 4.0 + u(rng) : u(rng));
      if (complex) a.a.push_back(u(rng));
    }
    a.ia.push_back(int32_t(a.ja.size()) + 1);
  }
  return a;
}

// z := M⁻¹·r with M the dense matrix d (column-major, n×n), by LAPACK.
bool dense_solve(int32_t n, std::vector<std::complex<double>> d, const double* r, double* z, bool complex) {
  std::vector<std::complex<double>> rhs(n);
  for (int32_t i = 0; i < n; ++i) rhs[i] = complex ? std::complex<double>(r[2 * i], r[2 * i + 1]) : r[i];
  std::vector<int> piv(n);
  int info = 0, one = 1, nn = n;
  zgesv_(&nn, &one, d.data(), &nn, piv.data(), rhs.data(), &nn, &info);
  for (int32_t i = 0; i < n; ++i) {
    if (complex)
      z[2 * i] = rhs[i].real(), z[2 * i + 1] = rhs[i].imag();
    else
      z[i] = rhs[i].real();
  }
  return info == 0;
}

class Gmres : public ::testing::TestWithParam<bool> {};

TEST_P(Gmres, LowRankPerturbedInverseConvergesInAFewTimesRankIterations) {
  const bool complex = GetParam();
  std::mt19937 rng(5);
  const int32_t n = 60, rank = 7;
  Csr a = random_matrix(rng, n, complex);
  const size_t w = a.width();
  std::vector<double> x(n * w, 0.0), b(n * w);
  for (size_t k = 0; k < b.size(); ++k) b[k] = 1.0 + double(k % 5);
  for (int32_t exact = 1; exact >= 0; --exact) {
    std::vector<std::complex<double>> m = testing::dense_of(a);
    // Inexact: `rank` diagonal entries changed a lot, as perturbed pivots change a factor.
    for (int32_t k = 0; !exact && k < rank; ++k) m[(3 * k) + size_t(3 * k) * n] *= 50.0;
    auto precondition = [&](const double* r, double* z) { return dense_solve(n, m, r, z, complex); };
    std::fill(x.begin(), x.end(), 0.0);
    KrylovSettings ks;
    ks.target = 1e-14;
    const KrylovOutcome k = fgmres(a, b.data(), x.data(), precondition, ks);
    EXPECT_TRUE(k.converged);
    EXPECT_LE(k.backward_error, 1e-14);
    EXPECT_LE(backward_error(a, false, b.data(), x.data(), 1), 1e-14);
    // Rounding may cost a second short cycle to reach the target.
    EXPECT_LE(k.iterations, exact ? 4 : 3 * (rank + 1)) << (exact ? "exact inverse" : "low-rank change");
  }
}

INSTANTIATE_TEST_SUITE_P(RealAndComplex, Gmres, ::testing::Bool());

TEST(GmresFailure, AFailingPreconditionerKeepsTheBestIterate) {
  std::mt19937 rng(9);
  Csr a = random_matrix(rng, 20, false);
  std::vector<double> b(20, 1.0), x(20, 0.0);
  auto fails = [](const double*, double*) { return false; };
  const KrylovOutcome k = fgmres(a, b.data(), x.data(), fails, KrylovSettings{});
  EXPECT_FALSE(k.converged);
  EXPECT_EQ(x, std::vector<double>(20, 0.0));
}

}  // namespace
}  // namespace varnexo::tools
