! Solves tridiag(-1, 2, -1) x = 1 (symmetric positive definite) through the module varnexo_api.
program solve_tridiagonal
  use, intrinsic :: iso_c_binding, only: c_intptr_t
  use varnexo_api
  implicit none
  integer, parameter :: n = 5
  integer(c_intptr_t) :: handle(64)
  integer :: iparam(64), ia(n + 1), ja(2 * n - 1), perm(n), error, i
  double precision :: a(2 * n - 1), b(n), x(n)

  ! Upper triangle, row by row, each row starting with its diagonal.
  do i = 1, n
    ia(i) = 2 * i - 1
    ja(2 * i - 1) = i
    a(2 * i - 1) = 2.0d0
  end do
  do i = 1, n - 1
    ja(2 * i) = i + 1
    a(2 * i) = -1.0d0
  end do
  ia(n + 1) = 2 * n
  b = 1.0d0
  iparam = 0  ! varnexoinit keeps iparam(3), the processor count: it must not be left undefined
  call varnexoinit(handle, VARNEXO_REAL_SPD, iparam)
  call varnexo(handle, 1, 1, VARNEXO_REAL_SPD, VARNEXO_PHASE_ANALYSIS_FACTOR_SOLVE, n, a, ia, ja, perm, 1, &
               iparam, 0, b, x, error)
  if (error /= VARNEXO_OK) error stop "varnexo failed"
  print '(a, 5f6.2)', 'x =', x
  call varnexo(handle, 1, 1, VARNEXO_REAL_SPD, VARNEXO_PHASE_RELEASE_ALL, n, a, ia, ja, perm, 1, iparam, 0, &
               b, x, error)
end program solve_tridiagonal
