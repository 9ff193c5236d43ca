// Matrix Market files: a streaming reader of coordinate and array files, and writers, for the
// command, the tests and the benchmark (input stage, before the library's analysis).
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

#include "sparse.h"

namespace varnexo::tools {

// Limits and reports of one read.
struct ReadOptions {
  // Memory the declared sizes may need; 0 takes available_memory(). A coordinate matrix is
  // refused when matrix_solve_bytes(rows, entries) exceeds it, a dense block when
  // rhs_block_bytes(rows, columns) does (memory_limits.h), before anything is allocated.
  uint64_t max_bytes = 0;
  // When set, receives one line "<path>:<line>: ..." if entries at the same position were summed;
  // left empty otherwise.
  std::string* warning = nullptr;
  // Accept a skew-symmetric coordinate file (see read_coordinate).
  bool expand_skew = false;
};

// Reads a coordinate file (real, integer or complex values; general, symmetric or Hermitian).
// Rejects pattern, skew-symmetric and array files, indices out of range, wrong entry counts,
// truncated or malformed lines, values that are not finite, integer files with a value that is
// not an integer, a Hermitian diagonal entry with a nonzero imaginary part, a symmetric or
// Hermitian file that holds both (i,j) and its mirror (j,i) (which triangle is meant is
// ambiguous), and declared sizes beyond the memory of ReadOptions. Entries repeated at the same
// position are summed, with a warning. On failure returns false and sets `error` to one line
// "<path>:<line>: <what>" (or "<path>: <what>" when no line applies). Integer values become real.
// With ReadOptions::expand_skew a skew-symmetric file is accepted and returned as a general matrix
// holding both triangles, each entry followed by its negated mirror (the tests read such matrices
// for their patterns and moduli, the command solves them as type 11); a nonzero diagonal entry
// of such a file is refused.
bool read_coordinate(const std::string& path, Coordinate& out, std::string& error,
                     const ReadOptions& options = {});

// The same from an open stream (not closed); `name` stands for the path in messages.
bool read_coordinate(std::FILE* file, const std::string& name, Coordinate& out, std::string& error,
                     const ReadOptions& options = {});

// Reads a dense block (right-hand sides): an array file (general), or a coordinate file whose
// missing entries are zeros. Same checks and error form as read_coordinate.
bool read_dense(const std::string& path, Dense& out, std::string& error, const ReadOptions& options = {});
bool read_dense(std::FILE* file, const std::string& name, Dense& out, std::string& error,
                const ReadOptions& options = {});

// Writes `a` as a coordinate file: full rows as "general", the upper layouts as the lower triangle
// of a "symmetric" or "hermitian" matrix. Values carry 17 significant digits so that reading the
// file back gives the same matrix. Returns false with `error` set when the file cannot be written.
bool write_coordinate(const std::string& path, const Csr& a, std::string& error);

// Writes a dense block as an array file, column after column.
bool write_dense(const std::string& path, const Dense& x, std::string& error);

}  // namespace varnexo::tools
