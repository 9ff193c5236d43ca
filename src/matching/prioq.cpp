// The indexed max-priority queue of the toolkit (matching stage): a binary heap of indices whose
// position array lets the shortest-path searches of the matching raise a queued entry in
// O(log n) without searching for it.
#include <algorithm>

#include "common/memory.h"
#include "matching/toolkit.h"

namespace varnexo::matching {
namespace {

constexpr const char* kSrc = "src/prioq";

void place(PrioQ* pq, int32_t slot, int32_t index) {
  pq->heap[slot] = index;
  pq->position->p[index] = slot;
}

double prio(const PrioQ* pq, int32_t slot) { return pq->priority[pq->heap[slot]]; }

// Moves the entry at `slot` down while a child has a strictly larger priority (the right child
// only when it beats the left one strictly).
void shift_down(PrioQ* pq, int32_t slot) {
  const int32_t index = pq->heap[slot];
  const double p = pq->priority[index];
  for (;;) {
    int32_t child = 2 * slot + 1;
    if (child >= pq->count) break;
    if (child + 1 < pq->count && prio(pq, child + 1) > prio(pq, child)) ++child;
    if (!(prio(pq, child) > p)) break;
    place(pq, slot, pq->heap[child]);
    slot = child;
  }
  place(pq, slot, index);
}

bool valid_index(const PrioQ* pq, int32_t index) {
  return pq && toolkit_check(index >= 0 && index < pq->capacity, "index < pq->capacity", kSrc);
}

PrioQ* queue_record(int32_t capacity, double* priorities) {
  if (capacity < 0) return nullptr;
  auto* pq = static_cast<PrioQ*>(memory::obtain(sizeof(PrioQ), true));
  if (!pq) return nullptr;
  *pq = PrioQ{};
  pq->capacity = capacity;
  pq->owns = priorities ? 0 : 1;
  pq->heap = toolkit_array<int32_t>(capacity);
  pq->priority = priorities ? priorities : toolkit_array<double>(capacity, true);
  pq->position = perm_new(capacity);
  if (!pq->heap || !pq->priority || !pq->position) {
    pq_free(pq);
    return nullptr;
  }
  perm_clear(pq->position);
  return pq;
}

}  // namespace

PrioQ* prioq_new(int32_t capacity) { return queue_record(capacity, nullptr); }

void pq_free(PrioQ* pq) {
  if (!pq) return;
  memory::release(pq->heap);
  if (pq->owns) memory::release(pq->priority);
  perm_free(pq->position);
  memory::release(pq);
}

void pq_heap_shiftup(PrioQ* pq, int32_t slot) {
  if (!pq || slot < 0 || slot >= pq->count) return;
  const int32_t index = pq->heap[slot];
  const double p = pq->priority[index];
  while (slot > 0) {
    const int32_t parent = (slot - 1) / 2;
    if (!(p > prio(pq, parent))) break;
    place(pq, slot, pq->heap[parent]);
    slot = parent;
  }
  place(pq, slot, index);
}

bool prioq_insert(PrioQ* pq, int32_t index, double priority) {
  if (!valid_index(pq, index) || pq->position->p[index] >= 0) return false;
  pq->priority[index] = priority;
  place(pq, pq->count++, index);
  pq_heap_shiftup(pq, pq->count - 1);
  return true;
}

int32_t prioq_insert_replace_larger(PrioQ* pq, int32_t index, double priority) {
  if (!valid_index(pq, index)) return -1;
  const int32_t slot = pq->position->p[index];
  if (slot < 0) return prioq_insert(pq, index, priority) ? 1 : -1;
  if (!(priority > pq->priority[index])) return 0;
  pq->priority[index] = priority;
  pq_heap_shiftup(pq, slot);
  return 1;
}

int32_t pq_remove_max(PrioQ* pq) {
  if (!pq || pq->count == 0) return -1;
  const int32_t top = pq->heap[0];
  pq->position->p[top] = -1;
  if (--pq->count > 0) {
    place(pq, 0, pq->heap[pq->count]);
    shift_down(pq, 0);
  }
  return top;
}

int32_t pq_get_max_index(const PrioQ* pq) { return pq && pq->count > 0 ? pq->heap[0] : -1; }

double pq_get_max_priority(const PrioQ* pq) { return pq && pq->count > 0 ? prio(pq, 0) : 0.0; }

bool pq_inc1(PrioQ* pq, int32_t index) {
  if (!valid_index(pq, index) || pq->position->p[index] < 0) return false;
  pq->priority[index] += 1.0;
  pq_heap_shiftup(pq, pq->position->p[index]);
  return true;
}

bool pq_dec1(PrioQ* pq, int32_t index) {
  if (!valid_index(pq, index) || pq->position->p[index] < 0) return false;
  pq->priority[index] -= 1.0;
  shift_down(pq, pq->position->p[index]);
  return true;
}

PrioQ* pq_new_from_array(double* priorities, int32_t n) {
  if (!priorities && n > 0) return nullptr;
  PrioQ* pq = queue_record(n, priorities);
  if (!pq) return nullptr;
  for (int32_t i = 0; i < n; ++i) place(pq, i, i);
  pq->count = n;
  for (int32_t s = n / 2 - 1; s >= 0; --s) shift_down(pq, s);
  return pq;
}

void pq_heap_sort(PrioQ* pq, int32_t* order) {
  if (!pq || !order) return;
  for (int32_t k = 0; pq->count > 0; ++k) order[k] = pq_remove_max(pq);
}

void pq_print(const PrioQ* pq, FILE* out) {
  if (!pq) return;
  for (int32_t s = 0; s < pq->count; ++s)
    std::fprintf(out, s == 0 ? "values:  (%.1f" : ", %.1f", prio(pq, s));
  std::fputs(")\n", out);
  for (int32_t s = 0; s < pq->count; ++s)
    std::fprintf(out, s == 0 ? "invperm: (%2ld" : ", %2ld", static_cast<long>(pq->position->p[pq->heap[s]]));
  std::fputs(")\n", out);
  for (int32_t s = 0; s < pq->count; ++s)
    std::fprintf(out, s == 0 ? "org.ind: (%2ld" : ", %2ld", static_cast<long>(pq->heap[s]));
  std::fputs(")\n", out);
}

void prioq_clear(PrioQ* pq) {
  if (!pq) return;
  for (int32_t s = 0; s < pq->count; ++s) pq->position->p[pq->heap[s]] = -1;
  pq->count = 0;
}

}  // namespace varnexo::matching
