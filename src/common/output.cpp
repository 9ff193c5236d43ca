// Output routines: records trimmed and printed as C formats, with their exported Fortran-style
// entry points. The error texts go to standard error, everything else to standard output.
#include "common/output.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/common_entries.h"
#include "common/export.h"
#include "common/guard.h"

namespace varnexo::output {

std::string trim_record(const std::string& record) {
  size_t end = record.size();
  while (end > 0 && (unsigned char)record[end - 1] <= 32) --end;
  return record.substr(0, end);
}

std::string statistics_record(const std::string& label, const std::string& format) {
  std::string r(80, ' ');
  r.replace(13, label.size(), label);
  r.replace(61, format.size(), format);
  return r.substr(0, 80 > 61 + format.size() ? 80 : 61 + format.size());
}

namespace {

// Fortran Fw.d: fixed notation in a field of w characters (stars when it does not fit).
std::string fortran_f(double v, int w, int d) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", d, v);
  std::string s = buf;
  if (d == 0) s += '.';
  if ((int)s.size() > w) return std::string(w, '*');
  return std::string(w - s.size(), ' ') + s;
}

// Fortran Ew.d: 0.ddd mantissa and a signed two-digit exponent (E dropped past 99).
std::string fortran_e(double v, int w, int d) {
  std::string s;
  if (v == 0.0 || !std::isfinite(v)) {
    s = v == 0.0 ? "0." + std::string(d, '0') + "E+00"
                 : (std::isnan(v) ? "NaN" : (v > 0 ? "Infinity" : "-Infinity"));
  } else {
    int e = (int)std::floor(std::log10(std::fabs(v))) + 1;
    double m = std::fabs(v) / std::pow(10.0, e);
    double scale = std::pow(10.0, d);
    double r = std::round(m * scale) / scale;
    if (r >= 1.0) {
      r /= 10.0;
      e += 1;
    } else if (r < 0.1) {
      r *= 10.0;
      e -= 1;
    }
    char mant[32], ex[16];
    std::snprintf(mant, sizeof mant, "%.*f", d, r);
    const int ae = std::abs(e);
    if (ae <= 99)
      std::snprintf(ex, sizeof ex, "E%c%02d", e < 0 ? '-' : '+', ae);
    else
      std::snprintf(ex, sizeof ex, "%c%03d", e < 0 ? '-' : '+', ae);
    s = std::string(v < 0 ? "-" : "") + mant + ex;
  }
  if ((int)s.size() > w) return std::string(w, '*');
  return std::string(w - s.size(), ' ') + s;
}

// Appends the items of one format list (between its parentheses) to out; a repeat count before
// an edit descriptor or a parenthesised group repeats it. Returns the position after the list.
const char* format_list(const char* p, int32_t count, const double* values, int32_t& next, std::string& out) {
  while (*p && *p != ')') {
    if (*p == '\'') {
      const char* end = std::strchr(p + 1, '\'');
      if (!end) return p + std::strlen(p);
      out.append(p + 1, end);
      p = end + 1;
      continue;
    }
    int repeat = 1;
    if (std::isdigit((unsigned char)*p)) repeat = (int)std::strtol(p, const_cast<char**>(&p), 10);
    if (*p == '(') {
      const char* after = p + 1;
      for (int r = 0; r < repeat; ++r) after = format_list(p + 1, count, values, next, out);
      p = *after == ')' ? after + 1 : after;
      continue;
    }
    if (*p == 'f' || *p == 'e') {
      const char kind = *p++;
      const int w = (int)std::strtol(p, const_cast<char**>(&p), 10);
      int d = 0;
      if (*p == '.') d = (int)std::strtol(p + 1, const_cast<char**>(&p), 10);
      for (int r = 0; r < repeat && next < count; ++r, ++next)
        out += kind == 'f' ? fortran_f(values[next], w, d) : fortran_e(values[next], w, d);
      continue;
    }
    if (*p) ++p;  // separators
  }
  return p;
}

}  // namespace

