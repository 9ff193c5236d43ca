// The handle's blocks: obtaining, resizing and releasing them with their kilobyte accounting,
// the FACT_ADR table of stored factorisations, and the routines that initialise the control
// words at each analysis and size the blocks of the numerical phases.
#include "driver/handle.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <initializer_list>

#include "common/export.h"
#include "common/memory.h"
#include "driver/driver_entries.h"
#include "driver/handle_routines.h"
#include "driver/input_texts.h"
#include "solve/cgs.h"

namespace varnexo::driver {

const char* block_name(int32_t error_num) {
  static const char kNames[] =
      "BASIC   FACT_ADRLOC_INT1STRUC_S0WORK_I0 STRUC_S1STRUC_S2STRUC_FILOC_INT2UP_UPLENFACT_L&UWORK_R0 "
      "CGS_ARR ";
  static thread_local char name[9];
  int k = (error_num < 0 ? -error_num : error_num) / 100;
  if (k < 1 || k > 13) k = 1;
  std::memcpy(name, kNames + 8 * (k - 1), 8);
  name[8] = '\0';
  return name;
}

int64_t fact_adr_bytes(int32_t max_fac_store) {
  int64_t m = max_fac_store < 1 ? 1 : max_fac_store;
  return m * (int64_t)sizeof(FactEntry) + m * (int64_t)sizeof(void*);
}

FactEntry& Handle::fact_entry(int32_t k) const { return block_as<FactEntry>(kSlotFactAdr)[k - 1]; }

void*& Handle::fact_block(int32_t k) const {
  // The address table follows the ibasic(49) entries of the block.
  auto* entries = block_as<FactEntry>(kSlotFactAdr);
  auto** table = reinterpret_cast<void**>(entries + ibasic()(49));
  return table[k - 1];
}

int32_t obtain_block(const Handle& h, int s, int64_t bytes, int32_t code, int64_t* counter,
                     MemoryCounters& mem) {
  release_block(h, s);  // a block still held (a failed call keeps its blocks) is replaced, not lost
  void* p = bytes > 0 ? memory::obtain((std::size_t)bytes) : nullptr;
  if (p == nullptr) {
    mem.failed_bytes = bytes;
    mem.failed_total = (counter ? *counter : 0) + memory::kilobytes(bytes);
    return code;
  }
  h.slot(s) = reinterpret_cast<intptr_t>(p);
  if (counter) *counter += memory::kilobytes(bytes);
  return 0;
}

int32_t resize_block(const Handle& h, int s, int64_t bytes, int32_t code, MemoryCounters& mem) {
  void* p = memory::resize(h.block(s), (std::size_t)bytes);
  if (p == nullptr) {
    mem.failed_bytes = bytes;
    mem.failed_total = mem.peak;
    return code;
  }
  h.slot(s) = reinterpret_cast<intptr_t>(p);
  return 0;
}

void release_block(const Handle& h, int s) {
  if (h.slot(s) != 0 && h.slot(s) != kSentinel) memory::release(h.block(s));
  h.slot(s) = 0;
}

void clean_fact(FactEntry& e) { e = FactEntry{{0, kSentinel, 0, 0, 0, 0}}; }

void release_factor(const Handle& h, int32_t k) {
  void*& block = h.fact_block(k);
  memory::release(block);
  block = nullptr;
  clean_fact(h.fact_entry(k));
}

void release_analysis(const Handle& h, MemoryCounters& mem) {
  mem.peak = mem.permanent = mem.factor = 0;
  if (h.slot(kSlotFactAdr) != 0 && h.slot(kSlotBasic) != 0) {
    for (int32_t k = 1; k <= h.ibasic()(49); ++k) {
      void*& block = h.fact_block(k);
      memory::release(block);
      block = nullptr;
      h.fact_entry(k).word[0] = 0;
    }
  }
  for (int s = kSlotLast; s >= kSlotStrucS0; --s) release_block(h, s);
  if (h.slot(kSlotBasic) != 0) h.iadr()(75) = kSentinel;
}

void release_all(const Handle& h) {
  MemoryCounters unused;
  release_analysis(h, unused);
  release_block(h, kSlotFactAdr);
  release_block(h, kSlotBasic);
  h.slot(kSlotCallCounter) = 0;
}

// Defaults that the driver writes itself at an analysis call with iparam(1) = 0.
void apply_driver_defaults(OneBased<int32_t> iparam, int32_t type) {
  const bool lu_type = type == 1 || type == 3 || type == 11 || type == 13;
  const bool indefinite = type == -2 || type == -4 || type == 6;
  const bool unsym = type == 11 || type == 13;
  iparam(2) = 2;
  for (int k : {4, 5, 6, 7, 8, 9, 12, 14, 20, 22, 23, 24, 25, 28, 50}) iparam(k) = 0;
  iparam(10) = lu_type ? 13 : (indefinite ? 8 : 0);
  iparam(11) = unsym ? 1 : 0;
  iparam(13) = unsym ? 1 : 0;
  iparam(18) = -1;
  iparam(19) = -1;
  iparam(21) = indefinite ? 1 : 0;
}

void ini_basic(const Handle& h, OneBased<int32_t> iparam, int32_t type) {
  OneBased<int32_t> ib = h.ibasic();
  OneBased<double> rb = h.rbasic();
  h.slot(kSlotCallCounter) = 0;
  // The capacity of FACT_ADR is fixed when the block is obtained and survives every analysis.
  const int32_t capacity = ib(49);
  for (int k = 1; k <= 100; ++k) h.iadr()(k) = kSentinel;
  for (int k = 1; k <= 100; ++k) ib(k) = 0;
  for (int k = 1; k <= 20; ++k) rb(k) = 0.0;
  ib(49) = capacity;
  if (iparam(1) == 0) apply_driver_defaults(iparam, type);
  ib(9) = INT_MAX;
  ib(10) = 6;
  ib(14) = 2;
  ib(15) = std::clamp(iparam(3), 1, kMaxProcessors);
  ib(17) = 1;
  ib(24) = 1;
  ib(25) = 1;
  ib(40) = 10000;
  ib(73) = iparam(26);
  rb(11) = 10.0;
  rb(12) = 1.0;
  rb(13) = 1e-12;
  rb(14) = 1e-30;
  for (int32_t k = 1; k <= capacity; ++k) clean_fact(h.fact_entry(k));
  if (type == -2 || type == -4 || type == 6 || type == 11 || type == 13) {
    if (iparam(13) > 0) ib(67) = iparam(13);
    const int32_t gate = iparam(11) == 2 ? iparam(30) : iparam(13);
    if ((iparam(11) == 1 || iparam(11) == 2) && gate > 0) ib(69) = 1;
    ib(68) = iparam(12) == 1 ? 1 : 0;
  }
}

// Doubles per stored entry: 1 for the real types (|type| <= 2 and 11), 2 for the complex ones.
int32_t doubles_per_entry(int32_t type) {
  int32_t a = type < 0 ? -type : type;
  return (a <= 2 || type == 11) ? 1 : 2;
}

BlockSizes fact_cgs_alloc(bool at_analysis, int32_t& ido, int32_t nb, OneBased<int32_t> ib,
                          OneBased<int32_t> iadr, FactEntry& entry) {
  BlockSizes s;
  const int32_t w = doubles_per_entry(ib(12));
  const int64_t n = ib(1), nproc = ib(15) < 1 ? 1 : ib(15);
  int64_t factor = (int64_t)ib(34) + ib(35);
  if (at_analysis || ib(74) != 0) factor = ib(78) / 1024 + ib(79) / 1024;
  const bool never_factorised = entry.word[1] == kSentinel;
  const int64_t doubles = factor * w;
  if (never_factorised) {
    s.factor = doubles;
    if (ido == 33) ido = 23;  // a solve of a matrix number never factorised factorises first
  } else if (entry.word[0] == 0 || entry.word[0] == kSentinel) {
    s.factor = doubles;
  } else {
    s.factor = entry.word[4] == w ? 0 : -doubles;
  }
  int64_t work = (int64_t)nb * ib(23);
  if (work < n) work = n;
  if (work < ib(37)) work = ib(37);
  work *= nproc * w;
  // The vectors of the iteration, carved by solve::pre_cgs.
  const int64_t cgs = (ib(18) != 0 && ido % 10 >= 3) ? solve::cgs_work_values(n, nb) * w : 0;
  if (work > INT32_MAX || cgs > INT32_MAX) {
    // Their sizes in doubles are kept in 32-bit control words: such blocks cannot be described.
    s.too_large = work > INT32_MAX ? work : cgs;
    return s;
  }
  if (iadr(75) == kSentinel) {
    s.work = work;
  } else if (ib(7) < work) {
    s.work = -work;
    iadr(75) = kSentinel;
  }
  if (cgs > 0) {
    s.cgs = cgs;
    ib(47) = (int32_t)s.cgs;
  }
  ib(5) = w;
  if (never_factorised || ((ido == 22 || ido == 23) && ib(18) == 0)) ib(43) = 1;
  ib(44) = (int32_t)(work / w);
  if (s.work != 0) ib(7) = (int32_t)work;
  return s;
}

}  // namespace varnexo::driver

