// STAND-IN, to be deleted when the graph and ordering entries land: simple versions of the
// five entries of ordering/orderings.h so that the analysis steps link and run. The graphs are
// exact (built by brute force); every ordering returns the identity and one domain.
#include <algorithm>
#include <set>
#include <vector>

#include "common/export.h"
#include "ordering/orderings.h"

namespace {

void identity(int32_t n, int32_t* perm, int32_t* invp) {
  for (int32_t k = 1; k <= n; ++k) perm[k - 1] = invp[k - 1] = k;
}

void write_graph(const std::vector<std::set<int32_t>>& adj, int32_t* xadj, int32_t* adjncy) {
  int32_t pos = 1;
  for (size_t v = 0; v < adj.size(); ++v) {
    xadj[v] = pos;
    for (int32_t w : adj[v]) adjncy[pos++ - 1] = w;
  }
  xadj[adj.size()] = pos;
}

}  // namespace

extern "C" {

VARNEXO_EXPORT void ladj_mod_varnexo_(const int32_t* n, const int32_t*, const int32_t*, const int32_t*,
                                      const int32_t* ia, const int32_t* ja, const int32_t*, int32_t* xadj,
                                      int32_t* adjncy, int32_t*, const int32_t*) {
  std::vector<std::set<int32_t>> adj(*n);
  for (int32_t i = 1; i <= *n; ++i)
    for (int32_t k = ia[i - 1]; k < ia[i]; ++k) {
      const int32_t j = ja[k - 1];
      if (j == i) continue;
      adj[i - 1].insert(j);
      adj[j - 1].insert(i);
    }
  write_graph(adj, xadj, adjncy);
}

VARNEXO_EXPORT void ladjun_varnexo_(const int32_t* n, const int32_t*, const int32_t*, const int32_t*,
                                    const int32_t* ia, const int32_t* ja, const int32_t* q, int32_t* adjlen,
                                    int32_t* xadj, int32_t* adjncy, int32_t*) {
  std::vector<std::set<int32_t>> adj(*n);
  for (int32_t k = 1; k <= *n; ++k) {
    const int32_t row = q[k - 1];
    for (int32_t p = ia[row - 1]; p < ia[row]; ++p) {
      const int32_t j = ja[p - 1];
      if (j == k) continue;
      adj[k - 1].insert(j);
      adj[j - 1].insert(k);
    }
  }
  write_graph(adj, xadj, adjncy);
  *adjlen = xadj[*n] - 1;
}

VARNEXO_EXPORT void gepmmd_varnexo_(const int32_t* n, const int32_t*, const int32_t*, const int32_t*, int32_t*,
                                    int32_t*, const int32_t*, const int32_t*, int32_t* invp, int32_t* perm,
                                    int32_t*, int32_t*, int32_t*, int32_t*, int32_t*, const int32_t*, int32_t*,
                                    const int32_t*, const int32_t*, int32_t* error) {
  identity(*n, perm, invp);
  *error = 0;
}

VARNEXO_EXPORT void gepcmd_varnexo_(const int32_t* n, const int32_t*, const int32_t*, const int32_t*,
                                    const int32_t*, int32_t*, int32_t*, const int32_t*, const int32_t*,
                                    int32_t* invp, int32_t* perm, int32_t*, int32_t*, int32_t*, int32_t*, int32_t*,
                                    int32_t*, int32_t*, const int32_t*, int32_t* separator_count, int32_t*) {
  identity(*n, perm, invp);
  *separator_count = 0;
}

VARNEXO_EXPORT void gepmetis_varnexo_(const int32_t* n, const int32_t*, const int32_t*, const int32_t*,
                                      const int32_t*, int32_t*, int32_t*, int32_t* invp, int32_t* perm,
                                      const int32_t*, const int32_t*, int32_t*, int32_t* domains_found,
                                      int32_t* domain_table, const int32_t*) {
  identity(*n, perm, invp);
  *domains_found = 1;
  domain_table[0] = 1;
  domain_table[1] = *n;
}
}
