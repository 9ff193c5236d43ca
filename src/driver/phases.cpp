// The sequence of one call after the handle exists: the input check, the analysis, and the
// numerical phases, in the order the phase asks for.
#include "driver/phases.h"

#include "driver/handle_routines.h"
#include "driver/outcome.h"

namespace varnexo::driver {

void run_phases(Call& c, int32_t& error) {
  const Control ctl = c.ctl();
  if (c.h.slot(kSlotStrucFi) != 0) {  // the structure the factor storage was laid out for
    c.analysed_n = ctl.n();
    c.analysed_nnz = ctl.entries();
  }
  if (c.phase / 10 == 1) ini_basic(c.h, c.iparam, c.matrix_type);
  // A solve works on the analysed entries; every other phase (an unknown one included, which
  // the check refuses) counts the caller's.
  c.nnz = c.phase == 33 ? ctl.entries() : entry_count(c);
  check_input(c);
  if (c.error_num == 99) {
    c.error_num = 0;
    return;
  }
  if (c.error_num != 0) {
    error = c.outcome_failed ? -4 : -1;
    return;
  }
  if (c.phase / 10 <= 2) ctl.entries() = (int32_t)c.nnz;
  if (c.ido / 10 >= 2 && c.h.slot(kSlotStrucFi) == 0) {
    c.error_num = 100000;  // no analysis yet
    error = -1;
    return;
  }
  // Values that are not finite are refused before any work: the matching, the factorisation
  // and the residual read a, the solve reads b.
  const bool reads_values = c.ido != 11 || (c.kind().matching_applies && ctl.matching() > 0);
  if (int32_t num =
          check_finite_values(c, c.nnz, c.kind().doubles_per_entry(), reads_values, c.ido % 10 == 3)) {
    c.error_num = num;
    error = -4;
    return;
  }
  ctl.solve_part() = c.iparam(26);
  if (c.ido / 10 == 1) {
    error = run_analysis(c);
    if (error != 0 || c.ido % 10 == 1) return;
  }
  error = run_numerical(c);
}

}  // namespace varnexo::driver
