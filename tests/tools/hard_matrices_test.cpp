// The hard matrices of the shared collection as a user solves them: every matrix whose diagonal
// has zero or missing entries (the collection's manifest says which), solved by varnexo-solve
// with its defaults, ends with a backward error of at most 1e-14.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>

#include "tool_test_support.h"

namespace varnexo::tools {
namespace {

// The manifest's names whose full_diagonal column is not "yes".
std::vector<std::string> weak_diagonal_matrices() {
  std::ifstream f(std::string(VARNEXO_MATRICES_DIR) + "/MANIFEST.tsv");
  std::vector<std::string> names;
  std::string line;
  std::getline(f, line);  // header: name class n nnz_stored field symmetry full_diagonal ...
  while (std::getline(f, line)) {
    std::istringstream in(line);
    std::vector<std::string> cols;
    for (std::string c; std::getline(in, c, '\t');) cols.push_back(c);
    if (cols.size() > 6 && cols[6].rfind("yes", 0) != 0) names.push_back(cols[0]);
  }
  return names;
}

double backward_error_of(const std::string& out) {
  std::smatch m;
  static const std::regex re("backward error ([0-9.eE+-]+)");
  return std::regex_search(out, m, re) ? std::atof(m[1].str().c_str()) : 1.0;
}

class WeakDiagonal : public ::testing::TestWithParam<std::string> {};

TEST_P(WeakDiagonal, CommandDefaultsReachTheWorkingPrecision) {
  const std::string path = std::string(VARNEXO_MATRICES_DIR) + "/" + GetParam() + ".mtx";
  const testing::Run r = testing::run_solve(testing::quoted(path));
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  EXPECT_LE(backward_error_of(r.out), 1e-14) << r.out;
}

INSTANTIATE_TEST_SUITE_P(Manifest, WeakDiagonal, ::testing::ValuesIn(weak_diagonal_matrices()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string s = info.param;
                           for (char& ch : s)
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return s;
                         });

TEST(WeakDiagonal, TheManifestListsThem) { EXPECT_GE(weak_diagonal_matrices().size(), 8u); }

}  // namespace
}  // namespace varnexo::tools
