// The factor storage shared by the analysis (which fills the structure), the loader, the
// factorisation kernels and the solves: views of the arrays that live in the permanent
// analysis block, and the value map that loads the caller's matrix into the factor.
// All arrays are 1-based as seen through OneBased views; all stored positions are 1-based.
#pragma once
#include <cstdint>

namespace varnexo::factor {

// The symbolic factor: supernode partition, row structure and column pointers of L (and U).
struct SymbolicFactor {
  int32_t n = 0;
  int32_t nsuper = 0;
  int32_t* perm = nullptr;    // n: perm(k) = caller's index placed at position k (new -> old)
  int32_t* invp = nullptr;    // n: invp(i) = position of caller's index i (old -> new)
  int32_t* xsuper = nullptr;  // nsuper+1
  int32_t* snode = nullptr;   // n
  int32_t* xlindx = nullptr;  // nsuper+1
  int32_t* lindx = nullptr;   // xlindx(nsuper+1)-1
  int32_t* xlnz = nullptr;    // n+1
  int32_t* xunz = nullptr;    // n+1, LU types only (nullptr otherwise)
  int32_t* nmod = nullptr;    // nsuper: how many supernodes update each supernode
  int32_t* pnlsch = nullptr;  // nsuper: schedule vector of the analysis
  int64_t lnz_size = 0;       // values in lnz
  int64_t unz_size = 0;       // values in unz
  int32_t temp_size = 0;      // values in the dense update buffer temp
};

// The symbolic factor over plain arrays, assembled here for every entry that receives them one
// by one; arrays a reader does not need may be null (xunz is null for the symmetric storage).
inline SymbolicFactor symbolic_of(int32_t n, int32_t nsuper, const int32_t* perm, const int32_t* xsuper,
                                  const int32_t* snode, const int32_t* xlindx, const int32_t* lindx,
                                  const int32_t* xlnz, const int32_t* xunz, const int32_t* nmod) {
  SymbolicFactor s;
  s.n = n;
  s.nsuper = nsuper;
  s.perm = const_cast<int32_t*>(perm);
  s.xsuper = const_cast<int32_t*>(xsuper);
  s.snode = const_cast<int32_t*>(snode);
  s.xlindx = const_cast<int32_t*>(xlindx);
  s.lindx = const_cast<int32_t*>(lindx);
  s.xlnz = const_cast<int32_t*>(xlnz);
  s.xunz = const_cast<int32_t*>(xunz);
  s.nmod = const_cast<int32_t*>(nmod);
  return s;
}

// The value map of one structure: where each stored entry of the caller's matrix goes.
struct ValueMap {
  int32_t* xlmap = nullptr;    // n+1
  int32_t* lmap = nullptr;     // lcount; sign = orientation for the symmetric storage
  int32_t* asrc = nullptr;     // lcount + ucount: source index into a
  int32_t* xumap = nullptr;    // n+1, LU storage only
  int32_t* umap = nullptr;     // ucount, LU storage only
  int32_t* aorig = nullptr;    // lcount + ucount, only when scaling is on
  int32_t* colorig = nullptr;  // n, only when scaling is on
  int32_t lcount = 0;
  int32_t ucount = 0;
};

}  // namespace varnexo::factor
