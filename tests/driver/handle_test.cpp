// The handle's blocks: what the first call obtains and counts, the release phases, and a
// failure injected at every allocation point of a call.
#include "driver/handle.h"

#include "common/memory.h"
#include "driver/control.h"
#include "driver_fixture.h"

namespace varnexo::test {
namespace {

TEST(Handle, FirstCallCountsBasicAndFactAdr) {
  Caller c(2);
  c.max_fac_store = 3;
  Csr m = laplace1d_upper(6);
  c.call(11, m);
  ASSERT_NE(c.handle[1], nullptr);
  ASSERT_NE(c.handle[3], nullptr);
  driver::Handle h(c.handle);
  EXPECT_EQ(driver::Control(*h.basic()).max_fac_store(), 3);
  EXPECT_GE(c.ip(VARNEXO_IPARAM_PEAK_KB), 2) << "BASIC and FACT_ADR count one kilobyte each";
  EXPECT_GE(c.ip(VARNEXO_IPARAM_PERMANENT_KB), 2);
  for (int32_t k = 1; k <= 3; ++k) {
    EXPECT_EQ(h.fact_entry(k).word[0], 0);
    EXPECT_EQ(h.fact_entry(k).word[1], driver::kSentinel);
  }
}

TEST(Handle, ReleaseAllEmptiesTheHandle) {
  Caller c(2);
  Csr m = laplace1d_upper(6);
  c.call(11, m);
  c.call(-1, m);
  EXPECT_EQ(c.error, 0);
  for (void* s : c.handle) EXPECT_EQ(s, nullptr);
}

TEST(Handle, ReleaseOnNeverUsedHandleIsAnErrorThatKeepsItEmpty) {
  Caller c(2);
  Csr m = laplace1d_upper(3);
  c.msglvl = 1;
  std::string out, err;
  testing::internal::CaptureStdout();
  err = captured_stderr([&] { c.call(0, m); });
  out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(c.error, -1);
  EXPECT_EQ(out, "");
  EXPECT_NE(err.find("*** error VARNEXO  (contradictory input, initialization failed)\nhandle=0 ?? ido= 0\n"),
            std::string::npos)
      << err;
  // A negative phase prints the internal-error line whatever the message level.
  c.msglvl = 0;
  out = captured_stdout([&] { c.call(-1, m); });
  EXPECT_EQ(c.error, -1);
  EXPECT_EQ(out, "*** error varnexo: internal error\n");
  for (void* s : c.handle) EXPECT_EQ(s, nullptr);
}

TEST(Handle, PhaseZeroChecksTheMatrixNumber) {
  Caller c(2);
  c.max_fac_store = 2;
  Csr m = laplace1d_upper(6);
  c.call(11, m);
  c.msglvl = 1;
  c.matrix_number = 3;
  std::string err = captured_stderr([&] { c.call(0, m); });
  EXPECT_EQ(c.error, -1);
  EXPECT_NE(err.find("*** error varnexo: wrong matrix number, clean 3\n"), std::string::npos) << err;
  c.matrix_number = 2;
  err = captured_stderr([&] { c.call(0, m); });
  EXPECT_EQ(c.error, 0) << err;
}

TEST(Handle, PhasesBelowMinusOneAreRejected) {
  Caller c(2);
  Csr m = laplace1d_upper(3);
  std::string out = captured_stdout([&] { c.call(-5, m); });
  EXPECT_EQ(c.error, -1);
  EXPECT_EQ(out, "*** error varnexo: internal error\n");
}

TEST(Handle, FactorisationBeforeAnalysisIsRefused) {
  Caller c(2);
  Csr m = laplace1d_upper(5);
  c.msglvl = 1;
  std::string err = captured_stderr([&] { c.call(22, m); });
  EXPECT_EQ(c.error, -1);
  EXPECT_NE(err.find("*** error varnexo: clean impossible (ido?)\n"), std::string::npos) << err;
}

// The 1D Laplacian in the storage of a matrix type (full rows for the unsymmetric types, pairs of
// doubles for the complex ones), for the allocation walk.
Csr laplace1d_for(int32_t type, int32_t n) {
  Csr m = laplace1d_upper(n);
  if (type == 11 || type == 13) {  // full rows
    Csr f;
    f.n = n;
    f.ia.push_back(1);
    for (int32_t i = 1; i <= n; ++i) {
      for (int32_t j = std::max(1, i - 1); j <= std::min(n, i + 1); ++j) {
        f.ja.push_back(j);
        f.a.push_back(j == i ? 2.0 : -1.0);
      }
      f.ia.push_back((int32_t)f.ja.size() + 1);
    }
    m = f;
  }
  if (type == 13 || type == 6) {
    std::vector<double> z;
    for (double v : m.a) z.insert(z.end(), {v, 0.25 * v});
    m.a = z;
  }
  return m;
}

TEST(Handle, AllocationFailureAtEveryPointReturnsMinusTwoAndLeaksNothing) {
  for (int32_t type : {2, -2, 11, 13, 6}) {
    Csr m = laplace1d_for(type, 40);
    for (int64_t k = 1;; ++k) {
      Caller c(type);
      c.msglvl = 1;
      memory::fail_allocation_at(k);
      testing::internal::CaptureStdout();
      std::string err = captured_stderr([&] { c.call(13, m); });
      testing::internal::GetCapturedStdout();
      const int64_t made = memory::allocations_since_armed();
      memory::fail_allocation_at(0);
      if (made < k) break;  // the call needed fewer allocations: every point has been walked
      SCOPED_TRACE(testing::Message() << "type " << type << ", allocation " << k);
      EXPECT_EQ(c.error, -2) << err;
      EXPECT_NE(err.find("*** error varnexo (memory allocation) "), std::string::npos) << err;
      EXPECT_NE(err.find("total memory wanted here: "), std::string::npos) << err;
      c.release();  // the blocks obtained before the failure are released cleanly
      for (void* s : c.handle) EXPECT_EQ(s, nullptr);
    }
  }
}

TEST(Handle, BlockNamesAreEightCharacters) {
  EXPECT_EQ(driver::block_name(-100), "BASIC   ");
  EXPECT_EQ(driver::block_name(-402), "STRUC_S0");
  EXPECT_EQ(driver::block_name(-1100), "FACT_L&U");
  EXPECT_EQ(driver::block_name(-1300), "CGS_ARR ");
}

}  // namespace
}  // namespace varnexo::test
