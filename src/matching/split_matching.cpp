// The constrained split matching of saddle-point matrices (matching stage, before the ordering):
// the trailing constraint rows with a zero diagonal are each paired with a primal row through a
// maximum-product matching of the coupling block, and both get symmetric log scalings.
#include <cfloat>
#include <cmath>
#include <memory>

#include "matching/maxmatching.h"
#include "matching/symmetric_matching.h"

namespace varnexo::matching {
namespace {

struct SmatDeleter {
  void operator()(Smat* A) const { smat_free(A); }
};
using SmatPtr = std::unique_ptr<Smat, SmatDeleter>;

// -½·ln|F(i,i)| for the primal rows (0 for a zero or missing diagonal).
void primal_scaling(const Smat& F, std::vector<double>& d) {
  std::vector<double> diag(static_cast<size_t>(F.m), 0.0);
  smat_get_diag(&F, diag.data());
  for (int32_t i = 0; i < F.m; ++i) d[i] = diag[i] != 0.0 ? -0.5 * std::log(std::fabs(diag[i])) : 0.0;
}

}  // namespace

int32_t split_matching(const Smat& A, SplitMatching& out) {
  const int32_t n = A.m;
  if (A.n != n || !A.a || !smat_check_ja(&A)) return -1;
  const int32_t c = smat_guess_constraint_size(&A), m = n - c;
  out.constraints = c;
  out.paired = 0;
  out.partner.resize(static_cast<size_t>(n));
  out.log_scaling.assign(static_cast<size_t>(n), 0.0);
  for (int32_t i = 0; i < n; ++i) out.partner[i] = i;
  Smat *f = nullptr, *c12 = nullptr;
  if (!smat_fc_split(&A, m, &f, &c12, nullptr, nullptr)) return -1;
  SmatPtr F(f), C12(c12);
  primal_scaling(*F, out.log_scaling);
  if (c == 0) return 0;
  // The coupling block transposed (constraints × primal), its columns scaled like the primal rows.
  SmatPtr Ct(smat_copy_trans(C12.get()));
  if (!Ct) return -1;
  std::vector<double> ones(static_cast<size_t>(c), 1.0), col(static_cast<size_t>(m));
  for (int32_t i = 0; i < m; ++i) col[i] = std::exp(out.log_scaling[i]);
  smat_scale(Ct.get(), ones.data(), col.data());
  std::vector<int32_t> q(static_cast<size_t>(m));
  std::vector<double> u(static_cast<size_t>(c)), v(static_cast<size_t>(m));
  if (smat_unsym_reordering_mps(Ct.get(), q.data(), u.data(), v.data(), false) < 0) return -1;
  for (int32_t i = 0; i < m; ++i) {
    if (q[i] < 0) continue;
    out.partner[i] = m + q[i];
    out.partner[m + q[i]] = i;
    ++out.paired;
  }
  // Constraint k: the scaling that brings its largest scaled coupling entry to 1.
  for (int32_t k = 0; k < c; ++k) {
    double largest = 0.0;
    for (int32_t t = Ct->ia[k]; t < Ct->ia[k + 1]; ++t) largest = std::fmax(largest, std::fabs(Ct->a[t]));
    out.log_scaling[m + k] = largest > 0.0 && largest <= DBL_MAX ? -std::log(largest) : 0.0;
  }
  return 0;
}

}  // namespace varnexo::matching
