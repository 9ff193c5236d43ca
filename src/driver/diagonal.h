// Systems whose matrix holds exactly one entry per row, on the diagonal: solved directly,
// without any block of the handle.
#pragma once
#include <cstdint>

namespace varnexo::driver {

// True when row pointers are sane (ia(1) = 1, non-decreasing, ia(n+1)-1 = n) and every row that
// holds one entry holds it on the diagonal. Only such matrices take the diagonal short cut; a
// single entry per row off the diagonal goes to the general path.
bool is_diagonal_system(int32_t n, const int32_t* ia, const int32_t* ja);

// Checks every row (one entry, nonzero value) and, when `solve` is 1, writes x := D⁻¹·b (and copies
// x into b when solution_on_b is 1). status: 0, i when row i does not hold one entry, -i when
// its value is zero. The real form also counts the signs of the diagonal. Scalar: double or
// std::complex<double>.
template <class T>
void diag_solve(int32_t n, int32_t nb, const int32_t* ia, const int32_t* ja, const T* a, T* b, T* x,
                int32_t& status, int32_t solution_on_b, int32_t solve, int32_t* positive, int32_t* negative);

}  // namespace varnexo::driver
