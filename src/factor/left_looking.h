// The left-looking supernodal loop of the numerical factorisation (load -> factor), written once
// for every scalar type and every kernel. A kernel policy supplies the block operations that
// differ (diagonal-block factorisation, off-diagonal solve, the right factor of an update); the
// loop owns the lists of updating supernodes, the four update cases and the scatter through temp.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <vector>

#include "common/blas.h"
#include "common/onebased.h"
#include "common/scalar.h"
#include "factor/storage.h"
#include "factor/value_map.h"

namespace varnexo::factor {

// Error flags of the loop (copied to the factorisation status).
inline constexpr int32_t kFactorOk = 0;
inline constexpr int32_t kPivotFailure = -1;  // a diagonal block could not be factorised
inline constexpr int32_t kTempTooSmall = -2;  // an update block does not fit in temp
inline constexpr int32_t kListBroken = -3;    // an update list ran empty before nmod(J) updates

// target(k) = source(indices(k)), k = 1..m (all arrays 0-based storage of 1-based indices).
inline void gather(int32_t m, const int32_t* indices, const int32_t* source, int32_t* target) {
  for (int32_t k = 0; k < m; ++k) target[k] = source[indices[k] - 1];
}

// indmap(indices(k)) = m - k, k = 1..m: the distance of each row from the end of its column.
inline void load_index_map(int32_t m, const int32_t* indices, int32_t* indmap) {
  for (int32_t k = 0; k < m; ++k) indmap[indices[k] - 1] = m - 1 - k;
}

// One column's element-wise update: for the q target columns c = rows(1..q) and the m rows,
// value(|xptr(c+1)| - 1 - indmap(rows(i))) -= x(i)·y(k). `values` and `xptr` are 1-based views.
template <class T>
void mmpyi(int32_t m, int32_t q, const int32_t* rows, const T* x, const T* y, OneBased<const int32_t> xptr,
           OneBased<T> values, OneBased<const int32_t> indmap) {
  for (int32_t k = 0; k < q; ++k) {
    const int32_t end = std::abs(xptr(rows[k] + 1)) - 1;
    const T yk = y[k];
    for (int32_t i = 0; i < m; ++i) values(end - indmap(rows[i])) -= x[i] * yk;
  }
}

// Scatter-add of an m × q block of temp (leading dimension m): column k goes to the column
// `col(k)` of the target, element i to value(|xptr(col(k)+1)| - 1 - relrow(i)). temp is left zero.
template <class T>
void scatt(int32_t m, int32_t q, T* temp, const int32_t* cols, const int32_t* relrow,
           OneBased<const int32_t> xptr, OneBased<T> values) {
  for (int32_t k = 0; k < q; ++k) {
    const int32_t end = std::abs(xptr(cols[k] + 1)) - 1;
    T* t = temp + static_cast<int64_t>(k) * m;
    for (int32_t i = 0; i < m; ++i) {
      values(end - relrow[i]) += t[i];
      t[i] = T(0);
    }
  }
}

// Rows first..first+length-1 of an update block whose relative indices fall by one from row to
// row: they land on consecutive entries of every target column.
struct RowRun {
  int32_t first = 0, length = 0;
};

// The runs of the m relative indices relrow(1..m) (0-based storage), in order.
inline void row_runs(int32_t m, const int32_t* relrow, std::vector<RowRun>& runs) {
  runs.clear();
  for (int32_t i = 0; i < m;) {
    int32_t j = i + 1;
    while (j < m && relrow[j] == relrow[j - 1] - 1) ++j;
    runs.push_back({i, j - i});
    i = j;
  }
}

// scatt over the runs of relrow: each run is one dense, vectorisable add into the target column,
// with the index work once per run instead of once per entry; every entry receives the same single
// addition as in scatt. temp is left zero.
template <class T>
void scatt_runs(int32_t m, int32_t q, T* temp, const int32_t* cols, const int32_t* relrow,
                const std::vector<RowRun>& runs, OneBased<const int32_t> xptr, OneBased<T> values) {
  for (int32_t k = 0; k < q; ++k) {
    const int32_t end = std::abs(xptr(cols[k] + 1)) - 1;
    T* t = temp + static_cast<int64_t>(k) * m;
    for (const RowRun& r : runs) {
      T* dst = values.at(end - relrow[r.first]);
      const T* src = t + r.first;
      for (int32_t i = 0; i < r.length; ++i) dst[i] += src[i];
    }
    std::fill(t, t + m, T(0));
  }
}

// Scatter-add of an update block, by runs when the rows fall into runs of four or more on
// average (the index work then falls well below one load per entry), else entry by entry.
// `runs` holds row_runs(m, relrow), or is empty for the entry-by-entry scatter.
template <class T>
void scatter_update(int32_t m, int32_t q, T* temp, const int32_t* cols, const int32_t* relrow,
                    const std::vector<RowRun>& runs, OneBased<const int32_t> xptr, OneBased<T> values) {
  if (!runs.empty())
    scatt_runs<T>(m, q, temp, cols, relrow, runs, xptr, values);
  else
    scatt<T>(m, q, temp, cols, relrow, xptr, values);
}

// The runs of relrow(1..m) when they pay (four or more rows per run on average), else none.
inline void scatter_runs(int32_t m, const int32_t* relrow, std::vector<RowRun>& runs) {
  row_runs(m, relrow, runs);
  if (static_cast<int64_t>(runs.size()) * 4 > m) runs.clear();
}

// Target columns per product of an update through temp with m rows and k source columns. A
// product of a narrow source (k small) is computed and scattered a few target columns at a time,
// so that its slice of temp (about 128 KiB) stays in cache between the product and the scatter
// instead of going to memory and back; the source block is read once per slice, so a slice keeps
// at least 2k columns, and a wide source is multiplied whole.
template <class T>
int32_t update_chunk(int32_t m, int32_t k) {
  constexpr int64_t kChunkValues = 128 * 1024 / sizeof(T);
  return static_cast<int32_t>(std::max<int64_t>(2 * static_cast<int64_t>(k), kChunkValues / std::max(1, m)));
}

// A dense operand: pointer to its first element and leading dimension.
template <class T>
struct Operand {
  const T* data = nullptr;
  int ld = 0;
};

// The remaining rows of an updating supernode K, as the kernels see them.
template <class T>
struct UpdateSource {
  int32_t first_col = 0;  // fk
  int32_t ncolk = 0;
  int32_t lenk = 0;                // rows not yet used
  const int32_t* rows = nullptr;   // their indices (lenk)
  Operand<T> l;                    // K's lnz block at its first remaining row (ld = K's jlen)
  Operand<T> u;                    // K's unz block at the same rows (ld = K's off-diagonal count); LU only
  Operand<T> diag;                 // K's diagonal block (ld = K's jlen): the D of the LDLᵀ kernels
  const int32_t* pivot = nullptr;  // K's pivot records (ncolk), when the loop has them
};

// The block of the supernode being computed, as the kernels see it.
template <class T>
struct TargetBlock {
  int32_t fjcol = 0, ncol = 0, jlen = 0;
  T* l = nullptr;               // lnz block, leading dimension jlen
  T* u = nullptr;               // unz block, leading dimension jlen - ncol (LU only)
  int32_t* pivot = nullptr;     // pivot records of the supernode's columns (may be null)
  int32_t* colpivot = nullptr;  // column interchanges (complete pivoting only)
};

// The diagonal block and then the whole off-diagonal block of a supernode: 0, or -1 when the
// diagonal block fails.
template <class Kernel>
int32_t factor_block(Kernel& kernel, const TargetBlock<typename Kernel::scalar>& b) {
  if (kernel.factor_diagonal(b) != 0) return -1;
  kernel.solve_offdiagonal(b, 0, b.jlen - b.ncol);
  return 0;
}

// The rows of a supernode's block at positions first .. last-1 (0 is the row of its first
// column): the share of one thread when several compute one supernode.
struct RowRange {
  int32_t first = 0, last = std::numeric_limits<int32_t>::max();
};

// Work vectors of the loop. The integer vectors are 1-based views over n (indmap, relind,
// link) and nsuper (length) entries; temp holds tmpsiz values and is zero between updates.
template <class T>
struct LoopWork {
  OneBased<int32_t> indmap, relind, link, length;
  T* temp = nullptr;
  int64_t tmpsiz = 0;
};

// Integer work of the loop in words: indmap and relind (P copies of n each), link (n), length.
inline int64_t loop_int_work_size(int32_t n, int32_t nsuper, int32_t copies) {
  return 2 * static_cast<int64_t>(copies) * n + n + nsuper;
}

// The loop. Kernel requirements:
//   using scalar = T;  static constexpr bool has_u;  static constexpr char trans ('T' or 'C');
//   int64_t product_capacity(int64_t tmpsiz)    values of temp the product block may use;
//   bool right_factor(const UpdateSource<T>&, int32_t rows, Operand<T>* y)   the factor Y with
//        C -= R·Yᵀ over Y's first `rows` rows (may build it in temp; false: temp too small);
//   void release_right_factor(int32_t rows)     clears what right_factor built;
//   int32_t factor_diagonal(const TargetBlock<T>&)   the diagonal block, 0 or -1;
//   void solve_offdiagonal(const TargetBlock<T>&, int32_t first, int32_t last)
//        rows first .. last-1 of the off-diagonal block, each row on its own.
template <class Kernel>
class LeftLooking {
 public:
  using T = typename Kernel::scalar;

