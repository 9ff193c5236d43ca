// The processor partition of the supernodal tree that the factorisation and the solve run in
// parallel (symbolic -> [partition] -> factor -> solve): independent subtrees, each processed by
// one thread alone, and the supernodes above them.
#pragma once
#include <cstdint>
#include <vector>

namespace varnexo {

struct TreePartition {
  // Part k is the subtree of root[k]: its supernodes are members[start[k]] .. members[start[k+1]-1],
  // increasing. Every supernode that a part's supernode updates lies in the part or in `top`, and
  // the part's own supernodes hold no column beyond the last column of its root. Heaviest first.
  std::vector<int32_t> root;
  std::vector<int64_t> start;
  std::vector<int32_t> members;
  std::vector<double> cost;  // flops of each part
  // The supernodes of no part, increasing: each is updated only by supernodes of the parts or
  // of `top` with smaller numbers.
  std::vector<int32_t> top;
  double top_cost = 0.0;

  int32_t parts() const { return static_cast<int32_t>(root.size()); }
  // Worth threads: at least two parts.
  bool parallel() const { return root.size() >= 2; }
};

}  // namespace varnexo
