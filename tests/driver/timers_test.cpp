// Processor time, the processor count from the environment, and the argument-error printer.
#include <cstdlib>

#include "driver/driver_entries.h"
#include "driver_fixture.h"

namespace varnexo::test {
namespace {

TEST(Timers, ProcessorTimeAdvancesWithWork) {
  double t0 = 0, t1 = 0;
  timer_varnexo_(&t0);
  volatile double sink = 0;
  for (int k = 0; k < 20000000; ++k) sink = sink + 1e-9 * k;
  timer_varnexo_(&t1);
  EXPECT_GT(t1, t0);
  EXPECT_LT(t1 - t0, 10.0);
}

TEST(Timers, ProcessorCountFromTheEnvironment) {
  int32_t count = 0;
  setenv("OMP_NUM_THREADS", "4", 1);
  std::string out = captured_stdout([&] { get_proc_varnexo_(&count); });
  EXPECT_EQ(count, 4);
  EXPECT_EQ(out, "Using 4 CPUS for the factorization \n ");
  // A library never ends its caller's process: without the variable it asks for it and uses one.
  unsetenv("OMP_NUM_THREADS");
  out = captured_stdout([&] { get_proc_varnexo_(&count); });
  EXPECT_EQ(count, 1);
  EXPECT_EQ(out, "Please set environment variable OMP_NUM_THREADS\n");
}

TEST(Timers, XerblaAlignsNameAndPosition) {
  const int32_t pos = 4;
  int rc = -1;
  const std::string out = captured_stdout([&] { rc = xerbla("DGETRF", &pos); });
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(out, "** On entry to DGETRF, parameter number  4 had an illegal value\n");
  const std::string shorter = captured_stdout([&] { xerbla("ZHE", &pos); });
  EXPECT_EQ(shorter, "** On entry to    ZHE, parameter number  4 had an illegal value\n");
}

}  // namespace
}  // namespace varnexo::test
