// The life cycle of a factor inside a KSP: a time loop whose matrix keeps its structure and
// changes its values factors again without a new analysis, and a new structure brings a new one.
#include "support.h"

namespace varnexo_petsc_test {
namespace {

// Sets the values of step `step`: the problem's entries with a diagonal that grows in time and a
// convection term that turns (so the matrix stays unsymmetric and changes everywhere).
PetscErrorCode set_step(Mat A, const Problem& p, int step) {
  PetscFunctionBegin;
  for (size_t k = 0; k < p.val.size(); ++k) {
    const PetscScalar v =
        p.row[k] == p.col[k] ? p.val[k] + 0.5 * step : p.val[k] * (1.0 + 0.1 * step * (k % 3));
    PetscCall(MatSetValue(A, p.row[k], p.col[k], v, INSERT_VALUES));
  }
  PetscCall(MatAssemblyBegin(A, MAT_FINAL_ASSEMBLY));
  PetscCall(MatAssemblyEnd(A, MAT_FINAL_ASSEMBLY));
  PetscFunctionReturn(0);
}

TEST(Lifecycle, TimeLoopReusesTheAnalysis) {
  const Problem p = convdiff3d(12, 80.0);
  Mat A, F, R;
  KSP ksp;
  PC pc;
  PETSC_OK(build(p, Storage::aij, &A));
  PETSC_OK(KSPCreate(PETSC_COMM_SELF, &ksp));
  PETSC_OK(KSPSetType(ksp, KSPPREONLY));
  PETSC_OK(KSPGetPC(ksp, &pc));
  PETSC_OK(PCSetType(pc, PCLU));
  PETSC_OK(PCFactorSetMatSolverType(pc, MATSOLVERVARNEXO));
  PetscInt factor_nnz = -1;
  const int steps = 3;
  for (int step = 1; step <= steps; ++step) {
    PETSC_OK(set_step(A, p, step));
    PETSC_OK(KSPSetOperators(ksp, A, A));
    Vec b, x, ref;
    PETSC_OK(rhs_for(A, &b));
    PETSC_OK(VecDuplicate(b, &x));
    PETSC_OK(VecDuplicate(b, &ref));
    PETSC_OK(KSPSolve(ksp, b, x));
    PETSC_OK(reference_factor(A, &R));
    PETSC_OK(MatSolve(R, b, ref));
    EXPECT_LT(relative_difference(x, ref), 1e-12) << "step " << step;
    PETSC_OK(PCFactorGetMatrix(pc, &F));
    PetscInt nnz;
    PETSC_OK(VarnexoPetscGetIparam(F, 18, &nnz));
    if (step > 1) {
      EXPECT_EQ(nnz, factor_nnz) << "the factor keeps the structure of the analysis";
    }
    factor_nnz = nnz;
    PETSC_OK(MatDestroy(&R));
    for (Vec v : {b, x, ref}) PETSC_OK(VecDestroy(&v));
  }
  PetscInt analyses, factorizations, solves;
  PETSC_OK(VarnexoPetscGetPhaseCounts(F, &analyses, &factorizations, &solves));
  EXPECT_EQ(analyses, 1);
  EXPECT_EQ(factorizations, steps);
  EXPECT_EQ(solves, steps);
  PETSC_OK(KSPDestroy(&ksp));
  PETSC_OK(MatDestroy(&A));
}

TEST(Lifecycle, SymbolicAgainOnTheSameFactorStartsAFreshAnalysis) {
  Mat A, B, F;
  PETSC_OK(build(laplace3d(6), Storage::aij, &A));
  PETSC_OK(build(convdiff3d(6, 10.0), Storage::aij, &B));
  PETSC_OK(factor(A, MATSOLVERVARNEXO, MAT_FACTOR_LU, &F));
  PETSC_OK(MatLUFactorSymbolic(F, B, nullptr, nullptr, nullptr));
  PETSC_OK(MatLUFactorNumeric(F, B, nullptr));
  Vec b, x, ref;
  Mat R;
  PETSC_OK(rhs_for(B, &b));
  PETSC_OK(VecDuplicate(b, &x));
  PETSC_OK(VecDuplicate(b, &ref));
  PETSC_OK(MatSolve(F, b, x));
  PETSC_OK(reference_factor(B, &R));
  PETSC_OK(MatSolve(R, b, ref));
  EXPECT_LT(relative_difference(x, ref), 1e-12);
  PetscInt analyses, factorizations, solves;
  PETSC_OK(VarnexoPetscGetPhaseCounts(F, &analyses, &factorizations, &solves));
  EXPECT_EQ(analyses, 2);
  EXPECT_EQ(factorizations, 2);
  EXPECT_EQ(solves, 1);
  for (Mat m : {A, B, F, R}) PETSC_OK(MatDestroy(&m));
  for (Vec v : {b, x, ref}) PETSC_OK(VecDestroy(&v));
}

// A numerical factorisation with a matrix of another structure than the analysed one would read
// values from the wrong places: it is refused.
TEST(Lifecycle, NumericWithAnotherStructureIsRefused) {
  Mat A, B, F;
  Problem wider = laplace3d(5);
  wider.add(0, 124, 0.5);
  PETSC_OK(build(laplace3d(5), Storage::aij, &A));
  PETSC_OK(build(wider, Storage::aij, &B));
  PETSC_OK(factor(A, MATSOLVERVARNEXO, MAT_FACTOR_LU, &F));
  EXPECT_EQ(quietly([&] { return MatLUFactorNumeric(F, B, nullptr); }), PETSC_ERR_ARG_INCOMP);
  for (Mat m : {A, B, F}) PETSC_OK(MatDestroy(&m));
}

// A diagonal matrix takes the library's short cut (no handle blocks): the life cycle still
// factors, solves and, for the real indefinite type, counts the signs.
TEST(Lifecycle, DiagonalMatrix) {
  Problem p{"diagonal", 40};
  for (PetscInt i = 0; i < p.n; ++i) p.add(i, i, i % 4 == 0 ? -2.0 - i : 1.0 + i);
  for (MatFactorType type : {MAT_FACTOR_LU, MAT_FACTOR_CHOLESKY}) {
    Mat A, F, R;
    Vec b, x, ref;
    PETSC_OK(build(p, Storage::aij, &A));
    PETSC_OK(MatSetOption(A, MAT_SYMMETRIC, PETSC_TRUE));
    PETSC_OK(MatSetOption(A, MAT_HERMITIAN, PETSC_TRUE));
    PETSC_OK(factor(A, MATSOLVERVARNEXO, type, &F));
    PETSC_OK(reference_factor(A, &R));
    PETSC_OK(rhs_for(A, &b));
    PETSC_OK(VecDuplicate(b, &x));
    PETSC_OK(VecDuplicate(b, &ref));
    PETSC_OK(MatSolve(F, b, x));
    PETSC_OK(MatSolve(R, b, ref));
    EXPECT_LT(relative_difference(x, ref), 1e-14);
    if (type == MAT_FACTOR_CHOLESKY && !kComplex) {
      PetscInt neg, zero, pos;
      PETSC_OK(MatGetInertia(F, &neg, &zero, &pos));
      EXPECT_EQ(neg, 10);
      EXPECT_EQ(zero, 0);
      EXPECT_EQ(pos, 30);
    }
    for (Mat m : {A, F, R}) PETSC_OK(MatDestroy(&m));
    for (Vec v : {b, x, ref}) PETSC_OK(VecDestroy(&v));
  }
}

}  // namespace
}  // namespace varnexo_petsc_test
