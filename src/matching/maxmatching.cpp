// The toolkit-based maximum-weight matching (matching stage): a greedy pass on tight entries,
// then one Dijkstra search per free row on reduced costs u[r] + v[j] - c(r,j) >= 0 with the
// toolkit's priority queue (keyed by minus the distance), and the completion of a square
// matching; the maximum-product reordering turns the duals into log scalings.
#include "matching/maxmatching.h"

#include <cfloat>
#include <cmath>
#include <vector>

namespace varnexo::matching {
namespace {

constexpr double kUnreached = DBL_MAX;

// The searches of one matching run, with their work arrays.
class Searcher {
 public:
  Searcher(const Smat* C, int32_t* perm, double* u, double* v, PrioQ* pq)
      : C_(C), match_(perm), u_(u), v_(v), pq_(pq) {
    row_col_.assign(static_cast<size_t>(C->m), -1);
    dist_.assign(static_cast<size_t>(C->n), kUnreached);
    pred_.assign(static_cast<size_t>(C->n), -1);
    final_.assign(static_cast<size_t>(C->n), 0);
  }

  // Greedy pass: every row takes the first free tight column from its best position on.
  int32_t greedy(bool warm) {
    int32_t matched = 0;
    for (int32_t i = 0; i < C_->m; ++i) {
      double best = -DBL_MAX;
      int32_t at = -1;
      for (int32_t k = C_->ia[i]; k < C_->ia[i + 1]; ++k) {
        const double t = C_->a[k] - (warm ? v_[C_->ja[k]] : 0.0);
        if (t > best) best = t, at = k;  // the first position attaining the maximum
      }
      u_[i] = at < 0 ? 0.0 : best;
      for (int32_t k = at < 0 ? C_->ia[i + 1] : at; k < C_->ia[i + 1]; ++k) {
        const int32_t j = C_->ja[k];
        if (match_[j] < 0 && std::fabs(C_->a[k] - v_[j] - u_[i]) < DBL_EPSILON) {
          match_[j] = i, row_col_[i] = j, ++matched;
          break;
        }
      }
    }
    return matched;
  }

  // Shortest augmenting path from the free row `root`; true when the row got matched.
  bool augment_from(int32_t root) {
    double dmax = 0.0;  // distance of the column that ends the search
    double lsap = DBL_MAX;
    int32_t end = -1;
    scanned_.clear();
    touched_.clear();
    scan(root, 0.0, lsap);
    while (pq_->count > 0) {
      const int32_t j = pq_remove_max(pq_);
      const double d = dist_[j];
      if (d > lsap) break;  // a free column was already seen closer
      final_[j] = 1;
      dmax = d;
      if (match_[j] < 0) {
        end = j;
        break;
      }
      scan(match_[j], d, lsap);
    }
    prioq_clear(pq_);
    if (end >= 0) update_duals(dmax);
    for (int32_t j : touched_) dist_[j] = kUnreached, final_[j] = 0;
    if (end < 0) return false;
    for (int32_t j = end;;) {  // re-match each column of the path to its predecessor row
      const int32_t r = pred_[j];
      const int32_t next = row_col_[r];
      match_[j] = r, row_col_[r] = j;
      if (r == root) break;
      j = next;
    }
    return true;
  }

  const std::vector<int32_t>& row_col() const { return row_col_; }

 private:
  // Relaxes the entries of row r reached at distance d.
  void scan(int32_t r, double d, double& lsap) {
    scanned_.push_back({r, d});
    for (int32_t k = C_->ia[r]; k < C_->ia[r + 1]; ++k) {
      const int32_t j = C_->ja[k];
      if (final_[j]) continue;
      const double t = d + std::fmax(0.0, u_[r] + v_[j] - C_->a[k]);
      if (t > lsap || !(t < dist_[j])) continue;
      if (dist_[j] == kUnreached) touched_.push_back(j);
      dist_[j] = t;
      pred_[j] = r;
      if (match_[j] < 0 && t < lsap) lsap = t;
      prioq_insert_replace_larger(pq_, j, -t);
    }
  }

  // Keeps u[r] + v[j] >= c(r,j) everywhere and makes the path tight: rows scanned at distance
  // d_r lose dmax - d_r, columns finalised at d_j gain dmax - d_j.
  void update_duals(double dmax) {
    for (const auto& [r, d] : scanned_) u_[r] -= dmax - d;
    for (int32_t j : touched_)
      if (final_[j]) v_[j] += dmax - dist_[j];
  }

