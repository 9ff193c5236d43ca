// The processor partition of the supernodal tree and its cost model (symbolic -> [partition] ->
// factor, solve). The tree is split from the top, heaviest subtree first, and the split whose
// predicted time is least is kept: its subtrees dealt to the threads, the supernodes above them
// run one after the other, each shared by all threads.
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
  std::vector<int32_t> rows;                // rows of each supernode's block
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
  f.rows.assign(ns + 1, 0);
  for (int32_t s = 1; s <= ns; ++s) f.rows[s] = t.xlindx[s] - t.xlindx[s - 1];
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

// Time of a supernode above the subtrees with p threads: its rows shared among them, at least
// 128 rows a thread to pay for the split.
double time_above(const Forest& f, int32_t s, int32_t p) {
  return f.cost[s - 1] / std::clamp(f.rows[s] / 128, 1, std::max(1, p));
}

// The subtree roots of the split (see partition_tree), and its predicted time in *time.
std::vector<int32_t> split(const Forest& f, int32_t threads, double* time) {
  std::vector<int32_t> set = f.roots, best;
  const size_t most = static_cast<size_t>(std::max(8 * threads, 16));
  double above = 0.0, best_time = 0.0;
  for (;;) {
    std::vector<double> costs;
    for (int32_t r : set) costs.push_back(f.subtree[r]);
    const double t = largest_bin(costs, threads) + above;
    if (best.empty() || t < best_time) best = set, best_time = t;
    const auto heaviest = std::max_element(set.begin(), set.end(),
                                           [&](int32_t a, int32_t b) { return f.subtree[a] < f.subtree[b]; });
    const int32_t r = *heaviest;
    if (f.head[r] == 0 || set.size() >= most) break;  // a leaf cannot be split
    set.erase(heaviest);
    for (int32_t c = f.head[r]; c != 0; c = f.next[c]) set.push_back(c);
    above += time_above(f, r, threads);
  }
  *time = best_time;
  return best;
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
  for (int32_t k = 1; k <= t.nsuper; ++k) {
    const double ncol = t.xsuper[k] - t.xsuper[k - 1];
    const int32_t first = t.xlindx[k - 1] - 1, len = t.xlindx[k] - t.xlindx[k - 1];
    // Its own blocks: potrf of the diagonal block, the triangular solve of the rows below.
    cost[k - 1] += ncol * ncol * ncol / 3.0 + ncol * ncol * (len - ncol);
    // Its updates, counted where the loop computes them: each run of rows that falls in one
    // supernode S multiplies those q rows against all the rows from there down (lenk).
    for (int32_t i = static_cast<int32_t>(ncol); i < len;) {
      const int32_t S = t.snode[t.lindx[first + i] - 1];
      int32_t q = 1;
      while (i + q < len && t.snode[t.lindx[first + i + q] - 1] == S) ++q;
      cost[S - 1] += 2.0 * ncol * q * (len - i);
      i += q;
    }
  }
  return cost;
}

TreePartition partition_tree(const SupernodeTree& t, int32_t threads) {
  TreePartition p;
  if (threads < 2 || t.nsuper < 2) return p;
  const Forest f = forest_of(t);
  double time = 0.0;
  std::vector<int32_t> roots = split(f, threads, &time);
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
  m.predicted_time = m.total;
  if (p > 1) split(f, p, &m.predicted_time);
  m.predicted_speedup = m.total / m.predicted_time;
  m.tree_bound = m.total / std::max(m.total / p, m.critical_path);
  return m;
}

}  // namespace varnexo::factor
