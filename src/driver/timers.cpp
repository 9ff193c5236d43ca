// Processor time for the stage times of the statistics, the processor count from the
// environment, and the library's own argument-error printer.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "common/export.h"
#include "driver/driver_entries.h"

extern "C" {

// Reads the C runtime's processor clock; sets ticks_per_second to 1000 when it is still 0.
VARNEXO_EXPORT void my_ftime_varnexo_(double* ignored_time, int64_t* ticks_per_second, int64_t* ticks) {
  (void)ignored_time;
  if (*ticks_per_second == 0) *ticks_per_second = 1000;
  *ticks = (int64_t)std::clock();
}
VARNEXO_UNDERSCORE_ALIAS(my_ftime_varnexo_);

// Processor time of the calling process in seconds.
VARNEXO_EXPORT void timer_varnexo_(double* t) {
  // Set on the first call of each thread: handles in several threads share nothing mutable.
  thread_local int64_t ticks_per_second = 0;
  thread_local double scale = 0.0;
  double ignored = 0.0;
  int64_t ticks = 0;
  my_ftime_varnexo_(&ignored, &ticks_per_second, &ticks);
  if (scale == 0.0) scale = 1.0 / (double)CLOCKS_PER_SEC;
  *t = (double)ticks * scale;
}
VARNEXO_UNDERSCORE_ALIAS(timer_varnexo_);

// The processor count from OMP_NUM_THREADS. A library must not end its caller's process, so a
// missing or unreadable variable prints the request and yields one processor.
VARNEXO_EXPORT void get_proc_varnexo_(int32_t* count) {
  const char* value = std::getenv("OMP_NUM_THREADS");
  int n = 0;
  if (value == nullptr || std::sscanf(value, "%d", &n) != 1 || n < 1) {
    std::printf("Please set environment variable OMP_NUM_THREADS\n");
    std::fflush(stdout);
    *count = 1;
    return;
  }
  std::printf("Using %d CPUS for the factorization \n ", n);
  std::fflush(stdout);
  *count = n;
}
VARNEXO_UNDERSCORE_ALIAS(get_proc_varnexo_);

// Prints an illegal-argument message and returns; it never stops the program.
VARNEXO_EXPORT int xerbla(const char* name, const int32_t* position) {
  std::printf("** On entry to %6s, parameter number %2d had an illegal value\n", name, (int)*position);
  std::fflush(stdout);
  return 0;
}

}  // extern "C"
