// Helpers of the tools tests: scratch files, running the varnexo-solve program, dense expansion of
// compressed rows for brute-force comparisons.
#pragma once
#include <sys/wait.h>
#include <unistd.h>

#include <complex>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sparse.h"

namespace varnexo::tools::testing {

// A fresh scratch directory per test process.
inline std::filesystem::path scratch_dir() {
  static const std::filesystem::path dir = [] {
    std::string templ = (std::filesystem::temp_directory_path() / "varnexo-tools-XXXXXX").string();
    return std::filesystem::path(mkdtemp(templ.data()));
  }();
  return dir;
}

inline std::string write_file(const std::string& name, const std::string& content) {
  const std::filesystem::path p = scratch_dir() / name;
  std::ofstream(p, std::ios::binary) << content;
  return p.string();
}

inline std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The varnexo-solve program of this build: tools/ beside the tests' binary folder.
inline std::string solve_program() {
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
  for (std::filesystem::path dir = exe.parent_path(); !dir.empty() && dir != dir.root_path();
       dir = dir.parent_path()) {
    const std::filesystem::path p = dir / "tools" / "varnexo-solve";
    if (std::filesystem::exists(p)) return p.string();
  }
  return "";
}

// `path` in single quotes for the shell.
inline std::string quoted(const std::string& path) {
  std::string q(1, '\'');
  q.append(path).push_back('\'');
  return q;
}

struct Run {
  int status = -1;
  std::string out, err;
};

// Runs varnexo-solve with `args` (already quoted for the shell), after the shell commands of
// `setup` (e.g. a ulimit) when given.
inline Run run_solve(const std::string& args, const std::string& setup = "") {
  static int count = 0;
  const std::string base = (scratch_dir() / ("run" + std::to_string(++count))).string();
  std::string cmd = setup.empty() ? "" : setup + "; ";
  for (const std::string& part :
       {std::string("'"), solve_program(), std::string("' "), args, std::string(" >'"), base,
        std::string(".out' 2>'"), base, std::string(".err' </dev/null")})
    cmd.append(part);
  const int raw = std::system(cmd.c_str());
  Run r;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + (WIFSIGNALED(raw) ? WTERMSIG(raw) : 0);
  r.out = read_file(base + ".out");
  r.err = read_file(base + ".err");
  return r;
}

// The whole matrix a Csr stands for, dense column-major.
inline std::vector<std::complex<double>> dense_of(const Csr& a) {
  std::vector<std::complex<double>> d(static_cast<size_t>(a.n) * a.n);
  for (int32_t i = 0; i < a.n; ++i)
    for (int32_t k = a.ia[i] - 1; k < a.ia[i + 1] - 1; ++k) {
      const int32_t j = a.ja[k] - 1;
      const std::complex<double> v = a.complex ? std::complex<double>(a.a[2 * k], a.a[2 * k + 1]) : a.a[k];
      d[i + static_cast<size_t>(j) * a.n] += v;
      if (a.layout != Layout::full && i != j)
        d[j + static_cast<size_t>(i) * a.n] += a.layout == Layout::upper_hermitian ? std::conj(v) : v;
    }
  return d;
}

}  // namespace varnexo::tools::testing
