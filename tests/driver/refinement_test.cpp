// Iterative refinement: its stopping rules on systems whose contraction is known, and its
// step lines in the Fortran list edits.
#include "driver/refinement.h"

#include <vector>

#include "driver_fixture.h"

namespace varnexo::test {
namespace {

// A = I and an approximate solve d = c·r: each step multiplies the residual by (1 - c).
struct Identity {
  double c;
  driver::RefinementIo<double> io(int64_t n) const {
    driver::RefinementIo<double> io;
    io.n = n;
    io.solve = [c = c, n](const double* r, double* d) {
      for (int64_t i = 0; i < n; ++i) d[i] = c * r[i];
      return 0;
    };
    io.residual = [n](const double* x, const double* b, double* r) {
      double s = 0;
      for (int64_t i = 0; i < n; ++i) s += std::abs(r[i] = b[i] - x[i]);
      return s;
    };
    return io;
  }
};

driver::RefinementResult run(double c, int32_t max_steps, bool wanted = true) {
  const int64_t n = 4;
  std::vector<double> b(n, 1.0), x(n), work(3 * n);
  return driver::refine<double>(Identity{c}.io(n), b.data(), x.data(), max_steps, wanted, false, work.data());
}

TEST(Refinement, StoppingRules) {
  EXPECT_EQ(run(0.5, 1).steps, 1) << "iparam(8) = 1: exactly one step";
  EXPECT_EQ(run(0.5, 6).steps, 6) << "a residual halving each step runs all six steps";
  driver::RefinementResult only = run(0.5, 0);
  EXPECT_EQ(only.steps, 2) << "started by perturbed pivots only";
  EXPECT_TRUE(only.perturbed_only);
  driver::RefinementResult stall = run(1.0, 6);
  EXPECT_EQ(stall.steps, 4) << "an exact solve leaves nothing to contract: stops after step 3";
  EXPECT_EQ(stall.status, 0) << "no correction is no error";
  driver::RefinementResult wild = run(2.0, 6);
  EXPECT_EQ(wild.steps, 4);
  EXPECT_EQ(wild.status, -112) << "large corrections without contraction";
  EXPECT_EQ(run(0.5, 6, false).steps, 0) << "no refinement wanted: one solve";
}

// With a convergence test (the refinement after a single factor) the loop stops at the first
// residual that passes it, before solving for a correction; the step rules still bound it.
TEST(Refinement, ConvergenceTestStopsBeforeTheNextCorrection) {
  const int64_t n = 4;
  for (double tolerance : {1e-3, 0.0}) {
    driver::RefinementIo<double> io = Identity{0.5}.io(n);
    int32_t solves = 0;
    const auto solve = io.solve;
    io.solve = [&](const double* r, double* d) { return ++solves, solve(r, d); };
    io.converged = [&](const double*, const double*, const double* r) {
      for (int64_t i = 0; i < n; ++i)
        if (std::abs(r[i]) > tolerance) return false;
      return true;
    };
    std::vector<double> b(n, 1.0), x(n), work(3 * n);
    const driver::RefinementResult res =
        driver::refine<double>(io, b.data(), x.data(), 20, true, false, work.data());
    if (tolerance > 0) {
      // The first solve leaves r = 1/2 and each correction halves it: 2^-10 < 1e-3 after nine.
      EXPECT_EQ(res.steps, 9);
      EXPECT_EQ(solves, 10);
    } else {
      EXPECT_EQ(res.steps, 20) << "never converged: the step limit ends it";
    }
    EXPECT_EQ(res.status, 0);
    EXPECT_EQ(res.converged, tolerance > 0);
  }
}

TEST(Refinement, ZeroRightHandSideUsesTwoLineReport) {
  const int64_t n = 3;
  std::vector<double> b(n, 0.0), x(n), work(3 * n);
  std::string out = captured_stdout(
      [&] { driver::refine<double>(Identity{0.5}.io(n), b.data(), x.data(), 6, true, true, work.data()); });
  EXPECT_EQ(out.substr(0, out.find('\n', out.find('\n') + 1) + 1),
            " ref_it: 1. sumdx,sumx   0.000E+00   0.000E+00\n"
            " ref_it: 1. sumres,sumrhs   0.000E+00   0.000E+00\n");
}

TEST(Refinement, FortranEditsMatchTheCompilersOutput) {
  // Reference lines written by a Fortran compiler with the same formats and values.
  std::string out = captured_stdout([] {
    const double a[3] = {1.0, 1.234e-5, 0.0}, b[3] = {12.0, -2.5, 1e-120}, c[3] = {3.0, 0.99951, 9.9996e5};
    driver::write_fortran_line("(' ref_it:',f3.0,' rel res',e12.3,' rel err',e12.3)", 3, a, 1);
    driver::write_fortran_line("(' ref_it:',f3.0,' sumdx,sumx',2e12.3)", 3, b, 1);
    driver::write_fortran_line("(' ref_it:',f3.0,' sumdx,sumx',2e12.3)", 3, c, 1);
    driver::write_fortran_line("(' ref_it:',f3.0)", 1, a, 0);  // level 0 prints nothing
  });
  EXPECT_EQ(out,
            " ref_it: 1. rel res   0.123E-04 rel err   0.000E+00\n"
            " ref_it:12. sumdx,sumx  -0.250E+01   0.100-119\n"
            " ref_it: 3. sumdx,sumx   0.100E+01   0.100E+07\n");
}

}  // namespace
}  // namespace varnexo::test
