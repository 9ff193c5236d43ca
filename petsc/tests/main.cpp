// Test driver of the plug-in's sequential tests: PETSc starts before the tests and the solver
// type is registered the way an application registers it.
#include <gtest/gtest.h>
#include <petscsys.h>

#include "varnexo_petsc.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (PetscInitialize(&argc, &argv, nullptr, nullptr) != 0) return 1;
  if (VarnexoPetscRegister() != 0) return 1;
  const int result = RUN_ALL_TESTS();
  return PetscFinalize() != 0 ? 1 : result;
}
