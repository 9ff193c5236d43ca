// Messages at the end of a call with messages on: the banner, the summary, the stage times and
// the statistics records.
#include "driver/phases.h"

namespace varnexo::driver {

void statistics(Call& c) { (void)c; }

}  // namespace varnexo::driver
