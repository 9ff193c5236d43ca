// Update lists of the parallel schedule (analysis step 3 with several processors), built from
// the row structure of the supernodes. Flow: symbolic -> value maps -> [schedule] -> factor.
#include "ordering/schedule.h"

#include <algorithm>

#include "common/export.h"
#include "common/onebased.h"
#include "ordering/ordering_entries.h"

namespace varnexo::ordering {
namespace {

struct Structure {
  int32_t nsuper;
  OneBased<const int32_t> xlindx, lindx, snode, xsuper;
};

// Non-domain mode: per supernode s, one (first column of target, remaining length) entry for
// every run of its rows that lies in one supernode.
void lists_by_supernode(const Structure& st, const int32_t* nmod_p, int32_t lindx_len, int32_t* ptr_p,
                        int32_t* tlist_p, int32_t* rlist_p, int32_t* qptr_p, int32_t& size1, int32_t& size2) {
  const int32_t ns = st.nsuper;
  OneBased<int32_t> ptr(ptr_p, ns + 1), tlist(tlist_p, lindx_len), rlist(rlist_p, lindx_len),
      qptr(qptr_p, ns + 1);
  OneBased<const int32_t> nmod(nmod_p, ns);
  ptr(1) = 1;
  for (int32_t s = 2; s <= ns + 1; ++s) ptr(s) = 0;
  std::fill(tlist_p, tlist_p + lindx_len, 0);
  qptr(1) = 1;
  if (ns >= 1) qptr(2) = 1;
  for (int32_t k = 3; k <= ns + 1; ++k) qptr(k) = qptr(k - 1) + nmod(k - 1);
  for (int32_t s = 1; s <= ns; ++s) {
    ptr(s + 1) = ptr(s);
    int32_t current = st.xsuper(s);
    int32_t remaining = st.xlindx(s + 1) - st.xlindx(s) - 1;
    for (int32_t p = st.xlindx(s) + 1; p < st.xlindx(s + 1); ++p, --remaining) {
      const int32_t c = st.xsuper(st.snode(st.lindx(p)));
      if (c == current) continue;
      tlist(ptr(s + 1)) = c;
      rlist(ptr(s + 1)) = remaining;
      ptr(s + 1) += 1;
      current = c;
    }
  }
  size1 = ptr(ns + 1);
  size2 = qptr(ns + 1);
}

// Domain mode: walks the supernodes of every block d (the domains, then the separator block)
// and visits each (separator target t, block d, updating supernode s, remaining length).
template <class Visit>
void walk_domain_updates(const Structure& st, int32_t nd, const int32_t* table, int32_t sepcol, Visit visit) {
  for (int32_t d = 1; d <= nd + 1; ++d) {
    const int32_t first = std::max(table[2 * d - 2], 1), last = std::min(table[2 * d - 1], st.nsuper);
    for (int32_t s = first; s <= last; ++s) {
      const int32_t end = st.xlindx(s + 1);
      int32_t prev = 0;
      for (int32_t p = st.xlindx(s) + 1; p < end; ++p) {
        const int32_t i = st.lindx(p);
        if (i < sepcol) continue;
        const int32_t t = st.snode(i);
        if (t != prev && t != s) visit(t, d, s, end - p);
        prev = t;
      }
    }
  }
}

void lists_by_domain(const Structure& st, int32_t nd, const int32_t* table, int32_t f, int32_t lindx_len,
                     int32_t* ptr_p, int32_t* tlist_p, int32_t* rlist_p, int32_t& size1) {
  const int32_t c = st.nsuper - f + 1, nb = c * (nd + 1);
  OneBased<int32_t> ptr(ptr_p, nb + 1), tlist(tlist_p, lindx_len), rlist(rlist_p, lindx_len);
  const int32_t sepcol = st.xsuper(f);
  auto bucket = [&](int32_t t, int32_t d) { return (t - f) * (nd + 1) + d; };
  for (int32_t b = 1; b <= nb + 1; ++b) ptr(b) = 0;
  walk_domain_updates(st, nd, table, sepcol,
                      [&](int32_t t, int32_t d, int32_t, int32_t) { ptr(bucket(t, d) + 1) += 1; });
  ptr(1) = 1;
  for (int32_t b = 2; b <= nb + 1; ++b) ptr(b) += ptr(b - 1);
  walk_domain_updates(st, nd, table, sepcol, [&](int32_t t, int32_t d, int32_t s, int32_t remaining) {
    const int32_t pos = ptr(bucket(t, d));
    tlist(pos) = s;
    rlist(pos) = remaining;
    ptr(bucket(t, d)) = pos + 1;
  });
  // The cursors now point at the next bucket's start: shift them back into start pointers.
  for (int32_t b = nb; b >= 1; --b) ptr(b + 1) = ptr(b);
  ptr(1) = 1;
  size1 = ptr(nb + 1) - 1;
}

}  // namespace

int32_t domain_mode_separator(int32_t nsuper, int32_t nd, const int32_t* table, int32_t e70) {
  if (nd <= 1 || e70 == 0 || table == nullptr) return 0;
  const int32_t f = table[2 * nd - 1] + 1;
  return f >= 1 && f <= nsuper ? f : 0;
}

int64_t update_pointer_words(int32_t nsuper, int32_t nd, const int32_t* table, int32_t e70) {
  const int32_t f = domain_mode_separator(nsuper, nd, table, e70);
  if (f == 0) return int64_t{nsuper} + 1;
  return int64_t{nsuper - f + 1} * (nd + 1) + 1;
}

UpdateListSizes build_update_lists(int32_t ns, const int32_t* xlindx, const int32_t* lindx,
                                   const int32_t* snode, const int32_t* xsuper, const int32_t* nmod,
                                   int32_t lindx_len, int32_t* ptr, int32_t* tlist, int32_t* rlist,
                                   int32_t* qptr, int32_t nd, const int32_t* table, int32_t domain_mode) {
  UpdateListSizes r;
  if (ns <= 0) return r;
  const int32_t n = xsuper[ns] - 1;
  const Structure st{ns, OneBased<const int32_t>(xlindx, ns + 1),
                     OneBased<const int32_t>(lindx, xlindx[ns] - 1), OneBased<const int32_t>(snode, n),
                     OneBased<const int32_t>(xsuper, ns + 1)};
  const int32_t f = domain_mode_separator(ns, nd, table, domain_mode);
  if (f == 0) {
    lists_by_supernode(st, nmod, lindx_len, ptr, tlist, rlist, qptr, r.entries, r.qsize);
    return r;
  }
  r.separator_supernodes = ns - f + 1;
  lists_by_domain(st, nd, table, f, lindx_len, ptr, tlist, rlist, r.entries);
  r.qsize = 1;
  return r;
}

}  // namespace varnexo::ordering

