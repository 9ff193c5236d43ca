// Restarted flexible GMRES (solve stage of the command): Arnoldi with modified Gram–Schmidt on
// the preconditioned directions, Givens rotations on the Hessenberg matrix, one template over
// the real and complex scalars.
#include "krylov.h"

#include <algorithm>
#include <cmath>
#include <complex>

namespace varnexo::tools {
namespace {

using dcomplex = std::complex<double>;

double conj_of(double v) { return v; }
dcomplex conj_of(dcomplex v) { return std::conj(v); }

template <class T>
double norm2(const std::vector<T>& v) {
  double s = 0.0;
  for (const T& e : v) s += std::norm(e);
  return std::sqrt(s);
}

template <class T>
T dot(const std::vector<T>& u, const std::vector<T>& v) {  // uᴴ·v
  T s = T(0);
  for (size_t i = 0; i < u.size(); ++i) s += conj_of(u[i]) * v[i];
  return s;
}

// The rotation that zeroes h2 below h1: [c s; -conj(s) c]·[h1; h2] = [r; 0].
template <class T>
void givens(T h1, T h2, double& c, T& s) {
  const double a = std::abs(h1), t = std::hypot(a, std::abs(h2));
  if (t == 0.0) {
    c = 1.0, s = T(0);
    return;
  }
  if (a == 0.0) {
    c = 0.0, s = T(1);
    return;
  }
  c = a / t;
  s = (h1 / a) * conj_of(h2) / t;
}

template <class T>
class Gmres {
 public:
  Gmres(const Csr& a, const double* b, const std::function<bool(const double*, double*)>& m,
        const KrylovSettings& s)
      : a_(a), n_(a.n), m_(m), s_(s), b_(reinterpret_cast<const T*>(b), reinterpret_cast<const T*>(b) + a.n) {
    anorm_ = norm_inf(a);
    for (const T& v : b_) bnorm_ = std::max(bnorm_, std::abs(v));
  }

  KrylovOutcome run(T* x) {
    KrylovOutcome out;
    std::vector<T> xv(x, x + n_), best = xv;
    out.backward_error = backward(xv);
    for (int32_t cycle = 0; cycle < s_.max_cycles && out.backward_error > s_.target; ++cycle) {
      const int32_t its = one_cycle(xv);
      if (its < 0) break;
      out.iterations += its;
      const double be = backward(xv);
      if (!(be < 0.5 * out.backward_error)) {  // a cycle that does not halve it ends the iteration
        if (be < out.backward_error) best = xv, out.backward_error = be;
        break;
      }
      best = xv, out.backward_error = be;
    }
    std::copy(best.begin(), best.end(), x);
    out.converged = out.backward_error <= s_.target;
    return out;
  }

 private:
  void apply(const std::vector<T>& x, std::vector<T>& y) const {
    multiply(a_, false, reinterpret_cast<const double*>(x.data()), reinterpret_cast<double*>(y.data()), 1);
  }
  double backward(const std::vector<T>& x) const {
    return backward_error(a_, false, reinterpret_cast<const double*>(b_.data()),
                          reinterpret_cast<const double*>(x.data()), 1);
  }

  // One cycle of at most `restart` directions from x; returns the directions used or -1.
  int32_t one_cycle(std::vector<T>& x) {
    const int32_t m = std::min<int32_t>(s_.restart, n_);
    std::vector<T> r(n_), w(n_);
    apply(x, r);
    for (int32_t i = 0; i < n_; ++i) r[i] = b_[i] - r[i];
    const double beta = norm2(r);
    if (beta == 0.0) return 0;
    double xnorm = 0.0;
    for (const T& v : x) xnorm = std::max(xnorm, std::abs(v));
    double enough = 0.0;  // the residual the target allows, set once x can be estimated
    std::vector<std::vector<T>> V(1, r), Z;
    for (T& v : V[0]) v /= beta;
    std::vector<std::vector<T>> H;  // columns of the Hessenberg matrix, rotated
    std::vector<double> cs;
    std::vector<T> sn, g{T(beta)};
    int32_t j = 0;
    for (; j < m; ++j) {
      Z.emplace_back(n_);
      if (!m_(reinterpret_cast<const double*>(V[j].data()), reinterpret_cast<double*>(Z[j].data())))
        return -1;
      if (j == 0) {
        // The preconditioner approximates A⁻¹, so x + β·z₀ estimates the size of the solution;
        // the norms differ (2 for the residual, ∞ for the backward error): a tenth for safety.
        double znorm = 0.0;
        for (const T& v : Z[0]) znorm = std::max(znorm, std::abs(v));
        enough = 0.1 * s_.target * (anorm_ * std::max(xnorm, beta * znorm) + bnorm_);
      }
      apply(Z[j], w);
      std::vector<T> h(j + 2);
      for (int32_t i = 0; i <= j; ++i) {
        h[i] = dot(V[i], w);
        for (int32_t t = 0; t < n_; ++t) w[t] -= h[i] * V[i][t];
      }
      const double hn = norm2(w);
      h[j + 1] = T(hn);
      for (int32_t i = 0; i < j; ++i) {
        const T t = cs[i] * h[i] + sn[i] * h[i + 1];
        h[i + 1] = -conj_of(sn[i]) * h[i] + cs[i] * h[i + 1];
        h[i] = t;
      }
      double c;
      T s;
      givens(h[j], h[j + 1], c, s);
      h[j] = c * h[j] + s * h[j + 1];
      h[j + 1] = T(0);
      cs.push_back(c), sn.push_back(s);
      g.push_back(-conj_of(s) * g[j]);
      g[j] = c * g[j];
      H.push_back(std::move(h));
      if (std::abs(g[j + 1]) <= enough || hn == 0.0) {
        ++j;
        break;
      }
      V.emplace_back(w);
      for (T& v : V.back()) v /= hn;
    }
    // x += Z·y with H·y = g (upper triangular).
    std::vector<T> y(j);
    for (int32_t i = j - 1; i >= 0; --i) {
      T t = g[i];
      for (int32_t k = i + 1; k < j; ++k) t -= H[k][i] * y[k];
      y[i] = t / H[i][i];
    }
    for (int32_t i = 0; i < j; ++i)
      for (int32_t t = 0; t < n_; ++t) x[t] += y[i] * Z[i][t];
    return j;
  }

  const Csr& a_;
  int32_t n_;
  const std::function<bool(const double*, double*)>& m_;
  KrylovSettings s_;
  std::vector<T> b_;
  double anorm_ = 0.0, bnorm_ = 0.0;
};

}  // namespace

KrylovOutcome fgmres(const Csr& a, const double* b, double* x,
                     const std::function<bool(const double* r, double* z)>& precondition,
                     const KrylovSettings& settings) {
  if (a.complex) return Gmres<dcomplex>(a, b, precondition, settings).run(reinterpret_cast<dcomplex*>(x));
  return Gmres<double>(a, b, precondition, settings).run(x);
}

}  // namespace varnexo::tools
