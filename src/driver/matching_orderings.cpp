// The orderings of the symmetric matching (matching -> [ordering of the compressed graph]):
// minimum degree, constrained minimum degree or nested dissection of a 0-based graph through the
// ordering stage's entries, and the exported toolkit entries that order a toolkit matrix or run
// the whole symmetric matching.
#include "driver/matching_orderings.h"

#include <algorithm>
#include <memory>
#include <numeric>

#include "common/export.h"
#include "common/guard.h"
#include "driver/driver_entries.h"
#include "matching/toolkit.h"
#include "ordering/ordering_entries.h"
#include "ordering/ordering_internal.h"

namespace varnexo::driver {
namespace {

bool is_order(int32_t n, const std::vector<int32_t>& perm) {
  std::vector<char> seen(static_cast<size_t>(n), 0);
  for (int32_t p : perm) {
    if (p < 1 || p > n || seen[p - 1]) return false;
    seen[p - 1] = 1;
  }
  return true;
}

// Minimum degree with the last `count` nodes held back for the last positions.
bool constrained_by_count(int32_t n, std::vector<int32_t>& xadj, std::vector<int32_t>& adjncy, int32_t count,
                          const OrderingChoice& ch, std::vector<int32_t>& perm) {
  std::vector<int32_t> invp(n), w(4 * static_cast<size_t>(n)), mark(n, 0);
  for (int32_t k = n - count + 1; k <= n; ++k) mark[k - 1] = k;
  ordering::MmdGraph g =
      ordering::make_mmd_graph(n, xadj.data(), adjncy.data(), invp.data(), perm.data(), w.data(),
                               w.data() + n, w.data() + 2 * n, w.data() + 3 * n, ch.maxint, ch.delta);
  g.cmark = OneBased<const int32_t>(mark.data(), n);
  return ordering::cmd(g, count, false) == ordering::MmdStatus::done;
}

}  // namespace

OrderingChoice ordering_choice_of(const Control& ctl) {
  OrderingChoice ch;
  ch.method = ctl.ordering();
  ch.parameter = ctl.matching_option();
  ch.domains = std::max(ctl.domains(), 1);
  ch.table_size = std::max(ctl.table_words(), 16);
  ch.nproc = std::max(ctl.nproc(), 1);
  ch.maxint = ctl.ordering_maxint();
  ch.delta = ctl.mmd_delta();
  ch.separator_flag = ctl.separator_mmd();
  ch.msglvl = ctl.message_level();
  ch.unit = ctl.output_unit();
  return ch;
}

bool order_graph(int32_t n, const int32_t* xadj0, const int32_t* adjncy0, const OrderingChoice& ch,
                 int32_t* order, std::vector<int32_t>& domains, int32_t constraint_count) {
  domains.clear();
  if (n <= 0) return true;
  const int32_t np1 = n + 1, len = xadj0[n];
  std::vector<int32_t> xadj(np1), adjncy(std::max(len, 1)), copy(std::max(len, 1) + 1, 0);
  for (int32_t v = 0; v <= n; ++v) xadj[v] = xadj0[v] + 1;
  for (int32_t k = 0; k < len; ++k) adjncy[k] = adjncy0[k] + 1;
  std::vector<int32_t> perm(n, 0), invp(n, 0), w(7 * static_cast<size_t>(n) + 1, 0);
  int32_t error = 0;
  const int32_t maxint = std::max(ch.maxint, n + 1);
  if (ch.method == 1 && constraint_count > 0 && constraint_count <= n) {
    copy.assign(adjncy.begin(), adjncy.end());
    if (!constrained_by_count(n, xadj, copy, constraint_count, ch, perm)) return false;
  } else if (ch.method == 0) {
    const int32_t copy_end = static_cast<int32_t>(copy.size());
    gepmmd_varnexo_(&n, &np1, &len, &len, xadj.data(), adjncy.data(), &maxint, &ch.delta, invp.data(),
                    perm.data(), w.data(), w.data() + n, w.data() + 2 * n, w.data() + 3 * n, w.data() + 4 * n,
                    &copy_end, copy.data(), &ch.msglvl, &ch.unit, &error);
  } else if (ch.method == 1) {
    int32_t count = 0;
    gepcmd_varnexo_(&n, &np1, &ch.nproc, &len, &len, xadj.data(), adjncy.data(), &maxint, &ch.delta,
                    invp.data(), perm.data(), w.data(), w.data() + n, w.data() + 2 * n, w.data() + 3 * n,
                    w.data() + 4 * n, w.data() + 5 * n, copy.data(), &ch.separator_flag, &count,
                    w.data() + 6 * n);
    error = count < 0 ? count : 0;
  } else {
    int32_t options[10] = {0};
    const int32_t requested = std::min(ch.domains, n);
    const int32_t table_size = std::max(ch.table_size, 2 * requested + 2);
    std::vector<int32_t> table(table_size, 0);
    int32_t found = 1;
    gepmetis_varnexo_(&n, &np1, &len, &requested, &table_size, xadj.data(), adjncy.data(), invp.data(),
                      perm.data(), &ch.msglvl, &ch.unit, options, &found, table.data(), &ch.parameter,
                      &error);
    if (error == 0 && found > 1)
      for (int32_t t = 0; t < 2 * found; ++t) domains.push_back(table[t] - 1);
  }
  if (error != 0 || !is_order(n, perm)) return false;
  for (int32_t k = 0; k < n; ++k) order[k] = perm[k] - 1;
  return true;
}

namespace {

// The graph of the columns: node v stands for vertices start[v] .. start[v+1]-1, joined to each
// other and to every vertex of the nodes next to v.
void expand_nodes(int32_t nc, const int32_t* xadj, const int32_t* adjncy, const std::vector<int32_t>& start,
                  std::vector<int32_t>& vxadj, std::vector<int32_t>& vadjncy) {
  vxadj.assign(1, 0);
  vadjncy.clear();
  for (int32_t v = 0; v < nc; ++v)
    for (int32_t a = start[v]; a < start[v + 1]; ++a) {
      for (int32_t b = start[v]; b < start[v + 1]; ++b)
        if (b != a) vadjncy.push_back(b);
      for (int32_t k = xadj[v]; k < xadj[v + 1]; ++k)
        for (int32_t b = start[adjncy[k]]; b < start[adjncy[k] + 1]; ++b) vadjncy.push_back(b);
      vxadj.push_back(static_cast<int32_t>(vadjncy.size()));
    }
}

// Orders the nodes of sizes `size` by the order of their vertices: a node takes the place of its
// first vertex; the domains of vertex positions become ranges of node positions.
bool order_weighted(int32_t nc, const int32_t* xadj, const int32_t* adjncy, const int32_t* size,
                    const OrderingChoice& choice, int32_t* order, std::vector<int32_t>& domains) {
  std::vector<int32_t> start(static_cast<size_t>(nc) + 1, 0);
  for (int32_t v = 0; v < nc; ++v) start[v + 1] = start[v] + size[v];
  const int32_t nv = start[nc];
  std::vector<int32_t> vxadj, vadjncy, vorder(nv), node_of(nv), vdomains;
  expand_nodes(nc, xadj, adjncy, start, vxadj, vadjncy);
  if (!order_graph(nv, vxadj.data(), vadjncy.data(), choice, vorder.data(), vdomains)) return false;
  for (int32_t v = 0; v < nc; ++v)
    for (int32_t a = start[v]; a < start[v + 1]; ++a) node_of[a] = v;
  std::vector<char> placed(static_cast<size_t>(nc), 0);
  std::vector<int32_t> nodes_before(nv);  // nodes placed before vertex position p
  int32_t k = 0;
  for (int32_t p = 0; p < nv; ++p) {
    nodes_before[p] = k;
    const int32_t v = node_of[vorder[p]];
    if (!placed[v]) placed[v] = 1, order[k++] = v;
  }
  domains.clear();
  for (size_t d = 0; d + 1 < vdomains.size(); d += 2) {
    const int32_t first = vdomains[d], last = vdomains[d + 1];
    domains.push_back(first < nv ? nodes_before[first] : k);
    domains.push_back((last + 1 < nv ? nodes_before[last + 1] : k) - 1);
  }
  return true;
}

}  // namespace

matching::CompressedOrdering compressed_ordering(const OrderingChoice& choice) {
  return [choice](int32_t nc, const int32_t* xadj, const int32_t* adjncy, const int32_t* size, int32_t* order,
                  std::vector<int32_t>& domains) {
    const bool weighted = size && std::any_of(size, size + nc, [](int32_t s) { return s != 1; });
    if (weighted) return order_weighted(nc, xadj, adjncy, size, choice, order, domains);
    return order_graph(nc, xadj, adjncy, choice, order, domains);
  };
}

}  // namespace varnexo::driver

