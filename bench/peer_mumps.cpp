// Sequential MUMPS multifrontal solver as a peer: LDLᵀ for the symmetric matrices (positive
// definite or general symmetric), LU for the unsymmetric ones.
#include <dmumps_c.h>

#include "peers.h"

namespace varnexo::bench {
namespace {

constexpr int kUseCommWorld = -987654;

bool call(DMUMPS_STRUC_C& id, int job) {
  id.job = job;
  dmumps_c(&id);
  return id.infog[0] >= 0;
}

}  // namespace

PeerRun run_mumps(const PeerInput& in) {
  PeerRun r;
  const tools::Csr& a = in.kind == Kind::unsymmetric ? in.full : in.upper;
  DMUMPS_STRUC_C id{};
  id.par = 1;
  id.sym = in.kind == Kind::spd ? 1 : in.kind == Kind::symmetric_indefinite ? 2 : 0;
  id.comm_fortran = kUseCommWorld;
  call(id, -1);
  id.icntl[0] = id.icntl[1] = id.icntl[2] = -1;  // no output
  id.icntl[3] = 0;
  id.icntl[13] = 100;  // workspace margin in percent: ill-conditioned matrices pivot a lot
  // Assembled entries, 1-based triplets.
  std::vector<int> irn(a.ja.size()), jcn(a.ja.begin(), a.ja.end());
  for (int32_t i = 0; i < a.n; ++i)
    for (int32_t k = a.ia[i] - 1; k < a.ia[i + 1] - 1; ++k) irn[k] = i + 1;
  std::vector<double> val(a.a);
  id.n = a.n;
  id.nnz = a.nnz();
  id.irn = irn.data();
  id.jcn = jcn.data();
  id.a = val.data();

  double t0 = now_seconds();
  bool ok = call(id, 1);
  r.analyse = now_seconds() - t0;
  if (ok) {
    t0 = now_seconds();
    ok = call(id, 2);
    // Workspace too small (-9): widen the margin and factorise again, timing the last try only.
    for (int retry = 0; !ok && id.infog[0] == -9 && retry < 4; ++retry) {
      id.icntl[13] *= 4;
      t0 = now_seconds();
      ok = call(id, 2);
    }
    r.factor = now_seconds() - t0;
    // INFOG(29): entries in the factors, in millions when negative.
    const int e = id.infog[28];
    r.factor_nnz = e >= 0 ? e : static_cast<int64_t>(-e) * 1000000;
  }
  if (ok) {
    r.x = in.b;
    id.rhs = r.x.data();
    t0 = now_seconds();
    ok = call(id, 3);
    r.solve = now_seconds() - t0;
  }
  r.ok = ok;
  if (!ok) r.note = "INFOG(1) " + std::to_string(id.infog[0]);
  call(id, -2);
  return r;
}

}  // namespace varnexo::bench
