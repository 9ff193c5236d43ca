// Subdomain factorisation time of a distributed run: a 3D Laplacian on an m^3 grid split by rows
// over the ranks (two ranks: two slabs), and the diagonal block of each rank (the subdomain block
// Jacobi factors) factored by varnexo, by PETSc's own factorisation and by MUMPS, one after the
// other, as LU and as Cholesky (the block is flagged SPD). Prints a Markdown table: median over
// the repeats of the slowest rank's symbolic, numeric and solve times, the factor's nonzeros and
// the backward error of the subdomain solve, and each factorisation time over varnexo's.
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
PetscErrorCode measure(Mat block, const char* solver, MatFactorType type, Times* t) {
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
  PetscCall(MatGetFactor(block, solver, type, &F));
  if (std::string(solver) == MATSOLVERPETSC) PetscCall(MatGetOrdering(block, MATORDERINGND, &row, &col));
  if (type == MAT_FACTOR_LU)
    PetscCall(MatLUFactorSymbolic(F, block, row, col, &info));
  else
    PetscCall(MatCholeskyFactorSymbolic(F, block, row, &info));
  t->symbolic = slowest(start);
  start = MPI_Wtime();
  if (type == MAT_FACTOR_LU)
    PetscCall(MatLUFactorNumeric(F, block, &info));
  else
    PetscCall(MatCholeskyFactorNumeric(F, block, &info));
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

struct Run {
  const char* kind;
  MatFactorType type;
  const char* solver;
  const char* options;  // inserted for this run only
};

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
  PetscCall(PetscPrintf(PETSC_COMM_WORLD,
                        "| factorisation | solver | symbolic | numeric | total | solve | nnz(factor) | "
                        "backward error | total / varnexo |\n"
                        "|---|---|---:|---:|---:|---:|---:|---:|---:|\n"));
  PetscCall(MatSetOption(block, MAT_SPD, PETSC_TRUE));
  PetscBool mumps;
  PetscCall(MatGetFactorAvailable(block, MATSOLVERMUMPS, MAT_FACTOR_LU, &mumps));
  // varnexo runs first with its defaults, then (LU) without the weighted matching, which a
  // Laplacian does not need.
  const Run runs[] = {{"LU", MAT_FACTOR_LU, MATSOLVERVARNEXO, nullptr},
                      {"LU", MAT_FACTOR_LU, MATSOLVERVARNEXO, "-mat_varnexo_matching 0"},
                      {"LU", MAT_FACTOR_LU, MATSOLVERPETSC, nullptr},
                      {"LU", MAT_FACTOR_LU, MATSOLVERMUMPS, nullptr},
                      {"Cholesky", MAT_FACTOR_CHOLESKY, MATSOLVERVARNEXO, nullptr},
                      {"Cholesky", MAT_FACTOR_CHOLESKY, MATSOLVERPETSC, nullptr},
                      {"Cholesky", MAT_FACTOR_CHOLESKY, MATSOLVERMUMPS, nullptr}};
  double ours = 0;
  for (const Run& run : runs) {
    if (std::string(run.solver) == MATSOLVERMUMPS && !mumps) continue;
    if (run.options) PetscCall(PetscOptionsInsertString(nullptr, run.options));
    std::vector<double> sym, num, total, sol;
    Times t;
    for (PetscInt k = 0; k < repeat; ++k) {
      PetscCall(measure(block, run.solver, run.type, &t));
      sym.push_back(t.symbolic);
      num.push_back(t.numeric);
      total.push_back(t.symbolic + t.numeric);
      sol.push_back(t.solve);
    }
    if (run.options) PetscCall(PetscOptionsClearValue(nullptr, "-mat_varnexo_matching"));
    const double factorisation = median(total);
    if (std::string(run.solver) == MATSOLVERVARNEXO && !run.options) ours = factorisation;
    const std::string label = std::string(run.solver) + (run.options ? std::string(" ") + run.options : "");
    PetscCall(PetscPrintf(PETSC_COMM_WORLD,
                          "| %s | %s | %.3f | %.3f | %.3f | %.4f | %.2f M | %.1e | %.2f |\n", run.kind,
                          label.c_str(), median(sym), median(num), factorisation, median(sol), t.nnz / 1e6,
                          t.backward_error, factorisation / ours));
  }
  PetscCall(MatDestroy(&A));
  PetscCall(PetscFinalize());
  return 0;
}
