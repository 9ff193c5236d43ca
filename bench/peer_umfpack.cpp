// UMFPACK unsymmetric multifrontal LU as a peer for the unsymmetric matrices.
#include <umfpack.h>

#include "peers.h"

namespace varnexo::bench {

PeerRun run_umfpack(const PeerInput& in) {
  PeerRun r;
  const tools::Csr& a = in.full;
  // Compressed rows of A, read as compressed columns, are Aᵀ; the solve then asks for Aᵀᵀ = A.
  std::vector<int32_t> p(a.ia.size()), idx(a.ja.size());
  for (size_t k = 0; k < p.size(); ++k) p[k] = a.ia[k] - 1;
  for (size_t k = 0; k < idx.size(); ++k) idx[k] = a.ja[k] - 1;
  double control[UMFPACK_CONTROL], info[UMFPACK_INFO];
  umfpack_di_defaults(control);
  void *symbolic = nullptr, *numeric = nullptr;

  double t0 = now_seconds();
  int status = umfpack_di_symbolic(a.n, a.n, p.data(), idx.data(), a.a.data(), &symbolic, control, info);
  r.analyse = now_seconds() - t0;
  if (status == UMFPACK_OK) {
    t0 = now_seconds();
    status = umfpack_di_numeric(p.data(), idx.data(), a.a.data(), symbolic, &numeric, control, info);
    r.factor = now_seconds() - t0;
    r.factor_nnz = static_cast<int64_t>(info[UMFPACK_LNZ] + info[UMFPACK_UNZ]);
  }
  if (status == UMFPACK_OK) {
    r.x.assign(static_cast<size_t>(a.n), 0.0);
    t0 = now_seconds();
    status = umfpack_di_solve(UMFPACK_At, p.data(), idx.data(), a.a.data(), r.x.data(), in.b.data(), numeric,
                              control, info);
    r.solve = now_seconds() - t0;
  }
  r.ok = status == UMFPACK_OK;
  if (!r.ok) r.note = "status " + std::to_string(status);
  umfpack_di_free_numeric(&numeric);
  umfpack_di_free_symbolic(&symbolic);
  return r;
}

}  // namespace varnexo::bench
