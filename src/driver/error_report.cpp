// The error report printed at the end of a failed call with messages on: a header naming the
// class of the error and the detailed number, then the text of the failure.
#include <algorithm>
#include <cstdio>
#include <string>

#include "common/export.h"
#include "common/guard.h"
#include "common/matrix_kind.h"
#include "common/output.h"
#include "driver/call.h"
#include "driver/driver_entries.h"
#include "driver/input_texts.h"
#include "driver/outcome.h"

namespace varnexo::driver {
namespace {

const char* class_name(int32_t error) {
  static const char* const kNames[] = {"sequence_ido,parameters ", "insufficient_memory     ",
                                       "reordering_phase        ", "numerical_factorization ",
                                       "internal_error,unclass. ", "prereordering_mtype11,13",
                                       "internal_error,unclass. ", "32-bit overflow problem ",
                                       "internal_error,unclass. ", "internal_error,unclass. "};
  const int k = -error;
  return (k >= 1 && k <= 10) ? kNames[k - 1] : kNames[4];
}

void say(const std::string& text, int32_t v1 = 0, int32_t v2 = 0) {
  const int32_t v[2] = {v1, v2};
  output::to_stderr(text, v, 2);
}

// Texts of the input errors (error -1); returns the code to hand back.
int32_t report_input(const Call& c, int32_t error) {
  const int32_t num = c.error_num;
  if (num == 100000 || num == 10000) {
    say("*** error varnexo: clean impossible (ido?)");
  } else if (num == 1000) {
    say("*** error varnexo: ido < 1 and initialization - contradiction (set ido >0 !) %d", c.phase);
  } else if (num == 100) {
    say("*** error varnexo: wrong matrix number, clean %d", c.matrix_number);
  } else if (num < 0) {
    say("*** something wrong with diagonal matrix row %d", -num);
    return -7;
  } else if (const char* text = input_check_text(num)) {
    switch (num) {
      case 2:
        say(text, c.max_fac_store, c.ctl().max_fac_store());
        break;
      case 3:
        say(text, c.max_fac_store, c.matrix_number);
        break;
      case 4:
        say(text, c.matrix_number, c.phase);
        break;
      case 5:
        say(text, c.matrix_type, c.ctl().matrix_type());
        break;
      case 7:
        say(text, c.neqns);
        break;
      case 8:
        say(text, (int32_t)c.nnz, 0);
        break;
      case 9:
        say(text, c.nb, c.phase);
        break;
      case 10:
        say(text, c.iparam(6));
        break;
      case 11:
        say(text, c.iparam(2));
        break;
      case 15:
        say(text, c.matrix_type);
        break;
      case kBadMaxFacStore:
        say(text, c.max_fac_store);
        break;
      case kBadTranspose:
        say(text, c.iparam(12));
        break;
      case kTooManyRhs:
        say(text, c.nb);
        break;
      case kNoCompleteFactor:
        say(text, c.matrix_number);
        break;
      case kFactorOfOtherType:  // the factor's type is kept in bad_row
        say(text, c.matrix_number, c.bad_row);
        break;
      case kBadRowPointers:
      case kBadColumnIndex:
      case kUnsortedRow:
      case kBadTriangleRow:
      case kMissingDiagonal:
      case kBadPermutation:
      case kTooLarge:
      case kStructureChanged:
      case kNullArgument:
      case kUnsymmetricPattern:
        say(text, c.bad_row);
        break;
      default:
        say(text, c.phase);
        break;  // 1 and 20 name the phase
    }
  } else {
    say("*** Input check: ido_new %d (out of bounds)", c.phase);
  }
  return error;
}

void report_memory(const Call& c) {
  say(std::string("*** error varnexo (memory allocation) ") + block_name(c.error_num) +
          ", size to allocate: %d bytes",
      (int32_t)(c.mem.failed_bytes > INT32_MAX ? INT32_MAX : c.mem.failed_bytes));
  say("total memory wanted here: %d kbyte", (int32_t)c.mem.failed_total);
  say("symbolic (max): %d symbolic (permanent): %d real(incl. 1 factor):", (int32_t)c.mem.peak,
      (int32_t)c.mem.permanent);
}

void report_numerical(const Call& c) {
  const int32_t num = c.error_num;
  if (num == kNonFiniteMatrix) {
    say("*** error varnexo: a(%d) is not a finite number (row %d)", c.bad_row, c.bad_column);
  } else if (num == kNonFiniteRhs) {
    say("*** error varnexo: b(%d) is not a finite number (right-hand side %d)", c.bad_row, c.bad_column);
  } else if (num == kNonFiniteSolution) {
    say("*** error varnexo: solution entry %d is not a finite number (right-hand side %d)", c.bad_row,
        c.bad_column);
  } else if (num == kBackwardErrorAboveTarget) {
    const double v[2] = {c.backward_error, kBackwardErrorLimit};
    output::to_stderr_real("*** error varnexo: backward error %.3e after iterative refinement, above %.0e", v,
                           2);
  } else if (num == -112) {
    say("*** error varnexo: iterative refinement contraction rate greater 0.9, interrupt");
  } else if (num == -111) {
    say("*** error varnexo: iterative refinement exceeds max. iteration number %d",
        c.iparam(8) < 0 ? (int32_t)std::min<int64_t>(-(int64_t)c.iparam(8), INT32_MAX) : c.iparam(8));
  } else if (num != -3 && c.iparam(20) >= 0) {
    if (num == -2)
      say("*** error varnexo: internal error, insuff. memory factorization");
    else if (find_kind(c.matrix_type) != nullptr && find_kind(c.matrix_type)->positive_definite)
      say("*** error varnexo: zero or neg. pivot, A not spd");
    else
      say("*** error varnexo: zero pivot");
  } else {
    say("*** error varnexo: cgs error iparam(20) %d", c.iparam(20));
  }
}

}  // namespace

int32_t error_info(const Call& c, int32_t error) {
  // A release on a handle that never held a block, or a handle whose first call failed.
  const bool no_basic = c.h.slot(kSlotBasic) == 0;
  if (error != -2 && ((no_basic && c.error_num == 1000) || (!no_basic && c.ctl().init_state() < 0))) {
    say("*** error VARNEXO  (contradictory input, initialization failed)");
    say("handle=0 ?? ido= %d", c.ido);
    return error;
  }
  say(std::string("*** error VARNEXO  (") + class_name(error) + ") error_num= %d", c.error_num);
  switch (error) {
    case -1:
      return report_input(c, error);
    case -2:
      report_memory(c);
      break;
    case -3:
    case -8:
      say("*** error varnexo: reordering, symb. factorization");
      break;
    case -4:
      report_numerical(c);
      break;
    case -5:
    case -10:
      say("*** error varnexo: unclassified error");
      break;
    case -6:
      say("*** error varnexo: preordering failed after %d neqns out of %d", c.matched, c.neqns);
      say("struct. sing. or input/parameter problem (matrixtype 11,13)");
      break;
    default:
      break;
  }
  return error;
}

}  // namespace varnexo::driver

using namespace varnexo::driver;

extern "C" {

// The error report of a failed call on `handle`: the class header and the text of `error_num`,
// with the values of the call that the texts print. Returns the code to hand back in *error.
VARNEXO_EXPORT void error_info_fc_(void* handle, int32_t* error, const int32_t* error_num,
                                   const int32_t* phase, const int32_t* max_fac_store,
                                   const int32_t* matrix_number, const int32_t* matrix_type,
                                   const int32_t* neqns, const int32_t* nb, int32_t* iparam) {
  varnexo::guard_entry(nullptr, {}, [&] {
    Call c(handle);
    c.error_num = *error_num;
    c.phase = *phase;
    c.ido = *phase;
    c.max_fac_store = *max_fac_store;
    c.matrix_number = *matrix_number;
    c.matrix_type = *matrix_type;
    c.neqns = *neqns;
    c.nb = *nb;
    c.iparam = varnexo::OneBased<int32_t>(iparam, 64);
    *error = error_info(c, *error);
  });
}
VARNEXO_UNDERSCORE_ALIAS(error_info_fc_);

}  // extern "C"
