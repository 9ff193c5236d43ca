// The adjacency graph of the matrix pattern (first step of the ordering stage: input -> matching
// -> ordering), and three small routines on compressed rows that the loading of the matrix into
// factor storage uses: a stable key sort with a companion array, its merge, and the mirror swap.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>

#include "common/export.h"
#include "common/memory.h"
#include "common/onebased.h"
#include "ordering/ordering_entries.h"
#include "ordering/ordering_internal.h"

namespace varnexo::ordering {

namespace {

// Counts of step 1 for the rows first..last of one-triangle storage: cnt(j) += 1 for every entry
// in column j, with the diagonal of each row cancelling one -1 of the initial value.
void count_columns(int32_t first, int32_t last, OneBased<const int32_t> ia, OneBased<const int32_t> ja,
                   OneBased<int32_t> cnt) {
  for (int32_t i = first; i <= last; ++i)
    for (int32_t k = ia(i); k < ia(i + 1); ++k) cnt(ja(k)) += 1;
}

// Step 3 for the rows first..last: the first entry of every row is its diagonal and is skipped.
void scatter_rows(int32_t first, int32_t last, OneBased<const int32_t> ia, OneBased<const int32_t> ja,
                  OneBased<int32_t> ptr, OneBased<int32_t> adjncy) {
  for (int32_t i = first; i <= last; ++i) {
    for (int32_t k = ia(i) + 1; k < ia(i + 1); ++k) {
      const int32_t j = ja(k);
      adjncy(ptr(i)) = j;  // upper entry (i, j) of row i
      ptr(i) += 1;
      adjncy(ptr(j)) = i;
      ptr(j) += 1;
    }
  }
}

}  // namespace

void ladj_mod(int32_t n, int32_t nnz, int32_t nproc, const int32_t* ia_p, const int32_t* ja_p, int32_t adjlen,
              int32_t* xadj_p, int32_t* adjncy_p, int32_t* work_p, int32_t one_triangle) {
  if (n <= 0) return;
  OneBased<const int32_t> ia(ia_p, n + 1), ja(ja_p, nnz);
  OneBased<int32_t> xadj(xadj_p, n + 1), adjncy(adjncy_p, adjlen);
  if (one_triangle != 1) {
    // Full storage of a structurally symmetric pattern: every row loses exactly its diagonal.
    for (int32_t i = 1; i <= n + 1; ++i) xadj(i) = ia(i) - (i - 1);
    for (int32_t i = 1; i <= n; ++i) {
      int32_t p = xadj(i);
      for (int32_t k = ia(i); k < ia(i + 1); ++k)
        if (ja(k) != i) adjncy(p++) = ja(k);
    }
    return;
  }
  for (int32_t i = 1; i <= n + 1; ++i) xadj(i) = -1;
  if (nproc <= 1) {
    count_columns(1, n, ia, ja, xadj);
    // Prefix: list i holds its row's strictly upper entries and its column's upper entries.
    int32_t count = xadj(1);
    xadj(1) = 1;
    for (int32_t i = 1; i <= n; ++i) {
      const int32_t next = i < n ? xadj(i + 1) : 0;
      xadj(i + 1) = xadj(i) + (ia(i + 1) - ia(i) - 1) + count;
      count = next;
    }
    scatter_rows(1, n, ia, ja, xadj, adjncy);
    for (int32_t i = n; i >= 1; --i) xadj(i + 1) = xadj(i);
    xadj(1) = 1;
    return;
  }
  // Two blocks: rows 1..s-1 and s..n, each with its own insertion pointers. The counts of the
  // first block alone sit in the second half of the work array.
  const int32_t s = std::max<int32_t>(1, static_cast<int32_t>(0.48f * static_cast<float>(n)));
  OneBased<int32_t> ptr1(work_p, n + 1), cnt1(work_p + (n + 1), n + 1);
  for (int32_t i = 1; i <= n + 1; ++i) cnt1(i) = 0;
  count_columns(1, n, ia, ja, xadj);
  count_columns(1, s - 1, ia, ja, cnt1);
  int32_t count = xadj(1);
  xadj(1) = 1;
  for (int32_t i = 1; i <= n; ++i) {
    const int32_t next = i < n ? xadj(i + 1) : 0;
    xadj(i + 1) = xadj(i) + (ia(i + 1) - ia(i) - 1) + count;
    count = next;
  }
  for (int32_t i = 1; i <= n + 1; ++i) ptr1(i) = xadj(i);
  // Block 1 contributes to list v: the entries (v, j) of row v when v < s (all of row v), and
  // the mirrors of the entries in column v that stand in rows 1..s-1 (cnt1(v), the diagonal of
  // such a row v < s included in the count; the diagonal adds 1 that the row length lacks).
  OneBased<int32_t> ptr2(work_p + (n + 1), n + 1);
  for (int32_t v = 1; v <= n; ++v) {
    int32_t from_block1 = cnt1(v);
    if (v < s) from_block1 += (ia(v + 1) - ia(v) - 1) - 1;  // own row, minus the counted diagonal
    ptr2(v) = xadj(v) + from_block1;
  }
  scatter_rows(1, s - 1, ia, ja, ptr1, adjncy);
  scatter_rows(s, n, ia, ja, ptr2, adjncy);
}

void perm_str(int32_t n, const int32_t* ia_p, const int32_t* ja_p, int32_t* ib_p, int32_t* jb_p, int32_t flag,
              const int32_t* q_p) {
  if (flag != 1 || n <= 0) return;
  OneBased<const int32_t> ia(ia_p, n + 1), q(q_p, n);
  OneBased<int32_t> ib(ib_p, n + 1);
  const int32_t nnz = ia(n + 1) - 1;
  OneBased<const int32_t> ja(ja_p, nnz);
  OneBased<int32_t> jb(jb_p, nnz);
  ib(1) = 1;
  for (int32_t k = 1; k <= n; ++k) {
    const int32_t row = q(k);
    ib(k + 1) = ib(k) + (ia(row + 1) - ia(row));
    int32_t p = ib(k);
    for (int32_t m = ia(row); m < ia(row + 1); ++m) jb(p++) = ja(m);
  }
}

namespace {

// Merges row i of B (sorted) with the transposed list of i (sorted) into adjncy from `cursor` on;
// an index in both is written once. Returns the new cursor. The write position never passes the
// next unread transposed entry (see kg_diafree_adjnodia).
int32_t merge_row(int32_t cursor, const int32_t* row, int32_t rowlen, OneBased<int32_t> adjncy,
                  int32_t tfirst, int32_t tlast) {
  int32_t r = 0, t = tfirst;
  while (r < rowlen || t <= tlast) {
    int32_t v;
    if (t > tlast || (r < rowlen && row[r] < adjncy(t))) {
      v = row[r++];
    } else if (r >= rowlen || adjncy(t) < row[r]) {
      v = adjncy(t++);
    } else {
      v = row[r++];
      ++t;
    }
    adjncy(cursor++) = v;
  }
  return cursor;
}

}  // namespace

int32_t kg_diafree_adjnodia(int32_t n, int32_t nnzb, const int32_t* ib_p, const int32_t* jb_p,
                            int32_t* xadj_p, int32_t* adjncy_p) {
  if (n <= 0) return 0;
  OneBased<const int32_t> ib(ib_p, n + 1), jb(jb_p, nnzb);
  OneBased<int32_t> xadj(xadj_p, n + 1), adjncy(adjncy_p, 2 * static_cast<int64_t>(nnzb));
  // Lengths: row i of B plus column i of B.
  for (int32_t i = 1; i <= n + 1; ++i) xadj(i) = 0;
  for (int32_t k = 1; k <= nnzb; ++k) xadj(jb(k)) += 1;
  int32_t start = 1;
  for (int32_t i = 1; i <= n; ++i) {
    const int32_t len = (ib(i + 1) - ib(i)) + xadj(i);
    xadj(i) = start;
    start += len;
  }
  xadj(n + 1) = start;
  for (int32_t p = 1; p < start; ++p) adjncy(p) = -1;
  // Transposed entries after the gap left for row i; scanning rows in order sorts each list.
  // The cursors come from the library's allocation function, so a lack of memory is a status
  // (and counted as a failed request) rather than an exception.
  struct Release {
    void operator()(int32_t* p) const { memory::release(p); }
  };
  const std::unique_ptr<int32_t[], Release> cursor_block(
      static_cast<int32_t*>(memory::obtain(sizeof(int32_t) * (static_cast<size_t>(n) + 1))));
  if (!cursor_block) return kOrderingFailed;
  int32_t* fill = cursor_block.get();
  for (int32_t i = 1; i <= n; ++i) fill[i] = xadj(i) + (ib(i + 1) - ib(i));
  for (int32_t i = 1; i <= n; ++i)
    for (int32_t k = ib(i); k < ib(i + 1); ++k) adjncy(fill[jb(k)]++) = i;
  // Merge and compact. Each merged list is no longer than its row plus its transposed list,
  // so the cursor never overtakes input that is still to be read.
  int32_t cursor = 1;
  for (int32_t i = 1; i <= n; ++i) {
    const int32_t rowlen = ib(i + 1) - ib(i);
    const int32_t tfirst = xadj(i) + rowlen, tlast = fill[i] - 1;
    const int32_t begin = cursor;
    cursor = merge_row(cursor, jb_p + (ib(i) - 1), rowlen, adjncy, tfirst, tlast);
    int32_t p = begin;
    while (p < cursor && adjncy(p) < i) ++p;
    if (p < cursor && adjncy(p) == i) {
      for (int32_t m = p; m + 1 < cursor; ++m) adjncy(m) = adjncy(m + 1);
      --cursor;
    }
    xadj(i) = begin;
  }
  xadj(n + 1) = cursor;
  return cursor - 1;
}

int32_t ladjun(int32_t n, int32_t nnz, const int32_t* ia, const int32_t* ja, const int32_t* q, int32_t* xadj,
               int32_t* adjncy, int32_t* work) {
  if (n <= 0) return 0;
  int32_t* ib = work;
  int32_t* jb = work + (n + 1);
  perm_str(n, ia, ja, ib, jb, 1, q);
  return kg_diafree_adjnodia(n, nnz, ib, jb, xadj, adjncy);
}

// ---------------------------------------------------------------------------------------------
// Stable key sort with a companion array.

namespace {

// Sorts up to four keys stably by straight insertion (the fixed comparison tree of a group).
void sort_small(int32_t m, int32_t* key, int32_t* comp) {
  for (int32_t i = 1; i < m; ++i) {
    const int32_t k = key[i], c = comp[i];
    int32_t j = i - 1;
    while (j >= 0 && key[j] > k) {
      key[j + 1] = key[j];
      comp[j + 1] = comp[j];
      --j;
    }
    key[j + 1] = k;
    comp[j + 1] = c;
  }
}

}  // namespace

void kgjmerge(int32_t n1, int32_t n2, int32_t* key, int32_t* comp, int32_t* skey, int32_t* scomp) {
  if (n1 <= 0 || n2 <= 0) return;
  int32_t* k2 = key + n1;
  // Common prefix: keys of run 1 not above the first key of run 2 are in place already.
  int32_t lo = 0;
  while (lo < n1 && key[lo] <= k2[0]) ++lo;
  if (lo == n1) return;
  // Common suffix: keys of run 2 not below the last key of run 1 are in place already.
  int32_t hi = n2;
  while (hi > 0 && k2[hi - 1] >= key[n1 - 1]) --hi;
  // Merge key[lo..n1) with k2[0..hi) through the scratch arrays; run 1 wins ties (stable).
  const int32_t m1 = n1 - lo;
  std::memcpy(skey, key + lo, sizeof(int32_t) * m1);
  std::memcpy(scomp, comp + lo, sizeof(int32_t) * m1);
  int32_t a = 0, b = 0, out = lo;
  while (a < m1 && b < hi) {
    if (k2[b] < skey[a]) {
      key[out] = k2[b];
      comp[out++] = comp[n1 + b++];
    } else {
      key[out] = skey[a];
      comp[out++] = scomp[a++];
    }
  }
  while (a < m1) {
    key[out] = skey[a];
    comp[out++] = scomp[a++];
  }
  // The rest of run 2 (b..hi) is already where it belongs: out == n1 + b when a == m1.
}

void kgiqsort(int32_t m, int32_t* key, int32_t* comp, int32_t* skey, int32_t* scomp) {
  if (m <= 1) return;
  if (m <= 4) {
    sort_small(m, key, comp);
    return;
  }
  // Groups of four (the last group may be shorter), then runs of width 4, 8, 16, ... merged.
  for (int32_t g = 0; g < m; g += 4) sort_small(std::min<int32_t>(4, m - g), key + g, comp + g);
  for (int64_t width = 4; width < m; width *= 2) {
    for (int64_t lo = 0; lo + width < m; lo += 2 * width) {
      const int32_t n1 = static_cast<int32_t>(width);
      const int32_t n2 = static_cast<int32_t>(std::min<int64_t>(width, m - lo - width));
      kgjmerge(n1, n2, key + lo, comp + lo, skey, scomp);
    }
  }
}

void kgtransp_str_ia(int32_t n, int32_t nnz, const int32_t* ia_p, const int32_t* ja_p, int32_t* comp_p,
                     int32_t* work_p) {
  if (n <= 0) return;
  OneBased<const int32_t> ia(ia_p, n + 1), ja(ja_p, nnz);
  OneBased<int32_t> comp(comp_p, nnz), w(work_p, n);
  for (int32_t j = 1; j <= n; ++j) w(j) = ia(j);
  // Rows in order: w(j) then always points at the entry (j, i) of the mirror, because the
  // entries (j, 1..i-1) of row j were passed by the earlier rows.
  for (int32_t i = 1; i < n; ++i) {
    int32_t k = ia(i);
    while (k < ia(i + 1) && ja(k) <= i) ++k;
    for (; k < ia(i + 1); ++k) {
      const int32_t j = ja(k);
      std::swap(comp(k), comp(w(j)));
      w(j) += 1;
    }
  }
}

}  // namespace varnexo::ordering

