// The conversion of solve values between double and single precision through the exported
// routines, in separate arrays and in place (the single array at the start of the double one).
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "solve/solve_entries.h"

namespace {

// Values that single precision rounds, of several magnitudes and signs.
std::vector<double> values(int32_t count) {
  std::vector<double> v(count);
  for (int32_t k = 0; k < count; ++k)
    v[k] = (k % 2 ? -1.0 : 1.0) * (1.0 + k / 3.0) * (k < 3 ? 1e-3 : 1e5) / 7.0;
  return v;
}

TEST(SingleConversion, RoundsIntoASeparateArrayAndWidensBack) {
  const int32_t n = 3, nb = 2;
  const std::vector<double> x = values(n * nb);
  std::vector<double> work(n), back(n * nb, 0.0);
  std::vector<float> s(n * nb, 0.0f);
  convert64_32_varnexo_(&n, &nb, x.data(), work.data(), s.data());
  for (int32_t k = 0; k < n * nb; ++k) EXPECT_EQ(s[k], static_cast<float>(x[k])) << k;
  convert32_64_varnexo_(&n, &nb, back.data(), work.data(), s.data());
  for (int32_t k = 0; k < n * nb; ++k) {
    EXPECT_EQ(back[k], static_cast<double>(static_cast<float>(x[k]))) << k;
    EXPECT_NE(back[k], x[k]) << "the value was not rounded";
  }
}

TEST(SingleConversion, InPlaceRoundTripGivesTheRoundedValues) {
  const int32_t n = 3, nb = 2;
  const std::vector<double> x = values(n * nb);
  std::vector<double> buffer = x, work(n);
  // The single values start where the doubles start; their bytes are read back with memcpy.
  convert64_32_varnexo_(&n, &nb, buffer.data(), work.data(), reinterpret_cast<float*>(buffer.data()));
  for (int32_t k = 0; k < n * nb; ++k) {
    float f;
    std::memcpy(&f, reinterpret_cast<const unsigned char*>(buffer.data()) + 4 * k, 4);
    EXPECT_EQ(f, static_cast<float>(x[k])) << k;
  }
  convert32_64_varnexo_(&n, &nb, buffer.data(), work.data(), reinterpret_cast<const float*>(buffer.data()));
  for (int32_t k = 0; k < n * nb; ++k)
    EXPECT_EQ(buffer[k], static_cast<double>(static_cast<float>(x[k]))) << k;
}

TEST(SingleConversion, NothingToConvertLeavesTheArraysAlone) {
  const int32_t zero = 0, one = 1;
  double x = 5.0, work = 7.0;
  float s = 3.0f;
  convert64_32_varnexo_(&zero, &one, &x, &work, &s);
  convert32_64_varnexo_(&one, &zero, &x, &work, &s);
  EXPECT_EQ(x, 5.0);
  EXPECT_EQ(s, 3.0f);
}

}  // namespace
