// The sparse matrix record of the toolkit (matching stage): construction, wrapping of the
// caller's 1-based arrays, copies, index conversions, consistency checks, scalings and the
// matrix dump. The restructuring operations are in smat_transform.cpp.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "common/memory.h"
#include "matching/toolkit.h"

namespace varnexo::matching {

namespace {
constexpr const char* kSrc = "src/smat";
}

bool toolkit_check(bool ok, const char* expression, const char* source) {
  if (!ok) {
    std::fprintf(stderr, "varnexo: %s: Assertion `%s' failed.\n", source, expression);
    std::fflush(stderr);
  }
  return ok;
}

template <class T>
T* toolkit_array(int64_t count, bool zero) {
  if (count < 0 || static_cast<uint64_t>(count) > std::numeric_limits<std::size_t>::max() / sizeof(T) / 2)
    return nullptr;
  return static_cast<T*>(memory::obtain(static_cast<std::size_t>(count) * sizeof(T), zero));
}
template int32_t* toolkit_array<int32_t>(int64_t, bool);
template uint32_t* toolkit_array<uint32_t>(int64_t, bool);
template double* toolkit_array<double>(int64_t, bool);

void toolkit_release(void* p) { memory::release(p); }

namespace {

Smat* new_record(int32_t m, int32_t n, int32_t nnz, int32_t sym, bool values) {
  if (m < 0 || n < 0 || nnz < 0) return nullptr;
  auto* A = static_cast<Smat*>(memory::obtain(sizeof(Smat), true));
  if (!A) return nullptr;
  *A = Smat{};
  A->m = m, A->n = n, A->nnz = nnz, A->sym = sym;
  A->ia = toolkit_array<int32_t>(int64_t{m} + 1, true);
  A->ja = toolkit_array<int32_t>(nnz);
  A->a = values ? toolkit_array<double>(nnz) : nullptr;
  if (!A->ia || !A->ja || (values && !A->a)) {
    smat_free(A);
    return nullptr;
  }
  A->ia[m] = nnz;
  return A;
}

// Adds `shift` to every row start and column index.
void shift_indices(Smat* A, int32_t shift) {
  for (int32_t i = 0; i <= A->m; ++i) A->ia[i] += shift;
  for (int32_t k = 0; k < A->nnz; ++k) A->ja[k] += shift;
}

}  // namespace

Smat* smat_new(int32_t m, int32_t n, int32_t sym) {
  Smat* A = new_record(m, n, 0, sym, true);
  return A;
}

Smat* smat_new_nnz(int32_t m, int32_t n, int32_t nnz, int32_t sym) {
  return new_record(m, n, nnz, sym, true);
}

Smat* smat_new_nnz_struct(int32_t m, int32_t n, int32_t nnz, int32_t sym) {
  return new_record(m, n, nnz, sym, false);
}

Smat* smat_new_from(int32_t m, int32_t n, int32_t* ia, int32_t* ja, double* a, int32_t sym, int32_t base) {
  if (!toolkit_check(base == 0 || base == 1, "base == 0 || base == 1", kSrc)) return nullptr;
  if (m < 0 || n < 0 || !ia) return nullptr;
  if (base == 1 && !toolkit_check(ia[0] == 1, "mat->ia[0] == 1", kSrc)) return nullptr;
  if (base == 0 && !toolkit_check(ia[0] == 0, "mat->ia[0] == 0", kSrc)) return nullptr;
  auto* A = static_cast<Smat*>(memory::obtain(sizeof(Smat), true));
  if (!A) return nullptr;
  *A = Smat{};
  A->m = m, A->n = n, A->sym = sym, A->ia = ia, A->ja = ja, A->a = a, A->owns = 0;
  A->nnz = ia[m] - base;
  if (base == 1) shift_indices(A, -1);
  if (!toolkit_check(A->nnz == A->ia[A->m], "(pint) mat->nnz == mat->ia[mat->m]", kSrc)) {
    if (base == 1) shift_indices(A, 1);
    memory::release(A);
    return nullptr;
  }
  return A;
}

bool smat_to_fortran_indexing(Smat* A) {
  if (!A || !toolkit_check(A->ia[0] == 0, "mat->ia[0] == 0", kSrc)) return false;
  if (!toolkit_check(A->nnz == A->ia[A->m], "(pint) mat->nnz == mat->ia[mat->m]", kSrc)) return false;
  shift_indices(A, 1);
  return true;
}

bool smat_to_c_indexing(Smat* A) {
  if (!A || !toolkit_check(A->ia[0] == 1, "mat->ia[0] == 1", kSrc)) return false;
  if (!toolkit_check(A->nnz == A->ia[A->m] - 1, "(pint) mat->nnz == mat->ia[mat->m]", kSrc)) return false;
  shift_indices(A, -1);
  return true;
}

namespace {
Smat* copy_of(const Smat* A, bool values) {
  if (!A) return nullptr;
  Smat* B = new_record(A->m, A->n, A->nnz, A->sym, values && A->a);
  if (!B) return nullptr;
  std::memcpy(B->ia, A->ia, sizeof(int32_t) * (static_cast<size_t>(A->m) + 1));
  if (A->nnz > 0) std::memcpy(B->ja, A->ja, sizeof(int32_t) * static_cast<size_t>(A->nnz));
  if (B->a && A->nnz > 0) std::memcpy(B->a, A->a, sizeof(double) * static_cast<size_t>(A->nnz));
  return B;
}
}  // namespace

Smat* smat_copy(const Smat* A) { return copy_of(A, true); }
Smat* smat_copy_structure(const Smat* A) { return copy_of(A, false); }

void smat_free(Smat* A) {
  if (!A) {
    std::fprintf(stderr, "Trying to free NULL matrix.\n");
    return;
  }
  if (A->owns) {
    memory::release(A->ia);
    memory::release(A->ja);
    memory::release(A->a);
  }
  memory::release(A);
}

bool smat_realloc(Smat* A, int32_t nnz) {
  if (!A || nnz < 0 || !A->owns) return false;
  const std::size_t count = nnz == 0 ? 1 : static_cast<std::size_t>(nnz);
  auto* ja = static_cast<int32_t*>(memory::resize(A->ja, count * sizeof(int32_t)));
  if (!ja) return false;
  A->ja = ja;
  if (A->a) {
    auto* a = static_cast<double*>(memory::resize(A->a, count * sizeof(double)));
    if (!a) return false;
    A->a = a;
  }
  return true;
}

bool smat_scale(Smat* A, const double* r, const double* c) {
  if (!A || !A->a || !r || !c) return false;
  for (int32_t i = 0; i < A->m; ++i)
    for (int32_t k = A->ia[i]; k < A->ia[i + 1]; ++k) A->a[k] *= r[i] * c[A->ja[k]];
  return true;
}

bool smat_scale_exp(Smat* A, const double* r, const double* c) {
  if (!A || !A->a || !r || !c) return false;
  for (int32_t i = 0; i < A->m; ++i)
    for (int32_t k = A->ia[i]; k < A->ia[i + 1]; ++k) A->a[k] *= std::exp(r[i] + c[A->ja[k]]);
  return true;
}

bool smat_check_ia(const Smat* A) {
  if (!A || !A->ia || A->ia[0] != 0 || A->ia[A->m] != A->nnz) return false;
  for (int32_t i = 0; i < A->m; ++i)
    if (A->ia[i + 1] < A->ia[i]) return false;
  return true;
}

bool smat_check_ja(const Smat* A) {
  if (!smat_check_ia(A)) return false;
  for (int32_t i = 0; i < A->m; ++i)
    for (int32_t k = A->ia[i]; k < A->ia[i + 1]; ++k) {
      const int32_t j = A->ja[k];
      if (j < 0 || j >= A->n || (k > A->ia[i] && j <= A->ja[k - 1])) return false;
    }
  return true;
}

bool smat_check_diagonal(const Smat* A) {
  if (!smat_check_ia(A)) return false;
  for (int32_t i = 0; i < A->m; ++i) {
    bool found = false;
    for (int32_t k = A->ia[i]; k < A->ia[i + 1] && !found; ++k) found = A->ja[k] == i;
    if (!found) return false;
  }
  return true;
}

bool smat_check_symmetry(const Smat* A) {
  if (!smat_check_ia(A)) return false;
  if (!A->sym) return true;
  for (int32_t i = 0; i < A->m; ++i)
    for (int32_t k = A->ia[i]; k < A->ia[i + 1]; ++k)
      if (A->ja[k] < i) return false;
  return true;
}

bool smat_is_consistent(const Smat* A) {
  return smat_check_ia(A) && smat_check_ja(A) && smat_check_diagonal(A) && smat_check_symmetry(A);
}

bool sort_row(Smat* A, int32_t i, bool with_values) {
  if (!A || i < 0 || i >= A->m) return false;
  const bool values = with_values && A->a;
  for (int32_t k = A->ia[i] + 1; k < A->ia[i + 1]; ++k) {
    const int32_t col = A->ja[k];
    const double v = values ? A->a[k] : 0.0;
    int32_t t = k;
    for (; t > A->ia[i] && A->ja[t - 1] > col; --t) {
      A->ja[t] = A->ja[t - 1];
      if (values) A->a[t] = A->a[t - 1];
    }
    A->ja[t] = col;
    if (values) A->a[t] = v;
  }
  return true;
}

bool smat_get_diag(const Smat* A, double* d) {
  if (!A || !A->a || !d) return false;
  for (int32_t i = 0; i < A->m; ++i)
    for (int32_t k = A->ia[i]; k < A->ia[i + 1]; ++k)
      if (A->ja[k] == i) d[i] = A->a[k];
  return true;
}

void smat_save_iajaa(const char* path, int64_t m, const int32_t* ia, const int32_t* ja, const double* a) {
  if (!path || m < 0 || !ia || !ja) return;
  FILE* f = std::fopen(path, "w");
  if (!f) return;
  const int32_t nnz = ia[m] - 1;
  std::fprintf(f, "%ld\n", static_cast<long>(m));
  std::fprintf(f, "%d\n", nnz);
  for (int64_t i = 0; i <= m; ++i) std::fprintf(f, "%ld\n", static_cast<long>(ia[i]));
  for (int32_t k = 0; k < nnz; ++k) std::fprintf(f, "%ld\n", static_cast<long>(ja[k]));
  for (int32_t k = 0; k < nnz; ++k) std::fprintf(f, "%24.16e\n", a ? a[k] : 1.0);
  std::fclose(f);
}

double vec_inf_norm(const double* v, int32_t n) {
  double m = 0.0;
  for (int32_t i = 0; i < n; ++i) m = std::fmax(m, std::fabs(v[i]));
  return m;
}

}  // namespace varnexo::matching
