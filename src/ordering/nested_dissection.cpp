// Nested-dissection ordering (ordering stage, the default fill-reducing ordering) through the
// METIS library, extended so that the top levels of the dissection also give a domain table: one
// range of positions per independent subgraph, followed by the separators of all top levels.
#include <metis.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <new>
#include <utility>
#include <vector>

#include "common/export.h"
#include "common/guard.h"
#include "common/memory.h"
#include "ordering/ordering_entries.h"
#include "ordering/ordering_internal.h"

static_assert(sizeof(idx_t) == sizeof(int32_t), "the partitioner must use 32-bit indices");

namespace varnexo::ordering {

std::mutex& partitioner_lock() {
  static std::mutex lock;
  return lock;
}

namespace {

constexpr int32_t kSmallGraph = 200;  // subgraphs up to this size are ordered by minimum degree
constexpr idx_t kSeed = 4321;         // fixed seed: the same graph always gives the same order
constexpr int32_t kMaxDomainsDriver2 = 128;

// The graph the dissection works on: 0-based, with vertex weights after compression.
struct WorkGraph {
  int32_t n = 0;
  std::vector<idx_t> xadj{0}, adjncy, vwgt;  // vwgt empty: unit weights
  idx_t* weights() { return vwgt.empty() ? nullptr : vwgt.data(); }
};

// The eight option words of the entry, read in the partitioner's terms.
struct DissectionOptions {
  idx_t ctype = METIS_CTYPE_SHEM, iptype = METIS_IPTYPE_EDGE, rtype = METIS_RTYPE_SEP1SIDED;
  bool compress = true, ccorder = false;
  int32_t pfactor = 0, nseps = 1;
};

DissectionOptions read_options(const int32_t* opt) {
  DissectionOptions o;
  if (opt == nullptr || opt[0] == 0) return o;  // defaults
  o.ctype = opt[1] == 1 ? METIS_CTYPE_RM : METIS_CTYPE_SHEM;
  o.iptype = opt[2] == 2 ? METIS_IPTYPE_NODE : METIS_IPTYPE_EDGE;
  o.rtype = opt[3] == 1 ? METIS_RTYPE_SEP2SIDED : METIS_RTYPE_SEP1SIDED;
  o.compress = (opt[5] & 1) != 0;
  o.ccorder = (opt[5] & 2) != 0;
  o.pfactor = std::max(0, opt[6]);
  o.nseps = std::max(1, opt[7]);
  return o;
}

// Partitioner options; pruning and compression of the top level are done here, so a subgraph
// call never prunes again.
void partitioner_options(const DissectionOptions& o, idx_t* m, bool ccorder) {
  METIS_SetDefaultOptions(m);
  m[METIS_OPTION_CTYPE] = o.ctype;
  m[METIS_OPTION_IPTYPE] = o.iptype;
  m[METIS_OPTION_RTYPE] = o.rtype;
  m[METIS_OPTION_DBGLVL] = 0;
  m[METIS_OPTION_COMPRESS] = o.compress ? 1 : 0;
  m[METIS_OPTION_CCORDER] = ccorder ? 1 : 0;
  m[METIS_OPTION_PFACTOR] = 0;
  m[METIS_OPTION_NSEPS] = o.nseps;
  m[METIS_OPTION_SEED] = kSeed;
  m[METIS_OPTION_NUMBERING] = 0;
}

// The reduction of the input graph: each work vertex stands for members[ptr[w] .. ptr[w+1]) of the
// input (0-based), and the pruned vertices are numbered after all others.
struct Reduction {
  WorkGraph graph;
  std::vector<int32_t> ptr, members, pruned;
};

// The input graph as it is (1-based in, 0-based out).
void identity_reduction(int32_t n, const int32_t* xadj, const int32_t* adjncy, Reduction& r) {
  r.graph.n = n;
  r.graph.xadj.resize(n + 1);
  for (int32_t v = 0; v <= n; ++v) r.graph.xadj[v] = xadj[v] - 1;
  r.graph.adjncy.resize(xadj[n] - 1);
  for (int32_t k = 0; k < xadj[n] - 1; ++k) r.graph.adjncy[k] = adjncy[k] - 1;
  r.ptr.resize(n + 1);
  r.members.resize(n);
  for (int32_t v = 0; v <= n; ++v) r.ptr[v] = v;
  for (int32_t v = 0; v < n; ++v) r.members[v] = v;
}

// Sets aside the vertices whose degree exceeds 0.1·pfactor times the average degree. False when
// no vertex (or every vertex) would be set aside.
bool prune(int32_t n, const int32_t* xadj, const int32_t* adjncy, int32_t pfactor, Reduction& r) {
  const double average = static_cast<double>(xadj[n] - 1) / n;
  const double limit = 0.1 * pfactor * average;
  std::vector<int32_t> newid(n, -1);
  int32_t kept = 0;
  for (int32_t v = 0; v < n; ++v)
    if (xadj[v + 1] - xadj[v] <= limit) newid[v] = kept++;
  if (kept == n || kept == 0) return false;
  WorkGraph& g = r.graph;
  g.n = kept;
  g.xadj.assign(1, 0);
  g.adjncy.clear();
  r.ptr.assign(1, 0);
  r.members.clear();
  r.pruned.clear();
  for (int32_t v = 0; v < n; ++v) {
    if (newid[v] < 0) {
      r.pruned.push_back(v);
      continue;
    }
    for (int32_t k = xadj[v] - 1; k < xadj[v + 1] - 1; ++k)
      if (newid[adjncy[k] - 1] >= 0) g.adjncy.push_back(newid[adjncy[k] - 1]);
    g.xadj.push_back(static_cast<idx_t>(g.adjncy.size()));
    r.members.push_back(v);
    r.ptr.push_back(static_cast<int32_t>(r.members.size()));
  }
  return true;
}

// Classes of vertices with identical closed neighbourhoods: rep[v] = the smallest vertex of v's
// class. Candidates are found by sorting on (sum of neighbours + own index, degree).
std::vector<int32_t> indistinguishable_classes(int32_t n, const int32_t* xadj, const int32_t* adjncy) {
  std::vector<std::pair<int64_t, int32_t>> keys(n);
  for (int32_t v = 0; v < n; ++v) {
    int64_t key = v + 1;
    for (int32_t k = xadj[v] - 1; k < xadj[v + 1] - 1; ++k) key += adjncy[k];
    keys[v] = {key, v};
  }
  std::sort(keys.begin(), keys.end());
  std::vector<int32_t> rep(n, -1), mark(n, -1);
  for (int32_t a = 0; a < n;) {
    int32_t b = a + 1;
    while (b < n && keys[b].first == keys[a].first) ++b;
    for (int32_t i = a; i < b; ++i) {
      const int32_t v = keys[i].second;
      if (rep[v] >= 0) continue;
      rep[v] = v;
      if (b - i == 1) break;
      const int32_t deg = xadj[v + 1] - xadj[v];
      mark[v] = v;
      for (int32_t k = xadj[v] - 1; k < xadj[v + 1] - 1; ++k) mark[adjncy[k] - 1] = v;
      for (int32_t j = i + 1; j < b; ++j) {
        const int32_t w = keys[j].second;
        if (rep[w] >= 0 || xadj[w + 1] - xadj[w] != deg || mark[w] != v) continue;
        bool same = true;
        for (int32_t k = xadj[w] - 1; k < xadj[w + 1] - 1 && same; ++k) same = mark[adjncy[k] - 1] == v;
        if (same) rep[w] = v;
      }
    }
    a = b;
  }
  return rep;
}

// Merges indistinguishable vertices into weighted work vertices. Kept only when it removes more
// than 15% of the vertices; then nseps becomes 2 when fewer than half remain.
bool compress(int32_t n, const int32_t* xadj, const int32_t* adjncy, Reduction& r, int32_t& nseps) {
  const std::vector<int32_t> rep = indistinguishable_classes(n, xadj, adjncy);
  std::vector<int32_t> cid(n, -1);
  int32_t cn = 0;
  for (int32_t v = 0; v < n; ++v)
    if (rep[v] == v) cid[v] = cn++;
  if (cn >= 0.85 * n) return false;
  if (cn < n / 2) nseps = std::max(nseps, 2);
  r.ptr.assign(cn + 1, 0);
  for (int32_t v = 0; v < n; ++v) r.ptr[cid[rep[v]] + 1] += 1;
  for (int32_t c = 0; c < cn; ++c) r.ptr[c + 1] += r.ptr[c];
  r.members.assign(n, 0);
  std::vector<int32_t> fill(r.ptr.begin(), r.ptr.end() - 1);
  for (int32_t v = 0; v < n; ++v) r.members[fill[cid[rep[v]]]++] = v;
  WorkGraph& g = r.graph;
  g.n = cn;
  g.xadj.assign(1, 0);
  g.adjncy.clear();
  g.vwgt.resize(cn);
  std::vector<int32_t> seen(cn, -1);
  for (int32_t c = 0; c < cn; ++c) {
    const int32_t v = r.members[r.ptr[c]];
    seen[c] = c;
    for (int32_t k = xadj[v] - 1; k < xadj[v + 1] - 1; ++k) {
      const int32_t d = cid[rep[adjncy[k] - 1]];
      if (seen[d] != c) {
        seen[d] = c;
        g.adjncy.push_back(d);
      }
    }
    g.xadj.push_back(static_cast<idx_t>(g.adjncy.size()));
    g.vwgt[c] = r.ptr[c + 1] - r.ptr[c];
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// Work space of the dissection: one block from the library's allocation function, used as a
// stack. Every routine gives back what it took before it returns (PoolMark), so the block is
// fully returned at the end by construction; the driver still checks it.

class Pool {
 public:
  explicit Pool(int64_t words)
      : base_(static_cast<idx_t*>(memory::obtain(static_cast<size_t>(words) * sizeof(idx_t)))),
        capacity_(base_ != nullptr ? words : 0) {}
  ~Pool() { memory::release(base_); }
  Pool(const Pool&) = delete;
  Pool& operator=(const Pool&) = delete;

  bool valid() const { return base_ != nullptr; }
  // `words` words, or nullptr when the block is exhausted.
  idx_t* take(int64_t words) {
    if (words < 0 || top_ + words > capacity_) return nullptr;
    idx_t* p = base_ + top_;
    top_ += words;
    return p;
  }
  int64_t outstanding() const { return top_; }

 private:
  friend class PoolMark;
  idx_t* base_;
  int64_t capacity_;
  int64_t top_ = 0;
};

// Gives back, on scope exit, everything taken from the pool since construction.
class PoolMark {
 public:
  explicit PoolMark(Pool& pool) : pool_(pool), top_(pool.top_) {}
  ~PoolMark() { pool_.top_ = top_; }
  PoolMark(const PoolMark&) = delete;
  PoolMark& operator=(const PoolMark&) = delete;

 private:
  Pool& pool_;
  int64_t top_;
};

// Words of pool the dissection of g into p domains can need: the vertex lists of one path of
// the recursion (at most n per level) and the largest subgraph with its work vectors.
int64_t pool_words(const WorkGraph& g, int32_t p) {
  int64_t levels = 1;
  for (int32_t q = p; q > 1; q /= 2) ++levels;
  return levels * g.n + 4 * static_cast<int64_t>(g.n) + g.xadj[g.n] + 2;
}

enum class DissectStatus { done, pool_exhausted, failed };

// A subgraph in pool memory, numbered by position in its vertex list.
struct SubGraph {
  int32_t n = 0;
  idx_t *xadj = nullptr, *adjncy = nullptr, *vwgt = nullptr;
};

class Dissector {
 public:
  Dissector(WorkGraph& g, const DissectionOptions& o, Pool& pool) : g_(g), pool_(pool), local_(g.n, -1) {
    partitioner_options(o, opts_, false);
    domain_order.reserve(g.n);
  }

  // Dissects the vertex list verts[0..m) (ascending) into `count` domains or fewer.
  DissectStatus dissect(const idx_t* verts, int32_t m, int32_t count);

  std::vector<int32_t> domain_order, separator_order;
  std::vector<std::pair<int32_t, int32_t>> domains;  // 0-based [first, last] in domain_order

 private:
  bool extract(const idx_t* verts, int32_t m, SubGraph& sub);
  DissectStatus order_domain(const idx_t* verts, int32_t m);
  DissectStatus split(const idx_t* verts, int32_t m, idx_t* lists, int32_t counts[3]);

  WorkGraph& g_;
  Pool& pool_;
  std::vector<int32_t> local_;
  idx_t opts_[METIS_NOPTIONS];
};

// The subgraph induced by verts, in pool memory. False when the pool is exhausted.
bool Dissector::extract(const idx_t* verts, int32_t m, SubGraph& sub) {
  for (int32_t i = 0; i < m; ++i) local_[verts[i]] = i;
  int64_t edges = 0;
  for (int32_t i = 0; i < m; ++i)
    for (idx_t k = g_.xadj[verts[i]]; k < g_.xadj[verts[i] + 1]; ++k) edges += local_[g_.adjncy[k]] >= 0;
  sub.n = m;
  sub.xadj = pool_.take(m + 1);
  sub.adjncy = pool_.take(std::max<int64_t>(edges, 1));
  sub.vwgt = g_.vwgt.empty() ? nullptr : pool_.take(m);
  const bool ok = sub.xadj != nullptr && sub.adjncy != nullptr && (g_.vwgt.empty() || sub.vwgt != nullptr);
  if (ok) {
    idx_t pos = 0;
    sub.xadj[0] = 0;
    for (int32_t i = 0; i < m; ++i) {
      const idx_t v = verts[i];
      for (idx_t k = g_.xadj[v]; k < g_.xadj[v + 1]; ++k)
        if (local_[g_.adjncy[k]] >= 0) sub.adjncy[pos++] = local_[g_.adjncy[k]];
      sub.xadj[i + 1] = pos;
      if (sub.vwgt != nullptr) sub.vwgt[i] = g_.vwgt[v];
    }
  }
  for (int32_t i = 0; i < m; ++i) local_[verts[i]] = -1;
  return ok;
}

// Orders one domain: minimum degree when small, the partitioner's nested dissection otherwise.
DissectStatus Dissector::order_domain(const idx_t* verts, int32_t m) {
  if (m == 0) return DissectStatus::done;
  PoolMark mark(pool_);
  SubGraph sub;
  idx_t* perm = pool_.take(m);
  idx_t* iperm = pool_.take(m);
  if (perm == nullptr || iperm == nullptr || !extract(verts, m, sub)) return DissectStatus::pool_exhausted;
  if (sub.xadj[m] == 0) {
    for (int32_t i = 0; i < m; ++i) perm[i] = i;
  } else if (m <= kSmallGraph) {
    if (!mmd_order0(m, sub.xadj, sub.adjncy, perm)) return DissectStatus::failed;
  } else {
    idx_t nv = m;
    std::lock_guard<std::mutex> lock(partitioner_lock());
    if (METIS_NodeND(&nv, sub.xadj, sub.adjncy, sub.vwgt, opts_, perm, iperm) != METIS_OK)
      return DissectStatus::failed;
  }
  const int32_t first = static_cast<int32_t>(domain_order.size());
  for (int32_t k = 0; k < m; ++k) domain_order.push_back(verts[perm[k]]);
  domains.emplace_back(first, first + m - 1);
  return DissectStatus::done;
}

// Bisects verts with a vertex separator: lists receives the first half, the second half and the
// separator, each ascending; counts their sizes.
DissectStatus Dissector::split(const idx_t* verts, int32_t m, idx_t* lists, int32_t counts[3]) {
  PoolMark mark(pool_);
  SubGraph sub;
  idx_t* part = pool_.take(m);
  if (part == nullptr || !extract(verts, m, sub)) return DissectStatus::pool_exhausted;
  if (sub.xadj[m] == 0) {
    for (int32_t i = 0; i < m; ++i) part[i] = i < m / 2 ? 0 : 1;  // no edges: empty separator
  } else {
    idx_t nv = m, sepsize = 0;
    std::lock_guard<std::mutex> lock(partitioner_lock());
    if (METIS_ComputeVertexSeparator(&nv, sub.xadj, sub.adjncy, sub.vwgt, opts_, &sepsize, part) != METIS_OK)
      return DissectStatus::failed;
  }
  counts[0] = counts[1] = counts[2] = 0;
  for (int32_t i = 0; i < m; ++i) counts[std::clamp<idx_t>(part[i], 0, 2)] += 1;
  int32_t next[3] = {0, counts[0], counts[0] + counts[1]};
  for (int32_t i = 0; i < m; ++i) lists[next[std::clamp<idx_t>(part[i], 0, 2)]++] = verts[i];
  return DissectStatus::done;
}

DissectStatus Dissector::dissect(const idx_t* verts, int32_t m, int32_t count) {
  if (m == 0) return DissectStatus::done;
  if (count <= 1 || m <= kSmallGraph) return order_domain(verts, m);
  PoolMark mark(pool_);
  idx_t* lists = pool_.take(m);
  if (lists == nullptr) return DissectStatus::pool_exhausted;
  int32_t counts[3];
  DissectStatus st = split(verts, m, lists, counts);
  if (st == DissectStatus::done) st = dissect(lists, counts[0], count / 2);
  if (st == DissectStatus::done) st = dissect(lists + counts[0], counts[1], count / 2);
  if (st != DissectStatus::done) return st;
  // The separator of this level follows the separators of both halves.
  const idx_t* sep = lists + counts[0] + counts[1];
  separator_order.insert(separator_order.end(), sep, sep + counts[2]);
  return DissectStatus::done;
}

// One attempt of the dissection with a pool of factor × the estimated need.
DissectStatus dissect_with_pool(WorkGraph& g, const DissectionOptions& o, int32_t p, double factor,
                                std::vector<int32_t>& order,
                                std::vector<std::pair<int32_t, int32_t>>& domains) {
  const int64_t words = static_cast<int64_t>(factor * static_cast<double>(pool_words(g, p))) + 1;
  Pool pool(words);
  if (!pool.valid()) return DissectStatus::pool_exhausted;
  DissectStatus st;
  {
    Dissector d(g, o, pool);
    PoolMark mark(pool);
    idx_t* all = pool.take(g.n);
    if (all == nullptr) return DissectStatus::pool_exhausted;
    for (int32_t v = 0; v < g.n; ++v) all[v] = v;
    st = d.dissect(all, g.n, p);
    order = std::move(d.domain_order);
    order.insert(order.end(), d.separator_order.begin(), d.separator_order.end());
    domains = std::move(d.domains);
  }
  if (pool.outstanding() != 0) {
    std::printf(" METIS_NodeND_varnexo_2: this should not happen... ccore: %i\n",
                static_cast<int>(pool.outstanding()));
    std::fflush(stdout);
    return DissectStatus::failed;
  }
  return st;
}

// Driver 1 sizes its pool for the worst case at once. Driver 2 starts from 0.7 of it and, when
// the pool runs out, retries with the factor raised to (3f+1)/4; the last of its bounded number
// of attempts uses the full estimate, which always suffices, so only a failed allocation of
// the pool itself or of the partitioner can end in an error.
DissectStatus dissect_top_levels(WorkGraph& g, const DissectionOptions& o, int32_t p, int32_t driver,
                                 std::vector<int32_t>& order,
                                 std::vector<std::pair<int32_t, int32_t>>& domains) {
  constexpr int kAttempts = 6;
  double factor = driver == 2 ? 0.7 : 1.0;
  DissectStatus st = DissectStatus::failed;
  for (int attempt = 1; attempt <= kAttempts; ++attempt) {
    st = dissect_with_pool(g, o, p, attempt == kAttempts ? 1.0 : factor, order, domains);
    if (st != DissectStatus::pool_exhausted || driver != 2) break;
    factor = (3.0 * factor + 1.0) / 4.0;
  }
  return st;
}

// The whole reduced graph ordered at once (connected components separately), as one domain.
bool order_whole_by_components(WorkGraph& g, const DissectionOptions& o, std::vector<int32_t>& order) {
  idx_t opts[METIS_NOPTIONS];
  partitioner_options(o, opts, true);
  std::vector<idx_t> perm(g.n), iperm(g.n);
  idx_t nv = g.n;
  std::lock_guard<std::mutex> lock(partitioner_lock());
  if (METIS_NodeND(&nv, g.xadj.data(), g.adjncy.data(), g.weights(), opts, perm.data(), iperm.data()) !=
      METIS_OK)
    return false;
  order.assign(perm.begin(), perm.end());
  return true;
}

// ---------------------------------------------------------------------------------------------
// Expansion to the input numbering and the domain table.

// Writes perm/invp (1-based) from the order of the work vertices, each followed by its members,
// then the pruned vertices; maps the domain ranges to input positions.
void expand(const Reduction& r, const std::vector<int32_t>& order,
            std::vector<std::pair<int32_t, int32_t>>& domains, int32_t* perm, int32_t* invp) {
  std::vector<int32_t> start(order.size() + 1, 0);
  int32_t pos = 0;
  for (size_t k = 0; k < order.size(); ++k) {
    start[k] = pos;
    const int32_t w = order[k];
    for (int32_t m = r.ptr[w]; m < r.ptr[w + 1]; ++m) perm[pos++] = r.members[m] + 1;
  }
  start[order.size()] = pos;
  for (int32_t v : r.pruned) perm[pos++] = v + 1;
  for (int32_t k = 0; k < pos; ++k) invp[perm[k] - 1] = k + 1;
  for (auto& d : domains) d = {start[d.first], start[d.second + 1] - 1};
}

int32_t domain_count_target(int32_t requested, int32_t table_size, int32_t driver) {
  int64_t p = 1;
  while (p < requested) p *= 2;
  if (driver == 2) p = std::min<int64_t>(p, kMaxDomainsDriver2);
  while (p > 1 && 2 * p > table_size) p /= 2;  // never more pairs than the table holds
  return static_cast<int32_t>(p);
}

void write_table(const std::vector<std::pair<int32_t, int32_t>>& domains, int32_t n, int32_t table_size,
                 int32_t* table, int32_t* domains_found) {
  int32_t nd = 0;
  for (const auto& d : domains) {
    table[2 * nd] = d.first + 1;
    table[2 * nd + 1] = d.second + 1;
    ++nd;
  }
  if (nd == 0) {  // every vertex in a separator: one domain over everything
    table[0] = 1;
    table[1] = n;
    nd = 1;
  }
  if (2 * nd + 2 <= table_size) {  // the separator block: every position after the last domain
    table[2 * nd] = table[2 * nd - 1] + 1;
    table[2 * nd + 1] = n;
  }
  *domains_found = nd;
}

void identity(int32_t n, int32_t* perm, int32_t* invp) {
  for (int32_t k = 1; k <= n; ++k) perm[k - 1] = invp[k - 1] = k;
}

// Reduction of the input graph as the driver and the options ask for.
Reduction reduce(int32_t n, const int32_t* xadj, const int32_t* adjncy, int32_t requested, int32_t driver,
                 DissectionOptions& o) {
  Reduction r;
  if (driver == 1 && o.pfactor > 0 && prune(n, xadj, adjncy, o.pfactor, r)) return r;
  const bool try_compress = o.compress && (driver == 1 || requested < 2 || n <= kSmallGraph);
  if (try_compress && compress(n, xadj, adjncy, r, o.nseps)) return r;
  identity_reduction(n, xadj, adjncy, r);
  return r;
}

int32_t dissect_and_expand(int32_t n, const int32_t* xadj, const int32_t* adjncy, int32_t requested,
                           int32_t table_size, int32_t* invp, int32_t* perm, const int32_t* options,
                           int32_t* domains_found, int32_t* table, int32_t driver) {
  DissectionOptions o = read_options(options);
  Reduction r = reduce(n, xadj, adjncy, requested, driver, o);
  std::vector<int32_t> order;
  std::vector<std::pair<int32_t, int32_t>> domains;
  if (o.ccorder) {
    if (!order_whole_by_components(r.graph, o, order)) return kOrderingFailed;
    if (r.graph.n > 0) domains.emplace_back(0, r.graph.n - 1);
  } else {
    const int32_t p = domain_count_target(requested, table_size, driver);
    if (dissect_top_levels(r.graph, o, p, driver, order, domains) != DissectStatus::done)
      return kOrderingFailed;
  }
  if (static_cast<int32_t>(order.size()) != r.graph.n) return kOrderingFailed;
  expand(r, order, domains, perm, invp);
  write_table(domains, n, table_size, table, domains_found);
  return 0;
}

}  // namespace

int32_t gepmetis(int32_t n, const int32_t* xadj, const int32_t* adjncy, int32_t requested_domains,
                 int32_t table_size, int32_t* invp, int32_t* perm, const int32_t* options,
                 int32_t* domains_found, int32_t* table, int32_t driver) {
  *domains_found = 0;
  if (n <= 0) return 0;
  int32_t rc = kOrderingBadInput;
  if (table_size >= 2 && check_graph(n, xadj, adjncy, static_cast<int64_t>(xadj[n]) - 1)) {
    rc = guard_status({kOrderingFailed, kOrderingFailed}, [&] {
      return dissect_and_expand(n, xadj, adjncy, std::max(1, requested_domains), table_size, invp, perm,
                                options, domains_found, table, driver == 1 ? 2 : 1);
    });
  }
  if (rc != 0) {
    identity(n, perm, invp);
    *domains_found = 0;
  }
  return rc;
}

}  // namespace varnexo::ordering

using namespace varnexo::ordering;

extern "C" {

VARNEXO_EXPORT void gepmetis_varnexo_(const int32_t* n, const int32_t* np1, const int32_t* adjlen,
                                      const int32_t* requested_domains, const int32_t* table_size,
                                      int32_t* xadj, int32_t* adjncy, int32_t* invp, int32_t* perm,
                                      const int32_t* msglvl, const int32_t* unit, int32_t* options,
                                      int32_t* domains_found, int32_t* domain_table,
                                      const int32_t* driver_choice, int32_t* error) {
  (void)np1, (void)adjlen, (void)msglvl, (void)unit;
  const int32_t nn = *n;
  // A vertex adjacent to at least n/8 others asks for explicit options with pruning.
  int32_t d = 1;
  for (int32_t v = 0; v < nn; ++v) d = std::max(d, xadj[v + 1] - xadj[v]);
  static constexpr int32_t kExplicit[8] = {1, 3, 1, 2, 0, 1, 200, 1};
  for (int i = 0; i < 8; ++i) options[i] = d < nn / 8 ? 0 : kExplicit[i];
  for (int32_t k = 0; k < nn; ++k) perm[k] = 0;
  *error = gepmetis(nn, xadj, adjncy, *requested_domains, *table_size, invp, perm, options, domains_found,
                    domain_table, *driver_choice);
}
VARNEXO_UNDERSCORE_ALIAS(gepmetis_varnexo_);

}  // extern "C"