namespace {

namespace vd = varnexo::driver;
namespace vm = varnexo::matching;

struct SmatDeleter {
  void operator()(vm::Smat* A) const { vm::smat_free(A); }
};

// Orders the adjacency graph of A into perm (new -> old, 0-based); the domains, for nested
// dissection, into `domains`. False when the graph cannot be built or the ordering fails.
bool order_matrix(const vm::Smat* A, vm::Perm* perm, const vd::OrderingChoice& ch,
                  std::vector<int32_t>& domains, int32_t constraint_count) {
  if (!vm::toolkit_check(perm != nullptr, "perm != NULL", "src/smat") || !A ||
      !vm::toolkit_check(perm->n == A->m, "perm->n == A->m", "src/smat"))
    return false;
  std::unique_ptr<vm::Smat, SmatDeleter> G(vm::smat_build_adjacency(A));
  if (!G) return false;
  return varnexo::guard_status({0, 0}, [&] {
           return vd::order_graph(G->m, G->ia, G->ja, ch, perm->p, domains, constraint_count) ? 1 : 0;
         }) == 1;
}

vd::OrderingChoice choice_with(int32_t method, int32_t parameter) {
  vd::OrderingChoice ch;
  ch.method = method;
  ch.parameter = parameter;
  ch.domains = 2;
  return ch;
}

}  // namespace

