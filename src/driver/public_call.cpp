// The public entry points: varnexoinit_ fills a fresh handle and the parameter defaults;
// varnexo_ answers the information phases, solves diagonal systems itself and hands every
// other call to the phase driver.
#include <complex>

#include "common/export.h"
#include "common/onebased.h"
#include "driver/call.h"
#include "driver/diagonal.h"
#include "driver/driver_entries.h"
#include "driver/handle.h"
#include "varnexo.h"

using namespace varnexo;
using namespace varnexo::driver;

namespace {

// The defaults of varnexoinit_ for a matrix type.
void init_defaults(OneBased<int32_t> ip, int32_t type) {
  ip(1) = 1;
  ip(2) = 2;
  for (int k = 4; k <= 64; ++k) ip(k) = 0;
  if (type == -4 || type == 6) {
    ip(10) = 8, ip(21) = 1, ip(11) = 1, ip(13) = 2;
  } else if (type == -2) {
    ip(10) = 8, ip(21) = 0, ip(11) = 0, ip(13) = 0;
  } else if (type == 1 || type == 3) {
    ip(10) = 13, ip(11) = 0, ip(13) = 0;
  } else if (type == 11 || type == 13) {
    ip(10) = 12, ip(11) = 1, ip(13) = 1, ip(8) = 2;
  }
  if (ip(8) != 2) ip(8) = 1;
  ip(18) = -1;
  ip(19) = -1;
  ip(24) = 1;
  ip(25) = 1;
  ip(28) = 0;
  ip(29) = 0;
}

// The short cut for one entry per row on the diagonal: no handle block is touched.
void diagonal_short_cut(int32_t phase, int32_t type, int32_t n, int32_t nb, const double* a,
                        const int32_t* ia, const int32_t* ja, OneBased<int32_t> ip, double* b, double* x,
                        int32_t& error) {
  ip(12) = -1;
  const int32_t r = phase % 10;
  const int32_t t = type > 10 ? type - 10 : type;
  if (phase != 11) {
    const int32_t solve = r == 3 ? 1 : 0;
    if (t >= -2 && t <= 2) {
      diag_solve<double>(n, nb, ia, ja, a, b, x, error, ip(6), solve, &ip(22), &ip(23));
    } else {
      using z = std::complex<double>;
      diag_solve<z>(n, nb, ia, ja, reinterpret_cast<const z*>(a), reinterpret_cast<z*>(b),
                    reinterpret_cast<z*>(x), error, ip(6), solve, nullptr, nullptr);
    }
  }
  ip(15) = 0, ip(16) = 0, ip(17) = 0;
  ip(18) = n;
  ip(19) = n / 1000000;
  ip(20) = 0;
  if ((phase == 11 || phase == 23 || phase == 33) && error != 0) error = -7;
}

}  // namespace

extern "C" {

VARNEXO_EXPORT void varnexoinit_(void* handle, const int32_t* matrix_type, int32_t* iparam) {
  auto* slots = static_cast<intptr_t*>(handle);
  for (int k = 0; k < VARNEXO_HANDLE_SLOTS; ++k) slots[k] = 0;
  init_defaults(OneBased<int32_t>(iparam, 64), *matrix_type);
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
  OneBased<int32_t> ip(iparam, 64);
  if (*phase > 0 && *neqns >= 1 && ia && ja && a && is_diagonal_system(*neqns, ia, ja) &&
      (*phase % 10 != 3 || (b && x))) {
    diagonal_short_cut(*phase, *matrix_type, *neqns, *nb, a, ia, ja, ip, b, x, *error);
    return;
  }
  Call c = make_call(handle, max_fac_store, matrix_number, matrix_type, phase, neqns, a, ia, ja, perm, nb,
                     iparam, message_level, b, x);
  run_driver(c, *error);
  // A pure solve whose refinement stopped for lack of contraction keeps its solution; that
  // outcome is reported as success unless the caller asks to keep it. Every other failure of
  // the solve is reported as it is.
  if (ip(49) == 0 && *phase == 33 && ip(4) == 0 && *error == -4 && c.error_num == -112) *error = 0;
}

}  // extern "C"
