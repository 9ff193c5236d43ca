// The symbolic factor and value map of the exported kernels' plain argument lists (load ->
// factor), assembled in one place for every kernel entry.
#include "factor/kernel_run.h"

namespace varnexo::factor {

KernelArrays kernel_arrays(int32_t n, int32_t nsuper, const int32_t* xsuper, const int32_t* snode,
                           const int32_t* xlindx, const int32_t* lindx, const int32_t* xlnz,
                           const int32_t* xunz, const int32_t* nmod, const int32_t* xlmap,
                           const int32_t* lmap, const int32_t* xumap, const int32_t* umap,
                           const int32_t* asrc, const int32_t* aorig, const int32_t* colorig) {
  KernelArrays r;
  r.sf = symbolic_of(n, nsuper, nullptr, xsuper, snode, xlindx, lindx, xlnz, xunz, nmod);
  r.map.xlmap = const_cast<int32_t*>(xlmap);
  r.map.lmap = const_cast<int32_t*>(lmap);
  r.map.xumap = const_cast<int32_t*>(xumap);
  r.map.umap = const_cast<int32_t*>(umap);
  r.map.asrc = const_cast<int32_t*>(asrc);
  r.map.aorig = const_cast<int32_t*>(aorig);
  r.map.colorig = const_cast<int32_t*>(colorig);
  r.map.lcount = xlmap[n] - 1;
  r.map.ucount = xumap ? xumap[n] - 1 : 0;
  return r;
}

}  // namespace varnexo::factor
