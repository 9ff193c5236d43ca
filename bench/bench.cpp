// varnexo-bench: times the library against the peer solvers found at build time on a list of
// matrices (Matrix Market files, folders of them, generated problems), with the dense dgemm rate
// of the same run. Prints a Markdown table and one machine-readable "result {...}" line per result.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "common/blas.h"
#include "common/threads.h"
#include "generators.h"
#include "matrix_market.h"
#include "peers.h"
#include "solver.h"

using namespace varnexo;
using namespace varnexo::bench;

namespace {

struct Case {
  std::string name;
  tools::Coordinate matrix;
  int32_t type = 0;  // the library's type to run
};

struct Times {
  bool ok = false;
  std::string note;
  double analyse = -1, factor = -1, solve = -1;
  int64_t factor_nnz = -1;
  double berr = -1;
  double mflop = -1;
  int32_t steps = -1;  // refinement steps (ours)
};

// The solve of the same factor with the CGS/CG iteration instead of refinement (ours, on the
// indefinite and unsymmetric types): CG for the symmetric types, CGS for the others.
struct Iterated {
  bool ran = false, ok = false;
  int32_t iterations = 0;
  double berr = -1, solve = -1;
  std::string method, note;
};

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1.0 : v[v.size() / 2];
}

// Classes of MANIFEST.tsv beside a matrix file, keyed by file name; empty when there is none.
std::map<std::string, std::string> manifest_classes(const std::filesystem::path& dir) {
  std::map<std::string, std::string> classes;
  std::ifstream in(dir / "MANIFEST.tsv");
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::string name, cls;
    std::getline(fields, name, '\t');
    std::getline(fields, cls, '\t');
    classes[name + ".mtx"] = cls;
  }
  return classes;
}

int32_t type_of(const tools::Coordinate& m, const std::string& cls) {
  if (m.field == tools::Field::complex)
    return m.symmetry == tools::Symmetry::general ? 13 : m.symmetry == tools::Symmetry::hermitian ? 4 : 6;
  if (cls == "spd") return 2;
  if (cls == "symmetric-indefinite") return -2;
  if (!cls.empty()) return 11;
  return m.symmetry == tools::Symmetry::general ? 11 : 2;
}

bool load_file(const std::filesystem::path& p, std::vector<Case>& cases) {
  Case c;
  std::string error;
  if (!tools::read_coordinate(p.string(), c.matrix, error)) {
    std::fprintf(stderr, "varnexo-bench: %s\n", error.c_str());
    return false;
  }
  const auto classes = manifest_classes(p.parent_path());
  const auto it = classes.find(p.filename().string());
  c.type = type_of(c.matrix, it == classes.end() ? "" : it->second);
  c.name = p.stem().string();
  cases.push_back(std::move(c));
  return true;
}

bool load(const std::string& arg, std::vector<Case>& cases) {
  if (arg.rfind("gen:", 0) == 0) {
    tools::Problem p;
    std::string error;
    if (!tools::generate(arg.substr(4), p, error)) {
      std::fprintf(stderr, "varnexo-bench: %s\n", error.c_str());
      return false;
    }
    cases.push_back({p.name, std::move(p.matrix), p.matrix_type});
    return true;
  }
  if (std::filesystem::is_directory(arg)) {
    std::vector<std::filesystem::path> files;
    for (const auto& e : std::filesystem::directory_iterator(arg))
      if (e.path().extension() == ".mtx") files.push_back(e.path());
    std::sort(files.begin(), files.end());
    // A folder may hold files no solver takes (skew-symmetric ones): they are skipped.
    for (const auto& f : files) load_file(f, cases);
    return true;
  }
  return load_file(arg, cases);
}

// The stage times of repeated runs of the library, and the last run's figures.
struct OurRuns {
  Times t;
  std::vector<double> ta, tf, ts;
  bool failed = false;

  // One run from a fresh handle; a failed run ends the series with its error as the note.
  void run(tools::Csr& a, const tools::SolveSettings& s, const std::vector<double>& b) {
    if (failed) return;
    std::vector<double> bb(b), x(b.size());
    const tools::SolveOutcome o = tools::solve(a, s, bb.data(), 1, x.data());
    if (o.error != 0) {
      t.note = "error " + std::to_string(o.error) + " in phase " + std::to_string(o.failed_phase);
      failed = true;
      return;
    }
    ta.push_back(o.stage_seconds(11));
    tf.push_back(o.stage_seconds(22));
    ts.push_back(o.stage_seconds(33));
    t.factor_nnz = o.factor_nnz;
    t.mflop = o.mflop;
    t.steps = o.refinement_steps;
    if (t.berr < 0) t.berr = tools::backward_error(a, false, b.data(), x.data(), 1);
  }

