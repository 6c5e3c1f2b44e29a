' eqn: equation 2075 [z=GCUMX(a,b,c)*GCUMY(1,d,c)]
' Basic source code written by Ondravik 3D on Jun 11, 2024 at 9:30:00 AM.
DEFDBL A-Z
FUNCTION eqn (xin, yin)
  x = xin
  y = yin
  z1 = 0.5*(1.0+ERF#((x-1.250000000000000)/(1.41421356237309504880*0.75)))
  z2 = 0.5*(1.0+ERF#((y-2.000000000000000)/(1.41421356237309504880*0.75)))
  z = 1.5*z1*z2
  eqn = z
END FUNCTION

' The error function: its Taylor series below 2.5, and above 1 - erfc from the
' continued fraction of erfc.
FUNCTION ERF# (t)
  a = ABS(t)
  IF a < 2.5 THEN
    t2 = t * t: term = t: s = t: k = 0
    DO
      k = k + 1
      term = -term * t2 / k
      s = s + term / (2 * k + 1)
    LOOP UNTIL ABS(term) <= 1D-17 * ABS(s) OR k > 100
    ERF# = 1.1283791670955126# * s
  ELSE
    s = a
    FOR k = 60 TO 1 STEP -1
      s = a + k / 2 / s
    NEXT k
    s = 1 - EXP(-a * a) / (1.772453850905516# * s)
    IF t < 0 THEN ERF# = -s ELSE ERF# = s
  END IF
END FUNCTION
