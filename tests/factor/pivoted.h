// Test support for the pivoting kernels: random symmetric indefinite and unsymmetric sparse
// matrices, and one matrix factorised through the factorisation entry and solved through the
// solve entry with every array kept.
#pragma once
#include <gtest/gtest.h>

#include <random>

#include "factor/factorize.h"
#include "solve/solve.h"
#include "support/harness.h"

namespace testnum {

namespace vf = varnexo::factor;

template <class T>
T draw(std::mt19937& g) {
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  if constexpr (varnexo::is_complex_v<T>) {
    const double re = u(g);
    return T(re, u(g));
  } else {
    return T(u(g));
  }
}

// Random symmetric indefinite upper entries; every `small_every`-th diagonal entry is scaled
// down to a twentieth, so that the Bunch–Kaufman search takes 2×2 pivots where it can.
template <class T>
Entries<T> random_indefinite(int32_t n, double density, uint32_t seed, int32_t small_every,
                             bool hermitian = false) {
  std::mt19937 g(seed);
  std::uniform_real_distribution<double> p(0.0, 1.0);
  Entries<T> e;
  for (int32_t i = 1; i <= n; ++i) {
    e[{i, i}] = small_every > 0 && i % small_every == 0 ? T(0.05) * draw<T>(g) : draw<T>(g);
    if (hermitian) e[{i, i}] = T(std::real(e[{i, i}]));  // a Hermitian diagonal is real
    if (i < n) e[{i, i + 1}] = draw<T>(g);               // keeps the graph connected
    for (int32_t j = i + 2; j <= n; ++j)
      if (p(g) < density) e[{i, j}] = draw<T>(g);
  }
  return e;
}

// Random full entries on the symmetric pattern of `upper`, with a diagonal that is not dominant.
template <class T>
Entries<T> random_unsymmetric(const Entries<T>& upper, uint32_t seed) {
  std::mt19937 g(seed);
  Entries<T> full;
  for (const auto& [ij, v] : mirror(upper, false))
    full[ij] = draw<T>(g) + (ij.first == ij.second ? T(0.3) : T(0));
  return full;
}

// A matrix factorised through vf::factorize and solved through solve::solve with the options of
// its control words, with every array kept. F is the scalar of the factor: T, or its single
// precision (float, std::complex<float>) to factorise and solve in 4-byte reals.
template <class T, class F = T>
struct Pivoted {
  int32_t type;
  bool lu;
  Csr<T> A;
  Entries<T> full;
  Symbolic sym;
  MapArrays maps;
  std::vector<F> lnz, unz, temp;
  std::vector<int32_t> pivot, colpivot;
  int32_t ibasic[100] = {};
  double rbasic[20] = {};

  Pivoted(int32_t t, const Entries<T>& e, Ordering o, int32_t width)
      : type(t),
        lu(t == 1 || t == 3 || t == 11 || t == 13),
        A(lu ? to_csr(count(e), e, false) : upper_csr(count(e), e)),
        full(lu ? e : mirror(e, t == -4 || t == 4)),
        sym(symbolic(A, ordering(A, o, 5), width)),
        maps(A.n, A.nnz(), lu) {
    auto sf = sym.view(lu);
    const int32_t status =
        lu ? vf::inv_perm_mod_mod(sf, A.ia.data(), A.ja.data(), nullptr, false, maps.map, maps.work.data())
           : vf::invs_perm_mod(sf, A.ia.data(), A.ja.data(), false, maps.map, maps.work.data());
    EXPECT_EQ(status, 0);
  }

  static int32_t count(const Entries<T>& e) { return e.rbegin()->first.first; }
  varnexo::FactorStorage storage() const {
    return lu ? varnexo::FactorStorage::lu : varnexo::FactorStorage::symmetric;
  }

  // mode: ibasic(51); exponent: ibasic(66); tmpsiz: values of temp (default 4× the largest block).
  int32_t factor(int32_t mode, int32_t exponent, int32_t family = 1, int32_t tmpsiz = -1,
                 const std::vector<int32_t>* domains = nullptr) {
    auto sf = sym.view(lu);
    lnz.assign(sym.lnz_size(), F(777));
    unz.assign(std::max<int64_t>(1, sym.unz_size()), F(777));
    const int32_t size = tmpsiz < 0 ? 4 * sym.tmpsiz : tmpsiz;
    temp.assign(std::max(1, size), F(0));
    pivot.assign(A.n, 0);
    colpivot.assign(A.n, 0);
    ibasic[0] = A.n;
    ibasic[11] = type;
    ibasic[14] = 1;
    ibasic[18] = lu ? 0 : 1;
    ibasic[19] = family;
    ibasic[33] = static_cast<int32_t>(sym.lnz_size());
    ibasic[34] = lu ? static_cast<int32_t>(sym.unz_size()) : 0;
    ibasic[36] = size;
    ibasic[50] = mode;
    ibasic[65] = exponent;
    ibasic[82] = std::is_same_v<T, F> ? 0 : varnexo::driver::kSingleForEveryKind;
    if (domains) {
      ibasic[59] = static_cast<int32_t>(domains->size() / 2 - 1);
      ibasic[69] = 1;
    }
    const vf::NumericMatrix M{A.ia.data(), A.ja.data(), A.a.data(), nullptr};
    vf::FactorBuffers b;
    b.lnz = lnz.data();
    b.unz = lu ? unz.data() : nullptr;
    b.temp = temp.data();
    b.pivot = pivot.data();
    b.colpivot = colpivot.data();
    return factorize_with_words(ibasic, rbasic, storage(), sf, maps.map, M, b,
                                domains ? domains->data() : nullptr);
  }

  // Solves A·x = b (Aᵀ·x = b when `transposed`) for nb columns of b, in the caller's numbering.
  std::vector<T> solve(const std::vector<T>& b, int32_t nb, bool transposed = false) {
    auto sf = sym.view(lu);
    int32_t ib[100];
    std::copy(ibasic, ibasic + 100, ib);
    ib[67] = transposed ? 1 : 0;
    std::vector<T> x(b.size()), bb(b);
    const varnexo::driver::Control ctl(ib, nullptr, nullptr);
    const varnexo::solve::SolveOptions o =
        varnexo::driver::solve_options(ctl, varnexo::kind_of(type), storage(), false);
    const varnexo::solve::FactorValues f{lnz.data(), lu ? unz.data() : nullptr, pivot.data(),
                                         colpivot.data()};
    EXPECT_EQ(varnexo::solve::solve(sf, f, o, nb, x.data(), bb.data(), nullptr, nullptr, nullptr, 0),
              varnexo::solve::SolveStatus::ok);
    return x;
  }

  std::vector<T> rhs(int32_t nb) const {
    std::mt19937 g(11);
    std::vector<T> b(static_cast<size_t>(A.n) * nb);
    for (T& v : b) v = draw<T>(g);
    return b;
  }
};

}  // namespace testnum
