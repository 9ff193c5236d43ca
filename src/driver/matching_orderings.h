// The orderings the symmetric matching asks for (matching -> [ordering of the compressed graph]):
// the matching stage cannot see the ordering stage, so the driver binds the two here. Also the
// toolkit's ordering entries, which order the adjacency graph of a toolkit matrix.
#pragma once
#include <cstdint>
#include <vector>

#include "driver/control.h"
#include "matching/symmetric_matching.h"

namespace varnexo::driver {

// Which ordering, with its parameters (from the analysis's control words: ordering_choice_of).
struct OrderingChoice {
  int32_t method = 2;            // 0 minimum degree, 1 constrained minimum degree, 2 nested dissection
  int32_t parameter = 0;         // nested dissection: the partitioning instance
  int32_t domains = 1;           // domains requested from nested dissection
  int32_t table_size = 16;       // words of the domain table
  int32_t nproc = 1;             // parts of the constrained ordering's decomposition
  int32_t maxint = 0x7FFFFFFF;   // largest integer of the minimum-degree orderings
  int32_t delta = 0;             // tolerance of their multiple elimination
  int32_t separator_flag = 1;    // constrained ordering: separators by minimum degree
  int32_t msglvl = 0, unit = 6;  // messages of the orderings and their output unit
};

OrderingChoice ordering_choice_of(const Control& ctl);

// Orders the 0-based graph (n nodes, xadj, adjncy; symmetric, no self loops): order[k] = node at
// position k; domains: nd pairs (first, last) of 0-based positions when nested dissection found
// several domains (empty otherwise). constraint_count > 0 keeps the last constraint_count nodes
// for the last positions (constrained minimum degree). False when the ordering fails.
bool order_graph(int32_t n, const int32_t* xadj, const int32_t* adjncy, const OrderingChoice& choice,
                 int32_t* order, std::vector<int32_t>& domains, int32_t constraint_count = 0);

// The ordering of the compressed graph for matching::mps_sym. A node of size 2 weighs as two
// columns: the ordering runs on the graph in which it stands for two vertices with one closed
// neighbourhood (which every ordering keeps together), and the nodes are numbered by their first
// vertex.
matching::CompressedOrdering compressed_ordering(const OrderingChoice& choice);

}  // namespace varnexo::driver
