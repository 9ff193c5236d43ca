// Builders of the value maps (symbolic -> load): for every factor column, the sorted list of the
// caller's stored entries that fall in it and their target positions in lnz (and unz).
// Built once per structure; every factorisation loads through the map.
#include "factor/value_map.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "common/export.h"
#include "factor/factor_entries.h"

namespace varnexo::factor {

int32_t sort_threshold(int32_t n, int32_t* clear_bound) {
  if (clear_bound) *clear_bound = static_cast<int32_t>(std::lround(n / 4.0));
  if (n <= 1) return n;
  // Shrink m by 0.8 until a comparison sort of m keys (about 3·m·ln m) costs no more than a
  // marker scan of the n positions (about 5n); the threshold is the last m that failed.
  double m = n, next = n;
  for (;;) {
    const bool cheap = 3.0 * m * std::log(m) + 1.0 <= 5.0 * n;
    next = std::round(0.8 * m);
    if (cheap || m <= 1.0) break;
    m = next;
  }
  return std::min<int32_t>(n, static_cast<int32_t>(std::lround(next / 0.8)));
}

namespace {

// Sorts the parallel arrays (keys, vals) ascending by key: insertion sort for short runs,
// quicksort with a median-of-three pivot otherwise.
void sort_pairs(int32_t* keys, int32_t* vals, int32_t len) {
  while (len > 16) {
    const int32_t mid = len / 2, last = len - 1;
    auto swap_at = [&](int32_t i, int32_t j) {
      std::swap(keys[i], keys[j]);
      std::swap(vals[i], vals[j]);
    };
    if (keys[mid] < keys[0]) swap_at(mid, 0);
    if (keys[last] < keys[0]) swap_at(last, 0);
    if (keys[last] < keys[mid]) swap_at(last, mid);
    const int32_t pivot = keys[mid];
    int32_t i = 0, j = last;
    while (i <= j) {
      while (keys[i] < pivot) ++i;
      while (keys[j] > pivot) --j;
      if (i <= j) swap_at(i++, j--);
    }
    // Recurse into the shorter part, loop on the longer one.
    if (j + 1 < len - i) {
      sort_pairs(keys, vals, j + 1);
      keys += i;
      vals += i;
      len -= i;
    } else {
      sort_pairs(keys + i, vals + i, len - i);
      len = j + 1;
    }
  }
  for (int32_t i = 1; i < len; ++i) {
    const int32_t k = keys[i], v = vals[i];
    int32_t j = i - 1;
    for (; j >= 0 && keys[j] > k; --j) {
      keys[j + 1] = keys[j];
      vals[j + 1] = vals[j];
    }
    keys[j + 1] = k;
    vals[j + 1] = v;
  }
}

// Sorts the row lists of the columns with the method that suits each length. The marker
// vector (n words, zero on entry) holds the signed sources of the column being placed.
class ColumnSorter {
 public:
  ColumnSorter(int32_t n, int32_t* marker) : n_(n), marker_(marker) {
    threshold_ = sort_threshold(n, &clear_bound_);
  }

  void sort(int32_t* rows, int32_t* src, int32_t len) {
    if (len < 2) return;
    if (len < threshold_) {
      sort_pairs(rows, src, len);
      return;
    }
    if (dirty_) std::fill(marker_, marker_ + n_, 0);
    for (int32_t i = 0; i < len; ++i) marker_[rows[i] - 1] = src[i];
    if (len == n_) {  // full column: every position is occupied, place directly
      for (int32_t i = 0; i < n_; ++i) {
        rows[i] = i + 1;
        src[i] = marker_[i];
      }
    } else {
      int32_t out = 0;
      for (int32_t r = 1; r <= n_ && out < len; ++r)
        if (marker_[r - 1] != 0) {
          rows[out] = r;
          src[out++] = marker_[r - 1];
        }
    }
    // A long column leaves the marker to be cleared whole next time; a short one clears its marks.
    dirty_ = len >= clear_bound_;
    if (!dirty_)
      for (int32_t i = 0; i < len; ++i) marker_[rows[i] - 1] = 0;
  }

