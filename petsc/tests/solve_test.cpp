// Sequential solves through the plug-in against PETSc's own LU: the KSP example's options
// (preonly, lu, varnexo) on a Laplacian and a convection-diffusion problem, Cholesky from AIJ and
// SBAIJ for every symmetric matrix type, transposed solves and several right-hand sides at once.
#include "support.h"

namespace varnexo_petsc_test {
namespace {

struct KspCase {
  const char* name;
  Problem (*make)();
  const char* pc;  // lu or cholesky
  bool spd;
  friend void PrintTo(const KspCase& c, std::ostream* os) { *os << c.name; }
};

Problem laplace() { return laplace3d(14); }
Problem convdiff() { return convdiff3d(14, 200.0); }

class Ksp : public testing::TestWithParam<KspCase> {};

// Solves with a KSP configured entirely from options under `prefix`.
PetscErrorCode ksp_solve(Mat A, Vec b, const char* prefix, const char* options, Vec* x) {
  KSP ksp;
  PetscFunctionBegin;
  PetscCall(PetscOptionsInsertString(nullptr, options));
  PetscCall(KSPCreate(PETSC_COMM_SELF, &ksp));
  PetscCall(KSPSetOptionsPrefix(ksp, prefix));
  PetscCall(KSPSetOperators(ksp, A, A));
  PetscCall(KSPSetFromOptions(ksp));
  PetscCall(VecDuplicate(b, x));
  PetscCall(KSPSolve(ksp, b, *x));
  KSPConvergedReason reason;
  PetscCall(KSPGetConvergedReason(ksp, &reason));
  PetscCheck(reason > 0, PETSC_COMM_SELF, PETSC_ERR_CONV_FAILED, "KSP did not converge (%d)", (int)reason);
  PetscCall(KSPDestroy(&ksp));
  PetscFunctionReturn(0);
}

TEST_P(Ksp, SameSolutionAsPetscLu) {
  const KspCase& c = GetParam();
  Mat A;
  Vec b, ours, theirs;
  PETSC_OK(build(c.make(), Storage::aij, &A));
  if (c.spd) {
    PETSC_OK(MatSetOption(A, MAT_SPD, PETSC_TRUE));
  }
  PETSC_OK(rhs_for(A, &b));
  const std::string mine =
      std::string("-v_ksp_type preonly -v_pc_type ") + c.pc + " -v_pc_factor_mat_solver_type varnexo";
  PETSC_OK(ksp_solve(A, b, "v_", mine.c_str(), &ours));
  PETSC_OK(
      ksp_solve(A, b, "p_", "-p_ksp_type preonly -p_pc_type lu -p_pc_factor_mat_solver_type petsc", &theirs));
  EXPECT_LT(relative_difference(ours, theirs), 1e-12);
  PETSC_OK(VecDestroy(&ours));
  PETSC_OK(VecDestroy(&theirs));
  PETSC_OK(VecDestroy(&b));
  PETSC_OK(MatDestroy(&A));
}

INSTANTIATE_TEST_SUITE_P(Problems, Ksp,
                         testing::Values(KspCase{"laplace_lu", laplace, "lu", false},
                                         KspCase{"laplace_cholesky", laplace, "cholesky", true},
                                         KspCase{"convdiff_lu", convdiff, "lu", false}),
                         [](const auto& info) { return std::string(info.param.name); });

// Cholesky: the matrix type follows PETSc's storage and flags.
struct CholeskyCase {
  const char* name;
  Problem (*make)();
  Storage storage;
  MatOption flag;  // set on the matrix; MAT_ROW_ORIENTED stands for none
  PetscInt type;   // the library's matrix type the analysis must use
  friend void PrintTo(const CholeskyCase& c, std::ostream* os) { *os << c.name; }
};

#if defined(PETSC_USE_COMPLEX)
Problem hermitian_pd() { return hermitian3d(10, 0.0); }
Problem hermitian_indefinite() { return hermitian3d(10, 2.1); }
Problem complex_symmetric() { return helmholtz3d(10); }
#else
Problem indefinite() { return shifted2d(20, 1.3); }
Problem saddle() { return kkt(16); }
#endif

class Cholesky : public testing::TestWithParam<CholeskyCase> {};

TEST_P(Cholesky, TypeFromFlagsAndSolutionAsPetscLu) {
  const CholeskyCase& c = GetParam();
  Mat A, F, R;
  Vec b, ours, theirs;
  PETSC_OK(build(c.make(), c.storage, &A));
  if (c.flag != MAT_ROW_ORIENTED) {
    PETSC_OK(MatSetOption(A, c.flag, PETSC_TRUE));
  }
  if (c.type == 4) {
    PETSC_OK(MatSetOption(A, MAT_SPD, PETSC_TRUE));
  }
  PETSC_OK(rhs_for(A, &b));
  PETSC_OK(factor(A, MATSOLVERVARNEXO, MAT_FACTOR_CHOLESKY, &F));
  PetscInt type;
  PETSC_OK(VarnexoPetscGetMatrixType(F, &type));
  EXPECT_EQ(type, c.type);
  PETSC_OK(reference_factor(A, &R));
  PETSC_OK(VecDuplicate(b, &ours));
  PETSC_OK(VecDuplicate(b, &theirs));
  PETSC_OK(MatSolve(F, b, ours));
  PETSC_OK(MatSolve(R, b, theirs));
  EXPECT_LT(relative_difference(ours, theirs), 1e-11);
  for (Mat m : {A, F, R}) PETSC_OK(MatDestroy(&m));
  for (Vec v : {b, ours, theirs}) PETSC_OK(VecDestroy(&v));
}

INSTANTIATE_TEST_SUITE_P(
    Storage, Cholesky,
    testing::Values(
#if defined(PETSC_USE_COMPLEX)
        CholeskyCase{"hermitian_pd_aij", hermitian_pd, Storage::aij, MAT_HERMITIAN, 4},
        CholeskyCase{"hermitian_indefinite_aij", hermitian_indefinite, Storage::aij, MAT_HERMITIAN, -4},
        CholeskyCase{"hermitian_indefinite_sbaij", hermitian_indefinite, Storage::sbaij, MAT_HERMITIAN, -4},
        CholeskyCase{"complex_symmetric_sbaij", complex_symmetric, Storage::sbaij, MAT_ROW_ORIENTED, 6},
        CholeskyCase{"complex_symmetric_aij", complex_symmetric, Storage::aij, MAT_SYMMETRIC, 6}
#else
        CholeskyCase{"spd_sbaij", laplace, Storage::sbaij, MAT_SPD, 2},
        CholeskyCase{"spd_aij", laplace, Storage::aij, MAT_SPD, 2},
        CholeskyCase{"symmetric_sbaij", laplace, Storage::sbaij, MAT_ROW_ORIENTED, -2},
        CholeskyCase{"indefinite_aij", indefinite, Storage::aij, MAT_SYMMETRIC, -2},
        CholeskyCase{"saddle_point_aij", saddle, Storage::aij, MAT_SYMMETRIC, -2},
        CholeskyCase{"saddle_point_sbaij", saddle, Storage::sbaij, MAT_ROW_ORIENTED, -2}
#endif
        ),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CholeskyFlags, AijWithoutSymmetryFlagIsRefused) {
  Mat A, F;
  PETSC_OK(build(laplace3d(4), Storage::aij, &A));
  PETSC_OK(MatGetFactor(A, MATSOLVERVARNEXO, MAT_FACTOR_CHOLESKY, &F));
  EXPECT_EQ(quietly([&] { return MatCholeskyFactorSymbolic(F, A, nullptr, nullptr); }),
            PETSC_ERR_ARG_WRONGSTATE);
  PETSC_OK(MatDestroy(&F));
  PETSC_OK(MatDestroy(&A));
}

// Transposed solves and several right-hand sides, against PETSc's LU of the same matrix.
struct SolveCase {
  const char* name;
  Problem (*make)();
  MatFactorType type;
  MatOption flag;
  friend void PrintTo(const SolveCase& c, std::ostream* os) { *os << c.name; }
};

class Solves : public testing::TestWithParam<SolveCase> {
 protected:
  void SetUp() override {
    const SolveCase& c = GetParam();
    ASSERT_EQ(build(c.make(), Storage::aij, &A), 0);
    if (c.flag != MAT_ROW_ORIENTED) {
      ASSERT_EQ(MatSetOption(A, c.flag, PETSC_TRUE), 0);
    }
    ASSERT_EQ(factor(A, MATSOLVERVARNEXO, c.type, &F), 0);
    ASSERT_EQ(reference_factor(A, &R), 0);
    ASSERT_EQ(MatGetSize(A, &n, nullptr), 0);
  }
  void TearDown() override {
    for (Mat* m : {&A, &F, &R}) MatDestroy(m);
  }
  Mat A = nullptr, F = nullptr, R = nullptr;
  PetscInt n = 0;
};

TEST_P(Solves, TransposeAsPetscLu) {
  Vec b, ours, theirs;
  PETSC_OK(rhs_for(A, &b));
  PETSC_OK(VecDuplicate(b, &ours));
  PETSC_OK(VecDuplicate(b, &theirs));
  PETSC_OK(MatSolveTranspose(F, b, ours));
  PETSC_OK(MatSolveTranspose(R, b, theirs));
  EXPECT_LT(relative_difference(ours, theirs), 1e-11);
  for (Vec v : {b, ours, theirs}) PETSC_OK(VecDestroy(&v));
}

// A dense matrix on caller's storage with leading dimension ld.
PetscErrorCode dense_on(PetscScalar* data, PetscInt n, PetscInt ncols, PetscInt ld, Mat* M) {
  PetscFunctionBegin;
  PetscCall(MatCreate(PETSC_COMM_SELF, M));
  PetscCall(MatSetSizes(*M, n, ncols, n, ncols));
  PetscCall(MatSetType(*M, MATSEQDENSE));
  PetscCall(MatDenseSetLDA(*M, ld));
  PetscCall(MatSeqDenseSetPreallocation(*M, data));
  PetscFunctionReturn(0);
}

// X from MatMatSolve (and its transpose) must match PETSc's solves column by column, also when
// B and X are stored with a leading dimension above n.
TEST_P(Solves, SeveralRightHandSidesAsPetscLu) {
  const PetscInt nrhs = 3, lda = n + 5;
  for (bool transpose : {false, true})
    for (PetscInt ld : {n, lda}) {
      std::vector<PetscScalar> bstore(ld * nrhs), xstore(ld * nrhs, 0.0);
      for (PetscInt j = 0; j < nrhs; ++j)
        for (PetscInt i = 0; i < n; ++i) bstore[i + j * ld] = scalar(std::cos(0.1 * i * (j + 1)), 0.2 * j);
      Mat B, X;
      PETSC_OK(dense_on(bstore.data(), n, nrhs, ld, &B));
      PETSC_OK(dense_on(xstore.data(), n, nrhs, ld, &X));
      PETSC_OK(transpose ? MatMatSolveTranspose(F, B, X) : MatMatSolve(F, B, X));
      for (PetscInt j = 0; j < nrhs; ++j) {
        Vec bj, xj, ref;
        PETSC_OK(VecCreateSeqWithArray(PETSC_COMM_SELF, 1, n, bstore.data() + j * ld, &bj));
        PETSC_OK(VecCreateSeqWithArray(PETSC_COMM_SELF, 1, n, xstore.data() + j * ld, &xj));
        PETSC_OK(VecDuplicate(bj, &ref));
        PETSC_OK(transpose ? MatSolveTranspose(R, bj, ref) : MatSolve(R, bj, ref));
        EXPECT_LT(relative_difference(xj, ref), 1e-11) << "column " << j << (transpose ? " transposed" : "");
        for (Vec v : {bj, xj, ref}) PETSC_OK(VecDestroy(&v));
      }
      PETSC_OK(MatDestroy(&B));
      PETSC_OK(MatDestroy(&X));
    }
}

INSTANTIATE_TEST_SUITE_P(Factors, Solves,
                         testing::Values(SolveCase{"lu_convdiff", convdiff, MAT_FACTOR_LU, MAT_ROW_ORIENTED},
#if defined(PETSC_USE_COMPLEX)
                                         SolveCase{"cholesky_hermitian", hermitian_indefinite,
                                                   MAT_FACTOR_CHOLESKY, MAT_HERMITIAN},
                                         SolveCase{"cholesky_complex_symmetric", complex_symmetric,
                                                   MAT_FACTOR_CHOLESKY, MAT_SYMMETRIC}
#else
                                         SolveCase{"cholesky_indefinite", indefinite, MAT_FACTOR_CHOLESKY,
                                                   MAT_SYMMETRIC}
#endif
                                         ),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace varnexo_petsc_test
