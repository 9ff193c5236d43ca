// Analysis steps 1-3 against brute force: for random patterns of every storage kind, one and
// four processors, and every source of the ordering, the symbolic factor left in STRUC_FI equals
// the symbolic elimination of the permuted pattern, the supernodes are fundamental and respect
// the panel width, and every region carved from a block stays inside the block's size.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <numeric>
#include <set>
#include <tuple>

#include "driver/storage_layout.h"
#include "support.h"

using namespace symtest;
using varnexo::driver::FactorWorkspace;
using varnexo::factor::SymbolicFactor;

namespace {

// The control view over the words of a run (read only here).
varnexo::driver::Control ctl_of(const AnalysisRun& r) {
  return varnexo::driver::Control(const_cast<int32_t*>(r.ibasic.data()), nullptr,
                                  const_cast<int32_t*>(r.iadr.data()));
}

int32_t ib(const AnalysisRun& r, int k) { return r.ibasic[k - 1]; }
int32_t pos(const AnalysisRun& r, int slot) { return r.iadr[slot - 1]; }

// Regions of one block: (slot, words). Every region must lie inside the block and no two may
// overlap.
void expect_inside(const AnalysisRun& r, const char* block, int64_t words,
                   std::vector<std::pair<int, int64_t>> regions) {
  std::vector<std::pair<int64_t, int64_t>> spans;
  for (auto [slot, len] : regions) {
    if (len == 0) continue;
    const int64_t start = pos(r, slot);
    ASSERT_GE(start, 1) << block << " slot " << slot;
    EXPECT_LE(start + len - 1, words) << block << " slot " << slot;
    spans.emplace_back(start, start + len - 1);
  }
  std::sort(spans.begin(), spans.end());
  for (size_t k = 1; k < spans.size(); ++k) EXPECT_GT(spans[k].first, spans[k - 1].second) << block;
}

void check_carving(const AnalysisRun& r) {
  using namespace varnexo::driver;
  const int64_t n = r.n, ns = ib(r, 31), nnz = ib(r, 54), l = ib(r, 36), nproc = ib(r, 15);
  const bool lu = ib(r, 19) != 1, scaling = ib(r, 69) != 0;
  EXPECT_TRUE(r.guards_intact());
  expect_inside(r, "STRUC_S0", r.s0_words,
                {{kS0Perm, n},
                 {kS0Invp, n},
                 {kS0Colcnt, n},
                 {kS0Snode, n},
                 {kS0Xsuper, n + 1},
                 {kS0Table, 2 * int64_t{ib(r, 60)} + 2},
                 {kS0Xlnz, n + 1},
                 {kS0Xunz, n + 1}});
  EXPECT_EQ(pos(r, kS0Table), 5 * n + 8);
  expect_inside(r, "STRUC_S1", r.s1_words, {{kS1Xadj, n + 1}, {kS1Adjncy, ib(r, 4)}});
  expect_inside(r, "STRUC_S2", r.s2_words,
                {{kS2Xlindx, ns + 1},
                 {kS2Lindx, l},
                 {kS2Nmod, ns},
                 {kS2Sched, ns},
                 {kS2Mark1, ns},
                 {kS2Mark2, ns},
                 {kS2Seprows, ns},
                 {kS2Sparent, ns}});
  std::vector<std::pair<int, int64_t>> fi = {{kFiPerm, n},
                                             {kFiInvp, n},
                                             {kFiXsuper, ns + 1},
                                             {kFiSnode, n},
                                             {kFiColcnt, n},
                                             {kFiTable, 2 * int64_t{ib(r, 60)} + 2},
                                             {kFiXlindx, ns + 1},
                                             {kFiLindx, l},
                                             {kFiXlnz, n + 1},
                                             {kFiXunz, n + 1},
                                             {kFiNmod, ns},
                                             {kFiSched, ns},
                                             {kFiMark1, ns},
                                             {kFiMark2, ns},
                                             {kFiSeprows, ns},
                                             {kFiXlmap, n + 1},
                                             {kFiLmap, nnz},
                                             {kFiAsrc, nnz},
                                             {kFiIwork, 2 * nproc * n + n + ns},
                                             {kFiPivot, n},
                                             {kFiColpivot, n}};
  if (lu) fi.push_back({kFiXumap, n + 1});
  if (scaling) fi.insert(fi.end(), {{kFiAorig, nnz}, {kFiColorig, n}});
  if (nproc > 1) fi.push_back({kFiUpdQ, ns + 1});
  // Every region lies inside the shrunk block, which is no larger than the first one.
  EXPECT_LE(r.fi_shrunk_words, r.fi_words);
  expect_inside(r, "STRUC_FI (shrunk)", r.fi_shrunk_words, fi);
  for (auto [slot, len] : fi) EXPECT_LE(pos(r, slot) + len - 1, pos(r, kFiEnd)) << "slot " << slot;
  if (nproc > 1) {
    expect_inside(r, "LOC_INT2", r.loc2_words, {{kLocTarget, l}, {kLocRemaining, l}});
    expect_inside(r, "UP_UPLEN", r.up_words, {{kUpTarget, ib(r, 6)}, {kUpRemaining, ib(r, 6)}});
  }
}

struct Tree {
  std::vector<int32_t> parent;  // 1-based, 0 for a root
};

Tree tree_of(const std::vector<std::vector<int32_t>>& cols, int32_t n) {
  Tree t{std::vector<int32_t>(n + 1, 0)};
  for (int32_t j = 1; j <= n; ++j) t.parent[j] = cols[j].size() > 1 ? cols[j][1] : 0;
  return t;
}

void check_permutation(const AnalysisRun& r, const SymbolicFactor& sf, const Options& o) {
  std::vector<int32_t> seen(r.n + 1, 0);
  for (int32_t k = 1; k <= r.n; ++k) {
    const int32_t v = sf.perm[k - 1];
    ASSERT_TRUE(v >= 1 && v <= r.n && !seen[v]);
    seen[v] = 1;
    EXPECT_EQ(sf.invp[v - 1], k);
  }
  if (o.user_perm > 0) {
    EXPECT_TRUE(std::equal(o.perm.begin(), o.perm.end(), sf.perm));
  }
  if (o.user_perm < 0) {
    EXPECT_TRUE(std::equal(r.caller_perm.begin(), r.caller_perm.end(), sf.perm));
  }
}

// Row structure, pointers and sizes of every supernode against the brute-force columns.
void check_structure(const AnalysisRun& r, const SymbolicFactor& sf,
                     const std::vector<std::vector<int32_t>>& cols, const FactorWorkspace& w) {
  const int32_t n = r.n, ns = sf.nsuper;
  ASSERT_EQ(sf.xsuper[0], 1);
  ASSERT_EQ(sf.xsuper[ns], n + 1);
  int64_t nnzl = 0, lsum = 0, usum = 0;
  int32_t longest = 0;
  for (int32_t s = 1; s <= ns; ++s) {
    const int32_t f = sf.xsuper[s - 1], l = sf.xsuper[s] - 1, ncol = l - f + 1;
    ASSERT_GE(ncol, 1);
    EXPECT_LE(ncol, ib(r, 16)) << "panel width";
    const std::vector<int32_t> rows(sf.lindx + sf.xlindx[s - 1] - 1, sf.lindx + sf.xlindx[s] - 1);
    const int32_t jlen = static_cast<int32_t>(rows.size());
    ASSERT_GE(jlen, ncol);
    for (int32_t j = f; j <= l; ++j) {
      EXPECT_EQ(sf.snode[j - 1], s);
      std::vector<int32_t> from_j;
      for (int32_t row : rows)
        if (row >= j) from_j.push_back(row);
      EXPECT_EQ(from_j, cols[j]) << "column " << j;
      EXPECT_EQ(w.colcnt[j - 1], static_cast<int32_t>(cols[j].size()));
      EXPECT_EQ(sf.xlnz[j] - sf.xlnz[j - 1], jlen);
      EXPECT_EQ(sf.xunz ? sf.xunz[j] - sf.xunz[j - 1] : jlen - ncol, jlen - ncol);
      nnzl += static_cast<int64_t>(cols[j].size());
      longest = std::max(longest, jlen);
    }
    lsum += int64_t{jlen} * ncol;
    usum += int64_t{jlen - ncol} * ncol;
  }
  EXPECT_EQ(ib(r, 30), nnzl);
  EXPECT_EQ(ib(r, 36), sf.xlindx[ns] - 1);
  EXPECT_EQ(ib(r, 34), sf.xlnz[n] - 1);
  EXPECT_EQ(ib(r, 34), lsum);
  EXPECT_EQ(ib(r, 23), longest);
  if (sf.xunz != nullptr) {
    EXPECT_EQ(sf.xunz[n] - 1, usum);
    EXPECT_EQ(ib(r, 35), usum > 0 ? usum : 1);
    if (usum > 0) {
      EXPECT_EQ(int64_t{ib(r, 34)} + ib(r, 35), (sf.xlnz[n] - 1) + (sf.xunz[n] - 1));
    }
  } else {
    EXPECT_EQ(ib(r, 35), 1);
  }
}

// Fundamental supernodes: columns share a supernode exactly when they chain in the tree with
// nested structures, unless the panel width cut the chain.
// opens_block[j] (1-based, size n+2): columns j and j+1 hold a 2×2 block of the symmetric
// matching. A joinable block never stands in two supernodes: when it does not fit, it opens the
// next one, whose predecessor then has one column fewer than the width.
void check_partition(const AnalysisRun& r, const SymbolicFactor& sf,
                     const std::vector<std::vector<int32_t>>& cols, const std::vector<char>& opens_block) {
  const Tree t = tree_of(cols, r.n);
  int32_t chain = 1, longest = r.n > 0 ? 1 : 0;
  for (int32_t j = 2; j <= r.n; ++j) {
    const bool joinable = t.parent[j - 1] == j && cols[j - 1].size() == cols[j].size() + 1;
    chain = joinable ? chain + 1 : 1;
    longest = std::max(longest, chain);
    const int32_t s = sf.snode[j - 2];
    if (sf.snode[j - 1] == s) {
      EXPECT_TRUE(joinable) << "column " << j;
    } else {
      const int32_t width = sf.xsuper[s] - sf.xsuper[s - 1];
      const bool block_moved_on = opens_block[j] && width == ib(r, 16) - 1;
      EXPECT_TRUE(!joinable || width == ib(r, 16) || block_moved_on) << "column " << j;
      EXPECT_FALSE(joinable && opens_block[j - 1]) << "a block split at column " << j;
    }
  }
  EXPECT_EQ(ib(r, 32), longest);
}

// The blocks of the symmetric matching in the final order (see check_partition).
std::vector<char> blocks_in_order(const AnalysisRun& r, const SymbolicFactor& sf, const Options& o) {
  std::vector<char> opens(static_cast<size_t>(r.n) + 2, 0);
  if (o.mates.empty()) return opens;
  for (int32_t k = 1; k < r.n; ++k) opens[k] = o.mates[sf.perm[k - 1] - 1] == sf.perm[k];
  return opens;
}

// Schedule children before parents; update counts; the domain table in supernodes.
void check_supernode_vectors(const AnalysisRun& r, const SymbolicFactor& sf,
                             const std::vector<std::vector<int32_t>>& cols, const FactorWorkspace& w) {
  const int32_t ns = sf.nsuper;
  const Tree t = tree_of(cols, r.n);
  std::vector<int32_t> sparent(ns + 1, 0), children(ns + 1, 0), place(ns + 1, 0), nmod(ns + 1, 0);
  for (int32_t s = 1; s <= ns; ++s) {
    const int32_t p = t.parent[sf.xsuper[s] - 1];
    sparent[s] = p == 0 ? 0 : sf.snode[p - 1];
    if (p != 0) children[sparent[s]] += 1;
    std::set<int32_t> targets;
    for (int32_t k = sf.xlindx[s - 1] + (sf.xsuper[s] - sf.xsuper[s - 1]); k < sf.xlindx[s]; ++k)
      targets.insert(sf.snode[sf.lindx[k - 1] - 1]);
    for (int32_t tg : targets) nmod[tg] += 1;
  }
  for (int32_t k = 1; k <= ns; ++k) {
    const int32_t e = sf.pnlsch[k - 1], s = std::abs(e);
    ASSERT_TRUE(s >= 1 && s <= ns && place[s] == 0);
    place[s] = k;
    EXPECT_EQ(e < 0, children[s] == 0) << "supernode " << s;
  }
  for (int32_t s = 1; s <= ns; ++s) {
    if (sparent[s] != 0) {
      EXPECT_LT(place[s], place[sparent[s]]);
    }
    EXPECT_EQ(sf.nmod[s - 1], nmod[s]) << "supernode " << s;
    EXPECT_EQ(w.mark1[s - 1], -1111111);
  }
  EXPECT_GE(ib(r, 37), 4);
  EXPECT_EQ(ib(r, 37) % 4, 0);
  EXPECT_EQ(ib(r, 38), 4);
  const int32_t nd = w.nd;
  ASSERT_GE(nd, 1);
  int32_t prev = 0;
  for (int32_t d = 1; d <= nd; ++d) {
    EXPECT_EQ(w.domain_table[2 * d - 2], prev + 1);
    EXPECT_GE(w.domain_table[2 * d - 1], prev);
    prev = w.domain_table[2 * d - 1];
  }
  EXPECT_EQ(w.domain_table[2 * nd], prev + 1);
  EXPECT_EQ(w.domain_table[2 * nd + 1], ns);
}

// The update lists against their definition.
void check_update_lists(const AnalysisRun& r, std::vector<int32_t>& fi, std::vector<int32_t>& up,
                        const SymbolicFactor& sf, const FactorWorkspace& w) {
  const auto u = varnexo::driver::update_lists_view(fi.data(), up.data(), ctl_of(r));
  ASSERT_NE(u.ptr, nullptr);
  const int32_t ns = sf.nsuper;
  auto rows_of = [&](int32_t s) {
    return std::vector<int32_t>(sf.lindx + sf.xlindx[s - 1] - 1, sf.lindx + sf.xlindx[s] - 1);
  };
  if (u.separators == 0) {
    ASSERT_EQ(u.ptr[0], 1);
    for (int32_t s = 1; s <= ns; ++s) {
      const auto rows = rows_of(s);
      std::vector<std::pair<int32_t, int32_t>> expect;
      int32_t current = sf.xsuper[s - 1];
      for (size_t k = 1; k < rows.size(); ++k) {
        const int32_t c = sf.xsuper[sf.snode[rows[k] - 1] - 1];
        if (c != current) expect.emplace_back(c, static_cast<int32_t>(rows.size() - k));
        current = c;
      }
      std::vector<std::pair<int32_t, int32_t>> got;
      for (int32_t e = u.ptr[s - 1]; e < u.ptr[s]; ++e) got.emplace_back(u.target[e - 1], u.remaining[e - 1]);
      EXPECT_EQ(got, expect) << "supernode " << s;
    }
    EXPECT_EQ(u.entries, u.ptr[ns] - 1);
    return;
  }
  const int32_t nd = w.nd, f = ns - u.separators + 1, sepcol = sf.xsuper[f - 1];
  std::map<std::pair<int32_t, int32_t>, std::vector<std::pair<int32_t, int32_t>>> expect;
  for (int32_t d = 1; d <= nd + 1; ++d)
    for (int32_t s = w.domain_table[2 * d - 2]; s <= w.domain_table[2 * d - 1]; ++s) {
      const auto rows = rows_of(s);
      int32_t prev = 0;
      for (size_t k = 1; k < rows.size(); ++k) {
        if (rows[k] < sepcol) continue;
        const int32_t t = sf.snode[rows[k] - 1];
        if (t != prev && t != s) expect[{t, d}].emplace_back(s, static_cast<int32_t>(rows.size() - k));
        prev = t;
      }
    }
  int32_t total = 0;
  for (int32_t t = f; t <= ns; ++t)
    for (int32_t d = 1; d <= nd + 1; ++d) {
      const int32_t b = (t - f) * (nd + 1) + d;
      std::vector<std::pair<int32_t, int32_t>> got;
      for (int32_t e = u.ptr[b - 1]; e < u.ptr[b]; ++e) got.emplace_back(u.target[e - 1], u.remaining[e - 1]);
      const auto& want = expect[std::make_pair(t, d)];
      EXPECT_EQ(got, want) << "bucket " << t << "," << d;
      total += static_cast<int32_t>(got.size());
    }
  EXPECT_EQ(u.entries, total);
}

void check_run(AnalysisRun& r, const Pattern& p, const Options& o) {
  ASSERT_EQ(r.status, 0) << "step " << r.last_step;
  check_carving(r);
  // Everything is read from the shrunk copy of STRUC_FI, as the later phases see it.
  std::vector<int32_t> fi(r.fi.begin(), r.fi.begin() + r.fi_shrunk_words);
  const SymbolicFactor sf = varnexo::driver::symbolic_view(fi.data(), ctl_of(r));
  const FactorWorkspace w = varnexo::driver::factor_workspace_view(fi.data(), ctl_of(r));
  EXPECT_EQ(sf.xunz == nullptr, o.kind == Storage::one_triangle);
  check_permutation(r, sf, o);
  const auto cols =
      brute_force_columns(graph_of(p, o.kind, o.matching), std::vector<int32_t>(sf.perm, sf.perm + r.n));
  check_structure(r, sf, cols, w);
  check_partition(r, sf, cols, blocks_in_order(r, sf, o));
  check_supernode_vectors(r, sf, cols, w);
  if (o.nproc > 1) check_update_lists(r, fi, r.up, sf, w);
}

// The options of one random trial: the domain mode, the scaling and the panel width vary with
// the trial; the ordering comes from `source` (see RandomPatterns), with the caller's permutation
// or the symmetric matching's order, its 2×2 blocks and its pairs as domains.
Options random_options(Storage kind, int32_t nproc, int32_t source, int trial, int32_t n, std::mt19937& rng) {
  Options o;
  o.kind = kind;
  o.nproc = nproc;
  o.domain_mode = trial % 2;
  o.scaling = trial % 3 == 0;
  o.panel = trial % 4 == 1 ? 3 : 0;
  o.ordering = source <= 2 ? source : 2;
  if (kind == Storage::unsymmetric) o.matching = random_permutation(n, rng);
  if (source == 3) {
    o.user_perm = 1;
    o.perm = random_permutation(n, rng);
  } else {
    o.user_perm = trial % 2 == 0 ? -1 : 0;
  }
  if (source == 4) {
    o.matching = random_permutation(n, rng);
    // Every third pair of consecutive positions of the matching's order is a 2×2 block.
    o.mates.assign(n, 0);
    for (int32_t k = 0; k + 1 < n; k += 3)
      o.mates[o.matching[k] - 1] = o.matching[k + 1], o.mates[o.matching[k + 1] - 1] = o.matching[k];
    // Pairs (k, k+1) of the matching's order as domains, closed by the separator pair.
    for (int32_t k = 1; k + 1 <= n - 1 && o.pairs.size() < 12; k += 3)
      o.pairs.insert(o.pairs.end(), {k, k + 1});
    if (o.pairs.size() < 4)
      o.pairs.clear();
    else
      o.pairs.insert(o.pairs.end(), {o.pairs.back() + 1, n});
  }
  return o;
}

// Storage kind, processors, ordering source (0..2: the ordering choice; 3: the caller's
// permutation; 4: the symmetric matching's order with its pairs as domains).
class RandomPatterns : public ::testing::TestWithParam<std::tuple<Storage, int32_t, int32_t>> {};

TEST_P(RandomPatterns, SymbolicFactorEqualsBruteForce) {
  const auto [kind, nproc, source] = GetParam();
  std::mt19937 rng(1234 + 17 * nproc + 5 * source + static_cast<int>(kind));
  if (source == 4 && kind != Storage::one_triangle) GTEST_SKIP() << "pairs come from the symmetric matching";
  for (int trial = 0; trial < 24; ++trial) {
    const int32_t n = 1 + static_cast<int32_t>(rng() % 36);
    const double density = std::uniform_real_distribution<double>(0.02, 0.4)(rng);
    const Pattern p = random_pattern(kind, n, density, rng);
    const Options o = random_options(kind, nproc, source, trial, n, rng);
    AnalysisRun r = run_analysis(p, o);
    SCOPED_TRACE("trial " + std::to_string(trial) + " n " + std::to_string(n));
    check_run(r, p, o);
    if (HasFatalFailure() || HasFailure()) return;
  }
}

INSTANTIATE_TEST_SUITE_P(KindsProcessorsSources, RandomPatterns,
                         ::testing::Combine(::testing::Values(Storage::one_triangle, Storage::full_symmetric,
                                                              Storage::unsymmetric),
                                            ::testing::Values(1, 4), ::testing::Values(0, 1, 2, 3, 4)));

// Relaxed supernodes against the fundamental ones of the same analysis: the permutation is the
// same; every fundamental supernode lies in one relaxed supernode, which is a dense block (its
// columns, then the rows below its last one) holding the structure of each of its columns; the
// counts, sizes and update lists follow the stored structure.
void check_relaxed(AnalysisRun& relaxed, AnalysisRun& fundamental, const Pattern& p, const Options& o) {
  ASSERT_EQ(relaxed.status, 0) << "step " << relaxed.last_step;
  ASSERT_EQ(fundamental.status, 0);
  check_carving(relaxed);
  std::vector<int32_t> fi(relaxed.fi.begin(), relaxed.fi.begin() + relaxed.fi_shrunk_words);
  std::vector<int32_t> ff(fundamental.fi.begin(), fundamental.fi.begin() + fundamental.fi_shrunk_words);
  const SymbolicFactor sf = varnexo::driver::symbolic_view(fi.data(), ctl_of(relaxed));
  const SymbolicFactor fund = varnexo::driver::symbolic_view(ff.data(), ctl_of(fundamental));
  const FactorWorkspace w = varnexo::driver::factor_workspace_view(fi.data(), ctl_of(relaxed));
  const int32_t n = relaxed.n, ns = sf.nsuper;
  ASSERT_TRUE(std::equal(sf.perm, sf.perm + n, fund.perm)) << "relaxing renumbered the columns";
  ASSERT_LE(ns, fund.nsuper);
  for (int32_t s = 1; s <= fund.nsuper; ++s)
    EXPECT_EQ(sf.snode[fund.xsuper[s - 1] - 1], sf.snode[fund.xsuper[s] - 2]) << "fundamental " << s;
  const auto cols =
      brute_force_columns(graph_of(p, o.kind, o.matching), std::vector<int32_t>(sf.perm, sf.perm + n));
  int64_t stored = 0;
  for (int32_t s = 1; s <= ns; ++s) {
    const int32_t f = sf.xsuper[s - 1], l = sf.xsuper[s] - 1;
    EXPECT_LE(l - f + 1, ib(relaxed, 16)) << "panel width";
    const std::vector<int32_t> rows(sf.lindx + sf.xlindx[s - 1] - 1, sf.lindx + sf.xlindx[s] - 1);
    ASSERT_GE(rows.size(), static_cast<size_t>(l - f + 1));
    for (int32_t j = f; j <= l; ++j) {
      EXPECT_EQ(rows[j - f], j) << "supernode " << s << " does not start with its columns";
      EXPECT_TRUE(std::includes(rows.begin(), rows.end(), cols[j].begin(), cols[j].end())) << "column " << j;
      EXPECT_EQ(w.colcnt[j - 1], static_cast<int32_t>(rows.size()) - (j - f));
      EXPECT_EQ(sf.xlnz[j] - sf.xlnz[j - 1], static_cast<int32_t>(rows.size()));
      stored += static_cast<int64_t>(rows.size()) - (j - f);
    }
    EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end()));
    // Below its columns, a relaxed supernode holds the rows of its last column.
    EXPECT_TRUE(std::equal(rows.begin() + (l - f), rows.end(), cols[l].begin(), cols[l].end()))
        << "supernode " << s;
  }
  EXPECT_EQ(ib(relaxed, 30), stored);
  check_supernode_vectors(relaxed, sf, cols, w);
  if (o.nproc > 1) check_update_lists(relaxed, fi, relaxed.up, sf, w);
}

