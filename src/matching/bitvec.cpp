// Bit vectors and index lists of the toolkit (matching stage): the 1×1/2×2 marks of the symmetric
// matching live in a bit vector over the positions; index lists collect the explicit zeros of the
// padded 2×2 matrix.
#include <algorithm>
#include <cstring>
#include <vector>

#include "common/memory.h"
#include "matching/toolkit.h"

namespace varnexo::matching {
namespace {

constexpr const char* kSrc = "src/bitvec";

int32_t words_for(int32_t size) { return size <= 0 ? 0 : (size - 1) / 32 + 1; }

BitVec* bitvec_record(int32_t size, uint32_t* words, bool owns) {
  auto* bv = static_cast<BitVec*>(memory::obtain(sizeof(BitVec), true));
  if (!bv) return nullptr;
  *bv = BitVec{};
  bv->size = size, bv->nwords = words_for(size), bv->owns = owns ? 1 : 0, bv->words = words;
  return bv;
}

bool in_range(const BitVec* bv, int32_t bit) {
  return bv && toolkit_check(bit >= 0 && bit < bv->size, "bit < bv->size", kSrc);
}

}  // namespace

BitVec* bitvec_new(int32_t size) {
  if (size < 0) return nullptr;
  uint32_t* words = toolkit_array<uint32_t>(words_for(size), true);
  if (!words) return nullptr;
  BitVec* bv = bitvec_record(size, words, true);
  if (!bv) memory::release(words);
  return bv;
}

BitVec* bitvec_new_from(int32_t size, uint32_t* words) {
  if (size < 0 || (size > 0 && !words)) return nullptr;
  return bitvec_record(size, words, false);
}

void bitvec_free(BitVec* bv) {
  if (!bv) return;
  if (bv->owns) memory::release(bv->words);
  memory::release(bv);
}

void bitvec_clear(BitVec* bv) {
  if (bv) std::fill(bv->words, bv->words + bv->nwords, 0u);
}

void bitvec_invert(BitVec* bv) {
  if (!bv || bv->nwords == 0) return;
  for (int32_t w = 0; w < bv->nwords; ++w) bv->words[w] = ~bv->words[w];
  const int32_t tail = bv->size % 32;
  if (tail != 0) bv->words[bv->nwords - 1] &= (1u << tail) - 1u;
}

bool bitvec_set(BitVec* bv, int32_t bit) {
  if (!in_range(bv, bit)) return false;
  bv->words[bit / 32] |= 1u << (bit % 32);
  return true;
}

bool bitvec_unset(BitVec* bv, int32_t bit) {
  if (!in_range(bv, bit)) return false;
  bv->words[bit / 32] &= ~(1u << (bit % 32));
  return true;
}

void bitvec_unset_sloppily(BitVec* bv, int32_t bit) {
  if (bv && bit >= 0 && bit < bv->size) bv->words[bit / 32] &= ~(1u << (bit % 32));
}

bool bitvec_is_set(const BitVec* bv, int32_t bit) {
  if (!in_range(bv, bit)) return false;
  return (bv->words[bit / 32] >> (bit % 32)) & 1u;
}

void bitvec_print(const BitVec* bv, FILE* out) {
  if (!bv) return;
  std::fputs("[", out);
  for (int32_t b = 0; b < bv->size; ++b) std::fprintf(out, "%d", bitvec_is_set(bv, b) ? 1 : 0);
  std::fputs("]", out);
}

BitVec* bitvec_copy_permute(const BitVec* src, const Perm* P) {
  if (!src || !P || !toolkit_check(src->size == P->n, "src->size == perm->n", kSrc)) return nullptr;
  for (int32_t b = 0; b < P->n; ++b)
    if (P->p[b] < 0 || P->p[b] >= P->n) return nullptr;
  BitVec* bv = bitvec_new(src->size);
  if (!bv) return nullptr;
  for (int32_t b = 0; b < src->size; ++b)
    if (bitvec_is_set(src, b)) bitvec_set(bv, P->p[b]);
  return bv;
}

bool bitvec_permute(BitVec* bv, const Perm* P) {
  BitVec* moved = bitvec_copy_permute(bv, P);
  if (!moved) return false;
  std::copy(moved->words, moved->words + moved->nwords, bv->words);
  bitvec_free(moved);
  return true;
}

// ---- Index lists ------------------------------------------------------------------------------

JdxList* jdxlist_new(int32_t capacity) {
  if (capacity < 0) return nullptr;
  auto* l = static_cast<JdxList*>(memory::obtain(sizeof(JdxList), true));
  if (!l) return nullptr;
  *l = JdxList{};
  l->capacity = capacity;
  l->items = toolkit_array<int32_t>(capacity);
  if (!l->items) {
    memory::release(l);
    return nullptr;
  }
  return l;
}

void jdxlist_free(JdxList* l) {
  if (!l) return;
  memory::release(l->items);
  memory::release(l);
}

bool jdxlist_append(JdxList* l, int32_t x) {
  if (!l) return false;
  if (l->count == l->capacity) {
    const int32_t grown = l->capacity < 1 ? 1 : (l->capacity > (1 << 29) ? 0 : 2 * l->capacity);
    if (grown == 0) return false;
    auto* items =
        static_cast<int32_t*>(memory::resize(l->items, sizeof(int32_t) * static_cast<size_t>(grown)));
    if (!items) return false;
    l->items = items;
    l->capacity = grown;
  }
  l->items[l->count++] = x;
  return true;
}

bool jdxlist_contains(const JdxList* l, int32_t x) {
  return l && std::find(l->items, l->items + l->count, x) != l->items + l->count;
}

bool jdxlist_contains_remove(JdxList* l, int32_t x) {
  if (!l) return false;
  int32_t* it = std::find(l->items, l->items + l->count, x);
  if (it == l->items + l->count) return false;
  *it = l->items[--l->count];
  return true;
}

void jdxlist_print_as_int(const JdxList* l, FILE* out) {
  if (!l) return;
  for (int32_t k = 0; k < l->count; ++k) std::fprintf(out, k == 0 ? "%d" : ", %d", l->items[k]);
}

}  // namespace varnexo::matching
