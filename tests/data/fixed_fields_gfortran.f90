! Prints reference vectors for the Fw.d fields from a Fortran compiler's own
! F edit descriptor, in round-compatible mode (ties away from zero).
!
! Input: one float32 bit pattern per line, 8 hexadecimal digits.
! Output: the pattern, then "|" and the field for each of the program's
! twenty Fw.d formats, in the order of kFormats in fields_crosscheck_test.cpp.
!
! Regenerate:
!   gfortran -O0 fixed_fields_gfortran.f90 -o /tmp/fixed_fields
!   grep -v '^#' fixed_fields_gfortran.txt | cut -c1-8 | /tmp/fixed_fields
program fixed_fields
  implicit none
  character(len=8) :: hex
  integer(kind=8) :: wide
  integer(kind=4) :: bits
  real(kind=4) :: x
  integer :: status
  do
    read (*, '(A8)', iostat=status) hex
    if (status /= 0) exit
    read (hex, '(Z8)') wide
    if (wide > 2147483647_8) wide = wide - 4294967296_8
    bits = int(wide, kind=4)
    x = transfer(bits, x)
    write (*, '(RC,A8,"|",F5.1,"|",F6.2,"|",F6.3,"|",F7.2,"|",F7.3,"|",F8.2,"|",F8.6,"|",&
              &F9.0,"|",F9.2,"|",F9.3,"|",F10.2,"|",F11.2,"|",F11.4,"|",F12.2,"|",F12.4,"|",&
              &F13.2,"|",F13.4,"|",F13.6,"|",F14.4,"|",F16.4)') &
        hex, x, x, x, x, x, x, x, x, x, x, x, x, x, x, x, x, x, x, x, x
  end do
end program fixed_fields
