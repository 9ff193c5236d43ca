// Fuzz target for the Matrix Market reader and what the tools build from a file: the input is
// read as a matrix and as a block of right-hand sides under a small memory budget; a matrix that
// reads is compressed into every layout, multiplied, and compared with the one-triangle layouts.
// Beyond "no crash, no leak, no undefined behaviour" it checks that a refusal is one line naming
// the file, and that what is accepted is well formed.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "matrix_market.h"
#include "sparse.h"

using namespace varnexo::tools;

namespace {

// Declared sizes beyond this are refused, as a machine of this memory would refuse them.
constexpr uint64_t kBudget = uint64_t{16} << 20;
const char* const kName = "fuzz.mtx";

[[noreturn]] void broken(const std::string& what) {
  std::fprintf(stderr, "matrix_market_fuzzer: %s\n", what.c_str());
  std::abort();
}

void check_message(const std::string& error) {
  if (error.rfind(kName, 0) != 0 || error.find('\n') != std::string::npos)
    broken("a refusal that is not one line naming the file: " + error);
}

void check_coordinate(const Coordinate& c) {
  const size_t count = c.row.size();
  if (c.col.size() != count || c.val.size() != count * c.width())
    broken("triplet arrays of different lengths");
  for (size_t k = 0; k < count; ++k) {
    if (c.row[k] < 1 || c.row[k] > c.nrows || c.col[k] < 1 || c.col[k] > c.ncols)
      broken("index out of range");
    for (int t = 0; t < c.width(); ++t)
      if (!std::isfinite(c.val[k * c.width() + t])) broken("a value that is not finite");
  }
}

// Rows that start at 1, do not decrease, hold sorted unique columns in range, and (upper
// layouts) start with the diagonal and hold nothing below it.
void check_csr(const Csr& a, bool upper) {
  if (a.ia.size() != static_cast<size_t>(a.n) + 1 || a.ia[0] != 1) broken("bad row pointers");
  if (a.ja.size() != static_cast<size_t>(a.nnz()) || a.a.size() != a.ja.size() * a.width())
    broken("arrays do not match ia(n+1)");
  for (int32_t i = 1; i <= a.n; ++i) {
    if (a.ia[i] < a.ia[i - 1]) broken("decreasing row pointers");
    for (int32_t k = a.ia[i - 1] - 1; k < a.ia[i] - 1; ++k) {
      if (a.ja[k] < 1 || a.ja[k] > a.n) broken("column out of range");
      if (k > a.ia[i - 1] - 1 && a.ja[k] <= a.ja[k - 1]) broken("columns not increasing");
      if (upper && (a.ja[k] < i || (k == a.ia[i - 1] - 1 && a.ja[k] != i)))
        broken("upper row without its diagonal first");
    }
  }
}

void exercise_matrix(const Coordinate& c) {
  check_coordinate(c);
  if (c.nrows != c.ncols || c.nrows == 0) return;
  const bool complex_values = c.field == Field::complex;
  for (Layout layout :
       {Layout::full, Layout::full_symmetric_pattern, Layout::upper_symmetric, Layout::upper_hermitian}) {
    for (bool complex : {false, true}) {
      if (complex_values && !complex) continue;
      Csr a;
      std::string error;
      if (!to_csr(c, layout, complex, a, error)) continue;
      const bool upper = layout == Layout::upper_symmetric || layout == Layout::upper_hermitian;
      check_csr(a, upper);
      std::vector<double> x(static_cast<size_t>(a.n) * a.width(), 1.0), b(x.size());
      multiply(a, false, x.data(), b.data(), 1);
      const double berr = backward_error(a, false, b.data(), x.data(), 1);
      if (std::isfinite(norm_inf(a)) && !(berr <= 1e-12))
        broken("A·1 is not solved by 1: " + std::to_string(berr));
      const LayoutLoss loss = layout_loss(c, layout);
      if (!(loss.relative >= 0.0 && loss.relative <= 2.0)) broken("relative loss out of range");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  text.push_back('\0');  // a valid buffer also for an empty input
  std::FILE* f = fmemopen(text.data(), size, "rb");
  if (!f) return 0;
  std::string error, warning;
  Coordinate c;
  if (read_coordinate(f, kName, c, error, {kBudget, &warning})) {
    if (!warning.empty()) check_message(warning);
    exercise_matrix(c);
  } else {
    check_message(error);
  }
  std::rewind(f);
  Dense d;
  if (read_dense(f, kName, d, error, {kBudget, &warning})) {
    if (d.val.size() != static_cast<size_t>(d.nrows) * d.ncols * (d.complex ? 2 : 1))
      broken("dense block of the wrong size");
  } else {
    check_message(error);
  }
  std::fclose(f);
  return 0;
}