 private:
  int32_t n_, threshold_ = 0, clear_bound_ = 0;
  int32_t* marker_;
  bool dirty_ = false;
};

// Turns counts in ptr(2..n+1) into 1-based column pointers.
void counts_to_pointers(int32_t* ptr, int32_t n) {
  ptr[0] = 1;
  for (int32_t j = 1; j <= n; ++j) ptr[j] += ptr[j - 1];
}

// Replaces the sorted rows of column j by target positions: row r at 0-based position p of
// j's supernode row list goes to base(j) + p - skip. Positions are searched from `from` on.
// Returns false when a row is not in the structure.
bool rows_to_targets(const SymbolicFactor& sf, int32_t j, int32_t* rows, int32_t len, int32_t from,
                     int32_t base, int32_t skip) {
  const int32_t s = sf.snode[j - 1];
  const int32_t first = sf.xlindx[s - 1], jlen = sf.xlindx[s] - first;
  const int32_t* idx = sf.lindx + (first - 1);
  int32_t p = from;
  for (int32_t e = 0; e < len; ++e) {
    while (p < jlen && idx[p] < rows[e]) ++p;
    if (p >= jlen || idx[p] != rows[e]) return false;
    rows[e] = base + p - skip;
  }
  return true;
}

}  // namespace

int32_t invs_perm_mod(const SymbolicFactor& sf, const int32_t* ia, const int32_t* ja, bool scaled,
                      ValueMap& map, int32_t* work) {
  const int32_t n = sf.n;
  int32_t* cursor = work;          // n+1
  int32_t* marker = work + n + 1;  // n
  std::fill(map.xlmap, map.xlmap + n + 1, 0);
  for (int32_t i = 1; i <= n; ++i)
    for (int32_t k = ia[i - 1]; k < ia[i]; ++k) {
      const int32_t c = ja[k - 1];
      if (c < 1 || c > n) return kMapBadIndex;
      ++map.xlmap[std::min(sf.invp[i - 1], sf.invp[c - 1])];
    }
  counts_to_pointers(map.xlmap, n);
  std::copy(map.xlmap, map.xlmap + n + 1, cursor);
  // Each entry is listed once, at its place on or below the diagonal; the sign of the source
  // says whether that place is the entry's own column (+) or its mirror (-).
  for (int32_t i = 1; i <= n; ++i)
    for (int32_t k = ia[i - 1]; k < ia[i]; ++k) {
      const int32_t pi = sf.invp[i - 1], pc = sf.invp[ja[k - 1] - 1];
      const int32_t pos = cursor[std::min(pi, pc) - 1]++;
      map.lmap[pos - 1] = std::max(pi, pc);
      map.asrc[pos - 1] = pc <= pi ? k : -k;
    }
  std::fill(marker, marker + n, 0);
  ColumnSorter sorter(n, marker);
  for (int32_t j = 1; j <= n; ++j) {
    const int32_t b = map.xlmap[j - 1], len = map.xlmap[j] - b;
    int32_t* rows = map.lmap + (b - 1);
    int32_t* src = map.asrc + (b - 1);
    sorter.sort(rows, src, len);
    if (scaled)
      for (int32_t e = 0; e < len; ++e) map.aorig[b - 1 + e] = sf.perm[rows[e] - 1];
    const int32_t fj = sf.xsuper[sf.snode[j - 1] - 1];
    if (!rows_to_targets(sf, j, rows, len, j - fj, sf.xlnz[j - 1], 0)) return kMapStructureMismatch;
    for (int32_t e = 0; e < len; ++e)
      if (src[e] < 0) {
        rows[e] = -rows[e];
        src[e] = -src[e];
      }
    if (scaled) map.colorig[j - 1] = sf.perm[j - 1];
  }
  map.lcount = map.xlmap[n] - 1;
  map.ucount = 0;
  return kMapOk;
}

int32_t inv_perm_mod_mod(const SymbolicFactor& sf, const int32_t* ia, const int32_t* ja,
                         const int32_t* row_map, bool scaled, ValueMap& map, int32_t* work) {
  const int32_t n = sf.n;
  int32_t* cursor = work;               // n+1, reused for L then U
  int32_t* marker = work + n + 1;       // n
  int32_t* matched = work + 2 * n + 1;  // n: matched row of each caller's row
  for (int32_t i = 1; i <= n; ++i) matched[i - 1] = i;
  if (row_map)
    for (int32_t i = 1; i <= n; ++i) matched[row_map[i - 1] - 1] = i;
  auto first_col = [&](int32_t j) { return sf.xsuper[sf.snode[j - 1] - 1]; };
  std::fill(map.xlmap, map.xlmap + n + 1, 0);
  std::fill(map.xumap, map.xumap + n + 1, 0);
  for (int32_t r = 1; r <= n; ++r)
    for (int32_t k = ia[r - 1]; k < ia[r]; ++k) {
      const int32_t c = ja[k - 1];
      if (c < 1 || c > n) return kMapBadIndex;
      const int32_t pr = sf.invp[matched[r - 1] - 1], pc = sf.invp[c - 1];
      if (pr >= first_col(pc))
        ++map.xlmap[pc];
      else
        ++map.xumap[pr];
    }
  counts_to_pointers(map.xlmap, n);
  counts_to_pointers(map.xumap, n);
  const int32_t lcount = map.xlmap[n] - 1;
  // L entries: rows in lmap, sources in asrc(1..lcount); U entries: columns in umap, sources
  // behind the L sources.
  std::copy(map.xlmap, map.xlmap + n + 1, cursor);
  for (int32_t r = 1; r <= n; ++r)
    for (int32_t k = ia[r - 1]; k < ia[r]; ++k) {
      const int32_t pr = sf.invp[matched[r - 1] - 1], pc = sf.invp[ja[k - 1] - 1];
      if (pr < first_col(pc)) continue;
      const int32_t pos = cursor[pc - 1]++;
      map.lmap[pos - 1] = pr;
      map.asrc[pos - 1] = k;
    }
  std::copy(map.xumap, map.xumap + n + 1, cursor);
  for (int32_t r = 1; r <= n; ++r)
    for (int32_t k = ia[r - 1]; k < ia[r]; ++k) {
      const int32_t pr = sf.invp[matched[r - 1] - 1], pc = sf.invp[ja[k - 1] - 1];
      if (pr >= first_col(pc)) continue;
      const int32_t pos = cursor[pr - 1]++;
      map.umap[pos - 1] = pc;
      map.asrc[lcount + pos - 1] = k;
    }
  std::fill(marker, marker + n, 0);
  ColumnSorter sorter(n, marker);
  auto caller_row = [&](int32_t p) { return row_map ? row_map[sf.perm[p - 1] - 1] : sf.perm[p - 1]; };
  for (int32_t j = 1; j <= n; ++j) {
    const int32_t fj = first_col(j);
    const int32_t ncol = sf.xsuper[sf.snode[j - 1]] - fj;
    const int32_t lb = map.xlmap[j - 1], llen = map.xlmap[j] - lb;
    sorter.sort(map.lmap + (lb - 1), map.asrc + (lb - 1), llen);
    if (scaled)
      for (int32_t e = 0; e < llen; ++e) map.aorig[lb - 1 + e] = caller_row(map.lmap[lb - 1 + e]);
    if (!rows_to_targets(sf, j, map.lmap + (lb - 1), llen, 0, sf.xlnz[j - 1], 0))
      return kMapStructureMismatch;
    const int32_t ub = map.xumap[j - 1], ulen = map.xumap[j] - ub;
    sorter.sort(map.umap + (ub - 1), map.asrc + (lcount + ub - 1), ulen);
    if (scaled)
      for (int32_t e = 0; e < ulen; ++e) map.aorig[lcount + ub - 1 + e] = caller_row(j);
    if (!rows_to_targets(sf, j, map.umap + (ub - 1), ulen, ncol, sf.xunz[j - 1], ncol))
      return kMapStructureMismatch;
    if (scaled) map.colorig[j - 1] = sf.perm[j - 1];
  }
  map.lcount = lcount;
  map.ucount = map.xumap[n] - 1;
  return kMapOk;
}

}  // namespace varnexo::factor

