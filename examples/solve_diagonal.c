/* Solves a small diagonal system through the public call and prints the solution. */
#include <stdio.h>
#include <varnexo.h>

int main(void) {
  void* handle[64];
  int32_t iparam[64] = {0}; /* varnexoinit_ keeps iparam[2], the processor count */
  int32_t type = VARNEXO_REAL_SPD, one = 1, phase = VARNEXO_PHASE_ANALYSIS_FACTOR_SOLVE, n = 4, nb = 1;
  int32_t msglvl = 0, error = 0, perm[4];
  int32_t ia[5] = {1, 2, 3, 4, 5}, ja[4] = {1, 2, 3, 4};
  double a[4] = {2.0, 4.0, 8.0, 16.0}, b[4] = {1.0, 1.0, 1.0, 1.0}, x[4];

  varnexoinit_(handle, &type, iparam);
  varnexo_(handle, &one, &one, &type, &phase, &n, a, ia, ja, perm, &nb, iparam, &msglvl, b, x, &error);
  if (error != 0) {
    fprintf(stderr, "varnexo error %d\n", error);
    return 1;
  }
  for (int i = 0; i < n; ++i) printf("x(%d) = %g\n", i + 1, x[i]);
  phase = VARNEXO_PHASE_RELEASE_ALL;
  varnexo_(handle, &one, &one, &type, &phase, &n, a, ia, ja, perm, &nb, iparam, &msglvl, b, x, &error);
  return error == 0 ? 0 : 1;
}
