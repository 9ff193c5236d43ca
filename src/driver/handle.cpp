// The handle's blocks: obtaining, resizing and releasing them with their kilobyte accounting,
// the FACT_ADR table of stored factorisations, and the routines that initialise the control
// words at each analysis and size the blocks of the numerical phases.
#include "driver/handle.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <string>

#include "common/export.h"
#include "common/matrix_kind.h"
#include "common/memory.h"
#include "driver/control.h"
#include "driver/driver_entries.h"
#include "driver/handle_routines.h"
#include "driver/input_texts.h"
#include "driver/numeric_options.h"
#include "solve/cgs.h"

namespace varnexo::driver {

std::string block_name(int32_t error_num) {
  static const char kNames[] =
      "BASIC   FACT_ADRLOC_INT1STRUC_S0WORK_I0 STRUC_S1STRUC_S2STRUC_FILOC_INT2UP_UPLENFACT_L&UWORK_R0 "
      "CGS_ARR ";
  int64_t k = (error_num < 0 ? -static_cast<int64_t>(error_num) : error_num) / 100;
  if (k < 1 || k > 13) k = 1;
  return std::string(kNames + 8 * (k - 1), 8);
}

int64_t fact_adr_bytes(int32_t max_fac_store) {
  int64_t m = max_fac_store < 1 ? 1 : max_fac_store;
  return m * (int64_t)sizeof(FactEntry) + m * (int64_t)sizeof(void*);
}

FactEntry& Handle::fact_entry(int32_t k) const { return block_as<FactEntry>(kSlotFactAdr)[k - 1]; }

void*& Handle::fact_block(int32_t k) const {
  // The address table follows the ibasic(49) entries of the block.
  auto* entries = block_as<FactEntry>(kSlotFactAdr);
  auto** table = reinterpret_cast<void**>(entries + Control(*basic()).max_fac_store());
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
    for (int32_t k = 1; k <= Control(*h.basic()).max_fac_store(); ++k) {
      void*& block = h.fact_block(k);
      memory::release(block);
      block = nullptr;
      h.fact_entry(k).word[0] = 0;
    }
  }
  for (int s = kSlotLast; s >= kSlotStrucS0; --s) release_block(h, s);
  if (h.slot(kSlotBasic) != 0) Control(*h.basic()).position(kWorkR0Start) = kSentinel;
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
  const KindDefaults d = driver_defaults_of(type);
  iparam(2) = 2;
  for (int k : {4, 5, 6, 7, 9, 12, 14, 20, 22, 23, 24, 25, 28, 50}) iparam(k) = 0;
  iparam(8) = d.max_refinement;
  iparam(10) = d.perturbation;
  iparam(11) = d.scaling;
  iparam(13) = d.matching;
  iparam(18) = -1;
  iparam(19) = -1;
  iparam(21) = d.pivoting;
}

void ini_basic(const Handle& h, OneBased<int32_t> iparam, int32_t type) {
  Basic& basic = *h.basic();
  const Control ctl(basic);
  h.slot(kSlotCallCounter) = 0;
  // The capacity of FACT_ADR is fixed when the block is obtained and survives every analysis.
  const int32_t capacity = ctl.max_fac_store();
  std::fill(std::begin(basic.iadr), std::end(basic.iadr), kSentinel);
  std::fill(std::begin(basic.ibasic), std::end(basic.ibasic), 0);
  std::fill(std::begin(basic.rbasic), std::end(basic.rbasic), 0.0);
  ctl.max_fac_store() = capacity;
  if (iparam(1) == 0) apply_driver_defaults(iparam, type);
  ctl.ordering_maxint() = INT_MAX;
  ctl.output_unit() = 6;
  ctl.ordering() = 2;
  ctl.nproc() = std::clamp(iparam(3), 1, kMaxProcessors);
  ctl.separator_mmd() = 1;
  ctl.word(24) = 1;
  ctl.word(25) = 1;
  ctl.word(40) = 10000;
  ctl.solve_part() = iparam(26);
  ctl.real_word(11) = 10.0;
  ctl.real_word(12) = 1.0;
  ctl.cgs_tolerance() = 1e-12;
  ctl.real_word(14) = 1e-30;
  for (int32_t k = 1; k <= capacity; ++k) clean_fact(h.fact_entry(k));
  const MatrixKind* kind = find_kind(type);
  if (kind != nullptr && kind->matching_applies) {
    if (iparam(13) > 0) ctl.matching() = iparam(13);
    const int32_t gate = iparam(11) == 2 ? iparam(30) : iparam(13);
    if ((iparam(11) == 1 || iparam(11) == 2) && gate > 0) ctl.scaling() = 1;
    ctl.transposed() = iparam(12) == 1 ? 1 : 0;
  }
}

