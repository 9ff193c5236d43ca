// A small Matrix Market coordinate reader for the matching tests: real or complex (modulus
// taken), general/symmetric/skew-symmetric/hermitian (expanded to the full pattern), returned
// as 0-based compressed rows with entries of each row in file order.
#pragma once
#include <cmath>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace matching_test {

struct Csr {
  int32_t n = 0;
  std::vector<int32_t> ia, ja;
  std::vector<double> a;
};

inline bool read_matrix_market(const std::string& path, Csr& m) {
  std::ifstream in(path);
  std::string line;
  if (!std::getline(in, line)) return false;
  const bool complex = line.find("complex") != std::string::npos;
  const bool mirror = line.find("general") == std::string::npos;
  const bool skew = line.find("skew") != std::string::npos;
  while (std::getline(in, line) && (line.empty() || line[0] == '%')) {
  }
  std::istringstream head(line);
  int64_t rows = 0, cols = 0, nnz = 0;
  head >> rows >> cols >> nnz;
  if (rows != cols || rows <= 0) return false;
  std::vector<int32_t> ri, ci;
  std::vector<double> vals;
  for (int64_t k = 0; k < nnz; ++k) {
    int64_t i, j;
    double re, im = 0.0;
    in >> i >> j >> re;
    if (complex) in >> im;
    if (!in) return false;
    const double v = complex ? std::hypot(re, im) : re;
    ri.push_back(int32_t(i - 1)), ci.push_back(int32_t(j - 1)), vals.push_back(v);
    if (mirror && i != j)
      ri.push_back(int32_t(j - 1)), ci.push_back(int32_t(i - 1)), vals.push_back(skew ? -v : v);
  }
  m.n = int32_t(rows);
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
  return true;
}

}  // namespace matching_test
