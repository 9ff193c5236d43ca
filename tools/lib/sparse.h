// Sparse matrices as the tools hold them before the library sees them (input stage): coordinate
// triplets read from a file or generated, and the 1-based compressed rows the library takes, with
// the products and norms the command and the benchmark use to judge a solution.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace varnexo::tools {

enum class Field { real, complex };
enum class Symmetry { general, symmetric, hermitian };

// Coordinate triplets, 1-based. A symmetric or Hermitian matrix keeps one triangle (either one,
// or a mix: entry (i,j) stands for (j,i) too). Values: one double per entry, or (re, im) pairs.
struct Coordinate {
  int32_t nrows = 0;
  int32_t ncols = 0;
  Field field = Field::real;
  Symmetry symmetry = Symmetry::general;
  std::vector<int32_t> row;
  std::vector<int32_t> col;
  std::vector<double> val;

  int64_t entries() const { return static_cast<int64_t>(row.size()); }
  int width() const { return field == Field::complex ? 2 : 1; }
};

// Layouts of compressed rows the library takes: whole rows (unsymmetric types), whole rows on a
// symmetric pattern with every diagonal entry (structurally symmetric types; to_csr builds it and
// records the result as `full`), or the upper triangle with the diagonal first in each row
// (symmetric and Hermitian types).
enum class Layout { full, full_symmetric_pattern, upper_symmetric, upper_hermitian };

// 1-based compressed sparse rows: ia(1..n+1), ja, a; columns sorted and unique in each row.
struct Csr {
  int32_t n = 0;
  bool complex = false;
  Layout layout = Layout::full;
  std::vector<int32_t> ia;
  std::vector<int32_t> ja;
  std::vector<double> a;

  int64_t nnz() const { return ia.empty() ? 0 : static_cast<int64_t>(ia.back()) - 1; }
  int width() const { return complex ? 2 : 1; }
};

// Dense column-major block (right-hand sides, solutions): nrows x ncols, pairs when complex.
struct Dense {
  int32_t nrows = 0;
  int32_t ncols = 0;
  bool complex = false;
  std::vector<double> val;
};

// Builds compressed rows of a square coordinate matrix in `layout`. Duplicates are summed; a file
// triangle is folded into the upper triangle (conjugated for Hermitian input) or mirrored into full
// rows; a general input keeps only its upper triangle for the upper layouts. The upper layouts and
// the symmetric-pattern layout store a missing diagonal entry as an explicit zero, and the
// symmetric-pattern layout stores the mirror (j,i) of every entry (i,j) too, zero when absent. Real input
// becomes complex with zero imaginary parts when `complex` is set. Returns false with `error` set when the
// matrix is not square, is complex but `complex` is not set, or has more than 2^31-1 entries.
bool to_csr(const Coordinate& coo, Layout layout, bool complex, Csr& out, std::string& error);

// The stored entries of `a` as triplets: full rows as a general matrix, the upper layouts as the
// lower triangle (the Matrix Market convention) of a symmetric or Hermitian matrix.
Coordinate to_coordinate(const Csr& a);

// y := op(A)·x for `nrhs` columns of length n (pairs when complex); op is A or Aᵀ (no conjugation).
void multiply(const Csr& a, bool transpose, const double* x, double* y, int32_t nrhs);

// Infinity norm of A (largest row sum of moduli) of the whole matrix the layout stands for.
double norm_inf(const Csr& a);

// Largest over the columns of ‖b − op(A)·x‖∞ / (‖A‖∞·‖x‖∞ + ‖b‖∞), 0 for b = x = 0; NaN when a
// solution holds NaN or Inf. Products that overflow for finite data are recomputed on scaled
// copies.
double backward_error(const Csr& a, bool transpose, const double* b, const double* x, int32_t nrhs);

// What a layout that keeps one triangle (the symmetric and Hermitian types) loses of a matrix
// whose file stores something else: a general matrix, or complex values with the other kind of
// symmetry. The layout replaces each strict lower entry (r, c) by the mirror of (c, r),
// conjugated for the Hermitian layout, which also keeps only the real part of the diagonal.
// `relative` is the largest |file − kept| / max(|file|, |mirror|) over those positions, 0 when
// the layout holds the file's matrix exactly or the file's strict lower triangle is zero (an
// upper-triangle file); `row`, `col`, `file`, `kept` (re, im) describe where it is reached.
struct LayoutLoss {
  double relative = 0.0;
  int32_t row = 0, col = 0;
  double file[2] = {0.0, 0.0};
  double kept[2] = {0.0, 0.0};
};
LayoutLoss layout_loss(const Coordinate& coo, Layout layout);

}  // namespace varnexo::tools
