' eqn: equation 1100 [z=(a+bx+cx^2+dx^3+ey)/(1+fx+gx^2+hy)]
' Basic source code written by Ondravik 3D on Jun 11, 2024 at 9:30:00 AM.
DEFDBL A-Z
FUNCTION eqn (xin, yin)
  x = xin
  y = yin
  z1 = 1.500000000000000+x*(-0.2500000000000000+x*(0.1250000000000000+x*0.06250000000000000))
  z2 = y*2.000000000000000
  z3 = 1.000000000000000+x*(0.01000000000000000+x*-0.002000000000000000)
  z4 = y*0.03000000000000000
  z = (z1+z2)/(z3+z4)
  eqn = z
END FUNCTION
