// Test driver of the plug-in's sequential tests: PETSc starts before the tests and the solver
// type is registered the way an application registers it. Listing the tests (CTest's discovery)
// starts neither PETSc nor MPI.
#include <gtest/gtest.h>
#include <petscsys.h>

#include "varnexo_petsc.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  if (PetscInitialize(&argc, &argv, nullptr, nullptr) != 0) return 1;
  if (VarnexoPetscRegister() != 0) return 1;
  const int result = RUN_ALL_TESTS();
  return PetscFinalize() != 0 ? 1 : result;
}
