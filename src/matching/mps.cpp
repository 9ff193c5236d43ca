// The unsymmetric maximum-product matching and its log scalings (matching stage of the
// analysis): the cost graph of log-magnitudes, the greedy passes and shortest augmenting paths
// of kuhn_munkres, and the completion of a partial matching to a permutation.
#include "matching/mps.h"

#include <cfloat>
#include <cmath>
#include <cstddef>
#include <limits>

#include "common/export.h"
#include "common/memory.h"
#include "matching/matching_entries.h"

namespace varnexo::matching {
namespace {

// Work array obtained through the library's allocation function, released on scope exit.
template <class T>
class Scratch {
 public:
  Scratch() = default;
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  ~Scratch() { memory::release(p_); }
  bool obtain(int64_t count) {
    if (count < 0 || static_cast<uint64_t>(count) > std::numeric_limits<std::size_t>::max() / sizeof(T))
      return false;
    p_ = static_cast<T*>(memory::obtain(static_cast<std::size_t>(count) * sizeof(T)));
    return p_ != nullptr;
  }
  T* get() const { return p_; }
  T& operator[](int64_t i) const { return p_[i]; }

 private:
  T* p_ = nullptr;
};

constexpr int32_t kUntouched = -1;  // column state: not reached by the current search
constexpr int32_t kFinal = -2;      // column state: distance final; >= 0 is a heap slot
constexpr int32_t kRemoved = -3;    // column state: taken out of the heap, about to be final

// Binary min-heap of columns keyed by key[j]; slot[j] holds the heap position of j.
struct ColumnHeap {
  int32_t* heap;
  int32_t* slot;
  double* key;
  int32_t size = 0;

  void place(int32_t pos, int32_t j) {
    heap[pos] = j;
    slot[j] = pos;
  }
  void sift_up(int32_t pos) {
    int32_t j = heap[pos];
    while (pos > 0) {
      int32_t parent = (pos - 1) / 2;
      if (!(key[j] < key[heap[parent]])) break;
      place(pos, heap[parent]);
      pos = parent;
    }
    place(pos, j);
  }
  void sift_down(int32_t pos) {
    int32_t j = heap[pos];
    for (;;) {
      int32_t child = 2 * pos + 1;
      if (child >= size) break;
      if (child + 1 < size && key[heap[child + 1]] < key[heap[child]]) ++child;
      if (!(key[heap[child]] < key[j])) break;
      place(pos, heap[child]);
      pos = child;
    }
    place(pos, j);
  }
  void push(int32_t j) {
    place(size++, j);
    sift_up(size - 1);
  }
  // Removes j (which must be in the heap); its state becomes kRemoved.
  void remove(int32_t j) {
    int32_t pos = slot[j];
    int32_t last = heap[--size];
    slot[j] = kRemoved;
    if (pos == size) return;
    place(pos, last);
    sift_up(pos);
    sift_down(slot[last]);
  }
};

// State of the shortest-path searches, reused from one free row to the next.
struct Search {
  const CostGraph& g;
  double bound;
  int32_t* match;
  int32_t* rowmatch;
  double* u;
  double* v;
  ColumnHeap heap;
  int32_t* pred;     // row through which a column was reached
  int32_t* queue;    // rows waiting to be scanned, then the tree of scanned rows
  int32_t* touched;  // columns whose state changed in this search
  int32_t ntouched = 0;
  double dist = 0.0;  // D: distance of the last finalised column
  double lsap = 0.0;  // shortest distance (relative to D) at which a free column was seen
  int32_t qtail = 0;

