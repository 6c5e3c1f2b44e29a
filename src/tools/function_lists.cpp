#include "tools/function_lists.h"

#include <array>

namespace {

constexpr const char* kGeneral[] = {
    "ABS(X)",  "SQRT(X)",    "EXP(X)",    "LN(X)",      "LOG(X)",     "POW(X,Y)",  "MOD(X,Y)",
    "FLOOR(X)", "CEIL(X)",   "INTEGER(X)", "FRACTION(X)", "ROUND(X)", "PI",        "EULER",
    "INF",     "DATAERR",    "RAND(N)",   "RANDOM",     "RANDGAUSS",  "NOISE(Pct)", "GNOISE(Pct)",
};

constexpr const char* kTrigonometric[] = {
    "SIN(X)",  "COS(X)",  "TAN(X)",  "CSC(X)",   "SEC(X)",   "COT(X)",   "ASIN(X)",
    "ACOS(X)", "ATAN(X)", "ATAN2(X,Y)", "SINH(X)", "COSH(X)", "TANH(X)", "CSCH(X)",
    "SECH(X)", "COTH(X)", "ASINH(X)", "ACOSH(X)", "ATANH(X)", "DTOR(Deg)", "RTOD(Rad)",
};

constexpr const char* kStatistical[] = {
    "ERF(X)",      "ERFC(X)",     "ERFP1(X)",      "ERFM1(X)",     "GAM(X)",       "LNGAM(X)",
    "LNFAC(N)",    "PSI(X)",      "BET(A,B)",      "IBETA(A,B,X)", "IGAM(A,X)",    "IGAMP(A,X)",
    "IGAMC(A,X)",  "IGAMQ(A,X)",  "PFCP(A,X)",     "PFX2(N,C)",    "PFX2C(N,C)",   "PFST(N,T)",
    "PFF(DF1,DF2,F)", "PFBI(K,N,P)", "T90(N)",     "T95(N)",       "T99(N)",       "T999(N)",
    "T9999(N)",    "LGNDR(L,M,X)", "HYPM(A,B,X)",  "HYPU(A,B,X)",  "HYPF(A,B,C,X)", "B0(N)",
};

constexpr const char* kBessel[] = {
    "J0(X)",       "J1(X)",       "Y0(X)",       "Y1(X)",       "I0(X)",       "I1(X)",
    "K0(X)",       "K1(X)",       "I0EIX(X)",    "I1EIX(X)",    "JN(N,X)",     "YN(N,X)",
    "IN(N,X)",     "KN(N,X)",     "JNU(NU,X)",   "YNU(NU,X)",   "INU(NU,X)",   "KNU(NU,X)",
    "DJNU(NU,X)",  "DYNU(NU,X)",  "DINU(NU,X)",  "DKNU(NU,X)",  "SPHJN(N,X)",  "SPHYN(N,X)",
    "SPHIN(N,X)",  "SPHKN(N,X)",  "DSPHJN(N,X)", "DSPHYN(N,X)", "DSPHIN(N,X)", "DSPHKN(N,X)",
    "AIRYA(X)",    "AIRYB(X)",    "DAIRYA(X)",   "DAIRYB(X)",   "TFN(A,B)",
};

constexpr const char* kCalculus[] = {
    "DX(F1)",        "DX2(F1)",       "DY(F1)",        "DY2(F1)",         "DXY(F1)",
    "AI(F1,St,End)", "AIP(F1,St,End,Prec)", "QI(F1,St,End)", "QIP(F1,St,End,Prec)",
    "QIN(F1,St,End,Order)", "RI(F1,St,End)", "DQIP(F1,OSt,OEnd,ISt,IEnd,Prec)",
    "SUM(F1,St,End,Inc)", "PROD(F1,St,End,Inc)", "SER(F1,St,Inc,Lim)",
    "IMPLICIT(F1,Z1,Z2,Tol)", "IMPLICIT_(F1,Z1,Z2,Tol)",
};

constexpr const char* kDataTable[] = {
    "XMIN",        "XMAX",        "XRANGE",      "XMEAN",       "XSTD",        "XATYMIN",
    "XATYMAX",     "XATZMIN",     "XATZMAX",     "XATXYMIN",    "XATXYMAX",    "XATXYZMIN",
    "XATXYZMAX",   "XATXMAXYMIN", "XATXMNYMIN",  "XATXMINYMIN", "XATXMAXYMN",  "XATXMNYMN",
    "XATXMINYMN",  "XATXMAXYMAX", "XATXMNYMAX",  "XATXMINYMAX", "YMIN",        "YMAX",
    "YRANGE",      "YMEAN",       "YSTD",        "YATXMIN",     "YATXMAX",     "YATZMIN",
    "YATZMAX",     "YATXYMIN",    "YATXYMAX",    "YATXYZMIN",   "YATXYZMAX",   "YATXMAXYMIN",
    "YATXMNYMIN",  "YATXMINYMIN", "YATXMAXYMN",  "YATXMNYMN",   "YATXMINYMN",  "YATXMAXYMAX",
    "YATXMNYMAX",  "YATXMINYMAX", "ZMIN",        "ZMAX",        "ZRANGE",      "ZMEAN",
    "ZSTD",        "ZATXMIN",     "ZATXMAX",     "ZATYMIN",     "ZATYMAX",     "ZATXYMIN",
    "ZATXYMAX",    "ZATXYZMIN",   "ZATXYZMAX",   "ZATXMAXYMIN", "ZATXMNYMIN",  "ZATXMINYMIN",
    "ZATXMAXYMN",  "ZATXMNYMN",   "ZATXMINYMN",  "ZATXMAXYMAX", "ZATXMNYMAX",  "ZATXMINYMAX",
    "XYCNT",       "INDEX",
};

constexpr const char* kConditional[] = {
    "IF(expr,n1,n2)", ".GT.", ".GE.", ".LT.", ".LE.", ".EQ.", ".NE.", ".AND.", ".OR.",
    ">",              ">=",   "<",    "<=",   "==",   "<>",   "&&",   "||",
};

constexpr const char* kNonLinearBase[] = {
    "GAUSSX(AMP,CTR,WID)",    "LORX(AMP,CTR,WID)",      "LOGNORMX(AMP,CTR,WID)",
    "LOGISTICX(AMP,CTR,WID)", "EXTRVALX(AMP,CTR,WID)",  "GCUMX(AMP,CTR,WID)",
    "LORCUMX(AMP,CTR,WID)",   "LNCUMX(AMP,CTR,WID)",    "SIGX(AMP,CTR,WID)",
    "EXVCUMX(AMP,CTR,WID)",   "LDRX(AMP,X50,SLOPE)",    "EXPX(AMP,SCALE)",
    "POWX(AMP,POW)",          "GAUSSY(AMP,CTR,WID)",    "LORY(AMP,CTR,WID)",
    "LOGNORMY(AMP,CTR,WID)",  "LOGISTICY(AMP,CTR,WID)", "EXTRVALY(AMP,CTR,WID)",
    "GCUMY(AMP,CTR,WID)",     "LORCUMY(AMP,CTR,WID)",   "LNCUMY(AMP,CTR,WID)",
    "SIGY(AMP,CTR,WID)",      "EXVCUMY(AMP,CTR,WID)",   "LDRY(AMP,Y50,SLOPE)",
    "EXPY(AMP,SCALE)",        "POWY(AMP,POW)",
};

const std::array<TFunctionList, kFunctionListCount> kLists = {{
    {4004, "Select General Function", kGeneral},
    {4005, "Select Trigonometric Function", kTrigonometric},
    {4006, "Select Statistical Function", kStatistical},
    {4007, "Select Bessel Function", kBessel},
    {4008, "Select Derivative, Integral, or Summation Function", kCalculus},
    {4009, "Select XYZ Data Table Constant or Function", kDataTable},
    {4010, "Select Conditional Expression", kConditional},
    {4011, "Select Non-Linear Base Function", kNonLinearBase},
}};

}  // namespace

const TFunctionList& FunctionList(int list) {
  return kLists[static_cast<std::size_t>(list < 0 || list >= kFunctionListCount ? 0 : list)];
}
