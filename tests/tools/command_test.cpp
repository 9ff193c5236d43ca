// The varnexo-solve program as a user runs it: option errors and malformed files end with one
// line and exit status 2; solves of real matrices end with a small backward error and status 0.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <regex>

#include "command_options.h"
#include "matrix_market.h"
#include "solver.h"
#include "tool_test_support.h"

namespace varnexo::tools {
namespace {

using testing::run_solve;
using testing::write_file;

std::string matrix(const std::string& name) {
  return std::string(VARNEXO_MATRICES_DIR) + "/" + name + ".mtx";
}

bool one_line(const std::string& s) { return !s.empty() && s.find('\n') == s.size() - 1; }

TEST(Options, ParsesEveryOption) {
  const char* argv[] = {"varnexo-solve", "A.mtx",       "-b",        "B.mtx",    "-o",       "X.mtx",
                        "--type",        "-2",          "--phase",   "12,33",    "--nrhs",   "3",
                        "--ordering",    "mmd",         "--nproc=4", "--refine", "5",        "--pivot-eps",
                        "1e-10",         "--transpose", "--msglvl",  "1",        "--single", "--relaxed",
                        "--panel",       "160"};
  CommandOptions o;
  std::string error;
  ASSERT_TRUE(parse_options(static_cast<int>(std::size(argv)), argv, o, error)) << error;
  EXPECT_EQ(o.matrix_path, "A.mtx");
  EXPECT_EQ(o.rhs_path, "B.mtx");
  EXPECT_EQ(o.output_path, "X.mtx");
  EXPECT_EQ(o.matrix_type, -2);
  EXPECT_EQ(o.phases, (std::vector<int32_t>{12, 33}));
  EXPECT_EQ(o.nrhs, 3);
  EXPECT_EQ(o.ordering, 0);
  EXPECT_EQ(o.nproc, 4);
  EXPECT_EQ(o.max_refine, 5);
  EXPECT_EQ(o.pivot_exponent, 10);
  EXPECT_TRUE(o.transpose);
  EXPECT_EQ(o.message_level, 1);
  EXPECT_TRUE(o.single);
  EXPECT_TRUE(o.relaxed);
  EXPECT_EQ(o.panel, 160);
}

TEST(Options, PhaseListsFollowTheOrderOfTheWork) {
  std::string error;
  EXPECT_TRUE(check_phases({11, 22, 33, 33}, error));
  EXPECT_TRUE(check_phases({12, 33, 22, 33}, error));
  EXPECT_TRUE(check_phases({13}, error));
  EXPECT_TRUE(check_phases({11, 23}, error));
  EXPECT_FALSE(check_phases({}, error));
  EXPECT_EQ(error, "empty phase list");
  EXPECT_FALSE(check_phases({11, 33}, error));
  EXPECT_EQ(error, "phase 33 needs an earlier factorisation");
  EXPECT_FALSE(check_phases({-1}, error));
  EXPECT_EQ(error, "phase -1 is not one of 11, 12, 13, 22, 23, 33");
}

TEST(Options, StageTimesAddUpByFirstStageCovered) {
  SolveOutcome o;
  o.times = {{11, 1.0}, {22, 2.0}, {33, 0.5}, {33, 0.25}};
  EXPECT_EQ(o.stage_seconds(11), 1.0);
  EXPECT_EQ(o.stage_seconds(22), 2.0);
  EXPECT_EQ(o.stage_seconds(33), 0.75);
  o.times = {{13, 4.0}};
  EXPECT_EQ(o.stage_seconds(11), 4.0);
  EXPECT_EQ(o.stage_seconds(22), -1.0);
}

TEST(Options, NoArgumentSolvesTheBuiltInProblem) {
  const char* argv[] = {"varnexo-solve"};
  CommandOptions o;
  std::string error;
  ASSERT_TRUE(parse_options(1, argv, o, error));
  EXPECT_TRUE(o.builtin);
  EXPECT_EQ(o.generate, "laplace3d:40");
}

struct BadArgs {
  const char* args;
  const char* message;
};

class BadOptions : public ::testing::TestWithParam<BadArgs> {};

TEST_P(BadOptions, OneLineNamingTheOptionAndStatus2) {
  const testing::Run r = run_solve(GetParam().args);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, std::string("varnexo-solve: ") + GetParam().message + "\n");
  EXPECT_EQ(r.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Args, BadOptions,
    ::testing::Values(
        BadArgs{"A.mtx --type 5", "option --type: expected one of 1, 2, -2, 3, 4, -4, 6, 11, 13, got '5'"},
        BadArgs{"A.mtx --nrhs 0", "option --nrhs: expected a positive integer, got '0'"},
        BadArgs{"A.mtx --ordering amd", "option --ordering: expected mmd, cmd or nd, got 'amd'"},
        BadArgs{"A.mtx --pivot-eps 2",
                "option --pivot-eps: expected a threshold between 0 and 1 such as 1e-8, got '2'"},
        BadArgs{"A.mtx --msglvl", "option --msglvl needs a value"},
        BadArgs{"A.mtx --nproc 0", "option --nproc: expected an integer from 1 to 64, got '0'"},
        BadArgs{"A.mtx --nproc 65", "option --nproc: expected an integer from 1 to 64, got '65'"},
        BadArgs{"A.mtx --nproc=2000000000",
                "option --nproc: expected an integer from 1 to 64, got '2000000000'"},
        BadArgs{
            "A.mtx --panel 1",
            "option --panel: expected a panel width from 2 to 1024 (the columns of one supernode, symmetric "
            "types), got '1'"},
        BadArgs{"A.mtx --tol 0", "option --tol: expected a positive backward error such as 1e-10, got '0'"},
        BadArgs{"A.mtx --tol nan",
                "option --tol: expected a positive backward error such as 1e-10, got 'nan'"},
        BadArgs{"A.mtx --tol -1e-8",
                "option --tol: expected a positive backward error such as 1e-10, got '-1e-8'"},
        BadArgs{"A.mtx --cgs 60",
                "option --cgs: expected a code ±(10·k + m): m 1 CGS, 2 CG, tolerance 1e-k; e.g. 61 or -2, "
                "got '60'"},
        BadArgs{"A.mtx --frobnicate", "unknown option --frobnicate (see --help)"},
        BadArgs{"A.mtx B.mtx", "unexpected argument 'B.mtx': only one matrix file is read"},
        BadArgs{"--type 2", "no matrix: give a Matrix Market file or --generate PROBLEM"},
        BadArgs{"--generate laplace3d:5 --phase 22,33", "option --phase: phase 22 needs an earlier analysis"},
        BadArgs{"--generate laplace3d:5 --phase 11,33",
                "option --phase: phase 33 needs an earlier factorisation"},
        BadArgs{"--generate laplace3d:5 --phase 14",
                "option --phase: phase 14 is not one of 11, 12, 13, 22, 23, 33"},
        BadArgs{"--generate ball:3", "unknown problem 'ball' in 'ball:3'"},
        BadArgs{"/nonexistent/A.mtx", "/nonexistent/A.mtx: cannot open: No such file or directory"},
        BadArgs{"--generate laplace2d:3 -o /nonexistent/x.mtx",
                "/nonexistent/x.mtx: cannot create: No such file or directory"}));

// Every malformed file: status 2 and one line that starts with the file's name (no crash, also
// under the sanitizers, which this program is built with in the sanitizer build).
TEST(Command, MalformedFilesEndWithOneLineAndStatus2) {
  const char* bodies[] = {
      "",
      "%%MatrixMarket matrix coordinate real general\n",
      "%%MatrixMarket matrix coordinate real general\n3 3 2\n1 1 1\n",
      "%%MatrixMarket matrix coordinate real general\n3 3 1\n4 1 1\n",
      "%%MatrixMarket matrix coordinate real general\n3 3 1\n1 1\n",
      "%%MatrixMarket matrix coordinate real general\n3 3 1\n1 1 NaN\n",
      "%%MatrixMarket matrix coordinate real general\n3 3 1\n1 -2147483649 1\n",
      "%%MatrixMarket matrix coordinate real general\n3 3 99999999999\n1 1 1\n",
      "%%MatrixMarket matrix coordinate real skew-symmetric\n3 3 1\n2 2 1\n",
      "%%MatrixMarket matrix coordinate real general\n2 3 1\n1 1 1\n",
      "%%MatrixMarket matrix coordinate real general\n0 0 0\n",
  };
  int k = 0;
  for (const char* body : bodies) {
    const std::string path = write_file("bad" + std::to_string(k++) + ".mtx", body);
    const testing::Run r = run_solve(testing::quoted(path));
    EXPECT_EQ(r.status, 2) << body;
    EXPECT_TRUE(one_line(r.err)) << r.err;
    EXPECT_EQ(r.err.rfind("varnexo-solve: " + path, 0), 0u) << r.err;
  }
}

TEST(Command, HelpListsOptionsAndProblems) {
  const testing::Run r = run_solve("--help");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, usage());
  EXPECT_NE(r.out.find("convdiff3d:N:peclet"), std::string::npos);
}

TEST(Command, ComplexMatrixWithRealTypeAndBadRhsAreInputErrors) {
  const std::string c = matrix("c30up");
  testing::Run r = run_solve(testing::quoted(c) + " --type 2");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "varnexo-solve: " + c +
                       ": the matrix has complex values but the matrix type is real (matrix type 2)\n");
  const std::string b = write_file("short_b.mtx", "%%MatrixMarket matrix array real general\n2 1\n1\n2\n");
  r = run_solve(testing::quoted(matrix("bcsstk01")) + " -b " + testing::quoted(b));
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "varnexo-solve: " + b + ": 2 rows, the matrix has 48\n");
}

