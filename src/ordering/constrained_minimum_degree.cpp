// Minimum degree with constraints (ordering stage): a k-way domain decomposition with a vertex
// separator, one part per processor, keeps the separator nodes out of the elimination until every
// other node is numbered. The partition comes from the METIS k-way partitioner.
#include <metis.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "common/export.h"
#include "common/guard.h"
#include "common/onebased.h"
#include "ordering/ordering_entries.h"
#include "ordering/ordering_internal.h"

static_assert(sizeof(idx_t) == sizeof(int32_t), "the partitioner must use 32-bit indices");

namespace varnexo::ordering {

namespace {

constexpr idx_t kPartitionSeed = 4321;

// A fixed, reproducible visiting order of 0..n-1 (Fisher-Yates with a fixed linear congruential
// generator), so that the separator is not biased towards the higher-numbered parts.
std::vector<int32_t> visiting_order(int32_t n) {
  std::vector<int32_t> order(n);
  for (int32_t i = 0; i < n; ++i) order[i] = i;
  uint64_t state = 0x2545F4914F6CDD1Dull;
  for (int32_t i = n - 1; i > 0; --i) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    const int32_t j = static_cast<int32_t>((state >> 33) % static_cast<uint64_t>(i + 1));
    std::swap(order[i], order[j]);
  }
  return order;
}

// Separator from the boundary: a boundary vertex stays in the separator only while some neighbour
// in another part is not a separator vertex. Every edge between parts keeps at least one end in
// the separator: of its two ends the one visited first either stays, or leaves because the other
// end is still a separator vertex, and the other end then sees a non-separator neighbour.
std::vector<char> separator_from_boundary(int32_t n, const idx_t* xadj, const idx_t* adjncy,
                                          const idx_t* part) {
  std::vector<char> sep(n, 0);
  for (int32_t v = 0; v < n; ++v)
    for (idx_t k = xadj[v]; k < xadj[v + 1]; ++k)
      if (part[adjncy[k]] != part[v]) {
        sep[v] = 1;
        break;
      }
  for (int32_t v : visiting_order(n)) {
    if (!sep[v]) continue;
    bool keep = false;
    for (idx_t k = xadj[v]; k < xadj[v + 1] && !keep; ++k) {
      const idx_t u = adjncy[k];
      keep = part[u] != part[v] && !sep[u];
    }
    sep[v] = keep;
  }
  return sep;
}

}  // namespace

int32_t ddecomp(int32_t n, int32_t* xadj0, int32_t* adjncy0, int32_t nparts, int32_t* perm0, int32_t* invp0,
                int32_t* domptr, int32_t* edgecut) {
  std::vector<idx_t> part(std::max(n, 1), 0);
  *edgecut = 0;
  const int32_t np = std::max<int32_t>(1, std::min(nparts, n));
  if (np > 1 && xadj0[n] > 0) {
    idx_t options[METIS_NOPTIONS];
    METIS_SetDefaultOptions(options);
    options[METIS_OPTION_NUMBERING] = 0;
    options[METIS_OPTION_SEED] = kPartitionSeed;
    idx_t nv = n, ncon = 1, nparts_idx = np, cut = 0;
    std::lock_guard<std::mutex> lock(partitioner_lock());
    const int rc = METIS_PartGraphKway(&nv, &ncon, xadj0, adjncy0, nullptr, nullptr, nullptr, &nparts_idx,
                                       nullptr, nullptr, options, &cut, part.data());
    if (rc != METIS_OK) return kOrderingFailed;
    *edgecut = cut;
  }
  const std::vector<char> sep = separator_from_boundary(n, xadj0, adjncy0, part.data());
  // Interior vertices of part 0, 1, ... in blocks, then the separator vertices grouped by part.
  std::vector<int32_t> interior(nparts + 1, 0), separator(nparts + 1, 0);
  for (int32_t v = 0; v < n; ++v) (sep[v] ? separator : interior)[part[v]] += 1;
  int32_t pos = 0;
  for (int32_t p = 0; p < nparts; ++p) {
    domptr[p] = pos;
    pos += interior[p];
  }
  domptr[nparts] = pos;
  std::vector<int32_t> next_interior(nparts), next_separator(nparts);
  for (int32_t p = 0; p < nparts; ++p) next_interior[p] = domptr[p];
  for (int32_t p = 0; p < nparts; ++p) {
    next_separator[p] = pos;
    pos += separator[p];
  }
  for (int32_t v = 0; v < n; ++v) {
    const int32_t k = sep[v] ? next_separator[part[v]]++ : next_interior[part[v]]++;
    perm0[k] = v;
    invp0[v] = k;
  }
  return 0;
}