namespace {
varnexo::factor::SymbolicFactor structure_view(const int32_t* n, const int32_t* perm, const int32_t* invp,
                                               const int32_t* nsuper, const int32_t* xsuper,
                                               const int32_t* snode, const int32_t* xlindx,
                                               const int32_t* lindx, const int32_t* xlnz,
                                               const int32_t* xunz) {
  varnexo::factor::SymbolicFactor sf =
      varnexo::factor::symbolic_of(*n, *nsuper, perm, xsuper, snode, xlindx, lindx, xlnz, xunz, nullptr);
  sf.invp = const_cast<int32_t*>(invp);
  return sf;
}
}  // namespace

extern "C" VARNEXO_EXPORT void invs_perm_mod_varnexo_(
    const int32_t* n, const int32_t* ia, const int32_t* ja, const int32_t* perm, const int32_t* invp,
    const int32_t* nsuper, const int32_t* xsuper, const int32_t* snode, const int32_t* xlindx,
    const int32_t* lindx, const int32_t* xlnz, const int32_t* scaled, int32_t* xlmap, int32_t* lmap,
    int32_t* asrc, int32_t* aorig, int32_t* colorig, int32_t* lcount, int32_t* work, int32_t* status) {
  auto sf = structure_view(n, perm, invp, nsuper, xsuper, snode, xlindx, lindx, xlnz, nullptr);
  varnexo::factor::ValueMap map;
  map.xlmap = xlmap;
  map.lmap = lmap;
  map.asrc = asrc;
  map.aorig = aorig;
  map.colorig = colorig;
  *status = varnexo::factor::invs_perm_mod(sf, ia, ja, *scaled >= 1, map, work);
  *lcount = map.lcount;
}
VARNEXO_UNDERSCORE_ALIAS(invs_perm_mod_varnexo_);

