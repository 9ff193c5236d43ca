// Entry of the numerical factorisation (load -> factor): picks the storage, the kernel family
// and the kernel by matrix type, loads the permuted (scaled) matrix through the value map and
// runs the left-looking loop; also the perturbation threshold and the operation count.
#pragma once
#include <complex>
#include <cstdint>

#include "factor/storage.h"
#include "factor/value_map.h"

namespace varnexo::factor {

// Additional status of factorize(): no kernel of this library serves the matrix type yet.
inline constexpr int32_t kKernelMissing = -10;
// Additional status of factorize(): the integer work could not be obtained.
inline constexpr int32_t kWorkUnavailable = -11;
// Additional status of factorize(): a pivoting kernel was given no pivot (or colpivot) array.
inline constexpr int32_t kPivotArraysMissing = -12;

// The caller's matrix as the factorisation reads it: compressed rows, 1-based; `a` holds
// doubles, or pairs of doubles (real part first) for the complex types. `scaling` holds n
// values (symmetric types) or 2n (types 11, 13); read only when ibasic(69) >= 1.
struct NumericMatrix {
  const int32_t* ia = nullptr;
  const int32_t* ja = nullptr;
  const void* a = nullptr;
  const double* scaling = nullptr;
};

// Integer work of the factorisation in words: indmap and relind (P = ibasic(15) copies of n
// each), link (n) and length (nsuper), carved in this order.
int64_t factor_int_work_size(int32_t n, int32_t nsuper, int32_t copies);

// Numerical factorisation of `A` into `factor_block`, in place.
//   ibasic (1-based view of 100 words) read: 12 type, 15 P, 19 storage (1 symmetric), 20 family
//     (1 plain), 34/35 lengths of lnz/unz, 37 length of temp (values), 51 pivoting mode,
//     60 number of domains, 66 perturbation exponent, 69 scaling, 70 domain mode, 74 force plain,
//     83 single precision. Written: 48 (-1 on failure), 50 status, 62..64 (counters; 63/64 := 0
//     for Cholesky). rbasic(5) += time from rbasic(16) to the loop, rbasic(6) = loop time.
//   factor_block: (ibasic(34) + ibasic(35))·w doubles, w = 2 for complex types; lnz at its start,
//     unz at double ibasic(34)·w.
//   work_r0: at least ibasic(37)·w doubles (temp); WORK_R0 of size W as laid out by the driver.
//   iwork: factor_int_work_size(n, nsuper, P) words, or null to have it allocated here.
//   pivot, colpivot: n words each for the pivoting kernels (may be null for Cholesky).
//   domains: the domain table in supernode numbers (2·(ibasic(60)+1) words), or null.
// Returns the status also left in ibasic(50): 0, -1 failed pivot (non-positive for Cholesky),
// -2 temp too small, -3 broken update list, kKernelMissing, kWorkUnavailable, kPivotArraysMissing.
int32_t factorize(const SymbolicFactor& sf, const ValueMap& map, int32_t* ibasic, double* rbasic,
                  const NumericMatrix& A, void* factor_block, void* work_r0, int32_t* iwork, int32_t* pivot,
                  int32_t* colpivot, const int32_t* domains);

// The same with lnz and unz as separate arrays (unz unused for the symmetric storage).
int32_t factorize_arrays(const SymbolicFactor& sf, const ValueMap& map, int32_t* ibasic, double* rbasic,
                         const NumericMatrix& A, void* lnz, void* unz, void* work_r0, int32_t* iwork,
                         int32_t* pivot, int32_t* colpivot, const int32_t* domains);

// The perturbation threshold of the pivoting kernels (LDLᵀ, LDLᴴ, complete-pivoting LU): 0 when
// exponent is 0, else 10^-|e|·g, g the geometric mean of the nonzero moduli among the stored
// entries of A as the kernels receive them (scaled by scaling under `rule`; no nonzero entry
// counts as g = 1). Multiplying A by any power of ten multiplies the threshold alike, so the same
// pivots are perturbed.
// ia, ja, a: 1-based compressed rows; scaling: 2n values when rule is not unscaled.
double perturbation_threshold(int32_t exponent, int32_t n, const int32_t* ia, const int32_t* ja,
                              const double* a, const double* scaling, LoadRule rule);
double perturbation_threshold(int32_t exponent, int32_t n, const int32_t* ia, const int32_t* ja,
                              const std::complex<double>* a, const double* scaling, LoadRule rule);

// Operation count of the factorisation in millions (walks the supernodes as the loop does).
// link: n words, length: nsuper words of scratch. Returns false when an update list runs empty
// (nmod inconsistent with the structure).
bool flops(const SymbolicFactor& sf, bool symmetric_storage, int32_t type, int32_t* link, int32_t* length,
           double* mflops);

}  // namespace varnexo::factor
