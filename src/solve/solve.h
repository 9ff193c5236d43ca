// The solve driver (factor -> solve -> refine): gathers the right-hand sides into the factor's
// order, runs the forward and backward sweeps over the supernodes with the kernel of the matrix
// type, and scatters the solution back.
#pragma once
#include <cstdint>

#include "factor/storage.h"

namespace varnexo::solve {

// Status of solve(): 0, or no sweep of this library serves the type (or precision) yet.
inline constexpr int32_t kSolveOk = 0;
inline constexpr int32_t kSolveKernelMissing = -10;

// Largest off-diagonal height h - w of any supernode: the leading dimension of W.
int32_t offdiag_height(const factor::SymbolicFactor& sf);

// Values of W a solve of nb right-hand sides uses without private scratch: the sweeps need
// offdiag_height(sf)·nb, the scatter one column of n.
int64_t solve_work_values(const factor::SymbolicFactor& sf, int32_t nb);

// Solves A·X = B (or Aᵀ·X = B) with a stored factor, for nb right-hand sides at once.
//   ibasic (100 words) read: 1 n, 12 type, 19 storage (1 symmetric), 34 length of lnz,
//     51 pivoting mode, 68 transposed (non-symmetric storage only), 69 scaling, 73 part
//     (0 whole, 1 forward only, 2 backward only), 83 single precision (types -2 and 1 only).
//   factor_block: the factor as factorize() left it (lnz, then unz at ibasic(34)·w doubles).
//   x: n·nb values (leading dimension n), receives the gathered right-hand sides and is solved
//     in place; b: n·nb values. Values are doubles, or pairs of doubles for the complex types.
//   row_map: the row mapping q of the unsymmetric matching (n words; null for the identity);
//   scaling: 2n doubles (read when ibasic(69) >= 1).
//   work: `work_values` values of W (WORK_R0); at least offdiag_height(sf)·nb for the sweeps and n
//     for one block of the scatter (a shorter block is replaced by private scratch).
//   into_b: the solution is written into b (x keeps the permuted solution); else it stays in x.
// Returns kSolveOk or kSolveKernelMissing.
int32_t solve(const factor::SymbolicFactor& sf, const void* factor_block, const int32_t* pivot,
              const int32_t* colpivot, const int32_t* ibasic, int32_t nb, void* x, void* b,
              const int32_t* row_map, const double* scaling, void* work, int64_t work_values, bool into_b);

// The same with lnz and unz as separate arrays.
int32_t solve_arrays(const factor::SymbolicFactor& sf, const void* lnz, const void* unz, const int32_t* pivot,
                     const int32_t* colpivot, const int32_t* ibasic, int32_t nb, void* x, void* b,
                     const int32_t* row_map, const double* scaling, void* work, int64_t work_values,
                     bool into_b);

}  // namespace varnexo::solve
