// The symmetric matching with 2×2 blocks (matching stage, before the ordering): the cycles of a
// weighted matching are broken into pairs, pairs with a small diagonal become 2×2 blocks, the
// graph in which every block is one node is ordered, and the order is expanded back so that the
// two rows of a block stay adjacent.
#include "matching/symmetric_matching.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace varnexo::matching {
namespace {

struct SmatDeleter {
  void operator()(Smat* A) const { smat_free(A); }
};
using SmatPtr = std::unique_ptr<Smat, SmatDeleter>;

// The intermediate order: positions filled with the cycles' members, pairs adjacent.
struct Intermediate {
  std::vector<int32_t> at;   // at[k] = old index at intermediate position k
  std::vector<char> single;  // single[k]: position k is a 1×1 (else k, k+1 is a block)
};

double diagonal_magnitude(const Smat& A, int32_t i) {
  // Rows are sorted and hold no entry below the diagonal: the diagonal comes first when present.
  const int32_t k = A.ia[i];
  return k < A.ia[i + 1] && A.ja[k] == i && A.a ? std::fabs(A.a[k]) : 0.0;
}

// Steps 1-3: fixed points at the front, then every longer cycle as pairs from the front (an odd
// cycle's first member goes to the back as a 1×1).
bool pair_cycles(const Smat& A, const int32_t* sigma, double tau, Intermediate& im) {
  const int32_t n = A.m;
  Perm* P = perm_new_from(n, const_cast<int32_t*>(sigma));
  PermCycle* C = P ? permcycle_new_from(P) : nullptr;
  perm_free(P);
  if (!C) return false;
  im.at.assign(static_cast<size_t>(n), -1);
  im.single.assign(static_cast<size_t>(n), 1);
  int32_t f = 0, b = n - 1;
  for (int32_t c = 0; c < C->ncycles; ++c)
    if (C->starts[c + 1] - C->starts[c] == 1) im.at[f++] = C->elements[C->starts[c]];
  for (int32_t c = 0; c < C->ncycles; ++c) {
    const int32_t* e = C->elements + C->starts[c];
    const int32_t len = C->starts[c + 1] - C->starts[c];
    if (len == 1) continue;
    int32_t t = 0;
    if (len % 2 == 1) im.at[b--] = e[t++];
    for (; t + 1 < len; t += 2, f += 2) {
      im.at[f] = e[t], im.at[f + 1] = e[t + 1];
      const bool large = diagonal_magnitude(A, e[t]) > tau && diagonal_magnitude(A, e[t + 1]) > tau;
      im.single[f] = im.single[f + 1] = large;
    }
  }
  permcycle_free(C);
  return true;
}

// Steps 4-5: the compressed graph of B = P·A·Pᵀ, one node per 1×1 position and per block.
// node_of[k] = node of intermediate position k; first[v] = first position of node v.
SmatPtr compress(const Smat& A, const Intermediate& im, std::vector<int32_t>& node_of,
                 std::vector<int32_t>& first) {
  const int32_t n = A.m;
  Perm* P = perm_new_from(n, const_cast<int32_t*>(im.at.data()));
  SmatPtr B(P ? smat_copy_permute(&A, P) : nullptr);
  perm_free(P);
  if (!B || !smat_check_symmetry(B.get()) || !smat_check_ja(B.get())) return nullptr;
  node_of.assign(static_cast<size_t>(n), 0);
  first.clear();
  for (int32_t k = 0; k < n; ++k) {
    const bool second_of_block =
        k > 0 && !im.single[k - 1] && node_of[k - 1] == int32_t(first.size()) - 1 && first.back() == k - 1;
    if (!second_of_block) first.push_back(k);
    node_of[k] = static_cast<int32_t>(first.size()) - 1;
  }
  const int32_t nc = static_cast<int32_t>(first.size());
  // The node rows: the merged column lists of its positions, in node numbers (ascending, since
  // node_of is non-decreasing); equal nodes are kept once.
  int64_t room = B->nnz;
  SmatPtr G(smat_new_nnz_struct(nc, nc, static_cast<int32_t>(room), 1));
  if (!G) return nullptr;
  int32_t t = 0;
  for (int32_t v = 0; v < nc; ++v) {
    G->ia[v] = t;
    const int32_t k = first[v];
    const bool block = v + 1 < nc ? first[v + 1] - k == 2 : n - k == 2;
    int32_t p = B->ia[k], pe = B->ia[k + 1];
    int32_t q = block ? B->ia[k + 1] : 0, qe = block ? B->ia[k + 2] : 0;
    while (p < pe || q < qe) {
      int32_t col;
      if (q >= qe || (p < pe && B->ja[p] <= B->ja[q]))
        col = B->ja[p++];
      else
        col = B->ja[q++];
      const int32_t node = node_of[col];
      if (t == G->ia[v] || G->ja[t - 1] != node) G->ja[t++] = node;
    }
  }
  G->ia[nc] = t;
  G->nnz = t;
  return G;
}

// Step 7-8: the final order and the domains in positions, from the order of the nodes.
void expand(const Intermediate& im, const std::vector<int32_t>& first, const std::vector<int32_t>& order,
            const std::vector<int32_t>& node_domains, SymmetricOrder& out) {
  const int32_t n = static_cast<int32_t>(im.at.size()), nc = static_cast<int32_t>(first.size());
  std::vector<int32_t> start_pos(static_cast<size_t>(nc) + 1, 0);  // final position of new node k
  out.perm.clear();
  out.mate.assign(static_cast<size_t>(n), -1);
  out.blocks = 0;
  for (int32_t k = 0; k < nc; ++k) {
    const int32_t v = order[k], f = first[v];
    const int32_t size = (v + 1 < nc ? first[v + 1] : n) - f;
    start_pos[k] = static_cast<int32_t>(out.perm.size());
    for (int32_t s = 0; s < size; ++s) out.perm.push_back(im.at[f + s]);
    if (size == 2) {
      out.mate[im.at[f]] = im.at[f + 1];
      out.mate[im.at[f + 1]] = im.at[f];
      ++out.blocks;
    }
  }
  start_pos[nc] = n;
  out.domains.clear();
  for (size_t d = 0; d + 1 < node_domains.size(); d += 2) {
    out.domains.push_back(start_pos[node_domains[d]]);
    out.domains.push_back(start_pos[node_domains[d + 1] + 1] - 1);
  }
}

}  // namespace