// True once the library solves a small SPD system through the program; until then the
// end-to-end tests below are skipped.
bool library_solves() {
  static const bool ok = run_solve("--generate laplace2d:6").status == 0;
  return ok;
}

double backward_error_of(const std::string& out) {
  std::smatch m;
  static const std::regex re("backward error ([0-9.eE+-]+)");
  if (!std::regex_search(out, m, re)) return 1.0;
  return std::atof(m[1].str().c_str());
}

// The file's name and the options of a case, as letters, digits and underscores.
std::string case_name(const ::testing::TestParamInfo<const char*>& info) {
  std::string arg = info.param;
  const size_t slash = arg.rfind('/');
  if (slash != std::string::npos) arg = arg.substr(slash + 1);
  std::string name;
  for (char ch : arg) name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
  return name;
}

class EndToEnd : public ::testing::TestWithParam<const char*> {};

TEST_P(EndToEnd, BackwardErrorBelow1e12) {
  if (!library_solves()) GTEST_SKIP() << "the library does not solve an SPD system yet";
  const testing::Run r = run_solve(GetParam());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_LT(backward_error_of(r.out), 1e-12) << r.out;
}

INSTANTIATE_TEST_SUITE_P(
    Matrices, EndToEnd,
    ::testing::Values(
        "'" VARNEXO_MATRICES_DIR "/bcsstk01.mtx'", "'" VARNEXO_MATRICES_DIR "/494_bus.mtx' --phase 13",
        "'" VARNEXO_MATRICES_DIR "/gr_30_30.mtx' --ordering mmd --nrhs 3",
        "'" VARNEXO_MATRICES_DIR "/bcsstm12.mtx' --phase 12,33",
        "'" VARNEXO_MATRICES_DIR "/mesh1e1.mtx' --type 2", "'" VARNEXO_MATRICES_DIR "/bfw398b.mtx' --type -2",
        "'" VARNEXO_MATRICES_DIR "/c30up.mtx'", "'" VARNEXO_MATRICES_DIR "/qc324.mtx'",
        "'" VARNEXO_MATRICES_DIR "/orsirr_1.mtx'", "'" VARNEXO_MATRICES_DIR "/cage5.mtx' --type 1",
        "'" VARNEXO_MATRICES_DIR "/young1c.mtx' --type 3",
        "'" VARNEXO_MATRICES_DIR "/west0067.mtx' --transpose", "--generate elasticity3d:4",
        "'" VARNEXO_MATRICES_DIR "/bp_1200.mtx' --cgs 1",
        "'" VARNEXO_MATRICES_DIR "/bcsstk03.mtx' --cgs -2 --phase 12,33",
        "'" VARNEXO_MATRICES_DIR "/bcsstk01.mtx' --single",
        "'" VARNEXO_MATRICES_DIR "/cage5.mtx' --type 1 --single --nrhs 2",
        "'" VARNEXO_MATRICES_DIR "/bfw398b.mtx' --type -2 --single --nproc 2",
        "--generate helmholtz3d:5:1 --single"),
    case_name);

