// The matrices of tests/data/matrices as the tests take them: read with the tools' Matrix Market
// reader, then converted to entries, compressed rows or patterns.
#include "support/matrices.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "matrix_market.h"

namespace testsupport {

using varnexo::tools::Coordinate;
using varnexo::tools::Field;
using varnexo::tools::Symmetry;

std::string matrix_path(const std::string& name) {
  return std::string(VARNEXO_MATRICES_DIR) + "/" + name + ".mtx";
}

::testing::AssertionResult read_matrix(const std::string& name, Coordinate& out) {
  std::string error;
  if (!varnexo::tools::read_coordinate(matrix_path(name), out, error, {.expand_skew = true}))
    return ::testing::AssertionFailure() << "matrix '" << name << "' of the test collection: " << error;
  if (out.nrows != out.ncols || out.nrows <= 0)
    return ::testing::AssertionFailure() << "matrix '" << name << "' is not square";
  return ::testing::AssertionSuccess();
}

void upper_entries(const Coordinate& coo, Entries<double>* real, Entries<std::complex<double>>* complex) {
  const bool is_complex = coo.field == Field::complex;
  for (int64_t k = 0; k < coo.entries(); ++k) {
    int32_t i = coo.row[k], j = coo.col[k];
    std::complex<double> v(coo.val[coo.width() * k], is_complex ? coo.val[2 * k + 1] : 0.0);
    if (i > j) {
      std::swap(i, j);
      if (coo.symmetry == Symmetry::hermitian) v = std::conj(v);
    }
    if (is_complex && complex) (*complex)[{i, j}] = v;
    if (!is_complex && real) (*real)[{i, j}] = v.real();
  }
}

bool shared_upper(const std::string& name, int32_t* n, Entries<double>* real,
                  Entries<std::complex<double>>* complex) {
  Coordinate coo;
  *n = 0;
  const ::testing::AssertionResult read = read_matrix(name, coo);
  if (!read) {
    ADD_FAILURE() << read.message();
    return false;
  }
  *n = coo.nrows;
  upper_entries(coo, real, complex);
  return true;
}

Csr<double> full_moduli_0based(const Coordinate& coo) {
  const bool mirror = coo.symmetry != Symmetry::general;
  std::vector<int32_t> ri, ci;
  std::vector<double> vals;
  for (int64_t k = 0; k < coo.entries(); ++k) {
    const int32_t i = coo.row[k] - 1, j = coo.col[k] - 1;
    const double v =
        coo.field == Field::complex ? std::hypot(coo.val[2 * k], coo.val[2 * k + 1]) : coo.val[k];
    ri.push_back(i), ci.push_back(j), vals.push_back(v);
    if (mirror && i != j) ri.push_back(j), ci.push_back(i), vals.push_back(v);
  }
  Csr<double> m;
  m.n = coo.nrows;
  m.ia.assign(m.n + 1, 0);
  for (int32_t r : ri) ++m.ia[r + 1];
  for (int32_t i = 0; i < m.n; ++i) m.ia[i + 1] += m.ia[i];
  m.ja.resize(ri.size());
  m.a.resize(ri.size());
  std::vector<int32_t> next(m.ia.begin(), m.ia.end() - 1);
  for (size_t k = 0; k < ri.size(); ++k) {
    m.ja[next[ri[k]]] = ci[k];
    m.a[next[ri[k]]++] = vals[k];
  }
  return m;
}

std::vector<std::vector<int32_t>> full_pattern(const Coordinate& coo) {
  std::vector<std::set<int32_t>> rows(coo.nrows);
  for (int64_t k = 0; k < coo.entries(); ++k) {
    const int32_t i = coo.row[k] - 1, j = coo.col[k] - 1;
    rows[i].insert(j);
    if (coo.symmetry != Symmetry::general) rows[j].insert(i);
  }
  std::vector<std::vector<int32_t>> out(coo.nrows);
  for (int32_t i = 0; i < coo.nrows; ++i) out[i].assign(rows[i].begin(), rows[i].end());
  return out;
}

}  // namespace testsupport
