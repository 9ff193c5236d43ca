// Elimination tree, column counts, supernodal tree and bottom-up schedule (analysis steps 1-2).
// Flow: ordering -> [tree and counts] -> supernodes and symbolic factorisation -> schedule.
#include "ordering/etree.h"

#include <limits>
#include <vector>

#include "common/export.h"
#include "common/onebased.h"
#include "ordering/ordering_entries.h"

namespace varnexo::ordering {

void etep(int32_t n, const int32_t* xadj_p, const int32_t* adjncy_p, const int32_t* perm_p,
          const int32_t* invp_p, int32_t* parent_p, int32_t* ancestor_p) {
  if (n <= 0) return;
  OneBased<const int32_t> xadj(xadj_p, n + 1), perm(perm_p, n), invp(invp_p, n);
  OneBased<const int32_t> adjncy(adjncy_p, xadj(n + 1) - 1);
  OneBased<int32_t> parent(parent_p, n), ancestor(ancestor_p, n);
  for (int32_t i = 1; i <= n; ++i) {
    parent(i) = 0;
    ancestor(i) = 0;
    const int32_t node = perm(i);
    for (int32_t k = xadj(node); k < xadj(node + 1); ++k) {
      int32_t r = invp(adjncy(k));
      if (r >= i) continue;
      // Climb from r to the root of its current subtree, pointing every visited node at i.
      while (ancestor(r) != i) {
        if (ancestor(r) <= 0) {
          parent(r) = i;
          ancestor(r) = i;
          break;
        }
        const int32_t t = ancestor(r);
        ancestor(r) = i;
        r = t;
      }
    }
  }
}

void betee(int32_t n, const int32_t* parent_p, int32_t* fson_p, int32_t* brothr_p) {
  if (n <= 0) return;
  OneBased<const int32_t> parent(parent_p, n);
  OneBased<int32_t> fson(fson_p, n), brothr(brothr_p, n);
  for (int32_t i = 1; i <= n; ++i) fson(i) = brothr(i) = 0;
  if (n <= 1) return;
  int32_t lroot = n;
  // Walking downward and pushing at the head leaves every chain in increasing order.
  for (int32_t node = n - 1; node >= 1; --node) {
    const int32_t p = parent(node);
    if (p <= 0 || p == node) {
      brothr(lroot) = node;
      lroot = node;
    } else {
      brothr(node) = fson(p);
      fson(p) = node;
    }
  }
  brothr(lroot) = 0;
}

int64_t lnnt(int32_t n, const int32_t* xadj_p, const int32_t* adjncy_p, const int32_t* perm_p,
             const int32_t* invp_p, const int32_t* parent_p, int32_t* rowcnt_p, int32_t* colcnt_p,
             int32_t* marker_p) {
  if (n <= 0) return 0;
  OneBased<const int32_t> xadj(xadj_p, n + 1), perm(perm_p, n), invp(invp_p, n), parent(parent_p, n);
  OneBased<const int32_t> adjncy(adjncy_p, xadj(n + 1) - 1);
  OneBased<int32_t> rowcnt(rowcnt_p, n), colcnt(colcnt_p, n), marker(marker_p, n);
  for (int32_t i = 1; i <= n; ++i) rowcnt(i) = colcnt(i) = marker(i) = 0;
  int64_t total = 0;
  for (int32_t k = 2; k <= n; ++k) {
    const int32_t node = perm(k);
    for (int32_t p = xadj(node); p < xadj(node + 1); ++p) {
      // Walk the row subtree of k from r up towards k; each node is counted once per row.
      // A root (parent 0) ends the walk too, which only a broken tree could reach.
      for (int32_t r = invp(adjncy(p)); r >= 1 && r < k && marker(r) < k; r = parent(r)) {
        rowcnt(k) += 1;
        marker(r) = k;
        colcnt(r) += 1;
      }
    }
    total += rowcnt(k);
  }
  for (int32_t j = 1; j <= n; ++j) colcnt(j) += 1;
  return total + n;
}

namespace {

// A postorder of the forest given by parent(j) (0 for a root): post[k] (0-based k) is the k-th
// node, children in increasing order.
template <class Parent>
std::vector<int32_t> postorder(int32_t n, const Parent& parent) {
  std::vector<int32_t> head(n + 1, 0), next(n + 1, 0), stack, post;
  post.reserve(n);
  for (int32_t j = n; j >= 1; --j) {  // child lists in increasing order; roots under 0
    const int32_t p = parent(j);
    next[j] = head[p];
    head[p] = j;
  }
  for (int32_t root = head[0]; root != 0; root = next[root]) {
    stack.push_back(root);
    while (!stack.empty()) {
      const int32_t j = stack.back();
      if (head[j] != 0) {  // descend into the next child, detaching it
        const int32_t c = head[j];
        head[j] = next[c];
        stack.push_back(c);
      } else {
        post.push_back(j);
        stack.pop_back();
      }
    }
  }
  return post;
}

// The leaf test of the row subtree of i for column j (both new positions, j in postorder): 0
// when j is not a leaf of it, 1 for its first leaf, 2 for a later one, with *lca the least
// common ancestor of j and the previous leaf (path compression on `ancestor`).
int32_t row_leaf(int32_t i, int32_t j, const std::vector<int32_t>& first, std::vector<int32_t>& maxfirst,
                 std::vector<int32_t>& prevleaf, std::vector<int32_t>& ancestor, int32_t* lca) {
  if (i <= j || first[j] <= maxfirst[i]) return 0;  // j lies below an earlier leaf
  maxfirst[i] = first[j];
  const int32_t previous = prevleaf[i];
  prevleaf[i] = j;
  if (previous == 0) return 1;
  int32_t q = previous;
  while (q != ancestor[q]) q = ancestor[q];
  for (int32_t s = previous; s != q;) {
    const int32_t up = ancestor[s];
    ancestor[s] = q;
    s = up;
  }
  *lca = q;
  return 2;
}

}  // namespace

int64_t column_counts(int32_t n, const int32_t* xadj_p, const int32_t* adjncy_p, const int32_t* perm_p,
                      const int32_t* invp_p, const int32_t* parent_p, int32_t* colcnt_p) {
  if (n <= 0) return 0;
  OneBased<const int32_t> xadj(xadj_p, n + 1), perm(perm_p, n), invp(invp_p, n), parent(parent_p, n);
  OneBased<const int32_t> adjncy(adjncy_p, xadj(n + 1) - 1);
  OneBased<int32_t> delta(colcnt_p, n);
  // The parent of j, 0 for a root (a tree from the analysis numbers every parent above its child).
  auto up = [&](int32_t j) { return parent(j) > j && parent(j) <= n ? parent(j) : 0; };
  const std::vector<int32_t> post = postorder(n, up);
  // first[j]: the postorder position (from 1) of the first descendant of j; leaves start at 1.
  std::vector<int32_t> first(n + 1, 0), maxfirst(n + 1, 0), prevleaf(n + 1, 0), ancestor(n + 1);
  for (int32_t k = 1; k <= n; ++k) {
    int32_t j = post[k - 1];
    delta(j) = first[j] == 0 ? 1 : 0;
    for (; j > 0 && first[j] == 0; j = up(j)) first[j] = k;
  }
  for (int32_t j = 1; j <= n; ++j) ancestor[j] = j;
  for (int32_t k = 1; k <= n; ++k) {
    const int32_t j = post[k - 1];
    if (up(j) > 0) delta(up(j)) -= 1;
    const int32_t node = perm(j);
    for (int32_t p = xadj(node); p < xadj(node + 1); ++p) {
      int32_t lca = 0;
      const int32_t leaf = row_leaf(invp(adjncy(p)), j, first, maxfirst, prevleaf, ancestor, &lca);
      if (leaf >= 1) delta(j) += 1;  // A(i, j) is an entry of the skeleton matrix
      if (leaf == 2) delta(lca) -= 1;
    }
    if (up(j) > 0) ancestor[j] = up(j);
  }
  // Children carry smaller numbers than their parents: the sums are complete in one sweep.
  int64_t total = 0;
  for (int32_t j = 1; j <= n; ++j) {
    if (up(j) > 0) delta(up(j)) += delta(j);
    total += delta(j);
  }
  return total;
}

void stree(int32_t n, int32_t nsuper, const int32_t* xsuper_p, const int32_t* snode_p,
           const int32_t* parent_p, int32_t* fson_p, int32_t* brother_p, int32_t* sparent_p) {
  if (nsuper <= 0) return;
  OneBased<const int32_t> xsuper(xsuper_p, nsuper + 1), snode(snode_p, n), parent(parent_p, n);
  OneBased<int32_t> fson(fson_p, nsuper), brother(brother_p, nsuper), sparent(sparent_p, nsuper);
  for (int32_t s = 1; s <= nsuper; ++s) fson(s) = brother(s) = 0;
  int32_t root = 0;
  for (int32_t s = nsuper; s >= 1; --s) {
    const int32_t p = parent(xsuper(s + 1) - 1);
    if (p <= 0) {
      sparent(s) = 0;
      brother(s) = root;
      root = s;
    } else {
      sparent(s) = snode(p);
      brother(s) = fson(sparent(s));
      fson(sparent(s)) = s;
    }
  }
}

void sched(int32_t nsuper, const int32_t* sparent_p, int32_t* schedule_p, int32_t* childcount_p) {
  if (nsuper <= 0) return;
  OneBased<const int32_t> sparent(sparent_p, nsuper);
  OneBased<int32_t> schedule(schedule_p, nsuper), count(childcount_p, nsuper);
  for (int32_t s = 1; s <= nsuper; ++s) {
    schedule(s) = -1;
    count(s) = 0;
  }
  int32_t last = 0;
  for (int32_t s = 1; s <= nsuper; ++s) {
    if (sparent(s) != 0) count(sparent(s)) += 1;
    // Children carry smaller numbers, so the count of s is final here.
    if (count(s) == 0) schedule(++last) = -s;
  }
  for (int32_t k = 1; k <= last && k <= nsuper; ++k) {
    const int32_t e = schedule(k);
    const int32_t p = sparent(e < 0 ? -e : e);
    if (p != 0 && --count(p) == 0 && last < nsuper) schedule(++last) = p;
  }
}

}  // namespace varnexo::ordering

