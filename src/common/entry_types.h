// Scalar types of the exported entries as C and C++ callers spell them: a double-precision
// complex value is std::complex<double> in C++ and double _Complex in C, both two doubles with
// the real part first.
#pragma once

#ifdef __cplusplus
#include <complex>
typedef std::complex<double> varnexo_zcomplex;
#else
typedef double _Complex varnexo_zcomplex;
#endif
