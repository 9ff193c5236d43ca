// The two analysis steps of the ordering and symbolic stage (reorder1, reorder2): graph,
// ordering, domains, tree, counts and supernodes; then the symbolic factorisation and the sizes
// the factorisation needs. Flow: matching -> [ordering -> symbolic] -> value maps -> factor.
#include "ordering/reorder.h"

#include <algorithm>
#include <ctime>
#include <limits>

#include "common/export.h"
#include "common/onebased.h"
#include "ordering/etree.h"
#include "ordering/ordering_entries.h"
#include "ordering/ordering_internal.h"
#include "ordering/symbolic.h"

namespace varnexo::ordering {
namespace {

double seconds_since(std::clock_t start) { return double(std::clock() - start) / CLOCKS_PER_SEC; }

void fill(int32_t* p, int64_t len, int32_t v) { std::fill(p, p + std::max<int64_t>(len, 0), v); }

struct Step1Arrays {
  int32_t n;
  const int32_t* ia;
  const int32_t* ja;
  int32_t* perm;
  int32_t* invp;
  int32_t* table;
  int32_t table_cap;
  int32_t* xadj;
  int32_t* adjncy;
  int32_t* s0_work;
  int64_t s0_work_len;
  int32_t* work;
  int64_t work_len;
  OneBased<int32_t> ib;
};

// Adjacency graph of the pattern; for the unsymmetric types that of B + B^T with B = A with its
// rows permuted by q (the identity when q is nullptr). False when the work memory of the
// unsymmetric graph cannot be obtained.
bool build_graph(Step1Arrays& a, const int32_t* q) {
  const int32_t n = a.n, np1 = n + 1, nnz = a.ia[n] - 1, nproc = a.ib(15);
  if (a.ib(12) < 11) {
    const int32_t adjlen = a.ib(4), one_triangle = a.ib(19);
    ladj_mod_varnexo_(&n, &np1, &nnz, &nproc, a.ia, a.ja, &adjlen, a.xadj, a.adjncy, a.work, &one_triangle);
    return true;
  }
  int32_t* qq = a.s0_work;  // identity row mapping when the caller has none
  if (q == nullptr) {
    for (int32_t i = 0; i < n; ++i) qq[i] = i + 1;
    q = qq;
  }
  const int32_t adjlen = ladjun(n, nnz, a.ia, a.ja, q, a.xadj, a.adjncy, a.work);
  if (adjlen < 0) return false;
  a.ib(4) = adjlen;
  return true;
}

// Copies the given vector (new position -> input index) into perm; false when it is not a
// permutation.
bool take_permutation(Step1Arrays& a, const int32_t* given) {
  if (given == nullptr) return false;
  std::copy(given, given + a.n, a.perm);
  return is_permutation(a.n, a.perm, a.invp);
}

// Runs the ordering that ibasic asks for; returns the number of domains (the table holds the
// domain pairs when more than one), or -1 when no valid permutation results.
int32_t run_ordering(Step1Arrays& a, const int32_t* user_perm, const int32_t* matching_perm) {
  const int32_t n = a.n, np1 = n + 1, mtype = a.ib(12), choice = a.ib(14);
  if (a.ib(21) > 0) return take_permutation(a, user_perm) ? 1 : -1;
  if ((mtype == -2 || mtype == -4 || mtype == 6) && a.ib(67) >= 1) {
    if (!take_permutation(a, matching_perm)) return -1;
    const int32_t nd = a.ib(60);
    return choice == 2 && nd > 1 && 2 * int64_t{nd} + 2 <= a.table_cap ? nd : 1;
  }
  const int32_t adjlen = a.ib(4), maxint = a.ib(9), delta = a.ib(13), msglvl = a.ib(11), unit = a.ib(10);
  int32_t nd = 1;
  if (choice == 0 || choice == 1) {
    // The orderings overwrite a copy of the graph; the rest of the copy's space is zero.
    std::copy(a.adjncy, a.adjncy + adjlen, a.work);
    fill(a.work + adjlen, a.work_len - adjlen, 0);
    const int32_t copy_end =
        static_cast<int32_t>(std::min<int64_t>(a.work_len, std::numeric_limits<int32_t>::max()));
    int32_t* w = a.s0_work;
    const int64_t nn = n;
    if (choice == 0) {
      int32_t error = 0;
      gepmmd_varnexo_(&n, &np1, &adjlen, &adjlen, a.xadj, a.adjncy, &maxint, &delta, a.invp, a.perm, w,
                      w + nn, w + 2 * nn, w + 3 * nn, w + 4 * nn, &copy_end, a.work, &msglvl, &unit, &error);
      if (error != 0) return -1;
    } else {
      const int32_t nproc = a.ib(15), sepflag = a.ib(17);
      int32_t sepcount = 0;
      gepcmd_varnexo_(&n, &np1, &nproc, &adjlen, &adjlen, a.xadj, a.adjncy, &maxint, &delta, a.invp, a.perm,
                      w, w + nn, w + 2 * nn, w + 3 * nn, w + 4 * nn, w + 5 * nn, a.work, &sepflag, &sepcount,
                      w + 6 * nn);
      if (sepcount < 0) return -1;  // an inconsistent graph
    }
  } else {
    int32_t options[10] = {0};
    const int32_t requested = std::max(a.ib(60), 1), table_size = a.ib(61), driver = a.ib(82);
    int32_t found = 1, error = 0;
    gepmetis_varnexo_(&n, &np1, &adjlen, &requested, &table_size, a.xadj, a.adjncy, a.invp, a.perm, &msglvl,
                      &unit, options, &found, a.table, &driver, &error);
    if (error != 0) return -1;
    nd = found;
  }
  if (!is_permutation(n, a.perm, a.work)) return -1;
  return nd;
}

// Domain table after the ordering: with several valid domains the last position of a domain
// that ends at n goes to the separator and the positions are regrouped by domain; otherwise
// the single-domain table (1, n-1), (n, n).
int32_t settle_domains(Step1Arrays& a, int32_t nd) {
  OneBased<int32_t> table(a.table, a.table_cap);
  const int32_t n = a.n;
  if (nd > 1 && 2 * int64_t{nd} + 2 <= a.table_cap && valid_domains(n, nd, a.table)) {
    if (table(2 * nd) == n) table(2 * nd) = n - 1;
    regroup_by_domains(n, nd, a.table, a.perm, a.work);
    return nd;
  }
  table(1) = 1;
  table(2) = n - 1;
  table(3) = n;
  table(4) = n;
  return 1;
}

void reorder1(Step1Arrays& a, int32_t* colcnt, int32_t* snode, int32_t* xsuper, double* rbasic_p,
              const int32_t* user_perm, const int32_t* matching_perm) {
  const int32_t n = a.n;
  OneBased<double> rbasic(rbasic_p, 20);
  a.ib(50) = 0;
  fill(a.perm, n, 0);
  fill(a.invp, n, 0);
  fill(a.xadj, int64_t{n} + 1, 0);
  fill(a.adjncy, a.ib(4), 0);
  fill(a.work, a.work_len, 0);
  fill(a.s0_work, a.s0_work_len, 0);
  std::clock_t t0 = std::clock();
  if (!build_graph(a, a.ib(12) >= 11 ? matching_perm : nullptr)) {
    a.ib(50) = -180;
    return;
  }
  rbasic(1) += seconds_since(t0);
  t0 = std::clock();
  int32_t nd = run_ordering(a, user_perm, matching_perm);
  if (nd < 0) {
    a.ib(50) = -180;
    return;
  }
  nd = settle_domains(a, nd);
  rbasic(2) += seconds_since(t0);
  t0 = std::clock();
  a.ib(80) = a.ib(81) = 0;
  for (int32_t k = 1; k <= n; ++k) a.invp[a.perm[k - 1] - 1] = k;
  int32_t nnzl = 0, lindx_len = 0, nsuper = 0, chain = 0, error = 0;
  const int32_t adjlen = a.ib(4), table_size = a.table_cap, width = a.ib(16);
  sfinit_varnexo_(&n, &adjlen, &nd, &table_size, a.xadj, a.adjncy, a.table, a.perm, a.invp, colcnt, &nnzl,
                  &lindx_len, &nsuper, snode, xsuper, a.work, &width, &chain, &error);
  a.ib(30) = nnzl;
  a.ib(31) = nsuper;
  a.ib(32) = chain;
  a.ib(36) = lindx_len;
  a.ib(60) = nd;
  if (error != 0) a.ib(50) = -182;
  rbasic(3) += seconds_since(t0);
}

}  // namespace

bool is_permutation(int32_t n, const int32_t* perm, int32_t* work) {
  std::fill(work, work + n, 0);
  for (int32_t k = 0; k < n; ++k) {
    const int32_t v = perm[k];
    if (v < 1 || v > n || work[v - 1] != 0) return false;
    work[v - 1] = 1;
  }
  return true;
}

bool valid_domains(int32_t n, int32_t nd, const int32_t* table) {
  int32_t prev_last = 0;
  for (int32_t k = 0; k < nd; ++k) {
    const int32_t first = table[2 * k], last = table[2 * k + 1];
    if (first <= prev_last || first < 1 || last > n || last < first - 1) return false;
    prev_last = std::max(prev_last, last);
  }
  return true;
}

void regroup_by_domains(int32_t n, int32_t nd, int32_t* table_p, int32_t* perm_p, int32_t* work) {
  OneBased<int32_t> table(table_p, 2 * (nd + 1)), perm(perm_p, n);
  OneBased<int32_t> domain(work, n), newperm(work + n, n);
  for (int32_t k = 1; k <= n; ++k) domain(k) = nd + 1;
  for (int32_t d = 1; d <= nd; ++d)
    for (int32_t k = table(2 * d - 1); k <= table(2 * d); ++k) domain(k) = d;
  int32_t next = 0;
  for (int32_t d = 1; d <= nd + 1; ++d) {
    const int32_t first = next + 1;
    for (int32_t k = 1; k <= n; ++k)
      if (domain(k) == d) newperm(++next) = perm(k);
    table(2 * d - 1) = first;
    table(2 * d) = next;
  }
  // The separator pair runs to n even when it is empty.
  table(2 * nd + 1) = table(2 * nd) + 1;
  table(2 * nd + 2) = n;
  for (int32_t k = 1; k <= n; ++k) perm(k) = newperm(k);
}

}  // namespace varnexo::ordering

