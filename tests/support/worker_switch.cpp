// Start-up of every test executable: VARNEXO_TEST_THREADS=k runs each factorisation and solve of
// the executable with k worker threads whatever the processor count of its analysis (the
// suite's second leg registers every test again with k = 2). Linked as an object file so that it
// runs without being referenced.
#include <cstdlib>

#include "common/threads.h"

namespace {

const bool kWorkersSet = [] {
  if (const char* s = std::getenv("VARNEXO_TEST_THREADS"))
    varnexo::threads::set_worker_override(std::atoi(s));
  return true;
}();

}  // namespace
