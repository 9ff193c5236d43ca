// The compiled core of the Python package: one solver handle over the public call. It owns its
// copy of the matrix in the library's layout, runs each phase with the GIL released, and captures
// what the library prints (statistics, error texts) while the call runs.
#include <dlfcn.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "varnexo.h"

namespace py = pybind11;

namespace {

// An anonymous file for one captured stream; -1 when none can be made.
int anonymous_file() {
  int fd = memfd_create("varnexo-output", MFD_CLOEXEC);
  if (fd >= 0) return fd;
  FILE* f = std::tmpfile();
  if (f == nullptr) return -1;
  fd = dup(fileno(f));
  std::fclose(f);
  return fd;
}

std::string read_all(int fd) {
  std::string text;
  char buffer[4096];
  off_t at = 0;
  for (;;) {
    const ssize_t got = pread(fd, buffer, sizeof buffer, at);
    if (got <= 0) break;
    text.append(buffer, static_cast<size_t>(got));
    at += got;
  }
  return text;
}

// Points file descriptors 1 and 2 at anonymous files for the duration of a library call. The
// library prints through the C streams of the process, so the redirect is process-wide: one
// capture at a time, serialised by `capture_lock`.
std::mutex capture_lock;

class Capture {
 public:
  bool start() {
    std::fflush(nullptr);
    for (int k = 0; k < 2; ++k) {
      file_[k] = anonymous_file();
      saved_[k] = dup(k + 1);
      if (file_[k] < 0 || saved_[k] < 0 || dup2(file_[k], k + 1) < 0) {
        finish();
        return false;
      }
    }
    return true;
  }

  // Restores the descriptors; returns the text written to standard output and error.
  std::pair<std::string, std::string> finish() {
    std::fflush(stdout);
    std::fflush(stderr);
    std::string text[2];
    for (int k = 0; k < 2; ++k) {
      if (saved_[k] >= 0) {
        dup2(saved_[k], k + 1);
        close(saved_[k]);
      }
      if (file_[k] >= 0) {
        text[k] = read_all(file_[k]);
        close(file_[k]);
      }
      saved_[k] = file_[k] = -1;
    }
    return {text[0], text[1]};
  }

 private:
  int saved_[2] = {-1, -1};
  int file_[2] = {-1, -1};
};

// The BLAS thread count for the duration of a call, when the BLAS in the process is OpenBLAS;
// the previous count is restored afterwards. A count of 0 leaves the BLAS alone.
class BlasThreads {
 public:
  explicit BlasThreads(int count) {
    if (count < 1) return;
    set_ = reinterpret_cast<void (*)(int)>(dlsym(RTLD_DEFAULT, "openblas_set_num_threads"));
    auto get = reinterpret_cast<int (*)()>(dlsym(RTLD_DEFAULT, "openblas_get_num_threads"));
    if (set_ == nullptr || get == nullptr) {
      set_ = nullptr;
      return;
    }
    previous_ = get();
    set_(count);
  }
  ~BlasThreads() {
    if (set_ != nullptr) set_(previous_);
  }
  BlasThreads(const BlasThreads&) = delete;
  BlasThreads& operator=(const BlasThreads&) = delete;

 private:
  void (*set_)(int) = nullptr;
  int previous_ = 1;
};

// Doubles per value: complex values are pairs for the complex matrix types.
int32_t value_width(int32_t type) {
  const int32_t a = std::abs(type);
  return (a >= 3 && a <= 6) || type == VARNEXO_COMPLEX_UNSYM ? 2 : 1;
}

using IntArray = py::array_t<int32_t, py::array::c_style | py::array::forcecast>;
using RealArray = py::array_t<double, py::array::c_style | py::array::forcecast>;

// One handle of the library with the matrix it was set up for. Every array handed to the
// library is owned here, so no Python code can change or free it while a call runs without
// the GIL.
class Core {
 public:
  Core(int32_t type, IntArray ia, IntArray ja, RealArray a) : type_(type), width_(value_width(type)) {
    const py::ssize_t rows = ia.size() - 1;
    if (ia.ndim() != 1 || ja.ndim() != 1 || a.ndim() != 1 || rows < 1)
      throw py::value_error("ia, ja and a must be one-dimensional, ia with at least two entries");
    if (rows > INT32_MAX - 1) throw py::value_error("the order exceeds the 32-bit index range");
    n_ = static_cast<int32_t>(rows);
    ia_.assign(ia.data(), ia.data() + ia.size());
    ja_.assign(ja.data(), ja.data() + ja.size());
    // Every later read of ja and a by the library stays inside ia(1)..ia(n+1)-1.
    if (ia_[0] != 1 || static_cast<py::ssize_t>(ia_[n_]) - 1 != ja.size())
      throw py::value_error("ia must start at 1 and end at len(ja) + 1");
    for (int32_t i = 0; i < n_; ++i)
      if (ia_[i + 1] < ia_[i]) throw py::value_error("ia must not decrease");
    set_values(a);
    std::memset(handle_, 0, sizeof handle_);
    std::memset(iparam_, 0, sizeof iparam_);
    varnexoinit_(handle_, &type_, iparam_);
    perm_.assign(static_cast<size_t>(n_), 0);
  }