int32_t doubles_per_entry(int32_t type) {
  const MatrixKind* kind = find_kind(type);
  return kind ? kind->doubles_per_entry() : 1;
}

BlockSizes fact_cgs_alloc(bool at_analysis, int32_t& ido, int32_t nb, const Control& ctl, FactEntry& entry) {
  BlockSizes s;
  const int32_t w = doubles_per_entry(ctl.matrix_type());
  const int64_t n = ctl.n(), nproc = ctl.nproc() < 1 ? 1 : ctl.nproc();
  int64_t factor = (int64_t)ctl.lnz_size() + ctl.unz_size();
  if (at_analysis || ctl.force_plain() != 0) factor = ctl.domain_l_size() / 1024 + ctl.domain_u_size() / 1024;
  const bool never_factorised = entry.word[1] == kSentinel;
  if (never_factorised && ido == 33)
    ido = 23;  // a solve of a matrix number never factorised factorises first
  // A solve keeps the factor in the precision it was computed in; a factorisation in the other
  // precision needs a block of the other size.
  const MatrixKind* kind = find_kind(ctl.matrix_type());
  const bool single = ido == 33 && !never_factorised ? holds_single_factor(entry)
                                                     : kind != nullptr && single_factor_requested(ctl, *kind);
  s.single = single;
  const int64_t doubles = factor_doubles(factor, w, single);
  if (never_factorised || entry.word[0] == 0 || entry.word[0] == kSentinel) {
    s.factor = doubles;
  } else {
    s.factor = entry.word[4] == w && holds_single_factor(entry) == single ? 0 : -doubles;
  }
  int64_t work = (int64_t)nb * ctl.longest_column();
  if (work < n) work = n;
  if (work < ctl.temp_size()) work = ctl.temp_size();
  work *= nproc * w;
  // The vectors of the iteration, carved by solve::pre_cgs.
  const int64_t cgs = (ctl.cgs_code() != 0 && ido % 10 >= 3) ? solve::cgs_work_values(n, nb) * w : 0;
  if (work > INT32_MAX || cgs > INT32_MAX) {
    // Their sizes in doubles are kept in 32-bit control words: such blocks cannot be described.
    s.too_large = work > INT32_MAX ? work : cgs;
    return s;
  }
  if (ctl.position(kWorkR0Start) == kSentinel) {
    s.work = work;
  } else if (ctl.work_size() < work) {
    s.work = -work;
    ctl.position(kWorkR0Start) = kSentinel;
  }
  if (cgs > 0) {
    s.cgs = cgs;
    ctl.cgs_size() = (int32_t)s.cgs;
  }
  ctl.doubles_per_entry() = w;
  if (never_factorised || ((ido == 22 || ido == 23) && ctl.cgs_code() == 0)) ctl.refactorise() = 1;
  ctl.solve_work_values() = (int32_t)(work / w);
  if (s.work != 0) ctl.work_size() = (int32_t)work;
  return s;
}

}  // namespace varnexo::driver

using namespace varnexo;
using namespace varnexo::driver;

extern "C" {

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

}  // extern "C"
