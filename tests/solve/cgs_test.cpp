// The CGS/CG iteration on dense random systems preconditioned by an LU factor of a perturbed
// matrix: convergence to the working precision, iteration counts, the stopping rules and the
// breakdown codes, for real and complex values.
#include "solve/cgs.h"

#include <gtest/gtest.h>

#include <regex>

#include "support/problems.h"

namespace {

using namespace varnexo::solve;
using testnum::dcomplex;
using varnexo::is_complex_v;

enum class Kind { unsymmetric, hermitian_pd, complex_symmetric };

template <class T>
T random_value(std::mt19937& g) {
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  if constexpr (is_complex_v<T>)
    return T(u(g), u(g));
  else
    return u(g);
}

// A dense n×n matrix (column-major), well conditioned, of the kind asked for.
template <class T>
std::vector<T> random_matrix(int n, Kind kind, uint32_t seed) {
  std::mt19937 g(seed);
  std::vector<T> a((size_t)n * n);
  for (T& v : a) v = random_value<T>(g);
  if (kind != Kind::unsymmetric)
    for (int j = 0; j < n; ++j)
      for (int i = 0; i < j; ++i)
        a[i + (size_t)j * n] =
            kind == Kind::hermitian_pd ? varnexo::conj(a[j + (size_t)i * n]) : a[j + (size_t)i * n];
  for (int i = 0; i < n; ++i) a[i + (size_t)i * n] = T(std::real(a[i + (size_t)i * n])) + T(2.0 * n);
  return a;
}

// A preconditioner: the LU factor of A + δ·E (E random, of A's symmetry), applied by substitution.
template <class T>
struct DenseFactor {
  int n;
  std::vector<T> lu;
  std::vector<int> ipiv;
  int calls = 0, fail_at = -1;  // the solve numbered fail_at returns -10

  DenseFactor(std::vector<T> a, int n_, double delta, Kind kind, uint32_t seed)
      : n(n_), lu(std::move(a)), ipiv(n_) {
    const std::vector<T> e = random_matrix<T>(n, kind, seed);
    for (size_t k = 0; k < lu.size(); ++k) lu[k] += T(delta * n) * e[k] / T(3.0 * n);
    EXPECT_EQ(varnexo::blas::getrf(n, n, lu.data(), n, ipiv.data()), 0);
  }
  int32_t operator()(const T* rhs, T* sol, int nb) {
    if (++calls == fail_at) return -10;
    std::copy(rhs, rhs + (size_t)n * nb, sol);
    varnexo::blas::laswp(nb, sol, n, 1, n, ipiv.data(), 1);
    varnexo::blas::trsm('L', 'L', 'N', 'U', n, nb, T(1), lu.data(), n, sol, n);
    varnexo::blas::trsm('L', 'U', 'N', 'N', n, nb, T(1), lu.data(), n, sol, n);
    return 0;
  }
};

template <class T>
struct System {
  int n, nb;
  std::vector<T> a, b, x, work;
  DenseFactor<T> m;
  IterationOperators<T> op;

