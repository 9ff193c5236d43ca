// Value maps: where each stored entry of the caller's matrix lands in the factor blocks, built
// once per structure right after the symbolic factorisation (symbolic -> load), and the loading
// rules that every factorisation applies supernode by supernode through the map (load -> factor).
#pragma once
#include <complex>
#include <cstdint>

#include "common/onebased.h"
#include "common/scalar.h"
#include "factor/storage.h"

namespace varnexo::factor {

// Status values of the builders.
inline constexpr int32_t kMapOk = 0;
inline constexpr int32_t kMapStructureMismatch = -1;  // an entry falls outside the symbolic structure
inline constexpr int32_t kMapBadIndex = -2;           // a column index outside 1..n

// Integer work, in words, that both builders need for an n-column matrix.
inline int64_t value_map_work_size(int32_t n) { return 3 * static_cast<int64_t>(n) + 2; }

// Columns at least this long are sorted by a marker scan of 1..n instead of a comparison sort;
// `clear_bound` (returned through the pointer) is the length from which the marker vector is
// left to be cleared whole at its next use.
int32_t sort_threshold(int32_t n, int32_t* clear_bound);

// Symmetric storage: the caller holds the upper triangle by rows. Each stored entry a(i, c)
// goes to factor column min(invp(i), invp(c)), row max(...); its lmap target is positive when
// that column is invp(c), negative otherwise. Needs map.xlmap (n+1), lmap, asrc (nnz each), and
// with `scaled` also aorig (nnz) and colorig (n). work: value_map_work_size(n) words.
// Sets map.lcount (map.ucount = 0). Returns kMapOk or a negative status.
int32_t invs_perm_mod(const SymbolicFactor& sf, const int32_t* ia, const int32_t* ja, bool scaled,
                      ValueMap& map, int32_t* work);

// LU storage: full rows. `row_map` (may be null for the identity) is the row mapping of the
// matching: the caller's row q(i) sits in row i of the matched matrix; the factor then holds
// Q·M·Qᵀ. Entry (r, c) with factor positions (pr, pc) is an L entry of column pc when pr lies in
// pc's supernode from its first column on, else a U entry of column pr. Needs xlmap, xumap
// (n+1), lmap, umap, asrc (nnz), with `scaled` aorig (nnz), colorig (n). work as above.
int32_t inv_perm_mod_mod(const SymbolicFactor& sf, const int32_t* ia, const int32_t* ja,
                         const int32_t* row_map, bool scaled, ValueMap& map, int32_t* work);

// The builders as the analysis calls them, with the map's arrays placed in the permanent
// block: xlmap (n+1), lmap (nnz words: the L targets, then for LU the U targets right after
// them), asrc (nnz), aorig (nnz) and colorig (n) when scaling, xumap (n+1) for LU. work:
// work_words words, at least value_map_work_size(n). Set map.umap = lmap + lcount for LU.
// Return 0, -1 when the structure and the matrix disagree, -2 when scratch memory is missing.
int build_symmetric_map(const SymbolicFactor& symbolic, int32_t nnz, const int32_t* ia, const int32_t* ja,
                        bool scaling, ValueMap& map, int32_t* work, int64_t work_words);
int build_lu_map(const SymbolicFactor& symbolic, int32_t nnz, const int32_t* ia, const int32_t* ja,
                 const int32_t* row_map, bool scaling, ValueMap& map, int32_t* work, int64_t work_words);

// The double-precision type a factor of scalar type T is loaded from.
template <class T>
using source_t = std::conditional_t<is_complex_v<T>, std::complex<double>, double>;

// How the values are loaded: which scaling rule, and whether the mirrored entries of the
// symmetric storage are conjugated (Hermitian types).
enum class LoadRule { unscaled, scaled_symmetric, scaled_unsymmetric };

template <class T>
struct Loader {
  const ValueMap* map = nullptr;
  const source_t<T>* a = nullptr;   // caller's values, 0-based
  const int32_t* ja = nullptr;      // caller's column indices, 0-based array of 1-based values
  const double* scaling = nullptr;  // 2n values when a scaled rule is used
  int32_t n = 0;
  LoadRule rule = LoadRule::unscaled;
  bool conjugate_mirrored = false;

  // Writes the stored entries of factor column j into lnz (and unz), both 1-based views.
  // The block must already be zero where no entry lands.
  void load_column(int32_t j, OneBased<T> lnz, OneBased<T> unz) const;
};

template <class T>
void Loader<T>::load_column(int32_t j, OneBased<T> lnz, OneBased<T> unz) const {
  const ValueMap& m = *map;
  const int32_t lbeg = m.xlmap[j - 1], lend = m.xlmap[j];
  for (int32_t k = lbeg; k < lend; ++k) {
    const int32_t target = m.lmap[k - 1];
    const int32_t src = m.asrc[k - 1];
    source_t<T> v = a[src - 1];
    if (rule == LoadRule::scaled_symmetric) {
      const int32_t x = target > 0 ? ja[src - 1] : m.colorig[j - 1];
      v = scaling[x - 1] * v * scaling[m.aorig[k - 1] - 1];
    } else if (rule == LoadRule::scaled_unsymmetric) {
      v = scaling[ja[src - 1] - 1] * v * scaling[n + m.aorig[k - 1] - 1];
    }
    if (target < 0 && conjugate_mirrored) v = conj(v);
    lnz(target < 0 ? -target : target) = static_cast<T>(v);
  }
  if (m.xumap == nullptr) return;
  for (int32_t k = m.xumap[j - 1]; k < m.xumap[j]; ++k) {
    const int32_t src = m.asrc[m.lcount + k - 1];
    source_t<T> v = a[src - 1];
    if (rule == LoadRule::scaled_unsymmetric)
      v = scaling[ja[src - 1] - 1] * v * scaling[n + m.aorig[m.lcount + k - 1] - 1];
    unz(m.umap[k - 1]) = static_cast<T>(v);
  }
}

}  // namespace varnexo::factor