using namespace varnexo;

namespace {

// Per-supernode vectors of step 2 after the symbolic factorisation: update counts, the two
// marker vectors and the separator row counts.
void supernode_vectors(OneBased<int32_t> ib, const int32_t* xsuper_p, const int32_t* snode,
                       const int32_t* table, const int32_t* xlindx_p, const int32_t* lindx, int32_t* nmod,
                       int32_t* mark1, int32_t* mark2, int32_t* seprows_p) {
  const int32_t n = ib(1), nsuper = ib(31), nd = ib(60);
  OneBased<const int32_t> xsuper(xsuper_p, nsuper + 1), xlindx(xlindx_p, nsuper + 1);
  ordering::fnpmod(nsuper, xsuper_p, snode, xlindx_p, lindx, nmod);
  std::fill(mark1, mark1 + nsuper, -1111111);
  std::fill(mark2, mark2 + nsuper, -1111111);
  const int32_t sep_super = table[2 * nd];
  const int32_t sepcol = sep_super >= 1 && sep_super <= nsuper ? xsuper(sep_super) : n + 1;
  OneBased<int32_t> seprows(seprows_p, nsuper);
  for (int32_t s = 1; s <= nsuper; ++s) {
    seprows(s) = 0;
    const int32_t last = xlindx(s + 1) - 1;
    for (int32_t p = last; p >= xlindx(s); --p)
      if (lindx[p - 1] < sepcol) {
        seprows(s) = last - p;
        break;
      }
  }
}

}  // namespace

