// varnexo-solve: reads a Matrix Market file (or generates a problem), solves A·X = B with the
// library phase by phase, and prints one summary with the backward error of the solution.
// Exit status: 0 solved, 1 the library reported an error or the solution missed the tolerance,
// 2 bad file or option (or not enough memory for what they ask).
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>
#include <vector>

#include "command_options.h"
#include "generators.h"
#include "matrix_market.h"
#include "memory_limits.h"
#include "solver.h"
#include "sparse.h"

using namespace varnexo::tools;

namespace {

constexpr int kSolved = 0;
constexpr int kSolverError = 1;
constexpr int kBadInput = 2;

int fail(int status, const std::string& message) {
  std::fprintf(stderr, "varnexo-solve: %s\n", message.c_str());
  return status;
}

void warn(const std::string& message) {
  std::fprintf(stderr, "varnexo-solve: warning: %s\n", message.c_str());
}

// What the command is doing, for the message and status of an exception that reaches main (an
// allocation that fails in spite of the size checks).
struct Stage {
  int status = kBadInput;
  std::string doing = "reading the options";
  void enter(int s, const std::string& what) { status = s, doing = what; }
};

// What was read or generated, with the matrix type its header or generator calls for.
struct Input {
  std::string name;
  Coordinate matrix;
  int32_t natural_type = 0;
};

int32_t type_from_header(const Coordinate& m) {
  if (m.field == Field::real) return m.symmetry == Symmetry::general ? 11 : 2;
  switch (m.symmetry) {
    case Symmetry::hermitian:
      return 4;
    case Symmetry::symmetric:
      return 6;
    default:
      return 13;
  }
}

bool read_input(const CommandOptions& o, Input& in, std::string& error) {
  if (!o.generate.empty()) {
    Problem p;
    if (!generate(o.generate, p, error)) return false;
    in.name = p.name;
    in.matrix = std::move(p.matrix);
    in.natural_type = p.matrix_type;
    return true;
  }
  // A skew-symmetric file is solved as the whole matrix (type 11).
  std::string warning;
  if (!read_coordinate(o.matrix_path, in.matrix, error, {0, &warning, true})) return false;
  if (!warning.empty()) warn(warning);
  in.name = o.matrix_path;
  in.natural_type = type_from_header(in.matrix);
  return true;
}

// Differences below this (relative) are rounding in a file written with about 12 digits or more.
constexpr double kRoundingAsymmetry = 1e-12;

std::string scalar_text(const double v[2], bool complex) {
  char b[64];
  if (complex)
    std::snprintf(b, sizeof b, "(%.17g,%.17g)", v[0], v[1]);
  else
    std::snprintf(b, sizeof b, "%.17g", v[0]);
  return b;
}

// A type that keeps one triangle must not silently change the matrix of the file: exact or
// rounding-level differences pass (the latter with a warning), others are refused.
bool check_layout_fits(const Input& in, int32_t type, Layout layout, std::string& error) {
  const LayoutLoss loss = layout_loss(in.matrix, layout);
  if (loss.relative == 0.0) return true;
  const bool hermitian = layout == Layout::upper_hermitian;
  const std::string kind = hermitian ? "Hermitian" : "symmetric";
  const std::string at = "(" + std::to_string(loss.row) + "," + std::to_string(loss.col) + ")";
  if (loss.relative <= kRoundingAsymmetry) {
    char rel[32];
    std::snprintf(rel, sizeof rel, "%.1e", loss.relative);
    warn(in.name + ": matrix type " + std::to_string(type) +
         " keeps the upper triangle; the file's matrix is " + kind + " only up to a relative " + rel +
         " (at " + at + ")");
    return true;
  }
  const bool complex = in.matrix.field == Field::complex;
  const Symmetry s = in.matrix.symmetry;
  const std::string file_kind = s == Symmetry::general     ? "general"
                                : s == Symmetry::hermitian ? "Hermitian"
                                                           : "complex symmetric";
  const std::string other = s == Symmetry::general     ? (complex ? "13 (or 3)" : "11 (or 1)")
                            : s == Symmetry::hermitian ? "4 or -4"
                                                       : "6";
  error = in.name + ": matrix type " + std::to_string(type) + " keeps the upper triangle of a " + kind +
          " matrix, but this " + file_kind + " matrix is not " + kind + ": entry " + at + " is " +
          scalar_text(loss.file, complex) + " where the type takes " + scalar_text(loss.kept, complex) +
          "; use type " + other;
  return false;
}

bool build_matrix(const Input& in, int32_t type, Csr& a, std::string& error) {
  Layout layout;
  bool complex;
  layout_of_type(type, layout, complex);
  if (!to_csr(in.matrix, layout, complex, a, error)) {
    error = in.name + ": " + error + " (matrix type " + std::to_string(type) + ")";
    return false;
  }
  return check_layout_fits(in, type, layout, error);
}

// Refuses a number of right-hand sides whose vectors cannot fit in memory.
bool rhs_fits(const Csr& a, int32_t nrhs, const std::string& what, std::string& error) {
  const uint64_t need = rhs_block_bytes(a.n, nrhs, a.width()), have = available_memory();
  if (need <= have) return true;
  error = what + ": " + std::to_string(nrhs) + " right-hand sides of " + std::to_string(a.n) + " rows need " +
          format_bytes(need) + " with their solutions, more than the " + format_bytes(have) + " of memory";
  return false;
}

// Right-hand sides from -b, or b = A·x with x = 1 in the first column and other known vectors
// in the following ones.
bool make_rhs(const CommandOptions& o, const Csr& a, std::vector<double>& b, int32_t& nrhs,
              std::string& error) {
  const int width = a.width();
  const size_t n = static_cast<size_t>(a.n);
  if (o.rhs_path.empty()) {
    nrhs = o.nrhs > 0 ? o.nrhs : 1;
    if (!rhs_fits(a, nrhs, "--nrhs " + std::to_string(nrhs), error)) return false;
    std::vector<double> x(n * width * nrhs, 0.0);
    for (int32_t c = 0; c < nrhs; ++c)
      for (size_t i = 0; i < n; ++i)
        x[(c * n + i) * width] = 1.0 + c * (static_cast<double>(i % 5) - 2.0) / 4.0;
    b.assign(x.size(), 0.0);
    multiply(a, o.transpose && a.layout == Layout::full, x.data(), b.data(), nrhs);
    for (double v : b)
      if (!std::isfinite(v)) {
        error =
            "the right-hand side A·x overflows for this matrix (entries near the largest double); give one "
            "with -b";
        return false;
      }
    return true;
  }
  Dense d;
  std::string warning;
  if (!read_dense(o.rhs_path, d, error, {0, &warning})) return false;
  if (!warning.empty()) warn(warning);
  if (d.nrows != a.n) {
    error = o.rhs_path + ": " + std::to_string(d.nrows) + " rows, the matrix has " + std::to_string(a.n);
    return false;
  }
  if (d.complex && !a.complex) {
    error = o.rhs_path + ": complex right-hand sides need a complex matrix type";
    return false;
  }
  nrhs = o.nrhs > 0 ? o.nrhs : d.ncols;
  if (nrhs > d.ncols || nrhs == 0) {
    error =
        o.rhs_path + ": " + std::to_string(d.ncols) + " columns, fewer than --nrhs " + std::to_string(nrhs);
    return false;
  }
  b.assign(n * width * nrhs, 0.0);
  const int dw = d.complex ? 2 : 1;
  for (size_t k = 0; k < n * nrhs; ++k)
    for (int w = 0; w < dw; ++w) b[k * width + w] = d.val[k * dw + w];
  return true;
}

SolveSettings settings_of(const CommandOptions& o, int32_t type) {
  SolveSettings s;
  s.matrix_type = type;
  s.phases = o.phases;
  s.ordering = o.ordering;
  s.nproc = o.nproc;
  s.max_refine = o.max_refine;
  s.cgs_code = o.cgs_code;
  s.pivot_exponent = o.pivot_exponent;
  s.matching = o.matching;
  s.scaling = o.scaling;
  s.robust = true;
  s.transpose = o.transpose;
  s.single = o.single;
  s.relaxed = o.relaxed;
  s.panel = o.panel;
  s.message_level = o.message_level;
  s.indefinite_fallback = o.matrix_type == 0;
  return s;
}

std::string stage_name(int32_t phase) {
  switch (phase) {
    case 11:
      return "analysis";
    case 12:
      return "analysis and factorisation";
    case 13:
      return "analysis, factorisation and solve";
    case 22:
      return "factorisation";
    case 23:
      return "factorisation and solve";
    default:
      return "solve";
  }
}

std::string type_label(int32_t type) {
  const std::string name = matrix_type_name(type);
  return std::to_string(type) + (name.empty() ? "" : " (" + name + ")");
}

int report_error(const SolveOutcome& r, int32_t message_level) {
  std::string msg = stage_name(r.failed_phase) + " failed: error " + std::to_string(r.error) + " (" +
                    error_name(r.error) + ") for matrix type " + type_label(r.matrix_type);
  if (message_level == 0) msg += "; --msglvl 1 prints the library's message";
  return fail(kSolverError, msg);
}

void print_summary(const Input& in, const Csr& a, const SolveOutcome& r, int32_t nrhs,
                   const CommandOptions& o, double berr) {
  const int32_t cgs_code = o.cgs_code;
  std::printf("matrix        %s: n %d, nnz %lld (%s), type %s\n", in.name.c_str(), a.n,
              static_cast<long long>(a.nnz()), a.layout == Layout::full ? "full rows" : "upper triangle",
              type_label(r.matrix_type).c_str());
  if (r.fell_back)
    std::printf("note          type %d met a non-positive pivot; solved as type %d\n", -r.matrix_type,
                r.matrix_type);
  const auto known = [](int64_t v) { return v >= 0 ? std::to_string(v) : std::string("-"); };
  std::printf("factor        nnz(L+U) %s, %s Mflop%s\n", known(r.factor_nnz).c_str(), known(r.mflop).c_str(),
              o.single ? ", single precision" : "");
  std::printf("times         ");
  for (size_t k = 0; k < r.times.size(); ++k) {
    const PhaseTime& t = r.times[k];
    std::printf("%s%s %.3f s", k ? ", " : "", stage_name(t.phase).c_str(), t.seconds);
    if ((t.phase == 12 || t.phase == 22) && t.seconds > 0 && r.mflop >= 0)
      std::printf(" (%.0f Mflop/s)", r.mflop / t.seconds);
  }
  std::printf("\n");
  if (r.solved) {
    std::printf("solve         %d right-hand side%s, ", nrhs, nrhs == 1 ? "" : "s");
    // The library runs CG only on the symmetric and Hermitian types.
    const int32_t t = r.matrix_type;
    const bool symmetric = t == 2 || t == -2 || t == 4 || t == -4 || t == 6;
    if (cgs_code != 0)
      std::printf("%d %s iteration%s", r.iterations, std::abs(cgs_code) % 10 == 2 && symmetric ? "CG" : "CGS",
                  r.iterations == 1 ? "" : "s");
    else
      std::printf("%d refinement step%s", r.refinement_steps, r.refinement_steps == 1 ? "" : "s");
    std::printf(", %d perturbed pivot%s", r.perturbed_pivots, r.perturbed_pivots == 1 ? "" : "s");
    if (r.matrix_type == -2 || r.matrix_type == -4) std::printf(", inertia +%d -%d", r.positive, r.negative);
    if (r.krylov_iterations > 0)
      std::printf("\nrescue        %d GMRES iterations preconditioned by the factor%s", r.krylov_iterations,
                  r.refactorised ? " (factorised again with pivots perturbed to 1e-6)" : "");
    if (std::isfinite(berr))
      std::printf("\nbackward error %.3e\n", berr);
    else
      std::printf("\nbackward error not finite\n");
  }
  std::fflush(stdout);
}

// Checked before the solve so that a long run does not end in a write error.
bool output_writable(const std::string& path, std::string& error) {
  if (path.empty()) return true;
  std::error_code ec;
  const std::filesystem::path dir = std::filesystem::absolute(path, ec).parent_path();
  if (!ec && access(dir.c_str(), W_OK) == 0) return true;
  error = path + ": cannot create: " + (ec ? ec.message() : std::strerror(errno));
  return false;
}

int run(const CommandOptions& o, Stage& stage) {
  Input in;
  std::string error;
  stage.enter(kBadInput, o.generate.empty() ? "reading " + o.matrix_path : "generating " + o.generate);
  if (!read_input(o, in, error)) return fail(kBadInput, error);
  if (in.matrix.nrows == 0) return fail(kBadInput, in.name + ": the matrix has no rows");
  if (in.matrix.nrows != in.matrix.ncols)
    return fail(kBadInput, in.name + ": the matrix is not square (" + std::to_string(in.matrix.nrows) +
                               " x " + std::to_string(in.matrix.ncols) + ")");
  const int32_t type = o.matrix_type != 0 ? o.matrix_type : in.natural_type;
  Csr a;
  std::vector<double> b;
  int32_t nrhs = 1;
  stage.enter(kBadInput, "the matrix and right-hand sides of " + in.name);
  if (!build_matrix(in, type, a, error) || !make_rhs(o, a, b, nrhs, error)) return fail(kBadInput, error);
  in.matrix = Coordinate{};  // the compressed rows are all that is needed from here
  if (!output_writable(o.output_path, error)) return fail(kBadInput, error);
  if (o.builtin)
    std::printf("solving the built-in problem %s (run with --help for options)\n", in.name.c_str());

  stage.enter(kSolverError, "the solve of " + in.name);
  std::vector<double> x(b.size(), 0.0);
  const std::vector<double> b_copy = b;
  const SolveOutcome r = solve(a, settings_of(o, type), b.data(), nrhs, x.data());
  if (r.error != 0) return report_error(r, o.message_level);
  // The library takes the transposed solve as the plain one for the symmetric types.
  const bool transposed = o.transpose && a.layout == Layout::full;
  const double berr = r.solved ? backward_error(a, transposed, b_copy.data(), x.data(), nrhs) : 0.0;
  print_summary(in, a, r, nrhs, o, berr);
  if (r.solved && !accept_solution(berr, o.tolerance, error)) {
    if (!o.output_path.empty()) error += "; " + o.output_path + " not written";
    return fail(kSolverError, error);
  }
  if (r.solved && !o.output_path.empty()) {
    stage.enter(kBadInput, "writing " + o.output_path);
    Dense out{a.n, nrhs, a.complex, std::move(x)};
    if (!write_dense(o.output_path, out, error)) return fail(kBadInput, error);
  }
  return kSolved;
}

}  // namespace

int main(int argc, char** argv) {
  Stage stage;
  // No exception leaves the command: an allocation that fails in spite of the size checks (the
  // machine's memory is shared) ends with one line and the status of the stage it hit.
  try {
    CommandOptions o;
    std::string error;
    if (!parse_options(argc, argv, o, error)) return fail(kBadInput, error);
    if (o.help) {
      std::fputs(usage().c_str(), stdout);
      return kSolved;
    }
    return run(o, stage);
  } catch (const std::bad_alloc&) {
    return fail(stage.status, "not enough memory for " + stage.doing);
  } catch (const std::exception& e) {
    return fail(stage.status, stage.doing + ": " + e.what());
  }
}
