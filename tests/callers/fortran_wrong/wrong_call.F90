! Calls that the module's interfaces must refuse at compile time, one per WRONG_CALL value.
program wrong_call
  use, intrinsic :: iso_c_binding, only: c_int32_t, c_intptr_t, c_double, c_double_complex
  use varnexo_api
  implicit none
  integer(c_intptr_t) :: handle(64)
  integer :: small_handle(64)
  integer(c_int32_t) :: iparam(64), ia(2), ja(1), perm(1), error
  real(c_double) :: a(1), b(1), x(1)
  real :: a_single(1)
  complex(c_double_complex) :: z(1)
  integer(8) :: n8
  integer :: values(1)
  ia = [1, 2]
  ja = [1]
  a = 1
  b = 1
  n8 = 1
  call varnexoinit(handle, VARNEXO_REAL_SPD, iparam)
#if WRONG_CALL == 1
  ! Integer values.
  call varnexo(handle, 1, 1, 2, 13, 1, values, ia, ja, perm, 1, iparam, 0, b, x, error)
#elif WRONG_CALL == 2
  ! A handle of default (32-bit) integers.
  call varnexo(small_handle, 1, 1, 2, 13, 1, a, ia, ja, perm, 1, iparam, 0, b, x, error)
#elif WRONG_CALL == 3
  ! Real matrix values with complex right-hand sides.
  call varnexo(handle, 1, 1, 2, 13, 1, a, ia, ja, perm, 1, iparam, 0, z, z, error)
#elif WRONG_CALL == 4
  ! A 64-bit order.
  call varnexo(handle, 1, 1, 2, 13, n8, a, ia, ja, perm, 1, iparam, 0, b, x, error)
#elif WRONG_CALL == 5
  ! Single-precision values.
  call varnexo(handle, 1, 1, 2, 13, 1, a_single, ia, ja, perm, 1, iparam, 0, b, x, error)
#elif WRONG_CALL == 6
  ! The argument count of the old implicit calls without error.
  call varnexo(handle, 1, 1, 2, 13, 1, a, ia, ja, perm, 1, iparam, 0, b, x)
#else
  ! The correct call: compiles.
  call varnexo(handle, 1, 1, 2, 13, 1, a, ia, ja, perm, 1, iparam, 0, b, x, error)
#endif
  print *, error, small_handle(1), a_single(1), z(1), values(1), n8
end program wrong_call
