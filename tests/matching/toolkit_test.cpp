// The record toolkit against brute force on random matrices: transposes, full structures,
// symmetric permutations, graph builds, splits, column indices, the dump; permutations and
// cycles, bit vectors, index lists and the priority queue; the texts of the print routines.
#include "matching/toolkit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <numeric>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "common/memory.h"

namespace {
namespace vm = varnexo::matching;

// A dense picture of a sparse matrix: value per (row, column); absent entries are missing keys.
using Dense = std::map<std::pair<int32_t, int32_t>, double>;

struct SmatDeleter {
  void operator()(vm::Smat* A) const { vm::smat_free(A); }
};
using SmatPtr = std::unique_ptr<vm::Smat, SmatDeleter>;

SmatPtr from_dense(int32_t m, int32_t n, const Dense& d, int32_t sym = 0) {
  SmatPtr A(vm::smat_new_nnz(m, n, int32_t(d.size()), sym));
  int32_t t = 0;
  for (int32_t i = 0; i < m; ++i) {
    A->ia[i] = t;
    for (auto it = d.lower_bound({i, 0}); it != d.end() && it->first.first == i; ++it)
      A->ja[t] = it->first.second, A->a[t++] = it->second;
  }
  A->ia[m] = t;
  return A;
}

Dense to_dense(const vm::Smat* A) {
  Dense d;
  for (int32_t i = 0; i < A->m; ++i)
    for (int32_t k = A->ia[i]; k < A->ia[i + 1]; ++k) d[{i, A->ja[k]}] = A->a ? A->a[k] : 0.0;
  return d;
}

// Random m×n pattern with values in ±[0.5, 2); sym: only the upper triangle, every diagonal.
Dense random_dense(std::mt19937& rng, int32_t m, int32_t n, double density, bool sym) {
  std::uniform_real_distribution<double> u(0.0, 1.0);
  Dense d;
  for (int32_t i = 0; i < m; ++i)
    for (int32_t j = sym ? i : 0; j < n; ++j)
      if ((sym && i == j) || u(rng) < density) d[{i, j}] = (u(rng) < 0.5 ? -1 : 1) * (0.5 + 1.5 * u(rng));
  return d;
}

std::vector<int32_t> random_perm(std::mt19937& rng, int32_t n) {
  std::vector<int32_t> p(n);
  std::iota(p.begin(), p.end(), 0);
  std::shuffle(p.begin(), p.end(), rng);
  return p;
}

std::string captured(void (*print)(FILE*, const void*), const void* obj) {
  FILE* f = std::tmpfile();
  print(f, obj);
  std::rewind(f);
  std::string s;
  for (int c; (c = std::fgetc(f)) != EOF;) s += char(c);
  std::fclose(f);
  return s;
}

class ToolkitRandom : public ::testing::TestWithParam<int> {
 protected:
  std::mt19937 rng{uint32_t(GetParam())};
};

TEST_P(ToolkitRandom, TransposesMatchTheDenseTranspose) {
  const int32_t m = 1 + GetParam() % 9, n = 1 + (GetParam() * 7) % 11;
  const Dense d = random_dense(rng, m, n, 0.3, false);
  SmatPtr A = from_dense(m, n, d);
  SmatPtr T(vm::smat_copy_trans(A.get()));
  Dense want;
  for (auto& [ij, v] : d) want[{ij.second, ij.first}] = v;
  ASSERT_TRUE(vm::smat_check_ja(T.get()));
  EXPECT_EQ(T->m, n);
  EXPECT_EQ(to_dense(T.get()), want);
  ASSERT_TRUE(vm::smat_trans(A.get()));
  EXPECT_EQ(to_dense(A.get()), want);
}

TEST_P(ToolkitRandom, FullStructureAndLogCostsMirrorTheUpperTriangle) {
  const int32_t n = 2 + GetParam() % 12;
  const Dense d = random_dense(rng, n, n, 0.3, true);
  SmatPtr A = from_dense(n, n, d, 1);
  ASSERT_TRUE(vm::smat_is_consistent(A.get()));
  Dense full;
  for (auto& [ij, v] : d) full[ij] = v, full[{ij.second, ij.first}] = v;
  SmatPtr F(vm::smat_copy_full_structure(A.get()));
  EXPECT_EQ(to_dense(F.get()), full);
  EXPECT_EQ(F->sym, 0);
  SmatPtr L(vm::smat_copy_log_to_full(A.get()));
  Dense logs;
  for (auto& [ij, v] : full) logs[ij] = std::log(std::fabs(v));
  EXPECT_EQ(to_dense(L.get()), logs);
}

TEST_P(ToolkitRandom, SymmetricPermutationMatchesBruteForce) {
  const int32_t n = 2 + GetParam() % 15;
  const Dense d = random_dense(rng, n, n, 0.25, true);
  SmatPtr A = from_dense(n, n, d, 1);
  std::vector<int32_t> p = random_perm(rng, n), inv(n);
  for (int32_t k = 0; k < n; ++k) inv[p[k]] = k;
  vm::Perm* P = vm::perm_new_copy_from(n, p.data());
  std::vector<int32_t> map(A->nnz, -1);
  SmatPtr B(vm::smat_sym_trans_pta(A.get(), P, map.data()));
  vm::perm_free(P);
  Dense want;
  for (auto& [ij, v] : d)
    want[{std::min(inv[ij.first], inv[ij.second]), std::max(inv[ij.first], inv[ij.second])}] = v;
  ASSERT_TRUE(vm::smat_is_consistent(B.get()));
  EXPECT_EQ(to_dense(B.get()), want);
  for (int32_t k = 0; k < A->nnz; ++k) EXPECT_EQ(B->a[map[k]], A->a[k]);
}

TEST_P(ToolkitRandom, GraphBuildsAreTheStructureOfAPlusItsTranspose) {
  const int32_t n = 1 + GetParam() % 13;
  const Dense d = random_dense(rng, n, n, 0.2, false);
  SmatPtr A = from_dense(n, n, d);
  std::set<std::pair<int32_t, int32_t>> sym, adj;
  for (auto& [ij, v] : d) {
    sym.insert(ij), sym.insert({ij.second, ij.first});
    if (ij.first != ij.second) adj.insert(ij), adj.insert({ij.second, ij.first});
  }
  auto pattern = [](const vm::Smat* S) {
    std::set<std::pair<int32_t, int32_t>> s;
    for (auto& [ij, v] : to_dense(S)) s.insert(ij);
    return s;
  };
  SmatPtr S(vm::smat_symmetrize_structure(A.get())), G(vm::smat_build_adjacency(A.get()));
  EXPECT_TRUE(vm::smat_check_ja(S.get()) && vm::smat_check_ja(G.get()));
  EXPECT_EQ(pattern(S.get()), sym);
  EXPECT_EQ(pattern(G.get()), adj);
  EXPECT_EQ(S->a, nullptr);
}

TEST_P(ToolkitRandom, ZeroDiagonalsColumnIndexAndSplit) {
  const int32_t n = 2 + GetParam() % 10;
  const Dense d = random_dense(rng, n, n, 0.3, false);
  SmatPtr A = from_dense(n, n, d);
  ASSERT_TRUE(vm::smat_insert_zero_diags(A.get()));
  Dense want = d;
  for (int32_t i = 0; i < n; ++i) want.insert({{i, i}, 0.0});
  EXPECT_EQ(to_dense(A.get()), want);
  EXPECT_TRUE(vm::smat_check_diagonal(A.get()));

  vm::ColIndex* ci = vm::smat_col_index_new(A.get());
  ASSERT_NE(ci, nullptr);
  for (int32_t j = 0; j < n; ++j)
    for (int32_t k = ci->col_start[j]; k < ci->col_start[j + 1]; ++k) {
      EXPECT_EQ(A->ja[ci->pos[k]], j);
      EXPECT_TRUE(ci->pos[k] >= A->ia[ci->row[k]] && ci->pos[k] < A->ia[ci->row[k] + 1]);
      if (k > ci->col_start[j]) {
        EXPECT_LT(ci->row[k - 1], ci->row[k]);
      }
    }
  vm::smat_col_index_free(ci);

  const int32_t split = GetParam() % (n + 1);
  vm::Smat *F = nullptr, *C12 = nullptr, *C21 = nullptr, *C22 = nullptr;
  ASSERT_TRUE(vm::smat_fc_split(A.get(), split, &F, &C12, &C21, &C22));
  Dense parts[4];
  for (auto& [ij, v] : want) {
    const bool r = ij.first >= split, c = ij.second >= split;
    parts[2 * r + c][{ij.first - (r ? split : 0), ij.second - (c ? split : 0)}] = v;
  }
  vm::Smat* got[4] = {F, C12, C21, C22};
  for (int q = 0; q < 4; ++q) {
    EXPECT_EQ(to_dense(got[q]), parts[q]) << "part " << q;
    vm::smat_free(got[q]);
  }
}

TEST_P(ToolkitRandom, PermutationAlgebraAndCycles) {
  const int32_t n = 1 + GetParam() % 20;
  std::vector<int32_t> a = random_perm(rng, n), b = random_perm(rng, n);
  vm::Perm* P = vm::perm_new_copy_from(n, a.data());
  vm::Perm* Q = vm::perm_new_copy_from(n, b.data());
  vm::Perm* I = vm::perm_copy_invert(nullptr, P);
  for (int32_t i = 0; i < n; ++i) EXPECT_EQ(I->p[a[i]], i);
  ASSERT_TRUE(vm::perm_permute(P, Q));
  for (int32_t i = 0; i < n; ++i) EXPECT_EQ(P->p[i], b[a[i]]);
  ASSERT_TRUE(vm::perm_invert(P));
  ASSERT_TRUE(vm::perm_invert(P));
  for (int32_t i = 0; i < n; ++i) EXPECT_EQ(P->p[i], b[a[i]]);
  // Cycles: every cycle is closed and the round trip gives the permutation back.
  vm::PermCycle* C = vm::permcycle_new_from(Q);
  ASSERT_NE(C, nullptr);
  for (int32_t c = 0; c < C->ncycles; ++c) {
    const int32_t s = C->starts[c], e = C->starts[c + 1];
    for (int32_t t = s; t < e; ++t) EXPECT_EQ(b[C->elements[t]], C->elements[t + 1 < e ? t + 1 : s]);
  }
  vm::Perm* R = vm::permcycle_to_new_perm(C);
  EXPECT_TRUE(vm::perm_equal(R, Q));
  vm::PermCycle* S = vm::permcycle_split_2(C);
  for (int32_t c = 0; c < S->ncycles; ++c) EXPECT_LE(S->starts[c + 1] - S->starts[c], 2);
  std::vector<int32_t> members(S->elements, S->elements + n);
  std::sort(members.begin(), members.end());
  for (int32_t i = 0; i < n; ++i) EXPECT_EQ(members[i], i);
  for (auto* c : {C, S}) vm::permcycle_free(c);
  for (auto* p : {P, Q, I, R}) vm::perm_free(p);
}

TEST_P(ToolkitRandom, PriorityQueueAgreesWithAnOrderedSet) {
  const int32_t cap = 1 + GetParam() % 30;
  vm::PrioQ* pq = vm::prioq_new(cap);
  std::map<int32_t, double> in;
  std::uniform_int_distribution<int32_t> idx(0, cap - 1), op(0, 3);
  std::uniform_int_distribution<int32_t> pr(0, 8);  // repeated priorities exercise the tie rules
  for (int step = 0; step < 400; ++step) {
    const int32_t i = idx(rng);
    const double p = pr(rng);
    switch (op(rng)) {
      case 0:
        EXPECT_EQ(vm::prioq_insert(pq, i, p), !in.count(i));
        if (!in.count(i)) in[i] = p;
        break;
      case 1: {
        const int32_t want = !in.count(i) || p > in[i] ? 1 : 0;
        EXPECT_EQ(vm::prioq_insert_replace_larger(pq, i, p), want);
        if (want) in[i] = p;
        break;
      }
      default:
        if (in.empty()) {
          EXPECT_EQ(vm::pq_remove_max(pq), -1);
          break;
        }
        double best = -1;
        for (auto& [k, v] : in) best = std::max(best, v);
        EXPECT_EQ(vm::pq_get_max_priority(pq), best);
        const int32_t got = vm::pq_remove_max(pq);
        ASSERT_TRUE(in.count(got));
        EXPECT_EQ(in[got], best);
        in.erase(got);
    }
    ASSERT_EQ(pq->count, int32_t(in.size()));
    for (int32_t s = 0; s < pq->count; ++s) ASSERT_EQ(pq->position->p[pq->heap[s]], s);
  }
  vm::prioq_clear(pq);
  for (int32_t i = 0; i < cap; ++i) EXPECT_EQ(pq->position->p[i], -1);
  vm::pq_free(pq);
}

INSTANTIATE_TEST_SUITE_P(Seeds, ToolkitRandom, ::testing::Range(1, 25));

TEST(Toolkit, WrappingOneBasedArraysRestoresThemExactly) {
  std::vector<int32_t> ia{1, 3, 4, 6}, ja{1, 3, 2, 1, 3};
  std::vector<double> a{1, 2, 3, 4, 5};
  const auto ia0 = ia, ja0 = ja;
  vm::Smat* A = vm::smat_new_from(3, 3, ia.data(), ja.data(), a.data(), 0, 1);
  ASSERT_NE(A, nullptr);
  EXPECT_EQ(A->nnz, 5);
  EXPECT_EQ(ia[0], 0);
  EXPECT_EQ(ja[4], 2);
  ASSERT_TRUE(vm::smat_to_fortran_indexing(A));
  vm::smat_free(A);  // wraps: the caller's arrays stay
  EXPECT_EQ(ia, ia0);
  EXPECT_EQ(ja, ja0);
}

TEST(Toolkit, AWrongBaseIsRefusedWithTheAssertionText) {
  std::vector<int32_t> ia{0, 1}, ja{0};
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(vm::smat_new_from(1, 1, ia.data(), ja.data(), nullptr, 0, 1), nullptr);
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("src/smat: Assertion `mat->ia[0] == 1' failed"),
            std::string::npos);
  EXPECT_EQ(ia[0], 0);
}

