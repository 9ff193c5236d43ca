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

// Sizes of the update lists: entries (+1 outside the domain mode), qptr(nsuper+1) (1 in domain
// mode), and the separator supernodes (1 outside the domain mode).
struct UpdateListSizes {
  int32_t entries = 1;
  int32_t qsize = 1;
  int32_t separator_supernodes = 1;
};

// Builds the update lists of the parallel schedule (as blkpre_varnexo_ describes: by supernode,
// or by domain when nd > 1, the domain mode is on and the table has a separator block).
UpdateListSizes build_update_lists(int32_t nsuper, const int32_t* xlindx, const int32_t* lindx,
                                   const int32_t* snode, const int32_t* xsuper, const int32_t* nmod,
                                   int32_t lindx_len, int32_t* ptr, int32_t* tlist, int32_t* rlist,
                                   int32_t* qptr, int32_t nd, const int32_t* table, int32_t domain_mode);

}  // namespace varnexo::ordering