  void touch(int32_t j) {
    if (heap.slot[j] == kUntouched) touched[ntouched++] = j;
  }
  // Finalises the matched column j at distance D and queues its row. Returns j when j is free.
  int32_t finalise(int32_t j) {
    v[j] -= dist;
    heap.slot[j] = kFinal;
    if (match[j] < 0) return j;
    queue[qtail++] = match[j];
    return -1;
  }
  int32_t scan_row(int32_t r);
  int32_t run(int32_t root);
  void augment(int32_t root, int32_t j);
};

// Relaxes the entries of row r; returns a free column reached at distance D, else -1.
int32_t Search::scan_row(int32_t r) {
  for (int32_t k = g.ptr[r]; k < g.ptr[r + 1]; ++k) {
    const int32_t j = g.col[k];
    const int32_t state = heap.slot[j];
    if (state == kFinal) continue;
    const double t = u[r] + v[j] - g.cost[k];
    if (t > lsap) continue;
    if (match[j] < 0) lsap = t;
    if (state != kUntouched && !(t + dist < heap.key[j])) continue;
    pred[j] = r;
    if (t > dist * DBL_EPSILON) {
      heap.key[j] = t + dist;
      if (state == kUntouched) {
        touch(j);
        heap.push(j);
      } else {
        heap.sift_up(state);
      }
      continue;
    }
    // Reached at distance D: a free column ends the path, a matched one is final at once.
    if (state == kUntouched)
      touch(j);
    else
      heap.remove(j);
    if (match[j] < 0) return j;
    finalise(j);
  }
  return -1;
}

// One search from the free row `root`; returns the free column that ends the path, or -1.
int32_t Search::run(int32_t root) {
  dist = 0.0;
  lsap = DBL_MAX;
  double lowest_u = DBL_MAX;  // L: smallest current dual among the scanned rows
  int32_t qhead = 0, end = -1;
  qtail = 0;
  ntouched = 0;
  queue[qtail++] = root;
  for (;;) {
    while (qhead < qtail && end < 0) {
      const int32_t r = queue[qhead++];
      if (u[r] < lowest_u) lowest_u = u[r];
      end = scan_row(r);
      u[r] += dist;  // also when the path ended inside the row: keeps its edges feasible
    }
    if (end >= 0 || heap.size == 0) break;
    const int32_t j = heap.heap[0];
    const double step = heap.key[j] - dist;
    if (bound + lowest_u < step) {
      // Going on would push a dual below -bound: no augmenting path worth following.
      if (bound + lowest_u > 0.0) dist += bound + lowest_u;
      break;
    }
    dist += step;
    lsap -= step;
    lowest_u -= step;
    heap.remove(j);
    end = finalise(j);
    while (end < 0 && heap.size > 0 && heap.key[heap.heap[0]] == dist) {
      const int32_t j2 = heap.heap[0];
      heap.remove(j2);
      end = finalise(j2);
    }
  }
  // Rows queued but not scanned sit at distance D: their dual does not change.
  if (dist > 0.0) {
    for (int32_t q = 0; q < qhead; ++q) u[queue[q]] -= dist;
    for (int32_t t = 0; t < ntouched; ++t)
      if (heap.slot[touched[t]] == kFinal) v[touched[t]] += dist;
  }
  for (int32_t t = 0; t < ntouched; ++t) heap.slot[touched[t]] = kUntouched;
  heap.size = 0;
  return end;
}

// Re-matches each column on the path to its predecessor row, back to the root.
void Search::augment(int32_t root, int32_t j) {
  for (;;) {
    const int32_t r = pred[j];
    const int32_t previous = rowmatch[r];
    match[j] = r;
    rowmatch[r] = j;
    if (r == root) break;
    j = previous;
  }
}

// The two greedy passes; returns the number of rows matched.
int32_t greedy_passes(const CostGraph& g, int32_t* match, int32_t* rowmatch, double* u) {
  int32_t count = 0;
  for (int32_t r = 0; r < g.n; ++r) {
    double best = -DBL_MAX;
    int32_t pos = -1;
    for (int32_t k = g.ptr[r]; k < g.ptr[r + 1]; ++k)
      if (g.cost[k] >= best) best = g.cost[k], pos = k;  // ties: the last position
    u[r] = best;
    if (pos < 0) continue;
    for (int32_t k = pos; k < g.ptr[r + 1]; ++k) {
      const int32_t j = g.col[k];
      if (match[j] < 0 && u[r] - g.cost[k] == 0.0) {
        match[j] = r, rowmatch[r] = j, ++count;
        break;
      }
    }
  }
  for (int32_t r = 0; r < g.n; ++r) {
    if (rowmatch[r] >= 0) continue;
    for (int32_t k = g.ptr[r]; k < g.ptr[r + 1] && rowmatch[r] < 0; ++k) {
      if (u[r] - g.cost[k] != 0.0) continue;
      const int32_t j = g.col[k];
      if (match[j] < 0) {
        match[j] = r, rowmatch[r] = j, ++count;
        break;
      }
      const int32_t r2 = match[j];  // try to move r2 to another tight free column
      for (int32_t k2 = g.ptr[r2]; k2 < g.ptr[r2 + 1]; ++k2) {
        const int32_t j2 = g.col[k2];
        if (match[j2] < 0 && u[r2] - g.cost[k2] == 0.0) {
          match[j2] = r2, rowmatch[r2] = j2;
          match[j] = r, rowmatch[r] = j, ++count;
          break;
        }
      }
    }
  }
  return count;
}

// Checks the compressed rows (base 0 or 1) and counts the entries that take part.
int check_structure(int32_t n, const int32_t* ia, const int32_t* ja, const double* a, int32_t* base,
                    int32_t* entries) {
  if (ia[0] != 0 && ia[0] != 1) return kInvalidInput;
  *base = ia[0];
  *entries = 0;
  for (int32_t i = 0; i < n; ++i) {
    if (ia[i + 1] < ia[i]) return kInvalidInput;
    for (int32_t k = ia[i] - *base; k < ia[i + 1] - *base; ++k) {
      const int32_t j = ja[k] - *base;
      if (j < 0 || j >= n || !std::isfinite(a[k])) return kInvalidInput;
      if (a[k] != 0.0) ++*entries;
    }
  }
  return kMatchingComplete;
}

// The cost graph and its storage: scanned side = rows of A (mode 0) or columns of A (mode 1).
struct OwnedGraph {
  Scratch<int32_t> ptr, col;
  Scratch<double> cost, shift;  // shift[j]: log of the largest magnitude in matched column j
  CostGraph view;
};

int build_cost_graph(int32_t n, const int32_t* ia, const int32_t* ja, const double* a, int32_t base,
                     int32_t entries, bool transposed, OwnedGraph& og) {
  if (!og.ptr.obtain(int64_t{n} + 1) || !og.col.obtain(entries) || !og.cost.obtain(entries) ||
      !og.shift.obtain(n))
    return kOutOfMemory;
  int32_t* ptr = og.ptr.get();
  double* shift = og.shift.get();
  for (int32_t i = 0; i <= n; ++i) ptr[i] = 0;
  for (int32_t j = 0; j < n; ++j) shift[j] = 0.0;
  // Count the entries of each scanned line and find the largest magnitude per matched line.
  for (int32_t i = 0; i < n; ++i)
    for (int32_t k = ia[i] - base; k < ia[i + 1] - base; ++k) {
      if (a[k] == 0.0) continue;
      const int32_t j = ja[k] - base;
      const int32_t line = transposed ? j : i, other = transposed ? i : j;
      ++ptr[line + 1];
      shift[other] = std::fmax(shift[other], std::fabs(a[k]));
    }
  for (int32_t i = 0; i < n; ++i) {
    ptr[i + 1] += ptr[i];
    shift[i] = shift[i] > 0.0 ? std::log(shift[i]) : 0.0;
  }
  // Fill in row order, so that each scanned line keeps the order of the input.
  for (int32_t i = 0; i < n; ++i)
    for (int32_t k = ia[i] - base; k < ia[i + 1] - base; ++k) {
      if (a[k] == 0.0) continue;
      const int32_t j = ja[k] - base;
      const int32_t line = transposed ? j : i, other = transposed ? i : j;
      const int32_t pos = ptr[line]++;
      og.col[pos] = other;
      og.cost[pos] = std::log(std::fabs(a[k])) - shift[other];
    }
  for (int32_t i = n; i > 0; --i) ptr[i] = ptr[i - 1];
  ptr[0] = 0;
  og.view = CostGraph{n, ptr, og.col.get(), og.cost.get()};
  return kMatchingComplete;
}

}  // namespace

int mps(int32_t n, const int32_t* ia, const int32_t* ja, const double* a, int32_t* perm, double* row_scaling,
        double* col_scaling, int mode, int32_t* matched) {
  if (matched) *matched = 0;
  if (n < 0 || (mode != 0 && mode != 1) || !ia || !perm || !row_scaling || !col_scaling) return kInvalidInput;
  if (n == 0) return kMatchingComplete;
  int32_t base = 0, entries = 0;
  if ((!ja || !a) && ia[n] != ia[0]) return kInvalidInput;
  if (int st = check_structure(n, ia, ja, a, &base, &entries); st != 0) return st;
  OwnedGraph og;
  Scratch<int32_t> match;
  Scratch<double> duals;
  if (build_cost_graph(n, ia, ja, a, base, entries, mode == 1, og) != 0 || !match.obtain(n) ||
      !duals.obtain(2 * int64_t{n}))
    return kOutOfMemory;
  // Costs lie in [cmin, 0]; a dual below -(n+1)·cmin cannot occur while a perfect matching exists.
  double cmin = 0.0;
  for (int32_t k = 0; k < entries; ++k) cmin = std::fmin(cmin, og.cost[k]);
  double* u = duals.get();
  double* v = duals.get() + n;
  const int32_t count = kuhn_munkres(og.view, -(n + 1.0) * cmin, match.get(), u, v);
  if (count < 0) return count;
  if (matched) *matched = count;
  if (count < n) {
    if (int32_t added = expand_matching(n, match.get(), u, v); added < 0) return added;
    for (int32_t j = 0; j < n; ++j) perm[j] = match[j];
    return kStructurallySingular;
  }
  double* scanned_out = mode == 0 ? row_scaling : col_scaling;
  double* matched_out = mode == 0 ? col_scaling : row_scaling;
  for (int32_t j = 0; j < n; ++j) {
    perm[j] = match[j];
    scanned_out[j] = -u[j];
    matched_out[j] = -v[j] - og.shift[j];
  }
  return kMatchingComplete;
}

int32_t kuhn_munkres(const CostGraph& g, double bound, int32_t* match, double* u, double* v) {
  const int32_t n = g.n;
  Scratch<int32_t> ints;
  Scratch<double> keys;
  if (!ints.obtain(6 * static_cast<int64_t>(n)) || !keys.obtain(n)) return kOutOfMemory;
  int32_t* rowmatch = ints.get();
  Search s{g,
           bound,
           match,
           rowmatch,
           u,
           v,
           ColumnHeap{ints.get() + n, ints.get() + 2 * n, keys.get()},
           ints.get() + 3 * n,
           ints.get() + 4 * n,
           ints.get() + 5 * n};
  for (int32_t j = 0; j < n; ++j) {
    match[j] = -1, v[j] = 0.0;
    rowmatch[j] = -1, s.heap.slot[j] = kUntouched;
  }
  int32_t count = greedy_passes(g, match, rowmatch, u);
  for (int32_t r = 0; r < n && count < n; ++r) {
    if (rowmatch[r] >= 0) continue;
    const int32_t end = s.run(r);
    if (end >= 0) {
      s.augment(r, end);
      ++count;
    }
  }
  return count;
}

int32_t expand_matching(int32_t n, int32_t* match, double* u, double* v) {
  Scratch<unsigned char> is_matched_row;
  if (!is_matched_row.obtain(n)) return kOutOfMemory;
  for (int32_t i = 0; i < n; ++i) is_matched_row[i] = 0;
  for (int32_t j = 0; j < n; ++j) {
    if (match[j] < -1 || match[j] >= n) return kInvalidInput;
    if (match[j] >= 0 && is_matched_row[match[j]]++) return kInvalidInput;
  }
  int32_t added = 0;
  // A chain from an unmatched row cannot meet a cycle or another chain (match is injective),
  // so it ends at a free column after at most n steps.
  for (int32_t i = 0; i < n; ++i) {
    if (is_matched_row[i]) continue;
    int32_t e = i;
    while (match[e] >= 0) e = match[e];
    if (e != i) match[e] = i, ++added;
  }
  for (int32_t j = 0; j < n; ++j)
    if (match[j] < 0) match[j] = j, u[j] = 0.0, v[j] = 0.0, ++added;
  return added;
}

}  // namespace varnexo::matching