  LeftLooking(const SymbolicFactor& sf, Kernel& kernel, const Loader<T>& loader, T* lnz, T* unz,
              LoopWork<T> work, int32_t* pivot, int32_t* colpivot)
      : kernel_(kernel),
        loader_(loader),
        w_(work),
        n_(sf.n),
        nsuper_(sf.nsuper),
        xsuper_(sf.xsuper, sf.nsuper + 1),
        snode_(sf.snode, sf.n),
        xlindx_(sf.xlindx, sf.nsuper + 1),
        lindx_(sf.lindx, std::max<int64_t>(1, sf.xlindx[sf.nsuper] - 1)),
        xlnz_(sf.xlnz, sf.n + 1),
        xunz_(sf.xunz, sf.xunz ? sf.n + 1 : 0),
        lnz_(lnz, std::max<int64_t>(1, std::abs(sf.xlnz[sf.n]) - 1)),
        unz_(unz, sf.xunz ? std::max<int64_t>(1, sf.xunz[sf.n] - 1) : 0),
        pivot_(pivot),
        colpivot_(colpivot) {}

  OneBased<int32_t> link() const { return w_.link; }

  // Step 1: empty lists and a clear temp.
  void start() {
    for (int32_t j = 1; j <= n_; ++j) w_.link(j) = 0;
    std::fill(w_.temp, w_.temp + w_.tmpsiz, T(0));
  }

