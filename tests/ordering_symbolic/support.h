// Test support for the ordering and symbolic stage: random patterns of the three storage kinds,
// the brute-force symbolic elimination, and a runner that
// obtains the analysis blocks as the phase driver does and runs steps 1-3 in them.
#pragma once
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace symtest {

enum class Storage { one_triangle, full_symmetric, unsymmetric };

// A pattern in the caller's 1-based compressed rows.
struct Pattern {
  int32_t n = 0;
  std::vector<int32_t> ia, ja;
  int32_t nnz() const { return ia[n] - 1; }
};

// Random pattern: one triangle (diagonal first in every row), full structurally symmetric (with
// the diagonal), or unsymmetric (sorted rows, diagonal sometimes missing).
Pattern random_pattern(Storage kind, int32_t n, double density, std::mt19937& rng);

std::vector<int32_t> random_permutation(int32_t n, std::mt19937& rng);

// Symmetric adjacency (no self loops) of the pattern as the analysis sees it: A for the
// symmetric storages, B + B^T for the unsymmetric one, B = A with row k taken from row q(k).
std::vector<std::vector<int32_t>> graph_of(const Pattern& p, Storage kind, const std::vector<int32_t>& q);

// Brute-force symbolic elimination of the graph under perm (new -> old, 1-based): for every
// column j (new numbering) the sorted rows of L(:, j), the diagonal included.
std::vector<std::vector<int32_t>> brute_force_columns(const std::vector<std::vector<int32_t>>& graph,
                                                      const std::vector<int32_t>& perm);

// The options of one analysis, as the phase driver sets the control words.
struct Options {
  Storage kind = Storage::one_triangle;
  int32_t nproc = 1;
  int32_t ordering = 2;           // ibasic(14)
  int32_t user_perm = 0;          // iparam(VARNEXO_IPARAM_PERM_USE)
  int32_t domain_mode = 0;        // ibasic(70)
  bool scaling = false;           // ibasic(69)
  int32_t panel = 0;              // iparam(VARNEXO_IPARAM_PANEL) (> 1 replaces the panel width)
  std::vector<int32_t> perm;      // caller's permutation (read when user_perm > 0)
  std::vector<int32_t> matching;  // slot 13: row mapping (unsymmetric) or symmetric matching order
  std::vector<int32_t> mates;     // symmetric matching: the other member of each index's 2×2 block
                                  // (1-based, 0 for none), after the order in slot 13; empty: none
  std::vector<int32_t> pairs;     // pair list of the symmetric matching (domains), closed by the
                                  // separator pair; empty: none
  bool relaxed = false;           // iparam(31): relaxed supernodes
};

// One analysis run: the blocks as the driver obtains them (sizes from the size functions, each
// followed by guard words), the control words, and the results of steps 1-3.
struct AnalysisRun {
  int32_t n = 0;
  std::vector<int32_t> ibasic = std::vector<int32_t>(100, 0);
  std::vector<double> rbasic = std::vector<double>(20, 0.0);
  std::vector<int32_t> iadr = std::vector<int32_t>(100, 777777);
  std::vector<int32_t> iparam = std::vector<int32_t>(64, 0);
  std::vector<int32_t> caller_perm;
  std::vector<int32_t> s0, w0, s1, s2, fi, loc2, up;  // each with guard words after its size
  int64_t s0_words = 0, w0_words = 0, s1_words = 0, s2_words = 0, fi_words = 0, loc2_words = 0, up_words = 0;
  int64_t fi_shrunk_words = 0;
  int32_t status = 0;  // ibasic(50) after the last step run
  int32_t last_step = 0;
  bool guards_intact() const;
};

constexpr int32_t kGuard = 0x5eed5eed;
constexpr int32_t kGuardWords = 64;

AnalysisRun run_analysis(const Pattern& p, const Options& o);

int32_t mtype_of(Storage kind);

}  // namespace symtest
