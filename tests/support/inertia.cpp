// Inertia of dense symmetric and Hermitian matrices by LAPACK's eigenvalues (dsyev, zheev).
#include "support/inertia.h"

#include <algorithm>
#include <cmath>

extern "C" {
void dsyev_(const char* jobz, const char* uplo, const int* n, double* a, const int* lda, double* w,
            double* work, const int* lwork, int* info, std::size_t, std::size_t);
void zheev_(const char* jobz, const char* uplo, const int* n, std::complex<double>* a, const int* lda,
            double* w, std::complex<double>* work, const int* lwork, double* rwork, int* info, std::size_t,
            std::size_t);
}

namespace testsupport {
namespace {

std::vector<double> eigenvalues(int n, std::vector<double>& a) {
  std::vector<double> w(std::max(1, n));
  int lwork = -1, info = 0;
  double query = 0;
  dsyev_("N", "L", &n, a.data(), &n, w.data(), &query, &lwork, &info, 1, 1);
  lwork = std::max(1, static_cast<int>(query));
  std::vector<double> work(lwork);
  dsyev_("N", "L", &n, a.data(), &n, w.data(), work.data(), &lwork, &info, 1, 1);
  w.resize(n);
  return w;
}

std::pair<int32_t, int32_t> count(const std::vector<double>& w, double tol) {
  int32_t pos = 0, neg = 0;
  for (double v : w) pos += v > tol, neg += v < -tol;
  return {pos, neg};
}

}  // namespace

std::pair<int32_t, int32_t> inertia(int32_t n, std::vector<double> a, double tol) {
  return count(eigenvalues(n, a), tol);
}

std::pair<int32_t, int32_t> inertia(int32_t n, std::vector<std::complex<double>> a, double tol) {
  std::vector<std::complex<double>> work(std::max(1, 2 * n));
  std::vector<double> w(std::max(1, n)), rwork(std::max(1, 3 * n));
  int lwork = static_cast<int>(work.size()), info = 0, nn = n;
  zheev_("N", "L", &nn, a.data(), &nn, w.data(), work.data(), &lwork, rwork.data(), &info, 1, 1);
  w.resize(n);
  return count(w, tol);
}

std::pair<int32_t, int32_t> inertia_relative(int32_t n, std::vector<double> a, double rel) {
  const std::vector<double> w = eigenvalues(n, a);
  const double big = w.empty() ? 0.0 : std::max(std::abs(w.front()), std::abs(w.back()));
  return count(w, n * rel * big);
}

}  // namespace testsupport