TEST_P(RandomPatterns, RelaxedSupernodesAreDenseBlocksOverTheFundamentalOnes) {
  const auto [kind, nproc, source] = GetParam();
  if (source == 4 && kind != Storage::one_triangle) GTEST_SKIP() << "pairs come from the symmetric matching";
  std::mt19937 rng(4321 + 13 * nproc + 7 * source + static_cast<int>(kind));
  int32_t joined = 0;
  for (int trial = 0; trial < 16; ++trial) {
    const int32_t n = 1 + static_cast<int32_t>(rng() % 60);
    const Pattern p = random_pattern(kind, n, std::uniform_real_distribution<double>(0.01, 0.2)(rng), rng);
    Options o = random_options(kind, nproc, source, trial, n, rng);
    AnalysisRun fundamental = run_analysis(p, o);
    o.relaxed = true;
    AnalysisRun relaxed = run_analysis(p, o);
    SCOPED_TRACE("trial " + std::to_string(trial) + " n " + std::to_string(n));
    check_relaxed(relaxed, fundamental, p, o);
    if (HasFatalFailure() || HasFailure()) return;
    joined += ib(fundamental, 31) - ib(relaxed, 31);
  }
  EXPECT_GT(joined, 0) << "no supernode was ever joined";
}

TEST(AnalysisSteps, DensePatternIsCutByThePanelWidth) {
  std::mt19937 rng(7);
  const Pattern p = random_pattern(Storage::unsymmetric, 200, 1.0, rng);
  Options o;
  o.kind = Storage::unsymmetric;
  AnalysisRun r = run_analysis(p, o);
  check_run(r, p, o);
  std::vector<int32_t> fi(r.fi.begin(), r.fi.begin() + r.fi_shrunk_words);
  const SymbolicFactor sf = varnexo::driver::symbolic_view(fi.data(), ctl_of(r));
  ASSERT_EQ(sf.nsuper, 2);
  EXPECT_EQ(sf.xsuper[1] - sf.xsuper[0], 128);
  EXPECT_EQ(sf.xsuper[2] - sf.xsuper[1], 72);
  EXPECT_EQ(ib(r, 32), 200);
}

