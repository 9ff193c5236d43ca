// Peer solvers of the benchmark, each behind one function; only the peers found at configure
// time are compiled in. They are linked into the benchmark program only, never into the library.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "sparse.h"

namespace varnexo::bench {

enum class Kind { spd, symmetric_indefinite, unsymmetric };

// One real system: whole rows, the upper triangle with the diagonal, and one right-hand side.
struct PeerInput {
  const tools::Csr& full;
  const tools::Csr& upper;
  Kind kind;
  const std::vector<double>& b;
};

struct PeerRun {
  bool ok = false;
  std::string note;  // why it failed
  double analyse = 0.0, factor = 0.0, solve = 0.0;
  int64_t factor_nnz = -1;
  std::vector<double> x;
};

struct Peer {
  const char* name;
  bool spd, symmetric_indefinite, unsymmetric;  // the kinds it is run on
  PeerRun (*run)(const PeerInput&);
  bool runs(Kind k) const {
    return k == Kind::spd ? spd : k == Kind::symmetric_indefinite ? symmetric_indefinite : unsymmetric;
  }
};

// The peers of this build.
std::vector<Peer> available_peers();

// Seconds of wall time since `t0` (steady clock, in seconds).
double now_seconds();

PeerRun run_cholmod(const PeerInput& in);
// CHOLMOD orders with METIS alone when set (its default tries AMD first and METIS only when AMD
// fills much); --cholmod-metis.
extern bool g_cholmod_metis;
PeerRun run_umfpack(const PeerInput& in);
PeerRun run_mumps(const PeerInput& in);
PeerRun run_superlu(const PeerInput& in);

// Compressed columns (0-based) of the matrix whose compressed rows are `a` (the transpose's rows).
void csr_to_csc0(const tools::Csr& a, std::vector<int32_t>& colptr, std::vector<int32_t>& rowind,
                 std::vector<double>& val);

}  // namespace varnexo::bench
