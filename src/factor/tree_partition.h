// The processor partition of the supernodal tree (symbolic -> [partition] -> factor, solve), and
// the cost model behind it: flops per supernode, the critical path of the tree, the time a given
// number of threads would need.
#pragma once
#include <cstdint>
#include <vector>

#include "common/partition.h"

namespace varnexo::factor {

// The supernodal tree as the partition reads it (1-based arrays of the symbolic factor).
struct SupernodeTree {
  int32_t nsuper = 0;
  const int32_t* xsuper = nullptr;  // nsuper+1
  const int32_t* snode = nullptr;   // n
  const int32_t* xlindx = nullptr;  // nsuper+1
  const int32_t* lindx = nullptr;
};

// parent[s-1] = the supernode holding the first off-diagonal row of s, 0 for a root.
std::vector<int32_t> supernode_parents(const SupernodeTree& t);

// Flops of each supernode's step of the left-looking loop: the updates it receives (each a
// product of the updating supernode's rows) and the factorisation of its own blocks.
std::vector<double> supernode_costs(const SupernodeTree& t);

// Splits the tree for `threads` workers: starting from the roots, the heaviest subtree is
// replaced by its children (its root moves above the subtrees), up to 8·threads subtrees or a
// leaf; of the splits met, the one with the least predicted time (the subtrees dealt longest
// first to the threads, the supernodes above them one after the other, each shared by
// min(threads, rows/128) threads) is returned. Fewer than two parts means: run in one thread.
// The supernodes must be numbered bottom-up (each parent after its children), as the analysis
// numbers them.
TreePartition partition_tree(const SupernodeTree& t, int32_t threads);

// What the cost model says about running the factorisation with p threads.
struct ParallelModel {
  double total = 0.0;          // flops of all supernodes
  double critical_path = 0.0;  // heaviest root-to-leaf path
  // Predicted time of our schedule (the split partition_tree keeps) and speedup = total / that.
  double predicted_time = 0.0;
  double predicted_speedup = 1.0;
  // Bound of any schedule that runs each supernode on one thread: total / max(total/p, path).
  double tree_bound = 1.0;
};
ParallelModel parallel_model(const SupernodeTree& t, int32_t p);

}  // namespace varnexo::factor
