// The one compressed-row type of the tests and the entry map they build matrices from.
#pragma once
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace testsupport {

// 1-based compressed rows: ia(1..n+1), ja, a (complex values as T = std::complex<double>, or as
// pairs of doubles in a Csr<double> handed to the public call). The matching tests hold 0-based
// rows in it, as the matching takes them.
template <class T = double>
struct Csr {
  int32_t n = 0;
  std::vector<int32_t> ia, ja;
  std::vector<T> a;
  int64_t nnz() const { return ia.empty() ? 0 : ia[n] - ia[0]; }
};

// A matrix as an entry map (1-based (row, col) -> value).
template <class T>
using Entries = std::map<std::pair<int32_t, int32_t>, T>;

}  // namespace testsupport