TEST(Command, SummaryReportsTheIterations) {
  if (!library_solves()) GTEST_SKIP() << "the library does not solve an SPD system yet";
  const testing::Run cg = run_solve("--generate laplace3d:6 --cgs 2");
  ASSERT_EQ(cg.status, 0) << cg.err;
  EXPECT_TRUE(std::regex_search(
      cg.out, std::regex("solve +1 right-hand side, [1-9][0-9]* CG iterations?, 0 perturbed")))
      << cg.out;
  // CG asked for an unsymmetric matrix runs CGS.
  const testing::Run cgs = run_solve("--generate convdiff3d:5:10 --cgs 62");
  ASSERT_EQ(cgs.status, 0) << cgs.err;
  EXPECT_TRUE(std::regex_search(cgs.out, std::regex(", [1-9][0-9]* CGS iterations?,"))) << cgs.out;
}

// --single asks for a single-precision factor and gives the refinement the steps it needs,
// unless --refine sets them.
TEST(Command, SingleRaisesTheRefinementSteps) {
  if (!library_solves()) GTEST_SKIP() << "the library does not solve an SPD system yet";
  const testing::Run single = run_solve("--generate laplace3d:8 --single --msglvl 1");
  ASSERT_EQ(single.status, 0) << single.err;
  EXPECT_NE(single.out.find(" < Using VARNEXO in 32-bit for factorization/solve >"), std::string::npos);
  EXPECT_NE(single.out.find("Mflop, single precision"), std::string::npos) << single.out;
  std::smatch m;
  ASSERT_TRUE(std::regex_search(single.out, m, std::regex("([0-9]+) refinement steps?"))) << single.out;
  EXPECT_GE(std::atoi(m[1].str().c_str()), 2);
  EXPECT_LT(backward_error_of(single.out), 1e-14) << single.out;
  const testing::Run one = run_solve("--generate laplace3d:8 --single --refine 1");
  ASSERT_EQ(one.status, 0) << one.err;
  EXPECT_NE(one.out.find(" 1 refinement step,"), std::string::npos) << one.out;
}

