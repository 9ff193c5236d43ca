// The matchings of the symmetric indefinite types and of saddle-point matrices (matching stage,
// before the ordering): the symmetric permutation that keeps the pairs of a weighted matching
// adjacent as 2×2 blocks, ordered on the graph in which every block is one node; the
// constrained split matching that pairs each constraint with a primal row; and the padded
// structure that keeps both rows of a block in one supernode. 0-based throughout.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "matching/toolkit.h"

namespace varnexo::matching {

// The fill-reducing ordering of the compressed graph, supplied by the caller (the ordering stage
// is not seen from here).
//  nc nodes; xadj (nc+1), adjncy: 0-based, symmetric, no self loops; size (nc): the columns a
//    node stands for (2 for a 2×2 block, else 1), the weight an ordering should give it.
//  order (nc): order[k] = node at new position k.
//  domains: on return nd pairs (first, last) of new node positions, in increasing order, when
//    the ordering found several domains; left empty for one domain.
// Returns false when the ordering fails.
using CompressedOrdering =
    std::function<bool(int32_t nc, const int32_t* xadj, const int32_t* adjncy, const int32_t* size,
                       int32_t* order, std::vector<int32_t>& domains)>;

// The result of the symmetric matching.
struct SymmetricOrder {
  std::vector<int32_t> perm;     // n: perm[k] = old index at final position k
  std::vector<int32_t> mate;     // n: mate[i] = the other old index of i's 2×2 block, or -1
  std::vector<int32_t> domains;  // nd pairs (first, last) of final positions; empty: one domain
  int32_t blocks = 0;            // number of 2×2 blocks
};

// Diagonal magnitude below which a matched pair becomes a 2×2 block (a missing diagonal counts
// as small); meant for a matrix scaled so that the matched entries have modulus 1.
inline constexpr double kPairDiagonalThreshold = 1e-8;

// mps_sym: turns the matching sigma (n, a permutation: sigma[j] = the row matched to column j)
// of the full structure of the symmetric matrix A into a symmetric order.
//  A: n×n upper triangle (sym set), sorted rows; its values decide, with `tau`, which pairs are
//    2×2 blocks (|a(i,i)| <= tau or |a(j,j)| <= tau) and which are two 1×1 pivots.
//  The cycles of sigma are split into pairs (an odd cycle leaves its first member as a 1×1 at
//  the back); fixed points come first. Each 2×2 block becomes one node of the compressed graph,
//  which `order` orders; the expansion keeps every block's two positions adjacent and in order.
//  marks (optional, n bits): set for a 1×1 position, clear at the first position of a block.
// Returns 0, kSymmetricBadInput for a sigma that is no permutation or a malformed A,
// kSymmetricOrderingFailed, or kSymmetricNoMemory (work that cannot be obtained).
int32_t mps_sym(const Smat& A, const int32_t* sigma, double tau, const CompressedOrdering& order,
                SymmetricOrder& out, BitVec* marks = nullptr);

inline constexpr int32_t kSymmetricBadInput = -1;
inline constexpr int32_t kSymmetricOrderingFailed = -2;
inline constexpr int32_t kSymmetricNoMemory = -3;

// The result of the constrained split matching.
struct SplitMatching {
  int32_t constraints = 0;          // c: the trailing rows that hold only a (near-)zero diagonal
  int32_t paired = 0;               // constraints paired with a primal row
  std::vector<int32_t> partner;     // n: an involution; partner[i] = i for an unpaired row
  std::vector<double> log_scaling;  // n: one log scaling per row and column (symmetric)
};

// split_matching: A is n×n, either full rows or an upper triangle (sym set), with values.
//  The constraint block is the trailing c = smat_guess_constraint_size(A) rows; m = n - c.
//  Primal row i < m gets the log scaling -½·ln|F(i,i)| (0 when F(i,i) = 0), so that the scaled
//  diagonal of F has modulus 1. The coupling block C = A(0:m, m:n), its columns scaled alike, is
//  matched by its largest product (each constraint k with at most one primal row i); a pair puts
//  i and m+k on each other's place in `partner`. Constraint k gets the log scaling that makes
//  its largest scaled coupling entry 1 (0 when it has none), so every scaled coupling entry has
//  modulus at most 1.
// Returns 0, or -1 when memory runs out or A is malformed. Without constraints (c = 0) partner
// is the identity and the scaling is the one of the diagonal.
int32_t split_matching(const Smat& A, SplitMatching& out);

// pad_pair_structure: the upper-triangle structure (sorted rows, every diagonal present, sym set,
// no values) of A with each 2×2 block's two rows and columns given the union of their
// neighbours, so that the two columns of a block have the same structure in the factor and
// always fall into one supernode. A: n×n upper triangle; mate as in SymmetricOrder. Returns
// nullptr when memory runs out.
Smat* pad_pair_structure(const Smat& A, const int32_t* mate);

// build_padded_2x2_mat: the upper triangle of P·A·Pᵀ (pi: new -> old) in which both rows of
// every 2×2 block (marks clear at its first position) hold the union of their columns, entries
// missing from A (the block's own diagonal and off-diagonal included) stored as explicit zeros.
// map (A->nnz) receives the new place of every entry of A. nullptr on failure.
Smat* build_padded_2x2_mat(const Smat* A, const Perm* pi, const BitVec* marks, Perm* map);

}  // namespace varnexo::matching