TEST(Toolkit, ConstraintGuessFindsTheTrailingZeroDiagonalRows) {
  // 5×5 upper triangles: primal rows with a diagonal and a coupling entry, trailing rows holding
  // only a zero diagonal.
  auto saddle = [](int32_t zeros) {
    Dense d;
    for (int32_t i = 0; i < 5; ++i) d[{i, i}] = i >= 5 - zeros ? 0.0 : 2.0;
    for (int32_t i = 0; i + 1 < 5 - zeros; ++i) d[{i, i + 1}] = 1.0;
    for (int32_t i = 0; i < 5 - zeros; ++i)
      if (zeros > 0) d[{i, 5 - zeros + i % zeros}] = 1.0;
    return from_dense(5, 5, d, 1);
  };
  EXPECT_EQ(vm::smat_guess_constraint_size(saddle(0).get()), 0);
  EXPECT_EQ(vm::smat_guess_constraint_size(saddle(1).get()), 0);  // the scan ends at row m-2
  EXPECT_EQ(vm::smat_guess_constraint_size(saddle(3).get()), 3);
}

TEST(Toolkit, DumpWritesTheOneBasedMatrix) {
  const int32_t ia[] = {1, 3, 4}, ja[] = {1, 2, 2};
  const double a[] = {1.5, -2.0, 3.0};
  const std::string path = ::testing::TempDir() + "toolkit_dump.txt";
  vm::smat_save_iajaa(path.c_str(), 2, ia, ja, a);
  std::ifstream f(path);
  std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text,
            "2\n3\n1\n3\n4\n1\n2\n2\n  1.5000000000000000e+00\n -2.0000000000000000e+00\n"
            "  3.0000000000000000e+00\n");
  vm::smat_save_iajaa(path.c_str(), 2, ia, ja, nullptr);
  std::ifstream g(path);
  std::string ones((std::istreambuf_iterator<char>(g)), std::istreambuf_iterator<char>());
  EXPECT_NE(ones.find("  1.0000000000000000e+00\n  1.0000000000000000e+00\n"), std::string::npos);
  std::remove(path.c_str());
  vm::smat_save_iajaa("/nonexistent-dir/x", 2, ia, ja, a);  // returns quietly
}