TEST(Command, WritesTheSolutionAndReadsRightHandSides) {
  if (!library_solves()) GTEST_SKIP() << "the library does not solve an SPD system yet";
  // x = (1, ..., 1) gives b = A·1; solving with that b read from a file must give x back.
  const std::string bpath = (testing::scratch_dir() / "b.mtx").string();
  const std::string xpath = (testing::scratch_dir() / "x.mtx").string();
  std::string error;
  testing::Run r = run_solve("--generate laplace2d:6 -o " + testing::quoted(xpath));
  ASSERT_EQ(r.status, 0) << r.err;
  Dense x;
  ASSERT_TRUE(read_dense(xpath, x, error)) << error;
  ASSERT_EQ(x.nrows, 36);
  for (double v : x.val) EXPECT_NEAR(v, 1.0, 1e-12);
  Dense b{36, 1, false, std::vector<double>(36, 0.0)};
  b.val[0] = 1.0;
  ASSERT_TRUE(write_dense(bpath, b, error));
  r = run_solve("--generate laplace2d:6 -b " + testing::quoted(bpath) + " -o " + testing::quoted(xpath));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_LT(backward_error_of(r.out), 1e-12);
  ASSERT_TRUE(read_dense(xpath, x, error)) << error;
  EXPECT_GT(x.val[0], 0.0);  // the Green's function of the Laplacian is positive
}

