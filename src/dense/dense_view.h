// A 1-based view of a dense column-major block (used by the diagonal-block kernels of the
// factorisation and the block solves): `A(i, j)` reads a[(i-1) + (j-1)·lda], so the loops read
// like the 1-based formulas of the pivoting algorithms. Bounds are asserted in checked builds.
#pragma once
#include <cstdint>

#include "common/onebased.h"

namespace varnexo {

template <class T>
class DenseView {
 public:
  DenseView(T* a, int64_t lda, int64_t rows, int64_t cols) : a_(a), lda_(lda) {
#ifdef VARNEXO_ONEBASED_CHECKED
    rows_ = rows, cols_ = cols;
#else
    (void)rows, (void)cols;
#endif
  }
  T& operator()(int64_t i, int64_t j) const {
#ifdef VARNEXO_ONEBASED_CHECKED
    if (i < 1 || i > rows_ || j < 1 || j > cols_) {
      std::fprintf(stderr, "varnexo: block index (%lld,%lld) outside %lldx%lld\n", (long long)i, (long long)j,
                   (long long)rows_, (long long)cols_);
      std::abort();
    }
#endif
    return a_[(i - 1) + (j - 1) * lda_];
  }
  // Address of element (i, j), for handing a sub-block or a strided row to BLAS.
  T* at(int64_t i, int64_t j) const { return a_ + (i - 1) + (j - 1) * lda_; }
  int64_t lda() const { return lda_; }

 private:
  T* a_;
  int64_t lda_;
#ifdef VARNEXO_ONEBASED_CHECKED
  int64_t rows_ = 0, cols_ = 0;
#endif
};

}  // namespace varnexo
