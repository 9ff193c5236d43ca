// SuperLU supernodal LU with partial pivoting as a peer for the unsymmetric matrices.
#include <slu_ddefs.h>

#include "peers.h"

namespace varnexo::bench {

PeerRun run_superlu(const PeerInput& in) {
  PeerRun r;
  const int n = in.full.n;
  std::vector<int32_t> colptr, rowind;
  std::vector<double> val;
  csr_to_csc0(in.full, colptr, rowind, val);
  superlu_options_t options;
  set_default_options(&options);
  options.ColPerm = COLAMD;
  SuperLUStat_t stat;
  StatInit(&stat);
  SuperMatrix a, ac, l, u, b;
  dCreate_CompCol_Matrix(&a, n, n, static_cast<int>(val.size()), val.data(), rowind.data(), colptr.data(),
                         SLU_NC, SLU_D, SLU_GE);
  std::vector<int> perm_c(n), perm_r(n), etree(n);

  double t0 = now_seconds();
  get_perm_c(options.ColPerm, &a, perm_c.data());
  sp_preorder(&options, &a, perm_c.data(), etree.data(), &ac);
  r.analyse = now_seconds() - t0;
  GlobalLU_t glu;
  int info = 0;
  t0 = now_seconds();
  dgstrf(&options, &ac, sp_ienv(2), sp_ienv(1), etree.data(), nullptr, 0, perm_c.data(), perm_r.data(), &l,
         &u, &glu, &stat, &info);
  r.factor = now_seconds() - t0;
  if (info == 0) {
    r.factor_nnz = static_cast<SCformat*>(l.Store)->nnz + static_cast<NCformat*>(u.Store)->nnz - n;
    r.x = in.b;
    dCreate_Dense_Matrix(&b, n, 1, r.x.data(), n, SLU_DN, SLU_D, SLU_GE);
    t0 = now_seconds();
    dgstrs(NOTRANS, &l, &u, perm_c.data(), perm_r.data(), &b, &stat, &info);
    r.solve = now_seconds() - t0;
    Destroy_SuperMatrix_Store(&b);
    r.ok = info == 0;
    Destroy_SuperNode_Matrix(&l);
    Destroy_CompCol_Matrix(&u);
  }
  if (!r.ok) r.note = "info " + std::to_string(info);
  Destroy_CompCol_Permuted(&ac);
  Destroy_SuperMatrix_Store(&a);
  StatFree(&stat);
  return r;
}

}  // namespace varnexo::bench
