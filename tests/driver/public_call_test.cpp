// The public call as a caller sees it before any factorisation: defaults, information phases,
// the diagonal short cut and its outputs.
#include <complex>

#include "driver_fixture.h"

namespace varnexo::test {
namespace {

TEST(Init, DefaultsPerTypeAndIparam3KeptWhenInRange) {
  struct Case {
    int32_t type, ip8, ip10, ip11, ip13, ip21;
  };
  for (Case k : {Case{2, 1, 0, 0, 0, 0}, Case{-2, 1, 8, 0, 0, 0}, Case{1, 1, 13, 0, 0, 0},
                 Case{3, 1, 13, 0, 0, 0}, Case{11, 2, 12, 1, 1, 0}, Case{13, 2, 12, 1, 1, 0},
                 Case{-4, 1, 8, 1, 2, 1}, Case{6, 1, 8, 1, 2, 1}, Case{4, 1, 0, 0, 0, 0}}) {
    void* handle[64];
    for (auto& s : handle) s = reinterpret_cast<void*>(0x1234);
    int32_t iparam[64];
    for (auto& v : iparam) v = 99;
    iparam[VARNEXO_IPARAM_NPROC - 1] = 3;
    varnexoinit_(handle, &k.type, iparam);
    for (void* s : handle) EXPECT_EQ(s, nullptr);
    SCOPED_TRACE(k.type);
    EXPECT_EQ(iparam[VARNEXO_IPARAM_USE_GIVEN - 1], 1);
    EXPECT_EQ(iparam[VARNEXO_IPARAM_ORDERING - 1], 2);
    EXPECT_EQ(iparam[VARNEXO_IPARAM_NPROC - 1], 3) << "a processor count in range is left as it was";
    EXPECT_EQ(iparam[VARNEXO_IPARAM_MAX_REFINE - 1], k.ip8);
    EXPECT_EQ(iparam[VARNEXO_IPARAM_PIVOT_EXPONENT - 1], k.ip10);
    EXPECT_EQ(iparam[VARNEXO_IPARAM_SCALING - 1], k.ip11);
    EXPECT_EQ(iparam[VARNEXO_IPARAM_MATCHING - 1], k.ip13);
    EXPECT_EQ(iparam[VARNEXO_IPARAM_PIVOTING - 1], k.ip21);
    EXPECT_EQ(iparam[VARNEXO_IPARAM_FACTOR_NNZ - 1], -1);
    EXPECT_EQ(iparam[VARNEXO_IPARAM_MFLOP - 1], -1);
    EXPECT_EQ(iparam[VARNEXO_IPARAM_DOMAIN_MODE - 1], 1);
    EXPECT_EQ(iparam[VARNEXO_IPARAM_SOLVE_PARTITION - 1], 1);
    EXPECT_EQ(iparam[VARNEXO_IPARAM_KEEP_ERROR - 1], 0);
  }
}

TEST(InformationPhases, TouchOnlyWhatTheyAnswer) {
  Caller c(2);
  Csr m = laplace1d_upper(3);
  int32_t before[64];
  std::copy(c.iparam, c.iparam + 64, before);
  EXPECT_EQ(c.call(-2, m), 18);
  EXPECT_EQ(c.ip(VARNEXO_IPARAM_USE_GIVEN), 23);
  for (int k = 2; k <= 64; ++k) EXPECT_EQ(c.ip(k), before[k - 1]);
  c.ip(VARNEXO_IPARAM_USE_GIVEN) = 1;
  EXPECT_EQ(c.call(-3, m), 300000);
  for (int k = 1; k <= 64; ++k) EXPECT_EQ(c.ip(k), before[k - 1]);
  EXPECT_EQ(c.handle[0], nullptr);
  EXPECT_EQ(c.handle[1], nullptr);
}

TEST(DiagonalShortCut, SolvesWithoutHandleAndCountsSigns) {
  Caller c(-2);
  Csr m = diagonal({2.0, -4.0, 5.0});
  c.b = {2.0, 8.0, 10.0};
  EXPECT_EQ(c.call(13, m), 0);
  EXPECT_DOUBLE_EQ(c.x[0], 1.0);
  EXPECT_DOUBLE_EQ(c.x[1], -2.0);
  EXPECT_DOUBLE_EQ(c.x[2], 2.0);
  EXPECT_EQ(c.ip(VARNEXO_IPARAM_POSITIVE), 2);
  EXPECT_EQ(c.ip(VARNEXO_IPARAM_NEGATIVE), 1);
  EXPECT_EQ(c.ip(VARNEXO_IPARAM_FACTOR_NNZ), 3);
  EXPECT_EQ(c.ip(VARNEXO_IPARAM_TRANSPOSE), -1);
  for (auto* s : c.handle) EXPECT_EQ(s, nullptr);
  // A release on the still-empty handle is quiet because the short cut left iparam(VARNEXO_IPARAM_TRANSPOSE)
  // = -1.
  std::string out = captured_stdout([&] { EXPECT_EQ(c.call(-1, m), 0); });
  EXPECT_EQ(out, "");
}

TEST(DiagonalShortCut, Phase12CountsButWritesNoSolution) {
  Caller c(-2);
  Csr m = diagonal({-1.0, 3.0});
  c.x = {7.0, 7.0};
  EXPECT_EQ(c.call(12, m), 0);
  EXPECT_EQ(c.ip(VARNEXO_IPARAM_POSITIVE), 1);
  EXPECT_EQ(c.ip(VARNEXO_IPARAM_NEGATIVE), 1);
  EXPECT_EQ(c.ip(VARNEXO_IPARAM_FACTOR_NNZ), 2);
  EXPECT_EQ(c.x[0], 7.0);
}

TEST(DiagonalShortCut, Phase11OnlyWritesStatistics) {
  Caller c(2);
  Csr m = diagonal({0.0, 0.0});  // zeros are not even looked at
  c.ip(VARNEXO_IPARAM_PEAK_KB) = c.ip(VARNEXO_IPARAM_PERMANENT_KB) = c.ip(VARNEXO_IPARAM_FACTOR_KB) = 5;
  EXPECT_EQ(c.call(11, m), 0);
  EXPECT_EQ(c.ip(VARNEXO_IPARAM_PEAK_KB), 0);
  EXPECT_EQ(c.ip(VARNEXO_IPARAM_FACTOR_KB), 0);
  EXPECT_EQ(c.ip(VARNEXO_IPARAM_FACTOR_NNZ), 2);
  EXPECT_EQ(c.ip(VARNEXO_IPARAM_MFLOP), 0);
  EXPECT_EQ(c.ip(VARNEXO_IPARAM_CGS_DIAG), 0);
}

TEST(DiagonalShortCut, BadRowsAreMinusSevenForEveryPhaseWithTheRowInTheText) {
  // Row 5 holds two entries (row 6 none); a zero on the diagonal in row 2 would read as -2, the
  // memory error, if the row number were the code.
  Csr two;
  two.n = 6;
  two.ia = {1, 2, 3, 4, 5, 7, 7};
  two.ja = {1, 2, 3, 4, 5, 6};
  two.a = {1, 1, 1, 1, 1, 1};
  Csr zero = diagonal({1.0, 0.0, 3.0, 4.0});
  for (int32_t phase : {12, 13, 22, 23, 33}) {
    Caller c(11);
    EXPECT_EQ(c.call(phase, two), -7) << phase;
    EXPECT_EQ(c.call(phase, zero), -7) << phase;
    c.msglvl = 1;
    std::string err = captured_stderr([&] { c.call(phase, zero); });
    EXPECT_EQ(c.error, -7);
    EXPECT_NE(err.find("*** something wrong with diagonal matrix row 2\n"), std::string::npos) << err;
    err = captured_stderr([&] { c.call(phase, two); });
    EXPECT_NE(err.find("*** something wrong with diagonal matrix row 5\n"), std::string::npos) << err;
    for (void* s : c.handle) EXPECT_EQ(s, nullptr) << "the short cut obtains nothing";
  }
}

TEST(DiagonalShortCut, SeveralRightHandSidesOverB) {
  Caller c(2);
  c.nb = 3;
  c.ip(VARNEXO_IPARAM_SOLUTION_ON_B) = 1;
  Csr m = diagonal({2.0, 4.0});
  c.b = {2, 4, 4, 8, 6, 12};
  EXPECT_EQ(c.call(13, m), 0);
  EXPECT_EQ(c.b, (std::vector<double>{1, 1, 2, 2, 3, 3}));
}

TEST(DiagonalShortCut, ComplexScaledDivision) {
  using z = std::complex<double>;
  Caller c(13);
  // Both branches of the scaled division: |im| <= |re| and |im| > |re|.
  Csr m = diagonal({3.0, 1.0, 1.0, 4.0}, 2);
  const z d0(3, 1), d1(1, 4), b0(1, 2), b1(-2, 5);
  c.b = {b0.real(), b0.imag(), b1.real(), b1.imag()};
  EXPECT_EQ(c.call(13, m), 0);
  EXPECT_NEAR(std::abs(z(c.x[0], c.x[1]) - b0 / d0), 0.0, 1e-15);
  EXPECT_NEAR(std::abs(z(c.x[2], c.x[3]) - b1 / d1), 0.0, 1e-15);
  // Several right-hand sides multiply by the reciprocal formed the same way.
  c.nb = 2;
  c.b = {1, 0, 0, 1, 2, 0, 0, 2};
  c.x.assign(8, 0.0);
  EXPECT_EQ(c.call(13, m), 0);
  EXPECT_NEAR(std::abs(z(c.x[4], c.x[5]) - z(2, 0) / d0), 0.0, 1e-15);
  EXPECT_NEAR(std::abs(z(c.x[6], c.x[7]) - z(0, 2) / d1), 0.0, 1e-15);
}

TEST(DiagonalShortCut, OperationCountIsNeqnsInMillions) {
  const int32_t n = 2500000;
  Caller c(2);
  Csr m = diagonal(std::vector<double>((size_t)n, 1.0));
  EXPECT_EQ(c.call(11, m), 0);
  EXPECT_EQ(c.ip(VARNEXO_IPARAM_MFLOP), 2);
}

TEST(DiagonalShortCut, OneEntryPerRowOffTheDiagonalTakesTheGeneralPath) {
  // A permutation matrix is not diagonal: it reaches the driver, whose analysis handles it.
  Csr m;
  m.n = 2;
  m.ia = {1, 2, 3};
  m.ja = {2, 1};
  m.a = {1.0, 1.0};
  Caller c(11);
  c.call(11, m);
  EXPECT_NE(c.handle[1], nullptr) << "the driver obtained its blocks";
  EXPECT_NE(c.ip(VARNEXO_IPARAM_TRANSPOSE), -1);
}

}  // namespace
}  // namespace varnexo::test
