// Test support for the ordering and symbolic stage: generators, a pattern reader, the
// brute-force symbolic elimination and a driver-like runner of analysis steps 1-3.
#include "support.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include "driver/analysis_steps.h"
#include "varnexo.h"

namespace symtest {

int32_t mtype_of(Storage kind) {
  switch (kind) {
    case Storage::one_triangle:
      return 2;
    case Storage::full_symmetric:
      return 1;
    default:
      return 11;
  }
}

namespace {

Pattern from_sets(const std::vector<std::set<int32_t>>& rows, Storage kind) {
  Pattern p;
  p.n = static_cast<int32_t>(rows.size());
  p.ia.push_back(1);
  for (int32_t i = 1; i <= p.n; ++i) {
    const auto& r = rows[i - 1];
    if (kind == Storage::one_triangle) p.ja.push_back(i);  // the diagonal comes first
    for (int32_t j : r)
      if (kind != Storage::one_triangle || j > i) p.ja.push_back(j);
    p.ia.push_back(static_cast<int32_t>(p.ja.size()) + 1);
  }
  return p;
}

std::vector<std::set<int32_t>> symmetric_rows(const std::vector<std::pair<int32_t, int32_t>>& entries,
                                              int32_t n, Storage kind) {
  std::vector<std::set<int32_t>> rows(n);
  for (auto [i, j] : entries) {
    rows[i - 1].insert(j);
    if (kind != Storage::unsymmetric) rows[j - 1].insert(i);
  }
  if (kind != Storage::unsymmetric)
    for (int32_t i = 1; i <= n; ++i) rows[i - 1].insert(i);
  return rows;
}

}  // namespace

Pattern random_pattern(Storage kind, int32_t n, double density, std::mt19937& rng) {
  std::uniform_real_distribution<double> u(0.0, 1.0);
  std::vector<std::pair<int32_t, int32_t>> entries;
  for (int32_t i = 1; i <= n; ++i)
    for (int32_t j = 1; j <= n; ++j) {
      if (kind != Storage::unsymmetric && j < i) continue;
      const bool diag = i == j;
      if ((diag && kind == Storage::unsymmetric && u(rng) < 0.8) || (!diag && u(rng) < density))
        entries.emplace_back(i, j);
    }
  return from_sets(symmetric_rows(entries, n, kind), kind);
}

std::vector<int32_t> random_permutation(int32_t n, std::mt19937& rng) {
  std::vector<int32_t> p(n);
  for (int32_t k = 0; k < n; ++k) p[k] = k + 1;
  std::shuffle(p.begin(), p.end(), rng);
  return p;
}

std::vector<std::vector<int32_t>> graph_of(const Pattern& p, Storage kind, const std::vector<int32_t>& q) {
  std::vector<std::set<int32_t>> adj(p.n);
  for (int32_t k = 1; k <= p.n; ++k) {
    const int32_t row = kind == Storage::unsymmetric && !q.empty() ? q[k - 1] : k;
    for (int32_t t = p.ia[row - 1]; t < p.ia[row]; ++t) {
      const int32_t j = p.ja[t - 1];
      if (j == k) continue;
      adj[k - 1].insert(j);
      adj[j - 1].insert(k);
    }
  }
  std::vector<std::vector<int32_t>> g(p.n);
  for (int32_t v = 0; v < p.n; ++v) g[v].assign(adj[v].begin(), adj[v].end());
  return g;
}

std::vector<std::vector<int32_t>> brute_force_columns(const std::vector<std::vector<int32_t>>& graph,
                                                      const std::vector<int32_t>& perm) {
  const int32_t n = static_cast<int32_t>(graph.size());
  std::vector<int32_t> invp(n);
  for (int32_t k = 0; k < n; ++k) invp[perm[k] - 1] = k + 1;
  // Dense elimination graph in the new numbering: eliminating k joins its higher neighbours.
  std::vector<std::vector<char>> filled(n + 1, std::vector<char>(n + 1, 0));
  for (int32_t v = 1; v <= n; ++v)
    for (int32_t w : graph[v - 1]) filled[invp[v - 1]][invp[w - 1]] = 1;
  std::vector<std::vector<int32_t>> cols(n + 1);
  for (int32_t k = 1; k <= n; ++k) {
    cols[k].push_back(k);
    for (int32_t i = k + 1; i <= n; ++i)
      if (filled[k][i]) cols[k].push_back(i);
    for (size_t a = 1; a < cols[k].size(); ++a)
      for (size_t b = a + 1; b < cols[k].size(); ++b) {
        filled[cols[k][a]][cols[k][b]] = 1;
        filled[cols[k][b]][cols[k][a]] = 1;
      }
  }
  return cols;
}

namespace {

void obtain(std::vector<int32_t>& block, int64_t bytes, int64_t& words) {
  words = bytes / 4;
  block.assign(static_cast<size_t>(words + kGuardWords), 0x7a7a7a7a);
  std::fill(block.end() - kGuardWords, block.end(), kGuard);
}

bool intact(const std::vector<int32_t>& block) {
  if (block.empty()) return true;
  return std::all_of(block.end() - kGuardWords, block.end(), [](int32_t v) { return v == kGuard; });
}

int32_t panel_width(int32_t mtype, int32_t nproc, int32_t panel) {
  const int32_t a = std::abs(mtype);
  if (a == 1 || a == 3 || a == 11 || a == 13) return nproc < 2 ? 128 : nproc <= 4 ? 96 : 72;
  return panel > 1 ? panel : nproc < 5 ? 80 : 64;
}

// Control words of the input check and of the first analysis stage of the phase driver.
void control_words(AnalysisRun& r, const Pattern& p, const Options& o, int32_t mtype) {
  auto ib = [&](int k) -> int32_t& { return r.ibasic[k - 1]; };
  const int32_t n = p.n, nnz = p.nnz();
  const bool even = std::abs(mtype) % 2 == 0;
  const int32_t h = even ? nnz - n : (nnz - n) / 2;
  ib(1) = n, ib(2) = n + 1, ib(3) = h, ib(4) = mtype > 10 ? 3 * nnz + n : 2 * h;
  ib(9) = 2147483647, ib(10) = 6, ib(11) = 0, ib(12) = mtype, ib(13) = 0, ib(14) = o.ordering;
  ib(15) = o.nproc, ib(16) = panel_width(mtype, o.nproc, o.panel), ib(17) = 1, ib(19) = even ? 1 : 0;
  ib(20) = o.nproc == 1 ? 1 : 0, ib(21) = o.user_perm, ib(54) = nnz, ib(69) = o.scaling ? 1 : 0;
  ib(70) = o.domain_mode;
  ib(84) = o.relaxed ? 1 : 0;
  int32_t pw = 1;
  while (pw < o.nproc) pw *= 2;
  pw = std::min(pw, n);
  ib(60) = pw, ib(61) = std::max(4 * pw + 4, 16);
  if (!o.pairs.empty()) {
    ib(60) = static_cast<int32_t>(o.pairs.size() / 2) - 1;
    ib(67) = 1;
  } else if (!o.matching.empty() && mtype < 0) {
    ib(67) = 1;
  }
  r.iparam[VARNEXO_IPARAM_PERM_USE - 1] = o.user_perm;
}

}  // namespace

bool AnalysisRun::guards_intact() const {
  return intact(s0) && intact(w0) && intact(s1) && intact(s2) && intact(fi) && intact(loc2) && intact(up);
}

AnalysisRun run_analysis(const Pattern& p, const Options& o) {
  using namespace varnexo::driver;
  AnalysisRun r;
  r.n = p.n;
  const int32_t mtype =
      o.kind == Storage::one_triangle && (!o.pairs.empty() || !o.matching.empty()) ? -2 : mtype_of(o.kind);
  control_words(r, p, o, mtype);
  const varnexo::driver::Control ctl(r.ibasic.data(), r.rbasic.data(), r.iadr.data());
  r.caller_perm = o.perm.empty() ? std::vector<int32_t>(p.n, 0) : o.perm;
  // Slot 13 of the symmetric matching holds its order followed by the mates.
  std::vector<int32_t> slot13 = o.matching;
  if (mtype < 0 && !slot13.empty()) {
    slot13.resize(2 * static_cast<size_t>(p.n), 0);
    std::copy(o.mates.begin(), o.mates.end(), slot13.begin() + p.n);
  }
  const int32_t* matching = slot13.empty() ? nullptr : slot13.data();
  obtain(r.s0, struc_s0_bytes(ctl), r.s0_words);
  obtain(r.w0, work_i0_bytes(ctl), r.w0_words);
  obtain(r.s1, struc_s1_bytes(ctl), r.s1_words);
  // The pair list of the symmetric matching goes to position 5n+8 of STRUC_S0.
  std::copy(o.pairs.begin(), o.pairs.end(), r.s0.begin() + 5 * int64_t{p.n} + 7);
  AnalysisBlocks b{r.s0.data(), r.w0.data(), r.s1.data(), nullptr, nullptr, nullptr};
  auto ia = p.ia.data();
  auto ja = p.ja.data();
  r.last_step = 1;
  r.status = analysis_step1(b, ctl, ia, ja, r.caller_perm.data(), matching, nullptr);
  if (r.status != 0) return r;
  obtain(r.s2, struc_s2_bytes(ctl), r.s2_words);
  b.struc_s2 = r.s2.data();
  r.last_step = 2;
  r.status = analysis_step2(b, ctl);
  if (r.status != 0) return r;
  obtain(r.fi, struc_fi_bytes(ctl, r.s0.data()), r.fi_words);
  b.struc_fi = r.fi.data();
  if (o.nproc > 1) {
    obtain(r.loc2, loc_int2_bytes(ctl), r.loc2_words);
    b.loc_int2 = r.loc2.data();
  }
  r.last_step = 3;
  r.status = analysis_step3(b, ctl, ia, ja, r.caller_perm.data(), matching, r.iparam.data(), 1);
  if (r.status != 0) return r;
  r.fi_shrunk_words = struc_fi_shrunk_bytes(ctl) / 4;
  if (o.nproc > 1) {
    obtain(r.up, up_uplen_bytes(ctl), r.up_words);
    move_update_lists(ctl, r.loc2.data(), r.up.data());
  }
  return r;
}

}  // namespace symtest