using namespace varnexo;

extern "C" {

VARNEXO_EXPORT void blkpre_varnexo_(const int32_t* nsuper, const int32_t* xlindx, const int32_t* lindx,
                                    const int32_t* snode, const int32_t* xsuper, const int32_t* nmod,
                                    const int32_t* lindx_len, int32_t* ptr, int32_t* tlist, int32_t* rlist,
                                    int32_t* qptr, const int32_t* nd, const int32_t* table,
                                    const int32_t* e70, int32_t* e72, int32_t* size1, int32_t* size2) {
  const ordering::UpdateListSizes r = ordering::build_update_lists(
      *nsuper, xlindx, lindx, snode, xsuper, nmod, *lindx_len, ptr, tlist, rlist, qptr, *nd, table, *e70);
  *size1 = r.entries;
  *size2 = r.qsize;
  *e72 = r.separator_supernodes;
}
VARNEXO_UNDERSCORE_ALIAS(blkpre_varnexo_);

VARNEXO_EXPORT void reorder3_varnexo_(const int32_t* nsuper, const int32_t* n, const int32_t* lindx_len,
                                      const int32_t* xlindx, const int32_t* lindx, const int32_t* xlnz,
                                      const int32_t* xunz, int32_t* work, const int32_t* schedule,
                                      const int32_t* nmod, const int32_t* snode, const int32_t* xsuper,
                                      int32_t* error, int32_t* ptr, int32_t* tlist, int32_t* rlist,
                                      int32_t* qptr, int32_t* sizes, const int32_t* nd, const int32_t* table,
                                      const int32_t* mtype, int32_t* e72, const int32_t* e70) {
  (void)n, (void)xlnz, (void)xunz, (void)work, (void)schedule, (void)mtype;
  *error = 0;
  const ordering::UpdateListSizes r = ordering::build_update_lists(
      *nsuper, xlindx, lindx, snode, xsuper, nmod, *lindx_len, ptr, tlist, rlist, qptr, *nd, table, *e70);
  sizes[0] = r.entries;
  sizes[1] = r.qsize;
  *e72 = r.separator_supernodes;
}
VARNEXO_UNDERSCORE_ALIAS(reorder3_varnexo_);
}
