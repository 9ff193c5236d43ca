// Small dense helpers for the tests of the diagonal-block kernels: random scalars, column-major
// matrices, products, the matrix rebuilt from a Bunch–Kaufman factor, and norms.
#pragma once
#include <algorithm>
#include <cmath>
#include <complex>
#include <random>
#include <vector>

#include "common/scalar.h"

namespace kernel_test {

template <class T>
using Dense = std::vector<T>;  // column-major n×n

template <class T>
T random_scalar(std::mt19937& rng) {
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  if constexpr (varnexo::is_complex_v<T>)
    return T(u(rng), u(rng));
  else
    return T(u(rng));
}

// Random symmetric (Hermitian when `hermitian`) n×n matrix, full storage.
template <class T>
Dense<T> random_symmetric(int n, std::mt19937& rng, bool hermitian = false) {
  Dense<T> a(n * n);
  for (int j = 0; j < n; ++j)
    for (int i = j; i < n; ++i) {
      T x = random_scalar<T>(rng);
      if (hermitian && i == j) x = T(std::real(x));
      a[i + j * n] = x;
      a[j + i * n] = hermitian ? varnexo::conj(x) : x;
    }
  return a;
}

template <class T>
Dense<T> multiply(int n, const Dense<T>& x, const Dense<T>& y) {
  Dense<T> z(n * n, T(0));
  for (int j = 0; j < n; ++j)
    for (int k = 0; k < n; ++k)
      for (int i = 0; i < n; ++i) z[i + j * n] += x[i + k * n] * y[k + j * n];
  return z;
}

template <class T>
double max_abs(const Dense<T>& x) {
  double m = 0;
  for (const T& v : x) m = std::max(m, double(std::abs(v)));
  return m;
}

template <class T>
double max_diff(const Dense<T>& x, const Dense<T>& y) {
  double m = 0;
  for (size_t i = 0; i < x.size(); ++i) m = std::max(m, double(std::abs(x[i] - y[i])));
  return m;
}

template <class T>
void swap_rows_and_columns(int n, Dense<T>& x, int p, int q) {  // 0-based
  if (p == q) return;
  for (int j = 0; j < n; ++j) std::swap(x[p + j * n], x[q + j * n]);
  for (int i = 0; i < n; ++i) std::swap(x[i + p * n], x[i + q * n]);
}

// The matrix P1·L1·P2·L2···D···L2ᵀ·P2ᵀ·L1ᵀ·P1ᵀ represented by a Bunch–Kaufman factor f (lower
// storage, 1-based ipiv); ᴴ instead of ᵀ when `hermitian`.
template <class T>
Dense<T> rebuild_ldlt(int n, const Dense<T>& f, const std::vector<int32_t>& ipiv, bool hermitian = false) {
  auto cj = [&](T x) { return hermitian ? varnexo::conj(x) : x; };
  std::vector<int> starts;
  Dense<T> x(n * n, T(0));
  for (int k = 0; k < n;) {
    starts.push_back(k);
    x[k + k * n] = f[k + k * n];
    if (ipiv[k] > 0) {
      ++k;
      continue;
    }
    x[k + 1 + k * n] = f[k + 1 + k * n];
    x[k + (k + 1) * n] = cj(f[k + 1 + k * n]);
    x[k + 1 + (k + 1) * n] = f[k + 1 + (k + 1) * n];
    k += 2;
  }
  for (auto s = starts.rbegin(); s != starts.rend(); ++s) {
    const int k = *s, width = ipiv[k] > 0 ? 1 : 2;
    Dense<T> l(n * n, T(0));
    for (int i = 0; i < n; ++i) l[i + i * n] = T(1);
    for (int c = k; c < k + width; ++c)
      for (int i = k + width; i < n; ++i) l[i + c * n] = f[i + c * n];
    Dense<T> lt(n * n);
    for (int j = 0; j < n; ++j)
      for (int i = 0; i < n; ++i) lt[i + j * n] = cj(l[j + i * n]);
    x = multiply(n, multiply(n, l, x), lt);
    const int kk = k + width - 1, kp = std::abs(ipiv[k]) - 1;
    swap_rows_and_columns(n, x, kk, kp);
  }
  return x;
}

}  // namespace kernel_test
