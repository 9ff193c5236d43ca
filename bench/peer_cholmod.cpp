// CHOLMOD supernodal Cholesky as a peer for the positive definite matrices.
#include <cholmod.h>

#include "peers.h"

namespace varnexo::bench {

PeerRun run_cholmod(const PeerInput& in) {
  PeerRun r;
  const tools::Csr& u = in.upper;
  cholmod_common c;
  cholmod_start(&c);
  c.supernodal = CHOLMOD_SUPERNODAL;
  if (g_cholmod_metis) {
    c.nmethods = 1;
    c.method[0].ordering = CHOLMOD_METIS;
    c.postorder = 1;
  }
  c.print = 0;
  // The upper triangle by rows is the lower triangle by columns.
  cholmod_sparse* a = cholmod_allocate_sparse(u.n, u.n, u.nnz(), 1, 1, -1, CHOLMOD_REAL, &c);
  auto* ap = static_cast<int*>(a->p);
  auto* ai = static_cast<int*>(a->i);
  auto* ax = static_cast<double*>(a->x);
  for (int32_t k = 0; k <= u.n; ++k) ap[k] = u.ia[k] - 1;
  for (int64_t k = 0; k < u.nnz(); ++k) {
    ai[k] = u.ja[k] - 1;
    ax[k] = u.a[k];
  }
  cholmod_dense* b = cholmod_zeros(u.n, 1, CHOLMOD_REAL, &c);
  std::copy(in.b.begin(), in.b.end(), static_cast<double*>(b->x));

  double t0 = now_seconds();
  cholmod_factor* l = cholmod_analyze(a, &c);
  r.analyse = now_seconds() - t0;
  t0 = now_seconds();
  const int ok = l ? cholmod_factorize(a, l, &c) : 0;
  r.factor = now_seconds() - t0;
  if (!l || !ok || c.status != CHOLMOD_OK) {
    r.note = c.status == CHOLMOD_NOT_POSDEF ? "not positive definite" : "factorisation failed";
  } else {
    t0 = now_seconds();
    cholmod_dense* x = cholmod_solve(CHOLMOD_A, l, b, &c);
    r.solve = now_seconds() - t0;
    if (x) {
      const double* xv = static_cast<const double*>(x->x);
      r.x.assign(xv, xv + u.n);
      r.ok = true;
      cholmod_free_dense(&x, &c);
    } else {
      r.note = "solve failed";
    }
    r.factor_nnz = static_cast<int64_t>(c.lnz);
  }
  cholmod_free_factor(&l, &c);
  cholmod_free_dense(&b, &c);
  cholmod_free_sparse(&a, &c);
  cholmod_finish(&c);
  return r;
}

}  // namespace varnexo::bench