TEST(AnalysisSteps, TridiagonalInNaturalOrderJoinsOnlyTheLastTwoColumns) {
  Pattern p;
  p.n = 9;
  p.ia = {1};
  for (int32_t i = 1; i <= p.n; ++i) {
    p.ja.push_back(i);
    if (i < p.n) p.ja.push_back(i + 1);
    p.ia.push_back(static_cast<int32_t>(p.ja.size()) + 1);
  }
  Options o;
  o.user_perm = 1;
  o.perm.resize(p.n);
  std::iota(o.perm.begin(), o.perm.end(), 1);
  AnalysisRun r = run_analysis(p, o);
  check_run(r, p, o);
  EXPECT_EQ(ib(r, 31), p.n - 1);
  // One domain: (1, s), (s+1, nsuper) with s = snode(n-1) - 1, since n-1 and n share one.
  std::vector<int32_t> fi(r.fi.begin(), r.fi.begin() + r.fi_shrunk_words);
  const auto w = varnexo::driver::factor_workspace_view(fi.data(), ctl_of(r));
  const std::vector<int32_t> table(w.domain_table, w.domain_table + 4);
  EXPECT_EQ(table, (std::vector<int32_t>{1, 7, 8, 8}));
}

TEST(AnalysisSteps, InvalidGivenPermutationIsAnAnalysisError) {
  std::mt19937 rng(3);
  const Pattern p = random_pattern(Storage::one_triangle, 6, 0.5, rng);
  Options o;
  o.user_perm = 1;
  o.perm = {1, 2, 3, 3, 5, 6};
  const AnalysisRun r = run_analysis(p, o);
  EXPECT_EQ(r.last_step, 1);
  EXPECT_EQ(r.status, -180);
  EXPECT_TRUE(r.guards_intact());
}

