// PETSc's sequential matrices as the library takes them (input stage of the factor): 1-based
// compressed rows, the whole matrix for LU or its upper triangle with every diagonal entry stored
// for Cholesky, and the map from each stored entry to PETSc's value array that lets a new
// factorisation refresh the values without touching the structure.
#include <limits>

#include "plugin.h"

namespace varnexo::petsc {
namespace {

// PETSc's own compressed rows of A (0-based) and its value array, aligned with them.
struct Rows {
  PetscInt n = 0;
  const PetscInt* i = nullptr;
  const PetscInt* j = nullptr;
};

PetscErrorCode is_sbaij(Mat A, PetscBool* sbaij) {
  PetscFunctionBegin;
  PetscCall(PetscObjectBaseTypeCompare((PetscObject)A, MATSEQSBAIJ, sbaij));
  if (*sbaij) {
    PetscInt bs;
    PetscCall(MatGetBlockSize(A, &bs));
    PetscCheck(bs == 1, PETSC_COMM_SELF, PETSC_ERR_SUP,
               "varnexo takes SeqSBAIJ matrices of block size 1 (this one has %" PetscInt_FMT
               "); convert to SeqAIJ and set MAT_SYMMETRIC",
               bs);
  } else {
    PetscBool aij;
    PetscCall(PetscObjectBaseTypeCompare((PetscObject)A, MATSEQAIJ, &aij));
    PetscCheck(aij, PETSC_COMM_SELF, PETSC_ERR_SUP, "varnexo factors SeqAIJ and SeqSBAIJ matrices, not %s",
               ((PetscObject)A)->type_name);
  }
  PetscFunctionReturn(PETSC_SUCCESS);
}

PetscErrorCode get_rows(Mat A, Rows& r) {
  PetscBool done;
  PetscFunctionBegin;
  PetscCall(MatGetRowIJ(A, 0, PETSC_FALSE, PETSC_TRUE, &r.n, &r.i, &r.j, &done));
  PetscCheck(done, PETSC_COMM_SELF, PETSC_ERR_SUP, "cannot read the compressed rows of a %s matrix",
             ((PetscObject)A)->type_name);
  PetscFunctionReturn(PETSC_SUCCESS);
}

PetscErrorCode restore_rows(Mat A, Rows& r) {
  PetscBool done;
  PetscFunctionBegin;
  PetscCall(MatRestoreRowIJ(A, 0, PETSC_FALSE, PETSC_TRUE, &r.n, &r.i, &r.j, &done));
  PetscFunctionReturn(PETSC_SUCCESS);
}

// Entries row `i` keeps: all of them, or those on and above the diagonal. `diagonal` says
// whether the row stores its diagonal entry.
PetscInt kept_in_row(const Rows& r, PetscInt i, PetscBool upper, bool& diagonal) {
  PetscInt kept = 0;
  diagonal = false;
  for (PetscInt k = r.i[i]; k < r.i[i + 1]; ++k) {
    if (upper && r.j[k] < i) continue;
    ++kept;
    diagonal = diagonal || r.j[k] == i;
  }
  return kept;
}

// Fills row i of p from r, the kept entries in increasing column order, with a missing diagonal
// entry inserted at its place for the upper triangle; `next` is the 0-based position of the
// row's first entry.
void copy_row(const Rows& r, PetscInt i, PetscBool upper, bool diagonal, int64_t next, Pattern& p) {
  auto put = [&](PetscInt col, PetscInt src) {
    p.ja[next] = static_cast<int32_t>(col + 1);
    p.source[next] = src;
    ++next;
  };
  bool pending = upper && !diagonal;
  for (PetscInt k = r.i[i]; k < r.i[i + 1]; ++k) {
    if (upper && r.j[k] < i) continue;
    if (pending && r.j[k] > i) {
      put(i, -1);
      pending = false;
    }
    put(r.j[k], k);
  }
  if (pending) put(i, -1);
}

}  // namespace

PetscErrorCode build_pattern(Mat A, PetscBool upper, Pattern& p) {
  PetscBool sbaij;
  Rows r;
  PetscFunctionBegin;
  PetscCall(is_sbaij(A, &sbaij));
  PetscCall(free_pattern(p));
  PetscCall(get_rows(A, r));
  const int64_t limit = std::numeric_limits<int32_t>::max() - 1;
  PetscCheck(r.n <= limit, PETSC_COMM_SELF, PETSC_ERR_INT_OVERFLOW,
             "varnexo takes at most 2^31-2 equations, the matrix has %" PetscInt_FMT, r.n);
  p.n = static_cast<int32_t>(r.n);
  PetscCall(PetscMalloc1(r.n + 1, &p.ia));
  p.ia[0] = 1;
  const PetscBool triangle = upper || sbaij ? PETSC_TRUE : PETSC_FALSE;
  for (PetscInt i = 0; i < r.n; ++i) {
    bool diagonal;
    const int64_t end = p.ia[i] + kept_in_row(r, i, triangle, diagonal) + (triangle && !diagonal ? 1 : 0);
    if (end - 1 > limit) {
      PetscCall(restore_rows(A, r));
      SETERRQ(PETSC_COMM_SELF, PETSC_ERR_INT_OVERFLOW, "varnexo takes at most 2^31-2 stored entries");
    }
    p.ia[i + 1] = static_cast<int32_t>(end);
  }
  const int64_t nnz = p.nnz();
  PetscCall(PetscMalloc3(nnz, &p.ja, nnz, &p.source, nnz, &p.a));
  for (PetscInt i = 0; i < r.n; ++i) {
    bool diagonal;
    kept_in_row(r, i, triangle, diagonal);
    copy_row(r, i, triangle, diagonal, p.ia[i] - 1, p);
  }
  p.source_nnz = r.i[r.n];
  PetscCall(restore_rows(A, r));
  PetscFunctionReturn(PETSC_SUCCESS);
}

// Whether A still stores, at every recorded position, the entry the position was taken from.
static bool same_structure(const Rows& r, const Pattern& p) {
  if (r.n != p.n || r.i[r.n] != p.source_nnz) return false;
  for (int32_t i = 0; i < p.n; ++i)
    for (int64_t k = p.ia[i] - 1; k < p.ia[i + 1] - 1; ++k) {
      const PetscInt s = p.source[k];
      if (s >= 0 && (s < r.i[i] || s >= r.i[i + 1] || r.j[s] != p.ja[k] - 1)) return false;
    }
  return true;
}

PetscErrorCode gather_values(Mat A, Pattern& p) {
  PetscBool sbaij;
  Rows r;
  PetscFunctionBegin;
  PetscCall(is_sbaij(A, &sbaij));
  PetscCall(get_rows(A, r));
  const bool same = same_structure(r, p);
  PetscCall(restore_rows(A, r));
  PetscCheck(same, PETSC_COMM_SELF, PETSC_ERR_ARG_INCOMP,
             "the matrix has another nonzero structure than at its analysis: factor it symbolically again");
  const PetscScalar* values;
  PetscScalar* sbaij_values = nullptr;
  if (sbaij) {
    PetscCall(MatSeqSBAIJGetArray(A, &sbaij_values));
    values = sbaij_values;
  } else {
    PetscCall(MatSeqAIJGetArrayRead(A, &values));
  }
  const int64_t nnz = p.nnz();
  for (int64_t k = 0; k < nnz; ++k) p.a[k] = p.source[k] < 0 ? 0.0 : values[p.source[k]];
  if (sbaij)
    PetscCall(MatSeqSBAIJRestoreArray(A, &sbaij_values));
  else
    PetscCall(MatSeqAIJRestoreArrayRead(A, &values));
  PetscFunctionReturn(PETSC_SUCCESS);
}

PetscErrorCode free_pattern(Pattern& p) {
  PetscFunctionBegin;
  PetscCall(PetscFree(p.ia));
  PetscCall(PetscFree3(p.ja, p.source, p.a));
  p.n = 0;
  PetscFunctionReturn(PETSC_SUCCESS);
}

}  // namespace varnexo::petsc
