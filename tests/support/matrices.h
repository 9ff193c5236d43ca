// Test support shared by every test folder: the one compressed-row type of the tests, the
// matrices of tests/data/matrices read with the tools' Matrix Market reader (a missing or
// unreadable file fails the calling test with its path and the reader's message), and the
// conversions the subsystem tests take them in.
#pragma once
#include <gtest/gtest.h>

#include <complex>
#include <cstdint>
#include <string>
#include <vector>

#include "sparse.h"
#include "support/csr.h"

namespace testsupport {

// The path of a matrix of the collection: tests/data/matrices/<name>.mtx.
std::string matrix_path(const std::string& name);

// Reads a matrix of the collection. A skew-symmetric file comes back as a general matrix with both
// triangles. Fails (with the path and what went wrong) when the file is missing or malformed:
// ASSERT_TRUE(read_matrix("bcsstk01", coo)).
::testing::AssertionResult read_matrix(const std::string& name, varnexo::tools::Coordinate& out);

// The upper triangle (i <= j) of a square matrix as entries: a stored lower entry of a symmetric
// file moves up, conjugated for a Hermitian one; a general file keeps its upper entries. Real
// files fill `real`, complex files `complex` (either may be null).
void upper_entries(const varnexo::tools::Coordinate& coo, Entries<double>* real,
                   Entries<std::complex<double>>* complex);

// The upper entries of a matrix of the collection with its order in *n; records a failure with
// the reason (and leaves *n = 0) when the matrix cannot be read.
bool shared_upper(const std::string& name, int32_t* n, Entries<double>* real,
                  Entries<std::complex<double>>* complex);

// Every entry of the square matrix in 0-based compressed rows, entries of each row in file order,
// the mirror of a symmetric or Hermitian entry right after it; complex values as their moduli.
Csr<double> full_moduli_0based(const varnexo::tools::Coordinate& coo);

// The pattern of the whole matrix as sets of 0-based columns per 0-based row (both triangles of a
// symmetric or Hermitian file).
std::vector<std::vector<int32_t>> full_pattern(const varnexo::tools::Coordinate& coo);

}  // namespace testsupport
