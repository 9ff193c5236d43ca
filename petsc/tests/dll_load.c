/* PETSc loads the plug-in by itself: this program is not linked with libvarnexo_petsc and never
 * calls VarnexoPetscRegister; run with -dll_append <path>/libvarnexo_petsc.so it must find the
 * solver type "varnexo" and solve with it. Exits 1 when it cannot. */
#include <petscksp.h>

int main(int argc, char** argv) {
  const PetscInt n = 50;
  Mat A;
  Vec x, b;
  KSP ksp;
  PetscBool available;
  PetscReal error;

  PetscCall(PetscInitialize(&argc, &argv, NULL, NULL));
  PetscCall(MatCreateSeqAIJ(PETSC_COMM_SELF, n, n, 3, NULL, &A));
  for (PetscInt i = 0; i < n; ++i) {
    PetscCall(MatSetValue(A, i, i, 2.5, INSERT_VALUES));
    if (i > 0) PetscCall(MatSetValue(A, i, i - 1, -1.0, INSERT_VALUES));
    if (i < n - 1) PetscCall(MatSetValue(A, i, i + 1, -1.2, INSERT_VALUES));
  }
  PetscCall(MatAssemblyBegin(A, MAT_FINAL_ASSEMBLY));
  PetscCall(MatAssemblyEnd(A, MAT_FINAL_ASSEMBLY));
  PetscCall(MatGetFactorAvailable(A, "varnexo", MAT_FACTOR_LU, &available));
  PetscCall(PetscPrintf(PETSC_COMM_SELF, "varnexo %s\n", available ? "available" : "not available"));
  if (!available) {
    PetscCall(MatDestroy(&A));
    PetscCall(PetscFinalize());
    return 1;
  }
  PetscCall(MatCreateVecs(A, &x, &b));
  PetscCall(VecSet(x, 1.0));
  PetscCall(MatMult(A, x, b));
  PetscCall(KSPCreate(PETSC_COMM_SELF, &ksp));
  PetscCall(KSPSetOperators(ksp, A, A));
  PetscCall(KSPSetFromOptions(ksp));
  PetscCall(KSPSolve(ksp, b, x));
  PetscCall(VecShift(x, -1.0));
  PetscCall(VecNorm(x, NORM_INFINITY, &error));
  PetscCall(PetscPrintf(PETSC_COMM_SELF, "error %.1e\n", (double)error));
  PetscCall(KSPDestroy(&ksp));
  PetscCall(VecDestroy(&x));
  PetscCall(VecDestroy(&b));
  PetscCall(MatDestroy(&A));
  PetscCall(PetscFinalize());
  return error < 1e-12 ? 0 : 1;
}
