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
  ASSERT_TRUE(read_coordinate(path, c, error, true)) << error;
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
  ASSERT_TRUE(read_coordinate(zero, c, error, true)) << error;
  EXPECT_EQ(c.row, (std::vector<int32_t>{2, 1, 2}));
  EXPECT_EQ(c.col, (std::vector<int32_t>{1, 2, 2}));
  EXPECT_EQ(c.val, (std::vector<double>{1.5, -1.5, 0.0}));
  const std::string nonzero = write_file(
      "skew1.mtx", "%%MatrixMarket matrix coordinate real skew-symmetric\n2 2 2\n2 1 1.5\n1 1 1\n");
  EXPECT_FALSE(read_coordinate(nonzero, c, error, true));
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

// The same matrix stored by its lower triangle, its upper triangle, or a mix with duplicates split
// in two: every form gives the same compressed rows.
class Triangles : public ::testing::TestWithParam<const char*> {};

TEST_P(Triangles, LowerUpperAndMixedFilesAgree) {
  const std::string header = GetParam();
  const bool herm = header.find("hermitian") != std::string::npos;
  const bool cplx = header.find("complex") != std::string::npos;
  // Upper entries (i <= j): (1,1) 4, (1,3) 1+2i, (2,2) 5, (2,3) -1+0.5i, (3,3) 6.
  const std::string upper = "1 1 4 0\n1 3 1 2\n2 2 5 0\n2 3 -1 0.5\n3 3 6 0\n";
  std::string lower = herm ? "1 1 4 0\n3 1 1 -2\n2 2 5 0\n3 2 -1 -0.5\n3 3 6 0\n"
                           : "1 1 4 0\n3 1 1 2\n2 2 5 0\n3 2 -1 0.5\n3 3 6 0\n";
  std::string mixed = herm ? "3 3 6 0\n1 3 0.5 1\n3 1 0.5 -1\n2 2 5 0\n3 2 -1 -0.5\n1 1 4 0\n"
                           : "3 3 6 0\n1 3 0.5 1\n3 1 0.5 1\n2 2 5 0\n3 2 -1 0.5\n1 1 4 0\n";
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
    const int count = body == mixed ? 6 : 5;
    const std::string path =
        write_file("tri.mtx", header + "\n3 3 " + std::to_string(count) + "\n" + real_only(body));
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