// Sizes that cannot fit in memory are refused with one line and status 2 before anything of that
// size is allocated: a 60-byte file declaring 2147483646 rows, a right-hand-side file declaring
// 50000 columns for a million rows, a generated problem of 1.7e9 unknowns, and --nrhs 300000000.
TEST(Command, SizesBeyondMemoryAreRefusedBeforeAllocating) {
  const std::string huge = write_file(
      "huge60.mtx", "%%MatrixMarket matrix coordinate real general\n2147483646 2147483646 1\n1 1 1\n");
  testing::Run r = run_solve(testing::quoted(huge));
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(one_line(r.err)) << r.err;
  EXPECT_EQ(r.err.rfind("varnexo-solve: " + huge +
                            ":2: a matrix of 2147483646 rows and 1 entry needs at least "
                            "550 GB to solve, more than the ",
                        0),
            0u)
      << r.err;
  const std::string wide = write_file(
      "wide.mtx", "%%MatrixMarket matrix coordinate real general\n1000000 50000 2\n1 1 1\n7 49999 2\n");
  r = run_solve("--generate laplace2d:1000 -b " + testing::quoted(wide));
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(one_line(r.err)) << r.err;
  EXPECT_EQ(r.err.rfind("varnexo-solve: " + wide + ":2: 1000000 x 50000 right-hand sides need 1.6 TB", 0), 0u)
      << r.err;
  r = run_solve("--generate laplace3d:1200");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err.rfind(
                "varnexo-solve: problem 'laplace3d:1200' needs at least 505 GB to solve, more than the ", 0),
            0u)
      << r.err;
  r = run_solve("--generate laplace2d:10 --nrhs 300000000");
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(one_line(r.err)) << r.err;
  EXPECT_EQ(
      r.err.rfind("varnexo-solve: --nrhs 300000000: 300000000 right-hand sides of 100 rows need 960 GB", 0),
      0u)
      << r.err;
}

// An allocation that fails in spite of the checks (here under an address-space limit) ends with
// one line naming what was being built, never with an uncaught exception.
TEST(Command, OutOfMemoryEndsWithOneLine) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer needs more address space than the limit leaves";
#endif
  // elasticity3d has about 40 entries per unknown, far more than the least a solve needs, so the
  // size check lets it through and the generation runs out of address space.
  const testing::Run r = run_solve("--generate elasticity3d:60", "ulimit -v 600000");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "varnexo-solve: not enough memory for generating elasticity3d:60\n");
}

// A solution is reported as solved only when its backward error is finite and within --tol;
// otherwise the summary is printed, one line says why, the status is 1 and -o is not written.
TEST(Command, SolutionAboveToleranceEndsWithStatus1AndNoOutput) {
  if (!library_solves()) GTEST_SKIP() << "the library does not solve an SPD system yet";
  const std::string xpath = (testing::scratch_dir() / "x_tol.mtx").string();
  testing::Run r = run_solve("--generate laplace2d:6 --tol 1e-30 -o " + testing::quoted(xpath));
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(std::regex_match(r.err, std::regex("varnexo-solve: backward error [0-9.]+e-[0-9]+ is above the "
                                                 "tolerance 1e-30 \\(--tol\\); .*x_tol.mtx not written\n")))
      << r.err;
  EXPECT_NE(r.out.find("backward error "), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(xpath));
  r = run_solve("--generate laplace2d:6 --tol 1e-12 -o " + testing::quoted(xpath));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(std::filesystem::exists(xpath));
}

// b = A·1 is not a right-hand side when it overflows: refused before the solve.
TEST(Command, OverflowingGeneratedRightHandSideIsRefused) {
  const std::string path =
      write_file("overflow.mtx",
                 "%%MatrixMarket matrix coordinate real general\n2 2 3\n1 1 1.5e308\n1 2 1.5e308\n2 2 1\n");
  const testing::Run r = run_solve(testing::quoted(path));
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(
      r.err,
      "varnexo-solve: the right-hand side A·x overflows for this matrix (entries near the largest double); "
      "give one with -b\n");
}

struct TypeCase {
  const char* name;
  const char* body;
  const char* args;
  int status;
  const char* err;  // after "varnexo-solve: " and the path; "" for no message at all
};

// Files whose matrix the chosen type would silently change: a general file taken by a type that
// keeps the upper triangle, a symmetric file storing an entry and its mirror, repeated entries,
// an integer file holding 1.5, the wrong kind of complex symmetry. Refused with status 2, or
// accepted with a one-line warning where the difference is rounding or a documented sum.
class TypeAndFile : public ::testing::TestWithParam<TypeCase> {};

