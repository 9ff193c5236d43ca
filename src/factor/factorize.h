// Entry of the numerical factorisation (load -> factor): picks the loop and the kernel from the
// matrix kind and the options, loads the permuted (scaled) matrix through the value map and
// runs the left-looking loop; also the perturbation threshold and the operation count.
#pragma once
#include <complex>
#include <cstdint>

#include "common/matrix_kind.h"
#include "factor/left_looking.h"
#include "factor/storage.h"
#include "factor/value_map.h"

namespace varnexo::factor {

// Outcome of a factorisation; the values are the detailed error numbers the driver reports.
enum class FactorStatus : int32_t {
  ok = 0,
  pivot_failure = -1,          // a diagonal block could not be factorised (Cholesky: not positive)
  temp_too_small = -2,         // an update block does not fit in temp
  list_broken = -3,            // an update list ran empty (nmod inconsistent with the structure)
  kernel_missing = -10,        // no kernel of this library serves the kind and options
  out_of_memory = -11,         // the loop's own scratch or integer work could not be obtained
  pivot_arrays_missing = -12,  // a pivoting kernel was given no pivot (or colpivot) array
  internal = -13,              // any other failure inside the loop
};

// The caller's matrix as the factorisation reads it: compressed rows, 1-based; `a` holds
// doubles, or pairs of doubles (real part first) for the complex kinds. `scaling` holds 2n
// values (columns, then rows); read only when the options ask for the scaled load.
struct NumericMatrix {
  const int32_t* ia = nullptr;
  const int32_t* ja = nullptr;
  const void* a = nullptr;
  const double* scaling = nullptr;
  // The 2×2 blocks of the symmetric matching by position (n words, nonzero at k-1 when columns
  // k and k+1 form one), read by the Bunch–Kaufman kernels; null when there are none.
  const int32_t* pair_first = nullptr;
};

// What the factorisation is asked to do.
struct FactorOptions {
  const MatrixKind* kind = nullptr;
  // Which loop: the symmetric storage (L only) or the LU storage; normally the kind's own.
  FactorStorage storage = FactorStorage::symmetric;
  bool bunch_kaufman = true;  // LDLᵀ/LDLᴴ kernels: false selects diagonal pivoting
  int32_t eps_exponent = 0;   // perturbation threshold 10^-|e| relative to the entries; 0: none
  bool scaling = false;       // load the values scaled by the matching's scaling vector
  int32_t nproc = 1;          // copies of indmap and relind laid out in the integer work
  bool plain_family = true;   // false: the scheduled family over the domain decomposition
  DomainSchedule domains;     // the scheduled family's domains (nd, table, domain mode)
  // The factor in 4-byte reals (pairs for complex kinds): lnz, unz and temp hold float or
  // std::complex<float> values, each loaded value rounded from its double-precision product.
  bool single_precision = false;
  int64_t temp_values = 0;  // values of temp
};

// The arrays the factorisation writes. lnz (and unz for the LU storage) as laid out by the
// symbolic factor; temp: temp_values values; iwork: factor_int_work_size words, or null to
// have it allocated here; pivot, colpivot: n words each for the pivoting kernels.
struct FactorBuffers {
  void* lnz = nullptr;
  void* unz = nullptr;
  void* temp = nullptr;
  int32_t* iwork = nullptr;
  int32_t* pivot = nullptr;
  int32_t* colpivot = nullptr;
};

struct FactorResult {
  FactorStatus status = FactorStatus::ok;
  int32_t perturbed = 0;  // perturbed pivots (LDLᵀ/LDLᴴ and complete-pivoting LU)
  int32_t positive = 0;   // inertia of the real LDLᵀ; 0 after a Cholesky
  int32_t negative = 0;
  bool counts_perturbed = false;  // the kernel that ran counts perturbed pivots
  bool counts_inertia = false;    // the kernel that ran counts the inertia (Cholesky: 0, 0)
  double seconds = 0.0;           // processor time of the loop
};

// Integer work of the factorisation in words: indmap and relind (nproc copies of n each), link
// (n) and length (nsuper), carved in this order.
int64_t factor_int_work_size(int32_t n, int32_t nsuper, int32_t copies);

// Numerical factorisation of `A` in place into the buffers. The counters of the result are
// written also after a failure.
FactorResult factorize(const SymbolicFactor& sf, const ValueMap& map, const NumericMatrix& A,
                       const FactorOptions& options, const FactorBuffers& buffers);

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

// Operation count of the factorisation in millions (walks the supernodes as the loop does); a
// complex multiply-add counts as four.
// link: n words, length: nsuper words of scratch. Returns false when an update list runs empty
// (nmod inconsistent with the structure).
bool flops(const SymbolicFactor& sf, bool symmetric_storage, bool complex_values, int32_t* link,
           int32_t* length, double* mflops);

}  // namespace varnexo::factor