  // Medians of each stage.
  Times result() {
    if (failed) return Times{false, t.note};
    t.ok = true;
    t.analyse = median(ta);
    t.factor = median(tf);
    t.solve = median(ts);
    return t;
  }
};

// The panel width of the relaxed runs for the symmetric types (iparam(30)), 0 for the default;
// --panel.
int32_t g_panel = 0;

// The library with `nproc` threads, `repeat` times from a fresh handle; medians of each stage. robust:
// varnexo-solve's settings for hard matrices (tools::SolveSettings::robust). With `single` also a
// single-precision factor (and its refinement in double), alternating with the double runs
// (double, single, double, single, ...) so that a change in the machine's load falls on both;
// with `relaxed` likewise the analysis with relaxed supernodes (iparam(31) = 1) and the panel
// width of --panel.
Times run_ours(tools::Csr& a, int32_t type, const std::vector<double>& b, int repeat, bool robust,
               Times* single, int32_t nproc = 1, Times* relaxed = nullptr) {
  tools::SolveSettings s;
  s.matrix_type = type;
  s.robust = robust;
  s.nproc = nproc;
  tools::SolveSettings s32 = s, joined = s;
  s32.single = true;
  joined.relaxed = true;
  joined.panel = g_panel;
  OurRuns dbl, sgl, rlx;
  for (int r = 0; r < repeat; ++r) {
    dbl.run(a, s, b);
    if (single) sgl.run(a, s32, b);
    if (relaxed) rlx.run(a, joined, b);
  }
  if (single) *single = sgl.result();
  if (relaxed) *relaxed = rlx.result();
  return dbl.result();
}

// The library with iparam(4) set, `repeat` times; the median solve time of phase 33.
Iterated run_iterated(tools::Csr& a, int32_t type, const std::vector<double>& b, int repeat, int32_t nproc) {
  Iterated it;
  const bool symmetric = type == -2 || type == -4 || type == 6;
  if (type == 2 || type == 4) return it;  // definite: refinement is rarely needed, not compared
  it.ran = true;
  it.method = symmetric ? "CG" : "CGS";
  std::vector<double> ts;
  for (int r = 0; r < repeat; ++r) {
    tools::SolveSettings s;
    s.matrix_type = type;
    s.cgs_code = symmetric ? 2 : 1;
    s.nproc = nproc;
    std::vector<double> bb(b), x(b.size());
    const tools::SolveOutcome o = tools::solve(a, s, bb.data(), 1, x.data());
    it.iterations = o.iterations;
    if (o.error != 0) {
      it.note = "error " + std::to_string(o.error) + ", iparam(20) " + std::to_string(o.iterations);
      return it;
    }
    ts.push_back(o.stage_seconds(33));
    if (r == 0) it.berr = tools::backward_error(a, false, b.data(), x.data(), 1);
  }
  it.ok = true;
  it.solve = median(ts);
  return it;
}

// A peer with `threads` BLAS threads (its OpenMP threads, if it has any, follow OMP_NUM_THREADS).
Times run_peer(const Peer& peer, const PeerInput& in, const tools::Csr& full, int repeat, int32_t threads) {
  Times t;
  std::vector<double> ta, tf, ts;
  const varnexo::threads::BlasThreads blas(threads);
  for (int r = 0; r < repeat; ++r) {
    const PeerRun p = peer.run(in);
    if (!p.ok) {
      t.note = p.note;
      return t;
    }
    ta.push_back(p.analyse);
    tf.push_back(p.factor);
    ts.push_back(p.solve);
    t.factor_nnz = p.factor_nnz;
    if (r == 0) t.berr = tools::backward_error(full, false, in.b.data(), p.x.data(), 1);
  }
  t.ok = true;
  t.analyse = median(ta);
  t.factor = median(tf);
  t.solve = median(ts);
  return t;
}

// Dense dgemm rate in Gflop/s, median of three products of order n.
double dgemm_rate(int n) {
  std::vector<double> a(static_cast<size_t>(n) * n, 1.0 / 3.0), b(a), c(a.size(), 0.0);
  std::vector<double> rates;
  for (int r = 0; r < 3; ++r) {
    const double t0 = now_seconds();
    blas::gemm('N', 'N', n, n, n, 1.0, a.data(), n, b.data(), n, 0.0, c.data(), n);
    rates.push_back(2.0 * n * n * static_cast<double>(n) / (now_seconds() - t0) / 1e9);
  }
  return median(rates);
}

