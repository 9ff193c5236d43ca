// The one place where the control words of an analysis become the options of the ordering and
// symbolic steps, and where their results become control words and stage times again
// (driver -> ordering -> driver).
#pragma once
#include "driver/control.h"
#include "ordering/reorder.h"

namespace varnexo::driver {

// Step 1 options from the words of the analysis (matrix type, storage, ordering choice,
// processor count, domain request, the caller's and the matching's permutations, panel width).
ordering::Step1Options step1_options(const Control& ctl);

// Writes step 1's results (adjacency size, nnz(L), supernodes, chain, lindx size, domains), its
// status into error_num and its times into the stage times 1..3.
void record_step1(const Control& ctl, const ordering::Step1Result& r);

ordering::Step2Options step2_options(const Control& ctl);

// Writes step 2's results (factor and temp sizes, domain storage, longest column), its status
// into error_num and its time into stage time 3; the operation count (rbasic 15) is cleared.
void record_step2(const Control& ctl, const ordering::Step2Result& r);

}  // namespace varnexo::driver
