// The life cycle of a "varnexo" factor matrix: the symbolic factorisation runs the analysis
// (phase 11), the numerical factorisation refreshes the values and factors again without a new
// analysis (phase 22), MatSolve/MatMatSolve and their transposes solve (phase 33), and destroy
// releases the handle (phase -1).
#include "plugin.h"

namespace varnexo::petsc {
namespace {

Factor& context(Mat F) { return *static_cast<Factor*>(F->data); }

bool is_hermitian(int32_t type) { return type == VARNEXO_HERMITIAN_PD || type == VARNEXO_HERMITIAN_INDEF; }
bool is_unsymmetric(int32_t type) { return type == VARNEXO_REAL_UNSYM || type == VARNEXO_COMPLEX_UNSYM; }

// Runs `phase` of the public call on the stored matrix with `nb` right-hand sides b and solutions
// x (phases without a solve get the work array, which they do not read).
int32_t call(Factor& f, int32_t phase, int32_t nb, PetscScalar* b, PetscScalar* x, int32_t message_level) {
  const int32_t one = 1;
  int32_t error = 0;
  varnexo_(f.handle, &one, &one, &f.matrix_type, &phase, &f.pattern.n,
           reinterpret_cast<const double*>(f.pattern.a), f.pattern.ia, f.pattern.ja, f.perm, &nb, f.iparam,
           &message_level, reinterpret_cast<double*>(b), reinterpret_cast<double*>(x), &error);
  return error;
}

// Releases everything the handle holds. A handle that no call has filled (never analysed, or
// analysed through the library's diagonal short cut) holds nothing and is left alone.
void release(Factor& f) {
  bool used = false;
  for (void* slot : f.handle) used = used || slot != nullptr;
  if (used) call(f, VARNEXO_PHASE_RELEASE_ALL, 1, f.work, f.work, 0);
  for (void*& slot : f.handle) slot = nullptr;
  f.analysed = f.factored = PETSC_FALSE;
}

// Makes the work array hold `count` scalars (at least one, so that it can stand for an unused b).
PetscErrorCode reserve_work(Factor& f, PetscInt count) {
  PetscFunctionBegin;
  count = PetscMax(count, 1);
  if (f.work_size < count) {
    PetscCall(PetscFree(f.work));
    PetscCall(PetscMalloc1(count, &f.work));
    f.work_size = count;
  }
  PetscFunctionReturn(PETSC_SUCCESS);
}

// Reports an error of the library. A zero pivot, a structurally singular matrix or a lack of
// memory is a failure of the factorisation: recorded in F for the preconditioner to see (KSP then
// stops with a failed preconditioner), or raised when A asks for errors on failure. Anything else
// means the plug-in handed over something the library refused, and is raised.
PetscErrorCode report(Mat F, Mat A, int32_t error, const char* stage) {
  PetscFunctionBegin;
  if (error == 0) PetscFunctionReturn(PETSC_SUCCESS);
  MatFactorError failure = MAT_FACTOR_NOERROR;
  PetscErrorCode code = PETSC_ERR_LIB;
  if (error == VARNEXO_ERROR_NUMERICAL || error == VARNEXO_ERROR_MATCHING) {
    failure = error == VARNEXO_ERROR_MATCHING ? MAT_FACTOR_STRUCT_ZEROPIVOT : MAT_FACTOR_NUMERIC_ZEROPIVOT;
    code = F->factortype == MAT_FACTOR_LU ? PETSC_ERR_MAT_LU_ZRPVT : PETSC_ERR_MAT_CH_ZRPVT;
  } else if (error == VARNEXO_ERROR_MEMORY) {
    failure = MAT_FACTOR_OUTMEMORY;
    code = PETSC_ERR_MEM;
  }
  PetscCheck(failure != MAT_FACTOR_NOERROR && !A->erroriffailure, PETSC_COMM_SELF, code,
             "varnexo %s failed with error %d (%s); -mat_varnexo_message_level 1 prints the details", stage,
             (int)error, error_class(error));
  PetscCall(PetscInfo(F, "varnexo %s failed with error %d (%s)\n", stage, (int)error, error_class(error)));
  F->factorerrortype = failure;
  PetscFunctionReturn(PETSC_SUCCESS);
}

// The phase-11 analysis of A as `type`, its upper triangle only when `upper`.
PetscErrorCode analyse(Mat F, Mat A, int32_t type, PetscBool upper) {
  Factor& f = context(F);
  PetscFunctionBegin;
  release(f);
  F->factorerrortype = MAT_FACTOR_NOERROR;
  PetscCall(build_pattern(A, upper, f.pattern));
  PetscCall(gather_values(A, f.pattern));
  PetscCall(PetscFree(f.perm));
  PetscCall(PetscMalloc1(PetscMax(f.pattern.n, 1), &f.perm));
  PetscCall(reserve_work(f, f.pattern.n));
  f.matrix_type = type;
  varnexoinit_(f.handle, &f.matrix_type, f.iparam);
  f.iparam[VARNEXO_IPARAM_NPROC - 1] = 1;
  PetscCall(read_options(F, f.iparam, &f.message_level));
  f.iparam[VARNEXO_IPARAM_KEEP_ERROR - 1] = 1;  // a failed solve is an error, not a silent 0
  PetscCall(PetscInfo(F, "varnexo analysis (phase 11): type %d, n %d, %" PetscInt64_FMT " stored entries\n",
                      (int)type, (int)f.pattern.n, f.pattern.nnz()));
  ++f.analyses;
  if (f.pattern.n > 0)
    PetscCall(report(F, A, call(f, VARNEXO_PHASE_ANALYSIS, 1, f.work, f.work, f.message_level), "analysis"));
  f.analysed = F->factorerrortype == MAT_FACTOR_NOERROR ? PETSC_TRUE : PETSC_FALSE;
  PetscFunctionReturn(PETSC_SUCCESS);
}

// The matrix type of a Cholesky factorisation, from A's storage and the flags set on it.
PetscErrorCode cholesky_type(Mat A, int32_t* type) {
  PetscBool sbaij, set, spd = PETSC_FALSE, symmetric = PETSC_FALSE, hermitian = PETSC_FALSE;
  PetscFunctionBegin;
  PetscCall(PetscObjectBaseTypeCompare((PetscObject)A, MATSEQSBAIJ, &sbaij));
  PetscCall(MatIsSPDKnown(A, &set, &spd));
  spd = set && spd ? PETSC_TRUE : PETSC_FALSE;
  PetscCall(MatIsSymmetricKnown(A, &set, &symmetric));
  symmetric = set && symmetric ? PETSC_TRUE : PETSC_FALSE;
  PetscCall(MatIsHermitianKnown(A, &set, &hermitian));
  hermitian = set && hermitian ? PETSC_TRUE : PETSC_FALSE;
#if defined(PETSC_USE_COMPLEX)
  // SBAIJ stores a complex symmetric matrix unless MAT_HERMITIAN says otherwise.
  PetscCheck(
      hermitian || symmetric || sbaij, PETSC_COMM_SELF, PETSC_ERR_ARG_WRONGSTATE,
      "varnexo's Cholesky reads the upper triangle only: set MAT_HERMITIAN or MAT_SYMMETRIC on the matrix");
  if (hermitian)
    *type = spd ? VARNEXO_HERMITIAN_PD : VARNEXO_HERMITIAN_INDEF;
  else
    *type = VARNEXO_COMPLEX_SYM;
#else
  PetscCheck(spd || symmetric || hermitian || sbaij, PETSC_COMM_SELF, PETSC_ERR_ARG_WRONGSTATE,
             "varnexo's Cholesky reads the upper triangle only: set MAT_SYMMETRIC or MAT_SPD on the matrix");
  *type = spd ? VARNEXO_REAL_SPD : VARNEXO_REAL_SYM_INDEF;
#endif
  PetscFunctionReturn(PETSC_SUCCESS);
}

// Solves op(A)·X = B for `nrhs` columns, B with leading dimension ldb, X with ldx; op is the
// transpose when `transpose`. The library solves with Aᵀ itself for the unsymmetric types; a
// symmetric matrix is its own transpose, and a Hermitian one gives Aᵀx = b as conj(A⁻¹·conj(b)).
PetscErrorCode solve_columns(Mat F, PetscInt nrhs, const PetscScalar* b, PetscInt ldb, PetscScalar* x,
                             PetscInt ldx, bool transpose) {
  Factor& f = context(F);
  const PetscInt n = f.pattern.n;
  PetscFunctionBegin;
  PetscCheck(f.factored, PETSC_COMM_SELF, PETSC_ERR_ARG_WRONGSTATE,
             "the varnexo factor has not been computed");
  PetscCheck(nrhs <= PETSC_MAX_INT / PetscMax(2 * n, 1), PETSC_COMM_SELF, PETSC_ERR_INT_OVERFLOW,
             "too many right-hand sides at once");
  if (n == 0 || nrhs == 0) PetscFunctionReturn(PETSC_SUCCESS);
  const bool conjugate = transpose && is_hermitian(f.matrix_type);
  const bool direct = ldx == n;  // the library writes straight into X
  PetscCall(reserve_work(f, n * nrhs * (direct ? 1 : 2)));
  PetscScalar* rhs = f.work;
  PetscScalar* sol = direct ? x : f.work + n * nrhs;
  for (PetscInt j = 0; j < nrhs; ++j)
    for (PetscInt i = 0; i < n; ++i) rhs[i + j * n] = conjugate ? PetscConj(b[i + j * ldb]) : b[i + j * ldb];
  f.iparam[VARNEXO_IPARAM_TRANSPOSE - 1] = transpose && is_unsymmetric(f.matrix_type) ? 1 : 0;
  f.iparam[VARNEXO_IPARAM_SOLUTION_ON_B - 1] = 0;
  const int32_t error = call(f, VARNEXO_PHASE_SOLVE, static_cast<int32_t>(nrhs), rhs, sol, f.message_level);
  ++f.solves;
  PetscCheck(error == 0, PETSC_COMM_SELF, PETSC_ERR_LIB,
             "varnexo solve failed with error %d (%s); -mat_varnexo_message_level 1 prints the details",
             (int)error, error_class(error));
  for (PetscInt j = 0; j < nrhs; ++j)
    for (PetscInt i = 0; i < n; ++i) {
      const PetscScalar v = sol[i + j * n];
      x[i + j * ldx] = conjugate ? PetscConj(v) : v;
    }
  PetscFunctionReturn(PETSC_SUCCESS);
}

PetscErrorCode solve_vector(Mat F, Vec b, Vec x, bool transpose) {
  const PetscScalar* barray;
  PetscScalar* xarray;
  PetscFunctionBegin;
  PetscCall(VecGetArrayRead(b, &barray));
  PetscCall(VecGetArrayWrite(x, &xarray));
  const PetscInt n = context(F).pattern.n;
  PetscCall(solve_columns(F, 1, barray, n, xarray, n, transpose));
  PetscCall(VecRestoreArrayWrite(x, &xarray));
  PetscCall(VecRestoreArrayRead(b, &barray));
  PetscFunctionReturn(PETSC_SUCCESS);
}

PetscErrorCode solve(Mat F, Vec b, Vec x) { return solve_vector(F, b, x, false); }
PetscErrorCode solve_transpose(Mat F, Vec b, Vec x) { return solve_vector(F, b, x, true); }

PetscErrorCode solve_dense(Mat F, Mat B, Mat X, bool transpose) {
  PetscBool dense;
  PetscInt nrhs, ldb, ldx;
  const PetscScalar* barray;
  PetscScalar* xarray;
  PetscFunctionBegin;
  PetscCall(PetscObjectTypeCompareAny((PetscObject)B, &dense, MATSEQDENSE, ""));
  PetscCheck(dense, PETSC_COMM_SELF, PETSC_ERR_ARG_WRONG, "right-hand sides must be a MATSEQDENSE matrix");
  PetscCall(PetscObjectTypeCompareAny((PetscObject)X, &dense, MATSEQDENSE, ""));
  PetscCheck(dense, PETSC_COMM_SELF, PETSC_ERR_ARG_WRONG, "solutions must be a MATSEQDENSE matrix");
  PetscCall(MatGetSize(B, nullptr, &nrhs));
  PetscCall(MatDenseGetLDA(B, &ldb));
  PetscCall(MatDenseGetLDA(X, &ldx));
  PetscCall(MatDenseGetArrayRead(B, &barray));
  PetscCall(MatDenseGetArrayWrite(X, &xarray));
  PetscCall(solve_columns(F, nrhs, barray, ldb, xarray, ldx, transpose));
  PetscCall(MatDenseRestoreArrayWrite(X, &xarray));
  PetscCall(MatDenseRestoreArrayRead(B, &barray));
  PetscFunctionReturn(PETSC_SUCCESS);
}

PetscErrorCode mat_solve(Mat F, Mat B, Mat X) { return solve_dense(F, B, X, false); }
PetscErrorCode mat_solve_transpose(Mat F, Mat B, Mat X) { return solve_dense(F, B, X, true); }

// Inertia of the last factorisation: the positive definite types have n positive eigenvalues,
// the real indefinite type counts the signs of its 1×1 and 2×2 pivots (perturbed pivots with the
// sign they were given). The library counts none for the complex indefinite types.
PetscErrorCode get_inertia(Mat F, PetscInt* nneg, PetscInt* nzero, PetscInt* npos) {
  Factor& f = context(F);
  PetscFunctionBegin;
  PetscCheck(f.factored, PETSC_COMM_SELF, PETSC_ERR_ARG_WRONGSTATE,
             "the varnexo factor has not been computed");
  if (nneg) *nneg = f.negative;
  if (npos) *npos = f.positive;
  if (nzero) *nzero = f.pattern.n - f.positive - f.negative;
  PetscFunctionReturn(PETSC_SUCCESS);
}

bool has_inertia(int32_t type) {
  return type == VARNEXO_REAL_SPD || type == VARNEXO_REAL_SYM_INDEF || type == VARNEXO_HERMITIAN_PD;
}

// Phase 22 on the current values of A: the analysis of the symbolic step is reused.
PetscErrorCode numeric(Mat F, Mat A) {
  Factor& f = context(F);
  PetscFunctionBegin;
  PetscCheck(f.analysed, PETSC_COMM_SELF, PETSC_ERR_ORDER,
             "varnexo needs a successful symbolic factorisation before the numerical one");
  F->factorerrortype = MAT_FACTOR_NOERROR;
  f.factored = PETSC_FALSE;
  PetscCall(gather_values(A, f.pattern));
  PetscCall(PetscInfo(F, "varnexo factorisation (phase 22): type %d, n %d\n", (int)f.matrix_type,
                      (int)f.pattern.n));
  ++f.factorizations;
  if (f.pattern.n > 0)
    PetscCall(
        report(F, A, call(f, VARNEXO_PHASE_FACTOR, 1, f.work, f.work, f.message_level), "factorisation"));
  if (F->factorerrortype != MAT_FACTOR_NOERROR) PetscFunctionReturn(PETSC_SUCCESS);
  f.factored = PETSC_TRUE;
  const bool indefinite = f.matrix_type == VARNEXO_REAL_SYM_INDEF;
  f.positive = indefinite ? f.iparam[VARNEXO_IPARAM_POSITIVE - 1] : f.pattern.n;
  f.negative = indefinite ? f.iparam[VARNEXO_IPARAM_NEGATIVE - 1] : 0;
  F->ops->solve = solve;
  F->ops->solvetranspose = solve_transpose;
  F->ops->matsolve = mat_solve;
  F->ops->matsolvetranspose = mat_solve_transpose;
  F->ops->getinertia = has_inertia(f.matrix_type) ? get_inertia : nullptr;
  F->assembled = PETSC_TRUE;
  F->preallocated = PETSC_TRUE;
  PetscFunctionReturn(PETSC_SUCCESS);
}

PetscErrorCode lu_numeric(Mat F, Mat A, const MatFactorInfo*) { return numeric(F, A); }
PetscErrorCode cholesky_numeric(Mat F, Mat A, const MatFactorInfo*) { return numeric(F, A); }

}  // namespace

PetscErrorCode lu_symbolic(Mat F, Mat A, IS, IS, const MatFactorInfo*) {
  PetscFunctionBegin;
#if defined(PETSC_USE_COMPLEX)
  PetscCall(analyse(F, A, VARNEXO_COMPLEX_UNSYM, PETSC_FALSE));
#else
  PetscCall(analyse(F, A, VARNEXO_REAL_UNSYM, PETSC_FALSE));
#endif
  F->ops->lufactornumeric = lu_numeric;
  PetscFunctionReturn(PETSC_SUCCESS);
}

PetscErrorCode cholesky_symbolic(Mat F, Mat A, IS, const MatFactorInfo*) {
  int32_t type = 0;
  PetscFunctionBegin;
  PetscCall(cholesky_type(A, &type));
  PetscCall(analyse(F, A, type, PETSC_TRUE));
  F->ops->choleskyfactornumeric = cholesky_numeric;
  PetscFunctionReturn(PETSC_SUCCESS);
}

PetscErrorCode destroy(Mat F) {
  PetscFunctionBegin;
  Factor* f = static_cast<Factor*>(F->data);
  if (f) {
    release(*f);
    PetscCall(free_pattern(f->pattern));
    PetscCall(PetscFree(f->perm));
    PetscCall(PetscFree(f->work));
    f->~Factor();
    PetscCall(PetscFree(F->data));
  }
  PetscCall(PetscObjectComposeFunction((PetscObject)F, "MatFactorGetSolverType_C", nullptr));
  PetscCall(PetscObjectComposeFunction((PetscObject)F, "VarnexoPetscGetPhaseCounts_C", nullptr));
  PetscCall(PetscObjectComposeFunction((PetscObject)F, "VarnexoPetscGetIparam_C", nullptr));
  PetscCall(PetscObjectComposeFunction((PetscObject)F, "VarnexoPetscGetMatrixType_C", nullptr));
  PetscFunctionReturn(PETSC_SUCCESS);
}

PetscErrorCode view(Mat F, PetscViewer viewer) {
  PetscBool ascii;
  PetscViewerFormat format;
  PetscFunctionBegin;
  PetscCall(PetscObjectTypeCompare((PetscObject)viewer, PETSCVIEWERASCII, &ascii));
  if (!ascii) PetscFunctionReturn(PETSC_SUCCESS);
  PetscCall(PetscViewerGetFormat(viewer, &format));
  if (format != PETSC_VIEWER_ASCII_INFO && format != PETSC_VIEWER_ASCII_INFO_DETAIL)
    PetscFunctionReturn(PETSC_SUCCESS);
  const Factor& f = context(F);
  const int32_t* ip = f.iparam;
  const int ordering = ip[VARNEXO_IPARAM_ORDERING - 1];
  PetscCall(PetscViewerASCIIPrintf(viewer, "varnexo run parameters (-mat_varnexo_*):\n"));
  PetscCall(PetscViewerASCIIPrintf(
      viewer, "  matrix type %d, ordering %s, matching %d, scaling %d\n", (int)f.matrix_type,
      ordering >= 0 && ordering <= 2 ? kOrderingNames[ordering] : "?", (int)ip[VARNEXO_IPARAM_MATCHING - 1],
      (int)ip[VARNEXO_IPARAM_SCALING - 1]));
  PetscCall(PetscViewerASCIIPrintf(
      viewer, "  pivot perturbation exponent %d, pivoting %d, refinement steps %d, threads %d\n",
      (int)ip[VARNEXO_IPARAM_PIVOT_EXPONENT - 1], (int)ip[VARNEXO_IPARAM_PIVOTING - 1],
      (int)ip[VARNEXO_IPARAM_MAX_REFINE - 1], (int)ip[VARNEXO_IPARAM_NPROC - 1]));
  PetscCall(PetscViewerASCIIPrintf(viewer, "  nonzeros of the factor %d, %d Mflop, %d perturbed pivots\n",
                                   (int)ip[VARNEXO_IPARAM_FACTOR_NNZ - 1], (int)ip[VARNEXO_IPARAM_MFLOP - 1],
                                   (int)ip[VARNEXO_IPARAM_PERTURBED - 1]));
  PetscCall(PetscViewerASCIIPrintf(
      viewer, "  analyses %" PetscInt_FMT ", factorisations %" PetscInt_FMT ", solves %" PetscInt_FMT "\n",
      f.analyses, f.factorizations, f.solves));
  PetscFunctionReturn(PETSC_SUCCESS);
}

PetscErrorCode get_info(Mat F, MatInfoType, MatInfo* info) {
  const Factor& f = context(F);
  PetscFunctionBegin;
  PetscCall(PetscMemzero(info, sizeof(*info)));
  info->block_size = 1.0;
  const double factor_nnz = f.analysed ? f.iparam[VARNEXO_IPARAM_FACTOR_NNZ - 1] : 0;
  info->nz_allocated = info->nz_used = factor_nnz;
  info->memory = 1024.0 * f.iparam[VARNEXO_IPARAM_FACTOR_KB - 1];
  const double nnz = static_cast<double>(f.pattern.nnz());
  info->fill_ratio_needed = nnz > 0 ? factor_nnz / nnz : 0.0;
  PetscFunctionReturn(PETSC_SUCCESS);
}

}  // namespace varnexo::petsc