std::string num(double v, const char* fmt = "%.3g") {
  if (v < 0) return "-";
  char b[32];
  std::snprintf(b, sizeof b, fmt, v);
  return b;
}

struct Row {
  std::string matrix, solver;
  int32_t n;
  int64_t nnz;
  Times t;
  double ratio[3] = {-1, -1, -1};  // ours / best peer: analyse, factor, solve
  Iterated it{};                   // ours: the iteration instead of refinement
  Times single{};                  // ours with a single-precision factor (when asked for)
};

// Ours in single precision against ours in double: factor s, solve+refinement s (their ratios
// to double), steps and backward error.
std::string single_text(const Row& r) {
  if (!r.single.ok) return r.single.note.empty() ? "-" : r.single.note;
  const auto ratio = [](double s, double d) { return d > 0 ? num(s / d, "%.2f") : std::string("-"); };
  return num(r.single.factor) + " (" + ratio(r.single.factor, r.t.factor) + "×), " + num(r.single.solve) +
         " (" + ratio(r.single.solve, r.t.solve) + "×), " + std::to_string(r.single.steps) + " steps, " +
         num(r.single.berr, "%.1e");
}

std::string iterated_text(const Row& r) {
  if (!r.it.ran) return "-";
  if (!r.it.ok) return r.it.method + ": " + r.it.note;
  return r.it.method + " " + std::to_string(r.it.iterations) + " it, " + num(r.it.berr, "%.1e") + ", " +
         num(r.it.solve) + " s";
}

void print_table(const std::vector<Row>& rows, double gflops) {
  std::printf("\ndense dgemm rate: %.2f Gflop/s\n\n", gflops);
  std::printf(
      "| matrix | n | nnz | solver | analyse s | factor s | solve s | refinement steps | nnz(factor) | "
      "backward error | iterated solve: iterations, backward error, solve s | factor Gflop/s | "
      "ratio analyse/factor/solve | single precision: factor s, solve+refinement s, steps, backward error | "
      "note |\n");
  std::printf("|---|---:|---:|---|---:|---:|---:|---:|---:|---:|---|---:|---|---|---|\n");
  for (const Row& r : rows) {
    const double rate = r.t.mflop > 0 && r.t.factor > 0 ? r.t.mflop / r.t.factor / 1e3 : -1;
    const std::string rate_text =
        rate < 0 ? "-" : num(rate) + " (" + num(100 * rate / gflops, "%.0f") + "% of dgemm)";
    std::printf("| %s | %d | %lld | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s |\n",
                r.matrix.c_str(), r.n, static_cast<long long>(r.nnz), r.solver.c_str(),
                num(r.t.analyse).c_str(), num(r.t.factor).c_str(), num(r.t.solve).c_str(),
                r.t.steps >= 0 ? std::to_string(r.t.steps).c_str() : "-",
                r.t.factor_nnz >= 0 ? std::to_string(r.t.factor_nnz).c_str() : "-",
                num(r.t.berr, "%.1e").c_str(), iterated_text(r).c_str(), rate_text.c_str(),
                r.ratio[1] >= 0 ? (num(r.ratio[0], "%.2f") + " / " + num(r.ratio[1], "%.2f") + " / " +
                                   num(r.ratio[2], "%.2f"))
                                      .c_str()
                                : "-",
                single_text(r).c_str(), r.t.note.c_str());
  }
}

