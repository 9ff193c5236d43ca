// The phase driver: turns one call into the sequence of work its phase asks for. It finds or
// creates the handle's blocks, checks the input, runs the analysis (matching, ordering,
// symbolic factorisation), the numerical factorisation and the solve with refinement, and
// ends every call with the error report and the statistics.
#include <cstring>
#include <new>
#include <stdexcept>

#include "common/export.h"
#include "common/guard.h"
#include "common/memory.h"
#include "common/output.h"
#include "driver/call.h"
#include "driver/driver_entries.h"
#include "driver/handle_routines.h"
#include "driver/phases.h"

namespace varnexo::driver {
namespace {

// The first call on a zero handle obtains BASIC and FACT_ADR. Returns the error number.
int32_t open_handle(Call& c) {
  for (int s = kSlotFactAdr; s <= kSlotLast; ++s) c.h.slot(s) = 0;
  int32_t num = obtain_block(c.h, kSlotBasic, sizeof(Basic), kCodeBasic, &c.mem.peak, c.mem);
  if (num != 0) return num;
  std::memset(c.h.basic(), 0, sizeof(Basic));
  const int64_t bytes = fact_adr_bytes(c.max_fac_store);
  num = obtain_block(c.h, kSlotFactAdr, bytes, kCodeFactAdr, &c.mem.peak, c.mem);
  if (num != 0) return num;
  std::memset(c.h.block(kSlotFactAdr), 0, (size_t)bytes);
  // The capacity of the table is fixed now; the input check refuses a larger max_fac_store.
  c.ctl().max_fac_store() = c.max_fac_store < 1 ? 1 : c.max_fac_store;
  return 0;
}

// Phase 0 and phase -1 on a used handle, and the release that precedes a new analysis.
// Returns true when the call is finished.
bool release_phase(Call& c, int32_t& error) {
  const Control ctl = c.ctl();
  if (c.phase == 0) {
    if (c.matrix_number < 1 || c.matrix_number > ctl.max_fac_store()) {
      c.error_num = 100;
      error = -1;
    } else {
      release_factor(c.h, c.matrix_number);
      c.deleted_factors = c.matrix_number;
    }
    return true;
  }
  if (c.phase == -1 || c.phase / 10 == 1) {
    release_analysis(c.h, c.mem);
    if (c.phase == -1) {
      release_all(c.h);
      return true;
    }
  }
  return false;
}

// Counters into iparam(15..17) and ibasic(75..77); the error code and its report.
void finish(Call& c, int32_t& error, bool write_counters) {
  if (write_counters) {
    c.iparam(15) = (int32_t)c.mem.peak;
    c.iparam(16) = (int32_t)c.mem.permanent;
    c.iparam(17) = (int32_t)c.mem.factor;
    if (c.h.slot(kSlotBasic) != 0) {
      c.ctl().peak_kb() = (int32_t)c.mem.peak;
      c.ctl().permanent_kb() = (int32_t)c.mem.permanent;
      c.ctl().factor_kb() = (int32_t)c.mem.factor;
    }
  }
  if (error < 0) {
    if (c.phase < 0) {
      output::to_stdout("*** error varnexo: internal error ");
      return;
    }
    if (c.message_level == 0) {
      if (error == -1) error = -7;
      return;
    }
    error = error_info(c, error);
  }
  const bool basic = c.h.slot(kSlotBasic) != 0;
  if (basic && c.message_level != 0) {
    c.ctl().deleted_factors() = c.deleted_factors;
    c.ctl().error_num() = c.error_num;
    statistics(c);
  }
  if (basic && c.phase >= 0) c.ctl().error_num() = 0;
}

}  // namespace

int64_t entry_count(const Call& c) {
  // Without row pointers the count is left to pass, and the array check reports the null pointer.
  return c.neqns < 1 ? 0 : (c.ia ? (int64_t)c.ia[c.neqns] - 1 : (int64_t)c.neqns + 1);
}

Call make_call(void* handle, const int32_t* max_fac_store, const int32_t* matrix_number,
               const int32_t* matrix_type, const int32_t* phase, const int32_t* neqns, const double* a,
               int32_t* ia, int32_t* ja, int32_t* perm, const int32_t* nb, int32_t* iparam,
               const int32_t* message_level, double* b, double* x) {
  Call c(handle);
  c.max_fac_store = *max_fac_store;
  c.matrix_number = *matrix_number;
  c.matrix_type = *matrix_type;
  c.phase = *phase;
  c.neqns = *neqns;
  c.nb = *nb;
  c.message_level = *message_level;
  c.a = a;
  c.ia = ia;
  c.ja = ja;
  c.perm = perm;
  c.iparam = OneBased<int32_t>(iparam, 64);
  c.b = b;
  c.x = x;
  return c;
}

void run_driver(Call& c, int32_t& error) {
  error = 0;
  c.iparam(50) = 0;
  bool write_counters = true;
  if (c.phase < -1) {
    c.error_num = 10000;
    error = -1;
  } else if (c.h.empty()) {
    if (c.phase < 1 && c.iparam(12) == -1) return;  // a release after the diagonal short cut
    if (c.phase < 1) {
      // Nothing to release: the handle stays empty rather than holding blocks nobody asked for.
      c.error_num = 1000;
      error = -1;
      finish(c, error, false);
      return;
    }
    // Arguments that can be judged without the handle are judged before it holds any block,
    // so a rejected first call leaves it empty.
    c.nnz = entry_count(c);
    if (int32_t num = check_scalars(c, false); num != 0 || (num = check_null_arrays(c)) != 0) {
      c.error_num = num;
      error = -1;
      finish(c, error, false);
      return;
    }
    c.error_num = open_handle(c);
    if (c.error_num != 0) error = -2;
  } else if (release_phase(c, error)) {
    if (c.phase == -1) return;
    finish(c, error, true);
    return;
  }
  if (error == 0) {
    // Temporary work of a call may throw when memory runs out; no exception leaves the library.
    try {
      run_phases(c, error);
    } catch (const std::bad_alloc&) {
      c.error_num = kCodeWorkI0;
      error = -2;
    } catch (const std::length_error&) {
      c.error_num = kCodeWorkI0;
      error = -2;
    } catch (...) {
      error = kInternalError;
    }
    write_counters = error != -1;  // a rejected input writes no iparam entry
  }
  finish(c, error, write_counters);
}

}  // namespace varnexo::driver

using namespace varnexo;
using namespace varnexo::driver;

extern "C" {

VARNEXO_EXPORT void varnexo_c_(void* handle, const int32_t* max_fac_store, const int32_t* matrix_number,
                               const int32_t* matrix_type, const int32_t* phase, const int32_t* neqns,
                               const double* a, int32_t* ia, int32_t* ja, int32_t* perm, const int32_t* nb,
                               int32_t* iparam, const int32_t* message_level, double* b, double* x,
                               int32_t* error, const int32_t* sentinel) {
  (void)sentinel;  // the library's own sentinel value marks what it does not own
  Call c = make_call(handle, max_fac_store, matrix_number, matrix_type, phase, neqns, a, ia, ja, perm, nb,
                     iparam, message_level, b, x);
  // The input check, the error report and the statistics run under the guard as well.
  guard_entry(error, {-2, kInternalError}, [&] { run_driver(c, *error); });
}
VARNEXO_UNDERSCORE_ALIAS(varnexo_c_);

}  // extern "C"
