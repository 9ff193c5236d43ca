// The public call never crashes on input: random sequences of phases on random, often malformed,
// matrices and parameters, run under the sanitizers in CI. Every call must return a known code.
#include <random>
#include <set>

#include "solve_fixture.h"

namespace varnexo::test {
namespace {

// A random square pattern of order n with values; `spoil` breaks it in one of several ways.
tools::Csr random_matrix(std::mt19937& rng, int32_t n, bool upper, int spoil) {
  tools::Csr a;
  a.n = n;
  a.ia.push_back(1);
  std::uniform_real_distribution<double> value(-2.0, 2.0);
  for (int32_t i = 1; i <= n; ++i) {
    for (int32_t j = upper ? i : 1; j <= n; ++j) {
      if (j == i || rng() % 4 == 0) {
        a.ja.push_back(j);
        a.a.push_back(j == i ? 4.0 + value(rng) : value(rng));
      }
    }
    a.ia.push_back((int32_t)a.ja.size() + 1);
  }
  const size_t nnz = a.ja.size();
  switch (spoil) {
    case 1:
      a.ja[rng() % nnz] = (int32_t)(rng() % (3 * n + 3)) - n;
      break;  // index out of range
    // Broken row pointers inside; ia(n+1) - 1 stays the length of ja, the one thing a caller's
    // arrays must agree on.
    case 2:
      if (n > 1) a.ia[1 + rng() % (n - 1)] = (int32_t)(rng() % (2 * nnz + 3)) - 1;
      break;
    case 3:
      std::swap(a.ja.front(), a.ja.back());
      break;  // rows out of order
    case 4:
      for (double& v : a.a) v = 0.0;
      break;  // all zero values
    default:
      break;
  }
  return a;
}

TEST(Robustness, RandomCallsReturnKnownCodes) {
  std::mt19937 rng(12345);
  const std::set<int32_t> known = {0, -1, -2, -3, -4, -6, -7, -8, 18, 300000};
  const int32_t types[] = {1, 2, -2, 3, 4, -4, 6, 11, 13, 0, 7, -13, 5};
  const int32_t phases[] = {11, 12, 13, 22, 23, 33, 0, -1, -2, -3, 5, 34, -4};
  for (int round = 0; round < 2000; ++round) {
    const int32_t type = types[rng() % std::size(types)];
    const bool upper = std::abs(type) % 2 == 0 && std::abs(type) <= 6;
    const int32_t n = 1 + (int32_t)(rng() % 12);
    tools::Csr a = random_matrix(rng, n, upper, (int)(rng() % 6));
    if (std::abs(type) > 2 && type != 11) {  // complex values: pairs
      std::vector<double> z;
      for (double v : a.a) z.insert(z.end(), {v, 0.5 * v});
      a.a = z;
    }
    Session s(type);
    s.maxfct = 1 + (int32_t)(rng() % 2);
    for (int call = 0; call < 4; ++call) {
      s.mnum = (int32_t)(rng() % 3);
      s.nb = (int32_t)(rng() % 3);
      s.ip(VARNEXO_IPARAM_ORDERING) = (int32_t)(rng() % 4) - 1;
      s.ip(VARNEXO_IPARAM_NPROC) = (int32_t)(rng() % 5);
      s.ip(VARNEXO_IPARAM_SOLUTION_ON_B) = (int32_t)(rng() % 3);
      s.ip(VARNEXO_IPARAM_MAX_REFINE) = (int32_t)(rng() % 5) - 2;
      s.ip(VARNEXO_IPARAM_TRANSPOSE) = (int32_t)(rng() % 2);
      s.ip(VARNEXO_IPARAM_SOLVE_PART) = (int32_t)(rng() % 3);
      const size_t len = (size_t)n * (size_t)std::max(s.nb, 1) * 2;
      std::vector<double> b(len, 1.0), x(len, 0.0);
      const int32_t phase = phases[rng() % std::size(phases)];
      testing::internal::CaptureStdout();
      testing::internal::CaptureStderr();
      const int32_t e = s.run(phase, a, b, x);
      testing::internal::GetCapturedStderr();
      testing::internal::GetCapturedStdout();
      EXPECT_TRUE(known.count(e)) << "type " << type << " phase " << phase << " error " << e;
    }
  }
}

}  // namespace
}  // namespace varnexo::test