  // Zeroes the block of J and loads the matrix values of its columns.
  void load(int32_t J) {
    const int32_t f = xsuper_(J), l = xsuper_(J + 1) - 1;
    std::fill(lnz_.at(xlnz_(f)), lnz_.at(xlnz_(l + 1)), T(0));
    if constexpr (Kernel::has_u) std::fill(unz_.at(xunz_(f)), unz_.at(xunz_(l + 1)), T(0));
    for (int32_t j = f; j <= l; ++j) loader_.load_column(j, lnz_, unz_);
  }

  // Supernodes first..last in order; `nmod` 1-based view. Returns the error flag.
  int32_t run(int32_t first, int32_t last, OneBased<const int32_t> nmod, bool preloaded = false) {
    for (int32_t J = first; J <= last; ++J) {
      const int32_t err = supernode(J, nmod(J), preloaded);
      if (err != kFactorOk) return err;
    }
    return kFactorOk;
  }

  // Steps 2.1-2.7 for one supernode J updated by `updates` supernodes from its list.
  int32_t supernode(int32_t J, int32_t updates, bool preloaded) {
    const TargetBlock<T> b = target(J);
    if (!preloaded) load(J);
    load_index_map(b.jlen, lindx_.at(xlindx_(J)), w_.indmap.data());
    for (int32_t u = 0; u < updates; ++u) {
      const int32_t fk = w_.link(b.fjcol);
      if (fk == 0) return kListBroken;
      w_.link(b.fjcol) = w_.link(fk);
      const int32_t err = update(b, fk);
      if (err != kFactorOk) return err;
    }
    if (factor_block(kernel_, b) != 0) return kPivotFailure;
    finish(J, b.fjcol, b.ncol, b.jlen);
    return kFactorOk;
  }

