// Test support: one call that maps, loads and factorises a symmetric positive definite (or
// Hermitian positive definite) matrix through the library's entry, keeping every array.
#pragma once
#include <string>
#include <vector>

#include "factor/factorize.h"
#include "factor/value_map.h"
#include "support_numeric/problems.h"

namespace testnum {

// The value-map arrays at their full capacities.
struct MapArrays {
  std::vector<int32_t> xlmap, lmap, asrc, xumap, umap, aorig, colorig, work;
  varnexo::factor::ValueMap map;
  MapArrays(int32_t n, int64_t nnz, bool lu) {
    xlmap.resize(n + 1);
    lmap.resize(std::max<int64_t>(1, nnz));
    asrc.resize(std::max<int64_t>(1, nnz));
    aorig.resize(std::max<int64_t>(1, nnz));
    colorig.resize(n);
    work.resize(varnexo::factor::value_map_work_size(n));
    map.xlmap = xlmap.data();
    map.lmap = lmap.data();
    map.asrc = asrc.data();
    map.aorig = aorig.data();
    map.colorig = colorig.data();
    if (lu) {
      xumap.resize(n + 1);
      umap.resize(std::max<int64_t>(1, nnz));
      map.xumap = xumap.data();
      map.umap = umap.data();
    }
  }
};

// A positive definite matrix factorised by the library (type 2, or 4 for complex values).
template <class T>
struct Cholesky {
  Csr<T> A;
  Symbolic sym;
  MapArrays maps;
  std::vector<T> lnz, temp;
  int32_t ibasic[100] = {};
  double rbasic[20] = {};
  int32_t status = 0;

  Cholesky(const Csr<T>& a, const std::vector<int32_t>& perm, int32_t width)
      : A(a), sym(symbolic(a, perm, width)), maps(a.n, a.nnz(), false) {}

  int32_t map_status() {
    auto sf = sym.view(false);
    return varnexo::factor::invs_perm_mod(sf, A.ia.data(), A.ja.data(), false, maps.map, maps.work.data());
  }

  // Factorises; family 1 plain, 0 scheduled with the given domain table.
  int32_t factor(int32_t family = 1, const std::vector<int32_t>* domains = nullptr, int32_t tmpsiz = -1) {
    auto sf = sym.view(false);
    lnz.assign(sym.lnz_size(), T(777));
    temp.assign(std::max(1, tmpsiz < 0 ? sym.tmpsiz : tmpsiz), T(0));
    ibasic[11] = varnexo::is_complex_v<T> ? 4 : 2;
    if (ibasic[14] < 1) ibasic[14] = 1;
    ibasic[18] = 1;
    ibasic[19] = family;
    ibasic[33] = static_cast<int32_t>(sym.lnz_size());
    ibasic[34] = 0;
    ibasic[36] = tmpsiz < 0 ? sym.tmpsiz : tmpsiz;
    if (domains) {
      ibasic[59] = static_cast<int32_t>(domains->size() / 2 - 1);
      ibasic[69] = 1;
    }
    varnexo::factor::NumericMatrix M;
    M.ia = A.ia.data();
    M.ja = A.ja.data();
    M.a = A.a.data();
    status = varnexo::factor::factorize(sf, maps.map, ibasic, rbasic, M, lnz.data(), temp.data(), nullptr,
                                        nullptr, nullptr, domains ? domains->data() : nullptr);
    return status;
  }
};

// Reads a matrix of the shared collection (upper entries); false when it is not there.
inline bool shared_matrix(const std::string& name, int32_t* n, Entries<double>* e) {
  return read_matrix_market(std::string(VARNEXO_MATRICES_DIR) + "/" + name + ".mtx", n, e, nullptr);
}

}  // namespace testnum
