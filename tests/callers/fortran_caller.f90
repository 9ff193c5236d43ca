! A Fortran caller: an INTEGER*8 handle, default integers and COMPLEX*16 values, solving a
! complex diagonal system through the public call.
program fortran_caller
  implicit none
  integer*8 :: handle(64)
  integer :: iparam(64), ia(4), ja(3), perm(3), error, mtype, phase, n, nb, one, msglvl
  complex*16 :: a(3), b(3), x(3)
  integer :: i
  mtype = 13
  call varnexoinit(handle, mtype, iparam)
  ia = (/ 1, 2, 3, 4 /)
  ja = (/ 1, 2, 3 /)
  a = (/ (2.0d0, 0.0d0), (0.0d0, 1.0d0), (1.0d0, 1.0d0) /)
  b = (/ (4.0d0, 2.0d0), (1.0d0, 0.0d0), (2.0d0, 0.0d0) /)
  one = 1
  msglvl = 0
  nb = 1
  n = 3
  phase = 13
  call varnexo(handle, one, one, mtype, phase, n, a, ia, ja, perm, nb, iparam, msglvl, b, x, error)
  if (error /= 0) stop 1
  do i = 1, 3
    if (abs(a(i) * x(i) - b(i)) > 1.0d-14) stop 2
  end do
  print '(a)', 'fortran caller: ok'
end program fortran_caller
