// Helpers of the end-to-end tests: problems from the shared collection and the generators,
// solved through the public call, judged by the normwise backward error.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "common/matrix_kind.h"
#include "generators.h"
#include "matrix_market.h"
#include "sparse.h"
#include "support/inertia.h"
#include "support/matrices.h"
#include "varnexo.h"

namespace varnexo::test {

// The compressed-row layout the public call takes for a matrix type, from the kind table.
inline tools::Layout layout_of(int32_t type) {
  const MatrixKind& k = kind_of(type);
  if (!k.symmetric_storage()) return tools::Layout::full;
  return k.hermitian() ? tools::Layout::upper_hermitian : tools::Layout::upper_symmetric;
}

// Reads a matrix of the test collection into the layout of a matrix type; a file that cannot be
// read fails the test with its path and the reason.
inline tools::Csr shared_matrix(const std::string& name, int32_t type) {
  tools::Coordinate coo;
  std::string error;
  EXPECT_TRUE(testsupport::read_matrix(name, coo));
  tools::Csr a;
  EXPECT_TRUE(tools::to_csr(coo, layout_of(type), kind_of(type).is_complex(), a, error)) << error;
  return a;
}

// A generated problem in the layout of its matrix type.
inline tools::Csr generated(const std::string& problem, int32_t* type = nullptr) {
  tools::Problem p;
  std::string error;
  EXPECT_TRUE(tools::generate(problem, p, error)) << error;
  const int32_t t = p.matrix_type;
  if (type) *type = t;
  tools::Csr a;
  EXPECT_TRUE(tools::to_csr(p.matrix, layout_of(t), kind_of(t).is_complex(), a, error)) << error;
  return a;
}

// Positive and negative eigenvalues of a real symmetric matrix in the upper layout, by LAPACK on
// the dense matrix (eigenvalues within n·1e-13·max|λ| of zero count as neither).
inline std::pair<int32_t, int32_t> dense_inertia(const tools::Csr& a) {
  const int n = a.n;
  std::vector<double> d((size_t)n * n, 0.0);
  for (int i = 0; i < n; ++i)
    for (int k = a.ia[i] - 1; k < a.ia[i + 1] - 1; ++k) {
      const int j = a.ja[k] - 1;
      d[i + (size_t)j * n] = d[j + (size_t)i * n] = a.a[k];
    }
  return testsupport::inertia_relative(n, std::move(d), 1e-13);
}

// One solver session on a handle: phases through the public call.
struct Session {
  void* handle[64] = {};
  int32_t iparam[64] = {};
  int32_t type, maxfct = 1, mnum = 1, nb = 1, msglvl = 0, error = 0;
  std::vector<int32_t> perm;

  explicit Session(int32_t t) : type(t) { varnexoinit_(handle, &type, iparam); }
  ~Session() {
    if (handle[1] == nullptr) return;
    int32_t phase = -1, n = 1, ia[2] = {1, 2}, ja[1] = {1};
    double a = 1, b = 0, x = 0;
    varnexo_(handle, &maxfct, &mnum, &type, &phase, &n, &a, ia, ja, nullptr, &nb, iparam, &msglvl, &b, &x,
             &error);
  }
  int32_t& ip(int k) { return iparam[k - 1]; }

  int32_t run(int32_t phase, tools::Csr& a, std::vector<double>& b, std::vector<double>& x) {
    perm.resize((size_t)a.n);
    varnexo_(handle, &maxfct, &mnum, &type, &phase, &a.n, a.a.data(), a.ia.data(), a.ja.data(), perm.data(),
             &nb, iparam, &msglvl, b.data(), x.data(), &error);
    return error;
  }
};

// b = A·(1, 2, 3, ...) style right-hand sides for nb columns.
inline std::vector<double> rhs_for(const tools::Csr& a, int32_t nb) {
  const size_t w = a.width();
  std::vector<double> xs((size_t)a.n * nb * w), b(xs.size());
  for (size_t k = 0; k < xs.size(); ++k) xs[k] = 1.0 + (double)(k % 7) / 7.0;
  tools::multiply(a, false, xs.data(), b.data(), nb);
  return b;
}

}  // namespace varnexo::test