extern "C" {

VARNEXO_EXPORT void reorder1_varnexo_(const int32_t* n, const int32_t* ia, const int32_t* ja,
                                      const int32_t* user_perm, int32_t* perm, int32_t* invp, int32_t* table,
                                      const int32_t* table_cap, int32_t* colcnt, int32_t* snode,
                                      int32_t* xsuper, int32_t* xadj, int32_t* adjncy, int32_t* s0_work,
                                      const int32_t* s0_work_len, int32_t* work, const int32_t* work_len,
                                      int32_t* ibasic, double* rbasic, const int32_t* matching_perm) {
  ordering::Step1Arrays a{
      *n,   ia,     ja,      perm,         invp, table,     *table_cap,
      xadj, adjncy, s0_work, *s0_work_len, work, *work_len, OneBased<int32_t>(ibasic, 100)};
  if (*n <= 0) {
    a.ib(50) = 0;
    return;
  }
  ordering::reorder1(a, colcnt, snode, xsuper, rbasic, user_perm, matching_perm);
}
VARNEXO_UNDERSCORE_ALIAS(reorder1_varnexo_);

VARNEXO_EXPORT void reorder2_varnexo_(int32_t* ibasic, double* rbasic_p, const int32_t* xadj,
                                      const int32_t* adjncy, const int32_t* perm, const int32_t* invp,
                                      const int32_t* colcnt, const int32_t* xsuper, const int32_t* snode,
                                      const int32_t* table, int32_t* xlindx, int32_t* lindx, int32_t* xlnz,
                                      int32_t* xunz, int32_t* nmod, int32_t* schedule, int32_t* mark1,
                                      int32_t* mark2, int32_t* seprows, int32_t* sparent, int32_t* work,
                                      const int32_t* work_len) {
  OneBased<int32_t> ib(ibasic, 100);
  OneBased<double> rbasic(rbasic_p, 20);
  const std::clock_t t0 = std::clock();
  const int32_t n = ib(1), nsuper = ib(31), nd = ib(60);
  const int64_t nn = n, ns = nsuper;
  ib(50) = 0;
  std::fill(work, work + *work_len, 0);
  std::fill(xlindx, xlindx + ns + 1, 0);
  std::fill(lindx, lindx + std::max(ib(36), 0), 0);
  std::fill(xlnz, xlnz + nn + 1, 0);
  std::fill(xunz, xunz + nn + 1, 0);
  int32_t* parent = work;
  ordering::etep(n, xadj, adjncy, perm, invp, parent, work + nn);
  ordering::stree(n, nsuper, xsuper, snode, parent, work + 2 * nn, work + 2 * nn + ns, sparent);
  ordering::sched(nsuper, sparent, schedule, work + 2 * nn + 2 * ns);
  const ordering::SymfctResult r =
      ordering::symfct(n, xadj, adjncy, perm, invp, colcnt, nsuper, xsuper, snode, ib(36), xlindx, lindx,
                       xlnz, xunz, work + 2 * nn, work + 2 * nn + ns, work + 3 * nn + ns + 1, table, nd);
  if (r.error != 0) {
    ib(50) = r.error == -20 ? -182 : -180;
    return;
  }
  const bool one_triangle = ib(19) == 1;
  ib(34) = xlnz[nn] - 1;
  ib(35) = one_triangle || xunz[nn] - 1 == 0 ? 1 : xunz[nn] - 1;
  ib(78) = static_cast<int32_t>(std::min<int64_t>(r.max_dom_l, std::numeric_limits<int32_t>::max()));
  ib(79) = one_triangle
               ? 1
               : static_cast<int32_t>(std::min<int64_t>(r.max_dom_u, std::numeric_limits<int32_t>::max()));
  int64_t t = ordering::fntz(nsuper, xsuper, snode, xlindx, lindx);
  if (t == 0) t = n;
  if (4 * t > std::numeric_limits<int32_t>::max()) {
    ib(50) = -182;
    return;
  }
  ib(37) = static_cast<int32_t>(4 * t);
  ib(38) = 4;
  supernode_vectors(ib, xsuper, snode, table, xlindx, lindx, nmod, mark1, mark2, seprows);
  ib(22) = 1;
  int32_t longest = 0;
  for (int64_t j = 0; j < nn; ++j) longest = std::max(longest, xlnz[j + 1] - xlnz[j]);
  ib(23) = longest;
  rbasic(15) = 0.0;
  rbasic(3) += double(std::clock() - t0) / CLOCKS_PER_SEC;
}
VARNEXO_UNDERSCORE_ALIAS(reorder2_varnexo_);
}
