// The -mat_varnexo_* options of a factor, read when its analysis starts: each overrides one entry
// of the parameter array that varnexoinit_ filled with the defaults of the matrix type.
#include "plugin.h"

namespace varnexo::petsc {

const char* const kOrderingNames[3] = {"mmd", "cmd", "nd"};

namespace {

// Reads one integer option into iparam(position), bounded to [low, high]; the current entry is the
// default shown by -help.
PetscErrorCode read_int(PetscOptionItems* PetscOptionsObject, const char* name, const char* text,
                        int32_t* iparam, int position, PetscInt low, PetscInt high) {
  PetscInt value = iparam[position - 1];
  PetscBool set;
  PetscFunctionBegin;
  PetscCall(PetscOptionsRangeInt(name, text, "None", value, &value, &set, low, high));
  if (set) iparam[position - 1] = static_cast<int32_t>(value);
  PetscFunctionReturn(PETSC_SUCCESS);
}

// Reads the ordering by name into iparam(2). (PETSc's own list reader leaks on an unknown name.)
PetscErrorCode read_ordering(PetscOptionItems* PetscOptionsObject, int32_t* iparam) {
  char name[16];
  PetscBool set;
  PetscFunctionBegin;
  const int32_t current = iparam[VARNEXO_IPARAM_ORDERING - 1];
  PetscCall(
      PetscOptionsString("-mat_varnexo_ordering",
                         "Fill-reducing ordering: mmd (minimum degree), cmd (constrained minimum degree), "
                         "nd (nested dissection)",
                         "None", kOrderingNames[current], name, sizeof(name), &set));
  if (!set) PetscFunctionReturn(PETSC_SUCCESS);
  for (int32_t k = 0; k < 3; ++k) {
    PetscBool match;
    PetscCall(PetscStrcmp(name, kOrderingNames[k], &match));
    if (match) {
      iparam[VARNEXO_IPARAM_ORDERING - 1] = k;
      PetscFunctionReturn(PETSC_SUCCESS);
    }
  }
  SETERRQ(PETSC_COMM_SELF, PETSC_ERR_ARG_OUTOFRANGE, "-mat_varnexo_ordering %s: expected mmd, cmd or nd",
          name);
}

// Reads every option inside an open options block.
PetscErrorCode read_all(PetscOptionItems* PetscOptionsObject, int32_t* iparam, int32_t* message_level) {
  PetscFunctionBegin;
  PetscCall(read_ordering(PetscOptionsObject, iparam));
  PetscCall(read_int(PetscOptionsObject, "-mat_varnexo_matching",
                     "Weighted matching: 0 off, 1-4 the kinds of docs/reference.md", iparam,
                     VARNEXO_IPARAM_MATCHING, 0, 4));
  PetscCall(read_int(PetscOptionsObject, "-mat_varnexo_scaling", "Scaling with the matching: 0 off, 1 or 2",
                     iparam, VARNEXO_IPARAM_SCALING, 0, 2));
  PetscCall(read_int(PetscOptionsObject, "-mat_varnexo_pivot_perturbation",
                     "Small pivots are replaced by 10^-value times the norm of A", iparam,
                     VARNEXO_IPARAM_PIVOT_EXPONENT, 0, 300));
  PetscCall(read_int(PetscOptionsObject, "-mat_varnexo_pivoting",
                     "Symmetric indefinite pivoting: 0 diagonal, 1 Bunch-Kaufman 1x1/2x2", iparam,
                     VARNEXO_IPARAM_PIVOTING, 0, 1));
  PetscCall(read_int(PetscOptionsObject, "-mat_varnexo_refinement_steps",
                     "Most iterative refinement steps per solve (negative: with a separate solution copy)",
                     iparam, VARNEXO_IPARAM_MAX_REFINE, -100, 100));
  PetscCall(read_int(PetscOptionsObject, "-mat_varnexo_threads",
                     "Number of processors the factor is laid out for", iparam, VARNEXO_IPARAM_NPROC, 1,
                     1024));
  PetscInt level = *message_level;
  PetscCall(PetscOptionsRangeInt("-mat_varnexo_message_level", "0 silent, 1 statistics and error texts",
                                 "None", level, &level, nullptr, 0, 1));
  *message_level = static_cast<int32_t>(level);
  PetscFunctionReturn(PETSC_SUCCESS);
}

}  // namespace

PetscErrorCode read_options(Mat F, int32_t* iparam, int32_t* message_level) {
  PetscErrorCode status = PETSC_SUCCESS;
  PetscFunctionBegin;
  // A bad value must still close the block, which owns memory: the error is raised after it.
  PetscOptionsBegin(PetscObjectComm((PetscObject)F), ((PetscObject)F)->prefix, "varnexo options", "Mat");
  if (status == PETSC_SUCCESS) status = read_all(PetscOptionsObject, iparam, message_level);
  PetscOptionsEnd();
  PetscCall(status);
  PetscFunctionReturn(PETSC_SUCCESS);
}

const char* error_class(int32_t error) {
  switch (error) {
    case VARNEXO_ERROR_INPUT:
    case VARNEXO_ERROR_INTERNAL:
      return "input rejected";
    case VARNEXO_ERROR_MEMORY:
      return "insufficient memory";
    case VARNEXO_ERROR_ORDERING:
      return "ordering or symbolic factorisation failed";
    case VARNEXO_ERROR_NUMERICAL:
      return "zero or negative pivot, or the solve failed";
    case VARNEXO_ERROR_MATCHING:
      return "structurally singular matrix";
    case VARNEXO_ERROR_OVERFLOW:
      return "factor too large for 32-bit indices";
    default:
      return "unknown error";
  }
}

}  // namespace varnexo::petsc
