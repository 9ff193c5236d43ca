// Test support: one call that maps, loads and factorises a symmetric positive definite (or
// Hermitian positive definite) matrix through the library's entry, keeping every array.
#pragma once
#include <string>
#include <vector>

#include "common/matrix_kind.h"
#include "driver/control.h"
#include "driver/numeric_options.h"
#include "factor/factorize.h"
#include "factor/value_map.h"
#include "support/problems.h"

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

// Factorises through factor::factorize with the options the driver derives from the control words
// `ibasic` (and the domain table), and records the result into them as the driver does. Returns
// the status left in word 50.
inline int32_t factorize_with_words(int32_t* ibasic, double* rbasic, varnexo::FactorStorage storage,
                                    const varnexo::factor::SymbolicFactor& sf,
                                    const varnexo::factor::ValueMap& map,
                                    const varnexo::factor::NumericMatrix& A,
                                    const varnexo::factor::FactorBuffers& b, const int32_t* domains) {
  const varnexo::driver::Control ctl(ibasic, rbasic, nullptr);
  const varnexo::MatrixKind* kind = varnexo::find_kind(ctl.matrix_type());
  varnexo::factor::FactorResult r{varnexo::factor::FactorStatus::kernel_missing};
  if (kind != nullptr)
    r = varnexo::factor::factorize(sf, map, A, varnexo::driver::factor_options(ctl, *kind, storage, domains),
                                   b);
  varnexo::driver::record_factor_result(ctl, r);
  return ctl.error_num();
}

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
    const varnexo::factor::NumericMatrix M{A.ia.data(), A.ja.data(), A.a.data(), nullptr};
    varnexo::factor::FactorBuffers b;
    b.lnz = lnz.data();
    b.temp = temp.data();
    status = factorize_with_words(ibasic, rbasic, varnexo::FactorStorage::symmetric, sf, maps.map, M, b,
                                  domains ? domains->data() : nullptr);
    return status;
  }
};

}  // namespace testnum
