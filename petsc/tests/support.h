// Model problems as PETSc matrices for the plug-in's tests (3D Laplacian, convection-diffusion,
// shifted and saddle-point indefinite matrices, and their complex counterparts), and helpers that
// factor and solve with a named solver package and compare solutions.
#pragma once
#include <gtest/gtest.h>
#include <petscksp.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "varnexo_petsc.h"

// Fails the current test when a PETSc call returns an error.
#define PETSC_OK(call) ASSERT_EQ((call), 0) << #call

namespace varnexo_petsc_test {

#if defined(PETSC_USE_COMPLEX)
inline constexpr bool kComplex = true;
inline PetscScalar scalar(double re, double im) { return PetscScalar(re, im); }
#else
inline constexpr bool kComplex = false;
inline PetscScalar scalar(double re, double) { return re; }
#endif

// A square matrix as triplets (0-based, every entry of the whole matrix).
struct Problem {
  Problem(std::string name_, PetscInt n_) : name(std::move(name_)), n(n_) {}
  std::string name;
  PetscInt n = 0;
  std::vector<PetscInt> row, col;
  std::vector<PetscScalar> val;
  void add(PetscInt i, PetscInt j, PetscScalar v) {
    row.push_back(i);
    col.push_back(j);
    val.push_back(v);
  }
};

// Grid neighbours of point p on an m^dims grid (natural ordering), with the direction's step.
template <class Visit>
void neighbours(PetscInt p, PetscInt m, int dims, Visit visit) {
  PetscInt step = 1;
  for (int d = 0; d < dims; ++d, step *= m) {
    const PetscInt coord = (p / step) % m;
    if (coord > 0) visit(p - step, d, false);
    if (coord < m - 1) visit(p + step, d, true);
  }
}

// 7-point Laplacian on an m^3 grid minus `shift` on the diagonal (indefinite for a large shift).
inline Problem laplace3d(PetscInt m, double shift = 0.0) {
  Problem p{"laplace3d", m * m * m};
  for (PetscInt i = 0; i < p.n; ++i) {
    p.add(i, i, 6.0 - shift);
    neighbours(i, m, 3, [&](PetscInt j, int, bool) { p.add(i, j, -1.0); });
  }
  return p;
}

// 5-point Laplacian on an m^2 grid minus `shift`: symmetric indefinite for shift in (0, 8).
inline Problem shifted2d(PetscInt m, double shift) {
  Problem p{"shifted2d", m * m};
  for (PetscInt i = 0; i < p.n; ++i) {
    p.add(i, i, 4.0 - shift);
    neighbours(i, m, 2, [&](PetscInt j, int, bool) { p.add(i, j, -1.0); });
  }
  return p;
}

// Upwind convection-diffusion on an m^3 grid with flow along (1,1,1): unsymmetric; a complex
// shift makes it complex unsymmetric in a complex build.
inline Problem convdiff3d(PetscInt m, double peclet) {
  Problem p{"convdiff3d", m * m * m};
  const double c = peclet / (m + 1);
  for (PetscInt i = 0; i < p.n; ++i) {
    p.add(i, i, scalar(6.0 + 3.0 * c, kComplex ? 0.5 : 0.0));
    neighbours(i, m, 3, [&](PetscInt j, int, bool up) { p.add(i, j, up ? -1.0 : -1.0 - c); });
  }
  return p;
}

// Saddle point [H Bᵀ; B 0] with H the 2D Laplacian on m^2 points and B the averages of m^2/4
// cells: symmetric indefinite with a zero block whose diagonal PETSc does not store.
inline Problem kkt(PetscInt m) {
  const PetscInt nh = m * m, cells = (m / 2) * (m / 2);
  Problem p{"kkt", nh + cells};
  for (PetscInt i = 0; i < nh; ++i) {
    p.add(i, i, 4.0);
    neighbours(i, m, 2, [&](PetscInt j, int, bool) { p.add(i, j, -1.0); });
  }
  for (PetscInt c = 0; c < cells; ++c) {
    const PetscInt ci = c % (m / 2), cj = c / (m / 2);
    for (PetscInt di = 0; di < 2; ++di)
      for (PetscInt dj = 0; dj < 2; ++dj) {
        const PetscInt h = (2 * ci + di) + (2 * cj + dj) * m;
        p.add(nh + c, h, 0.25);
        p.add(h, nh + c, 0.25);
      }
  }
  return p;
}

#if defined(PETSC_USE_COMPLEX)
// Magnetic Laplacian on an m^3 grid: Hermitian, positive definite for shift 0, indefinite for a
// shift inside its spectrum.
inline Problem hermitian3d(PetscInt m, double shift) {
  Problem p{"hermitian3d", m * m * m};
  for (PetscInt i = 0; i < p.n; ++i) {
    p.add(i, i, 6.0 - shift);
    neighbours(i, m, 3, [&](PetscInt j, int d, bool up) {
      const double angle = 0.3 * (d + 1);
      p.add(i, j, -scalar(std::cos(angle), up ? std::sin(angle) : -std::sin(angle)));
    });
  }
  return p;
}

// Helmholtz operator with absorption: complex symmetric (not Hermitian).
inline Problem helmholtz3d(PetscInt m) {
  Problem p{"helmholtz3d", m * m * m};
  for (PetscInt i = 0; i < p.n; ++i) {
    p.add(i, i, scalar(6.0 - 1.5, 0.4));
    neighbours(i, m, 3, [&](PetscInt j, int, bool) { p.add(i, j, -1.0); });
  }
  return p;
}
#endif

enum class Storage { aij, sbaij };

// The problem as a sequential matrix: AIJ with every entry, or SBAIJ (block size 1) with the
// upper triangle.
inline PetscErrorCode build(const Problem& p, Storage storage, Mat* A) {
  PetscFunctionBegin;
  if (storage == Storage::aij) {
    PetscCall(MatCreateSeqAIJ(PETSC_COMM_SELF, p.n, p.n, 8, nullptr, A));
  } else {
    PetscCall(MatCreateSeqSBAIJ(PETSC_COMM_SELF, 1, p.n, p.n, 8, nullptr, A));
    PetscCall(MatSetOption(*A, MAT_IGNORE_LOWER_TRIANGULAR, PETSC_TRUE));
  }
  for (size_t k = 0; k < p.val.size(); ++k)
    PetscCall(MatSetValue(*A, p.row[k], p.col[k], p.val[k], INSERT_VALUES));
  PetscCall(MatAssemblyBegin(*A, MAT_FINAL_ASSEMBLY));
  PetscCall(MatAssemblyEnd(*A, MAT_FINAL_ASSEMBLY));
  PetscFunctionReturn(0);
}

// A right-hand side A·x for a deterministic x with entries in [1, 2] (and imaginary parts).
inline PetscErrorCode rhs_for(Mat A, Vec* b) {
  Vec x;
  PetscInt n;
  PetscScalar* xa;
  PetscFunctionBegin;
  PetscCall(MatCreateVecs(A, &x, b));
  PetscCall(VecGetLocalSize(x, &n));
  PetscCall(VecGetArray(x, &xa));
  for (PetscInt i = 0; i < n; ++i)
    xa[i] = scalar(1.0 + 0.5 * std::sin(0.7 * i + 0.3), 0.5 * std::cos(0.3 * i));
  PetscCall(VecRestoreArray(x, &xa));
  PetscCall(MatMult(A, x, *b));
  PetscCall(VecDestroy(&x));
  PetscFunctionReturn(0);
}

// ‖x − y‖∞ / ‖y‖∞.
inline double relative_difference(Vec x, Vec y) {
  Vec d;
  PetscReal diff = 0, norm = 0;
  if (VecDuplicate(x, &d) || VecWAXPY(d, -1.0, y, x) || VecNorm(d, NORM_INFINITY, &diff) ||
      VecNorm(y, NORM_INFINITY, &norm) || VecDestroy(&d))
    return INFINITY;
  return norm > 0 ? diff / norm : diff;
}

// Factors A with `solver` ("varnexo" or "petsc") as `type` into *F.
inline PetscErrorCode factor(Mat A, const char* solver, MatFactorType type, Mat* F) {
  MatFactorInfo info;
  PetscFunctionBegin;
  PetscCall(MatFactorInfoInitialize(&info));
  PetscCall(MatGetFactor(A, solver, type, F));
  if (type == MAT_FACTOR_LU) {
    PetscCall(MatLUFactorSymbolic(*F, A, nullptr, nullptr, &info));
    PetscCall(MatLUFactorNumeric(*F, A, &info));
  } else {
    PetscCall(MatCholeskyFactorSymbolic(*F, A, nullptr, &info));
    PetscCall(MatCholeskyFactorNumeric(*F, A, &info));
  }
  PetscFunctionReturn(0);
}

// The reference every solution is compared with: PETSc's own LU of A, or, when A lacks diagonal
// entries (PETSc's LU does not pivot), PETSc's dense LU with partial pivoting.
inline PetscErrorCode reference_factor(Mat A, Mat* F) {
  Mat B;
  IS row, col;
  PetscBool missing;
  PetscInt where;
  PetscFunctionBegin;
  PetscCall(MatConvert(A, MATSEQAIJ, MAT_INITIAL_MATRIX, &B));
  PetscCall(MatMissingDiagonal(B, &missing, &where));
  if (missing) PetscCall(MatConvert(B, MATSEQDENSE, MAT_INPLACE_MATRIX, &B));
  PetscCall(MatGetOrdering(B, missing ? MATORDERINGNATURAL : MATORDERINGND, &row, &col));
  PetscCall(MatGetFactor(B, MATSOLVERPETSC, MAT_FACTOR_LU, F));
  PetscCall(MatLUFactorSymbolic(*F, B, row, col, nullptr));
  PetscCall(MatLUFactorNumeric(*F, B, nullptr));
  PetscCall(ISDestroy(&row));
  PetscCall(ISDestroy(&col));
  PetscCall(MatDestroy(&B));
  PetscFunctionReturn(0);
}

// Runs `call` with PETSc's error messages off and returns its error code.
template <class Call>
PetscErrorCode quietly(Call call) {
  PetscPushErrorHandler(PetscReturnErrorHandler, nullptr);
  const PetscErrorCode code = call();
  PetscPopErrorHandler();
  return code;
}

}  // namespace varnexo_petsc_test