TEST(AnalysisSteps, SizeOfStructFiNeverBelowTheFormula) {
  std::mt19937 rng(11);
  for (Storage kind : {Storage::one_triangle, Storage::full_symmetric, Storage::unsymmetric})
    for (int32_t nproc : {1, 4}) {
      const Pattern p = random_pattern(kind, 30, 0.2, rng);
      Options o;
      o.kind = kind;
      o.nproc = nproc;
      o.scaling = true;
      AnalysisRun r = run_analysis(p, o);
      ASSERT_EQ(r.status, 0);
      const int64_t n = r.n, ns = ib(r, 31), nnz = ib(r, 54);
      const int64_t formula =
          4 * (8 * ns + 11 * n + 2 * nnz + ib(r, 36) + ib(r, 61) + ib(r, 4) + 2 * n * nproc + 46) +
          (nproc > 1 ? 8 * ns : 0) + 4 * nnz;
      EXPECT_GE(r.fi_words * 4, formula);
      EXPECT_EQ(r.fi_shrunk_words * 4, 4 * int64_t{pos(r, varnexo::driver::kFiEnd)} + 12);
      EXPECT_EQ(r.s0_words * 4, 4 * (10 * n + ib(r, 61) + 22 + 2 * n * nproc));
    }
}

}  // namespace
