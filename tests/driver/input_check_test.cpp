// The input check through the public call: every rejected argument returns -1 with its exact
// text when messages are on, and -7 silently when they are off; bad arrays never crash.
#include <cctype>
#include <functional>

#include "driver_fixture.h"

namespace varnexo::test {
namespace {

struct Rejection {
  const char* name;
  int32_t phase;
  std::function<void(Caller&, Csr&)> spoil;
  std::string text;
};

const std::string kHeader = "*** error VARNEXO  (sequence_ido,parameters ) error_num= ";

class InputCheck : public testing::TestWithParam<Rejection> {};

TEST_P(InputCheck, RejectsWithItsTextOrSilently) {
  const Rejection& r = GetParam();
  for (int32_t msglvl : {1, 0}) {
    Caller c(2);
    Csr m = laplace1d_upper(5);
    c.msglvl = msglvl;
    r.spoil(c, m);
    std::string err = captured_stderr([&] { c.call(r.phase, m); });
    if (msglvl) {
      EXPECT_EQ(c.error, -1) << r.name;
      EXPECT_NE(err.find(kHeader), std::string::npos) << err;
      EXPECT_NE(err.find(r.text + "\n"), std::string::npos) << r.name << ": " << err;
    } else {
      EXPECT_EQ(c.error, -7) << r.name;
      EXPECT_EQ(err, "") << r.name;
    }
  }
}

std::string case_name(const testing::TestParamInfo<Rejection>& info) {
  std::string n;
  for (const char* p = info.param.name; *p; ++p) n += std::isalnum((unsigned char)*p) ? *p : '_';
  return n;
}

INSTANTIATE_TEST_SUITE_P(
    Scalars, InputCheck,
    testing::Values(
        Rejection{"phase 34", 34, [](Caller&, Csr&) {}, "*** Input check: ido_new 34 (out of bounds)"},
        Rejection{"phase 21", 21, [](Caller&, Csr&) {}, "*** wrong controlstep parameter ido 21"},
        Rejection{"phase 5", 5, [](Caller&, Csr&) {}, "*** wrong controlstep parameter ido 5"},
        Rejection{"matrix number above store", 11, [](Caller& c, Csr&) { c.matrix_number = 2; },
                  "*** Input check: max_fac_store_in 1 matrix_number_in 2"},
        Rejection{"matrix number 0 for a solve", 33, [](Caller& c, Csr&) { c.matrix_number = 0; },
                  "*** Input check: matrix_number_new 0 ido 33 are incompatible"},
        Rejection{"type 0", 11, [](Caller& c, Csr&) { c.type = 0; },
                  "*** Input check: matrix_type_new 0 (out of bounds)"},
        Rejection{"type -13", 11, [](Caller& c, Csr&) { c.type = -13; },
                  "*** Input check: matrix_type_new -13 (out of bounds)"},
        Rejection{"type 7", 11, [](Caller& c, Csr&) { c.type = 7; },
                  "*** Input check: matrix_type_new 7 (out of bounds)"},
        Rejection{"neqns 0", 11, [](Caller&, Csr& m) { m.n = 0; }, "*** Input check: neqns_new 0"},
        Rejection{"nnz below neqns", 11,
                  [](Caller&, Csr& m) {
                    m.ia = {1, 2, 3, 4, 5, 5};
                    m.ja = {1, 2, 3, 4};
                  },
                  "*** Input check: ia(neqns+1)_new 4 _old 0 are incompatible"},
        Rejection{"iparam(6) = 2", 11, [](Caller& c, Csr&) { c.ip(VARNEXO_IPARAM_SOLUTION_ON_B) = 2; },
                  "*** Input check: iparam(6) 2 (out of bounds)"},
        Rejection{"ordering 7", 11, [](Caller& c, Csr&) { c.ip(VARNEXO_IPARAM_ORDERING) = 7; },
                  "*** Input check: preprocessing 7 (out of bounds)"}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    Arrays, InputCheck,
    testing::Values(
        Rejection{"ia(1) not 1", 11,
                  [](Caller&, Csr& m) {
                    for (auto& p : m.ia) p += 1;
                  },
                  "*** Input check: row pointers ia must start at 1 and not decrease, first bad row 1"},
        Rejection{"ia decreasing", 11, [](Caller&, Csr& m) { m.ia[3] = m.ia[2] - 1; },
                  "*** Input check: row pointers ia must start at 1 and not decrease, first bad row 3"},
        Rejection{"column 0", 11, [](Caller&, Csr& m) { m.ja[3] = 0; },
                  "*** Input check: column index outside 1..neqns in row 2"},
        Rejection{"column beyond n", 11, [](Caller&, Csr& m) { m.ja[8] = 6; },
                  "*** Input check: column index outside 1..neqns in row 5"},
        Rejection{"huge column", 22, [](Caller&, Csr& m) { m.ja[1] = 1 << 30; },
                  "*** Input check: column index outside 1..neqns in row 1"},
        Rejection{"row not sorted", 11,
                  [](Caller&, Csr& m) {
                    m.ia = {1, 4, 6, 8, 10, 11};
                    m.ja = {1, 3, 2, 2, 3, 3, 4, 4, 5, 5};
                    m.a.assign(10, 1.0);
                  },
                  "*** Input check: column indices not strictly increasing in row 1"},
        Rejection{"upper row without leading diagonal", 11,
                  [](Caller&, Csr& m) {
                    m.ia = {1, 3, 5, 7, 9, 10};
                    m.ja = {1, 2, 1, 2, 3, 4, 4, 5, 5};
                    m.a.assign(9, 1.0);
                  },
                  "*** Input check: row 2 must start with its diagonal and hold no entry below it"},
        Rejection{"structurally symmetric row without diagonal", 11,
                  [](Caller& c, Csr& m) {
                    c.type = 1;
                    m.ia = {1, 3, 5, 7, 9, 10};
                    m.ja = {1, 2, 1, 3, 2, 4, 3, 5, 4};
                    m.a.assign(9, 1.0);
                  },
                  "*** Input check: row 2 holds no diagonal entry"},
        Rejection{"structurally symmetric type with an unsymmetric pattern", 11,
                  [](Caller& c, Csr& m) {
                    c.type = 1;  // (2, 1) is stored, (1, 2) is not
                    m.ia = {1, 2, 4, 5, 6, 7};
                    m.ja = {1, 1, 2, 3, 4, 5};
                    m.a.assign(6, 1.0);
                  },
                  "*** Input check: pattern not structurally symmetric, row 2"},
        Rejection{"permutation with a repeat", 11,
                  [](Caller& c, Csr&) {
                    c.ip(VARNEXO_IPARAM_PERM_USE) = 1;
                    c.perm = {1, 2, 3, 2, 5};
                  },
                  "*** Input check: perm is not a permutation of 1..neqns, first bad position 4"}),
    case_name);

TEST(InputCheck, NullArraysAreRejected) {
  Caller c(2);
  Csr m = laplace1d_upper(5);
  c.msglvl = 1;
  int32_t phase = 13, error = 0;
  std::string err = captured_stderr([&] {
    varnexo_(c.handle, &c.max_fac_store, &c.matrix_number, &c.type, &phase, &m.n, m.a.data(), m.ia.data(),
             nullptr, nullptr, &c.nb, c.iparam, &c.msglvl, nullptr, nullptr, &error);
  });
  EXPECT_EQ(error, -1);
  EXPECT_NE(err.find("*** Input check: argument 9 is a null pointer\n"), std::string::npos) << err;
  err = captured_stderr([&] {
    varnexo_(c.handle, &c.max_fac_store, &c.matrix_number, &c.type, &phase, &m.n, m.a.data(), nullptr,
             m.ja.data(), nullptr, &c.nb, c.iparam, &c.msglvl, c.b.data(), c.x.data(), &error);
  });
  EXPECT_EQ(error, -1);
  EXPECT_NE(err.find("*** Input check: argument 8 is a null pointer\n"), std::string::npos) << err;
  // Without the scalar arguments nothing can be read: -1 and nothing else.
  varnexo_(c.handle, &c.max_fac_store, &c.matrix_number, &c.type, nullptr, &m.n, m.a.data(), m.ia.data(),
           m.ja.data(), nullptr, &c.nb, c.iparam, &c.msglvl, nullptr, nullptr, &error);
  EXPECT_EQ(error, -1);
}

TEST(InputCheck, Iparam3BelowOneComesBackAsOne) {
  Caller c(2);
  Csr m = laplace1d_upper(4);
  c.ip(VARNEXO_IPARAM_NPROC) = 0;
  c.ip(VARNEXO_IPARAM_ORDERING) = 9;  // rejected afterwards: iparam(VARNEXO_IPARAM_NPROC) is corrected before
  c.call(11, m);
  EXPECT_EQ(c.ip(VARNEXO_IPARAM_NPROC), 1);
}

TEST(InputCheck, TypeChangesBetweenCalls) {
  Caller c(2);
  Csr m = laplace1d_upper(4);
  c.call(11, m);  // leaves the stored type 2 in the handle
  c.msglvl = 1;
  c.type = 11;
  std::string err = captured_stderr([&] { c.call(22, m); });
  EXPECT_EQ(c.error, -1);
  EXPECT_NE(err.find("*** Input check: matrix_type_new 11 _old 2 are incompatible"), std::string::npos)
      << err;
  c.type = -2;
  err = captured_stderr([&] { c.call(22, m); });
  EXPECT_EQ(err.find("incompatible"), std::string::npos) << err;
  // 2 -> 3 passes the magnitude rule but a complex full-storage factor of a real symmetric
  // analysis would be read in the wrong layout: refused.
  c.type = 3;
  err = captured_stderr([&] { c.call(22, m); });
  EXPECT_EQ(c.error, -1);
  EXPECT_NE(err.find("*** Input check: matrix_type_new 3 _old -2 are incompatible"), std::string::npos)
      << err;
}

TEST(InputCheck, MaxFacStoreMayNotGrow) {
  Caller c(2);
  Csr m = laplace1d_upper(4);
  c.call(11, m);
  c.max_fac_store = 3;
  c.msglvl = 1;
  std::string err = captured_stderr([&] { c.call(11, m); });
  EXPECT_EQ(c.error, -1);
  EXPECT_NE(err.find("*** Input check: max_fac_store_new 3 _old 1 are incompatible"), std::string::npos)
      << err;
}

TEST(InputCheck, NbZeroFailsOnlyForSolve) {
  Caller c(2);
  Csr m = laplace1d_upper(4);
  c.nb = 0;
  c.msglvl = 1;
  c.call(11, m);
  EXPECT_NE(c.error, -1);
  std::string err = captured_stderr([&] { c.call(33, m); });
  EXPECT_NE(err.find("*** Input check: nb_new  0  ido 33 are incompatible"), std::string::npos) << err;
}

TEST(InputCheck, Iparam30ForcesOrderingIntoRange) {
  Caller c(2);
  Csr m = laplace1d_upper(4);
  c.ip(VARNEXO_IPARAM_PANEL) = 1;
  c.ip(VARNEXO_IPARAM_ORDERING) = 7;
  c.call(11, m);
  EXPECT_NE(c.error, -1);
}

TEST(InputCheck, RejectedCallWritesNoStatistics) {
  Caller c(2);
  Csr m = laplace1d_upper(4);
  c.ip(VARNEXO_IPARAM_PEAK_KB) = c.ip(VARNEXO_IPARAM_PERMANENT_KB) = c.ip(VARNEXO_IPARAM_FACTOR_KB) = 77;
  c.ip(VARNEXO_IPARAM_SOLUTION_ON_B) = 5;
  c.call(11, m);
  EXPECT_EQ(c.ip(VARNEXO_IPARAM_PEAK_KB), 77);
  EXPECT_EQ(c.ip(VARNEXO_IPARAM_PERMANENT_KB), 77);
  EXPECT_EQ(c.ip(VARNEXO_IPARAM_FACTOR_KB), 77);
}

}  // namespace
}  // namespace varnexo::test
