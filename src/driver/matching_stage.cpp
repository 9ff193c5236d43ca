// The matching stage of the analysis (input -> [matching] -> ordering): the unsymmetric and split
// matchings with their scalings, the symmetric matching with 2×2 blocks whose compressed graph
// is ordered here by the ordering stage, and the blocks by position for the factorisation.
#include "driver/matching_stage.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "common/memory.h"
#include "driver/handle_routines.h"
#include "driver/matching_orderings.h"
#include "driver/storage_layout.h"
#include "matching/matching_store.h"
#include "matching/mps.h"
#include "matching/symmetric_matching.h"
#include "matching/toolkit.h"

namespace varnexo::driver {
namespace {

struct SmatDeleter {
  void operator()(matching::Smat* A) const { matching::smat_free(A); }
};
using SmatPtr = std::unique_ptr<matching::Smat, SmatDeleter>;

// The kinds whose matching pairs rows into 2×2 blocks (value-symmetric, indefinite).
bool symmetric_indefinite(const MatrixKind& k) { return k.matching_applies && k.indefinite(); }

// The local arrays of the matching are counted as the analysis obtains them.
void count_local_arrays(Call& c) {
  const int64_t n = c.n, nnz = c.nnz;
  c.mem.peak += memory::kilobytes(4 * (6 * n + 23));
  c.mem.peak += memory::kilobytes(8 * (3 * n + nnz + (c.kind().is_complex() ? nnz : 0)));
}

// The values the matchings weigh: the caller's, or the moduli of complex values.
const double* matched_values(const Call& c, std::vector<double>& moduli) {
  if (!c.kind().is_complex()) return c.a;
  moduli.resize(static_cast<size_t>(c.nnz));
  matching::convert2abs(c.nnz, c.a, moduli.data());
  return moduli.data();
}

// The caller's matrix as a 0-based toolkit record with the given values (copied indices, so
// the caller's arrays are never touched).
SmatPtr caller_matrix(const Call& c, const double* values, bool upper) {
  SmatPtr A(matching::smat_new_nnz(c.n, c.n, static_cast<int32_t>(c.nnz), upper ? 1 : 0));
  if (!A) return nullptr;
  for (int32_t i = 0; i <= c.n; ++i) A->ia[i] = c.ia[i] - 1;
  for (int64_t k = 0; k < c.nnz; ++k) A->ja[k] = c.ja[k] - 1, A->a[k] = values[k];
  return A;
}

int32_t out_of_memory(Call& c) {
  c.error_num = kCodeMatchReal;
  c.mem.failed_total = c.mem.peak;
  return -2;
}

int32_t obtain_slots(Call& c, int64_t perm_bytes) {
  if (int32_t num = obtain_block(c.h, kSlotMatchPerm, perm_bytes, kCodeMatchPerm, &c.mem.peak, c.mem))
    return (c.error_num = num, -2);
  if (int32_t num = obtain_block(c.h, kSlotScaling, 16 * int64_t{c.n}, kCodeScaling, &c.mem.peak, c.mem))
    return (c.error_num = num, -2);
  return 0;
}

// The maximum-product matching: match[j] = row of column j, logs = (columns, rows). Returns the
// coarse code.
int32_t weighted_matching(Call& c, const matching::Smat& A, std::vector<int32_t>& match,
                          std::vector<double>& logs) {
  const int32_t n = c.n;
  match.assign(static_cast<size_t>(n), 0);
  logs.assign(2 * static_cast<size_t>(n), 0.0);
  int32_t matched = 0;
  const int status =
      matching::mps(n, A.ia, A.ja, A.a, match.data(), logs.data() + n, logs.data(), 0, &matched);
  if (status == matching::kOutOfMemory) return out_of_memory(c);
  if (status != matching::kMatchingComplete) {
    c.matched = matched;
    c.error_num = -status;
    return -6;
  }
  return 0;
}

// The split matching of a saddle-point matrix: the pairs as an involution, one symmetric log
// scaling for rows and columns.
int32_t split(Call& c, const matching::Smat& A, std::vector<int32_t>& match, std::vector<double>& logs) {
  matching::SplitMatching s;
  if (matching::split_matching(A, s) != 0) return out_of_memory(c);
  match = std::move(s.partner);
  logs.resize(2 * static_cast<size_t>(c.n));
  std::copy(s.log_scaling.begin(), s.log_scaling.end(), logs.begin());
  std::copy(s.log_scaling.begin(), s.log_scaling.end(), logs.begin() + c.n);
  return 0;
}

int32_t prepare_unsymmetric(Call& c) {
  const Control ctl = c.ctl();
  const int64_t n = c.n, stores = ctl.max_fac_store() < 1 ? 1 : ctl.max_fac_store();
  if (int32_t e = obtain_slots(c, 4 * (stores * n + n + 3))) return e;
  int32_t* q = c.h.block_as<int32_t>(kSlotMatchPerm);
  double* scaling = c.h.block_as<double>(kSlotScaling);
  if (ctl.matching() <= 0) {
    matching::rr33adcopy(c.n, &c.kind(), -1, nullptr, nullptr, q, scaling);
    return 0;
  }
  count_local_arrays(c);
  std::vector<double> moduli;
  SmatPtr A = caller_matrix(c, matched_values(c, moduli), false);
  if (!A) return out_of_memory(c);
  std::vector<int32_t> match;
  std::vector<double> logs;
  // The split matching serves real saddle-point matrices.
  const bool by_split = ctl.matching() >= 3 && !c.kind().is_complex();
  if (int32_t e = by_split ? split(c, *A, match, logs) : weighted_matching(c, *A, match, logs)) return e;
  for (int32_t& r : match) r += 1;  // the row mapping is 1-based: row k of B is row q(k) of A
  matching::rr33adcopy(c.n, &c.kind(), ctl.scaling(), match.data(), logs.data(), q, scaling);
  return 0;
}

// A copy of the upper triangle scaled by the symmetric scaling exp((c + r)/2) of the matching,
// so that the pair test compares diagonals with matched entries of modulus 1.
SmatPtr scaled_copy(const matching::Smat& U, const std::vector<double>& logs) {
  SmatPtr S(matching::smat_copy(&U));
  if (!S) return nullptr;
  const int32_t n = U.m;
  for (int32_t i = 0; i < n; ++i)
    for (int32_t k = S->ia[i]; k < S->ia[i + 1]; ++k) {
      const int32_t j = S->ja[k];
      S->a[k] = std::fabs(S->a[k]) * std::exp(0.5 * (logs[i] + logs[n + i] + logs[j] + logs[n + j]));
    }
  return S;
}

// The padded structure of the blocks, 1-based, for the analysis steps.
bool padded_structure(const matching::Smat& U, const std::vector<int32_t>& mate, MatchingOutcome& out) {
  SmatPtr P(matching::pad_pair_structure(U, mate.data()));
  if (!P) return false;
  out.ia.resize(static_cast<size_t>(U.m) + 1);
  out.ja.resize(static_cast<size_t>(P->nnz));
  for (int32_t i = 0; i <= U.m; ++i) out.ia[i] = P->ia[i] + 1;
  for (int32_t k = 0; k < P->nnz; ++k) out.ja[k] = P->ja[k] + 1;
  return true;
}

// The domains of the ordering, in 1-based positions, closed by the separator pair.
void keep_domains(const std::vector<int32_t>& domains, int32_t n, const Control& ctl, MatchingOutcome& out) {
  const int32_t nd = static_cast<int32_t>(domains.size() / 2);
  out.domain_pairs.clear();
  if (nd <= 1) {
    ctl.domains() = 1;
    return;
  }
  for (int32_t v : domains) out.domain_pairs.push_back(v + 1);
  out.domain_pairs.push_back(domains.back() + 2);
  out.domain_pairs.push_back(n);
  ctl.domains() = nd;
}

int32_t prepare_symmetric(Call& c, MatchingOutcome& out) {
  const Control ctl = c.ctl();
  const int32_t n = c.n;
  if (int32_t e = obtain_slots(c, 4 * (2 * int64_t{n} + 3))) return e;
  count_local_arrays(c);
  std::vector<double> moduli;
  SmatPtr U = caller_matrix(c, matched_values(c, moduli), true);
  SmatPtr F(U ? matching::smat_copy_full_structure(U.get()) : nullptr);
  if (!F) return out_of_memory(c);
  std::vector<int32_t> sigma;
  std::vector<double> logs;
  const bool by_split = ctl.matching() >= 3 && !c.kind().is_complex();
  if (int32_t e = by_split ? split(c, *U, sigma, logs) : weighted_matching(c, *F, sigma, logs)) return e;
  F.reset();
  SmatPtr S = scaled_copy(*U, logs);
  if (!S) return out_of_memory(c);
  matching::SymmetricOrder order;
  const OrderingChoice choice = ordering_choice_of(ctl);
  const int64_t failures = memory::failures();
  const int32_t status = matching::mps_sym(*S, sigma.data(), matching::kPairDiagonalThreshold,
                                           compressed_ordering(choice), order);
  // An ordering that fails for lack of memory is a memory error, as in the analysis steps.
  if (status == matching::kSymmetricOrderingFailed && memory::failures() == failures)
    return (c.error_num = -180, -3);
  if (status != 0) return out_of_memory(c);
  std::vector<int32_t> perm(order.perm), mate(static_cast<size_t>(n), 0);
  for (int32_t& p : perm) p += 1;
  for (int32_t i = 0; i < n; ++i) mate[i] = order.mate[i] + 1;
  int32_t* slot13 = c.h.block_as<int32_t>(kSlotMatchPerm);
  matching::rr33adcopy(n, &c.kind(), ctl.scaling(), perm.data(), logs.data(), slot13,
                       c.h.block_as<double>(kSlotScaling));
  std::copy(mate.begin(), mate.end(), slot13 + n);
  keep_domains(order.domains, n, ctl, out);
  const bool keep_blocks_whole = ctl.matching() == 2 || ctl.matching() == 4;
  if (keep_blocks_whole && order.blocks > 0 && !padded_structure(*U, order.mate, out))
    return out_of_memory(c);
  return 0;
}

}  // namespace

int32_t run_matching_stage(Call& c, MatchingOutcome& out) {
  out = MatchingOutcome{};
  try {
    if (c.kind().unsymmetric()) return prepare_unsymmetric(c);
    if (symmetric_indefinite(c.kind()) && c.ctl().matching() > 0) return prepare_symmetric(c, out);
  } catch (const std::bad_alloc&) {  // the work vectors of the stage
    return out_of_memory(c);
  }
  return 0;
}

std::vector<int32_t> pair_starts(const Call& c) {
  std::vector<int32_t> first;
  const Control ctl = c.ctl();
  const int32_t* slot13 = c.h.block_as<int32_t>(kSlotMatchPerm);
  const int32_t* fi = c.h.block_as<int32_t>(kSlotStrucFi);
  if (!symmetric_indefinite(c.kind()) || ctl.matching() <= 0 || !slot13 || !fi) return first;
  const int32_t n = ctl.n();
  OneBased<const int32_t> perm(fi + (ctl.position(kFiPerm) - 1), n), mate(slot13 + n, n);
  first.assign(static_cast<size_t>(n), 0);
  bool any = false;
  for (int32_t k = 1; k < n; ++k) any |= (first[k - 1] = mate(perm(k)) == perm(k + 1) ? 1 : 0) != 0;
  if (!any) first.clear();
  return first;
}

}  // namespace varnexo::driver
