// The matrix-kind table against the public type table: scalar, storage and pivoting family of
// every type, the type changes a handle accepts, and the dispatch to the scalar type.
#include "common/matrix_kind.h"

#include <gtest/gtest.h>

#include <climits>
#include <complex>
#include <string>
#include <type_traits>

#include "varnexo.h"

namespace {

using varnexo::find_kind;
using varnexo::kind_of;
using varnexo::PivotFamily;

TEST(MatrixKind, EveryPublicTypeHasOneRow) {
  int32_t count = 0;
  const varnexo::MatrixKind* kinds = varnexo::all_kinds(&count);
  EXPECT_EQ(count, 9);
  for (int32_t k = 0; k < count; ++k) EXPECT_EQ(find_kind(kinds[k].code), &kinds[k]);
  for (int32_t code : {0, 5, -1, -3, -6, 12, -11, 14, INT32_MIN}) EXPECT_EQ(find_kind(code), nullptr) << code;
}

TEST(MatrixKind, ScalarStorageAndPivoting) {
  struct Row {
    int32_t code;
    int32_t width;
    bool symmetric_storage;
    PivotFamily family;
  };
  const Row rows[] = {{1, 1, false, PivotFamily::lu_rows},     {2, 1, true, PivotFamily::cholesky},
                      {-2, 1, true, PivotFamily::ldlt},        {3, 2, false, PivotFamily::lu_rows},
                      {4, 2, true, PivotFamily::cholesky},     {-4, 2, true, PivotFamily::ldlt},
                      {6, 2, true, PivotFamily::ldlt},         {11, 1, false, PivotFamily::lu_complete},
                      {13, 2, false, PivotFamily::lu_complete}};
  for (const Row& r : rows) {
    const varnexo::MatrixKind& k = kind_of(r.code);
    EXPECT_EQ(k.doubles_per_entry(), r.width) << r.code;
    EXPECT_EQ(k.symmetric_storage(), r.symmetric_storage) << r.code;
    EXPECT_EQ(k.pivoting, r.family) << r.code;
    EXPECT_EQ(std::string(k.banner_name).size(), 17u) << r.code;
  }
  EXPECT_TRUE(kind_of(4).hermitian() && kind_of(-4).hermitian() && !kind_of(6).hermitian());
}

TEST(MatrixKind, TypeChangesOnOneHandle) {
  // An analysis may change the sign or stay within a magnitude pair; a factorisation or solve
  // also keeps the storage and the value width.
  EXPECT_TRUE(may_follow(kind_of(2), kind_of(-2), 11));
  EXPECT_TRUE(may_follow(kind_of(2), kind_of(-2), 22));
  EXPECT_TRUE(may_follow(kind_of(2), kind_of(3), 11));
  EXPECT_FALSE(may_follow(kind_of(2), kind_of(3), 22));
  EXPECT_FALSE(may_follow(kind_of(11), kind_of(13), 11));
  EXPECT_FALSE(may_follow(kind_of(1), kind_of(11), 11));
  EXPECT_TRUE(widens_update_buffer(kind_of(4), kind_of(-4)));
  EXPECT_FALSE(widens_update_buffer(kind_of(-4), kind_of(4)));
}

TEST(MatrixKind, DispatchReachesTheScalarType) {
  for (int32_t code : {1, 2, -2, 3, 4, -4, 6, 11, 13}) {
    const int width = varnexo::dispatch_scalar(kind_of(code), [](auto zero) {
      return std::is_same_v<decltype(zero), std::complex<double>> ? 2 : 1;
    });
    EXPECT_EQ(width, kind_of(code).doubles_per_entry()) << code;
  }
}

TEST(MatrixKind, DefaultsOfTheParameterTable) {
  EXPECT_EQ(varnexo::init_defaults_of(11).max_refinement, 2);
  EXPECT_EQ(varnexo::init_defaults_of(-4).matching, 2);
  EXPECT_EQ(varnexo::driver_defaults_of(-2).pivoting, 1);
  EXPECT_EQ(varnexo::init_defaults_of(-2).pivoting, 0);
  EXPECT_EQ(varnexo::init_defaults_of(99).max_refinement, 1);  // a code that is no type
  EXPECT_STREQ(varnexo::banner_name_of(99), "                 ");
}

}  // namespace