TEST_P(TypeAndFile, RefusedOrWarnedInOneLine) {
  if (!library_solves()) GTEST_SKIP() << "the library does not solve an SPD system yet";
  const TypeCase& c = GetParam();
  const std::string path = write_file(std::string(c.name) + ".mtx", c.body);
  const testing::Run r = run_solve(testing::quoted(path) + " " + c.args);
  EXPECT_EQ(r.status, c.status) << r.err;
  EXPECT_EQ(r.err,
            *c.err ? "varnexo-solve: " + std::string(c.status == 0 ? "warning: " : "") + path + c.err + "\n"
                   : std::string());
  if (c.status == 0) {
    EXPECT_LT(backward_error_of(r.out), 1e-12) << r.out;
  }
}

#define MM_REAL_GENERAL "%%MatrixMarket matrix coordinate real general\n"
#define LAPLACE3_LOWER "3 3 5\n1 1 2\n2 2 2\n3 3 2\n2 1 -1\n3 2 -1\n"

INSTANTIATE_TEST_SUITE_P(
    Files, TypeAndFile,
    ::testing::Values(
        TypeCase{
            "general_lower_as_spd", MM_REAL_GENERAL LAPLACE3_LOWER, "--type 2", 2,
            ": matrix type 2 keeps the upper triangle of a symmetric matrix, but this general matrix is not "
            "symmetric: entry (2,1) is -1 where the type takes 0; use type 11 (or 1)"},
        TypeCase{
            "general_unsymmetric_as_hermitian", MM_REAL_GENERAL "2 2 4\n1 1 4\n1 2 1\n2 1 2\n2 2 4\n",
            "--type -4", 2,
            ": matrix type -4 keeps the upper triangle of a Hermitian matrix, but this general matrix is not "
            "Hermitian: entry (2,1) is 2 where the type takes 1; use type 11 (or 1)"},
        TypeCase{"general_symmetric_as_spd", MM_REAL_GENERAL "2 2 4\n1 1 4\n1 2 1\n2 1 1\n2 2 4\n",
                 "--type 2", 0, ""},
        TypeCase{"general_upper_as_spd", MM_REAL_GENERAL "2 2 3\n1 1 4\n1 2 1\n2 2 4\n", "--type -2", 0, ""},
        TypeCase{
            "general_rounding_as_spd", MM_REAL_GENERAL "2 2 4\n1 1 4\n1 2 1\n2 1 1.0000000000000002\n2 2 4\n",
            "--type 2", 0,
            ": matrix type 2 keeps the upper triangle; the file's matrix is symmetric only up to a relative "
            "2.2e-16 (at (2,1))"},
        TypeCase{"hermitian_as_complex_symmetric",
                 "%%MatrixMarket matrix coordinate complex hermitian\n2 2 3\n1 1 4 0\n2 1 1 1\n2 2 4 0\n",
                 "--type 6", 2,
                 ": matrix type 6 keeps the upper triangle of a symmetric matrix, but this Hermitian matrix "
                 "is not "
                 "symmetric: entry (2,1) is (1,1) where the type takes (1,-1); use type 4 or -4"},
        TypeCase{
            "symmetric_entry_and_mirror",
            "%%MatrixMarket matrix coordinate real symmetric\n2 2 4\n1 1 4\n2 1 1\n1 2 1\n2 2 4\n", "", 2,
            ":5: entry (1,2) mirrors (2,1) of line 4: a symmetric or Hermitian file stores each off-diagonal "
            "entry once"},
        TypeCase{"symmetric_repeated_entry",
                 "%%MatrixMarket matrix coordinate real symmetric\n2 2 4\n1 1 2\n2 1 1\n2 2 4\n1 1 2\n", "",
                 0, ":6: entry (1,1) repeats line 3; 1 repeated entry summed"},
        TypeCase{"integer_with_fraction",
                 "%%MatrixMarket matrix coordinate integer general\n2 2 2\n1 1 4\n2 2 1.5\n", "", 2,
                 ":4: value '1.5' is not an integer (the header says integer)"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace varnexo::tools
