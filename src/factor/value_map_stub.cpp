// STAND-IN, to be deleted when the value-map builders land: empty maps (no entry is loaded), so
// that the analysis steps link and run.
#include "factor/value_map.h"

namespace varnexo::factor {

namespace {
void empty_pointers(int32_t n, int32_t* x) {
  if (x != nullptr)
    for (int32_t j = 0; j <= n; ++j) x[j] = 1;
}
}  // namespace

int build_symmetric_map(const SymbolicFactor& symbolic, int32_t, const int32_t*, const int32_t*, bool,
                        ValueMap& map, int32_t*, int64_t) {
  empty_pointers(symbolic.n, map.xlmap);
  map.umap = nullptr;
  map.lcount = map.ucount = 0;
  return 0;
}

int build_lu_map(const SymbolicFactor& symbolic, int32_t, const int32_t*, const int32_t*, const int32_t*, bool,
                 ValueMap& map, int32_t*, int64_t) {
  empty_pointers(symbolic.n, map.xlmap);
  empty_pointers(symbolic.n, map.xumap);
  map.umap = map.lmap;
  map.lcount = map.ucount = 0;
  return 0;
}

}  // namespace varnexo::factor
