// One run of the left-looking loop with one kernel policy (load -> factor): the loader over the
// value map, the integer work carved into indmap, relind, link and length, temp bound to the
// kernel, the plain or scheduled family, and the one place where a lack of memory inside the
// loop becomes a status. Every factorisation entry (the driver's and the exported kernels) runs
// through it.
#pragma once
#include <cstdint>
#include <new>
#include <stdexcept>

#include "common/onebased.h"
#include "common/partition.h"
#include "common/threads.h"
#include "factor/left_looking.h"
#include "factor/parallel_loop.h"
#include "factor/storage.h"
#include "factor/value_map.h"

namespace varnexo::factor {

// Out-of-range statuses of a run besides the loop's flags (kFactorOk, kPivotFailure,
// kTempTooSmall, kListBroken).
inline constexpr int32_t kLoopOutOfMemory = -11;  // the loop's own scratch could not be had
inline constexpr int32_t kLoopInternal = -13;     // anything else went wrong inside the loop

// Everything one run reads and writes besides the kernel.
struct LoopInput {
  const SymbolicFactor* sf = nullptr;
  const ValueMap* map = nullptr;
  const int32_t* ja = nullptr;      // the caller's column indices (for the scaled load)
  const void* a = nullptr;          // the caller's values: doubles, or pairs for complex kernels
  const double* scaling = nullptr;  // 2n values when the rule scales
  LoadRule rule = LoadRule::unscaled;
  bool conjugate_mirrored = false;  // Hermitian kernels conjugate the mirrored entries
  void* lnz = nullptr;
  void* unz = nullptr;  // LU kernels only
  void* temp = nullptr;
  int64_t tmpsiz = 0;  // values of temp
  // indmap and relind (copies·n words each), link (n) and length (nsuper), in this order.
  int32_t* iwork = nullptr;
  int32_t copies = 1;
  int32_t* pivot = nullptr;
  int32_t* colpivot = nullptr;
  const DomainSchedule* schedule = nullptr;  // null: the plain family
  // Several threads: the partition of the tree, the worker count, and how many copies of
  // tmpsiz values temp holds (a worker beyond them gets a private one).
  const TreePartition* partition = nullptr;
  int32_t threads = 1;
  int32_t temp_copies = 1;
};

// Runs the loop with `kernel` over `in`. Returns the loop's flag, kLoopOutOfMemory when its
// scratch (beyond temp and iwork) cannot be obtained, or kLoopInternal for any other failure.
template <class Kernel>
int32_t run_loop(Kernel& kernel, const LoopInput& in) noexcept {
  using T = typename Kernel::scalar;
  try {
    const SymbolicFactor& sf = *in.sf;
    const int32_t n = sf.n;
    Loader<T> loader;
    loader.map = in.map;
    loader.a = static_cast<const source_t<T>*>(in.a);
    loader.ja = in.ja;
    loader.scaling = in.scaling;
    loader.n = n;
    loader.rule = in.rule;
    loader.conjugate_mirrored = in.conjugate_mirrored;
    LoopWork<T> w;
    const int64_t pn = static_cast<int64_t>(in.copies < 1 ? 1 : in.copies) * n;
    w.indmap = OneBased<int32_t>(in.iwork, n);
    w.relind = OneBased<int32_t>(in.iwork + pn, n);
    w.link = OneBased<int32_t>(in.iwork + 2 * pn, n);
    w.length = OneBased<int32_t>(in.iwork + 2 * pn + n, sf.nsuper);
    w.temp = static_cast<T*>(in.temp);
    w.tmpsiz = in.tmpsiz;
    if constexpr (requires { kernel.bind_temp(w.temp, w.tmpsiz); }) kernel.bind_temp(w.temp, w.tmpsiz);
    LeftLooking<Kernel> loop(sf, kernel, loader, static_cast<T*>(in.lnz), static_cast<T*>(in.unz), w,
                             in.pivot, in.colpivot);
    const OneBased<const int32_t> nmod(sf.nmod, sf.nsuper);
    if (in.threads > 1 && in.partition != nullptr && in.partition->parallel()) {
      const WorkerScratch scratch{in.iwork, std::max(1, in.copies), in.temp, in.tmpsiz,
                                  std::max(1, in.temp_copies)};
      return factor_parallel(sf, kernel, loader, static_cast<T*>(in.lnz), static_cast<T*>(in.unz), w, scratch,
                             in.pivot, in.colpivot, *in.partition, in.threads);
    }
    // A tree that does not split (a dense matrix, a chain) is all separator: the BLAS threads.
    const threads::BlasThreads blas(in.threads > 1 ? threads::top_thread_count(in.threads) : 0);
    if (in.schedule == nullptr) return factor_plain(loop, sf.nsuper, nmod);
    return factor_scheduled(loop, sf, nmod, *in.schedule, w.link);
  } catch (const std::bad_alloc&) {
    return kLoopOutOfMemory;
  } catch (const std::length_error&) {
    return kLoopOutOfMemory;
  } catch (...) {
    return kLoopInternal;
  }
}

// The statuses of the exported kernels: a lack of scratch counts as a temp too small, any
// other internal failure as a failed pivot.
inline int32_t kernel_entry_status(int32_t loop_status) {
  if (loop_status == kLoopOutOfMemory) return kTempTooSmall;
  if (loop_status == kLoopInternal) return kPivotFailure;
  return loop_status;
}

// The symbolic factor and value map of the exported kernels' argument lists, assembled in one
// place. xunz, xumap and umap may be null (symmetric storage); aorig and colorig only when the
// load is scaled.
struct KernelArrays {
  SymbolicFactor sf;
  ValueMap map;
};
KernelArrays kernel_arrays(int32_t n, int32_t nsuper, const int32_t* xsuper, const int32_t* snode,
                           const int32_t* xlindx, const int32_t* lindx, const int32_t* xlnz,
                           const int32_t* xunz, const int32_t* nmod, const int32_t* xlmap,
                           const int32_t* lmap, const int32_t* xumap, const int32_t* umap,
                           const int32_t* asrc, const int32_t* aorig, const int32_t* colorig);

}  // namespace varnexo::factor