int32_t mps_sym(const Smat& A, const int32_t* sigma, double tau, const CompressedOrdering& order,
                SymmetricOrder& out, BitVec* marks) {
  const int32_t n = A.m;
  if (A.n != n || !sigma || !A.sym || !smat_check_ja(&A) || (marks && marks->size != n))
    return kSymmetricBadInput;
  Intermediate im;
  if (!pair_cycles(A, sigma, tau, im)) return kSymmetricBadInput;
  std::vector<int32_t> node_of, first;
  SmatPtr G = compress(A, im, node_of, first);
  if (!G) return kSymmetricNoMemory;
  SmatPtr graph(smat_build_adjacency(G.get()));
  if (!graph) return kSymmetricNoMemory;
  const int32_t nc = G->m;
  std::vector<int32_t> node_order(static_cast<size_t>(nc)), node_domains, size(static_cast<size_t>(nc));
  for (int32_t v = 0; v < nc; ++v) size[v] = (v + 1 < nc ? first[v + 1] : n) - first[v];
  if (!order(nc, graph->ia, graph->ja, size.data(), node_order.data(), node_domains))
    return kSymmetricOrderingFailed;
  std::vector<char> seen(static_cast<size_t>(nc), 0);
  for (int32_t v : node_order) {
    if (v < 0 || v >= nc || seen[v]) return kSymmetricOrderingFailed;
    seen[v] = 1;
  }
  expand(im, first, node_order, node_domains, out);
  if (marks) {
    bitvec_clear(marks);
    for (int32_t k = 0; k < n; ++k)
      if (out.mate[out.perm[k]] < 0) bitvec_set(marks, k);
  }
  return 0;
}

}  // namespace varnexo::matching
