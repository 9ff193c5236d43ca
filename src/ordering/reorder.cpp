// The two analysis steps of the ordering and symbolic stage (reorder1, reorder2): graph,
// ordering, domains, tree, counts and supernodes; then the symbolic factorisation and the sizes
// the factorisation needs. Flow: matching -> [ordering -> symbolic] -> value maps -> factor.
#include "ordering/reorder.h"

#include <algorithm>
#include <ctime>
#include <limits>

#include "common/onebased.h"
#include "ordering/etree.h"
#include "ordering/ordering_entries.h"
#include "ordering/ordering_internal.h"
#include "ordering/symbolic.h"

namespace varnexo::ordering {
namespace {

double seconds_since(std::clock_t start) { return double(std::clock() - start) / CLOCKS_PER_SEC; }

void fill(int32_t* p, int64_t len, int32_t v) { std::fill(p, p + std::max<int64_t>(len, 0), v); }

// The arrays and options of one step 1 run, and its result as it is filled in.
struct Step1Run {
  const Step1Arrays& a;
  const Step1Options& o;
  Step1Result& r;
};

// Adjacency graph of the pattern; for the unsymmetric types that of B + B^T with B = A with its
// rows permuted by q (the identity when q is nullptr). False when the work memory of the
// unsymmetric graph cannot be obtained.
bool build_graph(Step1Run& run, const int32_t* q) {
  const Step1Arrays& a = run.a;
  const int32_t n = a.n, np1 = n + 1, nnz = a.ia[n] - 1, nproc = run.o.nproc;
  if (!run.o.unsymmetric_graph) {
    const int32_t adjlen = run.r.adjacency_size, one_triangle = run.o.one_triangle ? 1 : 0;
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
  run.r.adjacency_size = adjlen;
  return true;
}

// Copies the given vector (new position -> input index) into perm; false when it is not a
// permutation.
bool take_permutation(const Step1Arrays& a, const int32_t* given) {
  if (given == nullptr) return false;
  std::copy(given, given + a.n, a.perm);
  return is_permutation(a.n, a.perm, a.invp);
}

// Runs the ordering the options ask for; returns the number of domains (the table holds the
// domain pairs when more than one), or -1 when no valid permutation results.
int32_t run_ordering(Step1Run& run) {
  const Step1Arrays& a = run.a;
  const Step1Options& o = run.o;
  const int32_t n = a.n, np1 = n + 1;
  if (o.use_given_perm) return take_permutation(a, a.user_perm) ? 1 : -1;
  if (o.symmetric_matching) {
    if (!take_permutation(a, a.matching_perm)) return -1;
    const int32_t nd = o.requested_domains;
    return o.method == OrderingMethod::nested_dissection && nd > 1 && 2 * int64_t{nd} + 2 <= a.table_cap ? nd
                                                                                                         : 1;
  }
  const int32_t adjlen = run.r.adjacency_size, maxint = o.maxint, delta = o.mmd_delta,
                msglvl = o.message_level, unit = o.unit;
  int32_t nd = 1;
  if (o.method != OrderingMethod::nested_dissection) {
    // The orderings overwrite a copy of the graph; the rest of the copy's space is zero.
    std::copy(a.adjncy, a.adjncy + adjlen, a.work);
    fill(a.work + adjlen, a.work_len - adjlen, 0);
    const int32_t copy_end =
        static_cast<int32_t>(std::min<int64_t>(a.work_len, std::numeric_limits<int32_t>::max()));
    int32_t* w = a.s0_work;
    const int64_t nn = n;
    if (o.method == OrderingMethod::minimum_degree) {
      int32_t error = 0;
      gepmmd_varnexo_(&n, &np1, &adjlen, &adjlen, a.xadj, a.adjncy, &maxint, &delta, a.invp, a.perm, w,
                      w + nn, w + 2 * nn, w + 3 * nn, w + 4 * nn, &copy_end, a.work, &msglvl, &unit, &error);
      if (error != 0) return -1;
    } else {
      const int32_t nproc = o.nproc, sepflag = o.separator_mmd ? 1 : 0;
      int32_t sepcount = 0;
      gepcmd_varnexo_(&n, &np1, &nproc, &adjlen, &adjlen, a.xadj, a.adjncy, &maxint, &delta, a.invp, a.perm,
                      w, w + nn, w + 2 * nn, w + 3 * nn, w + 4 * nn, w + 5 * nn, a.work, &sepflag, &sepcount,
                      w + 6 * nn);
      if (sepcount < 0) return -1;  // an inconsistent graph
    }
  } else {
    int32_t options[10] = {0};
    const int32_t requested = std::max(o.requested_domains, 1), table_size = o.table_size,
                  driver = o.dissection_driver;
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
int32_t settle_domains(const Step1Arrays& a, int32_t nd) {
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

// The 2×2 blocks of the symmetric matching in positions: pair_first(k) = 1 when the indices at
// k and k+1 are each other's mates. The mates follow the matching's order in its block (n
// words, 1-based, 0 for none). Written into the S0 work area, free once the ordering is done;
// nullptr when no symmetric matching ran.
const int32_t* pair_starts(const Step1Run& run) {
  const Step1Arrays& a = run.a;
  const int32_t n = a.n;
  if (!run.o.symmetric_matching || a.matching_perm == nullptr || a.s0_work_len < n) return nullptr;
  OneBased<const int32_t> perm(a.perm, n), mate(a.matching_perm + n, n);
  OneBased<int32_t> first(a.s0_work, n);
  for (int32_t k = 1; k <= n; ++k) first(k) = k < n && mate(perm(k)) == perm(k + 1) ? 1 : 0;
  return a.s0_work;
}

void run_step1(Step1Run& run) {
  const Step1Arrays& a = run.a;
  Step1Result& r = run.r;
  const int32_t n = a.n;
  fill(a.perm, n, 0);
  fill(a.invp, n, 0);
  fill(a.xadj, int64_t{n} + 1, 0);
  fill(a.adjncy, r.adjacency_size, 0);
  fill(a.work, a.work_len, 0);
  fill(a.s0_work, a.s0_work_len, 0);
  std::clock_t t0 = std::clock();
  if (!build_graph(run, run.o.unsymmetric_graph ? a.matching_perm : nullptr)) {
    r.status = AnalysisStatus::failed;
    return;
  }
  r.graph_seconds = seconds_since(t0);
  t0 = std::clock();
  int32_t nd = run_ordering(run);
  if (nd < 0) {
    r.status = AnalysisStatus::failed;
    return;
  }
  nd = settle_domains(a, nd);
  r.ordering_seconds = seconds_since(t0);
  t0 = std::clock();
  for (int32_t k = 1; k <= n; ++k) a.invp[a.perm[k - 1] - 1] = k;
  int32_t nnzl = 0, lindx_len = 0, nsuper = 0, chain = 0;
  const int32_t error = sfinit(n, nd, a.table_cap, a.xadj, a.adjncy, a.table, a.perm, a.invp, a.colcnt, &nnzl,
                               &lindx_len, &nsuper, a.snode, a.xsuper, a.work, run.o.panel_width, &chain,
                               pair_starts(run), run.o.relaxed_supernodes);
  r.nnz_l = nnzl;
  r.nsuper = nsuper;
  r.largest_chain = chain;
  r.lindx_size = lindx_len;
  r.domains = nd;
  if (error != 0) r.status = AnalysisStatus::overflow;
  r.tree_seconds = seconds_since(t0);
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

namespace {

// Per-supernode vectors of step 2 after the symbolic factorisation: update counts, the two
// marker vectors and the separator row counts.
void supernode_vectors(int32_t n, int32_t nsuper, int32_t nd, const Step2Arrays& a) {
  OneBased<const int32_t> xsuper(a.xsuper, nsuper + 1), xlindx(a.xlindx, nsuper + 1);
  fnpmod(nsuper, a.xsuper, a.snode, a.xlindx, a.lindx, a.nmod);
  std::fill(a.mark1, a.mark1 + nsuper, -1111111);
  std::fill(a.mark2, a.mark2 + nsuper, -1111111);
  const int32_t sep_super = a.table[2 * nd];
  const int32_t sepcol = sep_super >= 1 && sep_super <= nsuper ? xsuper(sep_super) : n + 1;
  OneBased<int32_t> seprows(a.seprows, nsuper);
  for (int32_t s = 1; s <= nsuper; ++s) {
    seprows(s) = 0;
    const int32_t last = xlindx(s + 1) - 1;
    for (int32_t p = last; p >= xlindx(s); --p)
      if (a.lindx[p - 1] < sepcol) {
        seprows(s) = last - p;
        break;
      }
  }
}

int32_t saturate(int64_t v) {
  return static_cast<int32_t>(std::min<int64_t>(v, std::numeric_limits<int32_t>::max()));
}

}  // namespace

Step1Result reorder1(const Step1Arrays& arrays, const Step1Options& options) {
  Step1Result r;
  r.adjacency_size = options.adjacency_size;
  if (arrays.n <= 0) return r;
  Step1Run run{arrays, options, r};
  run_step1(run);
  return r;
}

Step2Result reorder2(const Step2Arrays& a, const Step2Options& o) {
  Step2Result r;
  const std::clock_t t0 = std::clock();
  const int32_t n = o.n, nsuper = o.nsuper, nd = o.domains;
  const int64_t nn = n, ns = nsuper;
  std::fill(a.work, a.work + a.work_len, 0);
  std::fill(a.xlindx, a.xlindx + ns + 1, 0);
  std::fill(a.lindx, a.lindx + std::max(o.lindx_size, 0), 0);
  std::fill(a.xlnz, a.xlnz + nn + 1, 0);
  std::fill(a.xunz, a.xunz + nn + 1, 0);
  int32_t* work = a.work;
  int32_t* parent = work;
  etep(n, a.xadj, a.adjncy, a.perm, a.invp, parent, work + nn);
  stree(n, nsuper, a.xsuper, a.snode, parent, work + 2 * nn, work + 2 * nn + ns, a.sparent);
  sched(nsuper, a.sparent, a.schedule, work + 2 * nn + 2 * ns);
  const SymfctResult s =
      symfct(n, a.xadj, a.adjncy, a.perm, a.invp, a.colcnt, nsuper, a.xsuper, a.snode, o.lindx_size, a.xlindx,
             a.lindx, a.xlnz, a.xunz, work + 2 * nn, work + 2 * nn + ns, work + 3 * nn + ns + 1, a.table, nd);
  if (s.error != 0) {
    r.status = s.error == -20 ? AnalysisStatus::overflow : AnalysisStatus::failed;
    return r;
  }
  r.lnz_size = a.xlnz[nn] - 1;
  r.unz_size = o.one_triangle || a.xunz[nn] - 1 == 0 ? 1 : a.xunz[nn] - 1;
  r.domain_l_size = saturate(s.max_dom_l);
  r.domain_u_size = o.one_triangle ? 1 : saturate(s.max_dom_u);
  int64_t t = fntz(nsuper, a.xsuper, a.snode, a.xlindx, a.lindx);
  if (t == 0) t = n;
  if (4 * t > std::numeric_limits<int32_t>::max()) {
    r.status = AnalysisStatus::overflow;
    return r;
  }
  r.temp_size = static_cast<int32_t>(4 * t);
  r.temp_factor = 4;
  supernode_vectors(n, nsuper, nd, a);
  int32_t longest = 0;
  for (int64_t j = 0; j < nn; ++j) longest = std::max(longest, a.xlnz[j + 1] - a.xlnz[j]);
  r.longest_column = longest;
  r.seconds = double(std::clock() - t0) / CLOCKS_PER_SEC;
  return r;
}

}  // namespace varnexo::ordering
