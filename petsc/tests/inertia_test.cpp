// MatGetInertia of Cholesky factors against the signs of the eigenvalues LAPACK computes for the
// same matrix held dense: symmetric (Hermitian) indefinite and positive definite matrices, from
// AIJ and SBAIJ storage; types without an inertia refuse the query.
#include <complex>

#include "support.h"

extern "C" {
void dsyev_(const char* jobz, const char* uplo, const int* n, double* a, const int* lda, double* w,
            double* work, const int* lwork, int* info, size_t, size_t);
void zheev_(const char* jobz, const char* uplo, const int* n, std::complex<double>* a, const int* lda,
            double* w, std::complex<double>* work, const int* lwork, double* rwork, int* info, size_t,
            size_t);
}

namespace varnexo_petsc_test {
namespace {

// Eigenvalues of the problem's matrix, from LAPACK on a dense copy.
std::vector<double> eigenvalues(const Problem& p) {
  const int n = static_cast<int>(p.n), lwork = 8 * n;
  std::vector<double> w(n);
  int info = 0;
#if defined(PETSC_USE_COMPLEX)
  std::vector<std::complex<double>> a(static_cast<size_t>(n) * n), work(lwork);
  std::vector<double> rwork(3 * n);
  for (size_t k = 0; k < p.val.size(); ++k) a[p.row[k] + p.col[k] * n] = p.val[k];
  zheev_("N", "U", &n, a.data(), &n, w.data(), work.data(), &lwork, rwork.data(), &info, 1, 1);
#else
  std::vector<double> a(static_cast<size_t>(n) * n), work(lwork);
  for (size_t k = 0; k < p.val.size(); ++k) a[p.row[k] + p.col[k] * n] = p.val[k];
  dsyev_("N", "U", &n, a.data(), &n, w.data(), work.data(), &lwork, &info, 1, 1);
#endif
  EXPECT_EQ(info, 0);
  return w;
}

struct InertiaCase {
  const char* name;
  Problem (*make)();
  Storage storage;
  bool spd;
  friend void PrintTo(const InertiaCase& c, std::ostream* os) { *os << c.name; }
};

#if defined(PETSC_USE_COMPLEX)
Problem hermitian_pd() { return hermitian3d(6, 0.0); }
#else
Problem shifted() { return shifted2d(20, 1.3); }
Problem saddle() { return kkt(12); }
Problem laplace() { return laplace3d(6); }
#endif

class Inertia : public testing::TestWithParam<InertiaCase> {};

TEST_P(Inertia, SignsOfTheEigenvalues) {
  const InertiaCase& c = GetParam();
  const Problem p = c.make();
  const std::vector<double> w = eigenvalues(p);
  PetscInt expect_neg = 0, expect_pos = 0;
  for (double v : w) {
    ASSERT_GT(std::abs(v), 1e-6) << "the test matrix must be far from singular";
    (v < 0 ? expect_neg : expect_pos) += 1;
  }
  Mat A, F;
  PETSC_OK(build(p, c.storage, &A));
  PETSC_OK(MatSetOption(A, kComplex ? MAT_HERMITIAN : MAT_SYMMETRIC, PETSC_TRUE));
  if (c.spd) {
    PETSC_OK(MatSetOption(A, MAT_SPD, PETSC_TRUE));
  }
  PETSC_OK(factor(A, MATSOLVERVARNEXO, MAT_FACTOR_CHOLESKY, &F));
  PetscInt neg, zero, pos;
  PETSC_OK(MatGetInertia(F, &neg, &zero, &pos));
  EXPECT_EQ(neg, expect_neg);
  EXPECT_EQ(zero, 0);
  EXPECT_EQ(pos, expect_pos);
  PETSC_OK(MatDestroy(&F));
  PETSC_OK(MatDestroy(&A));
}

INSTANTIATE_TEST_SUITE_P(Matrices, Inertia,
                         testing::Values(
#if defined(PETSC_USE_COMPLEX)
                             InertiaCase{"hermitian_pd_aij", hermitian_pd, Storage::aij, true},
                             InertiaCase{"hermitian_pd_sbaij", hermitian_pd, Storage::sbaij, true}
#else
                             InertiaCase{"shifted_aij", shifted, Storage::aij, false},
                             InertiaCase{"shifted_sbaij", shifted, Storage::sbaij, false},
                             InertiaCase{"saddle_point_aij", saddle, Storage::aij, false},
                             InertiaCase{"spd", laplace, Storage::sbaij, true}
#endif
                             ),
                         [](const auto& info) { return std::string(info.param.name); });

// LU factors have no inertia to report, nor do the complex symmetric and Hermitian indefinite
// factors, whose kernels count none.
TEST(InertiaRefused, WhereTheTypeGivesNone) {
  Mat A, F;
  PETSC_OK(build(laplace3d(4), Storage::aij, &A));
  PETSC_OK(factor(A, MATSOLVERVARNEXO, MAT_FACTOR_LU, &F));
  PetscInt neg, zero, pos;
  EXPECT_NE(quietly([&] { return MatGetInertia(F, &neg, &zero, &pos); }), 0);
  PETSC_OK(MatDestroy(&F));
  if (kComplex) {
    for (MatOption flag : {MAT_SYMMETRIC, MAT_HERMITIAN}) {
      PETSC_OK(MatSetOption(A, flag, PETSC_TRUE));
      PETSC_OK(factor(A, MATSOLVERVARNEXO, MAT_FACTOR_CHOLESKY, &F));
      EXPECT_NE(quietly([&] { return MatGetInertia(F, &neg, &zero, &pos); }), 0);
      PETSC_OK(MatDestroy(&F));
    }
  }
  PETSC_OK(MatDestroy(&A));
}

}  // namespace
}  // namespace varnexo_petsc_test
