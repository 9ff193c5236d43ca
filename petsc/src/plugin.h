// The PETSc factor matrix of type "varnexo": its context, the copy of a PETSc matrix into the
// library's 1-based compressed rows, and the operations PETSc calls (symbolic → numeric → solve →
// destroy), each mapped onto one phase of the public call.
#pragma once
#include <petsc/private/matimpl.h>
#include <stdint.h>

#include "varnexo.h"

#ifndef PETSC_SUCCESS  // named from PETSc 3.19 on
#define PETSC_SUCCESS 0
#endif

#if !defined(PETSC_USE_REAL_DOUBLE)
#error "the varnexo plug-in needs a PETSc built with double-precision scalars"
#endif

namespace varnexo::petsc {

// The matrix given to the library: 1-based rows `ia`, columns `ja`, values `a`, and for every
// stored entry the position of its value in PETSc's value array (-1: an explicit zero on the
// diagonal that PETSc does not store; the symmetric types need every diagonal entry).
struct Pattern {
  int32_t n = 0;
  int32_t* ia = nullptr;
  int32_t* ja = nullptr;
  PetscInt* source = nullptr;
  PetscScalar* a = nullptr;
  PetscInt source_nnz = 0;  // entries PETSc stored when the structure was copied
  int64_t nnz() const { return n == 0 ? 0 : ia[n] - 1; }
};

// Context of one factor matrix (F->data).
struct Factor {
  void* handle[VARNEXO_HANDLE_SLOTS];
  int32_t iparam[VARNEXO_IPARAM_SIZE];
  int32_t matrix_type = 0;  // of the current analysis; 0 before the first one
  int32_t message_level = 0;
  Pattern pattern;
  int32_t* perm = nullptr;      // n words the public call takes (unused with iparam(5) = 0)
  PetscScalar* work = nullptr;  // right-hand sides handed to the library
  PetscInt work_size = 0;
  PetscBool analysed = PETSC_FALSE;     // the last analysis succeeded
  PetscBool factored = PETSC_FALSE;     // the last factorisation succeeded
  PetscInt positive = 0, negative = 0;  // its inertia, for the types that have one
  PetscInt analyses = 0, factorizations = 0, solves = 0;
};

// Pattern (pattern.cpp).

// Copies the structure of A (SeqAIJ: every entry, or the upper triangle when `upper`; SeqSBAIJ
// with block size 1: its upper triangle) into `p`, inserting an explicit zero where the upper
// triangle misses a diagonal entry, and records where each value comes from. Fails with PETSC_ERR_SUP for
// other matrix types and with PETSC_ERR_INT_OVERFLOW when the matrix does not fit 32-bit indices.
PetscErrorCode build_pattern(Mat A, PetscBool upper, Pattern& p);

// Copies the current values of A into p.a through the recorded positions, after checking that A
// still has the structure the positions were taken from (PETSC_ERR_ARG_INCOMP otherwise).
PetscErrorCode gather_values(Mat A, Pattern& p);

PetscErrorCode free_pattern(Pattern& p);

// Factor life cycle (factor.cpp): the functions PETSc reaches through F->ops.

PetscErrorCode lu_symbolic(Mat F, Mat A, IS row, IS col, const MatFactorInfo* info);
PetscErrorCode cholesky_symbolic(Mat F, Mat A, IS perm, const MatFactorInfo* info);
PetscErrorCode destroy(Mat F);
PetscErrorCode view(Mat F, PetscViewer viewer);
PetscErrorCode get_info(Mat F, MatInfoType type, MatInfo* info);

// Options (options.cpp).

// Names of the orderings 0, 1, 2 of iparam(2) under -mat_varnexo_ordering.
extern const char* const kOrderingNames[3];

// Reads -mat_varnexo_* under the prefix of F into the parameter array (filled with the defaults
// of the matrix type) and the message level.
PetscErrorCode read_options(Mat F, int32_t* iparam, int32_t* message_level);

// The class name the library gives an error code, for messages.
const char* error_class(int32_t error);

}  // namespace varnexo::petsc
