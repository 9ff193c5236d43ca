/* Solves a 3D model problem with a PETSc KSP whose options come from the command line, e.g. with
 * varnexo as the sequential direct solver:
 *
 *   ksp_solve -problem convdiff -n 20 -ksp_type preonly -pc_type lu -pc_factor_mat_solver_type varnexo
 *
 * -problem laplace (7-point Laplacian, symmetric positive definite) or convdiff (upwind
 * convection-diffusion, unsymmetric); -n grid points per direction; -peclet the convection
 * strength. The right-hand side is A·1, so the error of the solution is known; the program prints
 * the solver used, the iterations and the largest error. Runs on any number of ranks. */
#include <petscksp.h>
#include <varnexo_petsc.h>

/* Row `row` of the problem on an n³ grid (natural ordering): up to 7 columns and values. */
static PetscInt stencil(PetscInt row, PetscInt n, PetscBool convdiff, PetscReal peclet, PetscInt* cols,
                        PetscScalar* vals) {
  const PetscInt i = row % n, j = (row / n) % n, k = row / (n * n);
  const PetscReal c = convdiff ? peclet / (n + 1) : 0.0; /* upwind convection along (1,1,1) */
  const PetscInt steps[3] = {1, n, n * n}, coords[3] = {i, j, k};
  PetscInt count = 0;
  cols[count] = row;
  vals[count++] = 6.0 + 3.0 * c;
  for (int d = 0; d < 3; ++d) {
    if (coords[d] > 0) {
      cols[count] = row - steps[d];
      vals[count++] = -1.0 - c;
    }
    if (coords[d] < n - 1) {
      cols[count] = row + steps[d];
      vals[count++] = -1.0;
    }
  }
  return count;
}

int main(int argc, char** argv) {
  PetscInt n = 10, first, last, cols[7], iterations;
  PetscReal peclet = 50.0, error;
  PetscScalar vals[7];
  char problem[32] = "laplace";
  PetscBool convdiff;
  Mat A;
  Vec x, b, ones;
  KSP ksp;
  PC pc;
  MatSolverType solver = NULL;

  PetscCall(PetscInitialize(&argc, &argv, NULL, NULL));
  PetscCall(VarnexoPetscRegister());
  PetscCall(PetscOptionsGetInt(NULL, NULL, "-n", &n, NULL));
  PetscCall(PetscOptionsGetReal(NULL, NULL, "-peclet", &peclet, NULL));
  PetscCall(PetscOptionsGetString(NULL, NULL, "-problem", problem, sizeof(problem), NULL));
  PetscCall(PetscStrcmp(problem, "convdiff", &convdiff));

  PetscCall(
      MatCreateAIJ(PETSC_COMM_WORLD, PETSC_DECIDE, PETSC_DECIDE, n * n * n, n * n * n, 7, NULL, 3, NULL, &A));
  PetscCall(MatGetOwnershipRange(A, &first, &last));
  for (PetscInt row = first; row < last; ++row) {
    const PetscInt count = stencil(row, n, convdiff, peclet, cols, vals);
    PetscCall(MatSetValues(A, 1, &row, count, cols, vals, INSERT_VALUES));
  }
  PetscCall(MatAssemblyBegin(A, MAT_FINAL_ASSEMBLY));
  PetscCall(MatAssemblyEnd(A, MAT_FINAL_ASSEMBLY));
  if (!convdiff) PetscCall(MatSetOption(A, MAT_SPD, PETSC_TRUE));

  PetscCall(MatCreateVecs(A, &x, &b));
  PetscCall(VecDuplicate(x, &ones));
  PetscCall(VecSet(ones, 1.0));
  PetscCall(MatMult(A, ones, b));

  PetscCall(KSPCreate(PETSC_COMM_WORLD, &ksp));
  PetscCall(KSPSetOperators(ksp, A, A));
  PetscCall(KSPSetFromOptions(ksp));
  PetscCall(KSPSolve(ksp, b, x));
  PetscCall(KSPGetIterationNumber(ksp, &iterations));
  PetscCall(KSPGetPC(ksp, &pc));
  PetscCall(PCFactorGetMatSolverType(pc, &solver));
  PetscCall(VecAXPY(x, -1.0, ones));
  PetscCall(VecNorm(x, NORM_INFINITY, &error));
  PetscCall(PetscPrintf(PETSC_COMM_WORLD,
                        "%s, n = %" PetscInt_FMT "^3, solver %s: %" PetscInt_FMT " iterations, error %.2e\n",
                        problem, n, solver ? solver : "-", iterations, (double)error));

  PetscCall(KSPDestroy(&ksp));
  PetscCall(VecDestroy(&ones));
  PetscCall(VecDestroy(&x));
  PetscCall(VecDestroy(&b));
  PetscCall(MatDestroy(&A));
  PetscCall(PetscFinalize());
  return 0;
}
