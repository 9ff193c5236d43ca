// Factorisation rate of the supernodal Cholesky on a 3D Laplacian ordered by nested dissection,
// against the dense dgemm rate measured in the same run (set OPENBLAS_NUM_THREADS=1 for both).
// Usage: factor_bench [grid size k (k^3 unknowns), default 40] [panel width, default 80]
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "factor/factorize.h"
#include "solve/solve.h"
#include "support/harness.h"

using namespace testnum;
using clock_type = std::chrono::steady_clock;

static double seconds_since(clock_type::time_point t) {
  return std::chrono::duration<double>(clock_type::now() - t).count();
}

static double dgemm_rate(int n) {
  std::vector<double> a(static_cast<size_t>(n) * n, 1.0), b(a), c(a);
  double best = 0;
  for (int rep = 0; rep < 3; ++rep) {
    const auto t = clock_type::now();
    varnexo::blas::gemm('N', 'T', n, n, n, -1.0, a.data(), n, b.data(), n, 1.0, c.data(), n);
    best = std::max(best, 2.0 * n * n * n / seconds_since(t) / 1e6);
  }
  return best;
}

int main(int argc, char** argv) {
  const int k = argc > 1 ? std::atoi(argv[1]) : 40;
  const int width = argc > 2 ? std::atoi(argv[2]) : 80;
  const int32_t n = k * k * k;
  const Csr<double> A = upper_csr(n, laplacian(k, k, k));
  auto t = clock_type::now();
  const std::vector<int32_t> perm = ordering(A, Ordering::nested_dissection);
  Cholesky<double> c(A, perm, width);
  const double t_analysis = seconds_since(t);
  if (c.map_status() != 0) return 1;
  std::vector<int32_t> link(n), length(c.sym.nsuper);
  double mflop = 0;
  auto sf = c.sym.view(false);
  varnexo::factor::flops(sf, true, false, link.data(), length.data(), &mflop);
  c.factor();  // warm-up
  double best = 1e30;
  for (int rep = 0; rep < 3; ++rep) {
    t = clock_type::now();
    if (c.factor() != 0) return 2;
    best = std::min(best, seconds_since(t));
  }
  std::vector<double> b(n, 1.0), x;
  std::vector<double> W(std::max<int64_t>(n, varnexo::solve::offdiag_height(sf)));
  x.resize(n);
  t = clock_type::now();
  varnexo::solve::SolveOptions o;
  o.kind = &varnexo::kind_of(2);
  const varnexo::solve::FactorValues f{c.lnz.data(), nullptr, nullptr, nullptr};
  varnexo::solve::solve(sf, f, o, 1, x.data(), b.data(), nullptr, nullptr, W.data(),
                        static_cast<int64_t>(W.size()));
  const double t_solve = seconds_since(t);
  const double berr = backward_error(n, mirror(laplacian(k, k, k), false), x.data(), b.data());
  const double gemm = dgemm_rate(2000);
  std::printf("3D Laplacian %d^3: n = %d, supernodes %d, nnz(L) = %lld, %.1f Mflop\n", k, n, c.sym.nsuper,
              static_cast<long long>(c.sym.lnz_size()), mflop);
  std::printf("analysis (ordering + brute-force symbolic in the bench) %.2f s\n", t_analysis);
  std::printf("factorisation %.3f s: %.0f Mflop/s\n", best, mflop / best);
  std::printf("dense dgemm (2000^3): %.0f Mflop/s; ratio %.2f\n", gemm, mflop / best / gemm);
  std::printf("solve (1 rhs) %.3f s, backward error %.2e\n", t_solve, berr);
  return 0;
}