using namespace varnexo;
using namespace varnexo::driver;

extern "C" {

VARNEXO_EXPORT void ini_basic_fc_(void* handle, const int32_t* message_level, const int32_t* first,
                                  int32_t* iparam, int32_t* ibasic, double* rbasic, int32_t* iadr,
                                  const int32_t* max_fac_store, int32_t* fact_adr,
                                  const int32_t* matrix_type) {
  // The handle's own BASIC and FACT_ADR blocks are the ones initialised; the array arguments
  // are accepted for callers that pass them and must be the handle's.
  (void)message_level, (void)first, (void)ibasic, (void)rbasic, (void)iadr, (void)max_fac_store,
      (void)fact_adr;
  ini_basic(Handle(handle), {iparam, 64}, *matrix_type);
}
VARNEXO_UNDERSCORE_ALIAS(ini_basic_fc_);

// Copies the 2x2 pair list of the symmetric matching (2·ibasic(60)+2 words) into the structure
// block of the analysis from word 5n+8 on.
VARNEXO_EXPORT void ddist_init_varnexo_(const int32_t* ibasic, int32_t* structure_block,
                                        const int32_t* pairs) {
  const int64_t n = ibasic[0], words = 2 * (int64_t)ibasic[59] + 2;
  std::memcpy(structure_block + 5 * n + 7, pairs, sizeof(int32_t) * (size_t)words);
}
VARNEXO_UNDERSCORE_ALIAS(ddist_init_varnexo_);

VARNEXO_EXPORT void clean_fact_fc_(int32_t* fact_adr_entry, const int32_t* sentinel) {
  int32_t e[6] = {0, *sentinel, 0, 0, 0, 0};
  std::memcpy(fact_adr_entry, e, sizeof e);
}
VARNEXO_UNDERSCORE_ALIAS(clean_fact_fc_);

VARNEXO_EXPORT void vmovup_fc_(const int32_t* kind, const int32_t* m, const int32_t* n, const int32_t* source,
                               int32_t* target) {
  // Two arrays of length n lie m+1 words apart in source; they are packed one after the other.
  if (*n <= 0) return;
  if (*kind == 1) {
    std::memcpy(target, source, sizeof(int32_t) * *n);
    std::memcpy(target + *n, source + *m + 1, sizeof(int32_t) * *n);
  } else {
    auto* t16 = reinterpret_cast<int16_t*>(target);
    for (int32_t k = 0; k < *n; ++k) t16[k] = (int16_t)source[k];
    for (int32_t k = 0; k < *n; ++k) t16[*n + k] = (int16_t)source[*m + 1 + k];
  }
}
VARNEXO_UNDERSCORE_ALIAS(vmovup_fc_);

VARNEXO_EXPORT void fact_cgs_alloc_fc_(const int32_t* at_analysis, int32_t* ido, const int32_t* nb,
                                       int64_t* factor_size, int64_t* cgs_size, int64_t* work_size,
                                       int32_t* ibasic, int32_t* iadr, int32_t* fact_adr_entry) {
  FactEntry entry;
  std::memcpy(&entry, fact_adr_entry, sizeof entry);
  BlockSizes s = fact_cgs_alloc(*at_analysis != 0, *ido, *nb, {ibasic, 100}, {iadr, 100}, entry);
  *factor_size = s.factor;
  *cgs_size = s.cgs;
  *work_size = s.work;
}
VARNEXO_UNDERSCORE_ALIAS(fact_cgs_alloc_fc_);

}  // extern "C"
