// Storing a matching result for the later stages: identity and unit scalings, exponentials of
// the log scalings for unsymmetric and symmetric types, and the moduli of complex values.
#include "matching/matching_store.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "common/matrix_kind.h"
#include "matching/matching_entries.h"
#include "matching/mps.h"
#include "support/matrices.h"

namespace {

TEST(MatchingStore, IdentityAndUnitScalings) {
  const int32_t n = 3;
  std::vector<int32_t> perm(n, 0);
  std::vector<double> s(2 * n, 0.0);
  int32_t type = 11, mode = -1, status = 9;
  rr33adcopy_(&n, &type, &mode, nullptr, nullptr, perm.data(), s.data(), &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(perm, (std::vector<int32_t>{1, 2, 3}));
  EXPECT_EQ(s, std::vector<double>(2 * n, 1.0));
  const std::vector<int32_t> p = {3, 1, 2};
  mode = 0;
  rr33adcopy_(&n, &type, &mode, p.data(), nullptr, perm.data(), s.data(), &status);
  EXPECT_EQ(perm, p);
  EXPECT_EQ(s, std::vector<double>(2 * n, 1.0));
}

TEST(MatchingStore, ExponentialsForUnsymmetricAndSymmetricTypes) {
  const int32_t n = 2;
  const std::vector<int32_t> p = {2, 1};
  const std::vector<double> logs = {std::log(2.0), std::log(3.0), std::log(8.0), std::log(12.0)};
  std::vector<int32_t> perm(n);
  std::vector<double> s(2 * n);
  for (int32_t type : {11, 13}) {
    ASSERT_EQ(varnexo::matching::rr33adcopy(n, varnexo::find_kind(type), 1, p.data(), logs.data(),
                                            perm.data(), s.data()),
              0);
    EXPECT_NEAR(s[0], 2.0, 1e-14);
    EXPECT_NEAR(s[1], 3.0, 1e-14);
    EXPECT_NEAR(s[2], 8.0, 1e-14);
    EXPECT_NEAR(s[3], 12.0, 1e-14);
  }
  for (int32_t type : {6, -2, -4}) {
    ASSERT_EQ(varnexo::matching::rr33adcopy(n, varnexo::find_kind(type), 2, p.data(), logs.data(),
                                            perm.data(), s.data()),
              0);
    EXPECT_NEAR(s[0], 4.0, 1e-14);  // sqrt(2·8)
    EXPECT_NEAR(s[1], 6.0, 1e-14);  // sqrt(3·12)
    EXPECT_NEAR(s[2], 8.0, 1e-14);
  }
  EXPECT_EQ(varnexo::matching::rr33adcopy(n, varnexo::find_kind(1), 1, p.data(), logs.data(), perm.data(),
                                          s.data()),
            -1);
  EXPECT_EQ(
      varnexo::matching::rr33adcopy(n, varnexo::find_kind(11), 1, p.data(), nullptr, perm.data(), s.data()),
      -1);
}

// The symmetric scaling of a symmetric matrix keeps every scaled entry at most 1 in modulus.
TEST(MatchingStore, SymmetricScalingOfASymmetricMatrixIsBounded) {
  varnexo::tools::Coordinate coo;
  ASSERT_TRUE(testsupport::read_matrix("tumorAntiAngiogenesis_2", coo));
  const testsupport::Csr<double> m = testsupport::full_moduli_0based(coo);
  const int32_t n = m.n;
  std::vector<int32_t> perm(n), stored(n);
  std::vector<double> logs(2 * n), s(2 * n);
  ASSERT_EQ(varnexo::matching::mps(n, m.ia.data(), m.ja.data(), m.a.data(), perm.data(), logs.data() + n,
                                   logs.data(), 0),
            0);
  ASSERT_EQ(varnexo::matching::rr33adcopy(n, varnexo::find_kind(-2), 1, perm.data(), logs.data(),
                                          stored.data(), s.data()),
            0);
  for (int32_t i = 0; i < n; ++i)
    for (int32_t k = m.ia[i]; k < m.ia[i + 1]; ++k)
      ASSERT_LE(s[i] * std::fabs(m.a[k]) * s[m.ja[k]], 1.0 + 1e-12);
  ASSERT_EQ(varnexo::matching::rr33adcopy(n, varnexo::find_kind(11), 1, perm.data(), logs.data(),
                                          stored.data(), s.data()),
            0);
  for (int32_t i = 0; i < n; ++i)
    for (int32_t k = m.ia[i]; k < m.ia[i + 1]; ++k)
      ASSERT_LE(s[n + i] * std::fabs(m.a[k]) * s[m.ja[k]], 1.0 + 1e-12);
}

TEST(MatchingStore, ModuliOfComplexValuesWithoutOverflow) {
  const std::vector<double> z = {3.0, -4.0, 0.0, 0.0, 1e300, 1e300, -1e-300, 0.0};
  std::vector<double> out(4, -1.0);
  const int32_t nnz = 4;
  convert2abs_(&nnz, z.data(), out.data());
  EXPECT_DOUBLE_EQ(out[0], 5.0);
  EXPECT_EQ(out[1], 0.0);
  EXPECT_DOUBLE_EQ(out[2], std::sqrt(2.0) * 1e300);
  EXPECT_DOUBLE_EQ(out[3], 1e-300);
}

}  // namespace