TEST(Toolkit, ConsistencyReportNamesBothFaults) {
  int32_t p[] = {0, 5, 0, 2};
  vm::Perm* P = vm::perm_new_from(4, p);
  const std::string text =
      captured([](FILE* f, const void* o) { vm::perm_is_consistent(static_cast<const vm::Perm*>(o), f); }, P);
  EXPECT_EQ(text,
            "Permutation contains 1 out-of-range elements (first:  1 -> 5)\n"
            "Permutation contains 1 multiple element pairs (first: 0 -> 0)\n"
            "Permutation is inconsistent!\n");
  FILE* sink = std::tmpfile();
  EXPECT_FALSE(vm::perm_is_consistent(P, sink));
  std::fclose(sink);
  vm::perm_free(P);
}

TEST(Toolkit, SplittingAFiveCycleLeavesItsFirstMemberAlone) {
  int32_t p[] = {1, 2, 3, 4, 0};
  vm::Perm* P = vm::perm_new_from(5, p);
  vm::PermCycle* C = vm::permcycle_new_from(P);
  vm::PermCycle* S = vm::permcycle_split_2(C);
  EXPECT_EQ(
      captured([](FILE* f, const void* o) { vm::permcycle_print(static_cast<const vm::PermCycle*>(o), f); },
               S),
      "(0) (1 2) (3 4) \n");
  EXPECT_EQ(captured([](FILE* f,
                        const void* o) { vm::permcycle_print_hist(static_cast<const vm::PermCycle*>(o), f); },
                     S),
            "Cycle lengths:  (len 1: 1) (len 2: 2) \n");
  vm::permcycle_free(C);
  vm::permcycle_free(S);
  vm::perm_free(P);
}

