// The assembler shared by the toolkit's restructuring operations (matching stage): a matrix
// built from entries emitted in any order, rows sorted, repeated entries merged on request.
#pragma once
#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "matching/toolkit.h"

namespace varnexo::matching {

struct AssembleItem {
  int32_t col;
  double value;
  int32_t source;  // position of the entry in the source matrix, or -1
};

// Assembles a matrix from the entries that visit(emit) produces, emit(i, j, v, source) once per
// entry, in any order; visit runs twice (count, fill). Rows come out sorted; with `merge`,
// repeated (i, j) are kept once. map (when given) receives the final position of every emitted
// source. Returns nullptr when memory runs out or the count passes 2^31-1.
template <class Visit>
Smat* assemble(int32_t m, int32_t n, int32_t sym, bool values, bool merge, int32_t* map, Visit visit) {
  std::vector<int64_t> count(static_cast<size_t>(m) + 1, 0);
  visit([&](int32_t i, int32_t, double, int32_t) { ++count[static_cast<size_t>(i) + 1]; });
  for (int32_t i = 0; i < m; ++i) count[i + 1] += count[i];
  if (count[m] > std::numeric_limits<int32_t>::max()) return nullptr;
  std::vector<AssembleItem> items(static_cast<size_t>(count[m]));
  std::vector<int64_t> next(count.begin(), count.end() - 1);
  visit([&](int32_t i, int32_t j, double v, int32_t src) { items[next[i]++] = AssembleItem{j, v, src}; });
  // Sort each row; merge repeated columns.
  int64_t kept = 0;
  std::vector<int32_t> start(static_cast<size_t>(m) + 1, 0);
  for (int32_t i = 0; i < m; ++i) {
    auto first = items.begin() + count[i], last = items.begin() + count[i + 1];
    std::stable_sort(first, last, [](const AssembleItem& x, const AssembleItem& y) { return x.col < y.col; });
    start[i] = static_cast<int32_t>(kept);
    for (auto it = first; it != last; ++it) {
      if (merge && kept > start[i] && items[kept - 1].col == it->col) {
        items[kept - 1].value += it->value;
        if (map && it->source >= 0) map[it->source] = static_cast<int32_t>(kept - 1);
        continue;
      }
      items[kept] = *it;
      if (map && it->source >= 0) map[it->source] = static_cast<int32_t>(kept);
      ++kept;
    }
  }
  start[m] = static_cast<int32_t>(kept);
  Smat* B = values ? smat_new_nnz(m, n, static_cast<int32_t>(kept), sym)
                   : smat_new_nnz_struct(m, n, static_cast<int32_t>(kept), sym);
  if (!B) return nullptr;
  std::copy(start.begin(), start.end(), B->ia);
  for (int64_t k = 0; k < kept; ++k) {
    B->ja[k] = items[k].col;
    if (values) B->a[k] = items[k].value;
  }
  return B;
}

// Calls f(i, j, k) for every stored entry of A.
template <class F>
void for_entries(const Smat* A, F f) {
  for (int32_t i = 0; i < A->m; ++i)
    for (int32_t k = A->ia[i]; k < A->ia[i + 1]; ++k) f(i, A->ja[k], k);
}

inline double value_at(const Smat* A, int32_t k) { return A->a ? A->a[k] : 0.0; }

}  // namespace varnexo::matching