  System(int n_, int nb_, Kind kind, double delta, uint32_t seed = 7)
      : n(n_),
        nb(nb_),
        a(random_matrix<T>(n_, kind, seed)),
        b((size_t)n_ * nb_),
        x(b.size()),
        work((size_t)cgs_work_values(n_, nb_)),
        m(a, n_, delta, kind, seed + 1) {
    std::mt19937 g(seed + 2);
    for (T& v : b) v = random_value<T>(g);
    op.n = n;
    op.nb = nb;
    op.precondition = [this](const T* r, T* s) { return m(r, s, nb); };
    op.multiply = [this](const T* v, T* y) {
      varnexo::blas::gemm('N', 'N', n, nb, n, T(1), a.data(), n, v, n, T(0), y, n);
    };
  }
  // x := M⁻¹·b, as the driver starts the iteration.
  IterationResult run(const IterationOptions& opt) {
    m(b.data(), x.data(), nb);
    return pre_cgs<T>(op, b.data(), x.data(), opt, work.data(), (int64_t)work.size());
  }
  // The worst normwise backward error over the columns.
  double backward_error() const {
    std::vector<T> r(b);
    varnexo::blas::gemm('N', 'N', n, nb, n, T(-1), a.data(), n, x.data(), n, T(1), r.data(), n);
    double anorm = 0, worst = 0;
    for (int i = 0; i < n; ++i) {
      double s = 0;
      for (int j = 0; j < n; ++j) s += std::abs(a[i + (size_t)j * n]);
      anorm = std::max(anorm, s);
    }
    for (int j = 0; j < nb; ++j) {
      double rn = 0, xn = 0, bn = 0;
      for (int i = 0; i < n; ++i) {
        rn = std::max(rn, std::abs(r[i + (size_t)j * n]));
        xn = std::max(xn, std::abs(x[i + (size_t)j * n]));
        bn = std::max(bn, std::abs(b[i + (size_t)j * n]));
      }
      worst = std::max(worst, rn / (anorm * xn + bn));
    }
    return worst;
  }
};

IterationOptions options(bool cg, bool hermitian = false) {
  IterationOptions o;
  o.conjugate_gradient = cg;
  o.hermitian = hermitian;
  return o;
}

template <class T>
class Iteration : public ::testing::Test {};
using Scalars = ::testing::Types<double, dcomplex>;
TYPED_TEST_SUITE(Iteration, Scalars);

TYPED_TEST(Iteration, ConvergesWithAnInexactFactor) {
  using T = TypeParam;
  struct Case {
    Kind kind;
    bool cg, hermitian;
  };
  const Kind symmetric = is_complex_v<T> ? Kind::complex_symmetric : Kind::hermitian_pd;
  for (const Case& k : {Case{Kind::unsymmetric, false, false}, Case{Kind::hermitian_pd, true, true},
                        Case{symmetric, true, false}, Case{Kind::hermitian_pd, false, false}}) {
    for (int nb : {1, 3}) {
      SCOPED_TRACE(::testing::Message() << "kind " << (int)k.kind << " cg " << k.cg << " nb " << nb);
      System<T> s(60, nb, k.kind, 0.1);
      IterationResult r = s.run(options(k.cg, k.hermitian));
      EXPECT_TRUE(r.ok()) << (int)r.status;
      EXPECT_GE(r.iterations, 2);
      EXPECT_LE(r.iterations, 25);
      EXPECT_LE(s.backward_error(), 1e-13) << "a relative correction below 1e-12 ends the run";
    }
  }
}

TYPED_TEST(Iteration, ExactFactorConvergesInTheFirstCorrection) {
  System<TypeParam> s(40, 2, Kind::unsymmetric, 0.0);
  IterationResult r = s.run(options(false));
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(r.iterations, 1);
  EXPECT_LE(s.backward_error(), 1e-14);
}

TYPED_TEST(Iteration, LooseToleranceStopsAfterOneCorrection) {
  System<TypeParam> s(40, 1, Kind::unsymmetric, 0.1);
  IterationOptions o = options(false);
  o.tolerance = 1.0;  // above the first measure
  IterationResult r = s.run(o);
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(r.iterations, 1);
  EXPECT_LT(r.measure, 1.0);
}

TYPED_TEST(Iteration, WrongWorkLengthIsRefusedWithoutTouchingX) {
  System<TypeParam> s(20, 1, Kind::unsymmetric, 0.1);
  std::fill(s.x.begin(), s.x.end(), TypeParam(3));
  IterationResult r = pre_cgs<TypeParam>(s.op, s.b.data(), s.x.data(), options(false), s.work.data(),
                                         (int64_t)s.work.size() - 1);
  EXPECT_EQ(r.status, IterationStatus::work_length);
  EXPECT_FALSE(r.ok());
  for (const TypeParam& v : s.x) EXPECT_EQ(v, TypeParam(3));
}

TYPED_TEST(Iteration, StoppingRules) {
  for (bool cg : {false, true}) {
    SCOPED_TRACE(cg ? "cg" : "cgs");
    const Kind kind = cg ? Kind::hermitian_pd : Kind::unsymmetric;
    {
      System<TypeParam> s(60, 1, kind, 0.3);
      IterationOptions o = options(cg, true);
      o.max_iterations = 1;
      o.check_iteration = 50;
      IterationResult r = s.run(o);
      EXPECT_EQ(r.status, IterationStatus::budget_exhausted);
      EXPECT_EQ(r.iterations, cg ? 2 : 1) << "CG counts from 1";
    }
    {
      System<TypeParam> s(60, 1, kind, 0.3);
      IterationOptions o = options(cg, true);
      o.divergence_bound = 1e-30;
      EXPECT_EQ(s.run(o).status, IterationStatus::diverged);
    }
    {
      System<TypeParam> s(60, 1, kind, 0.3);
      IterationOptions o = options(cg, true);
      o.check_iteration = cg ? 2 : 1;
      EXPECT_EQ(s.run(o).status, IterationStatus::stagnated) << "far above sqrt(tolerance) at the check";
    }
  }
}

TYPED_TEST(Iteration, AZeroColumnNeitherBreaksDownNorBecomesNaN) {
  for (bool cg : {false, true}) {
    System<TypeParam> s(50, 2, cg ? Kind::hermitian_pd : Kind::unsymmetric, 0.1);
    std::fill(s.b.begin() + 50, s.b.end(), TypeParam(0));
    IterationResult r = s.run(options(cg, true));
    EXPECT_TRUE(r.ok()) << (int)r.status;
    for (int i = 50; i < 100; ++i) EXPECT_EQ(s.x[i], TypeParam(0));
    EXPECT_LE(s.backward_error(), 1e-14);
  }
}

TYPED_TEST(Iteration, FailedPreconditionerSolveEndsTheRun) {
  for (bool cg : {false, true}) {
    System<TypeParam> s(30, 1, Kind::hermitian_pd, 0.2);
    s.m.fail_at = 3;  // x0, then the first solve(s) of the iteration
    IterationResult r = s.run(options(cg, true));
    EXPECT_EQ(r.solve_status, -10);
    EXPECT_FALSE(r.ok());
  }
}

TYPED_TEST(Iteration, ScaledMatrixIsSolvedInOneStep) {
  // M = A, the iteration runs on 2·A: M⁻¹·(2A) = 2·I, and the answer is x/2.
  using T = TypeParam;
  for (bool cg : {false, true}) {
    System<T> s(40, 1, Kind::hermitian_pd, 0.0);
    std::vector<T> x_of_a(s.x.size());
    s.m(s.b.data(), x_of_a.data(), 1);
    for (T& v : s.a) v *= T(2);
    IterationResult r = s.run(options(cg, true));
    EXPECT_TRUE(r.ok()) << (int)r.status;
    // The first step is exact; the second finds nothing left to correct (CG counts from 1).
    EXPECT_EQ(r.iterations, cg ? 3 : 2);
    for (size_t i = 0; i < s.x.size(); ++i) EXPECT_NEAR(std::abs(s.x[i] - x_of_a[i] / T(2)), 0.0, 1e-13);
  }
}

TYPED_TEST(Iteration, RoundingLevelResidualEndsTheRunWhenTheNormIsKnown) {
  // An ill-conditioned matrix: the correction of an exact factor stays near cond·ε, far above a
  // tolerance of 1e-15, while the backward error is at the rounding level from the start.
  using T = TypeParam;
  System<T> s(40, 1, Kind::unsymmetric, 0.0);
  std::mt19937 g(5);
  for (int i = 0; i < 40; ++i) s.a[i + 39 * 40] = s.a[i + 38 * 40] * T(1.0 + 1e-10 * random_value<double>(g));
  s.m = DenseFactor<T>(s.a, 40, 0.0, Kind::unsymmetric, 99);
  IterationOptions o = options(false);
  o.tolerance = 1e-15;
  o.max_iterations = 6;
  EXPECT_FALSE(s.run(o).ok()) << "without the norm only the correction counts";
  double norm = 0;
  for (int i = 0; i < 40; ++i) {
    double row = 0;
    for (int j = 0; j < 40; ++j) row += std::abs(s.a[i + (size_t)j * 40]);
    norm = std::max(norm, row);
  }
  o.matrix_norm = norm;
  IterationResult r = s.run(o);
  EXPECT_TRUE(r.ok()) << (int)r.status;
  EXPECT_EQ(r.iterations, 1);
  EXPECT_LE(s.backward_error(), 1e-15);
}

TEST(IterationSteps, ProgressLinesInFortranEdits) {
  System<double> s(20, 1, Kind::unsymmetric, 0.1);
  IterationOptions o = options(false);
  o.print = true;
  testing::internal::CaptureStdout();
  ASSERT_TRUE(s.run(o).ok());
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_TRUE(std::regex_search(out, std::regex("^ cgs-init:  0\\.   0\\.[0-9]{3}E-[0-9]{2}   0\\.100E-11\n"
                                                " cgs-iteration:  1\\.   0\\.[0-9]{3}E-[0-9]{2}\n")))
      << out;
}

TEST(IterationSteps, CgsBreakdownCodes) {
  const int64_t n = 3;
  std::vector<double> z = {1, 2, 3}, b = {1, 1, 1}, p(3), q(3, 0.0), vhat = {1, 1, 1}, c(3), x(3, 0.0);
  std::vector<ColumnState<double>> cols(1);
  cols[0].rho_prev = 1e-20;  // ρ = 6 grows by more than 1e15
  EXPECT_EQ(cgs_a<double>(n, false, cols, z.data(), b.data(), p.data(), q.data()),
            IterationStatus::rho_growth);
  cols[0].rho_prev = 1e50;  // β = 6e-50
  EXPECT_EQ(cgs_a<double>(n, false, cols, z.data(), b.data(), p.data(), q.data()),
            IterationStatus::beta_vanished);
  cols[0].rho = 1e-20;  // α = ρ/σ = 1e-20/3
  cols[0].beta = 0.0;
  EXPECT_EQ(cgs_b<double>(n, false, cols, z.data(), b.data(), vhat.data(), q.data(), c.data(), x.data()),
            IterationStatus::alpha_vanished);
  std::vector<double> tiny = {1e-20, 0, 0};  // σ = 1e-20 against ρ = 1
  cols[0].rho = 1.0;
  EXPECT_EQ(cgs_b<double>(n, false, cols, z.data(), b.data(), tiny.data(), q.data(), c.data(), x.data()),
            IterationStatus::rho_over_sigma);
  // The first step judges neither ρ against σ nor α, except a σ of zero.
  std::vector<double> zero(3, 0.0);
  EXPECT_EQ(cgs_b<double>(n, true, cols, z.data(), b.data(), zero.data(), q.data(), c.data(), x.data()),
            IterationStatus::rho_over_sigma);
  EXPECT_EQ(cgs_b<double>(n, true, cols, z.data(), b.data(), tiny.data(), q.data(), c.data(), x.data()),
            IterationStatus::converged);
}

TEST(IterationSteps, CgBreakdownRestartsTheRecurrence) {
  const int64_t n = 2;
  std::vector<double> p = {1, 1, 2, 2}, q(4, 0.0), x(4, 0.0), r = {1, 1, 1, 1};
  std::vector<ColumnState<double>> cols(2);
  cols[0].rho = cols[1].rho = 1.0;
  EXPECT_TRUE(cgstep2<double>(n, cols, p.data(), q.data(), x.data(), r.data(), false)) << "π = 0";
  for (double v : p) EXPECT_EQ(v, 0.0);
  EXPECT_EQ(cols[0].rho, 0.0);
  EXPECT_EQ(cols[1].rho, 0.0);
  for (double v : x) EXPECT_EQ(v, 0.0) << "no column is updated";
  // After a restart β is 1 and p is the preconditioned residual.
  std::vector<double> z = {3, 4, 5, 6};
  cgstep1<double>(n, cols, z.data(), r.data(), p.data(), false);
  EXPECT_EQ(p, z);
  EXPECT_EQ(cols[0].beta, 1.0);
}

}  // namespace