TEST(Toolkit, PrintFormats) {
  std::vector<int32_t> big(45);
  std::iota(big.begin(), big.end(), 0);
  vm::Perm* P = vm::perm_new_from(45, big.data());
  const std::string text =
      captured([](FILE* f, const void* o) { vm::perm_print(static_cast<const vm::Perm*>(o), f); }, P);
  EXPECT_EQ(text.substr(0, 6), "[0 1 2");
  EXPECT_NE(text.find("19  ... 25 "), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 5), "44 ]\n");
  vm::perm_free(P);

  vm::BitVec* bv = vm::bitvec_new(5);
  vm::bitvec_set(bv, 1), vm::bitvec_set(bv, 4);
  EXPECT_EQ(
      captured([](FILE* f, const void* o) { vm::bitvec_print(static_cast<const vm::BitVec*>(o), f); }, bv),
      "[01001]");
  vm::bitvec_free(bv);

  vm::JdxList* l = vm::jdxlist_new(1);
  for (int32_t x : {7, 3, 9}) vm::jdxlist_append(l, x);
  EXPECT_TRUE(vm::jdxlist_contains_remove(l, 7));
  EXPECT_FALSE(vm::jdxlist_contains(l, 7));
  EXPECT_EQ(
      captured(
          [](FILE* f, const void* o) { vm::jdxlist_print_as_int(static_cast<const vm::JdxList*>(o), f); }, l),
      "9, 3");
  vm::jdxlist_free(l);

  vm::PrioQ* pq = vm::prioq_new(4);
  vm::prioq_insert(pq, 2, 1.0), vm::prioq_insert(pq, 0, 3.0);
  EXPECT_EQ(captured([](FILE* f, const void* o) { vm::pq_print(static_cast<const vm::PrioQ*>(o), f); }, pq),
            "values:  (3.0, 1.0)\ninvperm: ( 0,  1)\norg.ind: ( 0,  2)\n");
  vm::pq_free(pq);
}

