// Coordinate to compressed rows, and back; products, norms and the backward error of a solution.
// Input stage of the tools: what is built here is what the command hands to the library.
#include "sparse.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>

namespace varnexo::tools {
namespace {

// One stored entry of the source as it lands in the target layout: (i, j, re, im); `keep` false
// for entries the layout drops (the strict lower triangle of a general matrix).
struct Placed {
  int32_t i, j;
  double re, im;
  bool keep;
};

Placed place(const Coordinate& coo, int64_t k, bool upper) {
  Placed p{coo.row[k], coo.col[k], coo.val[k * coo.width()], 0.0, true};
  if (coo.field == Field::complex) p.im = coo.val[k * 2 + 1];
  if (!upper || p.i <= p.j) return p;
  if (coo.symmetry == Symmetry::general) {
    p.keep = false;
    return p;
  }
  std::swap(p.i, p.j);
  if (coo.symmetry == Symmetry::hermitian) p.im = -p.im;
  return p;
}

// Entries of the source in the target layout, mirrored off-diagonal entries included for a full
// layout of a one-triangle source; calls emit(i, j, re, im) for each.
// With `pattern` set, a general source also emits an explicit zero at the mirror of each entry.
template <class Emit>
void for_each_placed(const Coordinate& coo, bool upper, bool pattern, Emit emit) {
  const bool mirror = !upper && coo.symmetry != Symmetry::general;
  const bool zero_mirror = pattern && coo.symmetry == Symmetry::general;
  for (int64_t k = 0; k < coo.entries(); ++k) {
    Placed p = place(coo, k, upper);
    if (!p.keep) continue;
    emit(p.i, p.j, p.re, p.im);
    if (p.i == p.j) continue;
    if (mirror) emit(p.j, p.i, p.re, coo.symmetry == Symmetry::hermitian ? -p.im : p.im);
    if (zero_mirror) emit(p.j, p.i, 0.0, 0.0);
  }
}

// Sorts each row of bucketed entries by column, sums duplicates and writes the final rows.
void compact_rows(int32_t n, int width, bool add_diagonal, const std::vector<int64_t>& start,
                  const std::vector<int32_t>& col, const std::vector<double>& val, Csr& out) {
  out.ia.assign(static_cast<size_t>(n) + 1, 1);
  out.ja.clear();
  out.a.clear();
  out.ja.reserve(col.size() + (add_diagonal ? n : 0));
  out.a.reserve(val.size() + (add_diagonal ? static_cast<size_t>(n) * width : 0));
  std::vector<int64_t> order;
  for (int32_t i = 0; i < n; ++i) {
    order.resize(static_cast<size_t>(start[i + 1] - start[i]));
    for (size_t t = 0; t < order.size(); ++t) order[t] = start[i] + static_cast<int64_t>(t);
    std::stable_sort(order.begin(), order.end(), [&](int64_t x, int64_t y) { return col[x] < col[y]; });
    const size_t row_begin = out.ja.size();
    // A missing diagonal entry goes in as a zero at its sorted place.
    bool diagonal = !add_diagonal;
    const auto push = [&](int32_t j, const double* v) {
      out.ja.push_back(j);
      for (int w = 0; w < width; ++w) out.a.push_back(v ? v[w] : 0.0);
    };
    for (int64_t k : order) {
      if (!diagonal && col[k] >= i + 1) {
        if (col[k] > i + 1) push(i + 1, nullptr);
        diagonal = true;
      }
      if (out.ja.size() > row_begin && out.ja.back() == col[k]) {
        for (int w = 0; w < width; ++w) out.a[out.a.size() - width + w] += val[k * width + w];
        continue;
      }
      push(col[k], &val[k * width]);
    }
    if (!diagonal) push(i + 1, nullptr);
    out.ia[i + 1] = static_cast<int32_t>(out.ja.size() + 1);
  }
}

}  // namespace

bool to_csr(const Coordinate& coo, Layout layout, bool complex, Csr& out, std::string& error) {
  if (coo.nrows != coo.ncols) {
    error =
        "the matrix is not square (" + std::to_string(coo.nrows) + " x " + std::to_string(coo.ncols) + ")";
    return false;
  }
  if (coo.field == Field::complex && !complex) {
    error = "the matrix has complex values but the matrix type is real";
    return false;
  }
  const int32_t n = coo.nrows;
  const bool upper = layout == Layout::upper_symmetric || layout == Layout::upper_hermitian;
  const bool pattern = layout == Layout::full_symmetric_pattern;
  const int width = complex ? 2 : 1;

  // Counting pass, then bucket the entries by row.
  std::vector<int64_t> start(static_cast<size_t>(n) + 1, 0);
  for_each_placed(coo, upper, pattern, [&](int32_t i, int32_t, double, double) { ++start[i]; });
  for (int32_t i = 0; i < n; ++i) start[i + 1] += start[i];
  const int64_t total = start[n] + (upper || pattern ? n : 0);
  if (total > std::numeric_limits<int32_t>::max() - 1) {
    error = "the matrix has more than 2^31-1 stored entries";
    return false;
  }
  std::vector<int32_t> col(static_cast<size_t>(start[n]));
  std::vector<double> val(static_cast<size_t>(start[n]) * width);
  std::vector<int64_t> next(start.begin(), start.end() - 1);
  for_each_placed(coo, upper, pattern, [&](int32_t i, int32_t j, double re, double im) {
    const int64_t k = next[i - 1]++;
    col[k] = j;
    val[k * width] = re;
    if (complex) val[k * width + 1] = im;
  });

  out.n = n;
  out.complex = complex;
  out.layout = pattern ? Layout::full : layout;
  compact_rows(n, width, upper || pattern, start, col, val, out);
  return true;
}

Coordinate to_coordinate(const Csr& a) {
  Coordinate c;
  c.nrows = c.ncols = a.n;
  c.field = a.complex ? Field::complex : Field::real;
  c.symmetry = a.layout == Layout::full              ? Symmetry::general
               : a.layout == Layout::upper_symmetric ? Symmetry::symmetric
                                                     : Symmetry::hermitian;
  const int width = a.width();
  c.row.reserve(a.ja.size());
  c.col.reserve(a.ja.size());
  c.val.reserve(a.a.size());
  for (int32_t i = 1; i <= a.n; ++i) {
    for (int32_t k = a.ia[i - 1] - 1; k < a.ia[i] - 1; ++k) {
      const int32_t j = a.ja[k];
      const bool flip = a.layout != Layout::full;
      c.row.push_back(flip ? j : i);
      c.col.push_back(flip ? i : j);
      c.val.push_back(a.a[k * width]);
      if (a.complex) {
        const double im = a.a[k * width + 1];
        c.val.push_back(a.layout == Layout::upper_hermitian ? -im : im);
      }
    }
  }
  return c;
}

namespace {

template <class T>
T conjugate_if(const T& v, bool conj) {
  if constexpr (std::is_same_v<T, double>) {
    (void)conj;
    return v;
  } else {
    return conj ? std::conj(v) : v;
  }
}

// y := op(A)·x for one scalar type; the upper layouts also apply the mirrored strict lower part.
template <class T>
void multiply_typed(const Csr& a, bool transpose, const T* av, const T* x, T* y) {
  const bool herm = a.layout == Layout::upper_hermitian;
  const bool upper = a.layout != Layout::full;
  std::fill(y, y + a.n, T{});
  for (int32_t i = 0; i < a.n; ++i) {
    for (int32_t k = a.ia[i] - 1; k < a.ia[i + 1] - 1; ++k) {
      const int32_t j = a.ja[k] - 1;
      // Stored entry A(i,j); for a transposed full product it contributes to y(j).
      if (upper || !transpose) {
        y[i] += conjugate_if(av[k], herm && transpose) * x[j];
      } else {
        y[j] += av[k] * x[i];
      }
      if (upper && j != i) y[j] += conjugate_if(av[k], herm && !transpose) * x[i];
    }
  }
}

template <class T>
double modulus_norm_inf(const Csr& a, const T* av) {
  std::vector<double> rows(static_cast<size_t>(a.n), 0.0);
  for (int32_t i = 0; i < a.n; ++i) {
    for (int32_t k = a.ia[i] - 1; k < a.ia[i + 1] - 1; ++k) {
      const int32_t j = a.ja[k] - 1;
      rows[i] += std::abs(av[k]);
      if (a.layout != Layout::full && j != i) rows[j] += std::abs(av[k]);
    }
  }
  double m = 0.0;
  for (double r : rows) m = std::max(m, r);
  return m;
}

double vector_norm_inf(const double* v, int32_t n, bool complex) {
  double m = 0.0;
  for (int32_t i = 0; i < n; ++i) {
    const double x = complex ? std::hypot(v[2 * i], v[2 * i + 1]) : std::abs(v[i]);
    if (std::isnan(x)) return x;
    m = std::max(m, x);
  }
  return m;
}

}  // namespace

void multiply(const Csr& a, bool transpose, const double* x, double* y, int32_t nrhs) {
  const size_t step = static_cast<size_t>(a.n) * a.width();
  for (int32_t r = 0; r < nrhs; ++r) {
    if (a.complex) {
      using Z = std::complex<double>;
      multiply_typed(a, transpose, reinterpret_cast<const Z*>(a.a.data()),
                     reinterpret_cast<const Z*>(x + r * step), reinterpret_cast<Z*>(y + r * step));
    } else {
      multiply_typed(a, transpose, a.a.data(), x + r * step, y + r * step);
    }
  }
}

double norm_inf(const Csr& a) {
  if (a.complex) return modulus_norm_inf(a, reinterpret_cast<const std::complex<double>*>(a.a.data()));
  return modulus_norm_inf(a, a.a.data());
}

namespace {

// Backward error of one column, NaN when an intermediate is not finite.
double column_error(const Csr& a, double anorm, bool transpose, const double* b, const double* x,
                    std::vector<double>& r) {
  multiply(a, transpose, x, r.data(), 1);
  for (size_t k = 0; k < r.size(); ++k) r[k] = b[k] - r[k];
  const double num = vector_norm_inf(r.data(), a.n, a.complex);
  const double den = anorm * vector_norm_inf(x, a.n, a.complex) + vector_norm_inf(b, a.n, a.complex);
  if (!std::isfinite(num) || !std::isfinite(den)) return std::numeric_limits<double>::quiet_NaN();
  return den > 0.0 ? num / den : (num > 0.0 ? std::numeric_limits<double>::infinity() : 0.0);
}

bool all_finite(const double* v, size_t count) {
  for (size_t k = 0; k < count; ++k)
    if (!std::isfinite(v[k])) return false;
  return true;
}

// The same error from copies scaled to moduli about 1 (A by its largest entry, x and b by the
// larger of their norms), which it does not change: for finite data whose products overflow.
double scaled_column_error(const Csr& a, bool transpose, const double* b, const double* x) {
  Csr s = a;
  double amax = 0.0;
  for (double v : s.a) amax = std::max(amax, std::abs(v));
  if (amax > 0.0)
    for (double& v : s.a) v /= amax;
  const size_t step = static_cast<size_t>(a.n) * a.width();
  std::vector<double> xs(x, x + step), bs(b, b + step), r(step);
  for (double& v : bs) v = amax > 0.0 ? v / amax : v;
  const double g =
      std::max(vector_norm_inf(xs.data(), a.n, a.complex), vector_norm_inf(bs.data(), a.n, a.complex));
  if (g > 0.0 && std::isfinite(g)) {
    for (double& v : xs) v /= g;
    for (double& v : bs) v /= g;
  }
  return column_error(s, norm_inf(s), transpose, bs.data(), xs.data(), r);
}

}  // namespace

double backward_error(const Csr& a, bool transpose, const double* b, const double* x, int32_t nrhs) {
  const size_t step = static_cast<size_t>(a.n) * a.width();
  std::vector<double> r(step);
  const double anorm = norm_inf(a);
  double worst = 0.0;
  for (int32_t c = 0; c < nrhs; ++c) {
    const double *bc = b + c * step, *xc = x + c * step;
    double e = column_error(a, anorm, transpose, bc, xc, r);
    // A solution that is not finite has no backward error: NaN, which no tolerance accepts.
    if (std::isnan(e) && all_finite(xc, step) && all_finite(bc, step) && all_finite(a.a.data(), a.a.size()))
      e = scaled_column_error(a, transpose, bc, xc);
    if (!(e <= worst)) worst = e;
    if (std::isnan(worst)) break;
  }
  return worst;
}

namespace {

// Position of column j in the sorted row i of full compressed rows, or -1.
int64_t find_entry(const Csr& f, int32_t i, int32_t j) {
  const auto b = f.ja.begin() + (f.ia[i - 1] - 1), e = f.ja.begin() + (f.ia[i] - 1);
  const auto it = std::lower_bound(b, e, j);
  return it != e && *it == j ? it - f.ja.begin() : -1;
}

}  // namespace

LayoutLoss layout_loss(const Coordinate& coo, Layout layout) {
  LayoutLoss loss;
  const bool upper = layout == Layout::upper_symmetric || layout == Layout::upper_hermitian;
  const bool hermitian = layout == Layout::upper_hermitian;
  const bool same_kind = coo.symmetry == (hermitian ? Symmetry::hermitian : Symmetry::symmetric) ||
                         (coo.symmetry == Symmetry::symmetric && coo.field == Field::real);
  if (!upper || same_kind || coo.nrows != coo.ncols) return loss;
  Csr f;
  std::string error;
  if (!to_csr(coo, Layout::full, coo.field == Field::complex, f, error)) return loss;
  using Z = std::complex<double>;
  const auto value = [&](int64_t k) {
    return k < 0 ? Z{} : f.complex ? Z(f.a[2 * k], f.a[2 * k + 1]) : Z(f.a[k]);
  };
  bool lower_nonzero = false;
  for (int32_t i = 1; i <= f.n && !lower_nonzero; ++i)
    for (int64_t k = f.ia[i - 1] - 1; k < f.ia[i] - 1 && f.ja[k] < i; ++k) lower_nonzero |= value(k) != Z{};
  const auto note = [&](double relative, int32_t i, int32_t j, Z file, Z kept) {
    if (relative <= loss.relative) return;
    loss = LayoutLoss{relative, i, j, {file.real(), file.imag()}, {kept.real(), kept.imag()}};
  };
  for (int32_t i = 1; i <= f.n; ++i) {
    for (int64_t k = f.ia[i - 1] - 1; k < f.ia[i] - 1; ++k) {
      const int32_t j = f.ja[k];
      const Z v = value(k);
      if (j == i) {
        // A Hermitian type keeps the real part of the diagonal.
        if (hermitian && v.imag() != 0.0) note(std::abs(v.imag()) / std::abs(v), i, i, v, v.real());
        continue;
      }
      // Position (r, c) in the strict lower triangle and what the layout makes of it: the
      // (conjugated) mirror of the upper entry. An upper-triangle-only file loses nothing; an
      // upper entry with a stored mirror is compared when the mirror comes.
      if (!lower_nonzero || (j > i && find_entry(f, j, i) >= 0)) continue;
      const int32_t r = std::max(i, j), c = std::min(i, j);
      const Z file = j < i ? v : Z{};
      const Z up = value(j < i ? find_entry(f, j, i) : k);
      const Z kept = hermitian ? std::conj(up) : up;
      const double scale = std::max(std::abs(file), std::abs(up));
      if (scale > 0.0 && file != kept) note(std::abs(file - kept) / scale, r, c, file, kept);
    }
  }
  return loss;
}

}  // namespace varnexo::tools
