// The matrix-kind table: one row per accepted matrix type. The only place where type codes are
// compared; every other file asks a MatrixKind.
#include "common/matrix_kind.h"

#include <cassert>

namespace varnexo {
namespace {

using enum ScalarKind;
using enum Symmetry;
using enum PivotFamily;

// Defaults {iparam(8), (10), (11), (13), (21)} of the initialisation routine and of an analysis
// with iparam(1) = 0.
constexpr KindDefaults kInitDefinite{1, 0, 0, 0, 0};
constexpr KindDefaults kInitStructural{1, 13, 0, 0, 0};
constexpr KindDefaults kInitRealIndefinite{1, 8, 0, 0, 0};
constexpr KindDefaults kInitComplexIndefinite{1, 8, 1, 2, 1};
constexpr KindDefaults kInitUnsymmetric{2, 12, 1, 1, 0};
constexpr KindDefaults kDriverDefinite{0, 0, 0, 0, 0};
constexpr KindDefaults kDriverStructural{0, 13, 0, 0, 0};
constexpr KindDefaults kDriverIndefinite{0, 8, 0, 0, 1};
constexpr KindDefaults kDriverUnsymmetric{0, 13, 1, 1, 0};

constexpr MatrixKind kKinds[] = {
    {1, real, structural, FactorStorage::lu, lu_rows, false, "real struct. sym.", kInitStructural,
     kDriverStructural, false, true},
    {2, real, symmetric, FactorStorage::symmetric, cholesky, true, "symm. posit. def.", kInitDefinite,
     kDriverDefinite, false},
    {-2, real, symmetric, FactorStorage::symmetric, ldlt, false, "symmetric indef. ", kInitRealIndefinite,
     kDriverIndefinite, true, true},
    {3, complex, structural, FactorStorage::lu, lu_rows, false, "compl. str. sym. ", kInitStructural,
     kDriverStructural, false},
    {4, complex, hermitian, FactorStorage::symmetric, cholesky, true, " Herm. pos. def. ", kInitDefinite,
     kDriverDefinite, false},
    {-4, complex, hermitian, FactorStorage::symmetric, ldlt, false, "Hermitian indef. ",
     kInitComplexIndefinite, kDriverIndefinite, true},
    {6, complex, symmetric, FactorStorage::symmetric, ldlt, false, "complex symmetr. ",
     kInitComplexIndefinite, kDriverIndefinite, true},
    {11, real, unsymmetric, FactorStorage::lu, lu_complete, false, "real nonsymmetric", kInitUnsymmetric,
     kDriverUnsymmetric, true},
    {13, complex, unsymmetric, FactorStorage::lu, lu_complete, false, " complex nonsym. ", kInitUnsymmetric,
     kDriverUnsymmetric, true},
};

int64_t magnitude_of(int32_t code) { return code < 0 ? -static_cast<int64_t>(code) : code; }

}  // namespace

const MatrixKind* find_kind(int32_t code) {
  for (const MatrixKind& k : kKinds)
    if (k.code == code) return &k;
  return nullptr;
}

const MatrixKind& kind_of(int32_t code) {
  const MatrixKind* k = find_kind(code);
  assert(k != nullptr && "matrix type checked before use");
  return k ? *k : kKinds[0];
}

const MatrixKind* all_kinds(int32_t* count) {
  *count = static_cast<int32_t>(sizeof kKinds / sizeof kKinds[0]);
  return kKinds;
}

KindDefaults init_defaults_of(int32_t code) {
  const MatrixKind* k = find_kind(code);
  return k ? k->init_defaults : kInitDefinite;
}

KindDefaults driver_defaults_of(int32_t code) {
  const MatrixKind* k = find_kind(code);
  return k ? k->driver_defaults : kDriverDefinite;
}

const char* banner_name_of(int32_t code) {
  const MatrixKind* k = find_kind(code);
  return k ? k->banner_name : "                 ";
}

bool may_follow(const MatrixKind& stored, const MatrixKind& next, int32_t phase) {
  if (stored.code == next.code) return true;
  // The pairs by magnitude: (2, 3), (4), (6), (11), (13), (1); and a change of sign.
  if (stored.code != -next.code && magnitude_of(next.code) / 2 != magnitude_of(stored.code) / 2) return false;
  if (phase / 10 < 2) return true;
  return stored.storage == next.storage && stored.scalar == next.scalar;
}

bool widens_update_buffer(const MatrixKind& stored, const MatrixKind& next) {
  return stored.positive_definite && next.code == -stored.code;
}

}  // namespace varnexo
