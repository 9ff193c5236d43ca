// The CGS/CG iteration (factor -> solve -> iterate): a stored factor of a nearby matrix serves as
// the preconditioner M of an iteration on the caller's current matrix A, conjugate gradients for
// the symmetric and Hermitian storage, conjugate gradients squared for every other matrix. One
// template over the scalar type; M⁻¹ and A· come in as callables.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "common/scalar.h"

namespace varnexo::solve {

// How an iteration ended. The values are the codes callers of the exported entry see.
enum class IterationStatus : int32_t {
  converged = 0,          // the relative correction fell below the tolerance
  diverged = -1,          // the relative correction grew above the divergence bound
  stagnated = -2,         // at the check iteration the best measure was still above sqrt(tolerance)
  budget_exhausted = -3,  // the largest iteration count was reached
  work_length = -4,       // the work array does not have the length its layout needs
  rho_growth = 1,         // CGS breakdown: |ρ| > 1e15·|previous ρ|
  beta_vanished = 2,      // CGS breakdown: |β| < 1e-45
  rho_over_sigma = 3,     // CGS breakdown: |ρ| > 1e15·|σ|
  alpha_vanished = 4,     // CGS breakdown: |α| < 1e-10
};

struct IterationOptions {
  double tolerance = 1e-12;         // τ on the relative correction
  double divergence_bound = 1.0e4;  // a relative correction above this is divergence
  int32_t max_iterations = 100;     // budget of steps
  int32_t check_iteration = 51;     // step at which stagnation is judged
  bool conjugate_gradient = false;  // CG (symmetric or Hermitian A and M) instead of CGS
  bool hermitian = false;           // CG with the conjugated inner product (else the bilinear one)
  bool print = false;               // progress lines on standard output
  // ‖A‖∞, or 0 when unknown. When known, a column whose true residual has a normwise backward
  // error at the rounding level is solved even if its correction cannot shrink below the
  // tolerance (the rounding of an ill-conditioned preconditioner keeps it above).
  double matrix_norm = 0.0;
};

struct IterationResult {
  IterationStatus status = IterationStatus::converged;
  int32_t iterations = 0;    // the iteration counter (CG counts from 1, CGS from 0)
  int32_t solve_status = 0;  // nonzero: a preconditioner solve failed with this status and ended the run
  double measure = 0.0;      // the last relative correction
  bool ok() const { return status == IterationStatus::converged && solve_status == 0; }
};

// The operators of one run, for nb right-hand sides of n values (column-major, leading dimension n).
template <class T>
struct IterationOperators {
  int64_t n = 0;
  int32_t nb = 1;
  // sol := M⁻¹·rhs (rhs and sol never alias); returns 0 or the solve's status.
  std::function<int32_t(const T* rhs, T* sol)> precondition;
  // y := A·x (x and y never alias).
  std::function<void(const T* x, T* y)> multiply;
};

// Values of work an iteration over nb right-hand sides of n values needs: six n·nb blocks.
int64_t cgs_work_values(int64_t n, int32_t nb);

// Runs the iteration on A·x = b from the solution x on entry (usually M⁻¹·b). x is updated in
// place and holds the best iterate on every return; b is only read. work: exactly
// cgs_work_values(n, nb) values, else work_length is returned without touching x.
template <class T>
IterationResult pre_cgs(const IterationOperators<T>& op, const T* b, T* x, const IterationOptions& opt,
                        T* work, int64_t work_values);

// ---- The steps and vector kernels the iteration is made of (also behind the exported entries) ----

// Per right-hand side scalars of a run. A column leaves the iteration (active = false) once its
// own correction met the tolerance, so that its vanishing residual cannot break the others down.
template <class T>
struct ColumnState {
  T rho{}, rho_prev{}, beta{}, alpha{}, sigma{};
  real_t<T> reference = 0;  // ‖x₀‖² of the column on entry
  bool active = true;
};

// Σ op(x(i))·y(i), op = conj when `conjugate`.
template <class T>
T dot(int64_t n, const T* x, const T* y, bool conjugate);

// Σ |x(i)|².
template <class T>
real_t<T> norm2(int64_t n, const T* x);

// The relative size sqrt(maxⱼ ‖vⱼ‖² / ‖x₀ⱼ‖²) over the active columns (0/0 counts as 0).
template <class T>
double relative_measure(int64_t n, const std::vector<ColumnState<T>>& cols, const T* v);

// CGS start: q := 0, c := 0 (len = n·nb values each), every previous ρ := 1.
template <class T>
void cgs_i(int64_t len, std::vector<ColumnState<T>>& cols, T* q, T* c);

// First half of a CGS step: ρⱼ = (zⱼ, bⱼ); on the first step p := z, later βⱼ = ρⱼ/previous ρⱼ
// and pⱼ := zⱼ + βⱼ·(2·qⱼ + βⱼ·pⱼ). Returns converged or the breakdown (rho_growth, beta_vanished).
template <class T>
IterationStatus cgs_a(int64_t n, bool first, std::vector<ColumnState<T>>& cols, const T* z, const T* b, T* p,
                      const T* q);

// Second half: σⱼ = (v̂ⱼ, bⱼ), αⱼ = ρⱼ/σⱼ, u = z + βⱼ·q, q := u − αⱼ·v̂, the correction
// c := αⱼ·(u + q) (= αⱼ·(2u − αⱼ·v̂)), x += c. u is formed in c. Returns converged or the
// breakdown (rho_over_sigma, alpha_vanished; judged from the second step on).
template <class T>
IterationStatus cgs_b(int64_t n, bool first, std::vector<ColumnState<T>>& cols, const T* z, const T* b,
                      const T* vhat, T* q, T* c, T* x);

// First half of a CG step: ρ_new = (zⱼ, rⱼ), β = ρ_new/ρ_old (1 when ρ_old = 0), pⱼ := zⱼ + β·pⱼ.
template <class T>
void cgstep1(int64_t n, std::vector<ColumnState<T>>& cols, const T* z, const T* r, T* p, bool hermitian);

// Second half: π = (pⱼ, qⱼ) with q = A·p; αⱼ = ρⱼ/π, xⱼ += α·pⱼ, rⱼ −= α·qⱼ. A column with
// |π| ≤ 100·ε·|ρⱼ| breaks the step down: the later columns are left alone, every ρ and all of p are
// cleared (the recurrence restarts) and true is returned.
template <class T>
bool cgstep2(int64_t n, std::vector<ColumnState<T>>& cols, T* p, const T* q, T* x, T* r, bool hermitian);

}  // namespace varnexo::solve