using namespace varnexo;

extern "C" {

VARNEXO_EXPORT void etep_varnexo_(const int32_t* n, const int32_t* nd, const int32_t* table_size,
                                  const int32_t* domain_table, const int32_t* xadj, const int32_t* adjncy,
                                  const int32_t* perm, const int32_t* invp, int32_t* parent,
                                  int32_t* ancestor, const int32_t* unused1, const int32_t* unused2) {
  (void)nd, (void)table_size, (void)domain_table, (void)unused1, (void)unused2;
  ordering::etep(*n, xadj, adjncy, perm, invp, parent, ancestor);
}
VARNEXO_UNDERSCORE_ALIAS(etep_varnexo_);

VARNEXO_EXPORT void etdr_varnexo_(const int32_t* n, const int32_t* nd, const int32_t* table_size,
                                  const int32_t* domain_table, const int32_t* xadj, const int32_t* adjncy,
                                  const int32_t* perm, const int32_t* invp, int32_t* parent,
                                  int32_t* ancestor, const int32_t* unused1, const int32_t* unused2,
                                  int32_t* fson, int32_t* brothr) {
  etep_varnexo_(n, nd, table_size, domain_table, xadj, adjncy, perm, invp, parent, ancestor, unused1,
                unused2);
  ordering::betee(*n, parent, fson, brothr);
}
VARNEXO_UNDERSCORE_ALIAS(etdr_varnexo_);

VARNEXO_EXPORT void betee_varnexo_(const int32_t* n, const int32_t* parent, int32_t* fson, int32_t* brothr) {
  ordering::betee(*n, parent, fson, brothr);
}
VARNEXO_UNDERSCORE_ALIAS(betee_varnexo_);

VARNEXO_EXPORT void lnnt_varnexo_(const int32_t* n, const int32_t* xadj, const int32_t* adjncy,
                                  const int32_t* perm, const int32_t* invp, const int32_t* parent,
                                  int32_t* total, int32_t* rowcnt, int32_t* colcnt, int32_t* marker) {
  const int64_t t = ordering::lnnt(*n, xadj, adjncy, perm, invp, parent, rowcnt, colcnt, marker);
  *total =
      t > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max() : static_cast<int32_t>(t);
}
VARNEXO_UNDERSCORE_ALIAS(lnnt_varnexo_);

VARNEXO_EXPORT void stree_varnexo_(const int32_t* n, const int32_t* nsuper, const int32_t* xsuper,
                                   const int32_t* snode, const int32_t* parent, int32_t* fson_work,
                                   int32_t* brother_work, int32_t* sparent) {
  ordering::stree(*n, *nsuper, xsuper, snode, parent, fson_work, brother_work, sparent);
}
VARNEXO_UNDERSCORE_ALIAS(stree_varnexo_);

VARNEXO_EXPORT void sched_varnexo_(const int32_t* nsuper, const int32_t* sparent, int32_t* schedule,
                                   int32_t* childcount) {
  ordering::sched(*nsuper, sparent, schedule, childcount);
}
VARNEXO_UNDERSCORE_ALIAS(sched_varnexo_);
}
