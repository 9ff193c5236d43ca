// Fuzz target for the public call: decodes from the input a matrix type, a sequence of calls on
// one handle (phases, parameter changes, new values or a new matrix between calls, a type that
// changes sign), iparam values, n and the arrays (valid compressed rows most of the time,
// corrupted sometimes), values from anywhere in the doubles (whole matrices scaled by 1e-150 to
// 1e150, single entries near 1e±300, subnormals, NaN, ∞), and always ends with the release phase
// -1 so that leaks show.
// Every array is allocated with its exact size, so a read or write outside it is caught by the
// address sanitizer. Beyond "no crash, no leak, no undefined behaviour" it checks what the call
// promises: ia, ja and a come back unchanged, b too unless the solution goes there, perm unless
// the analysis is asked to return it, a solve reported as successful has a finite solution (and,
// after refinement, a backward error near the library's 1e-10), and the release leaves the
// handle zeroed. With API_FUZZER_TRACE=1 each call is printed, with 2 also iparam and the arrays.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <type_traits>
#include <vector>

#include "sparse.h"
#include "varnexo.h"

namespace {

constexpr int32_t kMaxN = 40;
constexpr int32_t kMaxRhs = 4;
constexpr int kMaxCalls = 8;

constexpr int32_t kTypes[] = {1, 2, -2, 3, 4, -4, 6, 11, 13};
constexpr int32_t kOddTypes[] = {0, 5, -5, -1, -3, -6, -11, -13, 7, 12, 14, INT32_MIN, INT32_MAX};
constexpr int32_t kPhases[] = {13, 11, 12, 22, 23, 33, 33, 0};
constexpr int32_t kOddPhases[] = {-3, -2, -1, -4, 1, 10, 14, 21, 24, 32, 34, INT32_MIN, INT32_MAX};

// Values a hostile or careless caller puts anywhere.
constexpr int32_t kBig = 1 << 30;
// clang-format off
constexpr int32_t kHostile[] = {0, 1, -1, 2, -2, 3, 7, 10, 13, 31, 32, 100, kBig, kBig + 1, 100000000, -100000000,
                                INT32_MIN, INT32_MAX, INT32_MIN + 1, INT32_MAX - 1};
// clang-format on
// The iparam entries the library reads.
constexpr int kReadEntries[] = {1,  2,  3,  4,  5,  6,  8,  9,  10, 11, 12, 13,
                                14, 18, 19, 21, 24, 25, 26, 28, 29, 30, 31, 49};
constexpr double kSpecial[] = {0.0, -0.0, 1e-300, -1e300, 4.9e-324, 1.7e308, NAN, INFINITY, -INFINITY};

[[noreturn]] void broken(const char* what, int call, int32_t phase, int32_t type) {
  std::fprintf(stderr, "api_fuzzer: %s (call %d, phase %d, type %d)\n", what, call, phase, type);
  std::abort();
}

// True one time in k. Every decision is laid out so that a zero byte (and the end of the input)
// takes the plain, valid choice: short inputs make well-formed calls.
bool rarely(FuzzedDataProvider& in, int k) { return in.ConsumeIntegralInRange<int>(0, k - 1) == k - 1; }

// The first value is the plain one.
template <size_t N>
int32_t pick(FuzzedDataProvider& in, const int32_t (&values)[N]) {
  return values[in.ConsumeIntegralInRange<size_t>(0, N - 1)];
}

// A value from `common` most of the time, from `odd` one time in `odd_one_in`.
template <size_t N, size_t M>
int32_t pick_mostly(FuzzedDataProvider& in, const int32_t (&common)[N], const int32_t (&odd)[M],
                    int odd_one_in) {
  return rarely(in, odd_one_in) ? pick(in, odd) : pick(in, common);
}

// Values are complex for the magnitudes 3 to 6 and for 13, real otherwise.
bool is_complex(int32_t type) {
  const int64_t a = type < 0 ? -int64_t{type} : type;
  return (a >= 3 && a <= 6) || type == 13;
}
bool upper_storage(int32_t type) { return type == 2 || type == -2 || type == 4 || type == -4 || type == 6; }
bool whole_symmetric_pattern(int32_t type) { return type == 1 || type == 3; }

// The arrays of one call, each exactly as long as the call says.
struct Matrix {
  int32_t n = 0;
  bool complex = false;
  std::vector<int32_t> ia, ja;
  std::vector<double> a;
};

double value(FuzzedDataProvider& in, int mode, bool diagonal, int32_t n) {
  // Two bytes a value: the input stays short enough for the calls after the matrix.
  double v = in.ConsumeIntegral<int16_t>() / 32768.0;
  if (mode == 0 && diagonal) v += (v < 0 ? -1.0 : 1.0) * (n + 1.0);  // dominant diagonal
  if (mode == 2 && rarely(in, 8)) v = kSpecial[in.ConsumeIntegralInRange<size_t>(0, 8)];
  return v;
}

// Compressed rows in the storage `type` asks for: the upper triangle with the diagonal first,
// whole rows on a symmetric pattern with the diagonal, or whole rows as they come.
Matrix make_matrix(FuzzedDataProvider& in, int32_t type) {
  Matrix m;
  m.n = 1 + (in.ConsumeIntegralInRange<int32_t>(0, kMaxN - 1) + 7) % kMaxN;
  m.complex = is_complex(type);
  const int mode = in.ConsumeIntegralInRange<int>(0, 3);  // 0 dominant, 1 random, 2 special values, 3 scaled
  const double scale = mode == 3 ? std::pow(10.0, in.ConsumeIntegralInRange<int>(-150, 150)) : 1.0;
  const int per_row = (in.ConsumeIntegralInRange<int>(0, 4) + 2) % 5;
  std::vector<std::vector<int32_t>> rows(m.n);
  for (int32_t i = 1; i <= m.n; ++i) {
    std::vector<int32_t>& r = rows[i - 1];
    if (!(type == 11 || type == 13) || !in.ConsumeBool()) r.push_back(i);
    for (int k = 0; k < per_row; ++k) {
      const int32_t j = in.ConsumeIntegralInRange<int32_t>(upper_storage(type) ? i : 1, m.n);
      r.push_back(j);
      if (whole_symmetric_pattern(type)) rows[j - 1].push_back(i);
    }
  }
  m.ia.assign(m.n + 1, 1);
  for (int32_t i = 1; i <= m.n; ++i) {
    std::vector<int32_t>& r = rows[i - 1];
    std::sort(r.begin(), r.end());
    r.erase(std::unique(r.begin(), r.end()), r.end());
    m.ja.insert(m.ja.end(), r.begin(), r.end());
    m.ia[i] = static_cast<int32_t>(m.ja.size()) + 1;
  }
  const int w = m.complex ? 2 : 1;
  m.a.resize(m.ja.size() * w);
  for (int32_t i = 1; i <= m.n; ++i)
    for (int32_t k = m.ia[i - 1] - 1; k < m.ia[i] - 1; ++k)
      for (int t = 0; t < w; ++t) m.a[k * w + t] = scale * value(in, mode, m.ja[k] == i && t == 0, m.n);
  return m;
}

// New values on the same pattern (a refactorisation with another matrix of the analysed form).
void new_values(FuzzedDataProvider& in, Matrix& m) {
  const int mode = in.ConsumeIntegralInRange<int>(0, 2);
  const int w = m.complex ? 2 : 1;
  for (double& v : m.a) v = value(in, mode, false, m.n);
  // A dominant diagonal again where the rows are still well formed.
  if (mode == 0)
    for (int32_t i = 1; i <= m.n; ++i)
      for (int64_t k = int64_t{m.ia[i - 1]} - 1;
           k >= 0 && k < int64_t{m.ia[i]} - 1 && k < int64_t(m.ja.size()); ++k)
        if (m.ja[k] == i) m.a[k * w] += m.n + 1.0;
}

// The same matrix with real or complex values, as a change of type asks (the caller's arrays
// always hold what the type says).
void set_width(Matrix& m, bool complex, std::vector<double>& b, std::vector<double>& x) {
  if (m.complex == complex) return;
  const auto convert = [&](std::vector<double>& v) {
    std::vector<double> out;
    if (complex) {
      for (double re : v) out.insert(out.end(), {re, 0.0});
    } else {
      for (size_t k = 0; k < v.size(); k += 2) out.push_back(v[k]);
    }
    v.swap(out);
  };
  convert(m.a);
  convert(b);
  convert(x);
  m.complex = complex;
}

// One fault a careless caller makes in the compressed rows, keeping ja and a as long as
// ia(n+1) - 1 says (the caller's side of the contract).
void corrupt(FuzzedDataProvider& in, Matrix& m) {
  const int32_t nnz = m.ia[m.n] - 1;
  const int32_t k = nnz > 0 ? in.ConsumeIntegralInRange<int32_t>(0, nnz - 1) : 0;
  const int32_t i = in.ConsumeIntegralInRange<int32_t>(0, m.n);
  switch (in.ConsumeIntegralInRange<int>(0, 6)) {
    case 0:  // a column index out of range
      if (nnz > 0) m.ja[k] = in.ConsumeBool() ? m.n + 1 : pick(in, kHostile);
      break;
    case 1:  // a row pointer out of order or out of range (ia(n+1) is kept)
      if (i < m.n) m.ia[i] = pick(in, kHostile);
      break;
    case 2:  // two columns swapped (unsorted) or repeated
      if (nnz > 1) m.ja[k] = m.ja[k == 0 ? 1 : k - 1];
      break;
    case 3: {  // a different number of entries: ia(n+1) moves and the arrays follow
      const int32_t new_nnz = in.ConsumeIntegralInRange<int32_t>(-2, nnz + 3);
      m.ia[m.n] = new_nnz + 1;
      const size_t len = static_cast<size_t>(std::max(new_nnz, 0));
      m.ja.resize(len, 1);
      m.a.resize(len * (m.complex ? 2 : 1), 1.0);
      break;
    }
    case 4:  // an entry of the lower triangle or a column 0
      if (nnz > 0) m.ja[k] = in.ConsumeBool() ? 1 : 0;
      break;
    case 5:  // a non-finite value
      if (!m.a.empty())
        m.a[in.ConsumeIntegralInRange<size_t>(0, m.a.size() - 1)] = in.ConsumeBool() ? NAN : INFINITY;
      break;
    default:  // ia(1) not 1
      m.ia[0] = pick(in, kHostile);
      break;
  }
}

// The state of the caller between calls.
struct Caller {
  void* handle[VARNEXO_HANDLE_SLOTS] = {};
  int32_t iparam[VARNEXO_IPARAM_SIZE] = {};
  int32_t type = 11;
  int32_t max_fac_store = 1, matrix_number = 1, nb = 1;
  Matrix m;
  std::vector<int32_t> perm;
  std::vector<double> b, x;

