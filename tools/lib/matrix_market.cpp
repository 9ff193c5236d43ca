// Matrix Market reader and writers. The reader streams the file line by line and parses numbers
// with std::from_chars, so files of millions of entries read in about a second.
#include "matrix_market.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "memory_limits.h"

namespace varnexo::tools {
namespace {

struct Header {
  bool array = false;
  bool integer = false;  // the values are integers (stored as reals)
  Field field = Field::real;
  Symmetry symmetry = Symmetry::general;
  bool skew = false;  // a skew-symmetric file, read as its stored triangle
};

// Line source over a FILE*, with the line number used in every message.
class LineReader {
 public:
  LineReader(std::FILE* file, const std::string& name, bool owned)
      : path_(name), file_(file), owned_(owned) {}
  ~LineReader() {
    std::free(buf_);
    if (file_ && owned_) std::fclose(file_);
  }
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  bool is_open() const { return file_ != nullptr; }
  long line() const { return line_; }

  // Next line without its end-of-line characters; false at the end of the file.
  bool next(const char*& begin, const char*& end) {
    const ssize_t len = getline(&buf_, &cap_, file_);
    if (len < 0) return false;
    ++line_;
    size_t n = static_cast<size_t>(len);
    while (n > 0 && (buf_[n - 1] == '\n' || buf_[n - 1] == '\r')) --n;
    begin = buf_;
    end = buf_ + n;
    return true;
  }

  // Next line that is neither a comment nor blank.
  bool next_data(const char*& begin, const char*& end) {
    while (next(begin, end)) {
      const char* p = begin;
      while (p < end && std::isspace(static_cast<unsigned char>(*p))) ++p;
      if (p < end && *p != '%') return true;
    }
    return false;
  }

  std::string at_line(const std::string& what) const { return at(line_, what); }
  std::string at(long line, const std::string& what) const {
    return path_ + ":" + std::to_string(line) + ": " + what;
  }
  std::string at_file(const std::string& what) const { return path_ + ": " + what; }

 private:
  std::string path_;
  std::FILE* file_;
  bool owned_;
  char* buf_ = nullptr;
  size_t cap_ = 0;
  long line_ = 0;
};

// The line of each entry, kept as the few places where entries do not follow on consecutive
// lines (comments or blank lines between them): (entry, line) pairs in increasing order.
class EntryLines {
 public:
  void record(int64_t entry, long line) {
    if (jumps_.empty() || line != jumps_.back().second + static_cast<long>(entry - jumps_.back().first))
      jumps_.emplace_back(entry, line);
  }
  long line_of(int64_t entry) const {
    auto it = std::upper_bound(jumps_.begin(), jumps_.end(), entry,
                               [](int64_t e, const std::pair<int64_t, long>& j) { return e < j.first; });
    if (it == jumps_.begin()) return 0;
    --it;
    return it->second + static_cast<long>(entry - it->first);
  }

