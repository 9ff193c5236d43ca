// Sanitizer settings of the PETSc test programs, linked in sanitizer builds only: what MPI and
// PETSc allocate while they start and stop (and MPI's progress thread) stays allocated by design
// and is not reported as leaked. Leaks of the plug-in and the library have stacks through the
// tests' own calls and are still reported; full stack unwinding lets the suppressions see the
// start-up frames through MPI's libraries, which keep no frame pointers.
extern "C" {
__attribute__((visibility("default"))) const char* __asan_default_options() {
  return "fast_unwind_on_malloc=0";
}

__attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
  return "leak:PetscInitialize\n"
         "leak:PetscFinalize\n"
         "leak:MPI_Init\n"
         "leak:MPI_Finalize\n"
         "leak:ompi_mpi_init\n"
         "leak:ompi_mpi_finalize\n"
         "leak:event_base_loop\n"
         "leak:libevent\n";
}
}
