/* varnexo: sparse direct solver for real and complex matrices.
 *
 * Every argument is passed by reference, in the Fortran manner; arrays are 1-based as seen by
 * the caller (row pointers and column indices start at 1). `handle` is an array of 64
 * pointer-sized slots that the caller zeroes before the first call and then passes back
 * unchanged. See docs/reference.md for the parameter array and the error codes. */
#ifndef VARNEXO_H
#define VARNEXO_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define VARNEXO_HANDLE_SLOTS 64
#define VARNEXO_IPARAM_SIZE 64

/* Phases (argument `phase`). */
enum {
  VARNEXO_PHASE_INFO_VERSION = -3, /* error := 300000 */
  VARNEXO_PHASE_INFO_PARAMS = -2,  /* error := 18, iparam(1) := 23 */
  VARNEXO_PHASE_RELEASE_ALL = -1,
  VARNEXO_PHASE_RELEASE_FACTOR = 0,
  VARNEXO_PHASE_ANALYSIS = 11,
  VARNEXO_PHASE_ANALYSIS_FACTOR = 12,
  VARNEXO_PHASE_ANALYSIS_FACTOR_SOLVE = 13,
  VARNEXO_PHASE_FACTOR = 22,
  VARNEXO_PHASE_FACTOR_SOLVE = 23,
  VARNEXO_PHASE_SOLVE = 33
};

/* Matrix types (argument `matrix_type`). */
enum {
  VARNEXO_REAL_STRUCT_SYM = 1,
  VARNEXO_REAL_SPD = 2,
  VARNEXO_REAL_SYM_INDEF = -2,
  VARNEXO_COMPLEX_STRUCT_SYM = 3,
  VARNEXO_HERMITIAN_PD = 4,
  VARNEXO_HERMITIAN_INDEF = -4,
  VARNEXO_COMPLEX_SYM = 6,
  VARNEXO_REAL_UNSYM = 11,
  VARNEXO_COMPLEX_UNSYM = 13
};

/* Positions in iparam, 1-based as in the reference (iparam[VARNEXO_IPARAM_X - 1] in C). */
enum {
  VARNEXO_IPARAM_USE_GIVEN = 1, /* 0: defaults at every analysis; 1: values as given */
  VARNEXO_IPARAM_ORDERING = 2,  /* 0 minimum degree, 1 constrained minimum degree, 2 nested dissection */
  VARNEXO_IPARAM_NPROC = 3,
  VARNEXO_IPARAM_CGS = 4,
  VARNEXO_IPARAM_PERM_USE = 5, /* >0 use perm, <0 return the computed permutation in perm */
  VARNEXO_IPARAM_SOLUTION_ON_B = 6,
  VARNEXO_IPARAM_REFINE_STEPS = 7, /* out */
  VARNEXO_IPARAM_MAX_REFINE = 8,
  VARNEXO_IPARAM_NO_FACTOR_MEMORY = 9,
  VARNEXO_IPARAM_PIVOT_EXPONENT = 10,
  VARNEXO_IPARAM_SCALING = 11,
  VARNEXO_IPARAM_TRANSPOSE = 12,
  VARNEXO_IPARAM_MATCHING = 13,
  VARNEXO_IPARAM_PERTURBED = 14,    /* out */
  VARNEXO_IPARAM_PEAK_KB = 15,      /* out */
  VARNEXO_IPARAM_PERMANENT_KB = 16, /* out */
  VARNEXO_IPARAM_FACTOR_KB = 17,    /* out */
  VARNEXO_IPARAM_FACTOR_NNZ = 18,   /* in/out */
  VARNEXO_IPARAM_MFLOP = 19,        /* in/out */
  VARNEXO_IPARAM_CGS_DIAG = 20,     /* out */
  VARNEXO_IPARAM_PIVOTING = 21,
  VARNEXO_IPARAM_POSITIVE = 22, /* out */
  VARNEXO_IPARAM_NEGATIVE = 23, /* out */
  VARNEXO_IPARAM_DOMAIN_MODE = 24,
  VARNEXO_IPARAM_SOLVE_PARTITION = 25,
  VARNEXO_IPARAM_SOLVE_PART = 26, /* 0 whole, 1 forward only, 2 backward only */
  VARNEXO_IPARAM_MATCHING_OPTION = 28,
  VARNEXO_IPARAM_SINGLE_PRECISION = 29,
  VARNEXO_IPARAM_PANEL = 30,
  VARNEXO_IPARAM_RELAXED = 31, /* 1: relaxed supernodes (small ones joined, storing some zeros) */
  VARNEXO_IPARAM_KEEP_ERROR = 49
};

/* Error codes returned in `error`. */
enum {
  VARNEXO_OK = 0,
  VARNEXO_ERROR_INPUT = -1,
  VARNEXO_ERROR_MEMORY = -2,
  VARNEXO_ERROR_ORDERING = -3,
  VARNEXO_ERROR_NUMERICAL = -4,
  VARNEXO_ERROR_MATCHING = -6,
  VARNEXO_ERROR_INTERNAL = -7,
  VARNEXO_ERROR_OVERFLOW = -8,
  VARNEXO_INFO_PARAMS_ANSWER = 18,
  VARNEXO_INFO_VERSION_ANSWER = 300000
};

/* Fills handle(1..64) with zeros and iparam with the defaults of matrix_type. */
void varnexoinit_(void* handle, const int32_t* matrix_type, int32_t* iparam);

/* Runs `phase` on the matrix (ia, ja, a) of order neqns; see docs/reference.md. Complex values,
 * right-hand sides and solutions are pairs of doubles (real part first). */
void varnexo_(void* handle, const int32_t* max_fac_store, const int32_t* matrix_number,
              const int32_t* matrix_type, const int32_t* phase, const int32_t* neqns, const double* a,
              int32_t* ia, int32_t* ja, int32_t* perm, const int32_t* nb, int32_t* iparam,
              const int32_t* message_level, double* b, double* x, int32_t* error);

/* The phase driver behind varnexo_, with the ownership sentinel (a read-only 777777) as the
 * 17th argument. Callers normally use varnexo_. */
void varnexo_c_(void* handle, const int32_t* max_fac_store, const int32_t* matrix_number,
                const int32_t* matrix_type, const int32_t* phase, const int32_t* neqns, const double* a,
                int32_t* ia, int32_t* ja, int32_t* perm, const int32_t* nb, int32_t* iparam,
                const int32_t* message_level, double* b, double* x, int32_t* error, const int32_t* sentinel);

#ifdef __cplusplus
}
#endif

#endif /* VARNEXO_H */
