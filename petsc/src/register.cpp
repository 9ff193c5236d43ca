// Registration of the solver type "varnexo" with PETSc, the creation of its factor matrices, and
// the queries varnexo_petsc.h adds (phase counts, parameter array, matrix type).
#include <new>

#include "plugin.h"
#include "varnexo_petsc.h"

namespace varnexo::petsc {
namespace {

PetscErrorCode solver_type(Mat, MatSolverType* type) {
  *type = MATSOLVERVARNEXO;
  return PETSC_SUCCESS;
}

PetscErrorCode phase_counts(Mat F, PetscInt* analyses, PetscInt* factorizations, PetscInt* solves) {
  const Factor& f = *static_cast<Factor*>(F->data);
  if (analyses) *analyses = f.analyses;
  if (factorizations) *factorizations = f.factorizations;
  if (solves) *solves = f.solves;
  return PETSC_SUCCESS;
}

PetscErrorCode iparam_entry(Mat F, PetscInt position, PetscInt* value) {
  PetscFunctionBegin;
  PetscCheck(position >= 1 && position <= VARNEXO_IPARAM_SIZE, PETSC_COMM_SELF, PETSC_ERR_ARG_OUTOFRANGE,
             "iparam position %" PetscInt_FMT " is outside 1..64", position);
  *value = static_cast<Factor*>(F->data)->iparam[position - 1];
  PetscFunctionReturn(PETSC_SUCCESS);
}

PetscErrorCode matrix_type(Mat F, PetscInt* type) {
  *type = static_cast<Factor*>(F->data)->matrix_type;
  return PETSC_SUCCESS;
}

PetscErrorCode compose_queries(Mat B) {
  PetscFunctionBegin;
  PetscCall(PetscObjectComposeFunction((PetscObject)B, "MatFactorGetSolverType_C", solver_type));
  PetscCall(PetscObjectComposeFunction((PetscObject)B, "VarnexoPetscGetPhaseCounts_C", phase_counts));
  PetscCall(PetscObjectComposeFunction((PetscObject)B, "VarnexoPetscGetIparam_C", iparam_entry));
  PetscCall(PetscObjectComposeFunction((PetscObject)B, "VarnexoPetscGetMatrixType_C", matrix_type));
  PetscFunctionReturn(PETSC_SUCCESS);
}

// MatGetFactor for "varnexo": an empty factor matrix whose symbolic step PETSc calls next. The
// library orders the matrix itself, so PETSc's ordering is not asked for.
PetscErrorCode get_factor(Mat A, MatFactorType ftype, Mat* F) {
  Mat B;
  PetscFunctionBegin;
  PetscCheck(ftype == MAT_FACTOR_LU || ftype == MAT_FACTOR_CHOLESKY, PETSC_COMM_SELF, PETSC_ERR_SUP,
             "varnexo computes LU and Cholesky factorisations, not %s", MatFactorTypes[ftype]);
  PetscCheck(A->rmap->N == A->cmap->N, PETSC_COMM_SELF, PETSC_ERR_ARG_SIZ,
             "varnexo factors square matrices only");
  PetscCall(MatCreate(PetscObjectComm((PetscObject)A), &B));
  PetscCall(MatSetSizes(B, A->rmap->n, A->cmap->n, A->rmap->N, A->cmap->N));
  PetscCall(PetscStrallocpy(MATSOLVERVARNEXO, &((PetscObject)B)->type_name));
  PetscCall(MatSetUp(B));
  Factor* f;
  PetscCall(PetscNew(&f));
  new (f) Factor();
  B->data = f;
  B->ops->destroy = destroy;
  B->ops->view = view;
  B->ops->getinfo = get_info;
  PetscCall(compose_queries(B));
  B->factortype = ftype;
  if (ftype == MAT_FACTOR_LU)
    B->ops->lufactorsymbolic = lu_symbolic;
  else
    B->ops->choleskyfactorsymbolic = cholesky_symbolic;
  PetscCall(PetscStrallocpy(MATORDERINGEXTERNAL, (char**)&B->preferredordering[ftype]));
  PetscCall(PetscFree(B->solvertype));
  PetscCall(PetscStrallocpy(MATSOLVERVARNEXO, &B->solvertype));
  B->canuseordering = PETSC_FALSE;
  *F = B;
  PetscFunctionReturn(PETSC_SUCCESS);
}

}  // namespace
}  // namespace varnexo::petsc

PetscErrorCode VarnexoPetscRegister(void) {
  using varnexo::petsc::get_factor;
  PetscFunctionBegin;
  // The Mat package registers PETSc's own solvers when it starts; it must start before "varnexo" is
  // added, or the first registration would replace PETSc's list (and PETSc's own LU would go).
  PetscCall(MatInitializePackage());
  PetscCall(MatSolverTypeRegister(MATSOLVERVARNEXO, MATSEQAIJ, MAT_FACTOR_LU, get_factor));
  PetscCall(MatSolverTypeRegister(MATSOLVERVARNEXO, MATSEQAIJ, MAT_FACTOR_CHOLESKY, get_factor));
  PetscCall(MatSolverTypeRegister(MATSOLVERVARNEXO, MATSEQSBAIJ, MAT_FACTOR_CHOLESKY, get_factor));
  PetscFunctionReturn(PETSC_SUCCESS);
}

PetscErrorCode PetscDLLibraryRegister_varnexo_petsc(void) { return VarnexoPetscRegister(); }

PetscErrorCode VarnexoPetscGetPhaseCounts(Mat F, PetscInt* analyses, PetscInt* factorizations,
                                          PetscInt* solves) {
  PetscFunctionBegin;
  PetscValidHeaderSpecific(F, MAT_CLASSID, 1);
  PetscUseMethod(F, "VarnexoPetscGetPhaseCounts_C", (Mat, PetscInt*, PetscInt*, PetscInt*),
                 (F, analyses, factorizations, solves));
  PetscFunctionReturn(PETSC_SUCCESS);
}

PetscErrorCode VarnexoPetscGetIparam(Mat F, PetscInt position, PetscInt* value) {
  PetscFunctionBegin;
  PetscValidHeaderSpecific(F, MAT_CLASSID, 1);
  PetscValidIntPointer(value, 3);
  PetscUseMethod(F, "VarnexoPetscGetIparam_C", (Mat, PetscInt, PetscInt*), (F, position, value));
  PetscFunctionReturn(PETSC_SUCCESS);
}

PetscErrorCode VarnexoPetscGetMatrixType(Mat F, PetscInt* matrix_type) {
  PetscFunctionBegin;
  PetscValidHeaderSpecific(F, MAT_CLASSID, 1);
  PetscValidIntPointer(matrix_type, 2);
  PetscUseMethod(F, "VarnexoPetscGetMatrixType_C", (Mat, PetscInt*), (F, matrix_type));
  PetscFunctionReturn(PETSC_SUCCESS);
}
