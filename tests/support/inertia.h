// The one inertia helper of the tests: the numbers of positive and negative eigenvalues of a dense
// real symmetric or complex Hermitian matrix, computed by LAPACK.
#pragma once
#include <complex>
#include <cstdint>
#include <utility>
#include <vector>

namespace testsupport {

// (positive, negative) eigenvalues of the n×n column-major matrix `a` (its lower triangle is
// read); eigenvalues within `tol` of zero count as neither.
std::pair<int32_t, int32_t> inertia(int32_t n, std::vector<double> a, double tol = 0.0);
std::pair<int32_t, int32_t> inertia(int32_t n, std::vector<std::complex<double>> a, double tol = 0.0);

// The same with a tolerance relative to the spectrum: n·rel·max|λ|.
std::pair<int32_t, int32_t> inertia_relative(int32_t n, std::vector<double> a, double rel);

}  // namespace testsupport
