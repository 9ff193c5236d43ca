// Output routines of the messages: every text is an 80-column blank-padded record whose
// trailing blanks are cut before it is used as a format; each line is flushed.
#pragma once
#include <cstdint>
#include <string>

namespace varnexo::output {

// The record without its trailing characters <= 32 (blanks and controls).
std::string trim_record(const std::string& record);

// An 80-column record with `label` from column 14 and `format` from column 62.
std::string statistics_record(const std::string& label, const std::string& format);

// Prints a record as a format with up to four int or double values, a newline, and flushes.
void to_stderr(const std::string& record, const int32_t* values = nullptr, int count = 0);
void to_stdout(const std::string& record, const int32_t* values = nullptr, int count = 0);
void to_stdout_real(const std::string& record, const double* values, int count);
void to_stderr_real(const std::string& record, const double* values, int count);
void to_stdout_real_int(const std::string& record, double value, int32_t ivalue);
void empty_line();

// Prints values with a Fortran format of quoted strings, f and e edit descriptors and repeated
// groups, e.g. "(' cgs-init:',f4.0,2(e12.3))", as a Fortran compiler's list would (0.123E-04,
// stars when a field overflows); one line on standard output, flushed.
void fortran_line(const char* format, int32_t count, const double* values);

}  // namespace varnexo::output
