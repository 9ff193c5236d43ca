// Helpers for the tests of the public call: a caller's view of the handle, the parameter array
// and a small matrix in the 1-based compressed-row form of the library.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/csr.h"
#include "varnexo.h"

namespace varnexo::test {

using Csr = testsupport::Csr<double>;  // complex values as pairs

// The upper triangle of the 1D Laplacian tridiag(-1, 2, -1), diagonal first in each row.
inline Csr laplace1d_upper(int32_t n) {
  Csr m;
  m.n = n;
  m.ia.push_back(1);
  for (int32_t i = 1; i <= n; ++i) {
    m.ja.push_back(i);
    m.a.push_back(2.0);
    if (i < n) {
      m.ja.push_back(i + 1);
      m.a.push_back(-1.0);
    }
    m.ia.push_back((int32_t)m.ja.size() + 1);
  }
  return m;
}

// A diagonal matrix with the given values (one entry per row on the diagonal).
inline Csr diagonal(const std::vector<double>& d, int32_t values_per_entry = 1) {
  Csr m;
  m.n = (int32_t)d.size() / values_per_entry;
  for (int32_t i = 1; i <= m.n + 1; ++i) m.ia.push_back(i);
  for (int32_t i = 1; i <= m.n; ++i) m.ja.push_back(i);
  m.a = d;
  return m;
}

// One caller of the library: a handle, iparam and the arguments of varnexo_.
struct Caller {
  void* handle[64] = {};
  int32_t iparam[64] = {};
  int32_t max_fac_store = 1, matrix_number = 1, type = 2, msglvl = 0, nb = 1, error = 0;
  std::vector<int32_t> perm;
  std::vector<double> b, x;

  explicit Caller(int32_t matrix_type) : type(matrix_type) { varnexoinit_(handle, &type, iparam); }
  ~Caller() { release(); }

  int32_t& ip(int k) { return iparam[k - 1]; }

  int32_t call(int32_t phase, Csr& m) {
    const size_t w = (type >= -2 && type <= 2) || type == 11 ? 1 : 2;  // no magnitude: type may be INT32_MIN
    const size_t len = (size_t)std::max(m.n, 1) * (size_t)std::max(nb, 1) * w;
    if (b.size() < len) b.resize(len, 1.0);
    if (x.size() < len) x.resize(len, 0.0);
    if (perm.size() < (size_t)std::max(m.n, 1)) perm.resize((size_t)std::max(m.n, 1), 0);
    varnexo_(handle, &max_fac_store, &matrix_number, &type, &phase, &m.n, m.a.data(), m.ia.data(),
             m.ja.data(), perm.data(), &nb, iparam, &msglvl, b.data(), x.data(), &error);
    return error;
  }

  void release() {
    if (handle[0] == nullptr && handle[1] == nullptr) return;
    Csr empty = diagonal({1.0});
    int32_t phase = -1, quiet = 0, one = 1;
    int32_t e = 0;
    double v = 0;
    varnexo_(handle, &one, &one, &type, &phase, &empty.n, empty.a.data(), empty.ia.data(), empty.ja.data(),
             perm.empty() ? nullptr : perm.data(), &one, iparam, &quiet, &v, &v, &e);
  }
};

// Runs f with standard error (or output) captured and returns what it printed.
template <class F>
std::string captured_stderr(F&& f) {
  testing::internal::CaptureStderr();
  f();
  return testing::internal::GetCapturedStderr();
}
template <class F>
std::string captured_stdout(F&& f) {
  testing::internal::CaptureStdout();
  f();
  return testing::internal::GetCapturedStdout();
}

}  // namespace varnexo::test