  // The same steps for a supernode whose updates are given in the order the lists would yield
  // them (first column and remaining row count of each updating supernode): nothing shared is
  // written but J's own block, so loops of several threads may run this on different supernodes
  // at once once their descendants are done.
  int32_t supernode_from(int32_t J, const int32_t* first_cols, const int32_t* remaining, int32_t updates) {
    load(J);
    const int32_t err = updates_from(J, first_cols, remaining, updates, RowRange{});
    if (err != kFactorOk) return err;
    return factor_block(kernel_, target(J)) != 0 ? kPivotFailure : kFactorOk;
  }

  // The updates of J as supernode_from gives them, on the rows of J's block in `rows` alone:
  // threads with disjoint ranges may apply them at once.
  int32_t updates_from(int32_t J, const int32_t* first_cols, const int32_t* remaining, int32_t updates,
                       RowRange rows) {
    const TargetBlock<T> b = target(J);
    load_index_map(b.jlen, lindx_.at(xlindx_(J)), w_.indmap.data());
    for (int32_t u = 0; u < updates; ++u) {
      int32_t q = 0;
      const int32_t err = apply(b, source(first_cols[u], remaining[u]), &q, rows);
      if (err != kFactorOk) return err;
    }
    return kFactorOk;
  }

  // Splits the rows of J's block into `shares` ranges of about equal update work (rows times
  // target columns over J's updates): bounds[t] .. bounds[t+1]-1 for share t. Loads J's index
  // map into this loop's indmap, as updates_from does.
  void row_shares(int32_t J, const int32_t* first_cols, const int32_t* remaining, int32_t updates,
                  int32_t shares, int32_t* bounds) {
    const TargetBlock<T> b = target(J);
    load_index_map(b.jlen, lindx_.at(xlindx_(J)), w_.indmap.data());
    const int32_t ljcol = b.fjcol + b.ncol - 1;
    sources_.clear();
    for (int32_t u = 0; u < updates; ++u) {
      const UpdateSource<T> s = source(first_cols[u], remaining[u]);
      const auto q = static_cast<int32_t>(std::upper_bound(s.rows, s.rows + s.lenk, ljcol) - s.rows);
      sources_.push_back({s.rows, s.lenk, q});
    }
    // The work of the updates on the rows at positions below r.
    auto work_below = [&](int32_t r) {
      int64_t work = 0;
      for (const SourceRows& s : sources_)
        work += static_cast<int64_t>(s.q) * rows_before(b, s.rows, s.lenk, r);
      return work;
    };
    const int64_t total = work_below(b.jlen);
    bounds[0] = 0;
    bounds[shares] = b.jlen;
    for (int32_t t = 1; t < shares; ++t) {
      const int64_t goal = total * t / shares;
      int32_t lo = bounds[t - 1], hi = b.jlen;  // the first r with work_below(r) >= goal
      while (lo < hi) {
        const int32_t mid = lo + (hi - lo) / 2;
        if (work_below(mid) < goal)
          lo = mid + 1;
        else
          hi = mid;
      }
      bounds[t] = lo;
    }
  }

