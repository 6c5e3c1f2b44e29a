' basic_cosine_program.bas
' Basic source code written by Ondravik 3D on Jun 11, 2024 at 9:30:00 AM.
'
' Data title:  [Test surface for the code generator]
' Data source: [box.dat]
' X: [Temperature]  Y: [Pressure]  Z: [Yield]
' Equation 531: [Cosine Series Bivariate Order 2]
' r2=0.987654321  DOF adj r2=0.98
' Fit std err=0.0123  F=4321.5
'
' The program prints x, y and z of the fitted equation on a grid of 5 by 5 points that
' spans the x and y ranges of the 25 data points.
DEFDBL A-Z
DECLARE FUNCTION eqn (xin, yin)
x0 = 0.5
x1 = 3.5
y0 = 0.75
y1 = 2.75
PRINT "Equation 531: x, y and z of eqn"
FOR j = 0 TO 4
  FOR i = 0 TO 4
    x = x0 + (x1 - x0) * i / 4
    y = y0 + (y1 - y0) * j / 4
    PRINT x; y; eqn(x, y)
  NEXT i
NEXT j
END

FUNCTION eqn (xin, yin)
  DIM c(65), a(11), b(11)
  x = xin
  y = yin
  c(0) = 0.2500000000000000
  c(1) = -1.500000000000000
  c(2) = 0.7500000000000000
  c(3) = 2.125000000000000
  c(4) = -0.5000000000000000
  c(5) = 1.000000000000000
  ' Cosine series in s and t, the data spanning 0..pi
  pi = 3.141592653589793#
  s = (x - (0.5000000000000000)) / (0.9549296585513720)
  t = (y - (0.7500000000000000)) / (0.6366197723675813)
  IF s < 0 THEN s = 0 ELSE IF s > pi THEN s = pi
  IF t < 0 THEN t = 0 ELSE IF t > pi THEN t = pi
  nk = INT((SQR(8 * 6 + 1) - 1) / 2 + .5)
  FOR j = 0 TO nk - 1
    a(j) = COS(j * s): b(j) = COS(j * t)
  NEXT j
  z = 0: r = 0
  FOR d = 0 TO nk - 1
    FOR i = d TO 0 STEP -1
      z = z + c(r) * a(i) * b(d - i): r = r + 1
    NEXT i
  NEXT d
  eqn = z
END FUNCTION