  int32_t& ip(int k) { return iparam[k - 1]; }

  void new_perm(FuzzedDataProvider& in) {
    perm.resize(m.n);
    for (int32_t i = 0; i < m.n; ++i) perm[i] = i + 1;
    for (int32_t i = m.n - 1; i > 0; --i) std::swap(perm[i], perm[in.ConsumeIntegralInRange<int32_t>(0, i)]);
    if (m.n > 1 && rarely(in, 8)) perm[0] = in.ConsumeBool() ? perm[1] : m.n + 1;
  }

  void new_vectors(FuzzedDataProvider& in) {
    const size_t len = static_cast<size_t>(m.n) * std::max(nb, 1) * (m.complex ? 2 : 1);
    b.resize(len);
    for (double& v : b) v = 1.0 + in.ConsumeIntegral<int16_t>() / 32768.0;
    x.assign(len, NAN);  // a success that leaves x unwritten shows as a non-finite solution
  }
};

// Changes a caller makes between calls.
void between_calls(FuzzedDataProvider& in, Caller& c) {
  const int edits = in.ConsumeIntegralInRange<int>(0, 3);
  for (int e = 0; e < edits; ++e) {
    const int k = pick(in, kReadEntries);
    c.ip(k) = in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(-3, 33) : pick(in, kHostile);
  }
  switch (in.ConsumeIntegralInRange<int>(0, 15)) {
    case 1:
      new_values(in, c.m);
      break;
    case 2:
      c.m = make_matrix(in, c.type);
      c.new_perm(in);
      c.new_vectors(in);
      break;
    case 3:
      c.type = in.ConsumeBool() && c.type != INT32_MIN ? -c.type : pick_mostly(in, kTypes, kOddTypes, 4);
      set_width(c.m, is_complex(c.type), c.b, c.x);
      break;
    case 4:
      c.matrix_number = in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(0, 4) : pick(in, kHostile);
      break;
    case 5:
      c.max_fac_store = in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(0, 4) : pick(in, kHostile);
      break;
    case 6:
      corrupt(in, c.m);
      break;
    case 7: {
      // Another count of right-hand sides; b and x grow with a positive one.
      constexpr int32_t kNotPositive[] = {0, -1, -2, INT32_MIN};
      c.nb = in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(1, kMaxRhs) : pick(in, kNotPositive);
      c.new_vectors(in);
      break;
    }
    default:
      break;
  }
}

bool solves(int32_t phase) { return phase == 13 || phase == 23 || phase == 33; }

// The backward error of a solution of the system the call describes (the matrix as its type
// stores it, transposed when iparam(12) = 1), or -1 for a type without a storage.
double backward_error_of(const Matrix& m, int32_t type, bool transposed, const double* b, const double* x,
                         int32_t nb) {
  using varnexo::tools::Layout;
  varnexo::tools::Csr a;
  if (type == 1 || type == 3 || type == 11 || type == 13)
    a.layout = Layout::full;
  else if (type == 2 || type == -2 || type == 6)
    a.layout = Layout::upper_symmetric;
  else if (type == 4 || type == -4)
    a.layout = Layout::upper_hermitian;
  else
    return -1.0;
  a.n = m.n;
  a.complex = m.complex;
  a.ia = m.ia;
  a.ja = m.ja;
  a.a = m.a;
  return varnexo::tools::backward_error(a, transposed && a.layout == Layout::full, b, x, nb);
}
bool analyses(int32_t phase) { return phase == 11 || phase == 12 || phase == 13; }

// The trace level of API_FUZZER_TRACE: 0 none, 1 each call, 2 also iparam and the arrays.
int trace_level() {
  const char* v = std::getenv("API_FUZZER_TRACE");
  return v == nullptr ? 0 : std::string(v) == "2" ? 2 : 1;
}

template <class T>
void trace_values(const char* name, const std::vector<T>& v) {
  std::fprintf(stderr, "  %s:", name);
  for (const T& e : v) std::fprintf(stderr, std::is_same_v<T, double> ? " %.17g" : " %d", e);
  std::fprintf(stderr, "\n");
}

// A call as it goes in: the scalar arguments and, at level 2, iparam(1..30), (49) and the arrays.
void trace_call(Caller& c, int index, int32_t phase, int null_arg) {
  if (trace_level() == 0) return;
  std::fprintf(stderr, "call %d: phase %d type %d n %d nnz %d nb %d maxfct %d mnum %d null %d\n", index,
               phase, c.type, c.m.n, c.m.ia.empty() ? 0 : c.m.ia[c.m.n] - 1, c.nb, c.max_fac_store,
               c.matrix_number, null_arg >= 0 ? null_arg : -1);
  if (trace_level() < 2) return;
  std::fprintf(stderr, "  iparam:");
  for (int k = 1; k <= 31; ++k) std::fprintf(stderr, " %d", c.ip(k));
  std::fprintf(stderr, ", (49) %d\n", c.ip(49));
  trace_values("ia", c.m.ia);
  trace_values("ja", c.m.ja);
  trace_values("a", c.m.a);
  trace_values("b", c.b);
}

// One call, with the promises checked afterwards.
void call(FuzzedDataProvider& in, Caller& c, int32_t phase, int index) {
  const Matrix before = c.m;
  const std::vector<int32_t> perm_before = c.perm;
  const std::vector<double> b_before = c.b;
  const int32_t solution_on_b = c.ip(6), perm_use = c.ip(5), nb = c.nb;
  // Now and then one argument is a null pointer.
  const int null_arg = in.ConsumeIntegralInRange<int>(0, 39) - 34;
  const int32_t msglvl = 0;
  int32_t error = 12345;
  std::fill(c.x.begin(), c.x.end(), NAN);
  trace_call(c, index, phase, null_arg);
  varnexo_(c.handle, &c.max_fac_store, &c.matrix_number, &c.type, &phase, &c.m.n,
           null_arg == 0 ? nullptr : c.m.a.data(), null_arg == 1 ? nullptr : c.m.ia.data(),
           null_arg == 2 ? nullptr : c.m.ja.data(), null_arg == 3 ? nullptr : c.perm.data(), &c.nb, c.iparam,
           &msglvl, null_arg == 4 ? nullptr : c.b.data(), null_arg == 5 ? nullptr : c.x.data(), &error);
  if (trace_level() > 0) std::fprintf(stderr, "  -> error %d\n", error);
  if (trace_level() > 1) trace_values("x", c.x);
  if (c.m.ia != before.ia || c.m.ja != before.ja) broken("ia or ja changed", index, phase, c.type);
  for (size_t k = 0; k < c.m.a.size(); ++k)
    if (std::memcmp(&c.m.a[k], &before.a[k], sizeof(double)) != 0) broken("a changed", index, phase, c.type);
  if (!(perm_use < 0 && analyses(phase)) && c.perm != perm_before)
    broken("perm changed", index, phase, c.type);
  // The driver's defaults (iparam(1) = 0) may set iparam(6) back to 0 at an analysis.
  const bool on_b = solution_on_b == 1 && c.ip(6) == 1;
  if (solution_on_b != 1)
    for (size_t k = 0; k < c.b.size(); ++k)
      if (std::memcmp(&c.b[k], &b_before[k], sizeof(double)) != 0) broken("b changed", index, phase, c.type);
  if (error == 0 && solves(phase) && nb >= 1) {
    const std::vector<double>& solution = on_b ? c.b : c.x;
    for (double v : solution)
      if (!std::isfinite(v))
        broken("a successful solve returned a solution that is not finite", index, phase, c.type);
    // After a whole solve with refinement steps and without CGS, success means a backward error
    // of at most 1e-10 (checked here with room for rounding). A pure solve may keep a solution
    // whose refinement stalled unless iparam(49) asks for its error.
    const bool refined = c.ip(26) == 0 && c.ip(4) == 0 && c.ip(7) > 0 && (c.ip(12) == 0 || c.ip(12) == 1);
    if (refined && (phase != 33 || c.ip(49) != 0)) {
      const double berr = backward_error_of(c.m, c.type, c.ip(12) == 1, b_before.data(), solution.data(), nb);
      if (berr > 1e-8) broken("a successful solve with a backward error above 1e-8", index, phase, c.type);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  Caller c;
  c.type = pick_mostly(in, kTypes, kOddTypes, 16);
  c.max_fac_store = rarely(in, 16) ? pick(in, kHostile) : in.ConsumeIntegralInRange<int32_t>(1, 3);
  c.matrix_number = rarely(in, 16)
                        ? pick(in, kHostile)
                        : in.ConsumeIntegralInRange<int32_t>(1, std::max(1, std::min(c.max_fac_store, 3)));
  c.nb = in.ConsumeIntegralInRange<int32_t>(1, kMaxRhs);
  // iparam(3) is left as it was by varnexoinit_: whatever the caller's memory held.
  c.ip(3) = rarely(in, 2) ? pick(in, kHostile) : 1;
  if (!rarely(in, 4)) {
    varnexoinit_(c.handle, &c.type, c.iparam);
  } else {
    c.ip(1) = 0;  // the driver's defaults at the analysis
  }
  c.m = make_matrix(in, c.type);
  c.new_perm(in);
  c.new_vectors(in);
  const int calls = in.ConsumeIntegralInRange<int>(1, kMaxCalls);
  for (int k = 0; k < calls; ++k) {
    if (k > 0 || rarely(in, 4)) between_calls(in, c);
    call(in, c, pick_mostly(in, kPhases, kOddPhases, 12), k);
  }
  // Release with well-formed arguments: everything the handle holds goes, and its slots are 0.
  int32_t release = -1, error = 0, msglvl = 0, one = 1;
  varnexo_(c.handle, &one, &one, &c.type, &release, &c.m.n, c.m.a.data(), c.m.ia.data(), c.m.ja.data(),
           c.perm.data(), &one, c.iparam, &msglvl, c.b.data(), c.x.data(), &error);
  for (void* slot : c.handle)
    if (slot != nullptr) broken("the release left a handle slot set", calls, release, c.type);
  return 0;
}
