// Permutations of the toolkit (matching stage): the permutation record (p[i] = old index at new
// position i) with its algebra and checks, the permutation split into cycles that the symmetric
// matching breaks into pairs, and the integer sort.
#include <algorithm>
#include <cstring>
#include <vector>

#include "common/memory.h"
#include "matching/toolkit.h"

namespace varnexo::matching {
namespace {

constexpr const char* kSrc = "src/perm";

Perm* perm_record(int32_t n, int32_t* p, bool owns) {
  auto* P = static_cast<Perm*>(memory::obtain(sizeof(Perm), true));
  if (!P) return nullptr;
  *P = Perm{};
  P->n = n, P->p = p, P->owns = owns ? 1 : 0;
  return P;
}

}  // namespace

Perm* perm_new(int32_t n) {
  if (n < 0) return nullptr;
  int32_t* p = toolkit_array<int32_t>(n, true);
  if (!p) return nullptr;
  Perm* P = perm_record(n, p, true);
  if (!P) memory::release(p);
  return P;
}

Perm* perm_new_from(int32_t n, int32_t* p) {
  if (n < 0 || (n > 0 && !p)) return nullptr;
  return perm_record(n, p, false);
}

Perm* perm_new_copy_from(int32_t n, const int32_t* p) {
  if (n > 0 && !p) return nullptr;
  Perm* P = perm_new(n);
  if (P && n > 0) std::memcpy(P->p, p, sizeof(int32_t) * static_cast<size_t>(n));
  return P;
}

void perm_free(Perm* P) {
  if (!P) return;
  if (P->owns) memory::release(P->p);
  memory::release(P);
}

bool perm_set(Perm* P, int32_t i, int32_t value) {
  if (!P || !toolkit_check(i >= 0 && i < P->n, "i < perm->n", kSrc)) return false;
  P->p[i] = value;
  return true;
}

void perm_clear(Perm* P) {
  if (P) std::fill(P->p, P->p + P->n, -1);
}

bool perm_ident(Perm* P) {
  if (!toolkit_check(P != nullptr, "perm", kSrc)) return false;
  for (int32_t i = 0; i < P->n; ++i) P->p[i] = i;
  return true;
}

Perm* perm_copy(Perm* dst, const Perm* src) {
  if (!toolkit_check(src != nullptr, "src != NULL", kSrc)) return nullptr;
  if (!dst) return perm_new_copy_from(src->n, src->p);
  if (!toolkit_check(dst->n == src->n, "dst->n == src->n", kSrc)) return nullptr;
  std::copy(src->p, src->p + src->n, dst->p);
  return dst;
}

Perm* perm_copy_invert(Perm* dst, const Perm* src) {
  if (!src) return nullptr;
  Perm* out = dst ? dst : perm_new(src->n);
  if (!out || out->n != src->n) {
    if (!dst) perm_free(out);
    return nullptr;
  }
  for (int32_t i = 0; i < src->n; ++i) {
    const int32_t v = src->p[i];
    if (v < 0 || v >= src->n) {  // not a permutation: nothing sensible to invert
      if (!dst) perm_free(out);
      return nullptr;
    }
    out->p[v] = i;
  }
  return out;
}

bool perm_invert(Perm* P) {
  if (!P) return false;
  std::vector<int32_t> inv(static_cast<size_t>(P->n));
  for (int32_t i = 0; i < P->n; ++i) {
    if (P->p[i] < 0 || P->p[i] >= P->n) return false;
    inv[P->p[i]] = i;
  }
  std::copy(inv.begin(), inv.end(), P->p);
  return true;
}

void perm_mirror(Perm* P) {
  if (P) std::reverse(P->p, P->p + P->n);
}

bool perm_equal(const Perm* p1, const Perm* p2) {
  if (!p1 || !p2 || !toolkit_check(p1->n == p2->n, "perm1->n == perm2->n", kSrc)) return false;
  return std::equal(p1->p, p1->p + p1->n, p2->p);
}

bool perm_permute(Perm* p1, const Perm* p2) {
  if (!p1 || !p2 || !toolkit_check(p1->n == p2->n, "p1->n == p2->n", kSrc)) return false;
  for (int32_t i = 0; i < p1->n; ++i)
    if (p1->p[i] < 0 || p1->p[i] >= p2->n) return false;
  for (int32_t i = 0; i < p1->n; ++i) p1->p[i] = p2->p[p1->p[i]];
  return true;
}

bool vec_copy_permute_dstsrc(double* dst, const double* src, const Perm* P) {
  if (!dst || !src || !P) return false;
  for (int32_t i = 0; i < P->n; ++i)
    if (P->p[i] < 0 || P->p[i] >= P->n) return false;
  for (int32_t i = 0; i < P->n; ++i) dst[P->p[i]] = src[i];
  return true;
}

void perm_print(const Perm* P, FILE* out) {
  if (!P) return;
  std::fputs("[", out);
  if (P->n <= 40) {
    for (int32_t i = 0; i < P->n; ++i) std::fprintf(out, "%ld ", static_cast<long>(P->p[i]));
  } else {
    for (int32_t i = 0; i < 20; ++i) std::fprintf(out, "%ld ", static_cast<long>(P->p[i]));
    std::fputs(" ... ", out);
    for (int32_t i = P->n - 20; i < P->n; ++i) std::fprintf(out, "%ld ", static_cast<long>(P->p[i]));
  }
  std::fputs("]\n", out);
}

bool perm_is_consistent(const Perm* P, FILE* out) {
  if (!P) return false;
  std::vector<char> seen(static_cast<size_t>(P->n), 0);
  int32_t out_of_range = 0, multiple = 0, first_out = -1, first_repeat = -1;
  for (int32_t i = 0; i < P->n; ++i) {
    const int32_t v = P->p[i];
    if (v < 0 || v >= P->n) {
      if (out_of_range++ == 0) first_out = i;
    } else if (seen[v]) {
      if (multiple++ == 0) first_repeat = v;
    } else {
      seen[v] = 1;
    }
  }
  if (out_of_range > 0)
    std::fprintf(out, "Permutation contains %d out-of-range elements (first:  %d -> %ld)\n", out_of_range,
                 first_out, static_cast<long>(P->p[first_out]));
  if (multiple > 0)
    std::fprintf(out, "Permutation contains %d multiple element pairs (first: %d -> %ld)\n", multiple,
                 first_repeat, static_cast<long>(P->p[first_repeat]));
  if (out_of_range > 0 || multiple > 0) std::fputs("Permutation is inconsistent!\n", out);
  return out_of_range == 0 && multiple == 0;
}

void qsort_int(int32_t* a, int32_t n) {
  if (a && n > 1) std::sort(a, a + n);
}

// ---- Cycles -----------------------------------------------------------------------------------

PermCycle* permcycle_new(int32_t n) {
  if (n < 0) return nullptr;
  auto* C = static_cast<PermCycle*>(memory::obtain(sizeof(PermCycle), true));
  if (!C) return nullptr;
  *C = PermCycle{};
  C->n = n;
  C->elements = toolkit_array<int32_t>(n);
  C->starts = toolkit_array<int32_t>(int64_t{n} + 1, true);
  if (!C->elements || !C->starts) {
    permcycle_free(C);
    return nullptr;
  }
  return C;
}

PermCycle* permcycle_new_copy_from(const PermCycle* src) {
  if (!src) return nullptr;
  PermCycle* C = permcycle_new(src->n);
  if (!C) return nullptr;
  C->ncycles = src->ncycles;
  std::copy(src->elements, src->elements + src->n, C->elements);
  std::copy(src->starts, src->starts + src->ncycles + 1, C->starts);
  return C;
}

PermCycle* permcycle_new_from(const Perm* P) {
  if (!P) return nullptr;
  std::vector<char> visited(static_cast<size_t>(P->n), 0);
  for (int32_t i = 0; i < P->n; ++i) {  // a permutation, or no cycles at all
    if (P->p[i] < 0 || P->p[i] >= P->n || visited[P->p[i]]) return nullptr;
    visited[P->p[i]] = 1;
  }
  std::fill(visited.begin(), visited.end(), 0);
  PermCycle* C = permcycle_new(P->n);
  if (!C) return nullptr;
  int32_t count = 0;
  for (int32_t i = 0; i < P->n; ++i) {
    if (visited[i]) continue;
    // Following i, p[i], p[p[i]], ... returns to i, since p is a permutation.
    for (int32_t j = i; !visited[j]; j = P->p[j]) {
      visited[j] = 1;
      C->elements[count++] = j;
    }
    C->starts[++C->ncycles] = count;
  }
  return C;
}

PermCycle* permcycle_split_2(const PermCycle* src) {
  if (!src) return nullptr;
  PermCycle* C = permcycle_new(src->n);
  if (!C) return nullptr;
  int32_t count = 0;
  auto close = [&] { C->starts[++C->ncycles] = count; };
  for (int32_t c = 0; c < src->ncycles; ++c) {
    const int32_t* e = src->elements + src->starts[c];
    const int32_t len = src->starts[c + 1] - src->starts[c];
    int32_t t = 0;
    if (len % 2 == 1) {  // an odd cycle (a fixed point too) keeps its first member alone
      C->elements[count++] = e[0];
      close();
      t = 1;
    }
    for (; t + 1 < len; t += 2) {
      C->elements[count++] = e[t];
      C->elements[count++] = e[t + 1];
      close();
    }
  }
  return C;
}

Perm* permcycle_to_new_perm(const PermCycle* C) {
  if (!C) return nullptr;
  Perm* P = perm_new(C->n);
  if (!P) return nullptr;
  for (int32_t c = 0; c < C->ncycles; ++c) {
    const int32_t s = C->starts[c], e = C->starts[c + 1];
    for (int32_t t = s; t < e; ++t) P->p[C->elements[t]] = C->elements[t + 1 < e ? t + 1 : s];
  }
  return P;
}

void permcycle_print(const PermCycle* C, FILE* out) {
  if (!C) return;
  for (int32_t c = 0; c < C->ncycles; ++c) {
    for (int32_t t = C->starts[c]; t < C->starts[c + 1]; ++t)
      std::fprintf(out, t == C->starts[c] ? "(%d" : " %d", C->elements[t]);
    std::fputs(") ", out);
  }
  std::fputs("\n", out);
}

void permcycle_print_hist(const PermCycle* C, FILE* out) {
  if (!C) return;
  std::vector<long> count(static_cast<size_t>(C->n) + 1, 0);
  for (int32_t c = 0; c < C->ncycles; ++c) ++count[C->starts[c + 1] - C->starts[c]];
  std::fputs("Cycle lengths:  ", out);
  for (int32_t len = 1; len <= C->n; ++len)
    if (count[len] > 0) std::fprintf(out, "(len %d: %ld) ", len, count[len]);
  std::fputs("\n", out);
}

void permcycle_free(PermCycle* C) {
  if (!C) return;
  memory::release(C->elements);
  memory::release(C->starts);
  memory::release(C);
}

}  // namespace varnexo::matching
