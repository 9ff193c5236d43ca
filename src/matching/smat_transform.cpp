// Restructuring operations of the toolkit's sparse matrix (matching stage): transposes, the
// expansion of an upper triangle to both triangles, log-magnitude costs, the structure of A + Aᵀ
// and its adjacency graph, symmetric permutations, explicit zero diagonals, the column index,
// and the split of a saddle-point matrix at its constraint block.
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "common/memory.h"
#include "matching/assemble.h"
#include "matching/toolkit.h"

namespace varnexo::matching {
namespace {

constexpr const char* kSrc = "src/smat";

// Moves the arrays of src into dst (both owning), releasing dst's old arrays and src's record.
void adopt(Smat* dst, Smat* src) {
  memory::release(dst->ia);
  memory::release(dst->ja);
  memory::release(dst->a);
  dst->m = src->m, dst->n = src->n, dst->nnz = src->nnz, dst->sym = src->sym;
  dst->ia = src->ia, dst->ja = src->ja, dst->a = src->a;
  src->ia = nullptr, src->ja = nullptr, src->a = nullptr;
  smat_free(src);
}

}  // namespace

Smat* smat_copy_trans(const Smat* A) {
  if (!A) return nullptr;
  return assemble(A->n, A->m, 0, A->a != nullptr, false, nullptr, [&](auto emit) {
    for_entries(A, [&](int32_t i, int32_t j, int32_t k) { emit(j, i, value_at(A, k), k); });
  });
}

bool smat_trans(Smat* A) {
  if (!A || !A->owns) return false;
  Smat* T = smat_copy_trans(A);
  if (!T) return false;
  T->sym = A->sym;
  adopt(A, T);
  return true;
}

Smat* smat_copy_full_structure(const Smat* A) {
  if (!A || !toolkit_check(A->m == A->n, "src->m == src->n", kSrc)) return nullptr;
  int64_t nnz = 0;
  for_entries(A, [&](int32_t i, int32_t j, int32_t) { nnz += i == j ? 1 : 2; });
  Smat* B = assemble(A->m, A->n, 0, A->a != nullptr, false, nullptr, [&](auto emit) {
    for_entries(A, [&](int32_t i, int32_t j, int32_t k) {
      emit(i, j, value_at(A, k), -1);
      if (i != j) emit(j, i, value_at(A, k), -1);
    });
  });
  if (B && !toolkit_check(B->ia[B->m] == nnz, "new_ia[dst->m] == (pint) nnz", kSrc)) {
    smat_free(B);
    return nullptr;
  }
  return B;
}

bool smat_to_full_structure(Smat* A) {
  if (!A || !A->owns) return false;
  Smat* B = smat_copy_full_structure(A);
  if (!B) return false;
  adopt(A, B);
  return true;
}

Smat* smat_copy_log_to_full(const Smat* A) {
  if (!A || !A->a || A->m != A->n) return nullptr;
  const bool both = A->sym != 0;
  return assemble(A->m, A->n, 0, true, false, nullptr, [&](auto emit) {
    for_entries(A, [&](int32_t i, int32_t j, int32_t k) {
      const double v = std::fabs(A->a[k]);
      if (v == 0.0) return;
      emit(i, j, std::log(v), -1);
      if (both && i != j) emit(j, i, std::log(v), -1);
    });
  });
}

namespace {
Smat* symmetric_structure(const Smat* A, bool diagonal) {
  if (!A || A->m != A->n) return nullptr;
  return assemble(A->m, A->n, 0, false, true, nullptr, [&](auto emit) {
    for_entries(A, [&](int32_t i, int32_t j, int32_t) {
      if (i == j) {
        if (diagonal) emit(i, i, 0.0, -1);
        return;
      }
      emit(i, j, 0.0, -1);
      emit(j, i, 0.0, -1);
    });
  });
}
}  // namespace

Smat* smat_symmetrize_structure(const Smat* A) { return symmetric_structure(A, true); }
Smat* smat_build_adjacency(const Smat* A) { return symmetric_structure(A, false); }

Smat* smat_sym_trans_pta(const Smat* A, const Perm* perm, int32_t* map) {
  if (!A || !perm) return nullptr;
  if (!toolkit_check(A->m == perm->n, "src->m == perm->n", kSrc) ||
      !toolkit_check(A->n == perm->n, "src->n == perm->n", kSrc))
    return nullptr;
  std::vector<int32_t> invp(static_cast<size_t>(perm->n), -1);
  for (int32_t k = 0; k < perm->n; ++k) {
    const int32_t old = perm->p[k];
    if (old < 0 || old >= perm->n || invp[old] >= 0) return nullptr;  // not a permutation
    invp[old] = k;
  }
  Smat* B = assemble(A->m, A->n, A->sym, A->a != nullptr, false, map, [&](auto emit) {
    for_entries(A, [&](int32_t i, int32_t j, int32_t k) {
      int32_t r = invp[i], c = invp[j];
      if (A->sym && r > c) std::swap(r, c);
      emit(r, c, value_at(A, k), k);
    });
  });
  if (B && !toolkit_check(B->ia[B->m] == B->nnz, "dst->ia[dst->m] == (pint) dst->nnz", kSrc)) {
    smat_free(B);
    return nullptr;
  }
  return B;
}

Smat* smat_copy_permute(const Smat* A, const Perm* perm) { return smat_sym_trans_pta(A, perm, nullptr); }

bool smat_insert_zero_diags(Smat* A) {
  if (!A || !A->owns || A->m != A->n) return false;
  Smat* B = assemble(A->m, A->n, A->sym, A->a != nullptr, true, nullptr, [&](auto emit) {
    for (int32_t i = 0; i < A->m; ++i) {
      emit(i, i, 0.0, -1);  // merged with a stored diagonal entry (0 + a(i,i))
      for (int32_t k = A->ia[i]; k < A->ia[i + 1]; ++k) emit(i, A->ja[k], value_at(A, k), -1);
    }
  });
  if (!B) return false;
  adopt(A, B);
  return true;
}

ColIndex* smat_col_index_new(const Smat* A) {
  if (!toolkit_check(A != nullptr, "A != NULL", kSrc)) return nullptr;
  auto* ci = static_cast<ColIndex*>(memory::obtain(sizeof(ColIndex), true));
  if (!ci) return nullptr;
  *ci = ColIndex{};
  ci->n = A->n;
  ci->col_start = toolkit_array<int32_t>(int64_t{A->n} + 1, true);
  ci->row = toolkit_array<int32_t>(A->nnz);
  ci->pos = toolkit_array<int32_t>(A->nnz);
  if (!ci->col_start || !ci->row || !ci->pos) {
    smat_col_index_free(ci);
    return nullptr;
  }
  for_entries(A, [&](int32_t, int32_t j, int32_t) { ++ci->col_start[j + 1]; });
  for (int32_t j = 0; j < A->n; ++j) ci->col_start[j + 1] += ci->col_start[j];
  std::vector<int32_t> next(ci->col_start, ci->col_start + A->n);
  for_entries(A, [&](int32_t i, int32_t j, int32_t k) {
    ci->row[next[j]] = i;
    ci->pos[next[j]++] = k;
  });
  if (!toolkit_check(A->nnz == ci->col_start[A->n], "A->nnz == (unsigned) ci->col_start[A->m]", kSrc)) {
    smat_col_index_free(ci);
    return nullptr;
  }
  return ci;
}

void smat_col_index_free(ColIndex* ci) {
  if (!ci) return;
  memory::release(ci->col_start);
  memory::release(ci->row);
  memory::release(ci->pos);
  memory::release(ci);
}

int32_t smat_guess_constraint_size(const Smat* A) {
  if (!A) return 0;
  for (int32_t i = 0; i + 1 < A->m; ++i) {
    int32_t k = A->ia[i];
    while (k < A->ia[i + 1] && A->ja[k] < i) ++k;
    // A row with nothing at or right of its diagonal holds only a zero diagonal as well.
    const bool only_diagonal_left = k >= A->ia[i + 1] - 1;
    const bool small = k == A->ia[i + 1] || (A->a && std::fabs(A->a[k]) <= 1e-8);
    if (only_diagonal_left && small) return A->m - i;
  }
  return 0;
}

namespace {
// The block of A with rows [r0, r1) and columns [c0, c1), columns shifted down by c0.
Smat* block_of(const Smat* A, int32_t r0, int32_t r1, int32_t c0, int32_t c1) {
  return assemble(r1 - r0, c1 - c0, 0, A->a != nullptr, false, nullptr, [&](auto emit) {
    for (int32_t i = r0; i < r1; ++i)
      for (int32_t k = A->ia[i]; k < A->ia[i + 1]; ++k)
        if (A->ja[k] >= c0 && A->ja[k] < c1) emit(i - r0, A->ja[k] - c0, value_at(A, k), k);
  });
}
}  // namespace

bool smat_fc_split(const Smat* A, int32_t k, Smat** F, Smat** C12, Smat** C21, Smat** C22) {
  if (!A || !F || !C12 || A->m != A->n || k < 0 || k > A->m) return false;
  const int32_t m = A->m;
  const bool all = C21 != nullptr && C22 != nullptr;
  Smat* parts[4] = {block_of(A, 0, k, 0, k), block_of(A, 0, k, k, m), nullptr, nullptr};
  if (all) {
    parts[2] = block_of(A, k, m, 0, k);
    parts[3] = block_of(A, k, m, k, m);
  }
  const bool ok = parts[0] && parts[1] && (!all || (parts[2] && parts[3]));
  if (!ok) {
    for (Smat* p : parts)
      if (p) smat_free(p);
    return false;
  }
  *F = parts[0];
  *C12 = parts[1];
  if (all) *C21 = parts[2], *C22 = parts[3];
  return true;
}

}  // namespace varnexo::matching
