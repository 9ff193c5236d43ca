// Routines of the handle layer used by the phase driver: the control words rebuilt at each
// analysis, the parameter defaults, and the sizes of the blocks of the numerical phases.
#pragma once
#include <cstdint>

#include "common/onebased.h"
#include "driver/control.h"
#include "driver/handle.h"

namespace varnexo::driver {

// Writes the defaults of the driver column of the parameter table (iparam(1) = 0 at an analysis).
void apply_driver_defaults(OneBased<int32_t> iparam, int32_t type);

// Rebuilds ibasic, rbasic, iadr and the FACT_ADR entries at an analysis call; applies the
// driver defaults when iparam(1) = 0. ibasic(49), the FACT_ADR capacity, is kept.
void ini_basic(const Handle& h, OneBased<int32_t> iparam, int32_t type);

// Doubles per stored value of a matrix type: 1 real, 2 complex (1 for a code that is no type).
int32_t doubles_per_entry(int32_t type);

// Sizes in doubles of the three blocks of a numerical call: positive = obtain a new block,
// negative = release the old one and obtain |size|, 0 = keep.
struct BlockSizes {
  int64_t factor = 0;
  int64_t work = 0;
  int64_t cgs = 0;
  int64_t too_large = 0;  // doubles of a work or CGS block beyond 2^31-1: nothing was sized
  bool single = false;    // the factor block holds (or is to hold) a single-precision factor
};

// Sizes the factor, real work and CGS blocks for `ido` (changes 33 to 23 for a matrix number
// never factorised) and sets the doubles per entry, work size, refactorisation flag, solve work
// values and CGS size.
BlockSizes fact_cgs_alloc(bool at_analysis, int32_t& ido, int32_t nb, const Control& ctl, FactEntry& entry);

}  // namespace varnexo::driver
