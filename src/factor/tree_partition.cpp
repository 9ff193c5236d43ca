// The processor partition of the supernodal tree and its cost model (symbolic -> [partition] ->
// factor, solve). The tree is split from the top until its subtrees can be dealt to the threads
// evenly; the supernodes above them are left to one thread with all BLAS threads.
#include "factor/tree_partition.h"

#include <algorithm>
#include <functional>
#include <queue>

namespace varnexo::factor {
namespace {

// Children lists, subtree sums and the first supernode of each subtree.
struct Forest {
  std::vector<int32_t> parent, head, next;  // children of s: head[s], next[child] (0 ends)
  std::vector<double> cost, subtree;        // own flops, flops of the whole subtree
  std::vector<int32_t> roots;
};

Forest forest_of(const SupernodeTree& t) {
  const int32_t ns = t.nsuper;
  Forest f;
  f.parent = supernode_parents(t);
  f.cost = supernode_costs(t);
  f.head.assign(ns + 1, 0);
  f.next.assign(ns + 1, 0);
  f.subtree.assign(ns + 1, 0.0);
  // Children are pushed in decreasing order so that each list runs in increasing order.
  for (int32_t s = ns; s >= 1; --s) {
    const int32_t p = f.parent[s - 1];
    if (p == 0) {
      f.roots.push_back(s);
    } else {
      f.next[s] = f.head[p];
      f.head[p] = s;
    }
  }
  std::reverse(f.roots.begin(), f.roots.end());
  // A parent comes after its children (the supernodes are numbered bottom-up).
  for (int32_t s = 1; s <= ns; ++s) {
    f.subtree[s] += f.cost[s - 1];
    if (f.parent[s - 1] != 0) f.subtree[f.parent[s - 1]] += f.subtree[s];
  }
  return f;
}

// The largest bin when the costs are dealt longest first to p bins.
double largest_bin(std::vector<double> costs, int32_t p) {
  std::sort(costs.begin(), costs.end(), std::greater<double>());
  std::priority_queue<double, std::vector<double>, std::greater<double>> bins;
  for (int32_t k = 0; k < p; ++k) bins.push(0.0);
  double largest = 0.0;
  for (double c : costs) {
    const double b = bins.top() + c;
    bins.pop();
    bins.push(b);
    largest = std::max(largest, b);
  }
  return largest;
}

// The subtree roots of the split (see partition_tree).
std::vector<int32_t> split(const Forest& f, int32_t threads) {
  std::vector<int32_t> set = f.roots;
  const size_t most = static_cast<size_t>(std::max(8 * threads, 16));
  for (;;) {
    std::vector<double> costs;
    double sum = 0.0;
    for (int32_t r : set) costs.push_back(f.subtree[r]), sum += f.subtree[r];
    if (set.size() >= static_cast<size_t>(threads) && largest_bin(costs, threads) <= 1.05 * sum / threads)
      break;
    const auto heaviest = std::max_element(set.begin(), set.end(),
                                           [&](int32_t a, int32_t b) { return f.subtree[a] < f.subtree[b]; });
    const int32_t r = *heaviest;
    if (f.head[r] == 0 || set.size() >= most) break;  // a leaf cannot be split
    set.erase(heaviest);
    for (int32_t c = f.head[r]; c != 0; c = f.next[c]) set.push_back(c);
  }
  return set;
}

}  // namespace

std::vector<int32_t> supernode_parents(const SupernodeTree& t) {
  std::vector<int32_t> parent(t.nsuper, 0);
  for (int32_t s = 1; s <= t.nsuper; ++s) {
    const int32_t ncol = t.xsuper[s] - t.xsuper[s - 1];
    const int32_t len = t.xlindx[s] - t.xlindx[s - 1];
    if (len > ncol) parent[s - 1] = t.snode[t.lindx[t.xlindx[s - 1] - 1 + ncol] - 1];
  }
  return parent;
}

std::vector<double> supernode_costs(const SupernodeTree& t) {
  std::vector<double> cost(t.nsuper, 0.0);
  for (int32_t s = 1; s <= t.nsuper; ++s) {
    const int32_t ncol = t.xsuper[s] - t.xsuper[s - 1];
    const int32_t len = t.xlindx[s] - t.xlindx[s - 1];
    double c = 0.0;
    for (int32_t k = 0; k < ncol; ++k) c += static_cast<double>(len - k) * (len - k);
    cost[s - 1] = c;
  }
  return cost;
}

TreePartition partition_tree(const SupernodeTree& t, int32_t threads) {
  TreePartition p;
  if (threads < 2 || t.nsuper < 2) return p;
  const Forest f = forest_of(t);
  std::vector<int32_t> roots = split(f, threads);
  if (roots.size() < 2) return p;
  std::sort(roots.begin(), roots.end(), [&](int32_t a, int32_t b) {
    return f.subtree[a] != f.subtree[b] ? f.subtree[a] > f.subtree[b] : a < b;
  });
  std::vector<char> in_part(t.nsuper + 1, 0);
  std::vector<int32_t> stack;
  p.start.push_back(0);
  for (int32_t r : roots) {
    const size_t begin = p.members.size();
    for (stack.assign(1, r); !stack.empty();) {
      const int32_t s = stack.back();
      stack.pop_back();
      p.members.push_back(s);
      in_part[s] = 1;
      for (int32_t c = f.head[s]; c != 0; c = f.next[c]) stack.push_back(c);
    }
    std::sort(p.members.begin() + begin, p.members.end());
    p.root.push_back(r);
    p.start.push_back(static_cast<int64_t>(p.members.size()));
    p.cost.push_back(f.subtree[r]);
  }
  for (int32_t s = 1; s <= t.nsuper; ++s)
    if (!in_part[s]) {
      p.top.push_back(s);
      p.top_cost += f.cost[s - 1];
    }
  return p;
}

ParallelModel parallel_model(const SupernodeTree& t, int32_t p) {
  ParallelModel m;
  const Forest f = forest_of(t);
  std::vector<double> path(t.nsuper + 1, 0.0);
  for (int32_t s = 1; s <= t.nsuper; ++s) {
    m.total += f.cost[s - 1];
    path[s] += f.cost[s - 1];
    const int32_t parent = f.parent[s - 1];
    if (parent != 0)
      path[parent] = std::max(path[parent], path[s]);
    else
      m.critical_path = std::max(m.critical_path, path[s]);
  }
  if (m.total <= 0.0) return m;
  const TreePartition part = partition_tree(t, p);
  m.predicted_time = part.parallel() ? largest_bin(part.cost, p) + part.top_cost / p : m.total;
  m.predicted_speedup = m.total / m.predicted_time;
  m.tree_bound = m.total / std::max(m.total / p, m.critical_path);
  return m;
}

}  // namespace varnexo::factor
