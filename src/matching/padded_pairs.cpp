// Structures that keep the two rows of every 2×2 block together (matching stage, for the
// ordering and the factor): the padded graph in which both members of a block share their
// neighbours, and the permuted matrix whose block rows share one column structure.
#include <vector>

#include "matching/assemble.h"
#include "matching/symmetric_matching.h"

namespace varnexo::matching {

Smat* pad_pair_structure(const Smat& A, const int32_t* mate) {
  const int32_t n = A.m;
  if (A.n != n || !mate) return nullptr;
  // Every edge x–y is lifted to the blocks of x and y: x'–y' for x' in {x, mate x} and y' in
  // {y, mate y}. The closed neighbourhoods of the two members of a block are then equal, so
  // they stay indistinguishable through the elimination and share one column structure.
  return assemble(n, n, 1, false, true, nullptr, [&](auto emit) {
    auto upper = [&](int32_t r, int32_t c) {
      if (r <= c)
        emit(r, c, 0.0, -1);
      else
        emit(c, r, 0.0, -1);
    };
    for (int32_t i = 0; i < n; ++i) {
      emit(i, i, 0.0, -1);
      if (mate[i] > i) emit(i, mate[i], 0.0, -1);
    }
    for (int32_t i = 0; i < n; ++i)
      for (int32_t k = A.ia[i]; k < A.ia[i + 1]; ++k) {
        const int32_t j = A.ja[k];
        if (j == i) continue;
        const int32_t xs[2] = {i, mate[i]}, ys[2] = {j, mate[j]};
        for (int32_t x : xs)
          for (int32_t y : ys)
            if (x >= 0 && y >= 0 && x != y) upper(x, y);
      }
  });
}

Smat* build_padded_2x2_mat(const Smat* A, const Perm* pi, const BitVec* marks, Perm* map) {
  if (!A || !pi || !toolkit_check(marks != nullptr, "sym_perm_1x1_pivots != NULL", "src/mpssym"))
    return nullptr;
  if (!map || !toolkit_check(map->n == A->nnz, "map_o2f->n == A->nnz", "src/mpssym")) return nullptr;
  if (marks->size != A->m) return nullptr;
  const int32_t n = A->m;
  std::vector<int32_t> moved(static_cast<size_t>(A->nnz));
  Smat* B = smat_sym_trans_pta(A, pi, moved.data());
  if (!B) return nullptr;
  // The block starts: a clear mark at k (k+1 < n) opens the block k, k+1.
  std::vector<int32_t> block_of(static_cast<size_t>(n), -1);
  for (int32_t k = 0; k + 1 < n; ++k)
    if (!bitvec_is_set(marks, k) && block_of[k] < 0) block_of[k] = block_of[k + 1] = k;
  int32_t zero_cnt = 0;
  Smat* P = assemble(n, n, B->sym, B->a != nullptr, true, nullptr, [&](auto emit) {
    zero_cnt = 0;
    for (int32_t r = 0; r < n; ++r) {
      for (int32_t k = B->ia[r]; k < B->ia[r + 1]; ++k) emit(r, B->ja[k], value_at(B, k), -1);
      const int32_t s = block_of[r];
      if (s < 0) continue;
      // The block's own diagonal and off-diagonal, and the other row's columns right of r.
      for (int32_t c : {s, s + 1})
        if (c >= r) emit(r, c, 0.0, -1), ++zero_cnt;
      const int32_t other = r == s ? s + 1 : s;
      for (int32_t k = B->ia[other]; k < B->ia[other + 1]; ++k)
        if (B->ja[k] >= r) emit(r, B->ja[k], 0.0, -1), ++zero_cnt;
    }
  });
  // The map runs from A's entries through B's positions to the padded matrix.
  bool ok = P != nullptr;
  if (ok) {
    std::vector<int32_t> b_to_p(static_cast<size_t>(B->nnz), -1);
    for (int32_t r = 0, t = 0; r < n; ++r)
      for (int32_t k = B->ia[r]; k < B->ia[r + 1]; ++k) {
        while (P->ja[t] != B->ja[k] || t < P->ia[r]) ++t;  // rows of P contain B's rows, both sorted
        b_to_p[k] = t;
      }
    for (int32_t e = 0; e < A->nnz; ++e) map->p[e] = b_to_p[moved[e]];
    ok = toolkit_check(P->nnz <= A->nnz + zero_cnt, "Af_nnz <= A->nnz + zero_cnt", "src/mpssym");
  }
  smat_free(B);
  if (!ok && P) {
    smat_free(P);
    P = nullptr;
  }
  return P;
}

}  // namespace varnexo::matching