extern "C" VARNEXO_EXPORT void inv_perm_mod_mod_varnexo_(
    const int32_t* n, const int32_t* ia, const int32_t* ja, const int32_t* perm, const int32_t* invp,
    const int32_t* row_map, const int32_t* nsuper, const int32_t* xsuper, const int32_t* snode,
    const int32_t* xlindx, const int32_t* lindx, const int32_t* xlnz, const int32_t* xunz,
    const int32_t* scaled, int32_t* xlmap, int32_t* lmap, int32_t* xumap, int32_t* umap, int32_t* asrc,
    int32_t* aorig, int32_t* colorig, int32_t* lcount, int32_t* ucount, int32_t* work, int32_t* status) {
  auto sf = structure_view(n, perm, invp, nsuper, xsuper, snode, xlindx, lindx, xlnz, xunz);
  varnexo::factor::ValueMap map;
  map.xlmap = xlmap;
  map.lmap = lmap;
  map.xumap = xumap;
  map.umap = umap;
  map.asrc = asrc;
  map.aorig = aorig;
  map.colorig = colorig;
  *status = varnexo::factor::inv_perm_mod_mod(sf, ia, ja, row_map, *scaled >= 1, map, work);
  *lcount = map.lcount;
  *ucount = map.ucount;
}
VARNEXO_UNDERSCORE_ALIAS(inv_perm_mod_mod_varnexo_);
