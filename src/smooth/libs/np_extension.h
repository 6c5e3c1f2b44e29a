/* The five entries of an extension library of scattered-data methods, as the program calls
 * them. An extension library is a shared library placed in the program's directory and
 * named on the command line with "NPDLL:<name>"; it offers up to eight methods and, for the
 * algorithm test command, test functions and data sets.
 *
 * Conventions: 32-bit integers; arrays and outputs by address; doubles by value; an error
 * word of 0 means success. Methods are numbered from 1 and work in unit coordinates (the
 * program maps the data's x and y ranges onto [0, 1] before calling).
 *
 * This header is plain C, so that a library can be written in C or C++. */
#ifndef ONDRAVIK_NP_EXTENSION_H
#define ONDRAVIK_NP_EXTENSION_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Facts about `method` for `pointCount` points. count: the number of methods offered (at
 * most 8 are used); opt1Low..opt2High: the ranges of the two options; default1/vary1From/
 * vary1To/vary1Step and default2/...: the option values the test command runs with;
 * intWork, doubleWork: the sizes of the work arrays NPExSetup is given. */
void NPExInfo(int32_t method, int32_t pointCount, int32_t* count, int32_t* opt1Low,
              int32_t* opt1High, int32_t* opt2Low, int32_t* opt2High, int32_t* default1,
              int32_t* vary1From, int32_t* vary1To, int32_t* vary1Step, int32_t* default2,
              int32_t* vary2From, int32_t* vary2To, int32_t* vary2Step, int32_t* intWork,
              int32_t* doubleWork);

/* Prepares `method` over n points (x, y in unit coordinates) in the zeroed work arrays. */
void NPExSetup(int32_t method, int32_t n, const double* x, const double* y, const double* z,
               int32_t* iwk, double* wk, int32_t option1, int32_t option2, int32_t* ier);

/* Evaluates the prepared method at (u, v): mode 0 the value into f, 1 df/du into fx, 2
 * df/dv into fy, 3 d2f/du2 into fxx, 4 d2f/dv2 into fyy, 5 d2f/dudv into fxy. */
void NPExEval(int32_t method, double u, double v, int32_t n, const double* x, const double* y,
              const double* z, const int32_t* iwk, const double* wk, int32_t option1,
              int32_t option2, int32_t mode, double* f, double* fx, double* fy, double* fxx,
              double* fyy, double* fxy, int32_t* ier);

/* Test function `function` (from 1) at (x, y); with flag 1 also its first derivatives. */
void NPExFn(int32_t function, double x, double y, int32_t flag, double* f, double* fx,
            double* fy);

/* Test data set `dataSet` (from 1): up to 100 sites into x and y, their number into count. */
void NPExDat(int32_t dataSet, double* x, double* y, int32_t* count);

#ifdef __cplusplus
}
#endif

#endif
