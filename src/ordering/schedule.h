// Update lists of the parallel schedule (analysis step 3 with several processors): for every
// supernode the later supernodes it modifies, or, in domain mode, per separator supernode and
// per domain the supernodes that modify it. Flow: symbolic -> value maps -> [schedule] -> factor.
#pragma once
#include <cstdint>

extern "C" {

// Builds the lists with blkpre_varnexo_. ptr: the pointer array (nsuper+1 words, or
// c*(nd+1)+1 in domain mode, c = number of separator supernodes); tlist, rlist: lindx_len words
// each; qptr: nsuper+1 words (non-domain mode only). sizes(1), sizes(2): the two sizes for
// the next allocation (list entries + 1 and qptr(nsuper+1); in domain mode the entries and 1).
// e72 (out): 1, or c in domain mode; e70: the domain-mode switch. error: always 0.
// xlnz, xunz, work, schedule, n and mtype are accepted for the calling convention.
void reorder3_varnexo_(const int32_t* nsuper, const int32_t* n, const int32_t* lindx_len,
                       const int32_t* xlindx, const int32_t* lindx, const int32_t* xlnz, const int32_t* xunz,
                       int32_t* work, const int32_t* schedule, const int32_t* nmod, const int32_t* snode,
                       const int32_t* xsuper, int32_t* error, int32_t* ptr, int32_t* tlist, int32_t* rlist,
                       int32_t* qptr, int32_t* sizes, const int32_t* nd, const int32_t* table,
                       const int32_t* mtype, int32_t* e72, const int32_t* e70);

// The list builder of reorder3_varnexo_, both modes (domain mode when nd > 1 and e70 != 0 and
// the table has a separator block inside 1..nsuper).
void blkpre_varnexo_(const int32_t* nsuper, const int32_t* xlindx, const int32_t* lindx, const int32_t* snode,
                     const int32_t* xsuper, const int32_t* nmod, const int32_t* lindx_len, int32_t* ptr,
                     int32_t* tlist, int32_t* rlist, int32_t* qptr, const int32_t* nd, const int32_t* table,
                     const int32_t* e70, int32_t* e72, int32_t* size1, int32_t* size2);
}

namespace varnexo::ordering {

// Words the pointer array needs: nsuper+1, or c*(nd+1)+1 in domain mode.
int64_t update_pointer_words(int32_t nsuper, int32_t nd, const int32_t* table, int32_t e70);

// First supernode of the separator block in domain mode, or 0 when the lists are built in
// non-domain mode.
int32_t domain_mode_separator(int32_t nsuper, int32_t nd, const int32_t* table, int32_t e70);

}  // namespace varnexo::ordering
