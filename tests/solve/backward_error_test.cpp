// The backward error the refinement judges a solution by, at the edges of the doubles: a product
// ‖A‖∞·‖x‖∞ beyond them is scaled rather than read as infinite (which made any residual look
// like 0), a matrix whose row sums overflow or a residual that overflowed has no backward error
// (NaN), and 0/0 stays 0.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <vector>

#include "solve/residual.h"

namespace {

using varnexo::solve::Storage;

// diag(d1, d2) in compressed rows.
struct Diagonal {
  std::vector<int32_t> ia = {1, 2, 3}, ja = {1, 2};
  std::vector<double> a;
};

double berr(const Diagonal& m, const std::vector<double>& x, const std::vector<double>& b,
            Storage storage = Storage::full) {
  std::vector<double> r(x.size()), rowbuf(1);
  return varnexo::solve::backward_error<double>(false, 2, 1, storage, m.ia.data(), m.ja.data(), m.a.data(),
                                                x.data(), b.data(), r.data(), rowbuf.data());
}

TEST(BackwardError, ANormProductBeyondTheDoublesIsScaledNotReadAsInfinite) {
  // ‖A‖ = 1e300, ‖x‖ = 1e9: the product 1e309 overflows; the residual (1e300, 0) is finite.
  // The error is 1e300 / (1e309 + 1e300) ≈ 1e-9, above the refinement's 1e-10: such an x must
  // not pass as an error of 0.
  Diagonal m;
  m.a = {1e300, 1.0};
  for (Storage storage : {Storage::full, Storage::symmetric}) {
    const double e = berr(m, {0.0, 1e9}, {1e300, 1e9}, storage);
    EXPECT_NEAR(e, 1.0 / (1e9 + 1.0), 1e-15 * e);  // 1e300 / (1e309 + 1e300)
  }
  // The same residual from x1 = -1 and b1 = 0: ‖b‖ = 1e9 is negligible beside the product.
  const double e = berr(m, {-1.0, 1e9}, {0.0, 1e9});
  EXPECT_NEAR(e, 1e-9, 1e-15 * e);
}

TEST(BackwardError, AMatrixWhoseRowSumsOverflowHasNone) {
  // Row 1 of the symmetric storage holds 1.5e308 and its mirror 1.5e308: the row sum overflows.
  Diagonal m;
  m.ia = {1, 3, 4};
  m.ja = {1, 2, 2};
  m.a = {1.5e308, 1.5e308, 1.0};
  std::vector<double> r(2), rowbuf(1), x = {0.0, 0.0}, b = {1.0, 1.0};
  const double e =
      varnexo::solve::backward_error<double>(false, 2, 1, Storage::symmetric, m.ia.data(), m.ja.data(),
                                             m.a.data(), x.data(), b.data(), r.data(), rowbuf.data());
  EXPECT_TRUE(std::isnan(e)) << e;
}

TEST(BackwardError, AResidualEntryThatOverflowedIntoNaNLeavesNone) {
  // Row 1 of A·x is 1e318 - 1e318 = ∞ - ∞ in doubles; row 2 is exact. The NaN entry must not be
  // passed over as if row 2 alone made the residual.
  Diagonal m;
  m.ia = {1, 3, 4};
  m.ja = {1, 2, 2};
  m.a = {1e308, 1e308, 1.0};
  EXPECT_TRUE(std::isnan(berr(m, {1e10, -1e10}, {1.0, -1e10}))) << berr(m, {1e10, -1e10}, {1.0, -1e10});
  // As the first of two right-hand sides, before an exact one: the NaN stays the worst.
  std::vector<double> x = {1e10, -1e10, 0.5, 0.5}, b = {1.0, -1e10, 1e308, 0.5}, r(4), rowbuf(2);
  const double e =
      varnexo::solve::backward_error<double>(false, 2, 2, Storage::full, m.ia.data(), m.ja.data(), m.a.data(),
                                             x.data(), b.data(), r.data(), rowbuf.data());
  EXPECT_TRUE(std::isnan(e)) << e;
}

TEST(BackwardError, ZeroOverZeroIsZeroAndAResidualOverZeroIsOne) {
  Diagonal zero;
  zero.a = {0.0, 0.0};
  EXPECT_EQ(berr(zero, {0.0, 0.0}, {0.0, 0.0}), 0.0);
  // x = 0 is no solution of 0·x = b ≠ 0 either way; with b = 0 and A ≠ 0 the ratio is exact.
  Diagonal one;
  one.a = {1.0, 1.0};
  EXPECT_EQ(berr(one, {0.0, 0.0}, {2.0, 0.0}), 1.0);
  EXPECT_EQ(berr(one, {1.0, 0.0}, {0.0, 0.0}), 1.0);
}

}  // namespace
