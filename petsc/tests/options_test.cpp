// The -mat_varnexo_* options under a KSP's prefix reach the parameter array, bad values are
// refused, and factorisations that fail (a negative pivot under MAT_SPD, a structurally singular
// matrix) are reported the way PETSc's preconditioners expect.
#include "support.h"

namespace varnexo_petsc_test {
namespace {

// A KSP (preonly, `pc` with varnexo) under `prefix` with `options` inserted; solves A·x = b for
// a b of its own. The caller destroys ksp, b and x (also when the solve failed).
PetscErrorCode solve_with(Mat A, const char* pc, const char* prefix, const std::string& options, KSP* ksp,
                          Vec* b, Vec* x) {
  PetscFunctionBegin;
  PetscCall(PetscOptionsInsertString(nullptr, options.c_str()));
  PetscCall(KSPCreate(PETSC_COMM_SELF, ksp));
  PetscCall(KSPSetOptionsPrefix(*ksp, prefix));
  PetscCall(KSPSetOperators(*ksp, A, A));
  PetscCall(KSPSetType(*ksp, KSPPREONLY));
  PC p;
  PetscCall(KSPGetPC(*ksp, &p));
  PetscCall(PCSetType(p, pc));
  PetscCall(PCFactorSetMatSolverType(p, MATSOLVERVARNEXO));
  PetscCall(KSPSetFromOptions(*ksp));
  PetscCall(rhs_for(A, b));
  PetscCall(VecDuplicate(*b, x));
  PetscCall(KSPSolve(*ksp, *b, *x));
  PetscFunctionReturn(0);
}

PetscErrorCode factor_of(KSP ksp, Mat* F) {
  PC pc;
  PetscFunctionBegin;
  PetscCall(KSPGetPC(ksp, &pc));
  PetscCall(PCFactorGetMatrix(pc, F));
  PetscFunctionReturn(0);
}

TEST(Options, ReachTheParameterArray) {
  Mat A, F, R;
  KSP ksp;
  Vec x, b, ref;
  PETSC_OK(build(convdiff3d(10, 50.0), Storage::aij, &A));
  PETSC_OK(
      solve_with(A, PCLU, "opt_",
                 "-opt_mat_varnexo_ordering mmd -opt_mat_varnexo_matching 0 -opt_mat_varnexo_scaling 0 "
                 "-opt_mat_varnexo_pivot_perturbation 10 -opt_mat_varnexo_refinement_steps 3 "
                 "-opt_mat_varnexo_threads 2 -opt_mat_varnexo_pivoting 1 -opt_mat_varnexo_message_level 0",
                 &ksp, &b, &x));
  PETSC_OK(factor_of(ksp, &F));
  const std::pair<PetscInt, PetscInt> expected[] = {{2, 0}, {13, 0}, {11, 0}, {10, 10},
                                                    {8, 3}, {3, 2},  {21, 1}};
  for (auto [position, value] : expected) {
    PetscInt v;
    PETSC_OK(VarnexoPetscGetIparam(F, position, &v));
    EXPECT_EQ(v, value) << "iparam(" << position << ")";
  }
  PETSC_OK(VecDuplicate(b, &ref));
  PETSC_OK(reference_factor(A, &R));
  PETSC_OK(MatSolve(R, b, ref));
  EXPECT_LT(relative_difference(x, ref), 1e-12);
  PetscInt v;
  EXPECT_NE(quietly([&] { return VarnexoPetscGetIparam(F, 65, &v); }), 0);
  PETSC_OK(KSPDestroy(&ksp));
  for (Mat m : {A, R}) PETSC_OK(MatDestroy(&m));
  for (Vec w : {x, b, ref}) PETSC_OK(VecDestroy(&w));
}

TEST(Options, BadValuesAreRefused) {
  const char* bad[] = {"-bad_mat_varnexo_ordering amd", "-bad_mat_varnexo_matching 7",
                       "-bad_mat_varnexo_threads 0", "-bad_mat_varnexo_pivot_perturbation -1"};
  Mat A;
  PETSC_OK(build(laplace3d(4), Storage::aij, &A));
  for (const char* option : bad) {
    KSP ksp = nullptr;
    Vec b = nullptr, x = nullptr;
    EXPECT_NE(quietly([&] { return solve_with(A, PCLU, "bad_", option, &ksp, &b, &x); }), 0) << option;
    PETSC_OK(PetscOptionsClearValue(nullptr,
                                    std::string(option).substr(0, std::string(option).find(' ')).c_str()));
    PETSC_OK(KSPDestroy(&ksp));
    PETSC_OK(VecDestroy(&b));
    PETSC_OK(VecDestroy(&x));
  }
  PETSC_OK(MatDestroy(&A));
}

// A matrix declared positive definite that is not: the factorisation reports a zero pivot, the
// preconditioner fails and KSP says so; with errors on failure the factorisation raises it.
TEST(Failures, NegativePivotUnderSpd) {
  Mat A, F;
  KSP ksp;
  Vec b, x;
  PETSC_OK(build(shifted2d(10, 1.3), Storage::sbaij, &A));
  PETSC_OK(MatSetOption(A, MAT_SPD, PETSC_TRUE));
  if (kComplex) {
    PETSC_OK(MatSetOption(A, MAT_HERMITIAN, PETSC_TRUE));
  }
  PETSC_OK(solve_with(A, PCCHOLESKY, "spd_", "", &ksp, &b, &x));
  KSPConvergedReason reason;
  PETSC_OK(KSPGetConvergedReason(ksp, &reason));
  EXPECT_EQ(reason, KSP_DIVERGED_PC_FAILED);
  PETSC_OK(factor_of(ksp, &F));
  MatFactorError error;
  PETSC_OK(MatFactorGetError(F, &error));
  EXPECT_EQ(error, MAT_FACTOR_NUMERIC_ZEROPIVOT);
  PETSC_OK(KSPDestroy(&ksp));
  PETSC_OK(VecDestroy(&b));
  PETSC_OK(VecDestroy(&x));

  PETSC_OK(MatSetErrorIfFailure(A, PETSC_TRUE));
  EXPECT_EQ(quietly([&] { return factor(A, MATSOLVERVARNEXO, MAT_FACTOR_CHOLESKY, &F); }),
            PETSC_ERR_MAT_CH_ZRPVT);
  PETSC_OK(MatDestroy(&F));
  PETSC_OK(MatDestroy(&A));
}

TEST(Failures, StructurallySingular) {
  Problem p = convdiff3d(5, 10.0);
  Problem holed{"holed", p.n};
  for (size_t k = 0; k < p.val.size(); ++k)
    if (p.row[k] != 7) holed.add(p.row[k], p.col[k], p.val[k]);
  Mat A, F;
  KSP ksp;
  Vec b, x;
  PETSC_OK(build(holed, Storage::aij, &A));
  PETSC_OK(solve_with(A, PCLU, "sing_", "", &ksp, &b, &x));
  KSPConvergedReason reason;
  PETSC_OK(KSPGetConvergedReason(ksp, &reason));
  EXPECT_EQ(reason, KSP_DIVERGED_PC_FAILED);
  PETSC_OK(factor_of(ksp, &F));
  MatFactorError error;
  PETSC_OK(MatFactorGetError(F, &error));
  EXPECT_EQ(error, MAT_FACTOR_STRUCT_ZEROPIVOT);
  PETSC_OK(KSPDestroy(&ksp));
  PETSC_OK(VecDestroy(&b));
  PETSC_OK(VecDestroy(&x));
  PETSC_OK(MatDestroy(&A));
}

}  // namespace
}  // namespace varnexo_petsc_test