void print_results(const std::vector<Row>& rows, double gflops) {
  std::printf("\nresult {\"solver\":\"dgemm\",\"gflops\":%.4g}\n", gflops);
  for (const Row& r : rows)
    std::printf(
        "result {\"matrix\":\"%s\",\"n\":%d,\"nnz\":%lld,\"solver\":\"%s\",\"ok\":%s,\"analyse_s\":%.6g,"
        "\"factor_s\":%.6g,\"solve_s\":%.6g,\"factor_nnz\":%lld,\"mflop\":%.6g,\"backward_error\":%.3g,"
        "\"ratio_analyse\":%.4g,"
        "\"ratio_factor\":%.4g,\"ratio_solve\":%.4g,\"refine_steps\":%d,\"iterated\":%s,"
        "\"iterated_ok\":%s,\"iterations\":%d,\"iterated_backward_error\":%.3g,\"iterated_solve_s\":%.6g,"
        "\"single_ok\":%s,\"single_factor_s\":%.6g,\"single_solve_s\":%.6g,\"single_steps\":%d,"
        "\"single_backward_error\":%.3g,\"note\":\"%s\"}\n",
        r.matrix.c_str(), r.n, static_cast<long long>(r.nnz), r.solver.c_str(), r.t.ok ? "true" : "false",
        r.t.analyse, r.t.factor, r.t.solve, static_cast<long long>(r.t.factor_nnz), r.t.mflop, r.t.berr,
        r.ratio[0], r.ratio[1], r.ratio[2], r.t.steps, r.it.ran ? "true" : "false",
        r.it.ok ? "true" : "false", r.it.iterations, r.it.berr, r.it.solve, r.single.ok ? "true" : "false",
        r.single.factor, r.single.solve, r.single.steps, r.single.berr, r.t.note.c_str());
}

// Every solve that succeeded has a backward error below 1e-10.
bool all_accurate(const std::vector<Row>& rows) {
  for (const Row& r : rows) {
    if (r.it.ok && !(r.it.berr < 1e-10)) {
      std::fprintf(stderr, "varnexo-bench: %s on %s: backward error %.3g\n", r.it.method.c_str(),
                   r.matrix.c_str(), r.it.berr);
      return false;
    }
    if (r.single.ok && !(r.single.berr < 1e-10)) {
      std::fprintf(stderr, "varnexo-bench: single precision on %s: backward error %.3g\n", r.matrix.c_str(),
                   r.single.berr);
      return false;
    }
    if (!r.t.ok) continue;
    if (!(r.t.berr < 1e-10)) {
      std::fprintf(stderr, "varnexo-bench: %s on %s: backward error %.3g\n", r.solver.c_str(),
                   r.matrix.c_str(), r.t.berr);
      return false;
    }
  }
  return true;
}

Kind kind_of(int32_t type) {
  return type == 2 ? Kind::spd : type == -2 ? Kind::symmetric_indefinite : Kind::unsymmetric;
}

// The factorisation with one thread against `threads` threads, runs alternating.
struct Scaling {
  std::string matrix;
  int32_t n = 0;
  double factor1 = -1, factor_p = -1, solve1 = -1, solve_p = -1, berr1 = -1, berr_p = -1;
};

Scaling run_scaling(const std::string& name, tools::Csr& a, int32_t type, const std::vector<double>& b,
                    int repeat, int32_t threads) {
  Scaling sc{name, a.n};
  std::vector<double> f1, fp, s1, sp;
  for (int r = 0; r < repeat; ++r) {
    for (int32_t p : {1, threads}) {
      const Times t = run_ours(a, type, b, 1, false, nullptr, p);
      if (!t.ok) return sc;
      (p == 1 ? f1 : fp).push_back(t.factor);
      (p == 1 ? s1 : sp).push_back(t.solve);
      (p == 1 ? sc.berr1 : sc.berr_p) = t.berr;
    }
  }
  sc.factor1 = median(f1), sc.factor_p = median(fp), sc.solve1 = median(s1), sc.solve_p = median(sp);
  return sc;
}

void print_scaling(const std::vector<Scaling>& rows, int32_t threads) {
  std::printf(
      "\n| matrix | n | factor s, 1 thread | factor s, %d threads | speedup | solve s, 1 / %d | "
      "backward error, 1 / %d |\n|---|---:|---:|---:|---:|---|---|\n",
      threads, threads, threads);
  for (const Scaling& r : rows)
    std::printf("| %s | %d | %s | %s | %s | %s / %s | %s / %s |\n", r.matrix.c_str(), r.n,
                num(r.factor1).c_str(), num(r.factor_p).c_str(),
                r.factor_p > 0 ? num(r.factor1 / r.factor_p, "%.2f").c_str() : "-", num(r.solve1).c_str(),
                num(r.solve_p).c_str(), num(r.berr1, "%.1e").c_str(), num(r.berr_p, "%.1e").c_str());
  for (const Scaling& r : rows)
    std::printf(
        "result "
        "{\"matrix\":\"%s\",\"threads\":%d,\"factor_1_s\":%.6g,\"factor_p_s\":%.6g,\"speedup\":%.4g}\n",
        r.matrix.c_str(), threads, r.factor1, r.factor_p, r.factor_p > 0 ? r.factor1 / r.factor_p : -1.0);
}

