// The stages of a call after the handle exists: input check, analysis, numerical phases, and
// the statistics printed at the end of a call with messages on.
#pragma once
#include <cstdint>

#include "driver/call.h"

namespace varnexo::driver {

// Runs the checked phase: analysis (phases 11..13), factorisation and solve. Leaves the
// detailed number in c.error_num and the coarse code in error.
void run_phases(Call& c, int32_t& error);

// Analysis: matching and scaling, ordering, symbolic factorisation; the blocks of the analysis
// are obtained and released here. Returns the coarse error code.
int32_t run_analysis(Call& c);

// Factorisation and solve with refinement for the numerical phases. Returns the coarse code.
int32_t run_numerical(Call& c);

// Records the end of a timed stage in rbasic(16); the factorisation charges the time since the
// last boundary to the "A to LU" stage.
void mark_stage_boundary(Call& c);

// The banner: an empty line and the name of the matrix type.
void banner(int32_t type);

// The banner, timing lines and statistics records of the call.
void statistics(Call& c);

}  // namespace varnexo::driver