extern "C" VARNEXO_EXPORT int mps_varnexo(const int32_t* n, const int32_t* ia, const int32_t* ja,
                                          const double* a, int32_t* perm, double* row_scaling,
                                          double* col_scaling, const int32_t* mode) {
  if (!n || !mode) return varnexo::matching::kInvalidInput;
  return varnexo::matching::mps(*n, ia, ja, a, perm, row_scaling, col_scaling, *mode);
}
VARNEXO_UNDERSCORE_ALIAS(mps_varnexo);

extern "C" VARNEXO_EXPORT int32_t kuhn_munkres(const varnexo::matching::CostGraph* graph, const double* bound,
                                               int32_t* match, double* u, double* v) {
  using namespace varnexo::matching;
  if (!graph || !bound || !match || !u || !v || graph->n < 0 || !graph->ptr) return kInvalidInput;
  const CostGraph& g = *graph;
  if (g.ptr[0] != 0) return kInvalidInput;
  for (int32_t r = 0; r < g.n; ++r)
    if (g.ptr[r + 1] < g.ptr[r]) return kInvalidInput;
  for (int32_t k = 0; k < g.ptr[g.n]; ++k)
    if (g.col[k] < 0 || g.col[k] >= g.n) return kInvalidInput;
  return varnexo::matching::kuhn_munkres(g, *bound, match, u, v);
}
VARNEXO_UNDERSCORE_ALIAS(kuhn_munkres);

extern "C" VARNEXO_EXPORT int32_t _expand_matching(const int32_t* n, int32_t* match, double* u, double* v) {
  if (!n || *n < 0 || (*n > 0 && (!match || !u || !v))) return varnexo::matching::kInvalidInput;
  return varnexo::matching::expand_matching(*n, match, u, v);
}