// Runs the library and every peer that fits on one case; appends the rows, ours first.
void bench_case(Case& c, int repeat, bool single, const std::vector<Peer>& peers, std::vector<Row>& rows,
                bool robust, int32_t threads, std::vector<Scaling>* scaling, bool relaxed) {
  tools::Layout layout;
  bool complex;
  tools::layout_of_type(c.type, layout, complex);
  tools::Csr a, full, upper;
  std::string error;
  if (!tools::to_csr(c.matrix, layout, complex, a, error)) {
    std::fprintf(stderr, "varnexo-bench: %s: %s\n", c.name.c_str(), error.c_str());
    return;
  }
  std::vector<double> ones(static_cast<size_t>(a.n) * a.width(), 0.0), b(ones.size());
  for (size_t i = 0; i < ones.size(); i += a.width()) ones[i] = 1.0;
  tools::multiply(a, false, ones.data(), b.data(), 1);
  const size_t first = rows.size();
  if (scaling) scaling->push_back(run_scaling(c.name, a, c.type, b, repeat, threads));
  Times single_times, relaxed_times;
  rows.push_back({c.name, "varnexo", a.n, a.nnz(),
                  run_ours(a, c.type, b, repeat, robust, single ? &single_times : nullptr, threads,
                           relaxed ? &relaxed_times : nullptr)});
  rows.back().single = single_times;
  rows.back().it = run_iterated(a, c.type, b, repeat, threads);
  const size_t ours_rows = relaxed ? 2 : 1;
  if (relaxed) rows.push_back({c.name, "varnexo-relaxed", a.n, a.nnz(), relaxed_times});
  if (complex) return;
  tools::to_csr(c.matrix, tools::Layout::full, false, full, error);
  tools::to_csr(c.matrix, tools::Layout::upper_symmetric, false, upper, error);
  const PeerInput in{full, upper, kind_of(c.type), b};
  double best[3] = {-1, -1, -1};
  for (const Peer& p : peers) {
    if (!p.runs(in.kind)) continue;
    Row r{c.name, p.name, a.n, a.nnz(), run_peer(p, in, full, repeat, threads)};
    if (r.t.ok) {
      const double t[3] = {r.t.analyse, r.t.factor, r.t.solve};
      for (int k = 0; k < 3; ++k)
        if (best[k] < 0 || t[k] < best[k]) best[k] = t[k];
    }
    rows.push_back(r);
  }
  for (size_t k = first; k < first + ours_rows; ++k) {
    Row& ours = rows[k];
    if (!ours.t.ok) continue;
    const double t[3] = {ours.t.analyse, ours.t.factor, ours.t.solve};
    for (int s = 0; s < 3; ++s)
      if (best[s] > 0) ours.ratio[s] = t[s] / best[s];
  }
}

// The default list ends with the large problems where the gap to the peers opens (a 3D
// Laplacian with 168 M factor entries, a random unsymmetric pattern whose symmetrised graph fills).
std::vector<std::string> default_list() {
  std::vector<std::string> list = {"gen:laplace3d:30", "gen:elasticity3d:12", "gen:kkt:150",
                                   "gen:convdiff3d:30:20"};
  const std::string dir = VARNEXO_BENCH_MATRICES_DIR;
  for (const char* m : {"bcsstk16", "bcsstk13", "dw8192", "sherman5", "rdb2048l", "bp_1200"})
    if (std::filesystem::exists(dir + "/" + m + ".mtx")) list.push_back(dir + "/" + m + ".mtx");
  list.push_back("gen:laplace3d:70");
  list.push_back("gen:randunsym:50000");
  return list;
}

// A few seconds end to end: one problem of each family the benchmark covers, for the smoke test.
std::vector<std::string> quick_list() {
  std::vector<std::string> list = {"gen:laplace3d:8", "gen:kkt:20", "gen:randunsym:2000"};
  const std::string m = std::string(VARNEXO_BENCH_MATRICES_DIR) + "/west0067.mtx";
  if (std::filesystem::exists(m)) list.push_back(m);
  return list;
}