TEST(Toolkit, BitVectorsInvertAndPermute) {
  vm::BitVec* bv = vm::bitvec_new(37);
  vm::bitvec_set(bv, 0), vm::bitvec_set(bv, 33);
  vm::bitvec_invert(bv);
  int32_t set = 0;
  for (int32_t b = 0; b < 37; ++b) set += vm::bitvec_is_set(bv, b);
  EXPECT_EQ(set, 35);
  EXPECT_EQ(bv->words[1] >> 5, 0u);  // bits past the size stay clear
  std::vector<int32_t> rev(37);
  for (int32_t b = 0; b < 37; ++b) rev[b] = 36 - b;
  vm::Perm* P = vm::perm_new_from(37, rev.data());
  ASSERT_TRUE(vm::bitvec_permute(bv, P));
  EXPECT_FALSE(vm::bitvec_is_set(bv, 36));
  EXPECT_FALSE(vm::bitvec_is_set(bv, 3));
  EXPECT_TRUE(vm::bitvec_is_set(bv, 0));
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(vm::bitvec_set(bv, 37));
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("src/bitvec: Assertion `bit < bv->size' failed"),
            std::string::npos);
  vm::bitvec_unset_sloppily(bv, 99);
  vm::perm_free(P);
  vm::bitvec_free(bv);
}

