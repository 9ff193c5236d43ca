// The scatter of an update block from temp into the factor: run by run where the rows fall on
// consecutive target rows, entry by entry otherwise; both leave every target entry with the same
// single addition and temp clear.
#include <gtest/gtest.h>

#include <complex>
#include <random>
#include <vector>

#include "factor/left_looking.h"

namespace {

using varnexo::OneBased;
using namespace varnexo::factor;

// Relative indices of m rows drawn from a column of `height` rows: runs of random length that
// fall by one, separated by random gaps (relrow decreases strictly from row to row).
std::vector<int32_t> relative_rows(std::mt19937& g, int32_t height, int32_t max_run) {
  std::vector<int32_t> rel;
  int32_t r = height - 1 - static_cast<int32_t>(g() % 3);
  while (r >= 0) {
    const int32_t len = 1 + static_cast<int32_t>(g() % max_run);
    for (int32_t t = 0; t < len && r >= 0; ++t) rel.push_back(r--);
    r -= 1 + static_cast<int32_t>(g() % 4);
  }
  return rel;
}

template <class T>
class Scatter : public ::testing::Test {};
using Scalars = ::testing::Types<double, std::complex<double>>;
TYPED_TEST_SUITE(Scatter, Scalars);

TYPED_TEST(Scatter, RunsAndEntriesGiveTheSameFactor) {
  using T = TypeParam;
  std::mt19937 g(7);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (int32_t max_run : {1, 3, 12, 40}) {
    // Three target columns of `height` rows each, stored one after the other (1-based xptr).
    const int32_t height = 60, q = 3;
    const std::vector<int32_t> xptr = {1, 1 + height, 1 + 2 * height, 1 + 3 * height};
    const std::vector<int32_t> cols = {1, 2, 3};
    const std::vector<int32_t> rel = relative_rows(g, height, max_run);
    const int32_t m = static_cast<int32_t>(rel.size());
    std::vector<T> values(3 * height), temp(static_cast<size_t>(m) * q);
    for (T& v : values) v = T(u(g));
    for (T& t : temp) t = T(u(g));
    std::vector<T> by_entry = values, by_runs = values, temp2 = temp;
    const OneBased<const int32_t> xp(xptr.data(), 4);
    scatt<T>(m, q, temp.data(), cols.data(), rel.data(), xp, OneBased<T>(by_entry.data(), 3 * height));

    std::vector<RowRun> runs;
    row_runs(m, rel.data(), runs);
    int32_t next = 0;
    for (const RowRun& r : runs) {  // the runs tile the rows and are maximal
      ASSERT_EQ(r.first, next);
      for (int32_t i = 1; i < r.length; ++i) ASSERT_EQ(rel[r.first + i], rel[r.first] - i);
      if (r.first + r.length < m) {
        ASSERT_NE(rel[r.first + r.length], rel[r.first + r.length - 1] - 1);
      }
      next = r.first + r.length;
    }
    ASSERT_EQ(next, m);
    const bool long_runs = static_cast<int64_t>(runs.size()) * 4 <= m;
    scatter_runs(m, rel.data(), runs);  // the runs are kept only when they average four rows or more
    EXPECT_EQ(runs.empty(), !long_runs) << "max_run " << max_run;
    EXPECT_EQ(long_runs, max_run >= 12) << "max_run " << max_run;
    scatter_update<T>(m, q, temp2.data(), cols.data(), rel.data(), runs, xp,
                      OneBased<T>(by_runs.data(), 3 * height));
    EXPECT_EQ(by_runs, by_entry) << "max_run " << max_run;
    for (const T& t : temp2) ASSERT_EQ(t, T(0));
    for (const T& t : temp) ASSERT_EQ(t, T(0));
  }
}

}  // namespace
