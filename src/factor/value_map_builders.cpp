// The value-map builders in the form the analysis calls them (symbolic -> value maps): the map
// arrays are placed in the permanent block, the U targets right behind the L targets.
#include <algorithm>
#include <vector>

#include "factor/value_map.h"

namespace varnexo::factor {

int build_symmetric_map(const SymbolicFactor& symbolic, int32_t nnz, const int32_t* ia, const int32_t* ja,
                        bool scaling, ValueMap& map, int32_t* work, int64_t work_words) {
  (void)nnz;
  if (work_words < value_map_work_size(symbolic.n)) return -2;
  if (!scaling) map.aorig = map.colorig = nullptr;
  const int32_t status = invs_perm_mod(symbolic, ia, ja, scaling, map, work);
  map.umap = nullptr;
  return status == kMapOk ? 0 : -1;
}

int build_lu_map(const SymbolicFactor& symbolic, int32_t nnz, const int32_t* ia, const int32_t* ja,
                 const int32_t* row_map, bool scaling, ValueMap& map, int32_t* work, int64_t work_words) {
  if (work_words < value_map_work_size(symbolic.n)) return -2;
  if (!scaling) map.aorig = map.colorig = nullptr;
  // The U targets are built apart and moved behind the L targets, which share one array.
  std::vector<int32_t> umap((size_t)std::max(nnz, 1));
  map.umap = umap.data();
  const int32_t status = inv_perm_mod_mod(symbolic, ia, ja, row_map, scaling, map, work);
  if (status != kMapOk) return -1;
  std::copy(umap.begin(), umap.begin() + map.ucount, map.lmap + map.lcount);
  map.umap = map.lmap + map.lcount;
  return 0;
}

}  // namespace varnexo::factor
