// The analysis of the phase driver: the blocks of the analysis in their fixed order, the
// matching and scaling, and the three analysis steps (ordering, symbolic factorisation,
// permanent structure with the value maps).
#include "driver/phases.h"

namespace varnexo::driver {

int32_t run_analysis(Call& c) {
  // The ordering and symbolic factorisation are not connected yet.
  c.error_num = -1;
  return -3;
}

}  // namespace varnexo::driver
