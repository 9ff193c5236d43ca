// Products and residuals with the caller's matrix against a dense product, for every storage
// form and the transposed switch, real and complex; and the largest off-diagonal modulus.
#include "solve/residual.h"

#include <gtest/gtest.h>

#include "solve/solve_entries.h"
#include "support/problems.h"

using namespace testnum;
using varnexo::solve::Storage;

namespace {

template <class T>
T value(std::mt19937& g) {
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  if constexpr (varnexo::is_complex_v<T>)
    return T(u(g), u(g));
  else
    return u(g);
}

// A random matrix in the given storage (stored entries) and its full entries.
template <class T>
void random_matrix(int32_t n, Storage st, Csr<T>* stored, Entries<T>* full, uint32_t seed) {
  std::mt19937 g(seed);
  std::uniform_real_distribution<double> p(0.0, 1.0);
  Entries<T> e;
  for (int32_t i = 1; i <= n; ++i)
    for (int32_t j = st == Storage::full ? 1 : i; j <= n; ++j)
      if (i == j || p(g) < 0.2) e[{i, j}] = value<T>(g);
  if (st == Storage::hermitian)
    for (int32_t i = 1; i <= n; ++i) e[{i, i}] = T(std::real(e[{i, i}]));
  *stored = to_csr(n, e, true);
  *full = st == Storage::full ? e : mirror(e, st == Storage::hermitian);
}

template <class T>
class Residual : public ::testing::Test {};
using Scalars = ::testing::Types<double, dcomplex>;
TYPED_TEST_SUITE(Residual, Scalars);

TYPED_TEST(Residual, ProductsMatchDense) {
  using T = TypeParam;
  const int32_t n = 23, nb = 3;
  std::vector<Storage> forms = {Storage::full, Storage::symmetric};
  if (varnexo::is_complex_v<T>) forms.push_back(Storage::hermitian);
  for (Storage st : forms)
    for (bool transposed : {false, true}) {
      Csr<T> A;
      Entries<T> full;
      random_matrix(n, st, &A, &full, 3);
      std::mt19937 g(5);
      std::vector<T> x(n * nb), b(n * nb), y(n * nb), r(n * nb), buf(nb);
      for (T& v : x) v = value<T>(g);
      for (T& v : b) v = value<T>(g);
      varnexo::solve::amuxy(transposed, n, nb, st, A.ia.data(), A.ja.data(), A.a.data(), x.data(), y.data(),
                            buf.data());
      const double norm = varnexo::solve::amuxy_res(transposed, n, nb, st, A.ia.data(), A.ja.data(),
                                                    A.a.data(), x.data(), r.data(), b.data(), buf.data());
      // The symmetric forms ignore the transposed switch.
      const bool t = transposed && st == Storage::full;
      std::vector<T> ref(n * nb, T(0));
      for (const auto& [ij, v] : full)
        for (int32_t j = 0; j < nb; ++j) {
          const int32_t row = t ? ij.second : ij.first, col = t ? ij.first : ij.second;
          ref[j * n + row - 1] += v * x[j * n + col - 1];
        }
      double refnorm = 0;
      for (int32_t k = 0; k < n * nb; ++k) {
        EXPECT_NEAR(std::abs(y[k] - ref[k]), 0.0, 1e-14);
        EXPECT_NEAR(std::abs(r[k] - (b[k] - ref[k])), 0.0, 1e-14);
        refnorm += std::abs(b[k] - ref[k]);
      }
      EXPECT_NEAR(norm, refnorm, 1e-12);
      // One call for three right-hand sides equals three calls; the norm is their sum.
      double sum = 0;
      for (int32_t j = 0; j < nb; ++j) {
        std::vector<T> rj(n), b1(b.begin() + j * n, b.begin() + (j + 1) * n),
            x1(x.begin() + j * n, x.begin() + (j + 1) * n);
        sum += varnexo::solve::amuxy_res(transposed, n, 1, st, A.ia.data(), A.ja.data(), A.a.data(),
                                         x1.data(), rj.data(), b1.data(), buf.data());
        for (int32_t i = 0; i < n; ++i) EXPECT_EQ(rj[i], r[j * n + i]);
      }
      EXPECT_NEAR(sum, norm, 1e-12);
    }
}

// A symmetric matrix in one-triangle storage and in full storage gives the same product.
TYPED_TEST(Residual, SymmetricAndFullStorageAgree) {
  using T = TypeParam;
  const int32_t n = 17;
  Csr<T> S;
  Entries<T> full;
  random_matrix(n, Storage::symmetric, &S, &full, 9);
  const Csr<T> F = to_csr(n, full, false);
  std::mt19937 g(1);
  std::vector<T> x(n), y1(n), y2(n), buf(1);
  for (T& v : x) v = value<T>(g);
  varnexo::solve::amuxy(false, n, 1, Storage::symmetric, S.ia.data(), S.ja.data(), S.a.data(), x.data(),
                        y1.data(), buf.data());
  varnexo::solve::amuxy(false, n, 1, Storage::full, F.ia.data(), F.ja.data(), F.a.data(), x.data(), y2.data(),
                        buf.data());
  for (int32_t i = 0; i < n; ++i) EXPECT_NEAR(std::abs(y1[i] - y2[i]), 0.0, 1e-14);
}

TEST(ResidualEntries, TypeCodesAndMaxnorm) {
  // Type 4 mirrors with the conjugate, type 6 as stored: a real vector shows the difference.
  const std::vector<int32_t> ia = {1, 3, 4}, ja = {1, 2, 2};
  const std::vector<dcomplex> a = {2.0, dcomplex(0, 1), 3.0};
  const std::vector<dcomplex> x = {1.0, 1.0}, b = {0.0, 0.0};
  std::vector<dcomplex> r(2), buf(1), work(2);
  const int32_t zero = 0, n = 2, one = 1, procs[2] = {1, 0};
  double norm = 0;
  for (int32_t type : {4, 6}) {
    c_amuxy_res_varnexo_(&zero, &n, &one, &type, procs, ia.data(), ja.data(), a.data(), x.data(), r.data(),
                         buf.data(), b.data(), work.data(), &norm);
    EXPECT_EQ(r[0], -dcomplex(2, 1));
    EXPECT_EQ(r[1], type == 4 ? -dcomplex(3, -1) : -dcomplex(3, 1));
    EXPECT_DOUBLE_EQ(norm, std::sqrt(5.0) + std::sqrt(10.0));
  }
  // Real full storage, transposed switch: y = Aᵀx.
  const std::vector<int32_t> fia = {1, 3, 4}, fja = {1, 2, 1};
  const std::vector<double> fa = {1.0, 5.0, 7.0}, fx = {1.0, 2.0};
  std::vector<double> y(2), rb(1);
  const int32_t type11 = 11;
  amuxy_varnexo_(&one, &n, &one, &type11, procs, fia.data(), fja.data(), fa.data(), fx.data(), y.data(),
                 rb.data());
  EXPECT_EQ(y[0], 1.0 + 14.0);
  EXPECT_EQ(y[1], 5.0);
  double m = -1;
  maxnorm_a_(&n, &zero, fia.data(), fja.data(), fa.data(), &m);
  EXPECT_EQ(m, 7.0);
  c_maxnorm_a_(&n, &zero, ia.data(), ja.data(), a.data(), &m);
  EXPECT_EQ(m, 1.0);
  const std::vector<int32_t> dia = {1, 2, 3}, dja = {1, 2};
  maxnorm_a_(&n, &zero, dia.data(), dja.data(), fa.data(), &m);
  EXPECT_EQ(m, 0.0);
}

}  // namespace
