// The list of peers compiled into this benchmark, and helpers the peer runners share.
#include "peers.h"

#include <chrono>

namespace varnexo::bench {

bool g_cholmod_metis = false;

double now_seconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::vector<Peer> available_peers() {
  std::vector<Peer> peers;
#ifdef VARNEXO_BENCH_CHOLMOD
  peers.push_back({"cholmod", true, false, false, run_cholmod});
#endif
#ifdef VARNEXO_BENCH_MUMPS
  peers.push_back({"mumps", true, true, true, run_mumps});
#endif
#ifdef VARNEXO_BENCH_UMFPACK
  peers.push_back({"umfpack", false, false, true, run_umfpack});
#endif
#ifdef VARNEXO_BENCH_SUPERLU
  peers.push_back({"superlu", false, false, true, run_superlu});
#endif
  return peers;
}

void csr_to_csc0(const tools::Csr& a, std::vector<int32_t>& colptr, std::vector<int32_t>& rowind,
                 std::vector<double>& val) {
  const int32_t n = a.n;
  colptr.assign(static_cast<size_t>(n) + 1, 0);
  for (int32_t k = 0; k < a.nnz(); ++k) ++colptr[a.ja[k]];
  for (int32_t j = 0; j < n; ++j) colptr[j + 1] += colptr[j];
  rowind.resize(static_cast<size_t>(a.nnz()));
  val.resize(static_cast<size_t>(a.nnz()));
  std::vector<int32_t> next(colptr.begin(), colptr.end() - 1);
  for (int32_t i = 0; i < n; ++i)
    for (int32_t k = a.ia[i] - 1; k < a.ia[i + 1] - 1; ++k) {
      const int32_t at = next[a.ja[k] - 1]++;
      rowind[at] = i;
      val[at] = a.a[k];
    }
}

}  // namespace varnexo::bench
