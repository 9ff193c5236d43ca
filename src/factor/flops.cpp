// Operation count of the numerical factorisation (symbolic -> factor statistics): walks the
// supernodes with the update lists of the left-looking loop and adds the flops of each block
// operation, without touching any value.
#include <cmath>
#include <cstdlib>

#include "common/export.h"
#include "common/matrix_kind.h"
#include "common/onebased.h"
#include "common/scalar.h"
#include "factor/factor_entries.h"
#include "factor/factorize.h"

namespace varnexo::factor {

namespace {
// Column length of the supernode starting at fjcol; a negative pointer marks a column whose
// length is read from the next pointer alone.
int32_t column_length(OneBased<const int32_t> xlnz, int32_t fjcol) {
  if (xlnz(fjcol) < 0) return xlnz(fjcol + 1) - 1;
  return std::abs(xlnz(fjcol + 1)) - std::abs(xlnz(fjcol));
}
}  // namespace

bool flops(const SymbolicFactor& sf, bool symmetric_storage, bool complex_values, int32_t* link_work,
           int32_t* length_work, double* mflops) {
  const int32_t n = sf.n, nsuper = sf.nsuper;
  const OneBased<const int32_t> xsuper(sf.xsuper, nsuper + 1), snode(sf.snode, n),
      xlindx(sf.xlindx, nsuper + 1), lindx(sf.lindx, std::max(1, sf.xlindx[nsuper] - 1)),
      xlnz(sf.xlnz, n + 1), nmod(sf.nmod, nsuper);
  OneBased<int32_t> link(link_work, n), length(length_work, nsuper);
  for (int32_t j = 1; j <= n; ++j) link(j) = 0;
  const bool lu = !symmetric_storage;
  double ops = 0.0;
  auto push = [&](int32_t fk, int32_t K, int32_t remaining) {
    length(K) = remaining;
    if (remaining == 0) return;
    const int32_t S = snode(lindx(xlindx(K + 1) - remaining));
    link(fk) = link(xsuper(S));
    link(xsuper(S)) = fk;
  };
  for (int32_t J = 1; J <= nsuper; ++J) {
    const int32_t fjcol = xsuper(J), ljcol = xsuper(J + 1) - 1;
    const double c = ljcol - fjcol + 1;
    const int32_t ncol = ljcol - fjcol + 1, jlen = column_length(xlnz, fjcol);
    for (int32_t u = 0; u < nmod(J); ++u) {
      const int32_t fk = link(fjcol);
      if (fk == 0) return false;
      link(fjcol) = link(fk);
      const int32_t K = snode(fk), ncolk = xsuper(K + 1) - xsuper(K), lenk = length(K);
      int32_t q = ncol;
      if (lenk == jlen) {
        ops += 2.0 * lenk * ncol * ncolk;
        if (lu && ncol < lenk) ops += 2.0 * (lenk - ncol) * ncol * ncolk;
      } else {
        const int32_t start = xlindx(K + 1) - lenk;
        q = 0;
        while (q < lenk && lindx(start + q) <= ljcol) ++q;
        ops += 2.0 * lenk * q * ncolk;
        if (lu && q < lenk) ops += 2.0 * (lenk - q) * q * ncolk;
      }
      push(fk, K, lenk - q);
    }
    const int64_t ci = ncol;
    if (lu)
      ops += 2.0 * c * c * c / 3.0 - static_cast<double>(ci * ci / 2) + static_cast<double>(5 * ci / 6);
    else
      ops += c * c * c / 3.0 - static_cast<double>(ci * ci / 4) + static_cast<double>(5 * ci / 12);
    if (ncol < jlen) {
      const double t = c * (jlen - ncol) * c;
      ops += lu ? 2.0 * t : t;
    }
    push(fjcol, J, jlen - ncol);
  }
  // A complex multiply-add costs four real ones.
  *mflops = ops / 1.0e6 * (complex_values ? 4.0 : 1.0);
  return true;
}

}  // namespace varnexo::factor

// Operation count in millions. Arguments as the analysis hands them: unused2 and unused7 are
// not read; indmap and link are n-word work vectors, length an nsuper-word work vector;
// symmetric is 0 for the LU storage. A broken update list (an inconsistent nmod) gives -1.0.
extern "C" VARNEXO_EXPORT void flops_varnexo_(const int32_t* nsuper, const int32_t* n, const int32_t* unused3,
                                              const int32_t* xlindx, const int32_t* lindx,
                                              const int32_t* xlnz, const int32_t* unused7, int32_t* indmap,
                                              const int32_t* nmod, int32_t* link, const int32_t* snode,
                                              const int32_t* xsuper, int32_t* length,
                                              const int32_t* symmetric, const int32_t* type, double* mflops) {
  (void)unused3;
  (void)unused7;
  (void)indmap;
  const varnexo::factor::SymbolicFactor sf =
      varnexo::factor::symbolic_of(*n, *nsuper, nullptr, xsuper, snode, xlindx, lindx, xlnz, nullptr, nmod);
  const varnexo::MatrixKind* kind = varnexo::find_kind(*type);  // a code that is no type counts as real
  if (!varnexo::factor::flops(sf, *symmetric != 0, kind != nullptr && kind->is_complex(), link, length,
                              mflops))
    *mflops = -1.0;
}
VARNEXO_UNDERSCORE_ALIAS(flops_varnexo_);