  ~Core() { release_quietly(); }
  Core(const Core&) = delete;
  Core& operator=(const Core&) = delete;

  int32_t type() const { return type_; }
  int32_t order() const { return n_; }

  // New values on the same pattern.
  void set_values(RealArray a) {
    if (a.ndim() != 1 || a.size() != static_cast<py::ssize_t>(ja_.size()) * width_)
      throw py::value_error("a must hold one value per entry of ja (pairs of doubles for complex types)");
    std::vector<double> values(a.data(), a.data() + a.size());
    py::gil_scoped_release nogil;
    std::lock_guard<std::mutex> own(mutex_);
    a_.swap(values);
  }

  // Runs one phase. `b` is None or the right-hand sides, n·nrhs values column after column
  // (pairs of doubles for complex types). Returns (error, x or None, stdout text, stderr text).
  py::tuple call(int32_t phase, py::object b, int32_t nrhs, int32_t blas_threads) {
    if (nrhs < 1) throw py::value_error("nrhs must be at least 1");
    const size_t count = static_cast<size_t>(n_) * static_cast<size_t>(nrhs) * static_cast<size_t>(width_);
    std::vector<double> rhs(count, 0.0);
    if (!b.is_none()) {
      RealArray values = b.cast<RealArray>();
      if (values.ndim() != 1 || static_cast<size_t>(values.size()) != count)
        throw py::value_error("b must hold n * nrhs values (pairs of doubles for complex types)");
      std::copy(values.data(), values.data() + count, rhs.begin());
    }
    py::array_t<double> x(static_cast<py::ssize_t>(count));
    double* xp = x.mutable_data();
    std::fill(xp, xp + count, 0.0);
    int32_t error = 0;
    bool captured = false;
    std::pair<std::string, std::string> text;
    {
      py::gil_scoped_release nogil;
      std::lock_guard<std::mutex> own(mutex_);
      std::lock_guard<std::mutex> capture(capture_lock);
      Capture redirect;
      captured = redirect.start();
      if (captured) {
        BlasThreads threads(blas_threads);
        const int32_t one = 1, msglvl = 1;
        varnexo_(handle_, &one, &one, &type_, &phase, &n_, a_.data(), ia_.data(), ja_.data(), perm_.data(),
                 &nrhs, iparam_, &msglvl, rhs.data(), xp, &error);
        text = redirect.finish();
      }
    }
    if (!captured) {
      PyErr_SetString(PyExc_OSError, "cannot capture the solver's messages: no temporary file could be made");
      throw py::error_already_set();
    }
    return py::make_tuple(error, x, py::bytes(text.first), py::bytes(text.second));
  }

  // Releases every block the handle holds.
  void release() {
    py::gil_scoped_release nogil;
    std::lock_guard<std::mutex> own(mutex_);
    release_quietly();
  }

  // True while the handle holds blocks of the library (a diagonal system never does).
  bool holds_blocks() const {
    for (void* slot : handle_)
      if (slot != nullptr) return true;
    return false;
  }

  int32_t* iparam() { return iparam_; }
  int32_t* perm() { return perm_.data(); }

 private:
  void release_quietly() {
    if (!holds_blocks()) return;
    const int32_t one = 1, phase = VARNEXO_PHASE_RELEASE_ALL, msglvl = 0;
    int32_t error = 0;
    double dummy[2] = {0.0, 0.0};
    varnexo_(handle_, &one, &one, &type_, &phase, &n_, a_.data(), ia_.data(), ja_.data(), perm_.data(), &one,
             iparam_, &msglvl, dummy, dummy, &error);
    std::memset(handle_, 0, sizeof handle_);
  }

  void* handle_[VARNEXO_HANDLE_SLOTS];
  int32_t iparam_[VARNEXO_IPARAM_SIZE];
  int32_t type_;
  int32_t width_;
  int32_t n_ = 0;
  std::vector<int32_t> ia_, ja_, perm_;
  std::vector<double> a_;
  std::mutex mutex_;
};

}  // namespace

PYBIND11_MODULE(_core, m) {
  m.doc() = "The public call of the varnexo library, one handle per Core object.";
  py::class_<Core>(m, "Core")
      .def(py::init<int32_t, IntArray, IntArray, RealArray>(), py::arg("matrix_type"), py::arg("ia"),
           py::arg("ja"), py::arg("a"))
      .def_property_readonly("matrix_type", &Core::type)
      .def_property_readonly("n", &Core::order)
      .def_property_readonly("holds_blocks", &Core::holds_blocks)
      // Views into the handle's arrays: they keep the Core alive.
      .def_property_readonly("iparam",
                             [](py::object self) {
                               Core& c = self.cast<Core&>();
                               return py::array_t<int32_t>(VARNEXO_IPARAM_SIZE, c.iparam(), self);
                             })
      .def_property_readonly("perm",
                             [](py::object self) {
                               Core& c = self.cast<Core&>();
                               return py::array_t<int32_t>(c.order(), c.perm(), self);
                             })
      .def("set_values", &Core::set_values, py::arg("a"))
      .def("call", &Core::call, py::arg("phase"), py::arg("b"), py::arg("nrhs"), py::arg("blas_threads") = 0)
      .def("release", &Core::release);
}