  const Smat* C_;
  int32_t* match_;
  double* u_;
  double* v_;
  PrioQ* pq_;
  std::vector<int32_t> row_col_, pred_, touched_;
  std::vector<double> dist_;
  std::vector<char> final_;
  struct Scanned {
    int32_t row;
    double d;
  };
  std::vector<Scanned> scanned_;
};

// Gives every free column of a square matching a free row: each chain j -> (column of row j) ->
// ... that starts at a free column ends at a free row, and distinct chains end at distinct rows.
void complete_square(int32_t n, int32_t* perm, const std::vector<int32_t>& row_col) {
  for (int32_t j = 0; j < n; ++j) {
    if (perm[j] >= 0) continue;
    int32_t e = j;
    while (row_col[e] >= 0) e = row_col[e];
    perm[j] = e;
  }
}

// The log-magnitudes of the nonzero entries of a row-stored matrix (zeros dropped).
Smat* log_costs(const Smat* A) {
  int32_t kept = 0;
  for (int32_t k = 0; k < A->nnz; ++k) kept += A->a[k] != 0.0;
  Smat* C = smat_new_nnz(A->m, A->n, kept, 0);
  if (!C) return nullptr;
  int32_t t = 0;
  for (int32_t i = 0; i < A->m; ++i) {
    C->ia[i] = t;
    for (int32_t k = A->ia[i]; k < A->ia[i + 1]; ++k)
      if (A->a[k] != 0.0) C->ja[t] = A->ja[k], C->a[t++] = std::log(std::fabs(A->a[k]));
  }
  C->ia[A->m] = t;
  return C;
}

}  // namespace

int32_t smat_maxmatching(const Smat* C, int32_t* perm, double* u, double* v, bool warm) {
  if (!C || !C->a || !perm || !u || !v || !smat_check_ja(C)) return -1;
  for (int32_t j = 0; j < C->n; ++j) {
    perm[j] = -1;
    if (!warm) v[j] = 0.0;
  }
  PrioQ* pq = prioq_new(C->n);
  if (!pq) return -1;
  int32_t matched = -1;
  try {
    Searcher s(C, perm, u, v, pq);
    matched = s.greedy(warm);
    for (int32_t i = 0; i < C->m; ++i)
      if (s.row_col()[i] < 0 && C->ia[i + 1] > C->ia[i] && s.augment_from(i)) ++matched;
    if (C->m == C->n) complete_square(C->n, perm, s.row_col());
  } catch (...) {  // work arrays that cannot be had
    matched = -1;
  }
  pq_free(pq);
  return matched;
}

int32_t smat_unsym_reordering_mps(const Smat* A, int32_t* perm, double* u, double* v, bool warm) {
  if (!A || !A->a || !u || !v) return -1;
  Smat* C = A->sym ? smat_copy_log_to_full(A) : log_costs(A);
  if (!C) return -1;
  // A constant added to every cost leaves the optimal matching unchanged; it makes the costs
  // positive so that the greedy pass starts from sensible duals.
  double lowest = 0.0;
  for (int32_t k = 0; k < C->nnz; ++k) lowest = std::fmin(lowest, C->a[k]);
  const double K = std::ceil(-lowest) + 1.0;
  if (warm)  // the duals of the columns are minus their log scalings
    for (int32_t j = 0; j < A->n; ++j) v[j] = -v[j];
  for (int32_t k = 0; k < C->nnz; ++k) C->a[k] += K;
  const int32_t matched = smat_maxmatching(C, perm, u, v, warm);
  smat_free(C);
  if (matched < 0) return -1;
  // u + v >= log|a| + K with equality on the matched entries: the log scalings are K - u, -v.
  double largest = 0.0;
  for (int32_t i = 0; i < A->m; ++i) largest = std::fmax(largest, std::fabs(u[i] = K - u[i]));
  for (int32_t j = 0; j < A->n; ++j) largest = std::fmax(largest, std::fabs(v[j] = -v[j]));
  if (largest >= std::log(DBL_MAX) / 2) {
    for (int32_t i = 0; i < A->m; ++i) u[i] = 0.0;
    for (int32_t j = 0; j < A->n; ++j) v[j] = 0.0;
  }
  return matched;
}

}  // namespace varnexo::matching
