/* A C caller of the LDLᵀ block solve with no work array: under an address-space limit, a
 * right-hand-side count whose private scratch cannot be had must give the memory status (-2),
 * not end the calling program. The limited call runs in a child process; the parent reports
 * how the child ended. */
#define _GNU_SOURCE
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "solve/solve_entries.h"

/* The factor of diag(2, 4) as one supernode of two columns: L = I, D on the diagonal, two 1×1
 * Bunch–Kaufman pivots without interchanges. */
static const int32_t n = 2, nsuper = 1, xsuper[2] = {1, 3}, xlindx[2] = {1, 3}, lindx[2] = {1, 2};
static const int32_t xlnz[3] = {1, 3, 5}, pivot[2] = {1, 2}, bunch_kaufman = 1, whole = 0;
static const double lnz[4] = {2.0, 0.0, 0.0, 4.0};

static int32_t solve(int32_t nb, double* x) {
  const int32_t ldw = 0;
  int32_t error = 12345;
  blkldlslvs_varnexo_(&n, &nsuper, &nb, xsuper, xlindx, lindx, xlnz, lnz, pivot, &bunch_kaufman, x, NULL,
                      &ldw, &whole, &error);
  return error;
}

/* Bytes of address space the process holds now. */
static long long address_space(void) {
  long long pages = 0;
  FILE* f = fopen("/proc/self/statm", "r");
  if (f == NULL) return -1;
  if (fscanf(f, "%lld", &pages) != 1) pages = -1;
  fclose(f);
  return pages < 0 ? -1 : pages * sysconf(_SC_PAGESIZE);
}

/* In the child: 256 MiB of address space beyond what is held, then a solve of 2^29 right-hand
 * sides, whose scratch (one value per right-hand side) needs 4 GiB. Exit 0 on the memory status. */
static int limited_child(void) {
  const long long held = address_space();
  if (held < 0) return 3;
  struct rlimit limit;
  limit.rlim_cur = limit.rlim_max = (rlim_t)(held + (256LL << 20));
  if (setrlimit(RLIMIT_AS, &limit) != 0) return 4;
  double x[2] = {2.0, 8.0};
  const int32_t error = solve(1 << 29, x);
  if (error != -2) {
    printf("error %d instead of the memory status -2\n", (int)error);
    return 1;
  }
  if (x[0] != 2.0 || x[1] != 8.0) {
    printf("the right-hand sides were written after the failure\n");
    return 2;
  }
  return 0;
}

int main(void) {
  /* The same call with one right-hand side solves diag(2, 4)·x = (2, 8). */
  double x[2] = {2.0, 8.0};
  const int32_t error = solve(1, x);
  if (error != 0 || x[0] != 1.0 || x[1] != 2.0) {
    printf("control solve: error %d, x = (%g, %g)\n", (int)error, x[0], x[1]);
    return 1;
  }
  fflush(stdout);
  const pid_t child = fork();
  if (child < 0) {
    perror("fork");
    return 1;
  }
  if (child == 0) _exit(limited_child());
  int status = 0;
  if (waitpid(child, &status, 0) != child) {
    perror("waitpid");
    return 1;
  }
  if (WIFSIGNALED(status)) {
    printf("the limited solve ended the caller with signal %d\n", WTERMSIG(status));
    return 1;
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    printf("the limited solve failed (child status %d)\n", WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    return 1;
  }
  return 0;
}
