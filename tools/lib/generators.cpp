// Model problems on regular grids with Dirichlet boundaries, generated in memory. Symmetric and
// Hermitian problems emit their upper triangle only; the matrix type chosen for each is the one
// its values call for (positive definite by diagonal dominance, indefinite by a shift).
#include "generators.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "memory_limits.h"

namespace varnexo::tools {
namespace {

// Collects entries (1-based) into a coordinate matrix.
struct Builder {
  Coordinate& m;
  void add(int64_t i, int64_t j, double re, double im = 0.0) {
    m.row.push_back(static_cast<int32_t>(i));
    m.col.push_back(static_cast<int32_t>(j));
    m.val.push_back(re);
    if (m.field == Field::complex) m.val.push_back(im);
  }
};

Coordinate empty_matrix(int64_t n, Field field, Symmetry symmetry) {
  Coordinate m;
  m.nrows = m.ncols = static_cast<int32_t>(n);
  m.field = field;
  m.symmetry = symmetry;
  return m;
}

// Node numbering of an N^3 grid, 1-based, x fastest.
struct Grid3 {
  int64_t n;
  int64_t id(int64_t x, int64_t y, int64_t z) const { return 1 + x + n * (y + n * z); }
};

// 7-point stencil on the N^3 grid: diagonal d(node), and for each neighbour with a higher number
// off(node, axis) (upper triangle), or for both neighbours (full rows) when `full` is set;
// off receives the axis 0..2 and the direction (+1 for the higher neighbour, -1 for the lower).
template <class Diag, class Off>
void stencil7(Builder& b, int64_t n, bool full, Diag diag, Off off) {
  const Grid3 g{n};
  for (int64_t z = 0; z < n; ++z)
    for (int64_t y = 0; y < n; ++y)
      for (int64_t x = 0; x < n; ++x) {
        const int64_t p = g.id(x, y, z);
        const int64_t c[3] = {x, y, z};
        auto [dre, dim] = diag(x, y, z);
        if (full) {
          for (int axis = 2; axis >= 0; --axis)
            if (c[axis] > 0) {
              const int64_t q = p - (axis == 0 ? 1 : axis == 1 ? n : n * n);
              auto [re, im] = off(x, y, z, axis, -1);
              b.add(p, q, re, im);
            }
        }
        b.add(p, p, dre, dim);
        for (int axis = 0; axis < 3; ++axis)
          if (c[axis] + 1 < n) {
            const int64_t q = p + (axis == 0 ? 1 : axis == 1 ? n : n * n);
            auto [re, im] = off(x, y, z, axis, +1);
            b.add(p, q, re, im);
          }
      }
}

using Pair = std::pair<double, double>;

Coordinate laplace2d(int64_t n) {
  Coordinate m = empty_matrix(n * n, Field::real, Symmetry::symmetric);
  Builder b{m};
  for (int64_t y = 0; y < n; ++y)
    for (int64_t x = 0; x < n; ++x) {
      const int64_t p = 1 + x + n * y;
      b.add(p, p, 4.0);
      if (x + 1 < n) b.add(p, p + 1, -1.0);
      if (y + 1 < n) b.add(p, p + n, -1.0);
    }
  return m;
}

Coordinate shifted_laplace3d(int64_t n, double shift) {
  Coordinate m = empty_matrix(n * n * n, Field::real, Symmetry::symmetric);
  Builder b{m};
  stencil7(
      b, n, false,
      [&](int64_t, int64_t, int64_t) {
        return Pair{6.0 - shift, 0.0};
      },
      [](int64_t, int64_t, int64_t, int, int) {
        return Pair{-1.0, 0.0};
      });
  return m;
}

// 27-point node coupling (26 on the diagonal, -1 to each neighbour: SPD) times the SPD 3x3 block
// [4 1 1; 1 4 1; 1 1 4]; a Kronecker product of SPD matrices is SPD.
Coordinate elasticity3d(int64_t n) {
  Coordinate m = empty_matrix(3 * n * n * n, Field::real, Symmetry::symmetric);
  Builder b{m};
  const Grid3 g{n};
  const auto block = [](int d, int e) { return d == e ? 4.0 : 1.0; };
  for (int64_t z = 0; z < n; ++z)
    for (int64_t y = 0; y < n; ++y)
      for (int64_t x = 0; x < n; ++x) {
        const int64_t p = g.id(x, y, z);
        for (int d = 0; d < 3; ++d)
          for (int e = d; e < 3; ++e) b.add(3 * (p - 1) + d + 1, 3 * (p - 1) + e + 1, 26.0 * block(d, e));
        for (int64_t dz = -1; dz <= 1; ++dz)
          for (int64_t dy = -1; dy <= 1; ++dy)
            for (int64_t dx = -1; dx <= 1; ++dx) {
              const int64_t qx = x + dx, qy = y + dy, qz = z + dz;
              if (qx < 0 || qy < 0 || qz < 0 || qx >= n || qy >= n || qz >= n) continue;
              const int64_t q = g.id(qx, qy, qz);
              if (q <= p) continue;
              for (int d = 0; d < 3; ++d)
                for (int e = 0; e < 3; ++e) b.add(3 * (p - 1) + d + 1, 3 * (q - 1) + e + 1, -block(d, e));
            }
      }
  return m;
}

// [H Bᵀ; B 0]: H the 2D Laplacian on N x N nodes, B one row per 2 x 2 cell averaging its nodes
// (cells do not overlap, so B has full row rank and the matrix is nonsingular and indefinite).
Coordinate kkt(int64_t n) {
  const int64_t cells = n / 2;
  const int64_t nh = n * n;
  Coordinate h = laplace2d(n);
  Coordinate m = empty_matrix(nh + cells * cells, Field::real, Symmetry::symmetric);
  m.row = std::move(h.row);
  m.col = std::move(h.col);
  m.val = std::move(h.val);
  Builder b{m};
  for (int64_t cy = 0; cy < cells; ++cy)
    for (int64_t cx = 0; cx < cells; ++cx) {
      const int64_t c = nh + 1 + cx + cells * cy;
      for (int64_t dy = 0; dy < 2; ++dy)
        for (int64_t dx = 0; dx < 2; ++dx) b.add(1 + (2 * cx + dx) + n * (2 * cy + dy), c, 0.25);
    }
  return m;
}

// -Δu - k²(1 - 0.05i)u scaled by h², complex symmetric (absorption makes it nonsingular).
Coordinate helmholtz3d(int64_t n, double k) {
  Coordinate m = empty_matrix(n * n * n, Field::complex, Symmetry::symmetric);
  Builder b{m};
  const double h = 1.0 / static_cast<double>(n + 1);
  const double kh2 = k * k * h * h;
  stencil7(
      b, n, false,
      [&](int64_t, int64_t, int64_t) {
        return Pair{6.0 - kh2, 0.05 * kh2};
      },
      [](int64_t, int64_t, int64_t, int, int) {
        return Pair{-1.0, 0.0};
      });
  return m;
}

// -Δu + Pe·(1, 1/2, 1/4)·∇u with first-order upwinding, scaled by h²: real unsymmetric, an
// M-matrix (nonsingular) for every Péclet number >= 0.
Coordinate convdiff3d(int64_t n, double peclet) {
  Coordinate m = empty_matrix(n * n * n, Field::real, Symmetry::general);
  Builder b{m};
  const double h = 1.0 / static_cast<double>(n + 1);
  const double w[3] = {peclet * h, 0.5 * peclet * h, 0.25 * peclet * h};
  stencil7(
      b, n, true,
      [&](int64_t, int64_t, int64_t) {
        return Pair{6.0 + w[0] + w[1] + w[2], 0.0};
      },
      [&](int64_t, int64_t, int64_t, int axis, int dir) {
        return Pair{dir < 0 ? -1.0 - w[axis] : -1.0, 0.0};
      });
  return m;
}

// Magnetic Laplacian: couplings -e^{iθ} with θ varying over the grid, diagonal 6.5 - shift
// (Hermitian; positive definite by diagonal dominance when the shift is 0).
Coordinate hermitian3d(int64_t n, double shift) {
  Coordinate m = empty_matrix(n * n * n, Field::complex, Symmetry::hermitian);
  Builder b{m};
  stencil7(
      b, n, false,
      [&](int64_t, int64_t, int64_t) {
        return Pair{6.5 - shift, 0.0};
      },
      [](int64_t x, int64_t y, int64_t z, int axis, int) {
        const double theta = axis == 0   ? 0.3 * static_cast<double>(y + 1) + 0.1 * static_cast<double>(z)
                             : axis == 1 ? 0.2 * static_cast<double>(x + 1)
                                         : 0.1 * static_cast<double>(x + y);
        return Pair{-std::cos(theta), -std::sin(theta)};
      });
  return m;
}

// A random pattern with one or two off-diagonal entries per row (1.5 on average) in random
// columns, values uniform in [-1, 1], and a diagonal of 0.6 to 1.6 times the row's off-diagonal
// sum: structurally unsymmetric and well conditioned. A fixed seed and our own conversions from
// the 64-bit generator keep the matrix the same on every standard library.
Coordinate random_unsymmetric(int64_t n) {
  Coordinate m = empty_matrix(n, Field::real, Symmetry::general);
  Builder b{m};
  std::mt19937_64 rng(20261208);
  const auto unit = [&] { return static_cast<double>(rng() >> 11) * 0x1p-53; };  // [0, 1)
  for (int64_t i = 1; i <= n; ++i) {
    const int count = n < 2 ? 0 : n == 2 || (rng() & 1) ? 1 : 2;
    int64_t cols[2] = {0, 0};
    double sum = 0.0;
    for (int k = 0; k < count; ++k) {
      int64_t j;
      do {  // a column other than the diagonal and the row's first entry
        j = 1 + static_cast<int64_t>(rng() % static_cast<uint64_t>(n));
      } while (j == i || j == cols[0]);
      cols[k] = j;
      const double v = 2.0 * unit() - 1.0;
      sum += std::abs(v);
      b.add(i, j, v);
    }
    b.add(i, i, (0.6 + unit()) * (sum > 0.0 ? sum : 1.0));
  }
  return m;
}

std::vector<std::string> split(const std::string& s, char sep) {
  std::vector<std::string> parts(1);
  for (char c : s) {
    if (c == sep)
      parts.emplace_back();
    else
      parts.back() += c;
  }
  return parts;
}

bool to_number(const std::string& s, double& v) {
  auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  return r.ec == std::errc() && r.ptr == s.data() + s.size() && std::isfinite(v);
}

struct Kind {
  const char* name;
  int params;        // 0: none, 1: required, -1: optional
  int64_t per_node;  // unknowns per grid node (3D kinds: N^3 nodes)
  int dims;
  int32_t type;
  const char* help;
};

const Kind kKinds[] = {
    {"laplace2d", 0, 1, 2, 2, "laplace2d:N          5-point Laplacian, N^2 unknowns, SPD (type 2)"},
    {"laplace3d", 0, 1, 3, 2, "laplace3d:N          7-point Laplacian, N^3 unknowns, SPD (type 2)"},
    {"elasticity3d", 0, 3, 3, 2, "elasticity3d:N       27-point coupling, 3 unknowns per node, SPD (type 2)"},
    {"shifted3d", 1, 1, 3, -2,
     "shifted3d:N:s        7-point Laplacian minus s·I, symmetric indefinite (type -2)"},
    {"kkt", 0, 1, 2, -2,
     "kkt:N                saddle point on an N x N grid, symmetric indefinite (type -2)"},
    {"helmholtz3d", 1, 1, 3, 6, "helmholtz3d:N:k      Helmholtz with absorption, complex symmetric (type 6)"},
    {"convdiff3d", 1, 1, 3, 11,
     "convdiff3d:N:peclet  upwind convection-diffusion, real unsymmetric (type 11)"},
    {"hermitian3d", -1, 1, 3, 4,
     "hermitian3d:N[:s]    magnetic Laplacian minus s·I, Hermitian (type 4, -4 when s > 0)"},
    {"randunsym", 0, 1, 1, 11,
     "randunsym:N          random unsymmetric pattern, 1.5 off-diagonals per row, N unknowns (type 11)"},
};

}  // namespace

std::string generator_help() {
  std::string s;
  for (const Kind& k : kKinds) s += std::string("  ") + k.help + "\n";
  return s;
}

bool generate(const std::string& description, Problem& out, std::string& error) {
  const std::vector<std::string> parts = split(description, ':');
  const Kind* kind = nullptr;
  for (const Kind& k : kKinds)
    if (parts[0] == k.name) kind = &k;
  if (!kind) {
    error = "unknown problem '" + parts[0] + "' in '" + description + "'";
    return false;
  }
  double size = 0.0, param = 0.0;
  const size_t want = kind->params == 0 ? 2 : 3;
  const bool count_ok = parts.size() == want || (kind->params < 0 && parts.size() == 2);
  if (!count_ok || !to_number(parts[1], size) || size < 1 || size != std::floor(size) ||
      (parts.size() == 3 && !to_number(parts[2], param))) {
    error = std::string("bad problem '") + description + "', expected " + kind->help;
    return false;
  }
  const int64_t n = static_cast<int64_t>(size);
  const double unknowns =
      std::pow(size, kind->dims) * static_cast<double>(kind->per_node) * (kind->dims == 2 ? 1.25 : 1.0);
  if (unknowns > static_cast<double>(std::numeric_limits<int32_t>::max() - 2) ||
      (parts[0] == "kkt" && n < 2)) {
    error = "problem '" + description + "' is out of range";
    return false;
  }
  // The least a solve needs, one entry per unknown: refused before the entries are generated.
  const int width = kind->type == 6 || kind->type == 4 ? 2 : 1;
  const uint64_t need =
      matrix_solve_bytes(static_cast<int64_t>(unknowns), static_cast<int64_t>(unknowns), width);
  if (need > available_memory()) {
    error = "problem '" + description + "' needs at least " + format_bytes(need) +
            " to solve, more than the " + format_bytes(available_memory()) + " of memory";
    return false;
  }
  out.name = description;
  out.matrix_type = kind->type;
  const std::string& k = parts[0];
  if (k == "laplace2d") out.matrix = laplace2d(n);
  if (k == "laplace3d") out.matrix = shifted_laplace3d(n, 0.0);
  if (k == "elasticity3d") out.matrix = elasticity3d(n);
  if (k == "shifted3d") out.matrix = shifted_laplace3d(n, param);
  if (k == "kkt") out.matrix = kkt(n);
  if (k == "helmholtz3d") out.matrix = helmholtz3d(n, param);
  if (k == "convdiff3d") out.matrix = convdiff3d(n, param);
  if (k == "randunsym") out.matrix = random_unsymmetric(n);
  if (k == "hermitian3d") {
    out.matrix = hermitian3d(n, param);
    if (param > 0.0) out.matrix_type = -4;
  }
  return true;
}

}  // namespace varnexo::tools