void fortran_line(const char* format, int32_t count, const double* values) {
  std::string out;
  int32_t next = 0;
  const char* p = format;
  while (*p == ' ') ++p;
  if (*p == '(') ++p;
  format_list(p, count, values, next, out);
  std::fputs(out.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

namespace {
void print_ints(FILE* f, const std::string& record, const int32_t* v, int count) {
  const std::string fmt = trim_record(record);
  int32_t a[4] = {0, 0, 0, 0};
  for (int k = 0; k < count && k < 4; ++k) a[k] = v[k];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
  std::fprintf(f, fmt.c_str(), a[0], a[1], a[2], a[3]);
#pragma GCC diagnostic pop
  std::fputc('\n', f);
  std::fflush(f);
}
}  // namespace

void to_stderr(const std::string& record, const int32_t* values, int count) {
  print_ints(stderr, record, values, count);
}
void to_stdout(const std::string& record, const int32_t* values, int count) {
  print_ints(stdout, record, values, count);
}

namespace {
void print_reals(FILE* f, const std::string& record, const double* v, int count) {
  const std::string fmt = trim_record(record);
  double a[4] = {0, 0, 0, 0};
  for (int k = 0; k < count && k < 4; ++k) a[k] = v[k];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
  std::fprintf(f, fmt.c_str(), a[0], a[1], a[2], a[3]);
#pragma GCC diagnostic pop
  std::fputc('\n', f);
  std::fflush(f);
}
}  // namespace

void to_stdout_real(const std::string& record, const double* v, int count) {
  print_reals(stdout, record, v, count);
}
void to_stderr_real(const std::string& record, const double* v, int count) {
  print_reals(stderr, record, v, count);
}

void to_stdout_real_int(const std::string& record, double value, int32_t ivalue) {
  const std::string fmt = trim_record(record);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
  std::printf(fmt.c_str(), value, ivalue);
#pragma GCC diagnostic pop
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

void empty_line() {
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace varnexo::output

using namespace varnexo::output;
using varnexo::guard_entry;

// A record that cannot be formatted for lack of memory is not printed: these entries have no
// status to report it in.
extern "C" {

VARNEXO_EXPORT void print_ci_(const int32_t* ignored, const char* format, const int32_t* count,
                              const int32_t* values) {
  (void)ignored;
  guard_entry(nullptr, {}, [&] { to_stderr(format, values, *count); });
}
VARNEXO_UNDERSCORE_ALIAS(print_ci_);

VARNEXO_EXPORT void prints_ci_(const int32_t* ignored, const char* format, const int32_t* count,
                               const int32_t* values) {
  (void)ignored;
  guard_entry(nullptr, {}, [&] { to_stdout(format, values, *count); });
}
VARNEXO_UNDERSCORE_ALIAS(prints_ci_);

VARNEXO_EXPORT void prints_cr_(const int32_t* ignored, const char* format, const int32_t* count,
                               const double* values) {
  (void)ignored;
  guard_entry(nullptr, {}, [&] { to_stdout_real(format, values, *count); });
}
VARNEXO_UNDERSCORE_ALIAS(prints_cr_);

VARNEXO_EXPORT void prints_cri_(const int32_t* ignored, const char* format, const double* value,
                                const int32_t* ivalue) {
  (void)ignored;
  guard_entry(nullptr, {}, [&] { to_stdout_real_int(format, *value, *ivalue); });
}
VARNEXO_UNDERSCORE_ALIAS(prints_cri_);

VARNEXO_EXPORT void newline_() { empty_line(); }
VARNEXO_UNDERSCORE_ALIAS(newline_);

// Copies `length` characters of `record` without its trailing characters <= 32 into `buffer`,
// NUL-terminated; returns the used length in out_length.
VARNEXO_EXPORT void conv_atoi_(const int32_t* length, const char* record, int32_t* out_length, char* buffer) {
  int32_t n = *length;
  while (n > 0 && (unsigned char)record[n - 1] <= 32) --n;
  std::memcpy(buffer, record, (size_t)n);
  buffer[n] = '\0';
  *out_length = n;
}
VARNEXO_UNDERSCORE_ALIAS(conv_atoi_);

}  // extern "C"