namespace {

// Decomposition of the 1-based graph (xadj, adjncy) into nproc domains, converting the graph to
// 0-based numbering in place and back. perm/invp: 1-based decomposition order. Returns the number
// of constrained nodes: the separator plus the last two interior positions, at most n; 0 when
// there is nothing to decompose or the partitioner fails (the ordering is then unconstrained).
int32_t decompose(int32_t nproc, int32_t n, int32_t* xadj, int32_t* adjncy, int32_t* perm, int32_t* invp) {
  if (nproc <= 1 || n <= 0) return 0;
  const int64_t len = static_cast<int64_t>(xadj[n]) - 1;
  for (int64_t k = 0; k < len; ++k) adjncy[k] -= 1;
  for (int32_t v = 0; v <= n; ++v) xadj[v] -= 1;
  std::vector<int32_t> domptr(nproc + 1);
  int32_t cut = 0;
  const int32_t rc = ddecomp(n, xadj, adjncy, nproc, perm, invp, domptr.data(), &cut);
  for (int32_t v = 0; v <= n; ++v) xadj[v] += 1;
  for (int64_t k = 0; k < len; ++k) adjncy[k] += 1;
  if (rc != 0) return 0;
  for (int32_t k = 0; k < n; ++k) {
    perm[k] += 1;
    invp[k] += 1;
  }
  return std::min(n, n - domptr[nproc] + 2);
}

// Plain multiple minimum degree on a fresh copy of the graph.
bool plain_mmd(int32_t n, const int32_t* xadj, const int32_t* adjncy, int32_t maxint, int32_t delta,
               int32_t* invp, int32_t* perm, int32_t* w1, int32_t* w2, int32_t* w3, int32_t* w4,
               int32_t* adjcopy) {
  const int64_t len = static_cast<int64_t>(xadj[n]) - 1;
  return gepmmd(n, len, xadj, adjncy, maxint, delta, invp, perm, w1, w2, w3, w4, len, adjcopy) == 0;
}

}  // namespace

int32_t gepcmd(int32_t n, int32_t nproc, int64_t adjlen, int32_t* xadj, const int32_t* adjncy, int32_t maxint,
               int32_t delta, int32_t* invp, int32_t* perm, int32_t* w1, int32_t* w2, int32_t* w3,
               int32_t* w4, int32_t* w5, int32_t* adjcopy, int32_t separator_flag) {
  if (n <= 0) return 0;
  std::memset(w5, 0, sizeof(int32_t) * n);
  std::memset(invp, 0, sizeof(int32_t) * n);
  std::memset(perm, 0, sizeof(int32_t) * n);
  if (maxint <= n || !check_graph(n, xadj, adjncy, adjlen)) return kOrderingBadInput;
  const int64_t len = static_cast<int64_t>(xadj[n]) - 1;
  if (adjcopy != adjncy && len > 0) std::memmove(adjcopy, adjncy, sizeof(int32_t) * len);
  // Without the work memory of the decomposition the ordering is unconstrained.
  const int32_t count = guard_status({0, 0}, [&] { return decompose(nproc, n, xadj, adjcopy, perm, invp); });
  if (count > 0) {
    OneBased<int32_t> mark(w5, n);
    OneBased<const int32_t> p(perm, n);
    for (int32_t k = n - count + 1; k <= n; ++k) mark(p(k)) = k;
    MmdGraph g = make_mmd_graph(n, xadj, adjcopy, invp, perm, w1, w2, w3, w4, maxint, delta);
    g.cmark = OneBased<const int32_t>(w5, n);
    if (cmd(g, count, separator_flag != 0) == MmdStatus::done) return count;
  }
  // Unconstrained (one processor, no decomposition, or a failed constrained elimination).
  return plain_mmd(n, xadj, adjncy, maxint, delta, invp, perm, w1, w2, w3, w4, adjcopy) ? 0 : kOrderingFailed;
}

}  // namespace varnexo::ordering

using namespace varnexo::ordering;
using varnexo::OneBased;

extern "C" {

VARNEXO_EXPORT void gepcmd_varnexo_(const int32_t* n, const int32_t* np1, const int32_t* nproc,
                                    const int32_t* adjlen, const int32_t* adjlen2, int32_t* xadj,
                                    int32_t* adjncy, const int32_t* maxint, const int32_t* delta,
                                    int32_t* invp, int32_t* perm, int32_t* w1, int32_t* w2, int32_t* w3,
                                    int32_t* w4, int32_t* w5, int32_t* work, int32_t* adjcopy,
                                    const int32_t* separator_flag, int32_t* separator_count, int32_t* work2) {
  (void)np1, (void)adjlen2, (void)work, (void)work2;
  const int32_t rc = gepcmd(*n, *nproc, *adjlen, xadj, adjncy, *maxint, *delta, invp, perm, w1, w2, w3, w4,
                            w5, adjcopy, *separator_flag);
  if (rc < 0) {
    // Inconsistent graph: an identity order keeps every later step in bounds; the negative count
    // tells the analysis that the ordering failed.
    for (int32_t k = 1; k <= *n; ++k) perm[k - 1] = invp[k - 1] = k;
  }
  *separator_count = rc;
}
VARNEXO_UNDERSCORE_ALIAS(gepcmd_varnexo_);

VARNEXO_EXPORT void ixddecomp_(const int32_t* nproc, const int32_t* n, int32_t* separator_count,
                               int32_t* xadj, int32_t* adjncy, int32_t* perm, int32_t* invp, int32_t* work) {
  (void)work;
  *separator_count =
      varnexo::guard_status({0, 0}, [&] { return decompose(*nproc, *n, xadj, adjncy, perm, invp); });
}
VARNEXO_UNDERSCORE_ALIAS(ixddecomp_);

VARNEXO_EXPORT void METIS41VARNEXO_ddecomp_(const int32_t* n, int32_t* xadj, int32_t* adjncy,
                                            const int32_t* nparts, int32_t* perm, int32_t* invp,
                                            int32_t* domptr, int32_t* edgecut) {
  const int32_t rc = varnexo::guard_status({kOrderingFailed, kOrderingFailed}, [&] {
    return ddecomp(*n, xadj, adjncy, *nparts, perm, invp, domptr, edgecut);
  });
  if (rc != 0) *edgecut = -1;  // no decomposition
}
VARNEXO_UNDERSCORE_ALIAS(METIS41VARNEXO_ddecomp_);

}  // extern "C"
