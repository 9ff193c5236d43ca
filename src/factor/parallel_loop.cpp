// The update order of the threaded loop (load -> factor): the lists of the one-thread loop
// replayed on the structure, so that every supernode can be computed on its own.
#include "factor/parallel_loop.h"

#include "common/onebased.h"

namespace varnexo::factor {

bool update_order(const SymbolicFactor& sf, UpdateOrder* order) {
  const int32_t n = sf.n, ns = sf.nsuper;
  const OneBased<const int32_t> xsuper(sf.xsuper, ns + 1), snode(sf.snode, n), xlindx(sf.xlindx, ns + 1),
      lindx(sf.lindx, std::max(1, sf.xlindx[ns] - 1)), nmod(sf.nmod, ns);
  std::vector<int32_t> link(n + 1, 0), length(ns + 1, 0);
  // Pushes K (first column fk) with `left` rows on the list of the supernode of its next row.
  auto push = [&](int32_t fk, int32_t K, int32_t left) {
    length[K] = left;
    if (left == 0) return;
    const int32_t S = snode(lindx(xlindx(K + 1) - left));
    link[fk] = link[xsuper(S)];
    link[xsuper(S)] = fk;
  };
  int64_t total = 0;
  for (int32_t J = 1; J <= ns; ++J) total += nmod(J);
  order->start.assign(ns + 1, 0);
  order->first_col.clear();
  order->remaining.clear();
  order->first_col.reserve(total);
  order->remaining.reserve(total);
  for (int32_t J = 1; J <= ns; ++J) {
    const int32_t fjcol = xsuper(J), ncol = xsuper(J + 1) - fjcol, ljcol = fjcol + ncol - 1;
    const int32_t jlen = xlindx(J + 1) - xlindx(J);
    order->start[J - 1] = static_cast<int64_t>(order->first_col.size());
    for (int32_t u = 0; u < nmod(J); ++u) {
      const int32_t fk = link[fjcol];
      if (fk == 0) return false;
      link[fjcol] = link[fk];
      const int32_t K = snode(fk), lenk = length[K];
      order->first_col.push_back(fk);
      order->remaining.push_back(lenk);
      int32_t q = ncol;
      if (lenk != jlen) {
        const int32_t* rows = lindx.at(xlindx(K + 1) - lenk);
        for (q = 0; q < lenk && rows[q] <= ljcol;) ++q;
      }
      push(fk, K, lenk - q);
    }
    push(fjcol, J, jlen - ncol);
  }
  order->start[ns] = static_cast<int64_t>(order->first_col.size());
  return true;
}

}  // namespace varnexo::factor
