// The public entry points: varnexoinit_ fills a fresh handle and the parameter defaults;
// varnexo_ answers the information phases, solves diagonal systems itself and hands every
// other call to the phase driver.
#include <complex>

#include "common/export.h"
#include "common/guard.h"
#include "common/matrix_kind.h"
#include "common/onebased.h"
#include "driver/call.h"
#include "driver/diagonal.h"
#include "driver/driver_entries.h"
#include "driver/handle.h"
#include "driver/input_texts.h"
#include "varnexo.h"

using namespace varnexo;
using namespace varnexo::driver;

namespace {

// The defaults of varnexoinit_ for a matrix type.
void init_defaults(OneBased<int32_t> ip, int32_t type) {
  ip(1) = 1;
  ip(2) = 2;
  for (int k = 4; k <= 64; ++k) ip(k) = 0;
  const KindDefaults d = init_defaults_of(type);
  ip(8) = d.max_refinement;
  ip(10) = d.perturbation;
  ip(11) = d.scaling;
  ip(13) = d.matching;
  ip(21) = d.pivoting;
  ip(18) = -1;
  ip(19) = -1;
  ip(24) = 1;
  ip(25) = 1;
  ip(28) = 0;
  ip(29) = 0;
}

// The short cut for one entry per row on the diagonal: no handle block is touched. Every
// failing row is reported as -7 (never a value that reads as success or as another class), with
// the row in the text when messages are on; values that are not finite are errors -4.
void diagonal_short_cut(Call& c, int32_t& error) {
  OneBased<int32_t> ip = c.iparam;
  ip(12) = -1;
  error = solve_diagonal(c, true);
  ip(15) = 0, ip(16) = 0, ip(17) = 0;
  ip(18) = c.neqns;
  ip(19) = c.neqns / 1000000;
  ip(20) = 0;
  if (error == 0) return;
  if (c.message_level != 0)
    error = error_info(c, error);
  else if (error == -1)
    error = -7;
}

// The short cut runs for the known phases on a diagonal matrix whose arguments pass the
// checks of every call; anything else goes to the driver, which reports it.
bool takes_short_cut(Call& c) {
  const int32_t p = c.phase;
  if (p != 11 && p != 12 && p != 13 && p != 22 && p != 23 && p != 33) return false;
  c.nnz = entry_count(c);
  if (check_scalars(c, false) != 0 || check_null_arrays(c) != 0) return false;
  return is_diagonal_system(c.neqns, c.ia, c.ja);
}

}  // namespace

extern "C" {

VARNEXO_EXPORT void varnexoinit_(void* handle, const int32_t* matrix_type, int32_t* iparam) {
  auto* slots = static_cast<intptr_t*>(handle);
  for (int k = 0; k < VARNEXO_HANDLE_SLOTS; ++k) slots[k] = 0;
  // The processor count is the caller's when it is one the library accepts; whatever else the
  // array held (often nothing was set) becomes 1.
  const int32_t nproc = iparam[2];
  init_defaults(OneBased<int32_t>(iparam, 64), *matrix_type);
  iparam[2] = nproc >= 1 && nproc <= kMaxProcessors ? nproc : 1;
}

VARNEXO_EXPORT void varnexo_(void* handle, const int32_t* max_fac_store, const int32_t* matrix_number,
                             const int32_t* matrix_type, const int32_t* phase, const int32_t* neqns,
                             const double* a, int32_t* ia, int32_t* ja, int32_t* perm, const int32_t* nb,
                             int32_t* iparam, const int32_t* message_level, double* b, double* x,
                             int32_t* error) {
  if (error == nullptr) return;
  // Every scalar argument and the handle and parameter arrays are read at once: without them
  // nothing can be done or reported.
  if (!handle || !max_fac_store || !matrix_number || !matrix_type || !phase || !neqns || !nb || !iparam ||
      !message_level) {
    *error = -1;
    return;
  }
  if (*phase == -2) {
    *error = 18;
    iparam[0] = 23;
    return;
  }
  if (*phase == -3) {
    *error = 300000;
    return;
  }
  *error = 0;
  // No exception leaves the call: the short cut, the driver and their reports run guarded.
  guard_entry(error, {-2, kInternalError}, [&] {
    OneBased<int32_t> ip(iparam, 64);
    Call c = make_call(handle, max_fac_store, matrix_number, matrix_type, phase, neqns, a, ia, ja, perm, nb,
                       iparam, message_level, b, x);
    if (takes_short_cut(c)) {
      diagonal_short_cut(c, *error);
      return;
    }
    run_driver(c, *error);
    // A pure solve whose refinement stopped for lack of contraction keeps its solution; that
    // outcome is reported as success unless the caller asks to keep it. Every other failure of
    // the solve is reported as it is.
    if (ip(49) == 0 && *phase == 33 && ip(4) == 0 && *error == -4 && c.error_num == -112) *error = 0;
  });
}

}  // extern "C"
