// The matrix-kind table: for each matrix type code the scalar, the symmetry, the storage, the
// pivoting family, the printed name and the parameter defaults, and the one dispatch from a kind
// to the template instantiation over its scalar type. Every layer asks this table; nothing else
// compares type codes.
#pragma once
#include <complex>
#include <cstdint>

namespace varnexo {

enum class ScalarKind { real, complex };

// How the entries of A relate across the diagonal.
enum class Symmetry {
  structural,   // a symmetric pattern with unrelated values (full rows stored)
  symmetric,    // A = Aᵀ (upper triangle stored)
  hermitian,    // A = Aᴴ (upper triangle stored)
  unsymmetric,  // no relation (full rows stored)
};

// Where the factor lives: L only (symmetric storage of the upper triangle) or L and U.
enum class FactorStorage { symmetric, lu };

// The family of pivoting kernels that factorise the kind.
enum class PivotFamily {
  cholesky,     // L·Lᵀ / L·Lᴴ, no pivoting
  ldlt,         // L·D·Lᵀ / L·D·Lᴴ, Bunch–Kaufman or diagonal pivoting inside each supernode
  lu_rows,      // LU with row interchanges inside each supernode
  lu_complete,  // LU with row and column interchanges inside each supernode
};

// Parameter defaults of one kind: the entries of iparam that depend on the matrix type.
struct KindDefaults {
  int32_t max_refinement;  // iparam(8)
  int32_t perturbation;    // iparam(10), the pivot perturbation exponent
  int32_t scaling;         // iparam(11)
  int32_t matching;        // iparam(13)
  int32_t pivoting;        // iparam(21), 0 diagonal, 1 Bunch–Kaufman
};

struct MatrixKind {
  int32_t code;  // the public matrix type
  ScalarKind scalar;
  Symmetry symmetry;
  FactorStorage storage;
  PivotFamily pivoting;
  bool positive_definite;
  const char* banner_name;       // 17 characters, as the banner prints it
  KindDefaults init_defaults;    // written by the initialisation routine
  KindDefaults driver_defaults;  // written by an analysis with iparam(1) = 0
  // The weighted matching and its scaling may be asked for (iparam(13), iparam(11)).
  bool matching_applies;
  // iparam(29) = 1 gives this kind a single-precision factor (other kinds need the value 2).
  bool single_on_request = false;

  bool is_complex() const { return scalar == ScalarKind::complex; }
  int32_t doubles_per_entry() const { return is_complex() ? 2 : 1; }
  bool symmetric_storage() const { return storage == FactorStorage::symmetric; }
  bool unsymmetric() const { return symmetry == Symmetry::unsymmetric; }
  bool structurally_symmetric() const { return symmetry == Symmetry::structural; }
  bool hermitian() const { return symmetry == Symmetry::hermitian; }
  // The value-symmetric kinds stored as one triangle whose factor may pivot (LDLᵀ/LDLᴴ).
  bool indefinite() const { return pivoting == PivotFamily::ldlt; }
};

// The kind of an accepted type code, or nullptr for a code the library does not accept.
const MatrixKind* find_kind(int32_t code);

// The kind of an accepted type code; the caller has checked it (find_kind for untrusted codes).
const MatrixKind& kind_of(int32_t code);

// Every accepted kind, in the order of the public type table.
const MatrixKind* all_kinds(int32_t* count);

// Defaults and banner name of any code, an unknown one included (it is refused later, but the
// defaults are written before the input is checked): the row's values, or those of no kind.
KindDefaults init_defaults_of(int32_t code);
KindDefaults driver_defaults_of(int32_t code);
const char* banner_name_of(int32_t code);

// Whether a handle analysed (or last called) for `stored` may take a call for `next` in a phase:
// a change to the negative or within a magnitude pair passes an analysis; a factorisation or
// solve must also keep the storage and the value width of the analysis.
bool may_follow(const MatrixKind& stored, const MatrixKind& next, int32_t phase);

// True when `next` is the indefinite twin of the positive definite `stored` (2 -> -2, 4 -> -4):
// its pivoting kernels need the wider update buffer that the analysis of `stored` did not size.
bool widens_update_buffer(const MatrixKind& stored, const MatrixKind& next);

// The precision a factor is computed and applied in.
enum class Precision { double_precision, single_precision };

// The one dispatch from a kind to a template instantiation: calls f with a value of the kind's
// scalar type (double or std::complex<double>; float or std::complex<float> in single
// precision) and returns what f returns.
//   dispatch_scalar(kind, [&](auto zero) { using T = decltype(zero); ... });
template <class F>
decltype(auto) dispatch_scalar(const MatrixKind& kind, Precision precision, F&& f) {
  if (precision == Precision::single_precision) {
    if (kind.is_complex()) return f(std::complex<float>{});
    return f(float{});
  }
  if (kind.is_complex()) return f(std::complex<double>{});
  return f(double{});
}
template <class F>
decltype(auto) dispatch_scalar(const MatrixKind& kind, F&& f) {
  if (kind.is_complex()) return f(std::complex<double>{});
  return f(double{});
}

}  // namespace varnexo
