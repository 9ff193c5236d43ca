// Benchmark of the analysis (ordering -> symbolic): phase 11 through the public call on the
// shared matrices and generated Laplacians, per ordering choice, with the factor's size, the
// supernodes and the memory figures; and, as the quality reference of the nested dissection,
// nnz(L) of METIS_NodeND applied directly to the same graph.
#include <metis.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "driver/control.h"
#include "driver/handle.h"
#include "driver/storage_layout.h"
#include "factor/tree_partition.h"
#include "generators.h"
#include "matrix_market.h"
#include "ordering/etree.h"
#include "ordering/ordering_internal.h"
#include "sparse.h"
#include "varnexo.h"

using namespace varnexo;

namespace {

struct Input {
  std::string name;
  tools::Csr a;  // upper triangle, or full rows for unsymmetric patterns
  int32_t type;
};

bool load(const std::string& source, Input& in) {
  std::string error;
  tools::Coordinate coo;
  if (source.rfind("gen:", 0) == 0) {
    tools::Problem p;
    if (!tools::generate(source.substr(4), p, error)) return false;
    coo = p.matrix;
  } else if (!tools::read_coordinate(source, coo, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return false;
  }
  in.name = source.rfind("gen:", 0) == 0 ? source.substr(4) : source.substr(source.find_last_of('/') + 1);
  const bool sym = coo.symmetry != tools::Symmetry::general;
  in.type =
      sym ? (coo.field == tools::Field::complex ? 6 : -2) : (coo.field == tools::Field::complex ? 13 : 11);
  return tools::to_csr(coo, sym ? tools::Layout::upper_symmetric : tools::Layout::full,
                       coo.field == tools::Field::complex, in.a, error);
}

// nnz(L) of METIS_NodeND on the adjacency graph of the pattern (A + Aᵀ without the diagonal).
int64_t metis_nnz(const tools::Csr& a, bool one_triangle) {
  const int32_t n = a.n;
  std::vector<int32_t> xadj((size_t)n + 1), adj, work(2 * (size_t)n + 2), q((size_t)n);
  if (one_triangle) {
    adj.resize(2 * (size_t)(a.nnz() - n) + 1);
    ordering::ladj_mod(n, (int32_t)a.nnz(), 1, a.ia.data(), a.ja.data(), (int32_t)adj.size(), xadj.data(),
                       adj.data(), work.data(), 1);
  } else {
    for (int32_t i = 0; i < n; ++i) q[(size_t)i] = i + 1;
    adj.resize(3 * (size_t)a.nnz() + n);
    work.resize((size_t)n + 1 + (size_t)a.nnz());
    ordering::ladjun(n, (int32_t)a.nnz(), a.ia.data(), a.ja.data(), q.data(), xadj.data(), adj.data(),
                     work.data());
  }
  std::vector<idx_t> x0(xadj.begin(), xadj.end()), a0(adj.begin(), adj.begin() + (xadj[(size_t)n] - 1));
  for (auto& v : x0) v -= 1;
  for (auto& v : a0) v -= 1;
  idx_t nn = n, options[METIS_NOPTIONS];
  METIS_SetDefaultOptions(options);
  std::vector<idx_t> perm((size_t)n), iperm((size_t)n);
  if (METIS_NodeND(&nn, x0.data(), a0.data(), nullptr, options, perm.data(), iperm.data()) != METIS_OK)
    return -1;
  std::vector<int32_t> p1((size_t)n), i1((size_t)n), parent((size_t)n), anc((size_t)n), rc((size_t)n),
      cc((size_t)n), mk((size_t)n);
  for (int32_t k = 0; k < n; ++k)
    p1[(size_t)k] = (int32_t)perm[(size_t)k] + 1, i1[(size_t)k] = (int32_t)iperm[(size_t)k] + 1;
  ordering::etep(n, xadj.data(), adj.data(), p1.data(), i1.data(), parent.data(), anc.data());
  return ordering::lnnt(n, xadj.data(), adj.data(), p1.data(), i1.data(), parent.data(), rc.data(), cc.data(),
                        mk.data());
}

void run(Input& in) {
  for (int32_t ordering : {0, 1, 2}) {
    void* handle[64] = {};
    int32_t iparam[64];
    int32_t type = in.type, one = 1, phase = 11, msglvl = 0, error = 0;
    varnexoinit_(handle, &type, iparam);
    iparam[1] = ordering;
    iparam[12] = 0;  // pattern only: no matching
    std::vector<int32_t> perm((size_t)in.a.n);
    double dummy = 0;
    const auto t0 = std::chrono::steady_clock::now();
    varnexo_(handle, &one, &one, &type, &phase, &in.a.n, in.a.a.data(), in.a.ia.data(), in.a.ja.data(),
             perm.data(), &one, iparam, &msglvl, &dummy, &dummy, &error);
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    driver::Handle h(handle);
    const driver::Control ctl(*h.basic());
    const int32_t nsuper = error == 0 ? ctl.nsuper() : 0;
    // nnz(L) of the column counts, and the values the supernodal blocks store (full diagonal blocks).
    const int64_t nnz_l = error == 0 ? ctl.nnz_l() : 0, stored = error == 0 ? ctl.lnz_size() : 0;
    std::printf("| %-22s | %8d | %d | %8.3f | %12lld | %12lld | %8d | %8d | %8d | %8d |", in.name.c_str(),
                in.a.n, ordering, secs, (long long)nnz_l, (long long)stored, nsuper, iparam[14], iparam[15],
                iparam[16]);
    if (ordering == 2) {
      const int64_t ref = metis_nnz(in.a, std::abs(in.type) % 2 == 0);
      std::printf(" %12lld | %6.3f |", (long long)ref, ref > 0 ? (double)nnz_l / (double)ref : 0.0);
    } else {
      std::printf(" %12s | %6s |", "", "");
    }
    std::printf("%s\n", error ? (" error " + std::to_string(error)).c_str() : "");
    phase = -1;
    varnexo_(handle, &one, &one, &type, &phase, &in.a.n, in.a.a.data(), in.a.ia.data(), in.a.ja.data(),
             perm.data(), &one, iparam, &msglvl, &dummy, &dummy, &error);
  }
}

// The parallel schedule as the cost model sees it: for p threads, the analysis for p processors,
// then the flops of the supernodes (the tasks), the critical path of the tree, the speedup that
// the partition into subtrees plus the supernodes above them shared by p threads predicts, and the
// bound of any schedule that keeps each supernode on one thread.
void model(Input& in) {
  for (int32_t p : {4, 16, 64}) {
    void* handle[64] = {};
    int32_t iparam[64];
    int32_t type = in.type, one = 1, phase = 11, msglvl = 0, error = 0;
    varnexoinit_(handle, &type, iparam);
    iparam[2] = p;
    iparam[12] = 0;
    std::vector<int32_t> perm((size_t)in.a.n);
    double dummy = 0;
    varnexo_(handle, &one, &one, &type, &phase, &in.a.n, in.a.a.data(), in.a.ia.data(), in.a.ja.data(),
             perm.data(), &one, iparam, &msglvl, &dummy, &dummy, &error);
    if (error == 0) {
      driver::Handle h(handle);
      const driver::Control ctl(*h.basic());
      const factor::SymbolicFactor sf = driver::symbolic_view(h.block_as<int32_t>(driver::kSlotStrucFi), ctl);
      const factor::ParallelModel m = factor::parallel_model(
          factor::SupernodeTree{sf.nsuper, sf.xsuper, sf.snode, sf.xlindx, sf.lindx}, p);
      const TreePartition part = factor::partition_tree(
          factor::SupernodeTree{sf.nsuper, sf.xsuper, sf.snode, sf.xlindx, sf.lindx}, p);
      std::printf("| %-18s | %3d | %8d | %9.2f | %9.2f | %5.1f%% | %5d | %5.1f%% | %6.2f | %6.2f |\n",
                  in.name.c_str(), p, sf.nsuper, m.total / 1e9, m.critical_path / 1e9,
                  100 * m.critical_path / m.total, part.parts(), 100 * part.top_cost / m.total,
                  m.predicted_speedup, m.tree_bound);
    } else {
      std::printf("| %-18s | %3d | error %d |\n", in.name.c_str(), p, error);
    }
    phase = -1;
    varnexo_(handle, &one, &one, &type, &phase, &in.a.n, in.a.a.data(), in.a.ia.data(), in.a.ja.data(),
             perm.data(), &one, iparam, &msglvl, &dummy, &dummy, &error);
  }
}

void print_model(const std::vector<std::string>& sources) {
  std::printf(
      "\n| matrix | threads | supernodes | task Gflop | critical path Gflop | path share | subtrees | share "
      "above them | predicted speedup | bound, one thread per task |\n"
      "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
  for (const std::string& s : sources) {
    Input in;
    if (!load(s, in)) {
      std::fprintf(stderr, "cannot load %s\n", s.c_str());
      continue;
    }
    // The model counts the flops of the symmetric storage; the problems are real symmetric.
    model(in);
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> sources;
  if (argc > 1 && std::string(argv[1]) == "--model") {
    for (int k = 2; k < argc; ++k) sources.push_back(argv[k]);
    if (sources.empty()) sources = {"gen:laplace3d:70", "gen:elasticity3d:30"};
    print_model(sources);
    return 0;
  }
  for (int k = 1; k < argc; ++k) sources.push_back(argv[k]);
  if (sources.empty()) {
    for (const char* m : {"bcsstk16", "bcsstk13", "sherman5", "dw8192", "bcsstm12", "rdb2048l"})
      sources.push_back(std::string(VARNEXO_MATRICES_DIR) + "/" + m + ".mtx");
    for (const char* g : {"gen:laplace2d:300", "gen:laplace3d:30", "gen:laplace3d:50", "gen:laplace3d:70"})
      sources.push_back(g);
  }
  std::printf(
      "| matrix | n | ord | analysis s | nnz(L) | L block values | supernodes | peak KB | perm KB | factor "
      "KB "
      "| nnz(L) METIS_NodeND | ratio |\n|---|---|---|---|---|---|---|---|---|---|---|---|\n");
  for (const std::string& s : sources) {
    Input in;
    if (!load(s, in)) {
      std::fprintf(stderr, "cannot load %s\n", s.c_str());
      continue;
    }
    run(in);
  }
  if (argc == 1) print_model({"gen:laplace3d:70", "gen:elasticity3d:30"});
  return 0;
}