void usage() {
  std::printf(
      "usage: varnexo-bench [--repeat R] [--dgemm N] [--check] [--quick] [--single] [--no-peers] [--robust]\n"
      "                     [--threads P] [--scaling] [--relaxed] [--panel W] [--cholmod-metis]\n"
      "                     [MATRIX ...]\n"
      "  MATRIX: a Matrix Market file, a folder of them, or gen:PROBLEM (a generated problem)\n"
      "  --repeat R   repeats of each solver per matrix; times are medians (default 3)\n"
      "  --dgemm N    order of the dense products that measure the dgemm rate (default 1500)\n"
      "  --check      exit status 1 unless every successful solve has a backward error below 1e-10\n"
      "  --quick      without MATRIX: a short list of small problems instead of the default list\n"
      "  --single     also a single-precision factor refined in double (10 steps at most), its runs\n"
      "               alternating with the double ones\n"
      "  --no-peers   only this library\n"
      "  --threads P  every solver with P threads: ours with iparam(3) = P, the peers with P BLAS threads\n"
      "               (and OMP_NUM_THREADS for their OpenMP parts); default 1\n"
      "  --scaling    also our factorisation with 1 thread against P threads, runs alternating\n"
      "  --robust     varnexo with the settings varnexo-solve takes for hard matrices (the symmetric\n"
      "               matching for -2 with a weak diagonal; GMRES after refinement that falls short)\n"
      "  --relaxed    also varnexo with relaxed supernodes (iparam(31) = 1), a row of its own, its runs\n"
      "               alternating with the default ones\n"
      "  --panel W    the relaxed row with panel width W for the symmetric types (iparam(30)); default 80\n"
      "  --cholmod-metis  CHOLMOD orders with METIS alone (by default it tries AMD first)\n"
      "Without MATRIX: a default list of generated problems and shared test matrices.\n");
}

}  // namespace

int main(int argc, char** argv) {
  int repeat = 3, dgemm_n = 1500, threads = 1;
  bool check = false, quick = false, single = false, no_peers = false, robust = false, scaling = false,
       relaxed = false;
  std::vector<std::string> list;
  for (int k = 1; k < argc; ++k) {
    const std::string arg = argv[k];
    if (arg == "--panel" && k + 1 < argc) {
      g_panel = std::atoi(argv[++k]);
      if (g_panel < 2 || g_panel > 1024) {
        std::fprintf(stderr, "varnexo-bench: option --panel: expected a width from 2 to 1024, got '%s'\n",
                     argv[k]);
        return 2;
      }
    } else if ((arg == "--repeat" || arg == "--dgemm" || arg == "--threads") && k + 1 < argc) {
      const int v = std::atoi(argv[++k]);
      if (v < 1) {
        std::fprintf(stderr, "varnexo-bench: option %s: expected a positive integer, got '%s'\n", arg.c_str(),
                     argv[k]);
        return 2;
      }
      (arg == "--repeat" ? repeat : arg == "--dgemm" ? dgemm_n : threads) = v;
    } else if (arg == "--scaling") {
      scaling = true;
    } else if (arg == "--check") {
      check = true;
    } else if (arg == "--quick") {
      quick = true;
    } else if (arg == "--single") {
      single = true;
    } else if (arg == "--no-peers") {
      no_peers = true;
    } else if (arg == "--robust") {
      robust = true;
    } else if (arg == "--relaxed") {
      relaxed = true;
    } else if (arg == "--cholmod-metis") {
      g_cholmod_metis = true;
    } else if (arg == "-h" || arg == "--help") {
      usage();
      return 0;
    } else if (!arg.empty() && arg[0] == '-') {
      std::fprintf(stderr, "varnexo-bench: unknown option %s (see --help)\n", arg.c_str());
      return 2;
    } else {
      list.push_back(arg);
    }
  }
  if (list.empty()) list = quick ? quick_list() : default_list();
  std::vector<Case> cases;
  for (const std::string& m : list)
    if (!load(m, cases)) return 2;

  const std::vector<Peer> peers = no_peers ? std::vector<Peer>{} : available_peers();
  std::printf("varnexo-bench: %zu matrices, %d repeats, peers:", cases.size(), repeat);
  for (const Peer& p : peers) std::printf(" %s", p.name);
  std::printf("%s; %d thread%s\n", peers.empty() ? " none" : "", threads, threads == 1 ? "" : "s");
  double gflops = 0.0;
  {
    const varnexo::threads::BlasThreads blas(threads);
    gflops = dgemm_rate(dgemm_n);
  }
  std::vector<Row> rows;
  std::vector<Scaling> speedups;
  for (Case& c : cases) {
    bench_case(c, repeat, single, peers, rows, robust, threads, scaling ? &speedups : nullptr, relaxed);
    c.matrix = tools::Coordinate{};
  }
  print_table(rows, gflops);
  print_results(rows, gflops);
  if (scaling) print_scaling(speedups, threads);
  return check && !all_accurate(rows) ? 1 : 0;
}
