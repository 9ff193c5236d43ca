// Builders of the value map: where each stored entry of the caller's matrix goes in the factor
// storage. The analysis (step 3) calls one of them once per structure, after the symbolic
// factor has been copied into its permanent block; every factorisation then loads through the
// map. Flow: symbolic -> [value maps] -> load -> factor.
#pragma once
#include <cstdint>

#include "factor/storage.h"

namespace varnexo::factor {

// Both builders.
// In:  symbolic: n, nsuper, perm, invp, xsuper, snode, xlindx, lindx, xlnz (and xunz for LU)
//      of the permanent block; nnz = ia(n+1)-1; ia, ja: the matrix handed to the kernels
//      (1-based rows; one triangle with the diagonal first for the symmetric storage).
//      scaling: fill aorig and colorig too.
//      work, work_words: integer scratch (at least max(10n+3, 3n+3+2*nnz) words), contents free.
// The map's arrays are given by the caller, already placed:
//      xlmap (n+1), lmap (nnz words: the L targets first, for LU the U targets right after
//      them), asrc (nnz), aorig (nnz, only when scaling, else nullptr), colorig (n, only when
//      scaling, else nullptr); LU also xumap (n+1).
// Out: xlmap, lmap, asrc (and xumap, umap, aorig, colorig), lcount, ucount; the builder sets
//      map.umap = map.lmap + lcount (LU) or nullptr (symmetric).
// Returns 0 on success, -1 when the structure and the matrix disagree (an entry with no place
// in the factor), -2 when scratch memory could not be had.
int build_symmetric_map(const SymbolicFactor& symbolic, int32_t nnz, const int32_t* ia, const int32_t* ja,
                        bool scaling, ValueMap& map, int32_t* work, int64_t work_words);

// LU storage. row_map: the row mapping q of the matching (row k of the matched matrix is row
// q(k) of the caller's matrix), nullptr for the identity. Factor column j is built from column
// X(j) and row X(j) of the matched matrix, X(j) = perm(j).
int build_lu_map(const SymbolicFactor& symbolic, int32_t nnz, const int32_t* ia, const int32_t* ja,
                 const int32_t* row_map, bool scaling, ValueMap& map, int32_t* work, int64_t work_words);

}  // namespace varnexo::factor
