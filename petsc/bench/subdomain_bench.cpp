// Subdomain factorisation time of a distributed run: a 3D Laplacian on an m^3 grid split by rows
// over the ranks (two ranks: two slabs), and the diagonal block of each rank (the subdomain block
// Jacobi factors) factored by varnexo, by PETSc's own LU and by MUMPS, one after the other.
// Prints a Markdown table: median over the repeats of the slowest rank's symbolic, numeric and
// solve times, the factor's nonzeros and the backward error of the subdomain solve.
//
//   mpirun -n 2 petsc_subdomain_bench -m 40 -repeat 3
#include <petscksp.h>

#include <algorithm>
#include <string>
#include <vector>

#include "varnexo_petsc.h"

namespace {

PetscErrorCode laplace3d(PetscInt m, Mat* A) {
  PetscInt first, last;
  PetscFunctionBegin;
  const PetscInt n = m * m * m;
  PetscCall(MatCreateAIJ(PETSC_COMM_WORLD, PETSC_DECIDE, PETSC_DECIDE, n, n, 7, nullptr, 3, nullptr, A));
  PetscCall(MatGetOwnershipRange(*A, &first, &last));
  for (PetscInt row = first; row < last; ++row) {
    PetscCall(MatSetValue(*A, row, row, 6.0, INSERT_VALUES));
    for (PetscInt step = 1; step < n; step *= m) {
      const PetscInt coord = (row / step) % m;
      if (coord > 0) PetscCall(MatSetValue(*A, row, row - step, -1.0, INSERT_VALUES));
      if (coord < m - 1) PetscCall(MatSetValue(*A, row, row + step, -1.0, INSERT_VALUES));
    }
  }
  PetscCall(MatAssemblyBegin(*A, MAT_FINAL_ASSEMBLY));
  PetscCall(MatAssemblyEnd(*A, MAT_FINAL_ASSEMBLY));
  PetscFunctionReturn(0);
}

// The slowest rank's time since `start`.
double slowest(double start) {
  double local = MPI_Wtime() - start, global = 0.0;
  MPI_Allreduce(&local, &global, 1, MPI_DOUBLE, MPI_MAX, PETSC_COMM_WORLD);
  return global;
}

struct Times {
  double symbolic = 0, numeric = 0, solve = 0, nnz = 0, backward_error = 0;
};

// ‖b − A·x‖∞ / (‖A‖∞·‖x‖∞ + ‖b‖∞) of the subdomain solve, the largest over the ranks.
PetscErrorCode backward_error(Mat A, Vec x, Vec b, double* error) {
  Vec r;
  PetscReal rn, an, xn, bn;
  PetscFunctionBegin;
  PetscCall(VecDuplicate(b, &r));
  PetscCall(MatMult(A, x, r));
  PetscCall(VecAYPX(r, -1.0, b));
  PetscCall(VecNorm(r, NORM_INFINITY, &rn));
  PetscCall(MatNorm(A, NORM_INFINITY, &an));
  PetscCall(VecNorm(x, NORM_INFINITY, &xn));
  PetscCall(VecNorm(b, NORM_INFINITY, &bn));
  double local = rn / (an * xn + bn);
  PetscCallMPI(MPI_Allreduce(&local, error, 1, MPI_DOUBLE, MPI_MAX, PETSC_COMM_WORLD));
  PetscCall(VecDestroy(&r));
  PetscFunctionReturn(0);
}

// One factorisation and solve of the subdomain block with `solver`.
PetscErrorCode measure(Mat block, const char* solver, Times* t) {
  Mat F;
  Vec x, b;
  MatFactorInfo info;
  MatInfo minfo;
  IS row = nullptr, col = nullptr;
  PetscFunctionBegin;
  PetscCall(MatFactorInfoInitialize(&info));
  PetscCall(MatCreateVecs(block, &x, &b));
  PetscCall(VecSet(x, 1.0));
  PetscCall(MatMult(block, x, b));
  PetscCallMPI(MPI_Barrier(PETSC_COMM_WORLD));
  double start = MPI_Wtime();
  PetscCall(MatGetFactor(block, solver, MAT_FACTOR_LU, &F));
  PetscBool ordering;
  PetscCall(MatFactorGetCanUseOrdering(F, &ordering));
  if (ordering && std::string(solver) == MATSOLVERPETSC)
    PetscCall(MatGetOrdering(block, MATORDERINGND, &row, &col));
  PetscCall(MatLUFactorSymbolic(F, block, row, col, &info));
  t->symbolic = slowest(start);
  start = MPI_Wtime();
  PetscCall(MatLUFactorNumeric(F, block, &info));
  t->numeric = slowest(start);
  start = MPI_Wtime();
  PetscCall(MatSolve(F, b, x));
  t->solve = slowest(start);
  PetscCall(backward_error(block, x, b, &t->backward_error));
  PetscCall(MatGetInfo(F, MAT_LOCAL, &minfo));
  double local = minfo.nz_used;
  PetscCallMPI(MPI_Allreduce(&local, &t->nnz, 1, MPI_DOUBLE, MPI_MAX, PETSC_COMM_WORLD));
  PetscCall(ISDestroy(&row));
  PetscCall(ISDestroy(&col));
  PetscCall(MatDestroy(&F));
  PetscCall(VecDestroy(&x));
  PetscCall(VecDestroy(&b));
  PetscFunctionReturn(0);
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  PetscInt m = 40, repeat = 3;
  PetscMPIInt ranks;
  Mat A, block;
  PetscCall(PetscInitialize(&argc, &argv, nullptr, nullptr));
  PetscCall(VarnexoPetscRegister());
  PetscCall(PetscOptionsGetInt(nullptr, nullptr, "-m", &m, nullptr));
  PetscCall(PetscOptionsGetInt(nullptr, nullptr, "-repeat", &repeat, nullptr));
  PetscCallMPI(MPI_Comm_size(PETSC_COMM_WORLD, &ranks));
  PetscCall(laplace3d(m, &A));
  PetscCall(MatGetDiagonalBlock(A, &block));
  PetscInt rows;
  PetscCall(MatGetSize(block, &rows, nullptr));
  PetscCall(PetscPrintf(PETSC_COMM_WORLD,
                        "laplace3d:%" PetscInt_FMT " on %d ranks, subdomain of %" PetscInt_FMT
                        " rows per rank, median of %" PetscInt_FMT ", slowest rank, seconds\n\n",
                        m, (int)ranks, rows, repeat));
  PetscCall(
      PetscPrintf(PETSC_COMM_WORLD,
                  "| solver | symbolic | numeric | factorisation | solve | nnz(L+U) | "
                  "backward error | factorisation / varnexo |\n|---|---:|---:|---:|---:|---:|---:|---:|\n"));
  std::vector<const char*> solvers = {MATSOLVERVARNEXO, MATSOLVERPETSC};
  PetscBool mumps;
  PetscCall(MatGetFactorAvailable(block, MATSOLVERMUMPS, MAT_FACTOR_LU, &mumps));
  if (mumps) solvers.push_back(MATSOLVERMUMPS);
  double ours = 0;
  for (const char* solver : solvers) {
    std::vector<double> sym, num, total, sol;
    Times t;
    for (PetscInt k = 0; k < repeat; ++k) {
      PetscCall(measure(block, solver, &t));
      sym.push_back(t.symbolic);
      num.push_back(t.numeric);
      total.push_back(t.symbolic + t.numeric);
      sol.push_back(t.solve);
    }
    const double factorisation = median(total);
    if (solver == solvers[0]) ours = factorisation;
    PetscCall(PetscPrintf(PETSC_COMM_WORLD, "| %s | %.3f | %.3f | %.3f | %.4f | %.2f M | %.1e | %.2f |\n",
                          solver, median(sym), median(num), factorisation, median(sol), t.nnz / 1e6,
                          t.backward_error, factorisation / ours));
  }
  PetscCall(MatDestroy(&A));
  PetscCall(PetscFinalize());
  return 0;
}
