// Where the analysis puts things: the start positions (iadr slots) of the sub-arrays inside the
// work blocks and the permanent block STRUC_FI, and the views through which the driver hands the
// loader, the factorisation and the solve their arrays. Flow: symbolic -> [factor storage] -> load ->
// factor -> solve.
#pragma once
#include <cstdint>

#include "driver/control.h"
#include "factor/storage.h"

namespace varnexo::driver {

using factor::SymbolicFactor;
using factor::ValueMap;

// iadr slots (1-based) written by the analysis steps. Slots 41, 42, 57 and 75 belong to the
// numerical blocks and are not used here.
enum IadrSlot : int32_t {
  // STRUC_S0: the ordering and the supernode partition of step 1, then xlnz/xunz of step 2.
  kS0Perm = 1,
  kS0Invp = 2,
  kS0Colcnt = 3,
  kS0Snode = 4,
  kS0Xsuper = 5,
  kS0Table = 6,
  kS0Xlnz = 7,
  kS0Xunz = 8,
  kS0Work = 9,
  // STRUC_S1: the adjacency graph.
  kS1Xadj = 10,
  kS1Adjncy = 11,
  // STRUC_S2: the symbolic factor of step 2.
  kS2Xlindx = 12,
  kS2Lindx = 13,
  kS2Nmod = 14,
  kS2Sched = 15,
  kS2Mark1 = 16,
  kS2Mark2 = 17,
  kS2Seprows = 18,
  kS2Sparent = 19,
  // STRUC_FI: the permanent symbolic factor, value map and factorisation integer work.
  kFiPerm = 20,
  kFiInvp = 21,
  kFiXsuper = 22,
  kFiSnode = 23,
  kFiColcnt = 24,
  kFiTable = 25,
  kFiXlindx = 26,
  kFiLindx = 27,
  kFiXlnz = 28,
  kFiXunz = 29,
  kFiNmod = 30,
  kFiSched = 31,
  kFiMark1 = 32,
  kFiMark2 = 33,
  kFiSeprows = 34,
  kFiXlmap = 35,
  kFiLmap = 36,
  kFiUmap = 37,
  kFiAsrc = 38,
  kFiXumap = 39,
  kFiAorig = 40,
  kFiColorig = 43,
  kFiIwork = 44,
  kFiPivot = 45,
  kFiColpivot = 46,
  kFiUpdPtr = 47,
  kFiUpdQ = 48,
  kFiMapEnd = 49,
  // LOC_INT2 (several processors): the update lists as built; UP_UPLEN: as kept.
  kLocTarget = 50,
  kLocRemaining = 51,
  kUpTarget = 52,
  kUpRemaining = 53,
  // Last word of STRUC_FI in use: the block is shrunk to 4*iadr(93)+12 bytes.
  kFiEnd = 93
};

// The symbolic factor inside STRUC_FI (arrays as laid out by analysis step 3). xunz is nullptr
// for the symmetric storage.
SymbolicFactor symbolic_view(int32_t* struc_fi, const Control& ctl);

// The value map inside STRUC_FI. LU-only and scaling-only arrays are nullptr when absent.
ValueMap value_map_view(int32_t* struc_fi, const Control& ctl);

// Integer work and pivot records of the factorisation, inside STRUC_FI.
// iwork: indmap at element 1, relind at P*n+1, link at 2*P*n+1, length at 2*P*n+n+1
// (P = the processor count). pivot, colpivot: n words each. domain_table: 2*(nd+1) words in
// supernode numbers, nd the number of domains. column counts of L: colcnt (n).
struct FactorWorkspace {
  int32_t* iwork = nullptr;
  int64_t iwork_words = 0;
  int32_t* pivot = nullptr;
  int32_t* colpivot = nullptr;
  int32_t* domain_table = nullptr;
  int32_t nd = 0;
  int32_t* colcnt = nullptr;
  int32_t* seprows = nullptr;  // nsuper: separator row count of each supernode
  int32_t* mark1 = nullptr;    // nsuper: set to -1111111 by the analysis
  int32_t* mark2 = nullptr;    // nsuper: set to -1111111 by the analysis
};
FactorWorkspace factor_workspace_view(int32_t* struc_fi, const Control& ctl);

// Update lists of the parallel schedule (several processors only; all nullptr otherwise).
// Non-domain mode: ptr(1..nsuper+1), entries ptr(s)..ptr(s+1)-1 of target (first column of the
// target supernode) and remaining; qptr(1..nsuper+1) from nmod. Domain mode (separators > 0):
// ptr over separators*(nd+1) buckets, bucket (t,d) = (t-f)*(nd+1)+d, target holds the updating
// supernode. remaining: rows of the updating supernode from the first row in the target on.
struct UpdateLists {
  int32_t* ptr = nullptr;
  int32_t* qptr = nullptr;
  int32_t* target = nullptr;
  int32_t* remaining = nullptr;
  int32_t entries = 0;
  int32_t separators = 0;  // 0 in non-domain mode
};
UpdateLists update_lists_view(int32_t* struc_fi, int32_t* up_uplen, const Control& ctl);

}  // namespace varnexo::driver