  int32_t factor_diagonal(int32_t J) {
    return kernel_.factor_diagonal(target(J)) != 0 ? kPivotFailure : kFactorOk;
  }

  // Rows first .. last-1 of J's off-diagonal block, once its diagonal block is factorised.
  void solve_offdiagonal(int32_t J, int32_t first, int32_t last) {
    kernel_.solve_offdiagonal(target(J), first, last);
  }

  TargetBlock<T> target(int32_t J) const {
    TargetBlock<T> b;
    b.fjcol = xsuper_(J);
    b.ncol = xsuper_(J + 1) - b.fjcol;
    b.jlen = xlnz_(b.fjcol + 1) - xlnz_(b.fjcol);
    b.l = lnz_.at(xlnz_(b.fjcol));
    if constexpr (Kernel::has_u) b.u = unz_.at(xunz_(b.fjcol));
    if (pivot_) b.pivot = pivot_ + (b.fjcol - 1);
    if (colpivot_) b.colpivot = colpivot_ + (b.fjcol - 1);
    return b;
  }

 private:
  // Pushes K (first column fk, lenk rows left starting at `rows`) on the list of the supernode
  // that holds its next row, or retires it.
  void push(int32_t fk, int32_t K, int32_t remaining) {
    w_.length(K) = remaining;
    if (remaining == 0) return;
    const int32_t S = snode_(lindx_(xlindx_(K + 1) - remaining));
    w_.link(fk) = w_.link(xsuper_(S));
    w_.link(xsuper_(S)) = fk;
  }

  void finish(int32_t J, int32_t fjcol, int32_t ncol, int32_t jlen) { push(fjcol, J, jlen - ncol); }

  // How many of the `count` rows (of an updating supernode) have positions in J below r: rows
  // and positions ascend together.
  int32_t rows_before(const TargetBlock<T>& b, const int32_t* rows, int32_t count, int32_t r) const {
    if (r <= 0) return 0;
    if (r >= b.jlen) return count;
    const int32_t* end = std::partition_point(rows, rows + count,
                                              [&](int32_t row) { return b.jlen - 1 - w_.indmap(row) < r; });
    return static_cast<int32_t>(end - rows);
  }

  // The rows of an updating supernode and how many of them are columns of the target.
  struct SourceRows {
    const int32_t* rows;
    int32_t lenk, q;
  };

  UpdateSource<T> source(int32_t fk, int32_t lenk) const {
    UpdateSource<T> s;
    const int32_t K = snode_(fk);
    s.first_col = fk;
    s.ncolk = xsuper_(K + 1) - xsuper_(K);
    const int32_t ldk = xlnz_(fk + 1) - xlnz_(fk);
    s.lenk = lenk;
    s.rows = lindx_.at(xlindx_(K + 1) - s.lenk);
    s.l = {lnz_.at(xlnz_(fk + 1) - s.lenk), ldk};
    if constexpr (Kernel::has_u) s.u = {unz_.at(xunz_(fk + 1) - s.lenk), ldk - s.ncolk};
    s.diag = {lnz_.at(xlnz_(fk)), ldk};
    if (pivot_) s.pivot = pivot_ + (fk - 1);
    return s;
  }

  // Step 2.5.3-2.5.5: one update of J by the supernode whose first column is fk.
  int32_t update(const TargetBlock<T>& b, int32_t fk) {
    const UpdateSource<T> s = source(fk, w_.length(snode_(fk)));
    int32_t q = 0;
    const int32_t err = apply(b, s, &q, RowRange{});
    if (err == kFactorOk) push(fk, snode_(fk), s.lenk - q);
    return err;
  }

