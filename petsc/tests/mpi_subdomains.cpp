// varnexo as the subdomain solver of a distributed run: GMRES on a 3D Laplacian spread over the
// ranks, preconditioned by block Jacobi and by additive Schwarz whose subdomain problems are
// factored by varnexo or by PETSc's own LU. Both must converge to 1e-10 in the same number of
// iterations, and the subdomain factors must really be varnexo's. Run under mpirun; exits 1 on a
// failed check.
#include <petscksp.h>

#include <string>

#include "varnexo_petsc.h"

namespace {

PetscErrorCode laplace3d(PetscInt m, Mat* A) {
  PetscInt first, last;
  PetscFunctionBegin;
  const PetscInt n = m * m * m;
  PetscCall(MatCreateAIJ(PETSC_COMM_WORLD, PETSC_DECIDE, PETSC_DECIDE, n, n, 7, nullptr, 3, nullptr, A));
  PetscCall(MatGetOwnershipRange(*A, &first, &last));
  for (PetscInt row = first; row < last; ++row) {
    PetscCall(MatSetValue(*A, row, row, 6.0, INSERT_VALUES));
    for (PetscInt step = 1; step < n; step *= m) {
      const PetscInt coord = (row / step) % m;
      if (coord > 0) PetscCall(MatSetValue(*A, row, row - step, -1.0, INSERT_VALUES));
      if (coord < m - 1) PetscCall(MatSetValue(*A, row, row + step, -1.0, INSERT_VALUES));
    }
  }
  PetscCall(MatAssemblyBegin(*A, MAT_FINAL_ASSEMBLY));
  PetscCall(MatAssemblyEnd(*A, MAT_FINAL_ASSEMBLY));
  PetscFunctionReturn(0);
}

// Whether the first subdomain factor of `ksp` (block Jacobi or ASM) comes from `solver`, and for
// varnexo, whether it ran its analysis once and its factorisation once.
PetscErrorCode check_subdomain_solver(KSP ksp, const char* pc_type, const char* solver, PetscBool* ok) {
  PC pc, subpc;
  KSP* sub;
  PetscInt nlocal, first;
  MatSolverType used;
  Mat F;
  PetscFunctionBegin;
  PetscCall(KSPGetPC(ksp, &pc));
  if (std::string(pc_type) == PCBJACOBI)
    PetscCall(PCBJacobiGetSubKSP(pc, &nlocal, &first, &sub));
  else
    PetscCall(PCASMGetSubKSP(pc, &nlocal, &first, &sub));
  PetscCall(KSPGetPC(sub[0], &subpc));
  PetscCall(PCFactorGetMatSolverType(subpc, &used));
  PetscCall(PetscStrcmp(used, solver, ok));
  if (*ok && std::string(solver) == MATSOLVERVARNEXO) {
    PetscInt analyses, factorizations;
    PetscCall(PCFactorGetMatrix(subpc, &F));
    PetscCall(VarnexoPetscGetPhaseCounts(F, &analyses, &factorizations, nullptr));
    *ok = analyses == 1 && factorizations == 1 ? PETSC_TRUE : PETSC_FALSE;
  }
  PetscFunctionReturn(0);
}

// GMRES to 1e-10 with `pc_type` and `solver` on the subdomains; the iterations and whether the
// run converged with a true residual that agrees.
PetscErrorCode run(Mat A, Vec b, const char* pc_type, const char* solver, PetscInt* iterations,
                   PetscBool* ok) {
  KSP ksp;
  Vec x, r;
  PetscFunctionBegin;
  const std::string prefix = std::string(pc_type) + "_" + solver + "_";
  const std::string options = "-" + prefix + "ksp_type gmres -" + prefix + "ksp_rtol 1e-10 -" + prefix +
                              "pc_type " + pc_type + " -" + prefix + "sub_pc_type lu -" + prefix +
                              "sub_pc_factor_mat_solver_type " + solver;
  PetscCall(PetscOptionsInsertString(nullptr, options.c_str()));
  PetscCall(KSPCreate(PETSC_COMM_WORLD, &ksp));
  PetscCall(KSPSetOptionsPrefix(ksp, prefix.c_str()));
  PetscCall(KSPSetOperators(ksp, A, A));
  PetscCall(KSPSetFromOptions(ksp));
  PetscCall(VecDuplicate(b, &x));
  PetscCall(VecDuplicate(b, &r));
  PetscCall(KSPSolve(ksp, b, x));
  KSPConvergedReason reason;
  PetscCall(KSPGetConvergedReason(ksp, &reason));
  PetscCall(KSPGetIterationNumber(ksp, iterations));
  PetscReal residual, norm;
  PetscCall(MatMult(A, x, r));
  PetscCall(VecAYPX(r, -1.0, b));
  PetscCall(VecNorm(r, NORM_2, &residual));
  PetscCall(VecNorm(b, NORM_2, &norm));
  PetscCall(check_subdomain_solver(ksp, pc_type, solver, ok));
  *ok = *ok && reason > 0 && residual <= 1e-8 * norm ? PETSC_TRUE : PETSC_FALSE;
  PetscCall(PetscPrintf(PETSC_COMM_WORLD,
                        "%-8s %-8s %3" PetscInt_FMT " iterations, relative residual %.1e%s\n", pc_type,
                        solver, *iterations, (double)(residual / norm), *ok ? "" : "  FAILED"));
  PetscCall(VecDestroy(&x));
  PetscCall(VecDestroy(&r));
  PetscCall(KSPDestroy(&ksp));
  PetscFunctionReturn(0);
}

}  // namespace

int main(int argc, char** argv) {
  Mat A;
  Vec b, ones;
  PetscInt m = 16;
  int failures = 0;
  PetscCall(PetscInitialize(&argc, &argv, nullptr, nullptr));
  PetscCall(VarnexoPetscRegister());
  PetscCall(PetscOptionsGetInt(nullptr, nullptr, "-m", &m, nullptr));
  PetscCall(laplace3d(m, &A));
  PetscCall(MatCreateVecs(A, &ones, &b));
  PetscCall(VecSet(ones, 1.0));
  PetscCall(MatMult(A, ones, b));
  for (const char* pc_type : {PCBJACOBI, PCASM}) {
    PetscInt ours, theirs;
    PetscBool ours_ok, theirs_ok;
    PetscCall(run(A, b, pc_type, MATSOLVERVARNEXO, &ours, &ours_ok));
    PetscCall(run(A, b, pc_type, MATSOLVERPETSC, &theirs, &theirs_ok));
    if (!ours_ok || !theirs_ok || ours != theirs) ++failures;
  }
  PetscCall(VecDestroy(&ones));
  PetscCall(VecDestroy(&b));
  PetscCall(MatDestroy(&A));
  PetscCall(PetscPrintf(PETSC_COMM_WORLD, "%s\n", failures ? "FAILED" : "passed"));
  PetscCall(PetscFinalize());
  return failures ? 1 : 0;
}
