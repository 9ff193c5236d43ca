// The pivoting kernels of the loop through the factorisation entry and the solve: LDLᵀ
// (Bunch–Kaufman and diagonal pivoting, real and complex symmetric) and LU (row and complete
// pivoting, real and complex) on random sparse matrices over orderings and supernode widths,
// judged by the backward error of the solve and the inertia of a dense eigen-decomposition;
// the 2×2 and all-zero block cases through the named entries.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "factor/pivoted.h"
#include "support/inertia.h"

using namespace testnum;
namespace vf = varnexo::factor;

namespace {

std::pair<int32_t, int32_t> dense_inertia(int32_t n, const Entries<double>& full) {
  return testsupport::inertia(n, dense(n, full));
}

struct LoopCase {
  int32_t type;
  int32_t mode;  // ibasic(51) for the LDLᵀ types
  Ordering ordering;
  int32_t width;
  int32_t nb;
};

std::string loop_case_name(const ::testing::TestParamInfo<LoopCase>& info) {
  static const char* const o[] = {"natural", "random", "nd"};
  const LoopCase& k = info.param;
  std::string s = k.type < 0 ? "tm" : "t";
  s += std::to_string(std::abs(k.type));
  s += "_m" + std::to_string(k.mode);
  s += std::string("_") + o[static_cast<int>(k.ordering)];
  s += "_w" + std::to_string(k.width);
  s += "_nb" + std::to_string(k.nb);
  return s;
}

template <class T>
void check_case(const LoopCase& k) {
  const int32_t n = 70;
  const bool symmetric = k.type == -2 || k.type == 6 || k.type == -4;
  const Entries<T> upper = random_indefinite<T>(n, 0.06, 17 + k.width, symmetric ? 3 : 0, k.type == -4);
  const bool lu = k.type == 1 || k.type == 3 || k.type == 11 || k.type == 13;
  Pivoted<T> f(k.type, lu ? random_unsymmetric<T>(upper, 5) : upper, k.ordering, k.width);
  ASSERT_EQ(f.factor(k.mode, 0), 0);
  EXPECT_EQ(f.ibasic[49], 0);
  const std::vector<T> b = f.rhs(k.nb);
  for (bool transposed : {false, true}) {
    if (transposed && !lu) continue;
    const std::vector<T> x = f.solve(b, k.nb, transposed);
    for (int32_t j = 0; j < k.nb; ++j)
      EXPECT_LT(backward_error(n, f.full, x.data() + j * n, b.data() + j * n, transposed), 1e-12)
          << "column " << j << (transposed ? " transposed" : "") << ", perturbed " << f.ibasic[61];
  }
  EXPECT_EQ(f.ibasic[61], 0);  // ε = 0: only an exactly zero pivot is perturbed
  if (k.type == -2 && k.mode == 1 && k.ordering == Ordering::natural && k.width == 80) {
    EXPECT_TRUE(std::any_of(f.pivot.begin(), f.pivot.end(), [](int32_t p) { return p < 0; }))
        << "no 2×2 pivot";
  }
  if constexpr (!varnexo::is_complex_v<T>) {
    if (k.type == -2) {
      const auto [pos, neg] = dense_inertia(n, f.full);
      EXPECT_EQ(f.ibasic[62], pos);
      EXPECT_EQ(f.ibasic[63], neg);
    }
  } else if (!lu) {
    EXPECT_EQ(f.ibasic[62], 0);
    EXPECT_EQ(f.ibasic[63], 0);
  }
}

class PivotingLoop : public ::testing::TestWithParam<LoopCase> {};

TEST_P(PivotingLoop, SolvesToBackwardErrorAndCountsInertia) {
  const LoopCase& k = GetParam();
  if (k.type == 6 || k.type == -4 || k.type == 3 || k.type == 13)
    check_case<dcomplex>(k);
  else
    check_case<double>(k);
}

std::vector<LoopCase> loop_cases() {
  std::vector<LoopCase> v;
  for (Ordering o : {Ordering::natural, Ordering::random, Ordering::nested_dissection})
    for (int32_t w : {1, 4, 80}) {
      for (int32_t mode : {1, 0}) {
        v.push_back({-2, mode, o, w, 1});
        v.push_back({6, mode, o, w, 2});
        v.push_back({-4, mode, o, w, mode == 1 ? 1 : 2});
      }
      v.push_back({-2, 1, o, w, 3});
      for (int32_t t : {1, 11, 3, 13}) v.push_back({t, 0, o, w, t == 1 ? 3 : 1});
    }
  return v;
}

INSTANTIATE_TEST_SUITE_P(Kernels, PivotingLoop, ::testing::ValuesIn(loop_cases()), loop_case_name);

// The scheduled family with a domain table gives the plain factor, pivots and counters.
TEST(PivotingScheduled, DomainPathGivesThePlainFactor) {
  const Entries<double> upper = random_indefinite<double>(300, 0.01, 3, 4);
  for (int32_t type : {-2, 11}) {
    const Entries<double> e = type == -2 ? upper : random_unsymmetric<double>(upper, 9);
    Pivoted<double> plain(type, e, Ordering::nested_dissection, 8);
    ASSERT_EQ(plain.factor(1, 8), 0);
    const int32_t ns = plain.sym.nsuper;
    ASSERT_GT(ns, 8);
    const std::vector<int32_t> domains = {1, ns / 3, ns / 3 + 1, 2 * ns / 3, 2 * ns / 3 + 1, ns};
    Pivoted<double> sched(type, e, Ordering::nested_dissection, 8);
    ASSERT_EQ(sched.factor(1, 8, 0, -1, &domains), 0);
    EXPECT_EQ(plain.lnz, sched.lnz) << type;
    EXPECT_EQ(plain.unz, sched.unz) << type;
    EXPECT_EQ(plain.pivot, sched.pivot) << type;
    EXPECT_EQ(plain.colpivot, sched.colpivot) << type;
    EXPECT_EQ(plain.ibasic[61], sched.ibasic[61]) << type;
  }
}

// A temp too small for an update that goes through it stops the loop with -2.
TEST(PivotingLoopFailure, TempTooSmall) {
  const Entries<double> upper = random_indefinite<double>(120, 0.05, 8, 3);
  for (int32_t type : {-2, 11}) {
    Pivoted<double> f(type, type == -2 ? upper : random_unsymmetric<double>(upper, 2), Ordering::random, 4);
    EXPECT_EQ(f.factor(1, 8, 1, 2), vf::kTempTooSmall) << type;
    EXPECT_EQ(f.ibasic[49], static_cast<int32_t>(vf::FactorStatus::temp_too_small));
    EXPECT_EQ(f.ibasic[47], -1);
  }
}

// The pivoting kernels need the pivot records: without them the factorisation is refused.
TEST(PivotingLoopFailure, MissingPivotArraysAreRefused) {
  const Entries<double> upper = random_indefinite<double>(20, 0.2, 4, 3);
  for (int32_t type : {-2, 1, 11}) {
    Pivoted<double> f(type, type == -2 ? upper : random_unsymmetric<double>(upper, 2), Ordering::natural, 80);
    auto sf = f.sym.view(f.lu);
    ASSERT_EQ(f.factor(1, 8), 0);
    const vf::NumericMatrix M{f.A.ia.data(), f.A.ja.data(), f.A.a.data(), nullptr};
    vf::FactorBuffers b;
    b.lnz = f.lnz.data();
    b.unz = f.unz.data();
    b.temp = f.temp.data();
    b.colpivot = type == 11 ? f.colpivot.data() : nullptr;
    const int32_t missing = static_cast<int32_t>(vf::FactorStatus::pivot_arrays_missing);
    EXPECT_EQ(factorize_with_words(f.ibasic, f.rbasic, f.storage(), sf, f.maps.map, M, b, nullptr), missing)
        << type;
    if (type == 11) {
      b.pivot = f.pivot.data();
      b.colpivot = nullptr;
      EXPECT_EQ(factorize_with_words(f.ibasic, f.rbasic, f.storage(), sf, f.maps.map, M, b, nullptr),
                missing);
    }
  }
}

}  // namespace
