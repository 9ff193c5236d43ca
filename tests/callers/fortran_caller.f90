! A Fortran caller through the module varnexo_api: an integer(c_intptr_t) handle, named constants,
! a complex diagonal system with one right-hand side and a real tridiagonal SPD system with an
! n x 2 block of right-hand sides, each checked by its residual.
program fortran_caller
  use, intrinsic :: iso_c_binding, only: c_int32_t, c_intptr_t, c_double, c_double_complex
  use varnexo_api
  implicit none
  call complex_diagonal()
  call real_tridiagonal()
  print '(a)', 'fortran caller: ok'
contains
  subroutine complex_diagonal()
    integer(c_intptr_t) :: handle(VARNEXO_HANDLE_SLOTS)
    integer(c_int32_t) :: iparam(VARNEXO_IPARAM_SIZE), ia(4), ja(3), perm(3), error
    complex(c_double_complex) :: a(3), b(3), x(3)
    integer :: i
    iparam = 0
    call varnexoinit(handle, VARNEXO_COMPLEX_UNSYM, iparam)
    ia = [1, 2, 3, 4]
    ja = [1, 2, 3]
    a = [(2.0d0, 0.0d0), (0.0d0, 1.0d0), (1.0d0, 1.0d0)]
    b = [(4.0d0, 2.0d0), (1.0d0, 0.0d0), (2.0d0, 0.0d0)]
    call varnexo(handle, 1, 1, VARNEXO_COMPLEX_UNSYM, VARNEXO_PHASE_ANALYSIS_FACTOR_SOLVE, 3, a, ia, ja, perm, &
                 1, iparam, 0, b, x, error)
    if (error /= VARNEXO_OK) stop 1
    do i = 1, 3
      if (abs(a(i) * x(i) - b(i)) > 1.0d-14) stop 2
    end do
  end subroutine complex_diagonal

  ! -x(i-1) + 2 x(i) - x(i+1), upper triangle, solved phase by phase.
  subroutine real_tridiagonal()
    integer, parameter :: n = 50, nrhs = 2
    integer(c_intptr_t) :: handle(VARNEXO_HANDLE_SLOTS)
    integer(c_int32_t) :: iparam(VARNEXO_IPARAM_SIZE), ia(n + 1), ja(2 * n - 1), perm(n), error, phase
    real(c_double) :: a(2 * n - 1), b(n, nrhs), x(n, nrhs), r(n)
    integer :: i, k
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
    do k = 1, nrhs
      do i = 1, n
        b(i, k) = real(i * k, c_double)
      end do
    end do
    iparam = 0  ! varnexoinit keeps iparam(3), the processor count
    call varnexoinit(handle, VARNEXO_REAL_SPD, iparam)
    do phase = VARNEXO_PHASE_ANALYSIS, VARNEXO_PHASE_SOLVE, 11
      call varnexo(handle, 1, 1, VARNEXO_REAL_SPD, phase, n, a, ia, ja, perm, nrhs, iparam, 0, b, x, error)
      if (error /= VARNEXO_OK) stop 3
    end do
    if (iparam(VARNEXO_IPARAM_FACTOR_NNZ) < 2 * n - 1) stop 4
    do k = 1, nrhs
      r = b(:, k) - 2.0d0 * x(:, k)
      r(2:n) = r(2:n) + x(1:n - 1, k)
      r(1:n - 1) = r(1:n - 1) + x(2:n, k)
      if (maxval(abs(r)) > 1.0d-10 * maxval(abs(x))) stop 5
    end do
    call varnexo(handle, 1, 1, VARNEXO_REAL_SPD, VARNEXO_PHASE_RELEASE_ALL, n, a, ia, ja, perm, nrhs, iparam, 0, &
                 b, x, error)
    if (error /= VARNEXO_OK) stop 6
  end subroutine real_tridiagonal
end program fortran_caller
