// Matrix Market reader and writers: exact messages for malformed files, round trips through the
// writer, and the folding of either triangle of symmetric and Hermitian files.
#include "matrix_market.h"

#include <gtest/gtest.h>

#include "generators.h"
#include "solver.h"
#include "support/matrices.h"
#include "tool_test_support.h"

namespace varnexo::tools {
namespace {

using testing::write_file;

uint64_t read_file_size(const std::string& path) { return std::filesystem::file_size(path); }

struct Malformed {
  const char* name;
  const char* content;
  const char* message;  // after "<path>"
};

const Malformed kMalformed[] = {
    {"empty", "",
     ": empty file, expected the header '%%MatrixMarket matrix coordinate|array real|complex|integer "
     "general|symmetric|hermitian'"},
    {"bad_banner", "%%MatrixMarkt matrix coordinate real general\n2 2 1\n1 1 1\n",
     ":1: expected the header '%%MatrixMarket matrix coordinate|array real|complex|integer "
     "general|symmetric|hermitian'"},
    {"pattern", "%%MatrixMarket matrix coordinate pattern general\n2 2 1\n1 1\n",
     ":1: pattern matrices have no values to solve with"},
    {"skew", "%%MatrixMarket matrix coordinate real skew-symmetric\n2 2 1\n2 1 1\n",
     ":1: skew-symmetric matrices are not supported (no matrix type stores them)"},
    {"bad_field", "%%MatrixMarket matrix coordinate quaternion general\n2 2 1\n1 1 1\n",
     ":1: unknown value field 'quaternion' (expected real, complex or integer)"},
    {"no_size", "%%MatrixMarket matrix coordinate real general\n% only a comment\n",
     ": file ends before the size line 'rows columns entries'"},
    {"bad_size", "%%MatrixMarket matrix coordinate real general\n2 two 1\n1 1 1\n",
     ":2: expected the size line 'rows columns entries'"},
    {"size_extra", "%%MatrixMarket matrix coordinate real general\n2 2 1 7\n1 1 1\n",
     ":2: unexpected text after the size line 'rows columns entries'"},
    {"too_few", "%%MatrixMarket matrix coordinate real general\n2 2 3\n1 1 1\n2 2 1\n",
     ":4: file ends after 2 of 3 entries"},
    {"too_many", "%%MatrixMarket matrix coordinate real general\n2 2 1\n1 1 1\n2 2 1\n",
     ":4: more entries than the 1 declared"},
    {"row_range", "%%MatrixMarket matrix coordinate real general\n2 2 2\n1 1 1\n3 1 1\n",
     ":4: row index 3 out of range 1..2"},
    {"col_zero", "%%MatrixMarket matrix coordinate real general\n2 2 1\n1 0 1\n",
     ":3: column index 0 out of range 1..2"},
    {"truncated", "%%MatrixMarket matrix coordinate real general\n2 2 2\n1 1 1\n2 2\n",
     ":4: expected 'row column value'"},
    {"truncated_complex", "%%MatrixMarket matrix coordinate complex general\n2 2 1\n1 1 1.0\n",
     ":3: expected 'row column real imaginary'"},
    {"nan", "%%MatrixMarket matrix coordinate real general\n2 2 2\n1 1 1\n2 2 nan\n",
     ":4: value is not a finite number"},
    {"overflow", "%%MatrixMarket matrix coordinate real general\n2 2 1\n1 1 1e999\n",
     ":3: value is not a finite number"},
    {"garbage", "%%MatrixMarket matrix coordinate real general\n2 2 1\n1 1 1.5x\n",
     ":3: expected 'row column value'"},
    {"extra_value", "%%MatrixMarket matrix coordinate real general\n2 2 1\n1 1 1.5 2\n",
     ":3: unexpected text after 'row column value'"},
    {"hermitian_diag", "%%MatrixMarket matrix coordinate complex hermitian\n2 2 1\n1 1 1 0.5\n",
     ":3: diagonal entry of a Hermitian matrix with a nonzero imaginary part"},
    {"symmetric_rect", "%%MatrixMarket matrix coordinate real symmetric\n2 3 1\n1 1 1\n",
     ":2: a symmetric or Hermitian matrix must be square"},
    {"integer_fraction", "%%MatrixMarket matrix coordinate integer general\n2 2 2\n1 1 1\n2 2 1.5\n",
     ":4: value '1.5' is not an integer (the header says integer)"},
    {"integer_exponent", "%%MatrixMarket matrix coordinate integer symmetric\n2 2 1\n1 1 1e3\n",
     ":3: value '1e3' is not an integer (the header says integer)"},
    {"symmetric_mirror",
     "%%MatrixMarket matrix coordinate real symmetric\n% lower then upper\n2 2 3\n2 1 1\n1 1 4\n1 2 1\n",
     ":6: entry (1,2) mirrors (2,1) of line 4: a symmetric or Hermitian file stores each off-diagonal "
     "entry once"},
    {"hermitian_mirror",
     "%%MatrixMarket matrix coordinate complex hermitian\n2 2 4\n1 1 4 0\n2 1 1 1\n%\n2 2 4 0\n1 2 1 -1\n",
     ":7: entry (1,2) mirrors (2,1) of line 4: a symmetric or Hermitian file stores each off-diagonal "
     "entry once"},
    {"array", "%%MatrixMarket matrix array real general\n2 1\n1\n2\n",
     ":1: the matrix must be a coordinate file (array files are read for right-hand sides only)"},
};

class MalformedFile : public ::testing::TestWithParam<Malformed> {};

TEST_P(MalformedFile, ReaderNamesFileAndLine) {
  const Malformed& m = GetParam();
  const std::string path = write_file(std::string(m.name) + ".mtx", m.content);
  Coordinate c;
  std::string error;
  EXPECT_FALSE(read_coordinate(path, c, error));
  EXPECT_EQ(error, path + m.message);
}

INSTANTIATE_TEST_SUITE_P(Files, MalformedFile, ::testing::ValuesIn(kMalformed),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MatrixMarket, MissingFileIsReported) {
  Coordinate c;
  std::string error;
  EXPECT_FALSE(read_coordinate("/nonexistent/a.mtx", c, error));
  EXPECT_EQ(error, "/nonexistent/a.mtx: cannot open: No such file or directory");
}

// The tests read skew-symmetric matrices of their collection as general ones: each entry is
// followed by its negated mirror.
TEST(MatrixMarket, SkewSymmetricFileExpandsWhenAsked) {
  const std::string path = write_file(
      "skew.mtx", "%%MatrixMarket matrix coordinate real skew-symmetric\n3 3 2\n2 1 1.5\n3 2 -2\n");
  Coordinate c;
  std::string error;
  EXPECT_FALSE(read_coordinate(path, c, error));
  ASSERT_TRUE(read_coordinate(path, c, error, {.expand_skew = true})) << error;
  EXPECT_EQ(c.symmetry, Symmetry::general);
  EXPECT_EQ(c.row, (std::vector<int32_t>{2, 1, 3, 2}));
  EXPECT_EQ(c.col, (std::vector<int32_t>{1, 2, 2, 3}));
  EXPECT_EQ(c.val, (std::vector<double>{1.5, -1.5, -2.0, 2.0}));
}

// A matrix of the test collection that cannot be read fails the test that asked for it, naming
// the file: no test skips silently for a missing matrix.
TEST(MatrixMarket, MissingCollectionMatrixFailsWithItsPath) {
  Coordinate c;
  const ::testing::AssertionResult r = testsupport::read_matrix("no_such_matrix", c);
  EXPECT_FALSE(r);
  EXPECT_NE(std::string(r.message()).find(testsupport::matrix_path("no_such_matrix")), std::string::npos)
      << r.message();
  EXPECT_TRUE(testsupport::read_matrix("plskz362", c));
  EXPECT_EQ(c.symmetry, Symmetry::general);
}

TEST(MatrixMarket, ReadsCommentsBlankLinesIntegerValuesAndCrlf) {
  const std::string path = write_file("mixed.mtx",
                                      "%%MatrixMarket Matrix Coordinate Integer General\r\n% comment\r\n\r\n"
                                      "3 3 3\r\n1 1 4\r\n  2   3 -7 \r\n%inside\r\n3 2 +2\r\n");
  Coordinate c;
  std::string error;
  ASSERT_TRUE(read_coordinate(path, c, error)) << error;
  EXPECT_EQ(c.nrows, 3);
  EXPECT_EQ(c.field, Field::real);
  EXPECT_EQ(c.row, (std::vector<int32_t>{1, 2, 3}));
  EXPECT_EQ(c.col, (std::vector<int32_t>{1, 3, 2}));
  EXPECT_EQ(c.val, (std::vector<double>{4, -7, 2}));
}

// A skew-symmetric matrix has a zero diagonal: a stored zero is kept, anything else refused.
TEST(MatrixMarket, SkewSymmetricDiagonalMustBeZero) {
  Coordinate c;
  std::string error;
  const std::string zero = write_file(
      "skew0.mtx", "%%MatrixMarket matrix coordinate real skew-symmetric\n3 3 2\n2 1 1.5\n2 2 0\n");
  ASSERT_TRUE(read_coordinate(zero, c, error, {.expand_skew = true})) << error;
  EXPECT_EQ(c.row, (std::vector<int32_t>{2, 1, 2}));
  EXPECT_EQ(c.col, (std::vector<int32_t>{1, 2, 2}));
  EXPECT_EQ(c.val, (std::vector<double>{1.5, -1.5, 0.0}));
  const std::string nonzero = write_file(
      "skew1.mtx", "%%MatrixMarket matrix coordinate real skew-symmetric\n2 2 2\n2 1 1.5\n1 1 1\n");
  EXPECT_FALSE(read_coordinate(nonzero, c, error, {.expand_skew = true}));
  EXPECT_EQ(error, nonzero + ":4: diagonal entry of a skew-symmetric matrix must be zero");
}

// Writes a generated problem, reads it back, and expects the same compressed rows, bit for bit.
class RoundTrip : public ::testing::TestWithParam<const char*> {};

TEST_P(RoundTrip, WriteThenReadGivesSameCsr) {
  Problem p;
  std::string error;
  ASSERT_TRUE(generate(GetParam(), p, error)) << error;
  Layout layout;
  bool complex;
  ASSERT_TRUE(layout_of_type(p.matrix_type, layout, complex));
  Csr a, back;
  ASSERT_TRUE(to_csr(p.matrix, layout, complex, a, error)) << error;
  const std::string path = (testing::scratch_dir() / "roundtrip.mtx").string();
  ASSERT_TRUE(write_coordinate(path, a, error)) << error;
  Coordinate c;
  ASSERT_TRUE(read_coordinate(path, c, error)) << error;
  ASSERT_TRUE(to_csr(c, layout, complex, back, error)) << error;
  EXPECT_EQ(back.n, a.n);
  EXPECT_EQ(back.ia, a.ia);
  EXPECT_EQ(back.ja, a.ja);
  EXPECT_EQ(back.a, a.a);
}

INSTANTIATE_TEST_SUITE_P(Generated, RoundTrip,
                         ::testing::Values("laplace2d:7", "elasticity3d:3", "kkt:6", "helmholtz3d:4:20.5",
                                           "convdiff3d:4:30", "hermitian3d:4", "hermitian3d:3:2.5"));

// The same matrix stored by its lower triangle, its upper triangle, or a mix of both: every form
// gives the same compressed rows. An entry stored at both (i,j) and (j,i) is refused: whether the
// file meant one value or their sum is ambiguous.
class Triangles : public ::testing::TestWithParam<const char*> {};

TEST_P(Triangles, LowerUpperAndMixedFilesAgree) {
  const std::string header = GetParam();
  const bool herm = header.find("hermitian") != std::string::npos;
  const bool cplx = header.find("complex") != std::string::npos;
  // Upper entries (i <= j): (1,1) 4, (1,3) 1+2i, (2,2) 5, (2,3) -1+0.5i, (3,3) 6.
  const std::string upper = "1 1 4 0\n1 3 1 2\n2 2 5 0\n2 3 -1 0.5\n3 3 6 0\n";
  std::string lower = herm ? "1 1 4 0\n3 1 1 -2\n2 2 5 0\n3 2 -1 -0.5\n3 3 6 0\n"
                           : "1 1 4 0\n3 1 1 2\n2 2 5 0\n3 2 -1 0.5\n3 3 6 0\n";
  std::string mixed = herm ? "3 3 6 0\n1 3 1 2\n2 2 5 0\n3 2 -1 -0.5\n1 1 4 0\n"
                           : "3 3 6 0\n1 3 1 2\n2 2 5 0\n3 2 -1 0.5\n1 1 4 0\n";
  const std::string split = herm ? "3 3 6 0\n1 3 0.5 1\n2 2 5 0\n3 1 0.5 -1\n3 2 -1 -0.5\n1 1 4 0\n"
                                 : "3 3 6 0\n1 3 0.5 1\n2 2 5 0\n3 1 0.5 1\n3 2 -1 0.5\n1 1 4 0\n";
  const auto real_only = [&](std::string s) {
    if (cplx) return s;
    std::string out;
    std::istringstream in(s);
    for (std::string line; std::getline(in, line);) out += line.substr(0, line.rfind(' ')) + "\n";
    return out;
  };
  const Layout layout = herm ? Layout::upper_hermitian : Layout::upper_symmetric;
  std::vector<Csr> forms;
  for (const std::string& body : {upper, lower, mixed}) {
    const std::string path = write_file("tri.mtx", header + "\n3 3 5\n" + real_only(body));
    Coordinate c;
    std::string error;
    ASSERT_TRUE(read_coordinate(path, c, error)) << error;
    forms.emplace_back();
    ASSERT_TRUE(to_csr(c, layout, cplx, forms.back(), error)) << error;
  }
  EXPECT_EQ(forms[0].ia, (std::vector<int32_t>{1, 3, 5, 6}));
  EXPECT_EQ(forms[0].ja, (std::vector<int32_t>{1, 3, 2, 3, 3}));
  for (int k = 1; k < 3; ++k) {
    EXPECT_EQ(forms[k].ia, forms[0].ia);
    EXPECT_EQ(forms[k].ja, forms[0].ja);
    EXPECT_EQ(forms[k].a, forms[0].a);
  }
  const std::string path = write_file("split.mtx", header + "\n3 3 6\n" + real_only(split));
  Coordinate c;
  std::string error;
  EXPECT_FALSE(read_coordinate(path, c, error));
  EXPECT_EQ(error, path +
                       ":6: entry (3,1) mirrors (1,3) of line 4: a symmetric or Hermitian file stores each "
                       "off-diagonal entry once");
}

INSTANTIATE_TEST_SUITE_P(Headers, Triangles,
                         ::testing::Values("%%MatrixMarket matrix coordinate real symmetric",
                                           "%%MatrixMarket matrix coordinate complex symmetric",
                                           "%%MatrixMarket matrix coordinate complex hermitian"));

TEST(MatrixMarket, DenseFromArrayAndCoordinate) {
  Dense d;
  std::string error;
  ASSERT_TRUE(read_dense(
      write_file("b.mtx", "%%MatrixMarket matrix array real general\n3 2\n1\n2\n3\n4\n5\n6\n"), d, error))
      << error;
  EXPECT_EQ(d.nrows, 3);
  EXPECT_EQ(d.ncols, 2);
  EXPECT_EQ(d.val, (std::vector<double>{1, 2, 3, 4, 5, 6}));
  ASSERT_TRUE(read_dense(
      write_file("bc.mtx", "%%MatrixMarket matrix coordinate complex general\n3 1 2\n3 1 1 -1\n1 1 2 0.5\n"),
      d, error))
      << error;
  EXPECT_TRUE(d.complex);
  EXPECT_EQ(d.val, (std::vector<double>{2, 0.5, 0, 0, 1, -1}));
  const std::string trunc = write_file("bt.mtx", "%%MatrixMarket matrix array real general\n3 1\n1\n2\n");
  EXPECT_FALSE(read_dense(trunc, d, error));
  EXPECT_EQ(error, trunc + ":4: file ends after 2 of 3 values");
}

// Entries repeated at one position are summed, as assembled matrices expect, but never silently:
// the warning names the first repeat, the line it repeats and the count.
TEST(MatrixMarket, RepeatedEntriesAreSummedWithAWarning) {
  const std::string path = write_file("repeats.mtx",
                                      "%%MatrixMarket matrix coordinate real general\n3 3 6\n1 1 1\n2 1 5\n"
                                      "% assembled twice\n1 1 2\n3 3 1\n2 1 -1\n1 1 4\n");
  Coordinate c;
  std::string error, warning = "stale";
  ASSERT_TRUE(read_coordinate(path, c, error, {0, &warning})) << error;
  EXPECT_EQ(warning, path + ":6: entry (1,1) repeats line 3; 3 repeated entries summed");
  Csr a;
  ASSERT_TRUE(to_csr(c, Layout::full, false, a, error)) << error;
  EXPECT_EQ(a.ja, (std::vector<int32_t>{1, 1, 3}));
  EXPECT_EQ(a.a, (std::vector<double>{7, 4, 1}));
  // A clean file leaves the warning empty; a symmetric file repeating a diagonal entry warns.
  ASSERT_TRUE(read_coordinate(
      write_file("clean.mtx", "%%MatrixMarket matrix coordinate real general\n1 1 1\n1 1 2\n"), c, error,
      {0, &warning}));
  EXPECT_EQ(warning, "");
  const std::string sym = write_file(
      "symrep.mtx", "%%MatrixMarket matrix coordinate real symmetric\n2 2 3\n2 2 1\n2 1 3\n2 2 1\n");
  ASSERT_TRUE(read_coordinate(sym, c, error, {0, &warning})) << error;
  EXPECT_EQ(warning, sym + ":5: entry (2,2) repeats line 3; 1 repeated entry summed");
}

// A file that declares no entries reads as an empty matrix of its size (the check for repeated
// entries has nothing to compare).
TEST(MatrixMarket, FileWithoutEntriesReadsAsEmpty) {
  for (const char* symmetry : {"general", "symmetric", "hermitian"}) {
    const std::string field = std::string(symmetry) == "hermitian" ? "complex" : "real";
    const std::string path =
        write_file("empty_" + std::string(symmetry) + ".mtx",
                   "%%MatrixMarket matrix coordinate " + field + " " + symmetry + "\n3 3 00\n");
    Coordinate c;
    std::string error, warning = "stale";
    ASSERT_TRUE(read_coordinate(path, c, error, {0, &warning})) << error;
    EXPECT_EQ(c.nrows, 3);
    EXPECT_EQ(c.entries(), 0);
    EXPECT_EQ(warning, "");
  }
}

// Declared sizes whose solve cannot fit in the memory given are refused at the size line, before
// anything of that size is allocated: a short file declaring 2^31-2 rows, a block of right-hand
// sides declaring 50000 columns, and (with a small budget) a modest matrix.
TEST(MatrixMarket, SizesBeyondMemoryAreRefusedAtTheSizeLine) {
  Coordinate c;
  Dense d;
  std::string error;
  const std::string huge = write_file(
      "huge.mtx", "%%MatrixMarket matrix coordinate real general\n2147483646 2147483646 1\n1 1 1\n");
  EXPECT_LT(read_file_size(huge), 80u);
  EXPECT_FALSE(read_coordinate(huge, c, error, {uint64_t{1} << 30}));
  EXPECT_EQ(error, huge +
                       ":2: a matrix of 2147483646 rows and 1 entry needs at least 550 GB to solve, more "
                       "than the 1.07 GB of memory");
  EXPECT_FALSE(read_coordinate(huge, c, error));  // the machine's memory
  EXPECT_EQ(error.rfind(huge + ":2: a matrix of 2147483646 rows", 0), 0u) << error;
  const std::string wide =
      write_file("wide.mtx",
                 "%%MatrixMarket matrix coordinate real general\n% few entries\n48 50000 2\n1 1 1\n"
                 "48 50000 1\n");
  EXPECT_FALSE(read_dense(wide, d, error, {50'000'000}));
  EXPECT_EQ(error, wide +
                       ":3: 48 x 50000 right-hand sides need 76.8 MB with their solutions, more than the "
                       "50 MB of memory");
  ASSERT_TRUE(read_dense(wide, d, error, {80'000'000})) << error;
  EXPECT_EQ(d.val.size(), 48u * 50000u);
  const std::string modest =
      write_file("modest.mtx",
                 "%%MatrixMarket matrix coordinate complex symmetric\n100000 100000 3\n1 1 1 0\n"
                 "2 2 1 0\n3 3 1 0\n");
  EXPECT_FALSE(read_coordinate(modest, c, error, {1'000'000}));
  EXPECT_EQ(error, modest +
                       ":2: a matrix of 100000 rows and 3 entries needs at least 25.6 MB to solve, more "
                       "than the 1 MB of memory");
}

// The stream entry reads what the path entry reads, with the given name in messages.
TEST(MatrixMarket, ReadsFromAnOpenStream) {
  std::string text = "%%MatrixMarket matrix coordinate real general\n2 2 2\n1 1 3\n2 2 x\n";
  std::FILE* f = fmemopen(text.data(), text.size(), "rb");
  ASSERT_NE(f, nullptr);
  Coordinate c;
  std::string error;
  EXPECT_FALSE(read_coordinate(f, "<memory>", c, error));
  EXPECT_EQ(error, "<memory>:4: expected 'row column value'");
  std::rewind(f);
  text[text.size() - 2] = '5';
  ASSERT_TRUE(read_coordinate(f, "<memory>", c, error)) << error;
  EXPECT_EQ(c.val, (std::vector<double>{3, 5}));
  std::fclose(f);
}

TEST(MatrixMarket, DenseWriteReadIsExact) {
  Dense x{2, 2, true, {0.1, -1e-300, 3.0 / 7.0, 1e300, -0.0, 2.5, 1.0 / 3.0, 5}};
  std::string error;
  const std::string path = (testing::scratch_dir() / "x.mtx").string();
  ASSERT_TRUE(write_dense(path, x, error)) << error;
  Dense y;
  ASSERT_TRUE(read_dense(path, y, error)) << error;
  EXPECT_EQ(y.val, x.val);
  EXPECT_FALSE(write_dense("/nonexistent/x.mtx", x, error));
  EXPECT_EQ(error, "/nonexistent/x.mtx: cannot create: No such file or directory");
}

}  // namespace
}  // namespace varnexo::tools
