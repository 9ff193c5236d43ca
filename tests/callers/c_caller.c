/* A C caller that sees only the public header and the shared library: the edge cases of the
 * public call that hold before any factorisation. Prints one line per failed check and exits
 * non-zero when any failed. */
#include <stdio.h>
#include <string.h>
#include <varnexo.h>

static int failures = 0;
#define CHECK(cond)                                             \
  do {                                                          \
    if (!(cond)) {                                              \
      printf("check failed at line %d: %s\n", __LINE__, #cond); \
      ++failures;                                               \
    }                                                           \
  } while (0)

static int32_t call(void* handle, int32_t type, int32_t phase, int32_t n, const double* a, int32_t* ia,
                    int32_t* ja, int32_t nb, int32_t* iparam, double* b, double* x) {
  int32_t one = 1, msglvl = 0, error = 0, perm[8] = {0};
  varnexo_(handle, &one, &one, &type, &phase, &n, a, ia, ja, perm, &nb, iparam, &msglvl, b, x, &error);
  return error;
}

int main(void) {
  void* handle[VARNEXO_HANDLE_SLOTS];
  int32_t iparam[VARNEXO_IPARAM_SIZE];
  int32_t type = VARNEXO_REAL_UNSYM;
  iparam[VARNEXO_IPARAM_NPROC - 1] = 7;
  varnexoinit_(handle, &type, iparam);
  CHECK(iparam[VARNEXO_IPARAM_NPROC - 1] == 7);
  CHECK(iparam[VARNEXO_IPARAM_PIVOT_EXPONENT - 1] == 12);
  CHECK(iparam[VARNEXO_IPARAM_MAX_REFINE - 1] == 2);

  int32_t ia[4] = {1, 2, 3, 4}, ja[3] = {1, 2, 3};
  double a[3] = {2, -4, 8}, b[6] = {2, 4, 8, 4, 8, 16}, x[6];
  CHECK(call(handle, -2, VARNEXO_PHASE_INFO_PARAMS, 3, a, ia, ja, 1, iparam, b, x) == 18);
  CHECK(iparam[0] == 23);
  iparam[0] = 1;
  CHECK(call(handle, -2, VARNEXO_PHASE_INFO_VERSION, 3, a, ia, ja, 1, iparam, b, x) == 300000);
  CHECK(call(handle, -2, VARNEXO_PHASE_ANALYSIS_FACTOR_SOLVE, 3, a, ia, ja, 2, iparam, b, x) == 0);
  CHECK(x[0] == 1 && x[1] == -1 && x[2] == 1 && x[3] == 2 && x[4] == -2 && x[5] == 2);
  CHECK(iparam[VARNEXO_IPARAM_POSITIVE - 1] == 2 && iparam[VARNEXO_IPARAM_NEGATIVE - 1] == 1);
  CHECK(handle[1] == NULL);
  /* A bad argument is an error code, never a stop: -7 when messages are off. */
  int32_t ia2[4] = {1, 3, 4, 5}, ja2[4] = {1, 2, 2, 3};
  double a2[4] = {4, 1, 4, 4};
  iparam[VARNEXO_IPARAM_SOLUTION_ON_B - 1] = 3;
  CHECK(call(handle, 2, VARNEXO_PHASE_ANALYSIS, 3, a2, ia2, ja2, 1, iparam, b, x) == VARNEXO_ERROR_INTERNAL);
  iparam[VARNEXO_IPARAM_SOLUTION_ON_B - 1] = 0;
  ja2[1] = 9;
  CHECK(call(handle, 2, VARNEXO_PHASE_ANALYSIS, 3, a2, ia2, ja2, 1, iparam, b, x) == VARNEXO_ERROR_INTERNAL);
  CHECK(call(handle, 2, VARNEXO_PHASE_RELEASE_ALL, 3, a2, ia2, ja2, 1, iparam, b, x) == 0);
  for (int k = 0; k < VARNEXO_HANDLE_SLOTS; ++k) CHECK(handle[k] == NULL);
  printf("%d checks failed\n", failures);
  return failures == 0 ? 0 : 1;
}
