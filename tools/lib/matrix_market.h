// Matrix Market files: a streaming reader of coordinate and array files, and writers, for the
// command, the tests and the benchmark (input stage, before the library's analysis).
#pragma once
#include <string>

#include "sparse.h"

namespace varnexo::tools {

// Reads a coordinate file (real, integer or complex values; general, symmetric or Hermitian).
// Rejects pattern, skew-symmetric and array files, indices out of range, wrong entry counts,
// truncated or malformed lines, values that are not finite, and a Hermitian diagonal entry with a
// nonzero imaginary part. On failure returns false and sets `error` to one line
// "<path>:<line>: <what>" (or "<path>: <what>" when no line applies). Integer values become real.
// With `expand_skew` a skew-symmetric file is accepted and returned as a general matrix holding
// both triangles, each entry followed by its negated mirror (the tests read such matrices for
// their patterns and moduli, the command solves them as type 11); a nonzero diagonal entry of
// such a file is refused.
bool read_coordinate(const std::string& path, Coordinate& out, std::string& error, bool expand_skew = false);

// Reads a dense block (right-hand sides): an array file (general), or a coordinate file whose
// missing entries are zeros. Same error form as read_coordinate.
bool read_dense(const std::string& path, Dense& out, std::string& error);

// Writes `a` as a coordinate file: full rows as "general", the upper layouts as the lower triangle
// of a "symmetric" or "hermitian" matrix. Values carry 17 significant digits so that reading the
// file back gives the same matrix. Returns false with `error` set when the file cannot be written.
bool write_coordinate(const std::string& path, const Csr& a, std::string& error);

// Writes a dense block as an array file, column after column.
bool write_dense(const std::string& path, const Dense& x, std::string& error);

}  // namespace varnexo::tools
