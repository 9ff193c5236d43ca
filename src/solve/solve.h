// The solve driver (factor -> solve -> refine): gathers the right-hand sides into the factor's
// order, runs the forward and backward sweeps over the supernodes with the kernel of the matrix
// kind, and scatters the solution back.
#pragma once
#include <cstdint>

#include "common/matrix_kind.h"
#include "factor/storage.h"

namespace varnexo::solve {

enum class SolveStatus : int32_t {
  ok = 0,
  out_of_memory = -2,    // private scratch for a short W could not be obtained
  kernel_missing = -10,  // no sweep of this library serves the kind, storage or precision
};

// Which stages a call performs: the whole solve, the forward stage only (L⁻¹·Pᵀ with the
// gather), or the backward stage only (the rest, with the scatter) on the vector the forward
// stage returned.
enum class SolveStage : int32_t { whole = 0, forward_only = 1, backward_only = 2 };

struct SolveOptions {
  const MatrixKind* kind = nullptr;
  FactorStorage storage = FactorStorage::symmetric;  // the storage the factor was computed in
  bool transposed = false;                           // solve Aᵀ·X = B (LU storage only)
  SolveStage stage = SolveStage::whole;
  bool bunch_kaufman = true;  // LDLᵀ/LDLᴴ factors: false for diagonal-pivoting records
  bool scaling = false;       // apply the matching's scaling vector on the way in and out
  bool single_precision = false;
  bool into_b = false;  // write the solution into b (x keeps the permuted solution)
};

// The values of a stored factor: lnz, unz (LU storage; null otherwise) in doubles or pairs of
// doubles, and the pivot records (n words each; null when the factor has none).
struct FactorValues {
  const void* lnz = nullptr;
  const void* unz = nullptr;
  const int32_t* pivot = nullptr;
  const int32_t* colpivot = nullptr;
};

// Largest off-diagonal height h - w of any supernode: the leading dimension of W.
int32_t offdiag_height(const factor::SymbolicFactor& sf);

// Values of W a solve of nb right-hand sides uses without private scratch: the sweeps need
// offdiag_height(sf)·nb, the scatter one column of n.
int64_t solve_work_values(const factor::SymbolicFactor& sf, int32_t nb);

// Solves A·X = B (or Aᵀ·X = B) with a stored factor, for nb right-hand sides at once.
//   x: n·nb values (leading dimension n), receives the gathered right-hand sides and is solved
//     in place; b: n·nb values. Values are doubles, or pairs of doubles for the complex kinds.
//   row_map: the row mapping q of the unsymmetric matching (n words; null for the identity);
//   scaling: 2n doubles (read when options.scaling).
//   work: `work_values` values of W; at least offdiag_height(sf)·nb for the sweeps and n for one
//     block of the scatter (a shorter W is replaced by private scratch).
SolveStatus solve(const factor::SymbolicFactor& sf, const FactorValues& factor, const SolveOptions& options,
                  int32_t nb, void* x, void* b, const int32_t* row_map, const double* scaling, void* work,
                  int64_t work_values);

}  // namespace varnexo::solve
