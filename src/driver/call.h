// The state of one call of the phase driver: the public arguments, the working copies the
// input check accepts, the memory counters and the stage flags of the statistics.
#pragma once
#include <cstdint>

#include "common/matrix_kind.h"
#include "common/onebased.h"
#include "driver/control.h"
#include "driver/handle.h"

namespace varnexo::driver {

// The coarse code of a failure no other class describes (an exception inside the library).
inline constexpr int32_t kInternalError = -5;

struct Call {
  explicit Call(void* handle) : h(handle) {}

  // The kind of the matrix type; valid once the scalar checks accepted the type.
  const MatrixKind& kind() const { return kind_of(matrix_type); }
  // The named control words of the handle; valid once BASIC exists.
  Control ctl() const { return Control(*h.basic()); }

  Handle h;
  // Public arguments as given.
  int32_t max_fac_store = 0;
  int32_t matrix_number = 0;
  int32_t matrix_type = 0;
  int32_t phase = 0;
  int32_t neqns = 0;
  int32_t nb = 0;
  int32_t message_level = 0;
  const double* a = nullptr;
  int32_t* ia = nullptr;
  int32_t* ja = nullptr;
  int32_t* perm = nullptr;
  OneBased<int32_t> iparam;
  double* b = nullptr;
  double* x = nullptr;

  // Working copies accepted by the input check.
  int32_t ido = 0;
  int32_t n = 0;
  int64_t nnz = 0;
  int32_t work_nb = 0;
  int32_t level = 0;            // 0 silent, 1 messages
  int32_t cgs_code = 0;         // CGS code split from iparam(4)
  int32_t error_num = 0;        // detailed error number of this call (0 fine, 99 finished by the check)
  int32_t bad_row = 0;          // first bad row or position found by the array checks
  int32_t bad_column = 0;       // its row (of a) or column (of b and x) for the outcome checks
  double backward_error = 0.0;  // of the refined solution, when the refinement ran
  bool single_factor = false;   // the factor this call computed or solved with is in single precision
  bool outcome_failed = false;  // the input check ended with an error of the numerical class
  int32_t matched = 0;          // matched columns reported when the matching fails
  MemoryCounters mem;
  int32_t done_flags[10] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  int32_t analysed_n = 0;  // order and entry count of the analysed structure
  int64_t analysed_nnz = 0;
  int32_t deleted_factors = 0;
  int32_t* loc_int2 = nullptr;  // scratch of the update lists during one analysis  // change in the number of
                                // stored factors (statistics of releases)
};

// nnz of the caller's matrix, ia(neqns+1) - 1 (0 for neqns < 1, neqns + 1 without ia).
int64_t entry_count(const Call& c);

// The call state of the public arguments, in the order of the public call.
Call make_call(void* handle, const int32_t* max_fac_store, const int32_t* matrix_number,
               const int32_t* matrix_type, const int32_t* phase, const int32_t* neqns, const double* a,
               int32_t* ia, int32_t* ja, int32_t* perm, const int32_t* nb, int32_t* iparam,
               const int32_t* message_level, double* b, double* x);

// The input check: validates the arguments against each other and the handle, stores the
// accepted values and the size words, and leaves the detailed number in c.error_num
// (0 accepted, 99 a diagonal system already solved, other values rejected).
void check_input(Call& c);

// A matrix with one entry per row, on the diagonal, for the short cut of the public call
// (short_cut: phases 12 and 22 check the rows and count the signs into iparam(22), (23)) or the
// driver (only phases ending in 3 read it). Checks that a and b are finite, solves x := D⁻¹·b
// when the phase ends in 3, and checks x. Returns 0, -1 for a bad row (error_num = -row) or -4
// for a value that is not finite (error_num of the outcome check).
int32_t solve_diagonal(Call& c, bool short_cut);

// The checks of the scalar arguments, in order (phase, processor count, max_fac_store, matrix
// number, type, neqns, nnz, nb, iparam(6), (12), (2)); with_handle adds the checks against the
// values stored by earlier calls. Brings iparam(3) into 1..kMaxProcessors. Returns the first
// failing error number or 0.
int32_t check_scalars(Call& c, bool with_handle);

// The arrays the phase reads or writes must not be null; returns kNullArgument with the
// argument's position in bad_row, or 0.
int32_t check_null_arrays(Call& c);

// Prints the error report of a failed call to standard error; returns the code to hand back
// (a failing diagonal row turns -1 into -7).
int32_t error_info(const Call& c, int32_t error);

// The public driver with access to the detailed error number of the call.
void run_driver(Call& c, int32_t& error);

}  // namespace varnexo::driver
