// Exported solve entries over the handle's control arrays: each reads the words into solve
// options and calls solve::solve (driver words -> options -> gather -> sweeps -> scatter).
#include <cstdint>

#include "abi/abi_entries.h"
#include "common/export.h"
#include "common/guard.h"
#include "common/matrix_kind.h"
#include "driver/control.h"
#include "driver/numeric_options.h"
#include "factor/storage.h"
#include "solve/solve.h"

namespace {

using namespace varnexo;

// The arguments of the three entries, in their order. The processor partition (part_first,
// part_rows) is not read: this library runs one part. error out: 0, -2 (private scratch), -10
// (no sweep serves the type).
#define VARNEXO_SOLVE_ARGS                                                                   \
  const int32_t *nb, double *x, double *b, const int32_t *perm, const int32_t *xsuper,       \
      const int32_t *xlindx, const int32_t *lindx, const int32_t *xlnz, const double *lnz,   \
      const int32_t *xunz, const double *unz, const int32_t *pivot, const int32_t *colpivot, \
      const int32_t *part_first, const int32_t *part_rows, const int32_t *ibasic, double *W, \
      const int32_t *q, const double *s, int32_t *error

void solve_in(FactorStorage storage, VARNEXO_SOLVE_ARGS) {
  (void)part_first, (void)part_rows;
  const driver::Control ctl(const_cast<int32_t*>(ibasic), nullptr, nullptr);
  const bool lu = storage == FactorStorage::lu;
  guard_entry(error, {-2, -2}, [&] {
    const MatrixKind* kind = find_kind(ctl.matrix_type());
    if (kind == nullptr) {
      *error = static_cast<int32_t>(solve::SolveStatus::kernel_missing);
      return;
    }
    const factor::SymbolicFactor sf = factor::symbolic_of(ctl.n(), ctl.nsuper(), perm, xsuper, nullptr,
                                                          xlindx, lindx, xlnz, lu ? xunz : nullptr, nullptr);
    const solve::FactorValues f{lnz, lu ? unz : nullptr, pivot, colpivot};
    const solve::SolveOptions o = driver::solve_options(ctl, *kind, storage, ctl.output_switch() == 1);
    *error = static_cast<int32_t>(solve::solve(sf, f, o, *nb, x, b, q, s, W, ctl.solve_work_values()));
  });
}

}  // namespace

// exported as solve_varnexo_: the storage of ibasic(19)
extern "C" VARNEXO_EXPORT void solve_varnexo_(VARNEXO_SOLVE_ARGS) {
  const FactorStorage storage = ibasic[18] == 1 ? FactorStorage::symmetric : FactorStorage::lu;
  solve_in(storage, nb, x, b, perm, xsuper, xlindx, lindx, xlnz, lnz, xunz, unz, pivot, colpivot, part_first,
           part_rows, ibasic, W, q, s, error);
}
VARNEXO_UNDERSCORE_ALIAS(solve_varnexo_);

// exported as sssslv_varnexo_: the symmetric storage (no transposed solve)
extern "C" VARNEXO_EXPORT void sssslv_varnexo_(VARNEXO_SOLVE_ARGS) {
  solve_in(FactorStorage::symmetric, nb, x, b, perm, xsuper, xlindx, lindx, xlnz, lnz, xunz, unz, pivot,
           colpivot, part_first, part_rows, ibasic, W, q, s, error);
}
VARNEXO_UNDERSCORE_ALIAS(sssslv_varnexo_);

// exported as ssnslv_varnexo_: the LU storage
extern "C" VARNEXO_EXPORT void ssnslv_varnexo_(VARNEXO_SOLVE_ARGS) {
  solve_in(FactorStorage::lu, nb, x, b, perm, xsuper, xlindx, lindx, xlnz, lnz, xunz, unz, pivot, colpivot,
           part_first, part_rows, ibasic, W, q, s, error);
}
VARNEXO_UNDERSCORE_ALIAS(ssnslv_varnexo_);