  // The update of J by the source s on J's rows in `range`, by the first case that fits; *used
  // receives q, the rows of s that are columns of J. The source rows i0 .. i1-1 are those that
  // land in the range; the first q rows give the right factor whatever the range.
  int32_t apply(const TargetBlock<T>& b, const UpdateSource<T>& s, int32_t* used, RowRange range) {
    const int32_t ljcol = b.fjcol + b.ncol - 1;
    int32_t q = b.ncol;
    if (s.lenk != b.jlen) {
      q = 0;
      while (q < s.lenk && s.rows[q] <= ljcol) ++q;
    }
    *used = q;
    const Rows r{rows_before(b, s.rows, s.lenk, range.first), rows_before(b, s.rows, s.lenk, range.last)};
    if (r.begin == r.end) return kFactorOk;
    Operand<T> y;
    if (!kernel_.right_factor(s, q, &y)) return kTempTooSmall;
    int32_t err = kFactorOk;
    if (s.lenk == b.jlen)
      full_match(b, s, y, r);
    else if (s.ncolk == 1)
      one_column(b, s, q, y, r);
    else if (w_.indmap(s.rows[0]) - w_.indmap(s.rows[s.lenk - 1]) < s.lenk)
      contiguous(b, s, q, y, r);
    else
      err = through_temp(b, s, q, y, r);
    kernel_.release_right_factor(q);
    return err;
  }

  // Source rows begin .. end-1 of an update; an LU update's U part starts at row q at the earliest.
  struct Rows {
    int32_t begin, end;
    int32_t u_begin(int32_t q) const { return std::max(begin, q); }
  };

  void full_match(const TargetBlock<T>& b, const UpdateSource<T>& s, Operand<T> y, Rows r) {
    blas::gemm('N', Kernel::trans, r.end - r.begin, b.ncol, s.ncolk, T(-1), s.l.data + r.begin, s.l.ld,
               y.data, y.ld, T(1), b.l + r.begin, b.jlen);
    if constexpr (Kernel::has_u) {
      const int32_t u0 = r.u_begin(b.ncol);
      if (r.end > u0)
        blas::gemm('N', 'T', r.end - u0, b.ncol, s.ncolk, T(-1), s.u.data + u0, s.u.ld, s.l.data, s.l.ld,
                   T(1), b.u + (u0 - b.ncol), b.jlen - b.ncol);
    }
  }

  // A one-column source: element-wise updates, with the relative index of each of its rows
  // gathered once (into relind) and reused for every target column.
  void one_column(const TargetBlock<T>& b, const UpdateSource<T>& s, int32_t q, Operand<T> y, Rows r) {
    (void)b;
    int32_t* rel = w_.relind.data();
    gather(s.lenk, s.rows, w_.indmap.data(), rel);
    const T* yv = y.data;
    if constexpr (Kernel::trans == 'C') yv = conjugated_copy(y.data, q);
    column_updates(r.begin, r.end, q, s.rows, rel, s.l.data, yv, xlnz_, lnz_);
    // LU: rows q+1..lenk of R_U against the first q rows of R_L.
    if constexpr (Kernel::has_u)
      if (r.u_begin(q) < r.end)
        column_updates(r.u_begin(q), r.end, q, s.rows, rel, s.u.data, s.l.data, xunz_, unz_);
  }

  // value(|xptr(c+1)| - 1 - rel(i)) -= x(i)·y(k) for the target columns c = rows(k), k < q, and the
  // rows first <= i < last (rel(i): the distance of row i from the end of its column).
  static void column_updates(int32_t first, int32_t last, int32_t q, const int32_t* rows, const int32_t* rel,
                             const T* x, const T* y, OneBased<const int32_t> xptr, OneBased<T> values) {
    for (int32_t k = 0; k < q; ++k) {
      T* col_end = values.at(std::abs(xptr(rows[k] + 1)) - 1);
      const T yk = y[k];
      for (int32_t i = first; i < last; ++i) col_end[-rel[i]] -= x[i] * yk;
    }
  }