TEST(Toolkit, QueueHeapSortAndEqualPriorities) {
  std::vector<double> pr{2.0, 5.0, 1.0, 5.0, 3.0};
  vm::PrioQ* pq = vm::pq_new_from_array(pr.data(), 5);
  EXPECT_EQ(vm::prioq_insert_replace_larger(pq, 4, 3.0), 0);  // an equal priority changes nothing
  EXPECT_TRUE(vm::pq_inc1(pq, 0));                            // 2 -> 3
  std::vector<int32_t> order(5);
  vm::pq_heap_sort(pq, order.data());
  std::vector<double> sorted;
  for (int32_t i : order) sorted.push_back(pr[i]);
  EXPECT_EQ(sorted, (std::vector<double>{5.0, 5.0, 3.0, 3.0, 1.0}));
  vm::pq_free(pq);
  EXPECT_EQ(pr[0], 3.0);  // the array is the caller's
}

TEST(Toolkit, EveryRecordSurvivesAFailedAllocation) {
  // Each constructor returns null, and leaks nothing, whichever of its allocations fails.
  const Dense d = {{{0, 0}, 1.0}, {{0, 2}, 2.0}, {{1, 1}, 3.0}, {{2, 2}, 4.0}};
  SmatPtr A = from_dense(3, 3, d, 1);
  for (int64_t k = 1; k <= 8; ++k) {
    const int64_t live = varnexo::memory::live_blocks();
    varnexo::memory::fail_allocation_at(k);
    vm::Smat* F = vm::smat_copy_full_structure(A.get());
    vm::PrioQ* pq = vm::prioq_new(4);
    vm::BitVec* bv = vm::bitvec_new(9);
    varnexo::memory::fail_allocation_at(0);
    if (F) vm::smat_free(F);
    vm::pq_free(pq);
    vm::bitvec_free(bv);
    EXPECT_EQ(varnexo::memory::live_blocks(), live) << "failing allocation " << k;
  }
}

}  // namespace
