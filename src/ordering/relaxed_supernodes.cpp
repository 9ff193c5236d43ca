// Relaxed supernodes (supernodes -> [relaxed supernodes] -> symbolic factorisation): small
// supernodes joined into their parents, so that the factorisation makes fewer and larger block
// updates at the price of some stored zeros. 1-based arrays.
#include <algorithm>
#include <vector>

#include "common/onebased.h"
#include "ordering/symbolic.h"

namespace varnexo::ordering {
namespace {

// The zeros a relaxed supernode of `width` columns may store, as a share of its entries: any
// number up to 4 columns, then less and less as it widens (a wide block gains little from
// fewer updates but pays for every zero in its products).
bool zeros_allowed(int64_t width, int64_t zeros, int64_t entries) {
  if (width <= 4) return true;
  const double share = static_cast<double>(zeros) / static_cast<double>(std::max<int64_t>(entries, 1));
  if (width <= 16) return share < 0.8;
  if (width <= 48) return share < 0.1;
  return share < 0.05;
}

// A group of fundamental supernodes being built, kept at its top supernode.
struct Group {
  int64_t width = 0;      // columns
  int64_t nonzeros = 0;   // entries of its columns in the structure of L (the true counts)
  int64_t below = 0;      // rows below its top column
  int32_t lowest = 0;     // its first column
  int32_t joined_to = 0;  // the supernode whose group took it in, 0 while it is a top
};

}  // namespace

SupernodePartition relax_supernodes(int32_t n, const int32_t* parent_p, int32_t* colcnt_p, int32_t maxwidth,
                                    const int32_t* stretch, int32_t* snode_p, int32_t nsuper) {
  SupernodePartition res;
  if (n <= 0 || nsuper <= 0) return res;
  OneBased<const int32_t> parent(parent_p, n);
  OneBased<int32_t> colcnt(colcnt_p, n), snode(snode_p, n);
  std::vector<int32_t> first(nsuper + 2, n + 1), head(nsuper + 1, 0), next(nsuper + 1, 0);
  for (int32_t j = n; j >= 1; --j) first[snode(j)] = j;
  std::vector<Group> g(nsuper + 1);
  for (int32_t s = 1; s <= nsuper; ++s) {
    const int32_t top = first[s + 1] - 1;
    for (int32_t j = first[s]; j <= top; ++j) g[s].nonzeros += colcnt(j);
    g[s].width = top - first[s] + 1;
    g[s].below = colcnt(top) - 1;
    g[s].lowest = first[s];
    if (parent(top) != 0) {  // children lists in decreasing order
      const int32_t p = snode(parent(top));
      next[s] = head[p];
      head[p] = s;
    }
  }
  // Bottom-up, each supernode takes in the groups of its children that end just before its own
  // group (the columns stay consecutive, so nothing is renumbered), within one stretch.
  for (int32_t s = 1; s <= nsuper; ++s) {
    Group& top = g[s];
    for (int32_t c = head[s]; c != 0; c = next[c]) {
      const Group& child = g[c];
      if (first[c + 1] != top.lowest) break;
      if (stretch != nullptr && stretch[child.lowest - 1] != stretch[first[s] - 1]) break;
      const int64_t width = top.width + child.width;
      const int64_t entries = width * (width + 1) / 2 + width * top.below;
      const int64_t zeros = entries - (top.nonzeros + child.nonzeros);
      if (width > maxwidth || !zeros_allowed(width, zeros, entries)) break;
      top.width = width;
      top.nonzeros += child.nonzeros;
      top.lowest = child.lowest;
      g[c].joined_to = s;
    }
  }
  // The groups in order: a group's columns run from its lowest to its top supernode's last one.
  for (int32_t s = 1; s <= nsuper; ++s) {
    if (g[s].joined_to != 0) continue;
    const int32_t g0 = g[s].lowest, g1 = first[s + 1] - 1;
    ++res.nsuper;
    for (int32_t j = g0; j <= g1; ++j) {
      colcnt(j) = static_cast<int32_t>(g1 - j + 1 + g[s].below);
      snode(j) = res.nsuper;
    }
    res.lindx_len += colcnt(g0);
  }
  return res;
}

}  // namespace varnexo::ordering