  // The conjugating element update of the Hermitian kernels subtracts x(r)·conj(y(c)); the q
  // multipliers are conjugated once into a small buffer.
  T* conjugated_copy(const T* y, int32_t q) {
    conj_buffer_.resize(q);
    for (int32_t k = 0; k < q; ++k) conj_buffer_[k] = conj(y[k]);
    return conj_buffer_.data();
  }

  // Source rows that land on consecutive rows of J: the product goes straight into the block.
  void contiguous(const TargetBlock<T>& b, const UpdateSource<T>& s, int32_t q, Operand<T> y, Rows r) {
    const int32_t c1 = s.rows[0];
    T* c = lnz_.at(xlnz_(c1) + (c1 - b.fjcol));
    blas::gemm('N', Kernel::trans, r.end - r.begin, q, s.ncolk, T(-1), s.l.data + r.begin, s.l.ld, y.data,
               y.ld, T(1), c + r.begin, b.jlen);
    if constexpr (Kernel::has_u) {
      // Row q of the source is the first off-diagonal row of column c1's U part.
      const int32_t u0 = r.u_begin(q);
      if (r.end > u0)
        blas::gemm('N', 'T', r.end - u0, q, s.ncolk, T(-1), s.u.data + u0, s.u.ld, s.l.data, s.l.ld, T(1),
                   unz_.at(xunz_(c1)) + (u0 - q), b.jlen - b.ncol);
    }
  }

  int32_t through_temp(const TargetBlock<T>& b, const UpdateSource<T>& s, int32_t q, Operand<T> y, Rows r) {
    if (static_cast<int64_t>(s.lenk) * q > kernel_.product_capacity(w_.tmpsiz)) return kTempTooSmall;
    int32_t* rel = w_.relind.data();
    gather(s.lenk, s.rows, w_.indmap.data(), rel);
    // The target columns of the block, from the relative indices of the first q rows.
    cols_.resize(q);
    for (int32_t k = 0; k < q; ++k) cols_[k] = b.fjcol + b.jlen - 1 - rel[k];
    const OneBased<const int32_t> xl(xlnz_.data(), n_ + 1);
    const int32_t m = r.end - r.begin;
    const int32_t chunk = update_chunk<T>(m, s.ncolk);
    scatter_runs(m, rel + r.begin, runs_);
    for (int32_t k0 = 0; k0 < q; k0 += chunk) {
      const int32_t c = std::min(chunk, q - k0);
      blas::gemm('N', Kernel::trans, m, c, s.ncolk, T(-1), s.l.data + r.begin, s.l.ld, y.data + k0, y.ld,
                 T(0), w_.temp, m);
      scatter_update<T>(m, c, w_.temp, cols_.data() + k0, rel + r.begin, runs_, xl, lnz_);
    }
    if constexpr (Kernel::has_u) {
      const int32_t u0 = r.u_begin(q), mu = r.end - u0;
      if (mu > 0) {
        const OneBased<const int32_t> xu(xunz_.data(), n_ + 1);
        const int32_t chunk_u = update_chunk<T>(mu, s.ncolk);
        scatter_runs(mu, rel + u0, runs_);
        for (int32_t k0 = 0; k0 < q; k0 += chunk_u) {
          const int32_t c = std::min(chunk_u, q - k0);
          blas::gemm('N', 'T', mu, c, s.ncolk, T(-1), s.u.data + u0, s.u.ld, s.l.data + k0, s.l.ld, T(0),
                     w_.temp, mu);
          scatter_update<T>(mu, c, w_.temp, cols_.data() + k0, rel + u0, runs_, xu, unz_);
        }
      }
    }
    return kFactorOk;
  }