 private:
  std::vector<std::pair<int64_t, long>> jumps_;
};

const char* skip_blanks(const char* p, const char* end) {
  while (p < end && (*p == ' ' || *p == '\t')) ++p;
  return p;
}

bool parse_int(const char*& p, const char* end, int64_t& v) {
  p = skip_blanks(p, end);
  if (p < end && *p == '+') ++p;
  auto r = std::from_chars(p, end, v);
  if (r.ec != std::errc() || (r.ptr < end && *r.ptr != ' ' && *r.ptr != '\t')) return false;
  p = r.ptr;
  return true;
}

// Parses one real number; `finite` tells whether it is a finite double (overflow is not).
bool parse_real(const char*& p, const char* end, double& v, bool& finite) {
  p = skip_blanks(p, end);
  const char* s = p;
  if (s < end && *s == '+') ++s;
  auto r = std::from_chars(s, end, v);
  if (r.ec == std::errc::result_out_of_range) {
    // Overflow or underflow: strtod rounds to ±HUGE_VAL or to a subnormal or zero.
    v = std::strtod(std::string(s, r.ptr).c_str(), nullptr);
  } else if (r.ec != std::errc()) {
    return false;
  }
  if (r.ptr < end && *r.ptr != ' ' && *r.ptr != '\t') return false;
  p = r.ptr;
  finite = std::isfinite(v);
  return true;
}

std::string lower_word(const char*& p, const char* end) {
  p = skip_blanks(p, end);
  std::string w;
  while (p < end && *p != ' ' && *p != '\t')
    w += static_cast<char>(std::tolower(static_cast<unsigned char>(*p++)));
  return w;
}

// The next blank-separated word as written, for messages.
std::string next_word(const char* p, const char* end) {
  p = skip_blanks(p, end);
  const char* s = p;
  while (p < end && *p != ' ' && *p != '\t') ++p;
  return std::string(s, p);
}

const char* kHeaderForm =
    "expected the header '%%MatrixMarket matrix coordinate|array real|complex|integer "
    "general|symmetric|hermitian'";

bool parse_header(LineReader& in, Header& h, std::string& error, bool accept_skew) {
  const char *p, *end;
  if (!in.next(p, end)) {
    error = in.at_file("empty file, " + std::string(kHeaderForm));
    return false;
  }
  const std::string banner = lower_word(p, end), object = lower_word(p, end), format = lower_word(p, end),
                    field = lower_word(p, end), symmetry = lower_word(p, end), extra = lower_word(p, end);
  if (banner != "%%matrixmarket" || object != "matrix" || (format != "coordinate" && format != "array") ||
      !extra.empty()) {
    error = in.at_line(kHeaderForm);
    return false;
  }
  h.array = format == "array";
  if (field == "pattern") {
    error = in.at_line("pattern matrices have no values to solve with");
    return false;
  }
  if (field != "real" && field != "integer" && field != "complex" && field != "double") {
    error = in.at_line("unknown value field '" + field + "' (expected real, complex or integer)");
    return false;
  }
  h.field = field == "complex" ? Field::complex : Field::real;
  h.integer = field == "integer";
  if (symmetry == "skew-symmetric" && !accept_skew) {
    error = in.at_line("skew-symmetric matrices are not supported (no matrix type stores them)");
    return false;
  }
  if (symmetry == "skew-symmetric") {
    h.skew = true;
    h.symmetry = Symmetry::symmetric;  // one stored triangle; the other is mirrored with a minus sign
    return true;
  }
  if (symmetry != "general" && symmetry != "symmetric" && symmetry != "hermitian") {
    error = in.at_line("unknown symmetry '" + symmetry + "' (expected general, symmetric or hermitian)");
    return false;
  }
  // A real Hermitian matrix is a symmetric one.
  h.symmetry = symmetry == "general"                               ? Symmetry::general
               : symmetry == "symmetric" || h.field == Field::real ? Symmetry::symmetric
                                                                   : Symmetry::hermitian;
  return true;
}

// Refuses declared sizes whose solve cannot fit in the memory of `options`, before anything of
// that size is allocated. `dense`: the sizes of a block of right-hand sides.
bool check_memory(LineReader& in, const Header& h, const int64_t size[3], bool dense,
                  const ReadOptions& options, std::string& error) {
  const uint64_t limit = options.max_bytes != 0 ? options.max_bytes : available_memory();
  const int width = h.field == Field::complex ? 2 : 1;
  const uint64_t need =
      dense ? rhs_block_bytes(size[0], size[1], width) : matrix_solve_bytes(size[0], size[2], width);
  if (need <= limit) return true;
  const std::string what = dense
                               ? std::to_string(size[0]) + " x " + std::to_string(size[1]) +
                                     " right-hand sides need " + format_bytes(need) + " with their solutions"
                               : "a matrix of " + std::to_string(size[0]) + " rows and " +
                                     std::to_string(size[2]) + (size[2] == 1 ? " entry" : " entries") +
                                     " needs at least " + format_bytes(need) + " to solve";
  error = in.at_line(what + ", more than the " + format_bytes(limit) + " of memory");
  return false;
}

// Size line: "rows columns entries" (coordinate) or "rows columns" (array).
bool parse_size(LineReader& in, const Header& h, int64_t size[3], std::string& error) {
  const char *p, *end;
  const std::string form = h.array ? "'rows columns'" : "'rows columns entries'";
  if (!in.next_data(p, end)) {
    error = in.at_file("file ends before the size line " + form);
    return false;
  }
  const int count = h.array ? 2 : 3;
  for (int k = 0; k < count; ++k) {
    if (!parse_int(p, end, size[k]) || size[k] < 0) {
      error = in.at_line("expected the size line " + form);
      return false;
    }
  }
  if (skip_blanks(p, end) != end) {
    error = in.at_line("unexpected text after the size line " + form);
    return false;
  }
  const int64_t limit = std::numeric_limits<int32_t>::max() - 1;
  if (size[0] > limit || size[1] > limit) {
    error = in.at_line("matrix dimensions above 2^31-2 are not supported");
    return false;
  }
  if (h.symmetry != Symmetry::general && size[0] != size[1]) {
    error = in.at_line("a symmetric or Hermitian matrix must be square");
    return false;
  }
  if (h.array) size[2] = size[0] * size[1];
  return true;
}

// Parses `count` values of one entry into v; the message names what the line should hold.
bool parse_values(LineReader& in, const Header& h, const char*& p, const char* end, int count, double* v,
                  const std::string& form, std::string& error) {
  for (int k = 0; k < count; ++k) {
    bool finite = true;
    if (h.integer) {
      int64_t i = 0;
      const std::string word = next_word(p, end);
      if (!parse_int(p, end, i)) {
        error = in.at_line(word.empty() ? "expected " + form
                                        : "value '" + word + "' is not an integer (the header says integer)");
        return false;
      }
      v[k] = static_cast<double>(i);
      continue;
    }
    if (!parse_real(p, end, v[k], finite)) {
      error = in.at_line("expected " + form);
      return false;
    }
    if (!finite) {
      error = in.at_line("value is not a finite number");
      return false;
    }
  }
  if (skip_blanks(p, end) != end) {
    error = in.at_line("unexpected text after " + form);
    return false;
  }
  return true;
}

bool check_index(LineReader& in, int64_t v, int64_t limit, const char* what, std::string& error) {
  if (v >= 1 && v <= limit) return true;
  error = in.at_line(std::string(what) + " index " + std::to_string(v) + " out of range 1.." +
                     std::to_string(limit));
  return false;
}

std::string position(int32_t i, int32_t j) {
  std::string s(1, '(');
  s.append(std::to_string(i)).append(1, ',').append(std::to_string(j)).append(1, ')');
  return s;
}

// Entries at the same position (for a one-triangle file: the same position or its mirror). A
// mirrored pair in a symmetric or Hermitian file is refused: whether the file meant one value
// or the sum is ambiguous. Repeats at the same position are summed later, so they are reported
// in the warning (the first in file order and how many there are).
bool check_repeats(const LineReader& in, const EntryLines& lines, const Coordinate& c,
                   const ReadOptions& options, std::string& error) {
  const bool triangle = c.symmetry != Symmetry::general;
  const auto key_row = [&](int64_t k) { return triangle ? std::max(c.row[k], c.col[k]) : c.row[k]; };
  const auto key_col = [&](int64_t k) { return triangle ? std::min(c.row[k], c.col[k]) : c.col[k]; };
  // Bucket the entries by key row (in file order within a bucket), then sort each bucket by key
  // column; equal neighbours are repeats.
  std::vector<int64_t> start(static_cast<size_t>(c.nrows) + 2, 0);
  for (int64_t k = 0; k < c.entries(); ++k) ++start[key_row(k) + 1];
  for (size_t r = 1; r < start.size(); ++r) start[r] += start[r - 1];
  std::vector<int64_t> order(static_cast<size_t>(c.entries()));
  std::vector<int64_t> fill(start.begin(), start.end() - 1);
  for (int64_t k = 0; k < c.entries(); ++k) order[fill[key_row(k)]++] = k;
  int64_t repeats = 0, first_repeat = -1, repeat_of = -1, first_mirror = -1, mirror_of = -1;
  for (int32_t r = 1; r <= c.nrows; ++r) {
    if (start[r + 1] - start[r] < 2) continue;
    std::stable_sort(order.begin() + start[r], order.begin() + start[r + 1],
                     [&](int64_t x, int64_t y) { return key_col(x) < key_col(y); });
    for (int64_t p = start[r]; p + 1 < start[r + 1]; ++p) {
      const int64_t k1 = order[p], k2 = order[p + 1];
      if (key_col(k1) != key_col(k2)) continue;
      // Within a bucket equal keys keep file order, so k1 < k2.
      if (c.row[k1] != c.row[k2]) {
        if (first_mirror < 0 || k2 < first_mirror) first_mirror = k2, mirror_of = k1;
      } else {
        ++repeats;
        if (first_repeat < 0 || k2 < first_repeat) first_repeat = k2, repeat_of = k1;
      }
    }
  }
  if (first_mirror >= 0) {
    error = in.at(lines.line_of(first_mirror),
                  "entry " + position(c.row[first_mirror], c.col[first_mirror]) + " mirrors " +
                      position(c.row[mirror_of], c.col[mirror_of]) + " of line " +
                      std::to_string(lines.line_of(mirror_of)) +
                      ": a symmetric or Hermitian file stores each off-diagonal entry once");
    return false;
  }
  if (repeats > 0 && options.warning) {
    *options.warning =
        in.at(lines.line_of(first_repeat),
              "entry " + position(c.row[first_repeat], c.col[first_repeat]) + " repeats line " +
                  std::to_string(lines.line_of(repeat_of)) + "; " + std::to_string(repeats) +
                  (repeats == 1 ? " repeated entry" : " repeated entries") + " summed");
  }
  return true;
}

bool read_entries(LineReader& in, const Header& h, const int64_t size[3], Coordinate& out,
                  const ReadOptions& options, std::string& error) {
  const int width = h.field == Field::complex ? 2 : 1;
  const std::string form = width == 2 ? "'row column real imaginary'" : "'row column value'";
  // Reserve no more than what a sane file holds up front; a wrong count must not allocate terabytes.
  const size_t reserve = static_cast<size_t>(std::min<int64_t>(size[2], int64_t{1} << 24));
  out.row.reserve(reserve);
  out.col.reserve(reserve);
  out.val.reserve(reserve * width);
  EntryLines lines;
  const char *p, *end;
  for (int64_t k = 0; k < size[2]; ++k) {
    if (!in.next_data(p, end)) {
      error =
          in.at_line("file ends after " + std::to_string(k) + " of " + std::to_string(size[2]) + " entries");
      return false;
    }
    lines.record(k, in.line());
    int64_t i, j;
    double v[2] = {0.0, 0.0};
    if (!parse_int(p, end, i) || !parse_int(p, end, j)) {
      error = in.at_line("expected " + form);
      return false;
    }
    if (!check_index(in, i, size[0], "row", error) || !check_index(in, j, size[1], "column", error))
      return false;
    if (!parse_values(in, h, p, end, width, v, form, error)) return false;
    if (h.symmetry == Symmetry::hermitian && i == j && v[1] != 0.0) {
      error = in.at_line("diagonal entry of a Hermitian matrix with a nonzero imaginary part");
      return false;
    }
    if (h.skew && i == j && (v[0] != 0.0 || v[1] != 0.0)) {
      error = in.at_line("diagonal entry of a skew-symmetric matrix must be zero");
      return false;
    }
    out.row.push_back(static_cast<int32_t>(i));
    out.col.push_back(static_cast<int32_t>(j));
    out.val.insert(out.val.end(), v, v + width);
  }
  if (in.next_data(p, end)) {
    error = in.at_line("more entries than the " + std::to_string(size[2]) + " declared");
    return false;
  }
  return check_repeats(in, lines, out, options, error);
}

bool read_array(LineReader& in, const Header& h, const int64_t size[3], Dense& out, std::string& error) {
  const int width = h.field == Field::complex ? 2 : 1;
  const std::string form = width == 2 ? "'real imaginary'" : "'value'";
  out.nrows = static_cast<int32_t>(size[0]);
  out.ncols = static_cast<int32_t>(size[1]);
  out.complex = width == 2;
  out.val.reserve(static_cast<size_t>(std::min<int64_t>(size[2], int64_t{1} << 24)) * width);
  const char *p, *end;
  for (int64_t k = 0; k < size[2]; ++k) {
    if (!in.next_data(p, end)) {
      error =
          in.at_line("file ends after " + std::to_string(k) + " of " + std::to_string(size[2]) + " values");
      return false;
    }
    double v[2] = {0.0, 0.0};
    if (!parse_values(in, h, p, end, width, v, form, error)) return false;
    out.val.insert(out.val.end(), v, v + width);
  }
  if (in.next_data(p, end)) {
    error = in.at_line("more values than the " + std::to_string(size[2]) + " declared");
    return false;
  }
  return true;
}

bool parse_head(LineReader& in, Header& h, int64_t size[3], std::string& error, bool accept_skew = false) {
  return parse_header(in, h, error, accept_skew) && parse_size(in, h, size, error);
}

bool read_coordinate_from(LineReader& in, const std::string& name, Coordinate& out, std::string& error,
                          const ReadOptions& options) {
  Header h;
  int64_t size[3];
  if (options.warning) options.warning->clear();
  if (!parse_head(in, h, size, error, options.expand_skew)) return false;
  if (h.array) {
    error =
        name + ":1: the matrix must be a coordinate file (array files are read for right-hand sides only)";
    return false;
  }
  if (!check_memory(in, h, size, false, options, error)) return false;
  out = Coordinate{};
  out.nrows = static_cast<int32_t>(size[0]);
  out.ncols = static_cast<int32_t>(size[1]);
  out.field = h.field;
  out.symmetry = h.symmetry;
  if (!read_entries(in, h, size, out, options, error)) return false;
  if (h.skew) {
    // The file holds one triangle of A = -Aᵀ: the mirror of each entry follows it, negated.
    Coordinate full = out;
    full.symmetry = Symmetry::general;
    full.row.clear(), full.col.clear(), full.val.clear();
    const int w = out.width();
    for (int64_t k = 0; k < out.entries(); ++k) {
      const double* v = out.val.data() + w * k;
      full.row.push_back(out.row[k]), full.col.push_back(out.col[k]);
      full.val.insert(full.val.end(), v, v + w);
      if (out.row[k] == out.col[k]) continue;
      full.row.push_back(out.col[k]), full.col.push_back(out.row[k]);
      for (int c = 0; c < w; ++c) full.val.push_back(-v[c]);
    }
    out = std::move(full);
  }
  return true;
}

// The coordinate entries of a right-hand-side file spread into a dense block (the mirror of
// each off-diagonal entry of a one-triangle file included).
void expand(const Coordinate& c, Dense& out) {
  const int width = c.width();
  out.nrows = c.nrows;
  out.ncols = c.ncols;
  out.complex = width == 2;
  out.val.assign(static_cast<size_t>(c.nrows) * c.ncols * width, 0.0);
  for (int64_t k = 0; k < c.entries(); ++k) {
    const auto place = [&](int32_t i, int32_t j, double sign) {
      const size_t at = (static_cast<size_t>(j - 1) * c.nrows + (i - 1)) * width;
      out.val[at] += c.val[k * width];
      if (width == 2) out.val[at + 1] += sign * c.val[k * width + 1];
    };
    place(c.row[k], c.col[k], 1.0);
    if (c.symmetry != Symmetry::general && c.row[k] != c.col[k])
      place(c.col[k], c.row[k], c.symmetry == Symmetry::hermitian ? -1.0 : 1.0);
  }
}

bool read_dense_from(LineReader& in, const std::string& name, Dense& out, std::string& error,
                     const ReadOptions& options) {
  Header h;
  int64_t size[3];
  if (options.warning) options.warning->clear();
  if (!parse_head(in, h, size, error)) return false;
  out = Dense{};
  if (h.array && h.symmetry != Symmetry::general) {
    error = name + ":1: a right-hand side array must be general";
    return false;
  }
  if (!check_memory(in, h, size, true, options, error)) return false;
  if (h.array) return read_array(in, h, size, out, error);
  Coordinate c;
  c.nrows = static_cast<int32_t>(size[0]);
  c.ncols = static_cast<int32_t>(size[1]);
  c.field = h.field;
  c.symmetry = h.symmetry;
  if (!read_entries(in, h, size, c, options, error)) return false;
  expand(c, out);
  return true;
}

bool cannot_open(const std::string& path, std::string& error) {
  error = path + ": cannot open: " + std::strerror(errno);
  return false;
}

}  // namespace

bool read_coordinate(const std::string& path, Coordinate& out, std::string& error,
                     const ReadOptions& options) {
  LineReader in(std::fopen(path.c_str(), "rb"), path, true);
  if (!in.is_open()) return cannot_open(path, error);
  return read_coordinate_from(in, path, out, error, options);
}

bool read_coordinate(std::FILE* file, const std::string& name, Coordinate& out, std::string& error,
                     const ReadOptions& options) {
  LineReader in(file, name, false);
  if (!in.is_open()) return cannot_open(name, error);
  return read_coordinate_from(in, name, out, error, options);
}

bool read_dense(const std::string& path, Dense& out, std::string& error, const ReadOptions& options) {
  LineReader in(std::fopen(path.c_str(), "rb"), path, true);
  if (!in.is_open()) return cannot_open(path, error);
  return read_dense_from(in, path, out, error, options);
}

bool read_dense(std::FILE* file, const std::string& name, Dense& out, std::string& error,
                const ReadOptions& options) {
  LineReader in(file, name, false);
  if (!in.is_open()) return cannot_open(name, error);
  return read_dense_from(in, name, out, error, options);
}

namespace {

// Buffered writer that formats numbers with snprintf and reports the first write failure.
class Writer {
 public:
  explicit Writer(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {}
  ~Writer() {
    if (file_) std::fclose(file_);
  }
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;
  bool is_open() const { return file_ != nullptr; }
  void text(const std::string& s) { ok_ = ok_ && std::fwrite(s.data(), 1, s.size(), file_) == s.size(); }
  void index(int64_t v) {
    char b[24];
    auto r = std::to_chars(b, b + sizeof b, v);
    *r.ptr++ = ' ';
    ok_ = ok_ && std::fwrite(b, 1, static_cast<size_t>(r.ptr - b), file_) == static_cast<size_t>(r.ptr - b);
  }
  void value(double v, bool last) {
    char b[40];
    const int len = std::snprintf(b, sizeof b, "%.17g%c", v, last ? '\n' : ' ');
    ok_ = ok_ && std::fwrite(b, 1, static_cast<size_t>(len), file_) == static_cast<size_t>(len);
  }
  bool close() {
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok_ && closed;
  }

 private:
  std::FILE* file_;
  bool ok_ = true;
};

}  // namespace

bool write_coordinate(const std::string& path, const Csr& a, std::string& error) {
  Writer w(path);
  if (!w.is_open()) {
    error = path + ": cannot create: " + std::strerror(errno);
    return false;
  }
  const Coordinate c = to_coordinate(a);
  const char* symmetry = c.symmetry == Symmetry::general     ? "general"
                         : c.symmetry == Symmetry::symmetric ? "symmetric"
                                                             : "hermitian";
  w.text(std::string("%%MatrixMarket matrix coordinate ") + (a.complex ? "complex " : "real ") + symmetry +
         "\n");
  w.text(std::to_string(c.nrows) + " " + std::to_string(c.ncols) + " " + std::to_string(c.entries()) + "\n");
  const int width = c.width();
  for (int64_t k = 0; k < c.entries(); ++k) {
    w.index(c.row[k]);
    w.index(c.col[k]);
    for (int t = 0; t < width; ++t) w.value(c.val[k * width + t], t == width - 1);
  }
  if (!w.close()) {
    error = path + ": write failed";
    return false;
  }
  return true;
}

bool write_dense(const std::string& path, const Dense& x, std::string& error) {
  Writer w(path);
  if (!w.is_open()) {
    error = path + ": cannot create: " + std::strerror(errno);
    return false;
  }
  w.text(std::string("%%MatrixMarket matrix array ") + (x.complex ? "complex" : "real") + " general\n");
  w.text(std::to_string(x.nrows) + " " + std::to_string(x.ncols) + "\n");
  const int width = x.complex ? 2 : 1;
  const size_t count = static_cast<size_t>(x.nrows) * x.ncols;
  for (size_t k = 0; k < count; ++k) {
    for (int t = 0; t < width; ++t) w.value(x.val[k * width + t], t == width - 1);
  }
  if (!w.close()) {
    error = path + ": write failed";
    return false;
  }
  return true;
}

}  // namespace varnexo::tools
