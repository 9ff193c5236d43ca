// Output routines: records trimmed and printed as C formats, with their exported Fortran-style
// entry points. The error texts go to standard error, everything else to standard output.
#include "common/output.h"

#include <cstdio>
#include <cstring>

#include "common/export.h"

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

extern "C" {

VARNEXO_EXPORT void print_ci_(const int32_t* ignored, const char* format, const int32_t* count,
                              const int32_t* values) {
  (void)ignored;
  to_stderr(format, values, *count);
}
VARNEXO_UNDERSCORE_ALIAS(print_ci_);

VARNEXO_EXPORT void prints_ci_(const int32_t* ignored, const char* format, const int32_t* count,
                               const int32_t* values) {
  (void)ignored;
  to_stdout(format, values, *count);
}
VARNEXO_UNDERSCORE_ALIAS(prints_ci_);

VARNEXO_EXPORT void prints_cr_(const int32_t* ignored, const char* format, const int32_t* count,
                               const double* values) {
  (void)ignored;
  to_stdout_real(format, values, *count);
}
VARNEXO_UNDERSCORE_ALIAS(prints_cr_);

VARNEXO_EXPORT void prints_cri_(const int32_t* ignored, const char* format, const double* value,
                                const int32_t* ivalue) {
  (void)ignored;
  to_stdout_real_int(format, *value, *ivalue);
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