extern "C" VARNEXO_EXPORT int ZEBLANDO_smat_reordering_gepmmd(const vm::Smat* A, vm::Perm* perm) {
  std::vector<int32_t> domains;
  return order_matrix(A, perm, choice_with(0, 0), domains, 0) ? 0 : -1;
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_reordering_gepmmd);

extern "C" VARNEXO_EXPORT int ZEBLANDO_smat_reordering_gepcmd(const vm::Smat* A, vm::Perm* perm,
                                                              int32_t constraint_size) {
  std::vector<int32_t> domains;
  return order_matrix(A, perm, choice_with(1, 0), domains, constraint_size) ? 0 : -1;
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_reordering_gepcmd);

extern "C" VARNEXO_EXPORT int32_t ZEBLANDO_smat_reordering_metis_ddist(const vm::Smat* A, vm::Perm* perm,
                                                                       int32_t parameter, vm::Perm* ddist,
                                                                       int32_t selector) {
  if (!vm::toolkit_check(ddist != nullptr, "ddist != NULL", "src/smat") ||
      !vm::toolkit_check((ddist->n & 1) == 0, "(ddist->n & 1) == 0", "src/smat"))
    return -1;
  vd::OrderingChoice ch = choice_with(2, selector);
  ch.domains = std::max(parameter, 1);
  std::vector<int32_t> domains;
  if (!order_matrix(A, perm, ch, domains, 0)) return -1;
  const int32_t n = A->m;
  if (domains.empty()) domains = {0, n - 1, n, n};
  const int32_t words = std::min<int32_t>(ddist->n, static_cast<int32_t>(domains.size()));
  std::copy(domains.begin(), domains.begin() + words, ddist->p);
  return std::max<int32_t>(1, static_cast<int32_t>(domains.size()) / 2);
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_smat_reordering_metis_ddist);

extern "C" VARNEXO_EXPORT int ZEBLANDO_mps_sym_varnexo(int32_t n, int32_t* ia, int32_t* ja, double* a,
                                                       int32_t choice, int32_t parameter, int32_t* perm,
                                                       vm::BitVec* marks, int32_t* ndomains, vm::Perm* ddist,
                                                       int32_t selector) {
  if (!vm::toolkit_check(marks != nullptr, "sym_perm_1x1_pivots != NULL", "src/mpssym")) return 0;
  if (!perm || !ndomains || n < 0 || marks->size != n) return 0;
  std::unique_ptr<vm::Smat, SmatDeleter> A(vm::smat_new_from(n, n, ia, ja, a, 1, 0));
  if (!A) return 0;
  vd::OrderingChoice ch = choice_with(choice, selector);
  ch.domains = std::max(parameter, 1);
  vm::SymmetricOrder order;
  const int32_t status = varnexo::guard_status({-3, -3}, [&] {
    return vm::mps_sym(*A, perm, vm::kPairDiagonalThreshold, vd::compressed_ordering(ch), order, marks);
  });
  if (status != 0) return 0;
  for (int32_t k = 0; k < n; ++k) perm[order.perm[k]] = k;  // old -> final position
  std::vector<int32_t> domains = order.domains;
  if (domains.empty()) domains = {0, n - 1, n, n};
  *ndomains = std::max<int32_t>(1, order.domains.size() / 2);
  if (ddist)
    std::copy(domains.begin(), domains.begin() + std::min<int32_t>(ddist->n, domains.size()), ddist->p);
  return 1;
}
VARNEXO_UNDERSCORE_ALIAS(ZEBLANDO_mps_sym_varnexo);
