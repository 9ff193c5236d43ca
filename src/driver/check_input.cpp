// Input checking: every call that reaches the driver passes here after the handle blocks exist
// and before any work. The arguments are validated against each other and against the values
// stored by earlier calls; the accepted values go into the working copies and into ibasic.
#include <algorithm>
#include <climits>
#include <cmath>
#include <complex>
#include <vector>

#include "common/export.h"
#include "driver/call.h"
#include "driver/diagonal.h"
#include "driver/driver_entries.h"
#include "driver/input_texts.h"
#include "driver/outcome.h"

namespace varnexo::driver {

const char* input_check_text(int32_t error_num) {
  switch (error_num) {
    case 1:
      return "*** Input check: ido_new %d (out of bounds)";
    case 2:
      return "*** Input check: max_fac_store_new %d _old %d are incompatible";
    case 3:
      return "*** Input check: max_fac_store_in %d matrix_number_in %d";
    case 4:
      return "*** Input check: matrix_number_new %d ido %d are incompatible";
    case 5:
      return "*** Input check: matrix_type_new %d _old %d are incompatible";
    case 7:
      return "*** Input check: neqns_new %d";
    case 8:
      return "*** Input check: ia(neqns+1)_new %d _old %d are incompatible";
    case 9:
      return "*** Input check: nb_new  %d  ido %d are incompatible";
    case 10:
      return "*** Input check: iparam(6) %d (out of bounds)";
    case 11:
      return "*** Input check: preprocessing %d (out of bounds)";
    case 15:
      return "*** Input check: matrix_type_new %d (out of bounds)";
    case 20:
      return "*** wrong controlstep parameter ido %d";
    case kBadRowPointers:
      return "*** Input check: row pointers ia must start at 1 and not decrease, first bad row %d";
    case kBadColumnIndex:
      return "*** Input check: column index outside 1..neqns in row %d";
    case kUnsortedRow:
      return "*** Input check: column indices not strictly increasing in row %d";
    case kBadTriangleRow:
      return "*** Input check: row %d must start with its diagonal and hold no entry below it";
    case kMissingDiagonal:
      return "*** Input check: row %d holds no diagonal entry";
    case kBadPermutation:
      return "*** Input check: perm is not a permutation of 1..neqns, first bad position %d";
    case kTooLarge:
      return "*** Input check: matrix too large for 32-bit index arrays, neqns %d";
    case kNullArgument:
      return "*** Input check: argument %d is a null pointer";
    case kUnsymmetricPattern:
      return "*** Input check: pattern not structurally symmetric, row %d";
    case kStructureChanged:
      return "*** Input check: neqns %d or the number of entries differ from the analysed matrix";
    case kBadMaxFacStore:
      return "*** Input check: max_fac_store %d (out of bounds, at most 1024)";
    case kBadTranspose:
      return "*** Input check: iparam(12) %d (out of bounds)";
    case kTooManyRhs:
      return "*** Input check: nb %d too large, neqns*nb above 2147483647";
    case kNoCompleteFactor:
      return "*** Input check: matrix number %d holds no complete factor";
    case kFactorOfOtherType:
      return "*** Input check: the factor of matrix number %d was computed as matrix type %d";
    default:
      return nullptr;
  }
}

int32_t solve_diagonal(Call& c, bool short_cut) {
  const bool real = !c.kind().is_complex();
  const int32_t w = c.kind().doubles_per_entry();
  const bool solves = c.phase % 10 == 3;
  if (!(short_cut ? c.phase != 11 : solves)) return 0;
  if (int32_t num = check_finite_values(c, c.neqns, w, true, solves)) {
    c.error_num = num;
    return -4;
  }
  int32_t status = 0;
  OneBased<int32_t> ip = c.iparam;
  const int32_t solve = solves ? 1 : 0;
  if (real) {
    diag_solve<double>(c.neqns, c.nb, c.ia, c.ja, c.a, c.b, c.x, status, ip(6), solve,
                       short_cut ? &ip(22) : nullptr, short_cut ? &ip(23) : nullptr);
  } else {
    using z = std::complex<double>;
    diag_solve<z>(c.neqns, c.nb, c.ia, c.ja, reinterpret_cast<const z*>(c.a), reinterpret_cast<z*>(c.b),
                  reinterpret_cast<z*>(c.x), status, ip(6), solve, nullptr, nullptr);
  }
  if (status != 0) {
    c.error_num = status < 0 ? status : -status;  // the row, as the report prints it
    return -1;
  }
  if (solves) {
    if (int32_t num = check_finite_solution(c, ip(6) == 1 ? c.b : c.x, w)) {
      c.error_num = num;
      return -4;
    }
  }
  return 0;
}

namespace {

void prepare(Call& c) {
  const Control ctl = c.ctl();
  timer_varnexo_(&ctl.last_stamp());
  c.h.slot(kSlotCallCounter) += 1;
  for (int32_t& f : c.done_flags) f = 0;
  // Stage times are those of this call. The factorisation time stays: it is the one the
  // iteration budget of later solves weighs a solve against.
  for (int k = 1; k <= 9; ++k)
    if (k != 6 || c.h.slot(kSlotCallCounter) == 1) ctl.stage_time(k) = 0.0;
  ctl.stage_time(10) = ctl.last_stamp();
  c.level = c.message_level != 0 ? 1 : 0;
  OneBased<int32_t> ip = c.iparam;
  int32_t cgs = ip(4);
  if (ip(1) == 1) {
    ctl.domain_mode() = ip(24);
    ctl.solve_partition() = ip(25);
    ctl.matching_option() = ip(28);
    ctl.single_precision() = ip(29);
    ctl.force_plain() = 0;
    // sign·(10·k + m): the magnitude is taken in 64 bits, so the most negative value is safe.
    const int64_t q = cgs < 0 ? -(int64_t)cgs : cgs, k = q / 10, digit = q % 10;
    cgs = (int32_t)(cgs < 0 ? -digit : digit);
    if (k != 0) ctl.cgs_tolerance() = std::exp(-(double)k * std::log(10.0));
  }
  c.cgs_code = cgs;
  ctl.eps_exponent() = ip(10);
}

// The type rules against the stored type of an earlier call (none before the first analysis).
bool compatible_types(int32_t stored, int32_t type, int32_t phase) {
  const MatrixKind* before = find_kind(stored);
  return before == nullptr || may_follow(*before, kind_of(type), phase);
}

}  // namespace

int32_t check_scalars(Call& c, bool with_handle) {
  OneBased<int32_t> ip = c.iparam;
  const int32_t phase = c.phase, type = c.matrix_type;
  if (phase < -1 || phase > 33) return 1;
  // The processor count only shapes the layout; it is brought into range and written back.
  ip(3) = std::clamp(ip(3), 1, kMaxProcessors);
  if (c.max_fac_store > kMaxFacStore) return kBadMaxFacStore;
  if (with_handle) {
    const int32_t stored = c.ctl().max_fac_store();
    if (stored > 0 && stored < c.max_fac_store) return 2;
  }
  if (c.matrix_number > c.max_fac_store) return 3;
  // A phase that factorises needs a factor entry, analysis with factorisation included.
  if (c.matrix_number < 1 && (phase > 21 || phase == 12 || phase == 13)) return 4;
  if (find_kind(type) == nullptr) return 15;
  if (with_handle && !compatible_types(c.ctl().matrix_type(), type, phase)) return 5;
  if (c.neqns < 1) return 7;
  if (c.nnz < c.neqns) return 8;
  // Every phase that solves needs at least one right-hand side.
  if (c.nb < 1 && phase % 10 == 3) return 9;
  if ((int64_t)c.neqns * c.nb > INT32_MAX) return kTooManyRhs;
  if (ip(6) != 0 && ip(6) != 1) return 10;
  // 1 solves with the transposed matrix; -1 is the mark the diagonal short cut leaves.
  if (ip(12) < -1 || ip(12) > 1) return kBadTranspose;
  if (ip(30) == 0 && (ip(2) < 0 || ip(2) > 2)) return 11;
  return 0;
}

int32_t check_null_arrays(Call& c) {
  // Positions in the public call of the arrays this phase reads or writes.
  const bool solves = c.phase % 10 == 3, analyses = c.phase / 10 == 1;
  const struct {
    const void* p;
    int32_t position;
    bool needed;
  } arrays[] = {{c.a, 7, true},    {c.ia, 8, true},
                {c.ja, 9, true},   {c.perm, 10, analyses && c.iparam(5) != 0},
                {c.b, 14, solves}, {c.x, 15, solves}};
  for (const auto& arg : arrays) {
    if (arg.needed && arg.p == nullptr) {
      c.bad_row = arg.position;
      return kNullArgument;
    }
  }
  return 0;
}

namespace {

// Row pointers, column indices, row order and diagonals of the matrix, and the caller's
// permutation when it is to be used. Returns the error number and leaves the row in bad_row.
int32_t check_arrays(Call& c) {
  const int32_t n = c.neqns;
  const MatrixKind& kind = c.kind();
  OneBased<const int32_t> ia(c.ia, n + 1);
  if ((int64_t)ia(n + 1) - 1 > INT_MAX / 3 - n) {
    c.bad_row = n;
    return kTooLarge;
  }
  // The factor and its value maps were laid out for the analysed matrix: a factorisation or
  // solve must see the same order and the same number of entries.
  if (c.phase / 10 >= 2 && c.analysed_n != 0 &&
      (n != c.analysed_n || (int64_t)ia(n + 1) - 1 != c.analysed_nnz)) {
    c.bad_row = n;
    return kStructureChanged;
  }
  OneBased<const int32_t> ja(c.ja, (int64_t)ia(n + 1) - 1);
  if (ia(1) != 1) {
    c.bad_row = 1;
    return kBadRowPointers;
  }
  for (int32_t i = 1; i <= n; ++i) {
    if (ia(i + 1) < ia(i)) {
      c.bad_row = i;
      return kBadRowPointers;
    }
  }
  for (int32_t i = 1; i <= n; ++i) {
    c.bad_row = i;
    bool has_diagonal = false;
    for (int32_t k = ia(i); k < ia(i + 1); ++k) {
      const int32_t j = ja(k);
      if (j < 1 || j > n) return kBadColumnIndex;
      if (k > ia(i) && j <= ja(k - 1)) return kUnsortedRow;
      has_diagonal |= j == i;
    }
    if (kind.symmetric_storage() && (ia(i + 1) == ia(i) || ja(ia(i)) != i)) return kBadTriangleRow;
    if (kind.structurally_symmetric() && !has_diagonal) return kMissingDiagonal;
  }
  if (kind.structurally_symmetric()) {
    // The structurally symmetric types store full rows of a symmetric pattern: every (i, j)
    // has its mirror (j, i). Rows are sorted by now, so the mirror is found by bisection.
    for (int32_t i = 1; i <= n; ++i) {
      for (int32_t k = ia(i); k < ia(i + 1); ++k) {
        const int32_t j = ja(k);
        const int32_t* first = c.ja + (ia(j) - 1);
        const int32_t* last = c.ja + (ia(j + 1) - 1);
        if (!std::binary_search(first, last, i)) {
          c.bad_row = i;
          return kUnsymmetricPattern;
        }
      }
    }
  }
  if (c.phase / 10 == 1 && c.iparam(5) > 0) {
    std::vector<char> seen((size_t)n + 1, 0);
    OneBased<const int32_t> perm(c.perm, n);
    for (int32_t k = 1; k <= n; ++k) {
      const int32_t p = perm(k);
      if (p < 1 || p > n || seen[p]) {
        c.bad_row = k;
        return kBadPermutation;
      }
      seen[p] = 1;
    }
  }
  c.bad_row = 0;
  return 0;
}

// The type change to the negative of the stored type adjusts the work estimate.
void adjust_work_estimate(Call& c) {
  const Control ctl = c.ctl();
  const MatrixKind* stored = find_kind(ctl.matrix_type());
  if (stored == nullptr || !widens_update_buffer(*stored, c.kind())) return;
  // The pivoting kernels keep four times the largest update block in temp.
  const int32_t x = 4;
  if (ctl.temp_factor() < x) {
    ctl.temp_size() = ctl.temp_factor() != 0 ? (int32_t)((int64_t)x * ctl.temp_size() / ctl.temp_factor())
                                             : ctl.temp_size();
    ctl.temp_factor() = x;
  }
}

// A diagonal system is finished here: solved for phases ending in 3, checked otherwise.
void finish_diagonal(Call& c) {
  const Control ctl = c.ctl();
  ctl.transposed() = c.iparam(12) == 1 ? 1 : 0;
  c.iparam(12) = -1;
  const int32_t error = solve_diagonal(c, false);
  if (error == 0) c.error_num = 99;
  c.outcome_failed = error == -4;
}

int32_t panel_width(const MatrixKind& kind, int32_t nproc, int32_t iparam30) {
  if (kind.storage == FactorStorage::lu) return nproc > 4 ? 72 : (nproc >= 2 ? 96 : 128);
  const int32_t width = nproc < 5 ? 80 : 64;
  return iparam30 > 1 ? iparam30 : width;
}

void store_accepted(Call& c) {
  const Control ctl = c.ctl();
  OneBased<int32_t> ip = c.iparam;
  const int32_t n = c.neqns, type = c.matrix_type;
  const MatrixKind& kind = c.kind();
  ctl.n() = n;
  ctl.n_plus_1() = n + 1;
  int32_t transpose = ip(12) == 1 ? 1 : 0;
  if (c.phase / 10 == 1) {
    int64_t h = (c.nnz - n) / 2;
    if (kind.symmetric_storage()) {
      h = c.nnz - n;
      ctl.symmetric_storage() = 1;
      transpose = 0;
    }
    ctl.triangle_entries() = (int32_t)h;
    ctl.adjacency_size() = kind.unsymmetric() ? (int32_t)(3 * c.nnz + n) : (int32_t)(2 * h);
  }
  const int32_t nproc = ip(3);
  // The processor count and the panel width shape the layout of the analysis; a factorisation
  // or solve keeps those of the analysis it works on.
  const bool analysis = c.phase / 10 == 1;
  if (analysis) ctl.panel_width() = panel_width(kind, nproc, ip(30));
  if (analysis) ctl.relaxed_supernodes() = ip(31) == 1 ? 1 : 0;
  int32_t ordering = ip(2);
  if (ip(30) == 1 && (ordering < 0 || ordering > 2)) ordering = 2;
  ctl.solution_on_b() = ip(6);
  ctl.message_level() = c.level;
  ctl.matrix_type() = type;
  ctl.ordering() = ordering;
  if (analysis) ctl.nproc() = nproc;
  ctl.cgs_code() = c.cgs_code;
  if (analysis) ctl.plain_family() = nproc == 1 ? 1 : 0;
  ctl.user_perm() = ip(5);
  ctl.pivoting() = ip(21);
  ctl.output_switch() = 0;
  ctl.word(53) = 0;
  ctl.transposed() = ctl.symmetric_storage() == 1 ? 0 : transpose;
  ctl.solve_part() = ip(26);
  ctl.force_plain() = 0;
}

}  // namespace

void check_input(Call& c) {
  prepare(c);
  const int32_t p = c.phase;
  const bool known = p == 11 || p == 12 || p == 13 || p == 22 || p == 23 || p == 33;
  int32_t num = check_scalars(c, true);
  // A phase without a meaning is refused before any work, the diagonal solve included.
  if (num == 0 && !known) num = 20;
  if (num == 0) num = check_null_arrays(c);
  if (num == 0) adjust_work_estimate(c);
  const bool diagonal = num == 0 && c.nnz == c.neqns && is_diagonal_system(c.neqns, c.ia, c.ja);
  if (num == 0 && !diagonal) num = check_arrays(c);
  if (num != 0) {
    // The caller's values stay in the call for the report; the working copies are cleared.
    c.error_num = num;
    c.work_nb = 0;
    c.ido = 0;
    return;
  }
  c.ido = c.phase;
  c.n = c.neqns;
  c.work_nb = c.nb;
  if (diagonal) {
    finish_diagonal(c);
    return;
  }
  store_accepted(c);
  c.error_num = 0;
}

}  // namespace varnexo::driver
