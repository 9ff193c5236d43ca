// Hostile arguments through the public call: types without a kernel, null arrays and bad counts
// on the diagonal short cut, right-hand-side counts, processor counts and factor stores that
// size memory, and the extreme integers in every scalar and parameter. Each is refused with its
// own code and text before anything is obtained, or handled without undefined behaviour.
#include <climits>
#include <complex>
#include <set>

#include "common/memory.h"
#include "driver_fixture.h"

namespace varnexo::test {
namespace {

bool handle_empty(const Caller& c) {
  for (void* s : c.handle)
    if (s != nullptr) return false;
  return true;
}

// The full pattern of the 1D Laplacian (every row holds its diagonal).
Csr laplace1d_full(int32_t n) {
  Csr m;
  m.n = n;
  m.ia.push_back(1);
  for (int32_t i = 1; i <= n; ++i) {
    for (int32_t j = std::max(1, i - 1); j <= std::min(n, i + 1); ++j) {
      m.ja.push_back(j);
      m.a.push_back(j == i ? 2.0 : -1.0);
    }
    m.ia.push_back((int32_t)m.ja.size() + 1);
  }
  return m;
}

// Calls `phase` with messages on and returns the error text; the code is left in c.error.
std::string rejected_text(Caller& c, int32_t phase, Csr& m) {
  c.msglvl = 1;
  const std::string err = captured_stderr([&] { c.call(phase, m); });
  c.msglvl = 0;
  return err;
}

TEST(MatrixType, TypesWithoutAKernelAreRefusedOnEveryPath) {
  // 5, -5, -1, -3, -6 and -11 have no factorisation and solve of their own (-11 even wrote out of
  // bounds in the analysis); 0 and the extremes are no types at all.
  for (int32_t type : {5, -5, -1, -3, -6, -11, 0, 7, -13, INT32_MIN, INT32_MAX}) {
    SCOPED_TRACE(type);
    for (bool diagonal : {false, true}) {
      Caller c(type);
      Csr m = diagonal ? test::diagonal({2.0, 2.0, 2.0, 2.0, 2.0, 2.0, 2.0, 2.0}) : laplace1d_full(4);
      const std::string err = rejected_text(c, 13, m);
      EXPECT_EQ(c.error, -1);
      EXPECT_NE(err.find("*** Input check: matrix_type_new " + std::to_string(type) + " (out of bounds)\n"),
                std::string::npos)
          << err;
      EXPECT_TRUE(handle_empty(c)) << "nothing is obtained for a refused first call";
      c.msglvl = 0;
      EXPECT_EQ(c.call(13, m), -7);
    }
  }
}

TEST(DiagonalShortCut, NullArraysAreRefusedWithTheirPosition) {
  struct Case {
    int position;
    int32_t phase;
  };
  for (Case k : {Case{7, 13}, Case{7, 12}, Case{14, 13}, Case{15, 33}, Case{15, 23}}) {
    SCOPED_TRACE(k.position);
    Caller c(2);
    Csr m = diagonal({2.0, 4.0, 8.0});
    c.b.assign(3, 1.0);
    c.x.assign(3, 0.0);
    const double* a = k.position == 7 ? nullptr : m.a.data();
    double* b = k.position == 14 ? nullptr : c.b.data();
    double* x = k.position == 15 ? nullptr : c.x.data();
    for (int32_t msglvl : {1, 0}) {
      int32_t error = 0;
      const std::string err = captured_stderr([&] {
        varnexo_(c.handle, &c.max_fac_store, &c.matrix_number, &c.type, &k.phase, &m.n, a, m.ia.data(),
                 m.ja.data(), nullptr, &c.nb, c.iparam, &msglvl, b, x, &error);
      });
      EXPECT_EQ(error, msglvl ? -1 : -7);
      if (msglvl) {
        EXPECT_NE(
            err.find("*** Input check: argument " + std::to_string(k.position) + " is a null pointer\n"),
            std::string::npos)
            << err;
      }
      EXPECT_TRUE(handle_empty(c));
    }
  }
}

TEST(DiagonalShortCut, NegativeRightHandSideCountIsRefusedBeforeAnyCopy) {
  Caller c(2);
  Csr m = diagonal({2.0, 4.0});
  c.ip(VARNEXO_IPARAM_SOLUTION_ON_B) = 1;  // the solution would be copied over b
  c.b = {1.0, 2.0};
  for (int32_t nb : {-1, INT32_MIN, 0}) {
    c.nb = nb;
    const std::string err = rejected_text(c, 13, m);
    EXPECT_EQ(c.error, -1);
    EXPECT_NE(err.find("*** Input check: nb_new  " + std::to_string(nb) + "  ido 13 are incompatible\n"),
              std::string::npos)
        << err;
    EXPECT_EQ(c.b, (std::vector<double>{1.0, 2.0}));
  }
  // n·nb values could not even be counted in 32 bits.
  int32_t nb = INT32_MAX, phase = 13, msglvl = 1, error = 0;
  const std::string err = captured_stderr([&] {
    varnexo_(c.handle, &c.max_fac_store, &c.matrix_number, &c.type, &phase, &m.n, m.a.data(), m.ia.data(),
             m.ja.data(), nullptr, &nb, c.iparam, &msglvl, c.b.data(), c.x.data(), &error);
  });
  EXPECT_EQ(error, -1);
  EXPECT_NE(err.find("*** Input check: nb 2147483647 too large, neqns*nb above 2147483647\n"),
            std::string::npos)
      << err;
  EXPECT_TRUE(handle_empty(c));
}

TEST(DiagonalShortCut, UnknownPhasesAreRefusedNotReportedAsSuccess) {
  for (int32_t phase : {5, 14, 21, 31, 34, INT32_MAX}) {
    Caller c(2);
    Csr m = diagonal({2.0, 4.0});
    const std::string err = rejected_text(c, phase, m);
    EXPECT_EQ(c.error, -1) << phase;
    const std::string text = phase > 33
                                 ? "*** Input check: ido_new " + std::to_string(phase) + " (out of bounds)"
                                 : "*** wrong controlstep parameter ido " + std::to_string(phase);
    EXPECT_NE(err.find(text + "\n"), std::string::npos) << err;
  }
}

TEST(NoRightHandSide, EveryPhaseThatSolvesRefusesNbZeroAsAnInputError) {
  // Formerly phases 13 and 23 answered -2, which reads as a lack of memory.
  for (int32_t phase : {13, 23, 33}) {
    Caller c(2);
    Csr m = laplace1d_upper(6);
    if (phase != 13) {
      ASSERT_EQ(c.call(12, m), 0);
    }
    c.nb = 0;
    const std::string err = rejected_text(c, phase, m);
    EXPECT_EQ(c.error, -1) << phase;
    EXPECT_NE(err.find("*** Input check: nb_new  0  ido " + std::to_string(phase) + " are incompatible\n"),
              std::string::npos)
        << err;
    c.msglvl = 0;
    EXPECT_EQ(c.call(phase, m), -7);
  }
}

TEST(ProcessorCount, ValuesAboveTheBoundAreTakenAsTheBoundAndWrittenBack) {
  // 2^30 + 1 made the rounding to a power of two loop for ever; 10^8 asked for gigabytes.
  for (int32_t nproc : {64, 65, 100000000, (1 << 30) + 1, INT32_MAX}) {
    Caller c(11);
    Csr m = laplace1d_full(3);
    c.ip(VARNEXO_IPARAM_NPROC) = nproc;
    c.b = {1.0, 0.0, 1.0};
    EXPECT_EQ(c.call(13, m), 0) << nproc;
    EXPECT_EQ(c.ip(VARNEXO_IPARAM_NPROC), 64);
    EXPECT_NEAR(c.x[0], 1.0, 1e-12);
    EXPECT_LT(c.ip(VARNEXO_IPARAM_PEAK_KB), 1024) << "kilobytes of the analysis";
  }
}

TEST(ProcessorCount, InitKeepsACountInRangeAndReplacesAnyOther) {
  for (int32_t before : {-5, 0, 65, INT32_MIN, INT32_MAX, 1, 4, 64}) {
    void* handle[64];
    int32_t iparam[64], type = 2;
    iparam[VARNEXO_IPARAM_NPROC - 1] = before;
    varnexoinit_(handle, &type, iparam);
    EXPECT_EQ(iparam[VARNEXO_IPARAM_NPROC - 1], before >= 1 && before <= 64 ? before : 1) << before;
  }
}

TEST(MaxFacStore, ValuesAboveTheBoundAreRefusedBeforeAnythingIsObtained) {
  for (int32_t stores : {1025, 100000000, INT32_MAX}) {
    Caller c(2);
    c.max_fac_store = stores;
    Csr m = laplace1d_upper(3);
    const std::string err = rejected_text(c, 11, m);
    EXPECT_EQ(c.error, -1);
    EXPECT_NE(err.find("*** Input check: max_fac_store " + std::to_string(stores) +
                       " (out of bounds, at most 1024)\n"),
              std::string::npos)
        << err;
    EXPECT_TRUE(handle_empty(c));
  }
  Caller c(2);
  c.max_fac_store = 1024;
  c.matrix_number = 1024;
  Csr m = laplace1d_upper(3);
  EXPECT_EQ(c.call(13, m), 0);
}

TEST(RightHandSideCount, AWorkBlockBeyond32BitCountsIsAMemoryErrorNotATruncatedSize) {
  // A factorisation reads no right-hand side, but nb sizes its real work block: 64 processors
  // and 2·10^8 right-hand sides ask for more doubles than a 32-bit control word counts.
  Caller c(13);
  Csr m = laplace1d_full(10);
  std::vector<double> z;
  for (double v : m.a) z.insert(z.end(), {v, 0.5});
  m.a = z;
  c.ip(VARNEXO_IPARAM_NPROC) = 64;
  ASSERT_EQ(c.call(11, m), 0);
  int32_t nb = 200000000, phase = 22, msglvl = 1, error = 0;
  const int64_t live = memory::live_blocks();
  const std::string err = captured_stderr([&] {
    varnexo_(c.handle, &c.max_fac_store, &c.matrix_number, &c.type, &phase, &m.n, m.a.data(), m.ia.data(),
             m.ja.data(), nullptr, &nb, c.iparam, &msglvl, nullptr, nullptr, &error);
  });
  EXPECT_EQ(error, -2);
  EXPECT_NE(err.find("*** error varnexo (memory allocation) WORK_R0 , size to allocate: 2147483647 bytes\n"),
            std::string::npos)
      << err;
  EXPECT_EQ(memory::live_blocks(), live);
  c.msglvl = 0;
}

TEST(Transpose, OnlyZeroOneAndTheShortCutMarkAreAccepted) {
  for (int32_t value : {2, -2, 7, INT32_MIN, INT32_MAX}) {
    Caller c(11);
    Csr m = laplace1d_full(3);
    c.ip(VARNEXO_IPARAM_TRANSPOSE) = value;
    const std::string err = rejected_text(c, 13, m);
    EXPECT_EQ(c.error, -1) << value;
    EXPECT_NE(err.find("*** Input check: iparam(12) " + std::to_string(value) + " (out of bounds)\n"),
              std::string::npos)
        << err;
  }
}

// Every scalar argument and every parameter entry at the extremes of int32 (negating or taking
// the magnitude of INT32_MIN is undefined): the calls end with a known code, the sanitizer
// build finds no undefined behaviour, and the handle is released completely.
TEST(ExtremeIntegers, EveryScalarAndParameterIsHandledWithoutUndefinedBehaviour) {
  const std::set<int32_t> known = {0, -1, -2, -3, -4, -6, -7, -8};
  for (int32_t extreme : {INT32_MIN, INT32_MAX, -1}) {
    for (int slot = 0; slot < 64 + 8; ++slot) {
      SCOPED_TRACE(testing::Message() << "slot " << slot << " value " << extreme);
      for (int32_t type : {-2, 11, 13}) {
        const int64_t live = memory::live_blocks();
        {
          Caller c(type);
          Csr m = type == -2 ? laplace1d_upper(5) : laplace1d_full(5);
          if (type == 13) {
            std::vector<double> z;
            for (double v : m.a) z.insert(z.end(), {v, 0.25 * v});
            m.a = z;
          }
          c.msglvl = 1;
          if (slot < 64 && slot != 4)
            c.iparam[slot] = extreme;  // iparam(VARNEXO_IPARAM_PERM_USE) > 0 reads perm
          if (slot == 64) c.max_fac_store = extreme;
          if (slot == 65) c.matrix_number = extreme;
          if (slot == 66) c.msglvl = extreme;
          if (slot == 67 && extreme != INT32_MAX) c.nb = extreme;  // the arrays hold n·nb values
          if (slot == 68) m.ia[5] = extreme;
          if (slot == 69) m.ia[0] = extreme;
          if (slot == 70) m.ja[0] = extreme;
          if (slot == 71) c.type = extreme;
          testing::internal::CaptureStdout();
          testing::internal::CaptureStderr();
          for (int32_t phase : {13, 33, 23, 0}) {
            const int32_t e = c.call(phase, m);
            EXPECT_TRUE(known.count(e)) << "phase " << phase << " error " << e;
          }
          c.release();
          testing::internal::GetCapturedStderr();
          testing::internal::GetCapturedStdout();
        }
        EXPECT_EQ(memory::live_blocks(), live) << "every block is released";
      }
    }
  }
}

}  // namespace
}  // namespace varnexo::test
