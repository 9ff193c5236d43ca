// Exported entries of the output routines: records printed as C formats with up to four values
// (error texts to standard error, the rest to standard output), and the record trimmer. Fortran
// style, every argument by pointer; each name is also exported with a leading underscore. Included
// by the file that defines them; C callers include it too.
#pragma once
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// The record `format` (80 columns, trailing blanks cut) printed with `count` (<= 4) values, a
// newline, and flushed; the first argument is not read. print_ci_ writes to standard error.
void print_ci_(const int32_t* ignored, const char* format, const int32_t* count, const int32_t* values);
void prints_ci_(const int32_t* ignored, const char* format, const int32_t* count, const int32_t* values);
void prints_cr_(const int32_t* ignored, const char* format, const int32_t* count, const double* values);
void prints_cri_(const int32_t* ignored, const char* format, const double* value, const int32_t* ivalue);
// An empty line on standard output.
void newline_();
// Copies `length` characters of `record` without its trailing characters <= 32 into `buffer`,
// NUL-terminated (buffer: length + 1 bytes); returns the used length in out_length.
void conv_atoi_(const int32_t* length, const char* record, int32_t* out_length, char* buffer);

#ifdef __cplusplus
}  // extern "C"
#endif
