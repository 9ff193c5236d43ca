// Supernode partition and symbolic factorisation (analysis steps 1-2): fundamental supernodes,
// row structure of every supernode by merging its children's structures, storage pointers,
// buffer size and update counts. Flow: tree and counts -> [symbolic] -> value maps -> factor.
#include "ordering/symbolic.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "common/export.h"
#include "common/onebased.h"
#include "ordering/etree.h"
#include "ordering/ordering_entries.h"

namespace varnexo::ordering {
namespace {

constexpr int32_t kInt32Max = std::numeric_limits<int32_t>::max();

int32_t saturate(int64_t v) { return v > kInt32Max ? kInt32Max : static_cast<int32_t>(v); }

// Marks in start(1..nsuper) the supernodes that open a stretch of the domain table: the first
// supernode of every pair and the one after its last. Pairs outside 1..nsuper or empty are
// ignored.
void stretch_starts(int32_t nsuper, const int32_t* table, int32_t nd, OneBased<int32_t> start) {
  for (int32_t s = 1; s <= nsuper; ++s) start(s) = 0;
  start(1) = 1;
  if (table == nullptr) return;
  for (int32_t k = 0; k <= nd; ++k) {
    const int32_t first = table[2 * k], last = table[2 * k + 1];
    if (first < 1 || last > nsuper || first > last) continue;
    start(first) = 1;
    if (last < nsuper) start(last + 1) = 1;
  }
}

// Storage pointers in supernode order (the order of the table's stretches for an ascending
// table). mark: nsuper words of work. Returns -20 when a pointer would leave the 32-bit range.
int32_t storage_pointers(int32_t n, const int32_t* colcnt_p, int32_t nsuper, const int32_t* xsuper_p,
                         int32_t* xlnz_p, int32_t* xunz_p, const int32_t* table, int32_t nd, int32_t* mark,
                         SymfctResult& res) {
  OneBased<const int32_t> colcnt(colcnt_p, n), xsuper(xsuper_p, nsuper + 1);
  OneBased<int32_t> xlnz(xlnz_p, n + 1), xunz(xunz_p, n + 1), start(mark, nsuper);
  stretch_starts(nsuper, table, nd, start);
  const int64_t limit = int64_t{2147483645} - n;
  int64_t lptr = 1, uptr = 1, seg_l = 0, seg_u = 0;
  for (int32_t s = 1; s <= nsuper; ++s) {
    if (start(s)) seg_l = seg_u = 0;
    const int64_t height = colcnt(xsuper(s));
    const int64_t below = colcnt(xsuper(s + 1) - 1) - 1;
    for (int32_t j = xsuper(s); j < xsuper(s + 1); ++j) {
      if (lptr + n >= limit || uptr + n >= limit) return -20;
      xlnz(j) = static_cast<int32_t>(lptr);
      xunz(j) = static_cast<int32_t>(uptr);
      lptr += height;
      uptr += below;
      seg_l += height;
      seg_u += below;
    }
    res.max_dom_l = std::max(res.max_dom_l, seg_l);
    res.max_dom_u = std::max(res.max_dom_u, seg_u);
  }
  if (lptr > kInt32Max || uptr > kInt32Max) return -20;
  xlnz(n + 1) = static_cast<int32_t>(lptr);
  xunz(n + 1) = static_cast<int32_t>(uptr);
  return 0;
}

// Inserts row newi into the sorted list rchlnk (0-based, head at 0, end mark n+1), starting
// the search after position `from`. Returns the position newi was linked after.
inline void link_row(int32_t* rchlnk, int32_t from, int32_t newi) {
  int32_t i = from, next = rchlnk[from];
  while (newi > next) {
    i = next;
    next = rchlnk[i];
  }
  rchlnk[i] = newi;
  rchlnk[newi] = next;
}

// Row structure of every supernode: its own columns, then the structures of its children below
// them (merge chains) and the entries of its columns below them, as long as the count is not
// reached (a fundamental supernode needs only its first column's entries; a relaxed one may
// need those of every column). Returns -2 when a row set disagrees with the counts.
int32_t row_structure(int32_t n, const int32_t* xadj_p, const int32_t* adjncy_p, const int32_t* perm_p,
                      const int32_t* invp_p, const int32_t* colcnt_p, int32_t nsuper, const int32_t* xsuper_p,
                      const int32_t* snode_p, int64_t lindx_len, const int32_t* xlindx_p, int32_t* lindx_p,
                      int32_t* mrglnk_p, int32_t* rchlnk, int32_t* marker_p) {
  OneBased<const int32_t> xadj(xadj_p, n + 1), perm(perm_p, n), invp(invp_p, n), colcnt(colcnt_p, n);
  OneBased<const int32_t> adjncy(adjncy_p, xadj(n + 1) - 1), xsuper(xsuper_p, nsuper + 1), snode(snode_p, n);
  OneBased<const int32_t> xlindx(xlindx_p, nsuper + 1);
  OneBased<int32_t> lindx(lindx_p, lindx_len), mrglnk(mrglnk_p, nsuper), marker(marker_p, n);
  for (int32_t s = 1; s <= nsuper; ++s) mrglnk(s) = 0;
  for (int32_t i = 1; i <= n; ++i) marker(i) = 0;
  for (int32_t s = 1; s <= nsuper; ++s) {
    const int32_t f = xsuper(s), width = xsuper(s + 1) - f, target = colcnt(f), last = f + width - 1;
    // The supernode's columns head the sorted list (0 is its head, n+1 its end mark).
    int32_t knz = width;
    for (int32_t r = f; r <= last; ++r) {
      rchlnk[r == f ? 0 : r - 1] = r;
      marker(r) = s;
    }
    rchlnk[last] = n + 1;
    int32_t child = mrglnk(s);
    if (child > 0) {
      // The first child's rows below the columns arrive sorted: append them at the end.
      const int32_t beg = xlindx(child) + (xsuper(child + 1) - xsuper(child));
      int32_t tail = last;
      for (int32_t p = beg; p < xlindx(child + 1); ++p) {
        const int32_t r = lindx(p);
        if (marker(r) == s) continue;
        ++knz;
        marker(r) = s;
        rchlnk[tail] = r;
        tail = r;
      }
      rchlnk[tail] = n + 1;
      for (child = mrglnk(child); child > 0 && knz < target; child = mrglnk(child)) {
        const int32_t cbeg = xlindx(child) + (xsuper(child + 1) - xsuper(child));
        int32_t after = 0;
        for (int32_t p = cbeg; p < xlindx(child + 1); ++p) {
          const int32_t r = lindx(p);
          if (marker(r) == s) continue;
          // Rows of one child are ascending: the search resumes where the last one went in.
          while (rchlnk[after] < r) after = rchlnk[after];
          link_row(rchlnk, after, r);
          marker(r) = s;
          after = r;
          ++knz;
        }
      }
    }
    for (int32_t j = f; j <= last && knz < target; ++j) {
      const int32_t node = perm(j);
      for (int32_t p = xadj(node); p < xadj(node + 1); ++p) {
        const int32_t r = invp(adjncy(p));
        if (r <= last || marker(r) == s) continue;
        link_row(rchlnk, last, r);
        marker(r) = s;
        ++knz;
      }
    }
    if (int64_t{xlindx(s)} + knz != xlindx(s + 1)) return -2;
    int32_t r = 0;
    for (int32_t p = xlindx(s); p < xlindx(s + 1); ++p) {
      r = rchlnk[r];
      lindx(p) = r;
    }
    if (target > width) {
      const int32_t psup = snode(lindx(xlindx(s) + width));
      mrglnk(s) = mrglnk(psup);
      mrglnk(psup) = s;
    }
  }
  return 0;
}

}  // namespace

SupernodePartition fndspa(int32_t n, const int32_t* parent_p, const int32_t* colcnt_p, int32_t maxwidth,
                          int32_t* snode_p, const int32_t* pair_first_p) {
  SupernodePartition res;
  if (n <= 0) return res;
  OneBased<const int32_t> parent(parent_p, n), colcnt(colcnt_p, n);
  OneBased<int32_t> snode(snode_p, n);
  maxwidth = std::max(maxwidth, 1);
  OneBased<const int32_t> pair_first(pair_first_p, n);
  auto opens_pair = [&](int32_t j) { return pair_first_p != nullptr && j < n && pair_first(j) != 0; };
  int32_t width = 1, chain = 1;
  res.nsuper = 1;
  res.largest_chain = 1;
  res.lindx_len = colcnt(1);
  snode(1) = 1;
  for (int32_t j = 2; j <= n; ++j) {
    const bool joinable = parent(j - 1) == j && colcnt(j - 1) == colcnt(j) + 1;
    chain = joinable ? chain + 1 : 1;
    res.largest_chain = std::max(res.largest_chain, chain);
    // A 2×2 block's second column joins its first whenever the structure allows; a block whose
    // first column would fill the supernode starts the next one instead.
    const bool second_of_pair = pair_first_p != nullptr && pair_first(j - 1) != 0;
    const bool room = second_of_pair || (opens_pair(j) ? width + 2 <= maxwidth : width < maxwidth);
    if (joinable && room) {
      ++width;
    } else {
      ++res.nsuper;
      width = 1;
      res.lindx_len += colcnt(j);
    }
    snode(j) = res.nsuper;
  }
  return res;
}

void fndspb(int32_t n, int32_t nsuper, const int32_t* snode_p, int32_t* xsuper_p) {
  if (n <= 0 || nsuper <= 0) return;
  OneBased<const int32_t> snode(snode_p, n);
  OneBased<int32_t> xsuper(xsuper_p, nsuper + 1);
  xsuper(1) = 1;
  xsuper(nsuper + 1) = n + 1;
  for (int32_t j = n; j >= 2; --j)
    if (snode(j) != snode(j - 1)) xsuper(snode(j)) = j;
}

int32_t sfinit(int32_t nn, int32_t nd, int32_t table_size, const int32_t* xadj, const int32_t* adjncy,
               int32_t* table, const int32_t* perm, const int32_t* invp, int32_t* colcnt, int32_t* nnzl,
               int32_t* lindx_len, int32_t* nsuper, int32_t* snode, int32_t* xsuper, int32_t* work,
               int32_t maxwidth, int32_t* largest_chain, const int32_t* pair_first, bool relaxed) {
  *nnzl = *lindx_len = *nsuper = *largest_chain = 0;
  if (nn <= 0) return 0;
  int32_t* parent = work;
  int32_t* ancestor = work + nn;
  int32_t* fson = work + 2 * int64_t{nn};
  int32_t* brothr = work + 3 * int64_t{nn};
  const int32_t zero = 0;
  etdr_varnexo_(&nn, &nd, &table_size, table, xadj, adjncy, perm, invp, parent, ancestor, &zero, &zero, fson,
                brothr);
  int64_t total = column_counts(nn, xadj, adjncy, perm, invp, parent, colcnt);
  SupernodePartition p = fndspa(nn, parent, colcnt, maxwidth, snode, pair_first);
  if (relaxed && p.nsuper > 1) {
    // The stretches of the domain table (positions) that no relaxed supernode may straddle.
    std::vector<int32_t> stretch;
    if (nd > 1) {
      stretch.assign(nn, 0);
      for (int32_t k = 0; k <= nd; ++k)
        if (table[2 * k] >= 2 && table[2 * k] <= nn) stretch[table[2 * k] - 1] = 1;
      for (int32_t j = 1; j < nn; ++j) stretch[j] += stretch[j - 1];
    }
    const int32_t chain = p.largest_chain;
    p = relax_supernodes(nn, parent, colcnt, maxwidth, stretch.empty() ? nullptr : stretch.data(), snode,
                         p.nsuper);
    p.largest_chain = chain;
    total = 0;
    for (int32_t j = 0; j < nn; ++j) total += colcnt[j];
  }
  *nnzl = saturate(total);
  *lindx_len = saturate(p.lindx_len);
  *nsuper = p.nsuper;
  *largest_chain = p.largest_chain;
  if (total > kInt32Max || p.lindx_len > kInt32Max) return -20;
  fndspb(nn, p.nsuper, snode, xsuper);
  convert_table_to_supernodes(nn, nd, table, p.nsuper, snode, xsuper);
  return 0;
}

void convert_table_to_supernodes(int32_t n, int32_t nd, int32_t* table_p, int32_t nsuper,
                                 const int32_t* snode_p, const int32_t* xsuper_p) {
  OneBased<int32_t> table(table_p, 2 * (nd + 1));
  OneBased<const int32_t> snode(snode_p, n), xsuper(xsuper_p, nsuper + 1);
  int32_t prev_last = 0;  // last supernode given to a domain so far
  for (int32_t k = 1; k <= nd; ++k) {
    const int32_t first = table(2 * k - 1), last = table(2 * k);
    int32_t sfirst = prev_last + 1, slast = prev_last;
    if (first >= 1 && last <= n && first <= last) {
      sfirst = snode(first);
      slast = snode(last);
      // A supernode that runs on past the domain belongs to the separator.
      if (xsuper(slast + 1) - 1 > last) slast -= 1;
      if (slast < sfirst - 1) slast = sfirst - 1;
    }
    table(2 * k - 1) = sfirst;
    table(2 * k) = slast;
    prev_last = std::max(prev_last, slast);
  }
  const int32_t last_domain = nd >= 1 ? table(2 * nd) : 0;
  table(2 * nd + 1) = last_domain + 1;
  table(2 * nd + 2) = nsuper;
}

SymfctResult symfct(int32_t n, const int32_t* xadj, const int32_t* adjncy, const int32_t* perm,
                    const int32_t* invp, const int32_t* colcnt_p, int32_t nsuper, const int32_t* xsuper_p,
                    const int32_t* snode, int64_t lindx_len, int32_t* xlindx_p, int32_t* lindx, int32_t* xlnz,
                    int32_t* xunz, int32_t* mrglnk, int32_t* rchlnk, int32_t* marker, const int32_t* table,
                    int32_t nd) {
  SymfctResult res;
  if (n <= 0 || nsuper <= 0) return res;
  // marker is free until the row structure is built, which clears it first.
  res.error = storage_pointers(n, colcnt_p, nsuper, xsuper_p, xlnz, xunz, table, nd, marker, res);
  if (res.error != 0) return res;
  OneBased<const int32_t> colcnt(colcnt_p, n), xsuper(xsuper_p, nsuper + 1);
  OneBased<int32_t> xlindx(xlindx_p, nsuper + 1);
  int64_t point = 1;
  xlindx(1) = 1;
  for (int32_t s = 1; s <= nsuper; ++s) {
    point += colcnt(xsuper(s));
    // The counts must fit the space given for lindx; otherwise nothing is written into it.
    if (point - 1 > lindx_len) {
      res.error = -2;
      return res;
    }
    xlindx(s + 1) = static_cast<int32_t>(point);
  }
  res.error = row_structure(n, xadj, adjncy, perm, invp, colcnt_p, nsuper, xsuper_p, snode, lindx_len,
                            xlindx_p, lindx, mrglnk, rchlnk, marker);
  return res;
}

int64_t fntz(int32_t nsuper, const int32_t* xsuper_p, const int32_t* snode_p, const int32_t* xlindx_p,
             const int32_t* lindx_p) {
  if (nsuper <= 0) return 0;
  OneBased<const int32_t> xsuper(xsuper_p, nsuper + 1), xlindx(xlindx_p, nsuper + 1);
  const int32_t n = xsuper(nsuper + 1) - 1;
  OneBased<const int32_t> snode(snode_p, n), lindx(lindx_p, xlindx(nsuper + 1) - 1);
  int64_t t = 0;
  for (int32_t s = nsuper; s >= 1; --s) {
    const int32_t w = xsuper(s + 1) - xsuper(s);
    const int32_t first = xlindx(s) + w, last = xlindx(s + 1) - 1;
    int64_t l = last - first + 1;
    if (l * (l + 1) / 2 <= t) continue;
    // Groups of consecutive rows in one target supernode c: such an update block goes through
    // the buffer when it does not cover all of c's rows.
    for (int32_t p = first; p <= last;) {
      const int32_t c = snode(lindx(p));
      int64_t g = 0;
      while (p <= last && snode(lindx(p)) == c) {
        ++g;
        ++p;
      }
      const int64_t cl = xlindx(c + 1) - xlindx(c);
      if (l <= cl) t = std::max(t, g * l - (g - 1) * g / 2);
      l -= g;
      if (l * (l + 1) / 2 <= t) break;
    }
  }
  for (int32_t s = 1; s <= nsuper; ++s) {
    const int64_t w = xsuper(s + 1) - xsuper(s);
    t = std::max(t, (xlindx(s + 1) - xlindx(s) - w) * w);
  }
  return t;
}

void fnpmod(int32_t nsuper, const int32_t* xsuper_p, const int32_t* snode_p, const int32_t* xlindx_p,
            const int32_t* lindx_p, int32_t* nmod_p) {
  if (nsuper <= 0) return;
  OneBased<const int32_t> xsuper(xsuper_p, nsuper + 1), xlindx(xlindx_p, nsuper + 1);
  OneBased<const int32_t> snode(snode_p, xsuper(nsuper + 1) - 1), lindx(lindx_p, xlindx(nsuper + 1) - 1);
  OneBased<int32_t> nmod(nmod_p, nsuper);
  for (int32_t s = 1; s <= nsuper; ++s) nmod(s) = 0;
  for (int32_t s = 1; s <= nsuper; ++s) {
    int32_t prev = 0;
    for (int32_t p = xlindx(s) + (xsuper(s + 1) - xsuper(s)); p < xlindx(s + 1); ++p) {
      const int32_t t = snode(lindx(p));
      if (t != prev) nmod(t) += 1;
      prev = t;
    }
  }
}

}  // namespace varnexo::ordering