  Kernel& kernel_;
  const Loader<T>& loader_;
  LoopWork<T> w_;
  int32_t n_, nsuper_;
  OneBased<const int32_t> xsuper_, snode_, xlindx_, lindx_, xlnz_, xunz_;
  OneBased<T> lnz_, unz_;
  int32_t* pivot_;
  int32_t* colpivot_;
  std::vector<int32_t> cols_;
  std::vector<RowRun> runs_;
  std::vector<SourceRows> sources_;
  std::vector<T> conj_buffer_;
};

// The domain decomposition handed to the scheduled family: nd domains given as (first, last)
// supernode pairs, followed by the pair of the separator block.
struct DomainSchedule {
  int32_t nd = 1;
  const int32_t* table = nullptr;  // 2·(nd+1) values, supernode numbers
  bool domain_mode = false;
};

// Plain family: the loop over supernodes 1..nsuper.
template <class Kernel>
int32_t factor_plain(LeftLooking<Kernel>& loop, int32_t nsuper, OneBased<const int32_t> nmod) {
  loop.start();
  return loop.run(1, nsuper, nmod);
}

// True when the domains and the separator cover 1..nsuper in consecutive ranges.
inline bool domains_consecutive(const DomainSchedule& d, int32_t nsuper) {
  if (d.table == nullptr || d.nd <= 1) return false;
  int32_t next = 1;
  for (int32_t k = 0; k <= d.nd; ++k) {
    if (d.table[2 * k] != next || d.table[2 * k + 1] < d.table[2 * k] - 1) return false;
    next = d.table[2 * k + 1] + 1;
  }
  return next == nsuper + 1;
}

// Scheduled family. Without domains (or with the domain mode off) it is the plain loop. With
// domains, the separator supernodes are zeroed and loaded first, each domain is factorised by
// the loop in domain order, and then the separator supernodes are taken one at a time through a
// status vector (0 free, -1 claimed, 1 done): a claimed supernode is computed only when every
// supernode waiting on its list is done; otherwise the claim is released and retried later.
// The block operations and their order are those of the plain loop, so the factor is the same.
template <class Kernel>
int32_t factor_scheduled(LeftLooking<Kernel>& loop, const SymbolicFactor& sf, OneBased<const int32_t> nmod,
                         const DomainSchedule& d, OneBased<int32_t> link) {
  const int32_t nsuper = sf.nsuper;
  if (!d.domain_mode || !domains_consecutive(d, nsuper)) return factor_plain(loop, nsuper, nmod);
  loop.start();
  const int32_t sep_first = d.table[2 * d.nd];
  for (int32_t J = sep_first; J <= nsuper; ++J) loop.load(J);
  for (int32_t k = 0; k < d.nd; ++k) {
    const int32_t err = loop.run(d.table[2 * k], d.table[2 * k + 1], nmod, false);
    if (err != kFactorOk) return err;
  }
  std::vector<int8_t> status(nsuper + 1, 0);
  // J may be computed once all nmod(J) updating supernodes are on its list and done.
  auto ready = [&](int32_t J) {
    int32_t waiting = 0;
    for (int32_t fk = link(sf.xsuper[J - 1]); fk != 0; fk = link(fk), ++waiting) {
      const int32_t K = sf.snode[fk - 1];
      if (K >= sep_first && status[K] != 1) return false;
    }
    return waiting == nmod(J);
  };
  for (int32_t left = nsuper - sep_first + 1; left > 0;) {
    int32_t progress = 0;
    for (int32_t J = sep_first; J <= nsuper; ++J) {
      if (status[J] != 0) continue;
      status[J] = -1;
      if (!ready(J)) {
        status[J] = 0;
        continue;
      }
      const int32_t err = loop.supernode(J, nmod(J), true);
      if (err != kFactorOk) return err;
      status[J] = 1;
      ++progress;
      --left;
    }
    if (progress == 0) return kListBroken;
  }
  return kFactorOk;
}

}  // namespace varnexo::factor
