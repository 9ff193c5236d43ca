// The matching stage's helpers for the driver: the moduli of complex values that the matching
// works on, and the store of its permutation and scalings into the analysis blocks (the row
// mapping and the 2n scaling vector read by loading and solving).
#pragma once
#include <cstdint>

#include "common/matrix_kind.h"

namespace varnexo::matching {

// rr33adcopy: stores a matching result.
//  n: order; kind: an unsymmetric kind (rows and columns scaled apart) or a value-symmetric
//  kind that takes a matching (symmetric scaling); null or another kind allows modes -1, 0 only;
//  mode -1: perm_out := identity (1-based), scaling := 1.0 (perm_in, log_scaling unused);
//  mode 0:  perm_out := perm_in, scaling := 1.0;
//  otherwise: perm_out := perm_in and, from log_scaling = (c(1..n) columns, r(1..n) rows),
//    unsymmetric: scaling(i) = exp(c(i)), scaling(n+i) = exp(r(i));
//    symmetric: scaling(n+i) = exp(r(i)), scaling(i) = sqrt(exp(c(i))·exp(r(i))).
//  perm_out: n int32; scaling: 2n doubles. The permutation is copied unchanged (its base is
//  the caller's). Returns 0, or -1 for a null argument, negative n or a type without scaling
//  (nothing written then).
int rr33adcopy(int32_t n, const MatrixKind* kind, int32_t mode, const int32_t* perm_in,
               const double* log_scaling, int32_t* perm_out, double* scaling);

// convert2abs: modulus[k] = |(values[2k], values[2k+1])| for k < nnz, computed without
// overflow or underflow of the squares. Returns 0, or -1 for a null argument or negative nnz.
int convert2abs(int64_t nnz, const double* values, double* modulus);

}  // namespace varnexo::matching
