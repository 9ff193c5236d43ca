// The matching stage of the analysis (input -> [matching] -> ordering): for the unsymmetric types
// the row permutation and scalings of the weighted (or split) matching, for the symmetric
// indefinite types the symmetric order with 2×2 blocks, its scalings and the padded structure
// the ordering stage analyses; then the 2×2 blocks by position that the factorisation reads.
#pragma once
#include <cstdint>
#include <vector>

#include "common/onebased.h"
#include "driver/call.h"

namespace varnexo::driver {

// What the matching stage hands to the analysis steps besides the handle's slots 13 and 14.
struct MatchingOutcome {
  // The structure the ordering and symbolic steps analyse instead of the caller's (1-based,
  // upper triangle): every 2×2 block's two rows given one neighbourhood. Empty when the caller's
  // structure is analysed.
  std::vector<int32_t> ia, ja;
  // The domains of the ordering of the compressed graph: nd pairs (first, last) of positions,
  // 1-based, closed by the pair (one past the last domain, n); empty for one domain.
  std::vector<int32_t> domain_pairs;
};

// The matching stage for the kind, matching choice and scaling of the analysis:
//  types 11, 13: slots 13 (row mapping) and 14 (scalings) hold the identity and unit scalings
//    without matching, else the maximum-product matching (on the moduli for 13) or, for type 11
//    with choice 3 or 4, the split matching of a saddle-point matrix;
//  types -2, -4, 6 with a matching choice: the weighted matching of the full structure (on the
//    moduli for -4, 6), or for -2 with choice 3 or 4 the split matching, turned into the
//    symmetric order with 2×2 blocks; slot 13 holds that order (n words, 1-based, new -> old)
//    followed by the mate of every index (n words, 1-based, 0 for none); slot 14 the symmetric
//    scaling; the domains word the number of domains. Choices 2 and 4 keep each block in one
//    supernode through the padded structure of `out`.
// Returns the coarse code: 0, -2 (memory; error_num the block code), -3 (the ordering of the
// compressed graph failed), -6 (structurally singular; error_num 1, matched columns in
// c.matched).
int32_t run_matching_stage(Call& c, MatchingOutcome& out);

// The 2×2 blocks of the symmetric matching in the analysed order, for the factorisation:
// n words, nonzero at k-1 when positions k and k+1 hold each other's mates. Empty when no
// symmetric matching ran.
std::vector<int32_t> pair_starts(const Call& c);

}  // namespace varnexo::driver