using namespace varnexo;

extern "C" {

VARNEXO_EXPORT void fndspa_varnexo_(const int32_t* n, const int32_t* parent, const int32_t* colcnt,
                                    const int32_t* maxwidth, int32_t* snode, int32_t* nsuper,
                                    int32_t* lindx_len, int32_t* largest_chain) {
  const ordering::SupernodePartition p = ordering::fndspa(*n, parent, colcnt, *maxwidth, snode);
  *nsuper = p.nsuper;
  *lindx_len = ordering::saturate(p.lindx_len);
  *largest_chain = p.largest_chain;
}
VARNEXO_UNDERSCORE_ALIAS(fndspa_varnexo_);

VARNEXO_EXPORT void fndspb_varnexo_(const int32_t* n, const int32_t* nsuper, const int32_t* snode,
                                    int32_t* xsuper) {
  ordering::fndspb(*n, *nsuper, snode, xsuper);
}
VARNEXO_UNDERSCORE_ALIAS(fndspb_varnexo_);

VARNEXO_EXPORT void sfinit_varnexo_(const int32_t* n, const int32_t* adjlen, const int32_t* nd,
                                    const int32_t* table_size, const int32_t* xadj, const int32_t* adjncy,
                                    int32_t* table, const int32_t* perm, const int32_t* invp, int32_t* colcnt,
                                    int32_t* nnzl, int32_t* lindx_len, int32_t* nsuper, int32_t* snode,
                                    int32_t* xsuper, int32_t* work, const int32_t* maxwidth,
                                    int32_t* largest_chain, int32_t* error) {
  (void)adjlen;
  *error = ordering::sfinit(*n, *nd, *table_size, xadj, adjncy, table, perm, invp, colcnt, nnzl, lindx_len,
                            nsuper, snode, xsuper, work, *maxwidth, largest_chain, nullptr);
}
VARNEXO_UNDERSCORE_ALIAS(sfinit_varnexo_);

VARNEXO_EXPORT void symfct_varnexo_(const int32_t* n, const int32_t* nproc, const int32_t* adjlen,
                                    const int32_t* xadj, const int32_t* adjncy, const int32_t* perm,
                                    const int32_t* invp, const int32_t* colcnt, const int32_t* nsuper,
                                    const int32_t* xsuper, const int32_t* snode, const int32_t* lindx_len,
                                    int32_t* xlindx, int32_t* lindx, int32_t* xlnz, int32_t* xunz,
                                    int32_t* mrglnk, int32_t* rchlnk, int32_t* marker, const int32_t* table,
                                    const int32_t* nd, int32_t* max_dom_l, int32_t* max_dom_u,
                                    int32_t* mode_flag, int32_t* error) {
  (void)nproc, (void)adjlen;
  const ordering::SymfctResult r =
      ordering::symfct(*n, xadj, adjncy, perm, invp, colcnt, *nsuper, xsuper, snode, *lindx_len, xlindx,
                       lindx, xlnz, xunz, mrglnk, rchlnk, marker, table, *nd);
  *max_dom_l = ordering::saturate(r.max_dom_l);
  *max_dom_u = ordering::saturate(r.max_dom_u);
  *mode_flag = 0;
  *error = r.error;
}
VARNEXO_UNDERSCORE_ALIAS(symfct_varnexo_);

VARNEXO_EXPORT void fntz_varnexo_(const int32_t* nsuper, const int32_t* xsuper, const int32_t* snode,
                                  const int32_t* xlindx, const int32_t* lindx, int32_t* size) {
  *size = ordering::saturate(ordering::fntz(*nsuper, xsuper, snode, xlindx, lindx));
}
VARNEXO_UNDERSCORE_ALIAS(fntz_varnexo_);

VARNEXO_EXPORT void fnpmod_varnexo_(const int32_t* nsuper, const int32_t* xsuper, const int32_t* nsuper2,
                                    const int32_t* snode, const int32_t* xlindx, const int32_t* lindx,
                                    int32_t* nmod) {
  (void)nsuper2;
  ordering::fnpmod(*nsuper, xsuper, snode, xlindx, lindx, nmod);
}
VARNEXO_UNDERSCORE_ALIAS(fnpmod_varnexo_);

VARNEXO_EXPORT void ldindx_varnexo_(const int32_t* m, const int32_t* indices, int32_t* indmap) {
  for (int32_t k = 1; k <= *m; ++k) indmap[indices[k - 1] - 1] = *m - k;
}
VARNEXO_UNDERSCORE_ALIAS(ldindx_varnexo_);

VARNEXO_EXPORT void igtr_varnexo_(const int32_t* m, const int32_t* indices, const int32_t* source,
                                  int32_t* target) {
  for (int32_t k = 1; k <= *m; ++k) target[k - 1] = source[indices[k - 1] - 1];
}
VARNEXO_UNDERSCORE_ALIAS(igtr_varnexo_);
}
