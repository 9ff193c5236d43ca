// Deterministic model problems for the tests, the benchmark and the command (input stage): grid
// Laplacians, elasticity-like block stencils, Helmholtz, saddle-point, convection-diffusion and
// Hermitian problems, built as coordinate matrices with the matrix type that suits each.
#pragma once
#include <string>

#include "sparse.h"

namespace varnexo::tools {

struct Problem {
  std::string name;         // the description it was generated from, e.g. "laplace3d:40"
  int32_t matrix_type = 0;  // the library's matrix type that fits the problem
  Coordinate matrix;        // symmetric/Hermitian problems keep the upper triangle
};

// Builds the problem named by `description`, "kind:N[:parameter]":
//   laplace2d:N            5-point Laplacian on an N x N grid, SPD (type 2)
//   laplace3d:N            7-point Laplacian on an N^3 grid, SPD (type 2)
//   elasticity3d:N         27-point grid coupling with 3 unknowns per node, SPD (type 2)
//   shifted3d:N:s          7-point Laplacian minus s times the identity, symmetric indefinite (-2)
//   kkt:N                  saddle point [H Bᵀ; B 0], H the 2D Laplacian, B cell averages (-2)
//   helmholtz3d:N:k        7-point Helmholtz operator with absorption, complex symmetric (6)
//   convdiff3d:N:peclet    upwind convection-diffusion, real unsymmetric (11)
//   hermitian3d:N          7-point magnetic Laplacian with a shift, Hermitian positive definite (4)
//   hermitian3d:N:s        the same minus s times the identity, Hermitian indefinite (-4)
//   randunsym:N            random unsymmetric pattern, diagonal 0.6-1.6 x the row's off-diagonal
//                          sum, real unsymmetric (11)
// Deterministic: the same description gives the same matrix. Returns false with `error` set for an
// unknown kind, a missing or bad number, a problem with more than 2^31-2 unknowns, or one whose
// solve cannot fit in memory (matrix_solve_bytes with one entry per unknown).
bool generate(const std::string& description, Problem& out, std::string& error);

// One line per kind, for the command's help text.
std::string generator_help();

}  // namespace varnexo::tools
