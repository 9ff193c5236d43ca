// Update lists of the parallel schedule (analysis step 3 with several processors): for every
// supernode the later supernodes it modifies, or, in domain mode, per separator supernode and
// per domain the supernodes that modify it. Flow: symbolic -> value maps -> [schedule] -> factor.
#pragma once
#include <cstdint>

namespace varnexo::ordering {

// Words the pointer array needs: nsuper+1, or c*(nd+1)+1 in domain mode.
int64_t update_pointer_words(int32_t nsuper, int32_t nd, const int32_t* table, int32_t e70);

// First supernode of the separator block in domain mode, or 0 when the lists are built in
// non-domain mode.
int32_t domain_mode_separator(int32_t nsuper, int32_t nd, const int32_t* table, int32_t e70);

}  // namespace varnexo::ordering
