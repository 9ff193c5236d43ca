// Multiple minimum degree ordering on the quotient graph (ordering stage, after the adjacency
// graph): external degrees, multiple elimination of independent nodes of minimum degree, mass
// elimination and merging of indistinguishable nodes. The constrained ordering reuses this core
// with constraint marks that keep the separator nodes of a domain decomposition for last.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "common/export.h"
#include "common/onebased.h"
#include "ordering/ordering_entries.h"
#include "ordering/ordering_internal.h"

namespace varnexo::ordering {

namespace {

// Resets every marker below maxint; called when the tag counter would reach maxint.
void reset_markers(MmdGraph& g) {
  g.tag = 1;
  for (int32_t i = 1; i <= g.n; ++i)
    if (g.marker(i) < g.maxint) g.marker(i) = 0;
}

// Removes r from its degree bucket when it sits in one.
void unlink_from_bucket(MmdGraph& g, int32_t r) {
  const int32_t pv = g.dbakw(r);
  if (pv == 0 || pv == -g.maxint) return;
  const int32_t nx = g.dforw(r);
  if (nx > 0) g.dbakw(nx) = pv;
  if (pv > 0) g.dforw(pv) = nx;
  if (pv < 0) g.dhead(-pv) = nx;
}

// Pushes node on the head of bucket deg (deg = external degree + 1).
void push_bucket(MmdGraph& g, int32_t node, int32_t deg) {
  const int32_t f = g.dhead(deg);
  g.dforw(node) = f;
  g.dbakw(node) = -deg;
  if (f > 0) g.dbakw(f) = node;
  g.dhead(deg) = node;
}

bool valid_link(const MmdGraph& g, int32_t e) { return e >= 1 && e <= g.n; }

}  // namespace

bool MmdGraph::constrained(int32_t v) const { return cmark.data() != nullptr && cmark(v) != 0; }

void mmdint(MmdGraph& g) {
  for (int32_t v = 1; v <= g.n; ++v) {
    g.dhead(v) = 0;
    g.qsize(v) = 1;
    g.marker(v) = 0;
    g.llist(v) = 0;
  }
  for (int32_t v = 1; v <= g.n; ++v) push_bucket(g, v, g.xadj(v + 1) - g.xadj(v) + 1);
}

namespace {

// First part of the elimination: gathers the reach set of mdnode (its uneliminated neighbours and
// the members of its neighbouring elements) into mdnode's storage, continuing in the storage of
// the absorbed elements. Each new element is linked in before its list is read, so the write
// cursor never passes an entry that is still to be read.
bool gather_reach_set(MmdGraph& g, int32_t mdnode) {
  g.marker(mdnode) = g.tag;
  int32_t elmnt = 0;
  int32_t rloc = g.xadj(mdnode), rlmt = g.xadj(mdnode + 1) - 1;
  for (int32_t i = g.xadj(mdnode); i <= rlmt; ++i) {
    const int32_t nabor = g.adj(i);
    if (nabor == 0) break;
    if (!valid_link(g, nabor)) return false;
    if (g.marker(nabor) >= g.tag) continue;
    g.marker(nabor) = g.tag;
    if (g.dforw(nabor) < 0) {
      g.llist(nabor) = elmnt;
      elmnt = nabor;
    } else {
      g.adj(rloc++) = nabor;
    }
  }
  for (; elmnt > 0; elmnt = g.llist(elmnt)) {
    g.adj(rlmt) = -elmnt;
    int32_t link = elmnt;
    bool done = false;
    while (!done) {
      const int32_t jstop = g.xadj(link + 1) - 1;
      int32_t j = g.xadj(link);
      for (; j <= jstop; ++j) {
        const int32_t node = g.adj(j);
        if (node < 0) {
          link = -node;
          if (!valid_link(g, link)) return false;
          break;
        }
        if (node == 0) {
          done = true;
          break;
        }
        if (node > g.n) return false;
        if (g.marker(node) >= g.tag || g.dforw(node) < 0) continue;
        g.marker(node) = g.tag;
        while (rloc >= rlmt) {  // own storage full: continue in an absorbed element's storage
          const int32_t next = -g.adj(rlmt);
          if (!valid_link(g, next)) return false;
          rloc = g.xadj(next);
          rlmt = g.xadj(next + 1) - 1;
        }
        g.adj(rloc++) = node;
      }
      if (j > jstop) done = true;
    }
  }
  if (rloc <= rlmt) g.adj(rloc) = 0;
  return true;
}

// Second part: every reach node leaves its bucket and loses the entries marked by this
// elimination; a node left without neighbours is absorbed into mdnode (mass elimination), the
// others are flagged for the degree update and get mdnode as their new element neighbour.
bool update_reach_set(MmdGraph& g, int32_t mdnode) {
  int32_t link = mdnode;
  for (;;) {
    const int32_t istop = g.xadj(link + 1) - 1;
    int32_t i = g.xadj(link);
    int32_t next_link = 0;
    for (; i <= istop; ++i) {
      const int32_t rnode = g.adj(i);
      if (rnode < 0) {
        next_link = -rnode;
        break;
      }
      if (rnode == 0) return true;
      if (rnode > g.n) return false;
      unlink_from_bucket(g, rnode);
      const int32_t jstart = g.xadj(rnode), jstop = g.xadj(rnode + 1) - 1;
      int32_t xq = jstart;
      for (int32_t j = jstart; j <= jstop; ++j) {
        const int32_t nabor = g.adj(j);
        if (nabor == 0) break;
        if (nabor < 0 || nabor > g.n) return false;  // uneliminated lists hold no links
        if (g.marker(nabor) < g.tag) g.adj(xq++) = nabor;
      }
      const int32_t remaining = xq - jstart;
      if (remaining == 0 && !g.constrained(rnode)) {
        g.qsize(mdnode) += g.qsize(rnode);
        g.qsize(rnode) = 0;
        g.marker(rnode) = g.maxint;
        g.dforw(rnode) = -mdnode;
        g.dbakw(rnode) = -g.maxint;
        continue;
      }
      g.dforw(rnode) = remaining + 1;
      g.dbakw(rnode) = 0;
      if (xq > jstop) return false;  // the purge removed mdnode at least, so there is room
      g.adj(xq++) = mdnode;
      if (xq <= jstop) g.adj(xq) = 0;
    }
    if (next_link == 0) return true;
    if (!valid_link(g, next_link)) return false;
    link = next_link;
  }
}

}  // namespace

bool mmdelm(MmdGraph& g, int32_t mdnode) {
  return gather_reach_set(g, mdnode) && update_reach_set(g, mdnode);
}

namespace {

// Adds to deg the sizes of the unmarked members of element e (list continued through -links),
// marking them with tag. `skip` is not counted. For the two-neighbour case the marked members
// that are flagged are merged into m (same two neighbours) or set aside as outmatched.
template <bool kMerge>
bool add_element_members(MmdGraph& g, int32_t e, int32_t skip, int64_t& deg) {
  int32_t link = e;
  for (;;) {
    const int32_t jstop = g.xadj(link + 1) - 1;
    int32_t next = 0;
    for (int32_t j = g.xadj(link); j <= jstop; ++j) {
      const int32_t node = g.adj(j);
      if (node < 0) {
        next = -node;
        break;
      }
      if (node == 0) return true;
      if (node > g.n) return false;
      if (node == skip || g.qsize(node) == 0) continue;
      if (g.marker(node) < g.tag) {
        g.marker(node) = g.tag;
        deg += g.qsize(node);
      } else if (kMerge && g.dbakw(node) == 0 && !g.constrained(node)) {
        if (g.dforw(node) == 2) {  // indistinguishable from skip: merge into it
          g.qsize(skip) += g.qsize(node);
          g.qsize(node) = 0;
          g.marker(node) = g.maxint;
          g.dforw(node) = -skip;
          g.dbakw(node) = -g.maxint;
        } else {
          g.dbakw(node) = -g.maxint;  // outmatched: its turn comes with skip's elimination
        }
      }
    }
    if (next == 0) return true;
    if (!valid_link(g, next)) return false;
    link = next;
  }
}

// New degree of a flagged node m with exactly one neighbour besides the element elimnt.
bool degree_two_neighbours(MmdGraph& g, int32_t m, int32_t elimnt, int64_t& deg) {
  const int32_t first = g.xadj(m);
  int32_t nabor = g.adj(first);
  if (nabor == elimnt) nabor = g.adj(first + 1);
  if (!valid_link(g, nabor)) return false;
  if (g.dforw(nabor) >= 0) {
    deg += g.qsize(nabor);
    return true;
  }
  return add_element_members<true>(g, nabor, m, deg);
}

// New degree of a flagged node m with more neighbours: every unmarked uneliminated neighbour and
// every unmarked member of a neighbouring element.
bool degree_general(MmdGraph& g, int32_t m, int64_t& deg) {
  const int32_t istop = g.xadj(m + 1) - 1;
  for (int32_t i = g.xadj(m); i <= istop; ++i) {
    const int32_t nabor = g.adj(i);
    if (nabor == 0) break;
    if (!valid_link(g, nabor)) return false;
    if (g.marker(nabor) >= g.tag) continue;
    g.marker(nabor) = g.tag;
    if (g.dforw(nabor) >= 0) {
      deg += g.qsize(nabor);
    } else if (!add_element_members<false>(g, nabor, 0, deg)) {
      return false;
    }
  }
  return true;
}

// Members of element e: sizes summed into deg0 and marked mtag; flagged unconstrained members
// collected on the q2 list (one neighbour besides e) or the qx list (more).
bool collect_members(MmdGraph& g, int32_t e, int32_t mtag, int64_t& deg0, int32_t& q2, int32_t& qx) {
  int32_t link = e;
  for (;;) {
    const int32_t istop = g.xadj(link + 1) - 1;
    int32_t next = 0;
    for (int32_t i = g.xadj(link); i <= istop; ++i) {
      const int32_t node = g.adj(i);
      if (node < 0) {
        next = -node;
        break;
      }
      if (node == 0) return true;
      if (node > g.n) return false;
      if (g.qsize(node) == 0) continue;
      deg0 += g.qsize(node);
      g.marker(node) = mtag;
      if (g.dbakw(node) != 0 || g.constrained(node)) continue;
      int32_t& head = g.dforw(node) == 2 ? q2 : qx;
      g.llist(node) = head;
      head = node;
    }
    if (next == 0) return true;
    if (!valid_link(g, next)) return false;
    link = next;
  }
}

// Puts m back into the bucket of its new degree and lowers the minimum degree when needed.
bool reinsert(MmdGraph& g, int32_t m, int64_t deg) {
  const int64_t bucket = deg - g.qsize(m) + 1;
  if (bucket < 1 || bucket > g.n) return false;
  push_bucket(g, m, static_cast<int32_t>(bucket));
  if (bucket < g.mdeg) g.mdeg = static_cast<int32_t>(bucket);
  return true;
}

}  // namespace

bool mmdupd(MmdGraph& g, int32_t ehead) {
  const int64_t mdeg0 = static_cast<int64_t>(g.mdeg) + g.delta;
  for (int32_t e = ehead; e > 0; e = g.llist(e)) {
    if (g.tag + mdeg0 >= g.maxint) reset_markers(g);
    const int32_t mtag = static_cast<int32_t>(g.tag + mdeg0);
    int32_t q2 = 0, qx = 0;
    int64_t deg0 = 0;
    if (!collect_members(g, e, mtag, deg0, q2, qx)) return false;
    for (int pass = 0; pass < 2; ++pass) {
      for (int32_t m = pass == 0 ? q2 : qx; m > 0; m = g.llist(m)) {
        if (g.dbakw(m) != 0) continue;  // merged, outmatched or already updated
        g.tag += 1;
        int64_t deg = deg0;
        const bool ok = pass == 0 ? degree_two_neighbours(g, m, e, deg) : degree_general(g, m, deg);
        if (!ok || !reinsert(g, m, deg)) return false;
      }
    }
    g.tag = mtag;
  }
  return true;
}

void mmdnum(int32_t n, OneBased<int32_t> perm, OneBased<int32_t> invp, OneBased<const int32_t> qsize) {
  for (int32_t v = 1; v <= n; ++v) perm(v) = qsize(v) > 0 ? -invp(v) : invp(v);
  // An absorbed node follows its representative directly; the chain it walked is shortened.
  for (int32_t v = 1; v <= n; ++v) {
    if (perm(v) > 0) continue;
    int32_t root = v;
    while (perm(root) <= 0) root = -perm(root);
    const int32_t num = perm(root) + 1;
    invp(v) = -num;
    perm(root) = num;
    int32_t f = v;
    for (;;) {
      const int32_t next = -perm(f);
      if (next <= 0) break;
      perm(f) = -root;
      f = next;
    }
  }
  for (int32_t v = 1; v <= n; ++v) {
    const int32_t num = -invp(v);
    invp(v) = num;
    perm(num) = v;
  }
}

// ---------------------------------------------------------------------------------------------
// The elimination loop.

namespace {

// Numbers the nodes of bucket 1 (no neighbours) at once. Constrained nodes stay for later: they
// leave the bucket flagged (backward link 0) and keep a positive forward link.
void number_isolated(MmdGraph& g) {
  int32_t next = g.dhead(1);
  while (next > 0) {
    const int32_t v = next;
    next = g.dforw(v);
    if (g.constrained(v)) {
      g.dforw(v) = 1;
      g.dbakw(v) = 0;
      continue;
    }
    g.marker(v) = g.maxint;
    g.dforw(v) = -g.num;
    g.num += 1;
  }
  g.dhead(1) = 0;
}

// Takes the head of the first non-empty bucket in mdeg..mdlmt; 0 when there is none.
int32_t take_minimum(MmdGraph& g, int32_t mdlmt) {
  for (;;) {
    if (g.mdeg > mdlmt || g.mdeg > g.n) return 0;
    const int32_t v = g.dhead(g.mdeg);
    if (v > 0) {
      const int32_t next = g.dforw(v);
      g.dhead(g.mdeg) = next;
      if (next > 0) g.dbakw(next) = -g.mdeg;
      return v;
    }
    g.mdeg += 1;
  }
}

}  // namespace

MmdStatus mmd_eliminate(MmdGraph& g, int32_t limit, bool final_stage) {
  while (g.num <= limit) {
    while (g.mdeg <= g.n && g.dhead(g.mdeg) <= 0) g.mdeg += 1;
    if (g.mdeg > g.n) return MmdStatus::stuck;
    const int32_t mdlmt = g.delta >= 0 ? g.mdeg + g.delta : g.mdeg;
    int32_t ehead = 0;
    for (;;) {
      const int32_t v = take_minimum(g, mdlmt);
      if (v == 0) break;
      if (g.constrained(v)) {  // kept for last: only leaves the bucket
        g.dbakw(v) = 0;
        g.dforw(v) = 1;
        continue;
      }
      g.dforw(v) = -g.num;
      if (final_stage && g.num + g.qsize(v) > limit) {  // v holds every node that is left
        g.num += g.qsize(v);
        return MmdStatus::done;
      }
      g.tag += 1;
      if (g.tag >= g.maxint) reset_markers(g);
      if (!mmdelm(g, v)) return MmdStatus::stuck;
      g.num += g.qsize(v);
      g.llist(v) = ehead;
      ehead = v;
      if (g.delta < 0 || g.num > limit) break;
    }
    if (g.num > limit) break;
    if (!mmdupd(g, ehead)) return MmdStatus::stuck;
  }
  return MmdStatus::done;
}

MmdStatus pmmd(MmdGraph& g) {
  if (g.n <= 0) return MmdStatus::done;
  mmdint(g);
  g.num = 1;
  g.tag = 1;
  number_isolated(g);
  g.mdeg = 2;
  MmdStatus st = MmdStatus::done;
  if (g.num <= g.n) st = mmd_eliminate(g, g.n, true);
  if (st != MmdStatus::done) return st;
  mmdnum(g.n, g.dbakw, g.dforw, OneBased<const int32_t>(g.qsize.data(), g.n));
  return MmdStatus::done;
}

namespace {

// A 64-bit fingerprint of the unordered pair {u, v}, u < v.
uint64_t pair_fingerprint(uint64_t u, uint64_t v) {
  uint64_t x = (u << 32) ^ v ^ 0x9E3779B97F4A7C15ull;
  x ^= x >> 30;
  x *= 0xBF58476D1CE4E5B9ull;
  x ^= x >> 27;
  x *= 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

}  // namespace

namespace {

// Fresh external degree of an uneliminated node v from the quotient graph, as a bucket index.
bool fresh_bucket(MmdGraph& g, int32_t v, int32_t& bucket) {
  g.tag += 1;
  if (g.tag >= g.maxint) reset_markers(g);
  g.marker(v) = g.tag;
  int64_t deg = 0;
  const int32_t istop = g.xadj(v + 1) - 1;
  for (int32_t i = g.xadj(v); i <= istop; ++i) {
    const int32_t u = g.adj(i);
    if (u == 0) break;
    if (!valid_link(g, u)) return false;
    if (g.marker(u) >= g.tag) continue;
    g.marker(u) = g.tag;
    if (g.dforw(u) >= 0)
      deg += g.qsize(u);
    else if (!add_element_members<false>(g, u, 0, deg))
      return false;
  }
  if (deg + 1 > g.n) return false;
  bucket = static_cast<int32_t>(deg + 1);
  return true;
}

// Lifts the constraints once every unconstrained node is numbered: the remaining nodes get their
// degrees from the current quotient graph and go back into the buckets; the search for the
// minimum restarts at bucket 1, so none of them can be missed.
bool lift_constraints(MmdGraph& g) {
  g.cmark = OneBased<const int32_t>();
  for (int32_t d = 1; d <= g.n; ++d) g.dhead(d) = 0;
  for (int32_t v = 1; v <= g.n; ++v) {
    if (g.qsize(v) == 0 || g.dforw(v) < 0) continue;
    int32_t bucket = 0;
    if (!fresh_bucket(g, v, bucket)) return false;
    push_bucket(g, v, bucket);
  }
  g.mdeg = 1;
  return true;
}

}  // namespace

MmdStatus cmd(MmdGraph& g, int32_t count, bool lift) {
  if (g.n <= 0) return MmdStatus::done;
  mmdint(g);
  g.num = 1;
  g.tag = 1;
  number_isolated(g);
  g.mdeg = 2;
  const int32_t nfree = g.n - count;
  MmdStatus st = g.num <= nfree ? mmd_eliminate(g, nfree, !lift) : MmdStatus::done;
  if (st != MmdStatus::done) return st;
  if (!lift) {
    // The constrained nodes keep their positions from the decomposition.
    for (int32_t v = 1; v <= g.n; ++v)
      if (g.constrained(v)) g.dforw(v) = -g.cmark(v);
  } else {
    if (!lift_constraints(g)) return MmdStatus::stuck;
    if (g.num <= g.n) st = mmd_eliminate(g, g.n, true);
    if (st != MmdStatus::done) return st;
  }
  mmdnum(g.n, g.dbakw, g.dforw, OneBased<const int32_t>(g.qsize.data(), g.n));
  return MmdStatus::done;
}

bool check_graph(int32_t n, const int32_t* xadj, const int32_t* adjncy, int64_t capacity) {
  if (n <= 0) return true;
  if (xadj[0] != 1) return false;
  for (int32_t v = 0; v < n; ++v)
    if (xadj[v + 1] < xadj[v]) return false;
  const int64_t len = static_cast<int64_t>(xadj[n]) - 1;
  if (len > capacity) return false;
  // Every entry in range, no self loops, and every edge in both lists: the fingerprints of the
  // entries (v, u) with v < u and of their mirrors cancel exactly for a symmetric graph.
  uint64_t balance = 0;
  for (int32_t v = 1; v <= n; ++v) {
    for (int32_t k = xadj[v - 1]; k < xadj[v]; ++k) {
      const int32_t u = adjncy[k - 1];
      if (u < 1 || u > n || u == v) return false;
      if (v < u)
        balance += pair_fingerprint(v, u);
      else
        balance -= pair_fingerprint(u, v);
    }
  }
  return balance == 0;
}

bool mmd_order0(int32_t n, const int32_t* xadj0, const int32_t* adjncy0, int32_t* perm0) {
  if (n <= 0) return true;
  const int64_t len = xadj0[n];
  std::vector<int32_t> xadj(n + 1), adj(std::max<int64_t>(len, 1)), invp(n), perm(n),
      w(4 * static_cast<size_t>(n));
  for (int32_t v = 0; v <= n; ++v) xadj[v] = xadj0[v] + 1;
  for (int64_t k = 0; k < len; ++k) adj[k] = adjncy0[k] + 1;
  if (!check_graph(n, xadj.data(), adj.data(), len)) return false;
  MmdGraph g = make_mmd_graph(n, xadj.data(), adj.data(), invp.data(), perm.data(), w.data(), w.data() + n,
                              w.data() + 2 * n, w.data() + 3 * n, 0x7FFFFFFF, 0);
  if (pmmd(g) != MmdStatus::done) return false;
  for (int32_t k = 0; k < n; ++k) perm0[k] = perm[k] - 1;
  return true;
}

MmdGraph make_mmd_graph(int32_t n, const int32_t* xadj, int32_t* adj, int32_t* invp, int32_t* perm,
                        int32_t* dhead, int32_t* qsize, int32_t* llist, int32_t* marker, int32_t maxint,
                        int32_t delta) {
  MmdGraph g;
  g.n = n;
  const int64_t len = n > 0 ? static_cast<int64_t>(xadj[n]) - 1 : 0;
  g.xadj = OneBased<const int32_t>(xadj, n + 1);
  g.adj = OneBased<int32_t>(adj, len);
  g.dforw = OneBased<int32_t>(invp, n);
  g.dbakw = OneBased<int32_t>(perm, n);
  g.dhead = OneBased<int32_t>(dhead, n);
  g.qsize = OneBased<int32_t>(qsize, n);
  g.llist = OneBased<int32_t>(llist, n);
  g.marker = OneBased<int32_t>(marker, n);
  g.maxint = maxint;
  g.delta = delta;
  return g;
}

int32_t gepmmd(int32_t n, int64_t adjlen, const int32_t* xadj, const int32_t* adjncy, int32_t maxint,
               int32_t delta, int32_t* invp, int32_t* perm, int32_t* w1, int32_t* w2, int32_t* w3,
               int32_t* w4, int64_t adjcopy_end, int32_t* adjcopy) {
  if (n <= 0) return 0;
  if (maxint <= n || !check_graph(n, xadj, adjncy, std::min(adjlen, adjcopy_end))) return kOrderingBadInput;
  const int64_t len = static_cast<int64_t>(xadj[n]) - 1;
  if (adjcopy != adjncy && len > 0) std::memmove(adjcopy, adjncy, sizeof(int32_t) * len);
  MmdGraph g = make_mmd_graph(n, xadj, adjcopy, invp, perm, w1, w2, w3, w4, maxint, delta);
  return pmmd(g) == MmdStatus::done ? 0 : kOrderingFailed;
}

}  // namespace varnexo::ordering

using namespace varnexo::ordering;
using varnexo::OneBased;

extern "C" {

VARNEXO_EXPORT void gepmmd_varnexo_(const int32_t* n, const int32_t* np1, const int32_t* adjlen,
                                    const int32_t* adjlen2, int32_t* xadj, int32_t* adjncy,
                                    const int32_t* maxint, const int32_t* delta, int32_t* invp, int32_t* perm,
                                    int32_t* w1, int32_t* w2, int32_t* w3, int32_t* w4, int32_t* w5,
                                    const int32_t* adjcopy_end, int32_t* adjcopy, const int32_t* msglvl,
                                    const int32_t* unit, int32_t* error) {
  (void)np1, (void)adjlen2, (void)w5, (void)msglvl, (void)unit;
  *error =
      gepmmd(*n, *adjlen, xadj, adjncy, *maxint, *delta, invp, perm, w1, w2, w3, w4, *adjcopy_end, adjcopy);
}
VARNEXO_UNDERSCORE_ALIAS(gepmmd_varnexo_);

VARNEXO_EXPORT void pmmd_varnexo_(const int32_t* n, const int32_t* np1, const int32_t* adjlen, int32_t* xadj,
                                  int32_t* adjcopy, int32_t* invp, int32_t* perm, const int32_t* delta,
                                  int32_t* dhead, int32_t* qsize, int32_t* llist, int32_t* marker,
                                  const int32_t* maxint) {
  (void)np1, (void)adjlen;
  if (*n <= 0) return;
  MmdGraph g = make_mmd_graph(*n, xadj, adjcopy, invp, perm, dhead, qsize, llist, marker, *maxint, *delta);
  pmmd(g);
}
VARNEXO_UNDERSCORE_ALIAS(pmmd_varnexo_);

VARNEXO_EXPORT void cmd_varnexo_(const int32_t* n, const int32_t* np1, const int32_t* adjlen, int32_t* xadj,
                                 int32_t* adjcopy, int32_t* invp, int32_t* perm, const int32_t* delta,
                                 int32_t* dhead, int32_t* qsize, int32_t* llist, int32_t* marker,
                                 const int32_t* maxint, const int32_t* cmark, const int32_t* count,
                                 const int32_t* separator_flag, int32_t* error) {
  (void)np1, (void)adjlen;
  *error = 0;
  if (*n <= 0) return;
  MmdGraph g = make_mmd_graph(*n, xadj, adjcopy, invp, perm, dhead, qsize, llist, marker, *maxint, *delta);
  if (*count > 0) g.cmark = OneBased<const int32_t>(cmark, *n);
  const int32_t c = std::clamp(*count, 0, *n);
  *error = cmd(g, c, *separator_flag != 0) == MmdStatus::done ? 0 : kOrderingFailed;
}
VARNEXO_UNDERSCORE_ALIAS(cmd_varnexo_);

VARNEXO_EXPORT void mmdint_varnexo_(const int32_t* n, int32_t* xadj, int32_t* dhead, int32_t* dforw,
                                    int32_t* dbakw, int32_t* qsize, int32_t* llist, int32_t* marker) {
  if (*n <= 0) return;
  MmdGraph g = make_mmd_graph(*n, xadj, nullptr, dforw, dbakw, dhead, qsize, llist, marker, 0x7FFFFFFF, 0);
  mmdint(g);
}
VARNEXO_UNDERSCORE_ALIAS(mmdint_varnexo_);

VARNEXO_EXPORT void pmmdelm_varnexo_(const int32_t* n, const int32_t* mdnode, int32_t* xadj, int32_t* adjncy,
                                     int32_t* dhead, int32_t* dforw, int32_t* dbakw, int32_t* qsize,
                                     int32_t* llist, int32_t* marker, const int32_t* maxint,
                                     const int32_t* tag, int32_t* error) {
  MmdGraph g = make_mmd_graph(*n, xadj, adjncy, dforw, dbakw, dhead, qsize, llist, marker, *maxint, 0);
  g.tag = *tag;
  *error = mmdelm(g, *mdnode) ? 0 : kOrderingFailed;
}
VARNEXO_UNDERSCORE_ALIAS(pmmdelm_varnexo_);

VARNEXO_EXPORT void mmdupd_varnexo_(const int32_t* n, const int32_t* ehead, int32_t* xadj, int32_t* adjncy,
                                    const int32_t* delta, int32_t* mdeg, int32_t* dhead, int32_t* dforw,
                                    int32_t* dbakw, int32_t* qsize, int32_t* llist, int32_t* marker,
                                    const int32_t* maxint, int32_t* tag, int32_t* error) {
  MmdGraph g = make_mmd_graph(*n, xadj, adjncy, dforw, dbakw, dhead, qsize, llist, marker, *maxint, *delta);
  g.tag = *tag;
  g.mdeg = *mdeg;
  *error = mmdupd(g, *ehead) ? 0 : kOrderingFailed;
  *tag = g.tag;
  *mdeg = g.mdeg;
}
VARNEXO_UNDERSCORE_ALIAS(mmdupd_varnexo_);

VARNEXO_EXPORT void mmdnum_varnexo_(const int32_t* n, int32_t* perm, int32_t* invp, const int32_t* qsize) {
  if (*n <= 0) return;
  mmdnum(*n, OneBased<int32_t>(perm, *n), OneBased<int32_t>(invp, *n), OneBased<const int32_t>(qsize, *n));
}
VARNEXO_UNDERSCORE_ALIAS(mmdnum_varnexo_);

}  // extern "C"