using namespace varnexo::ordering;

extern "C" {

VARNEXO_EXPORT void ladj_mod_varnexo_(const int32_t* n, const int32_t* np1, const int32_t* nnz,
                                      const int32_t* nproc, const int32_t* ia, const int32_t* ja,
                                      const int32_t* adjlen, int32_t* xadj, int32_t* adjncy, int32_t* work,
                                      const int32_t* one_triangle) {
  (void)np1;
  ladj_mod(*n, *nnz, *nproc, ia, ja, *adjlen, xadj, adjncy, work, *one_triangle);
}
VARNEXO_UNDERSCORE_ALIAS(ladj_mod_varnexo_);

VARNEXO_EXPORT void ladjun_varnexo_(const int32_t* n, const int32_t* np1, const int32_t* nnz,
                                    const int32_t* nproc, const int32_t* ia, const int32_t* ja,
                                    const int32_t* q, int32_t* adjlen, int32_t* xadj, int32_t* adjncy,
                                    int32_t* work) {
  (void)np1;
  (void)nproc;
  *adjlen = ladjun(*n, *nnz, ia, ja, q, xadj, adjncy, work);
}
VARNEXO_UNDERSCORE_ALIAS(ladjun_varnexo_);

VARNEXO_EXPORT void perm_str_varnexo_(const int32_t* n, const int32_t* ia, const int32_t* ja, int32_t* ib,
                                      int32_t* jb, const int32_t* flag, const int32_t* q) {
  perm_str(*n, ia, ja, ib, jb, *flag, q);
}
VARNEXO_UNDERSCORE_ALIAS(perm_str_varnexo_);

VARNEXO_EXPORT void kg_diafree_adjnodia_varnexo_(const int32_t* n, const int32_t* nnzb, int32_t* adjlen,
                                                 const int32_t* ib, const int32_t* jb, int32_t* xadj,
                                                 int32_t* adjncy) {
  *adjlen = kg_diafree_adjnodia(*n, *nnzb, ib, jb, xadj, adjncy);
}
VARNEXO_UNDERSCORE_ALIAS(kg_diafree_adjnodia_varnexo_);

VARNEXO_EXPORT void kgiqsort_varnexo_(const int32_t* m, int32_t* key, int32_t* comp, int32_t* skey,
                                      int32_t* scomp) {
  kgiqsort(*m, key, comp, skey, scomp);
}
VARNEXO_UNDERSCORE_ALIAS(kgiqsort_varnexo_);

VARNEXO_EXPORT void kgjmerge_(const int32_t* n1, const int32_t* n2, int32_t* key, int32_t* comp,
                              int32_t* skey, int32_t* scomp) {
  kgjmerge(*n1, *n2, key, comp, skey, scomp);
}
VARNEXO_UNDERSCORE_ALIAS(kgjmerge_);

VARNEXO_EXPORT void kgtransp_str_ia_varnexo_(const int32_t* n, const int32_t* nnz, const int32_t* ia,
                                             const int32_t* ja, int32_t* comp, int32_t* work) {
  kgtransp_str_ia(*n, *nnz, ia, ja, comp, work);
}
VARNEXO_UNDERSCORE_ALIAS(kgtransp_str_ia_varnexo_);

}  // extern "C"
