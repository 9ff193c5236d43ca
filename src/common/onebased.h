// A 1-based view over a plain array, so that loops read like the formulas of the algorithms:
// `OneBased<int32_t> xlnz(p, n + 1); xlnz(j)` reads p[j - 1]. Bounds are asserted in debug and
// sanitizer builds; in release builds the view compiles to a plain pointer access.
#pragma once
#include <cassert>
#include <cstdint>

#if !defined(NDEBUG) || defined(VARNEXO_CHECK_BOUNDS)
#define VARNEXO_ONEBASED_CHECKED 1
#include <cstdio>
#include <cstdlib>
#endif

namespace varnexo {

template <class T>
class OneBased {
 public:
  OneBased() = default;
  OneBased(T* data, int64_t size) : data_(data) {
#ifdef VARNEXO_ONEBASED_CHECKED
    size_ = size;
#else
    (void)size;
#endif
  }
  T& operator()(int64_t i) const {
#ifdef VARNEXO_ONEBASED_CHECKED
    if (i < 1 || i > size_) {
      std::fprintf(stderr, "varnexo: 1-based index %lld outside 1..%lld\n", (long long)i, (long long)size_);
      std::abort();
    }
#endif
    return data_[i - 1];
  }
  // Address of element i (1-based), for handing a sub-array to a routine. i may be size+1.
  T* at(int64_t i) const {
#ifdef VARNEXO_ONEBASED_CHECKED
    if (i < 1 || i > size_ + 1) {
      std::fprintf(stderr, "varnexo: 1-based position %lld outside 1..%lld\n", (long long)i,
                   (long long)size_ + 1);
      std::abort();
    }
#endif
    return data_ + (i - 1);
  }
  T* data() const { return data_; }

 private:
  T* data_ = nullptr;
#ifdef VARNEXO_ONEBASED_CHECKED
  int64_t size_ = 0;
#endif
};

template <class T>
OneBased<T> one_based(T* data, int64_t size) {
  return OneBased<T>(data, size);
}

}  // namespace varnexo
