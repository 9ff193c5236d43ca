// What the tools may allocate (input stage): the memory of the machine, and the least a solve of
// a declared size needs, so that files and options declaring sizes beyond the machine are refused
// before anything is allocated.
#pragma once
#include <cstdint>
#include <string>

namespace varnexo::tools {

// Bytes the process may plan for: the physical memory, or less when the address-space or data
// limit of the process or the memory limit of its control group is lower.
uint64_t available_memory();

// The least memory a solve of an n-row matrix with `entries` stored entries of `width` doubles
// (1 real, 2 complex) needs: about 256 bytes per row for the command's vectors and the library's
// ordering and symbolic arrays (a tridiagonal matrix takes over 300), and per entry the triplet
// read, the compressed rows and the library's copy of the pattern. Saturates instead of
// overflowing.
uint64_t matrix_solve_bytes(int64_t rows, int64_t entries, int width);

// Memory of a block of right-hand sides (rows x columns, `width` doubles each) as the command
// holds it: the values read or generated, b, the copy of b kept for the backward error, and the
// solution. Saturates instead of overflowing.
uint64_t rhs_block_bytes(int64_t rows, int64_t columns, int width);

// "1.5 GB", "640 MB", "12 kB": a size for messages.
std::string format_bytes(uint64_t bytes);

}  // namespace varnexo::tools
