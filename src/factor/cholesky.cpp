// Fortran-style entries of the Cholesky kernel (load -> factor) and of the two element-wise
// pieces of the loop (the one-column update and the scatter-add through temp).
#include "factor/cholesky.h"

#include <algorithm>

#include "common/export.h"
#include "factor/factor_entries.h"
#include "factor/kernel_run.h"
#include "factor/left_looking.h"
#include "factor/value_map.h"

namespace {

using namespace varnexo;
using namespace varnexo::factor;

// Runs the Cholesky loop on the plain arrays of the entries below.
int32_t run_cholesky(int32_t n, int32_t nsuper, const int32_t* xsuper, const int32_t* snode,
                     const int32_t* xlindx, const int32_t* lindx, const int32_t* xlnz, double* lnz,
                     const int32_t* nmod, int32_t* iwork, double* temp, int32_t tmpsiz, const int32_t* xlmap,
                     const int32_t* lmap, const int32_t* asrc, const double* a,
                     const DomainSchedule* schedule) {
  const KernelArrays k = kernel_arrays(n, nsuper, xsuper, snode, xlindx, lindx, xlnz, nullptr, nmod, xlmap,
                                       lmap, nullptr, nullptr, asrc, nullptr, nullptr);
  LoopInput in;
  in.sf = &k.sf;
  in.map = &k.map;
  in.a = a;
  in.lnz = lnz;
  in.temp = temp;
  in.tmpsiz = tmpsiz;
  in.iwork = iwork;
  in.schedule = schedule;
  CholeskyKernel<double> kernel;
  return kernel_entry_status(run_loop(kernel, in));
}

}  // namespace

// Supernodal Cholesky, plain family. iwork: 3n + nsuper words (indmap, relind, link, length);
// temp: tmpsiz doubles; error out: 0, -1 (a pivot not positive), -2 (temp too small).
extern "C" VARNEXO_EXPORT void blkl_varnexo_(const int32_t* n, const int32_t* nsuper, const int32_t* xsuper,
                                             const int32_t* snode, const int32_t* xlindx,
                                             const int32_t* lindx, const int32_t* xlnz, double* lnz,
                                             const int32_t* nmod, int32_t* iwork, double* temp,
                                             const int32_t* tmpsiz, const int32_t* xlmap, const int32_t* lmap,
                                             const int32_t* asrc, const double* a, int32_t* error) {
  *error = run_cholesky(*n, *nsuper, xsuper, snode, xlindx, lindx, xlnz, lnz, nmod, iwork, temp, *tmpsiz,
                        xlmap, lmap, asrc, a, nullptr);
}
VARNEXO_UNDERSCORE_ALIAS(blkl_varnexo_);

// Supernodal Cholesky, scheduled family: the arguments of blkl_varnexo_ plus the number of
// domains, the domain table in supernode numbers (2·(nd+1) words) and the domain-mode switch.
// Gives the same factor as the plain family.
extern "C" VARNEXO_EXPORT void blkl_risc_varnexo_(
    const int32_t* n, const int32_t* nsuper, const int32_t* xsuper, const int32_t* snode,
    const int32_t* xlindx, const int32_t* lindx, const int32_t* xlnz, double* lnz, const int32_t* nmod,
    int32_t* iwork, double* temp, const int32_t* tmpsiz, const int32_t* xlmap, const int32_t* lmap,
    const int32_t* asrc, const double* a, const int32_t* nd, const int32_t* domains,
    const int32_t* domain_mode, int32_t* error) {
  DomainSchedule d;
  d.nd = *nd;
  d.table = domains;
  d.domain_mode = *domain_mode != 0;
  *error = run_cholesky(*n, *nsuper, xsuper, snode, xlindx, lindx, xlnz, lnz, nmod, iwork, temp, *tmpsiz,
                        xlmap, lmap, asrc, a, &d);
}
VARNEXO_UNDERSCORE_ALIAS(blkl_risc_varnexo_);

// One-column update: for the q target columns rows(1..q) and the m rows rows(1..m),
// lnz(|xlnz(c+1)| - 1 - indmap(rows(i))) -= x(i)·y(k). n sizes xlnz (n+1) and indmap (n).
extern "C" VARNEXO_EXPORT void mmpyi_varnexo_(const int32_t* m, const int32_t* q, const int32_t* rows,
                                              const double* x, const double* y, const int32_t* n,
                                              const int32_t* xlnz, double* lnz, const int32_t* indmap) {
  const int64_t size = std::abs(xlnz[*n]) - 1;
  mmpyi<double>(*m, *q, rows, x, y, OneBased<const int32_t>(xlnz, *n + 1), OneBased<double>(lnz, size),
                OneBased<const int32_t>(indmap, *n));
}
VARNEXO_UNDERSCORE_ALIAS(mmpyi_varnexo_);

// Scatter-add of the m × q block temp (leading dimension m) into the supernode whose first
// column is fjcol and which has jlen rows: column k goes to column fjcol + jlen - 1 - relind(k),
// element i to lnz(|xlnz(c+1)| - 1 - relind(i)); temp is left zero.
extern "C" VARNEXO_EXPORT void scatt_varnexo_(const int32_t* m, const int32_t* q, double* temp,
                                              const int32_t* relind, const int32_t* fjcol,
                                              const int32_t* jlen, const int32_t* n, const int32_t* xlnz,
                                              double* lnz) {
  // The target columns go through a small buffer, a block of them at a time, so the entry
  // needs no memory of its own.
  const int64_t size = std::abs(xlnz[*n]) - 1;
  constexpr int32_t kBlock = 64;
  int32_t cols[kBlock];
  for (int32_t k0 = 0; k0 < *q; k0 += kBlock) {
    const int32_t count = std::min(kBlock, *q - k0);
    for (int32_t k = 0; k < count; ++k) cols[k] = *fjcol + *jlen - 1 - relind[k0 + k];
    scatt<double>(*m, count, temp + static_cast<int64_t>(k0) * *m, cols, relind,
                  OneBased<const int32_t>(xlnz, *n + 1), OneBased<double>(lnz, size));
  }
}
VARNEXO_UNDERSCORE_ALIAS(scatt_varnexo_);
