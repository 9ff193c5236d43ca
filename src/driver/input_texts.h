// Texts of the input check, indexed by the detailed error number; shared by the check and the
// error report.
#pragma once
#include <cstdint>

namespace varnexo::driver {

// Error numbers of the array checks: the row pointers, the column indices and the permutation
// are checked at every call that reads the matrix, before anything is written.
enum ArrayCheck : int32_t {
  kBadRowPointers = 31,
  kBadColumnIndex = 32,
  kUnsortedRow = 33,
  kBadTriangleRow = 34,
  kMissingDiagonal = 35,
  kBadPermutation = 36,
  kTooLarge = 37,
  kStructureChanged = 38,
  kNullArgument = 39,
  kUnsymmetricPattern = 40,
  kBadMaxFacStore = 41,
  kBadTranspose = 42,
  kTooManyRhs = 43,
  kNoCompleteFactor = 44,
  kFactorOfOtherType = 45,
};

// Bounds of the counts that size memory: the processor count shapes per-processor copies of
// the work vectors (larger values are taken as this one and written back), and max_fac_store
// sizes the FACT_ADR table and the matching block of the unsymmetric types.
inline constexpr int32_t kMaxProcessors = 64;
inline constexpr int32_t kMaxFacStore = 1024;

// The record printed for a rejected input (error numbers 1..11, 15, 20 and the array checks),
// or nullptr for other numbers.
const char* input_check_text(int32_t error_num);

}  // namespace varnexo::driver
