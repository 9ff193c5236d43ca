// The solver handle: the caller's 64 pointer-sized slots, the BASIC block with the control words
// (ibasic), stage times (rbasic) and sub-array positions (iadr), the FACT_ADR table of stored
// factorisations, and the named memory blocks with their kilobyte accounting.
#pragma once
#include <cstdint>
#include <string>

#include "common/onebased.h"

namespace varnexo::driver {

// Marks a block or table entry that is not owned or not yet obtained.
inline constexpr int32_t kSentinel = 777777;

// Slots of the handle (1-based).
enum Slot : int {
  kSlotCallCounter = 1,
  kSlotBasic = 2,
  kSlotFactAdr = 4,
  kSlotStrucS0 = 5,
  kSlotStrucS1 = 6,
  kSlotStrucS2 = 7,
  kSlotStrucFi = 8,
  kSlotWorkI0 = 9,
  kSlotWorkR0 = 10,
  kSlotCgsArr = 11,
  kSlotUpUplen = 12,
  kSlotMatchPerm = 13,
  kSlotScaling = 14,
  kSlotPadded = 16,
  kSlotLast = 17,
};

// Error numbers of the named blocks (error_num on a failed allocation); error_num/100 indexes
// the block-name table.
enum BlockCode : int32_t {
  kCodeBasic = -100,
  kCodeFactAdr = -200,
  kCodeLocInt1 = -300,
  kCodeStrucS0 = -400,
  kCodeMatchInt = -401,
  kCodeMatchReal = -402,
  kCodeMatchPerm = -403,
  kCodeScaling = -404,
  kCodeWorkI0 = -500,
  kCodeStrucS1 = -600,
  kCodeStrucS2 = -700,
  kCodeStrucFi = -800,
  kCodeLocInt2 = -900,
  kCodeUpUplen = -1000,
  kCodeFactLU = -1100,
  kCodeWorkR0 = -1200,
  kCodeCgsArr = -1300,
};

// The 8-character name of the block behind an allocation error number ("STRUC_S0" for -401).
std::string block_name(int32_t error_num);

// The BASIC block: three arrays one after the other, 960 bytes.
struct Basic {
  int32_t ibasic[100];
  double rbasic[20];
  int32_t iadr[100];
};
static_assert(sizeof(Basic) == 960);

// One FACT_ADR entry: word 1 marks a held factor block (1) or none (0); word 2 is the sentinel
// while the entry was never factorised, afterwards a copy of word 1; word 3 the matrix type of
// a complete factor, 0 while the block holds none (never factorised, or the last factorisation
// failed); word 4 the factor size in doubles; word 5 the doubles per entry; word 6 the pivoting
// mode of the factor (1 diagonal, 2 Bunch–Kaufman) plus kEntrySingle when the block holds the
// factor in 4-byte reals (set when the block is obtained, since its size depends on it). The
// block addresses themselves are kept in a pointer table that follows the entries in the same
// block, since a 32-bit word cannot hold an address.
struct FactEntry {
  int32_t word[6];
};
static_assert(sizeof(FactEntry) == 24);

inline constexpr int32_t kEntryPivotingMask = 3;
inline constexpr int32_t kEntrySingle = 4;

inline bool holds_single_factor(const FactEntry& e) { return (e.word[5] & kEntrySingle) != 0; }

// Doubles that `values` factor values of `w` doubles each occupy, in 8-byte reals or, for a
// single-precision factor, in 4-byte reals (rounded up to whole doubles).
inline int64_t factor_doubles(int64_t values, int32_t w, bool single) {
  return single ? (values * w + 1) / 2 : values * w;
}

// Bytes of the FACT_ADR block for `max_fac_store` entries: the entries and the address table.
int64_t fact_adr_bytes(int32_t max_fac_store);

// The three memory counters of one call, in kilobytes, and what the error report needs to
// describe a failed allocation.
struct MemoryCounters {
  int64_t peak = 0;       // iparam(15): every block obtained by the analysis
  int64_t permanent = 0;  // iparam(16): blocks that outlive the analysis
  int64_t factor = 0;     // iparam(17): factor, real work and refinement vectors
  int64_t failed_bytes = 0;
  int64_t failed_total = 0;
};

// View of the caller's handle array. Creating it reads nothing.
class Handle {
 public:
  explicit Handle(void* slots) : slots_(static_cast<intptr_t*>(slots)) {}

  intptr_t& slot(int k) const { return slots_[k - 1]; }
  bool empty() const { return slot(kSlotCallCounter) == 0 && slot(kSlotBasic) == 0; }

  // The BASIC block; its words are read and written through a Control view (control.h).
  Basic* basic() const { return reinterpret_cast<Basic*>(slot(kSlotBasic)); }

  // The FACT_ADR entry of matrix number k (1-based) and the address of its factor block.
  FactEntry& fact_entry(int32_t k) const;
  void*& fact_block(int32_t k) const;

  void* block(int s) const { return reinterpret_cast<void*>(slot(s)); }
  template <class T>
  T* block_as(int s) const {
    return static_cast<T*>(block(s));
  }

 private:
  intptr_t* slots_;
};

// Obtains `bytes` into slot `s` (releasing the block the slot still holds), counting its kilobytes into
// `counter` (may be null). On failure records the size for the report and returns `code`; returns 0 on
// success.
int32_t obtain_block(const Handle& h, int s, int64_t bytes, int32_t code, int64_t* counter,
                     MemoryCounters& mem);

// Resizes the block of slot `s`; on failure the old block stays attached and `code` is returned.
int32_t resize_block(const Handle& h, int s, int64_t bytes, int32_t code, MemoryCounters& mem);

// Releases the block of slot `s` when one is held, and zeroes the slot.
void release_block(const Handle& h, int s);

// Resets one FACT_ADR entry to (0, 777777, 0, 0, 0, 0).
void clean_fact(FactEntry& e);

// Releases the factor block of matrix number k and cleans its entry.
void release_factor(const Handle& h, int32_t k);

// Releases every factor and the blocks of slots 17 down to 5 (a new analysis or phase -1).
void release_analysis(const Handle& h, MemoryCounters& mem);

// Releases everything, BASIC and FACT_ADR included, and zeroes the handle (phase -1).
void release_all(const Handle& h);

}  // namespace varnexo::driver
