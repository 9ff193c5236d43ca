! Explicit interfaces of the library's public call for modern Fortran: `use varnexo_api` gives
! `call varnexoinit(handle, mtype, iparam)` and `call varnexo(handle, maxfct, mnum, mtype, phase, n,
! a, ia, ja, perm, nrhs, iparam, msglvl, b, x, error)`, checked by the compiler, with named
! constants for the matrix types, phases, iparam positions and error codes.
!
! The handle is an integer(c_intptr_t) array of 64 (integer(8) on 64-bit machines), integers are
! integer(c_int32_t) (default integers with gfortran), values real(c_double) or
! complex(c_double_complex); right-hand sides and solutions are vectors or n x nrhs arrays.
module varnexo_api
  use, intrinsic :: iso_c_binding, only: c_int32_t, c_intptr_t, c_double, c_double_complex
  implicit none
  private
  public :: varnexoinit, varnexo

  integer, parameter, public :: VARNEXO_HANDLE_SLOTS = 64
  integer, parameter, public :: VARNEXO_IPARAM_SIZE = 64

  ! Matrix types (argument mtype).
  integer(c_int32_t), parameter, public :: VARNEXO_REAL_STRUCT_SYM = 1
  integer(c_int32_t), parameter, public :: VARNEXO_REAL_SPD = 2
  integer(c_int32_t), parameter, public :: VARNEXO_REAL_SYM_INDEF = -2
  integer(c_int32_t), parameter, public :: VARNEXO_COMPLEX_STRUCT_SYM = 3
  integer(c_int32_t), parameter, public :: VARNEXO_HERMITIAN_PD = 4
  integer(c_int32_t), parameter, public :: VARNEXO_HERMITIAN_INDEF = -4
  integer(c_int32_t), parameter, public :: VARNEXO_COMPLEX_SYM = 6
  integer(c_int32_t), parameter, public :: VARNEXO_REAL_UNSYM = 11
  integer(c_int32_t), parameter, public :: VARNEXO_COMPLEX_UNSYM = 13

  ! Phases (argument phase).
  integer(c_int32_t), parameter, public :: VARNEXO_PHASE_INFO_VERSION = -3
  integer(c_int32_t), parameter, public :: VARNEXO_PHASE_INFO_PARAMS = -2
  integer(c_int32_t), parameter, public :: VARNEXO_PHASE_RELEASE_ALL = -1
  integer(c_int32_t), parameter, public :: VARNEXO_PHASE_RELEASE_FACTOR = 0
  integer(c_int32_t), parameter, public :: VARNEXO_PHASE_ANALYSIS = 11
  integer(c_int32_t), parameter, public :: VARNEXO_PHASE_ANALYSIS_FACTOR = 12
  integer(c_int32_t), parameter, public :: VARNEXO_PHASE_ANALYSIS_FACTOR_SOLVE = 13
  integer(c_int32_t), parameter, public :: VARNEXO_PHASE_FACTOR = 22
  integer(c_int32_t), parameter, public :: VARNEXO_PHASE_FACTOR_SOLVE = 23
  integer(c_int32_t), parameter, public :: VARNEXO_PHASE_SOLVE = 33

  ! Positions in iparam (1-based: iparam(VARNEXO_IPARAM_NPROC)).
  integer, parameter, public :: VARNEXO_IPARAM_USE_GIVEN = 1
  integer, parameter, public :: VARNEXO_IPARAM_ORDERING = 2
  integer, parameter, public :: VARNEXO_IPARAM_NPROC = 3
  integer, parameter, public :: VARNEXO_IPARAM_CGS = 4
  integer, parameter, public :: VARNEXO_IPARAM_PERM_USE = 5
  integer, parameter, public :: VARNEXO_IPARAM_SOLUTION_ON_B = 6
  integer, parameter, public :: VARNEXO_IPARAM_REFINE_STEPS = 7
  integer, parameter, public :: VARNEXO_IPARAM_MAX_REFINE = 8
  integer, parameter, public :: VARNEXO_IPARAM_NO_FACTOR_MEMORY = 9
  integer, parameter, public :: VARNEXO_IPARAM_PIVOT_EXPONENT = 10
  integer, parameter, public :: VARNEXO_IPARAM_SCALING = 11
  integer, parameter, public :: VARNEXO_IPARAM_TRANSPOSE = 12
  integer, parameter, public :: VARNEXO_IPARAM_MATCHING = 13
  integer, parameter, public :: VARNEXO_IPARAM_PERTURBED = 14
  integer, parameter, public :: VARNEXO_IPARAM_PEAK_KB = 15
  integer, parameter, public :: VARNEXO_IPARAM_PERMANENT_KB = 16
  integer, parameter, public :: VARNEXO_IPARAM_FACTOR_KB = 17
  integer, parameter, public :: VARNEXO_IPARAM_FACTOR_NNZ = 18
  integer, parameter, public :: VARNEXO_IPARAM_MFLOP = 19
  integer, parameter, public :: VARNEXO_IPARAM_CGS_DIAG = 20
  integer, parameter, public :: VARNEXO_IPARAM_PIVOTING = 21
  integer, parameter, public :: VARNEXO_IPARAM_POSITIVE = 22
  integer, parameter, public :: VARNEXO_IPARAM_NEGATIVE = 23
  integer, parameter, public :: VARNEXO_IPARAM_DOMAIN_MODE = 24
  integer, parameter, public :: VARNEXO_IPARAM_SOLVE_PARTITION = 25
  integer, parameter, public :: VARNEXO_IPARAM_SOLVE_PART = 26
  integer, parameter, public :: VARNEXO_IPARAM_MATCHING_OPTION = 28
  integer, parameter, public :: VARNEXO_IPARAM_SINGLE_PRECISION = 29
  integer, parameter, public :: VARNEXO_IPARAM_PANEL = 30
  integer, parameter, public :: VARNEXO_IPARAM_RELAXED = 31
  integer, parameter, public :: VARNEXO_IPARAM_KEEP_ERROR = 49

  ! Error codes (argument error).
  integer(c_int32_t), parameter, public :: VARNEXO_OK = 0
  integer(c_int32_t), parameter, public :: VARNEXO_ERROR_INPUT = -1
  integer(c_int32_t), parameter, public :: VARNEXO_ERROR_MEMORY = -2
  integer(c_int32_t), parameter, public :: VARNEXO_ERROR_ORDERING = -3
  integer(c_int32_t), parameter, public :: VARNEXO_ERROR_NUMERICAL = -4
  integer(c_int32_t), parameter, public :: VARNEXO_ERROR_MATCHING = -6
  integer(c_int32_t), parameter, public :: VARNEXO_ERROR_INTERNAL = -7
  integer(c_int32_t), parameter, public :: VARNEXO_ERROR_OVERFLOW = -8

  interface varnexoinit
    subroutine varnexoinit_c(handle, mtype, iparam) bind(C, name="varnexoinit_")
      import :: c_int32_t, c_intptr_t
      integer(c_intptr_t), intent(out) :: handle(64)
      integer(c_int32_t), intent(in) :: mtype
      integer(c_int32_t), intent(inout) :: iparam(64)
    end subroutine varnexoinit_c
  end interface varnexoinit

  ! One specific per value type (real, complex) and shape of the right-hand sides (vector,
  ! n x nrhs array); all four are the same C entry.
  interface varnexo
    subroutine varnexo_real(handle, maxfct, mnum, mtype, phase, n, a, ia, ja, perm, nrhs, iparam, msglvl, &
                            b, x, error) bind(C, name="varnexo_")
      import :: c_int32_t, c_intptr_t, c_double
      integer(c_intptr_t), intent(inout) :: handle(64)
      integer(c_int32_t), intent(in) :: maxfct, mnum, mtype, phase, n, nrhs, msglvl
      real(c_double), intent(in) :: a(*)
      integer(c_int32_t), intent(inout) :: ia(*), ja(*), perm(*), iparam(64)
      real(c_double), intent(inout) :: b(*), x(*)
      integer(c_int32_t), intent(out) :: error
    end subroutine varnexo_real

    subroutine varnexo_real_block(handle, maxfct, mnum, mtype, phase, n, a, ia, ja, perm, nrhs, iparam, &
                                  msglvl, b, x, error) bind(C, name="varnexo_")
      import :: c_int32_t, c_intptr_t, c_double
      integer(c_intptr_t), intent(inout) :: handle(64)
      integer(c_int32_t), intent(in) :: maxfct, mnum, mtype, phase, n, nrhs, msglvl
      real(c_double), intent(in) :: a(*)
      integer(c_int32_t), intent(inout) :: ia(*), ja(*), perm(*), iparam(64)
      real(c_double), intent(inout) :: b(n, *), x(n, *)
      integer(c_int32_t), intent(out) :: error
    end subroutine varnexo_real_block

    subroutine varnexo_complex(handle, maxfct, mnum, mtype, phase, n, a, ia, ja, perm, nrhs, iparam, msglvl, &
                               b, x, error) bind(C, name="varnexo_")
      import :: c_int32_t, c_intptr_t, c_double_complex
      integer(c_intptr_t), intent(inout) :: handle(64)
      integer(c_int32_t), intent(in) :: maxfct, mnum, mtype, phase, n, nrhs, msglvl
      complex(c_double_complex), intent(in) :: a(*)
      integer(c_int32_t), intent(inout) :: ia(*), ja(*), perm(*), iparam(64)
      complex(c_double_complex), intent(inout) :: b(*), x(*)
      integer(c_int32_t), intent(out) :: error
    end subroutine varnexo_complex

    subroutine varnexo_complex_block(handle, maxfct, mnum, mtype, phase, n, a, ia, ja, perm, nrhs, iparam, &
                                     msglvl, b, x, error) bind(C, name="varnexo_")
      import :: c_int32_t, c_intptr_t, c_double_complex
      integer(c_intptr_t), intent(inout) :: handle(64)
      integer(c_int32_t), intent(in) :: maxfct, mnum, mtype, phase, n, nrhs, msglvl
      complex(c_double_complex), intent(in) :: a(*)
      integer(c_int32_t), intent(inout) :: ia(*), ja(*), perm(*), iparam(64)
      complex(c_double_complex), intent(inout) :: b(n, *), x(n, *)
      integer(c_int32_t), intent(out) :: error
    end subroutine varnexo_complex_block
  end interface varnexo
end module varnexo_api
