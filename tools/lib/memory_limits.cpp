// Memory of the machine and the least a solve needs: the sizes the reader and the command check
// before they allocate (input stage).
#include "memory_limits.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <limits>

namespace varnexo::tools {
namespace {

constexpr uint64_t kUnlimited = std::numeric_limits<uint64_t>::max();

// a·b for sizes, kUnlimited when the product does not fit or a factor is negative.
uint64_t product(int64_t a, int64_t b) {
  uint64_t p = 0;
  if (a < 0 || b < 0 || __builtin_mul_overflow(static_cast<uint64_t>(a), static_cast<uint64_t>(b), &p))
    return kUnlimited;
  return p;
}

uint64_t product(uint64_t a, uint64_t b) {
  uint64_t p = 0;
  return __builtin_mul_overflow(a, b, &p) ? kUnlimited : p;
}

uint64_t sum(uint64_t a, uint64_t b) {
  uint64_t s = 0;
  return __builtin_add_overflow(a, b, &s) ? kUnlimited : s;
}

uint64_t rlimit_bytes(int resource) {
  rlimit r{};
  if (getrlimit(resource, &r) != 0 || r.rlim_cur == RLIM_INFINITY) return kUnlimited;
  return static_cast<uint64_t>(r.rlim_cur);
}

// The control group's memory.max ("max" or a number of bytes); unlimited when absent.
uint64_t cgroup_bytes() {
  std::ifstream in("/sys/fs/cgroup/memory.max");
  std::string word;
  uint64_t v = 0;
  if (!(in >> word)) return kUnlimited;
  const auto r = std::from_chars(word.data(), word.data() + word.size(), v);
  return r.ec == std::errc() && r.ptr == word.data() + word.size() ? v : kUnlimited;
}

}  // namespace

uint64_t available_memory() {
  const long pages = sysconf(_SC_PHYS_PAGES), page = sysconf(_SC_PAGE_SIZE);
  uint64_t bytes = pages > 0 && page > 0 ? product(pages, page) : kUnlimited;
  bytes = std::min({bytes, rlimit_bytes(RLIMIT_AS), rlimit_bytes(RLIMIT_DATA), cgroup_bytes()});
  return bytes;
}

uint64_t matrix_solve_bytes(int64_t rows, int64_t entries, int width) {
  // Per entry: the triplet (two indices, the value), the compressed column index and value, and
  // the library's index copies of the pattern (two 4-byte words).
  const int64_t per_entry = 8 + 8 * width + 4 + 8 * width + 8;
  return sum(product(rows, 256), product(entries, per_entry));
}

uint64_t rhs_block_bytes(int64_t rows, int64_t columns, int width) {
  return product(product(rows, columns), product(int64_t{4 * 8}, int64_t{width}));
}

std::string format_bytes(uint64_t bytes) {
  static const char* const units[] = {"bytes", "kB", "MB", "GB", "TB", "PB", "EB"};
  double v = static_cast<double>(bytes);
  int u = 0;
  while (v >= 1000.0 && u < 6) v /= 1000.0, ++u;
  char b[32];
  std::snprintf(b, sizeof b, u == 0 ? "%.0f %s" : "%.3g %s", v, units[u]);
  return b;
}

}  // namespace varnexo::tools
