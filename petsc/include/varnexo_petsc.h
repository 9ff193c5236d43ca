/* varnexo as a PETSc solver package: registers the factorisation type "varnexo" for sequential
 * AIJ (LU and Cholesky) and SBAIJ (Cholesky) matrices, so that
 *   -pc_type lu -pc_factor_mat_solver_type varnexo
 * or -sub_pc_type lu -sub_pc_factor_mat_solver_type varnexo (block Jacobi, additive Schwarz)
 * factor with varnexo. Call VarnexoPetscRegister() after PetscInitialize(), or let PETSc load the
 * plug-in with -dll_append <path>/libvarnexo_petsc.so. Options are read under -mat_varnexo_*;
 * the README's PETSc section lists them. */
#ifndef VARNEXO_PETSC_H
#define VARNEXO_PETSC_H

#include <petscmat.h>

#define MATSOLVERVARNEXO "varnexo"

/* Registers "varnexo" with MatSolverTypeRegister. Calling it more than once is harmless. */
PETSC_EXTERN PetscErrorCode VarnexoPetscRegister(void);

/* The entry PETSc runs when it opens libvarnexo_petsc as a dynamic library; it registers too. */
PETSC_EXTERN PetscErrorCode PetscDLLibraryRegister_varnexo_petsc(void);

/* How often the factor F ran each of the library's phases since it was created: analyses
 * (phase 11), numerical factorisations (phase 22) and solves (phase 33). Any output may be NULL. */
PETSC_EXTERN PetscErrorCode VarnexoPetscGetPhaseCounts(Mat F, PetscInt* analyses, PetscInt* factorizations,
                                                       PetscInt* solves);

/* Entry `position` (1..64, as numbered in docs/reference.md) of the parameter array of F after
 * its last call: e.g. 7 refinement steps, 14 perturbed pivots, 18 nonzeros of the factor,
 * 19 Mflop of the factorisation, 22/23 inertia. */
PETSC_EXTERN PetscErrorCode VarnexoPetscGetIparam(Mat F, PetscInt position, PetscInt* value);

/* The library's matrix type (11, 13, 2, -2, 4, -4 or 6) that the last analysis of F used. */
PETSC_EXTERN PetscErrorCode VarnexoPetscGetMatrixType(Mat F, PetscInt* matrix_type);

#endif /* VARNEXO_PETSC_H */
