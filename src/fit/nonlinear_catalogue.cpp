// The catalogue of the non-linear equations: the index layout, parameter counts, start-rule
// sub-indices, log flags, complexities and equation texts of the 172 built-in equations, and
// the entries of the user-defined functions.
#include "fit/nonlinear_catalogue.h"

#include <cmath>

#include "expr/eval_context.h"
#include "fit/nonlinear_forms.h"
#include "tools/udf/udf_evaluation.h"

namespace {

using nonlinear_forms::FormParameterCount;

// Blocks of twelve: 5 peaks, the mixes, 6 transitions, exponential and power.
inline constexpr int kBlockCount = 14;
inline constexpr int kMixedBlock = 5;
inline constexpr int kLogNormalBlock = 2;
inline constexpr int kLncumBlock = 8;
inline constexpr int kExponentialBlock = 12;
inline constexpr int kPowerIndex = 156;
inline constexpr int kPlaneIndex = 168;

// Complexity by block and form (index mod 12).
constexpr int kComplexity[kBlockCount][12] = {
    {20, 21, 20, 21, 29, 30, 17, 17, 19, 19, 59, 60},            // Gaussian
    {12, 13, 12, 13, 15, 16, 10, 10, 12, 12, 31, 32},            // Lorentzian
    {44, 45, 44, 45, 53, 54, 29, 29, 31, 31, 107, 108},          // log-normal
    {43, 44, 43, 44, 52, 53, 29, 29, 31, 31, 105, 106},          // logistic peak
    {43, 44, 43, 44, 43, 44, 25, 25, 27, 27, 91, 92},            // extreme value peak
    {40, 40, 41, 41, 41, 41, 42, 42, 83, 83, 84, 84},            // Gaussian/log-normal mixes
    {101, 102, 101, 102, 101, 102, 53, 53, 55, 55, 203, 204},    // GCUM
    {24, 25, 24, 25, 24, 25, 14, 14, 18, 18, 49, 50},            // LORCUM
    {114, 115, 114, 115, 114, 115, 59, 59, 61, 61, 228, 229},    // LNCUM
    {25, 26, 25, 26, 25, 26, 15, 15, 17, 17, 51, 52},            // SIG
    {36, 36, 37, 37, 36, 37, 20, 20, 22, 22, 73, 74},            // EXVCUM
    {37, 38, 37, 38, 37, 38, 21, 21, 23, 23, 75, 76},            // LDR
    {20, 21, 20, 21, 20, 21, 13, 13, 15, 15, 41, 42},            // EXP
    {29, 30, 29, 30, 29, 30, 17, 17, 19, 19, 59, 60},            // POW
};
constexpr int kPlaneComplexity = 4;

// The forms of the mixed block, by position in the block.
constexpr int kMixedForms[12] = {0, 0, 1, 1, 4, 4, 5, 5, 10, 10, 11, 11};

constexpr const char* kEquationTexts[kBuiltinNonlinearCount] = {
    // 2001-2012
    "z=GAUSSX(a,b,c)*GAUSSY(1,d,e)",
    "z=a+GAUSSX(b,c,d)*GAUSSY(1,e,f)",
    "z=GAUSSX(a,b,c)*GAUSSY(1,d,c)",
    "z=a+GAUSSX(b,c,d)*GAUSSY(1,e,d)",
    "z=GAUSSX(a,b,c)+GAUSSY(d,e,f)",
    "z=a+GAUSSX(b,c,d)+GAUSSY(e,f,g)",
    "z=a+by+GAUSSX(c,d,e)",
    "z=a+bx+GAUSSY(c,d,e)",
    "z=a+by+cy~^2~^+GAUSSX(d,e,f)",
    "z=a+bx+cx~^2~^+GAUSSY(d,e,f)",
    "z=GAUSSX(a,b,c)+GAUSSY(d,e,f)+GAUSSX(g,b,c)*GAUSSY(1,e,f)",
    "z=a+GAUSSX(b,c,d)+GAUSSY(e,f,g)+GAUSSX(h,c,d)*GAUSSY(1,f,g)",
    // 2013-2024
    "z=LORX(a,b,c)*LORY(1,d,e)",
    "z=a+LORX(b,c,d)*LORY(1,e,f)",
    "z=LORX(a,b,c)*LORY(1,d,c)",
    "z=a+LORX(b,c,d)*LORY(1,e,d)",
    "z=LORX(a,b,c)+LORY(d,e,f)",
    "z=a+LORX(b,c,d)+LORY(e,f,g)",
    "z=a+by+LORX(c,d,e)",
    "z=a+bx+LORY(c,d,e)",
    "z=a+by+cy~^2~^+LORX(d,e,f)",
    "z=a+bx+cx~^2~^+LORY(d,e,f)",
    "z=LORX(a,b,c)+LORY(d,e,f)+LORX(g,b,c)*LORY(1,e,f)",
    "z=a+LORX(b,c,d)+LORY(e,f,g)+LORX(h,c,d)*LORY(1,f,g)",
    // 2025-2036
    "z=LOGNORMX(a,b,c)*LOGNORMY(1,d,e)",
    "z=a+LOGNORMX(b,c,d)*LOGNORMY(1,e,f)",
    "z=LOGNORMX(a,b,c)*LOGNORMY(1,d,c)",
    "z=a+LOGNORMX(b,c,d)*LOGNORMY(1,e,d)",
    "z=LOGNORMX(a,b,c)+LOGNORMY(d,e,f)",
    "z=a+LOGNORMX(b,c,d)+LOGNORMY(e,f,g)",
    "z=a+by+LOGNORMX(c,d,e)",
    "z=a+bx+LOGNORMY(c,d,e)",
    "z=a+by+cy~^2~^+LOGNORMX(d,e,f)",
    "z=a+bx+cx~^2~^+LOGNORMY(d,e,f)",
    "z=LOGNORMX(a,b,c)+LOGNORMY(d,e,f)+LOGNORMX(g,b,c)*LOGNORMY(1,e,f)",
    "z=a+LOGNORMX(b,c,d)+LOGNORMY(e,f,g)+LOGNORMX(h,c,d)*LOGNORMY(1,f,g)",
    // 2037-2048
    "z=LOGISTICX(a,b,c)*LOGISTICY(1,d,e)",
    "z=a+LOGISTICX(b,c,d)*LOGISTICY(1,e,f)",
    "z=LOGISTICX(a,b,c)*LOGISTICY(1,d,c)",
    "z=a+LOGISTICX(b,c,d)*LOGISTICY(1,e,d)",
    "z=LOGISTICX(a,b,c)+LOGISTICY(d,e,f)",
    "z=a+LOGISTICX(b,c,d)+LOGISTICY(e,f,g)",
    "z=a+by+LOGISTICX(c,d,e)",
    "z=a+bx+LOGISTICY(c,d,e)",
    "z=a+by+cy~^2~^+LOGISTICX(d,e,f)",
    "z=a+bx+cx~^2~^+LOGISTICY(d,e,f)",
    "z=LOGISTICX(a,b,c)+LOGISTICY(d,e,f)+LOGISTICX(g,b,c)*LOGISTICY(1,e,f)",
    "z=a+LOGISTICX(b,c,d)+LOGISTICY(e,f,g)+LOGISTICX(h,c,d)*LOGISTICY(1,f,g)",
    // 2049-2060
    "z=EXTRVALX(a,b,c)*EXTRVALY(1,d,e)",
    "z=a+EXTRVALX(b,c,d)*EXTRVALY(1,e,f)",
    "z=EXTRVALX(a,b,c)*EXTRVALY(1,d,c)",
    "z=a+EXTRVALX(b,c,d)*EXTRVALY(1,e,d)",
    "z=EXTRVALX(a,b,c)+EXTRVALY(d,e,f)",
    "z=a+EXTRVALX(b,c,d)+EXTRVALY(e,f,g)",
    "z=a+by+EXTRVALX(c,d,e)",
    "z=a+bx+EXTRVALY(c,d,e)",
    "z=a+by+cy~^2~^+EXTRVALX(d,e,f)",
    "z=a+bx+cx~^2~^+EXTRVALY(d,e,f)",
    "z=EXTRVALX(a,b,c)+EXTRVALY(d,e,f)+EXTRVALX(g,b,c)*EXTRVALY(1,e,f)",
    "z=a+EXTRVALX(b,c,d)+EXTRVALY(e,f,g)+EXTRVALX(h,c,d)*EXTRVALY(1,f,g)",
    // 2061-2072
    "z=GAUSSX(a,b,c)*LOGNORMY(1,d,e)",
    "z=LOGNORMX(a,b,c)*GAUSSY(1,d,e)",
    "z=a+GAUSSX(b,c,d)*LOGNORMY(1,e,f)",
    "z=a+LOGNORMX(b,c,d)*GAUSSY(1,e,f)",
    "z=GAUSSX(a,b,c)+LOGNORMY(d,e,f)",
    "z=LOGNORMX(a,b,c)+GAUSSY(d,e,f)",
    "z=a+GAUSSX(b,c,d)+LOGNORMY(e,f,g)",
    "z=a+LOGNORMX(b,c,d)+GAUSSY(e,f,g)",
    "z=GAUSSX(a,b,c)+LOGNORMY(d,e,f)+GAUSSX(g,b,c)*LOGNORMY(1,e,f)",
    "z=LOGNORMX(a,b,c)+GAUSSY(d,e,f)+LOGNORMX(g,b,c)*GAUSSY(1,e,f)",
    "z=a+GAUSSX(b,c,d)+LOGNORMY(e,f,g)+GAUSSX(h,c,d)*LOGNORMY(1,f,g)",
    "z=a+LOGNORMX(b,c,d)+GAUSSY(e,f,g)+LOGNORMX(h,c,d)*GAUSSY(1,f,g)",
    // 2073-2084
    "z=GCUMX(a,b,c)*GCUMY(1,d,e)",
    "z=a+GCUMX(b,c,d)*GCUMY(1,e,f)",
    "z=GCUMX(a,b,c)*GCUMY(1,d,c)",
    "z=a+GCUMX(b,c,d)*GCUMY(1,e,d)",
    "z=GCUMX(a,b,c)+GCUMY(d,e,f)",
    "z=a+GCUMX(b,c,d)+GCUMY(e,f,g)",
    "z=a+by+GCUMX(c,d,e)",
    "z=a+bx+GCUMY(c,d,e)",
    "z=a+by+cy~^2~^+GCUMX(d,e,f)",
    "z=a+bx+cx~^2~^+GCUMY(d,e,f)",
    "z=GCUMX(a,b,c)+GCUMY(d,e,f)+GCUMX(g,b,c)*GCUMY(1,e,f)",
    "z=a+GCUMX(b,c,d)+GCUMY(e,f,g)+GCUMX(h,c,d)*GCUMY(1,f,g)",
    // 2085-2096
    "z=LORCUMX(a,b,c)*LORCUMY(1,d,e)",
    "z=a+LORCUMX(b,c,d)*LORCUMY(1,e,f)",
    "z=LORCUMX(a,b,c)*LORCUMY(1,d,c)",
    "z=a+LORCUMX(b,c,d)*LORCUMY(1,e,d)",
    "z=LORCUMX(a,b,c)+LORCUMY(d,e,f)",
    "z=a+LORCUMX(b,c,d)+LORCUMY(e,f,g)",
    "z=a+by+LORCUMX(c,d,e)",
    "z=a+bx+LORCUMY(c,d,e)",
    "z=a+by+cy~^2~^+LORCUMX(d,e,f)",
    "z=a+bx+cx~^2~^+LORCUMY(d,e,f)",
    "z=LORCUMX(a,b,c)+LORCUMY(d,e,f)+LORCUMX(g,b,c)*LORCUMY(1,e,f)",
    "z=a+LORCUMX(b,c,d)+LORCUMY(e,f,g)+LORCUMX(h,c,d)*LORCUMY(1,f,g)",
    // 2097-2108
    "z=LNCUMX(a,b,c)*LNCUMY(1,d,e)",
    "z=a+LNCUMX(b,c,d)*LNCUMY(1,e,f)",
    "z=LNCUMX(a,b,c)*LNCUMY(1,d,c)",
    "z=a+LNCUMX(b,c,d)*LNCUMY(1,e,d)",
    "z=LNCUMX(a,b,c)+LNCUMY(d,e,f)",
    "z=a+LNCUMX(b,c,d)+LNCUMY(e,f,g)",
    "z=a+by+LNCUMX(c,d,e)",
    "z=a+bx+LNCUMY(c,d,e)",
    "z=a+by+cy~^2~^+LNCUMX(d,e,f)",
    "z=a+bx+cx~^2~^+LNCUMY(d,e,f)",
    "z=LNCUMX(a,b,c)+LNCUMY(d,e,f)+LNCUMX(g,b,c)*LNCUMY(1,e,f)",
    "z=a+LNCUMX(b,c,d)+LNCUMY(e,f,g)+LNCUMX(h,c,d)*LNCUMY(1,f,g)",
    // 2109-2120
    "z=SIGX(a,b,c)*SIGY(1,d,e)",
    "z=a+SIGX(b,c,d)*SIGY(1,e,f)",
    "z=SIGX(a,b,c)*SIGY(1,d,c)",
    "z=a+SIGX(b,c,d)*SIGY(1,e,d)",
    "z=SIGX(a,b,c)+SIGY(d,e,f)",
    "z=a+SIGX(b,c,d)+SIGY(e,f,g)",
    "z=a+by+SIGX(c,d,e)",
    "z=a+bx+SIGY(c,d,e)",
    "z=a+by+cy~^2~^+SIGX(d,e,f)",
    "z=a+bx+cx~^2~^+SIGY(d,e,f)",
    "z=SIGX(a,b,c)+SIGY(d,e,f)+SIGX(g,b,c)*SIGY(1,e,f)",
    "z=a+SIGX(b,c,d)+SIGY(e,f,g)+SIGX(h,c,d)*SIGY(1,f,g)",
    // 2121-2132
    "z=EXVCUMX(a,b,c)*EXVCUMY(1,d,e)",
    "z=a+EXVCUMX(b,c,d)*EXVCUMY(1,e,f)",
    "z=EXVCUMX(a,b,c)*EXVCUMY(1,d,c)",
    "z=a+EXVCUMX(b,c,d)*EXVCUMY(1,e,d)",
    "z=EXVCUMX(a,b,c)+EXVCUMY(d,e,f)",
    "z=a+EXVCUMX(b,c,d)+EXVCUMY(e,f,g)",
    "z=a+by+EXVCUMX(c,d,e)",
    "z=a+bx+EXVCUMY(c,d,e)",
    "z=a+by+cy~^2~^+EXVCUMX(d,e,f)",
    "z=a+bx+cx~^2~^+EXVCUMY(d,e,f)",
    "z=EXVCUMX(a,b,c)+EXVCUMY(d,e,f)+EXVCUMX(g,b,c)*EXVCUMY(1,e,f)",
    "z=a+EXVCUMX(b,c,d)+EXVCUMY(e,f,g)+EXVCUMX(h,c,d)*EXVCUMY(1,f,g)",
    // 2133-2144
    "z=LDRX(a,b,c)*LDRY(1,d,e)",
    "z=a+LDRX(b,c,d)*LDRY(1,e,f)",
    "z=LDRX(a,b,c)*LDRY(1,d,c)",
    "z=a+LDRX(b,c,d)*LDRY(1,e,d)",
    "z=LDRX(a,b,c)+LDRY(d,e,f)",
    "z=a+LDRX(b,c,d)+LDRY(e,f,g)",
    "z=a+by+LDRX(c,d,e)",
    "z=a+bx+LDRY(c,d,e)",
    "z=a+by+cy~^2~^+LDRX(d,e,f)",
    "z=a+bx+cx~^2~^+LDRY(d,e,f)",
    "z=LDRX(a,b,c)+LDRY(d,e,f)+LDRX(g,b,c)*LDRY(1,e,f)",
    "z=a+LDRX(b,c,d)+LDRY(e,f,g)+LDRX(h,c,d)*LDRY(1,f,g)",
    // 2145-2156
    "z=EXPX(a,b)*EXPY(1,c)",
    "z=a+EXPX(b,c)*EXPY(1,d)",
    "z=EXPX(a,b)*EXPY(1,b)",
    "z=a+EXPX(b,c)*EXPY(1,c)",
    "z=EXPX(a,b)+EXPY(c,d)",
    "z=a+EXPX(b,c)+EXPY(d,e)",
    "z=a+by+EXPX(c,d)",
    "z=a+bx+EXPY(c,d)",
    "z=a+by+cy~^2~^+EXPX(d,e)",
    "z=a+bx+cx~^2~^+EXPY(d,e)",
    "z=EXPX(a,b)+EXPY(c,d)+EXPX(e,b)*EXPY(1,d)",
    "z=a+EXPX(b,c)+EXPY(d,e)+EXPX(f,c)*EXPY(1,e)",
    // 2157-2168
    "z=POWX(a,b)*POWY(1,c)",
    "z=a+POWX(b,c)*POWY(1,d)",
    "z=POWX(a,b)*POWY(1,b)",
    "z=a+POWX(b,c)*POWY(1,c)",
    "z=POWX(a,b)+POWY(c,d)",
    "z=a+POWX(b,c)+POWY(d,e)",
    "z=a+by+POWX(c,d)",
    "z=a+bx+POWY(c,d)",
    "z=a+by+cy~^2~^+POWX(d,e)",
    "z=a+bx+cx~^2~^+POWY(d,e)",
    "z=POWX(a,b)+POWY(c,d)+POWX(e,b)*POWY(1,d)",
    "z=a+POWX(b,c)+POWY(d,e)+POWX(f,c)*POWY(1,e)",
    // 2169-2172
    "z=a+bx+cy [Robust None, Least Squares]",
    "z=a+bx+cy [Robust Low, Least Abs Deviation]",
    "z=a+bx+cy [Robust Medium, Lorentzian]",
    "z=a+bx+cy [Robust High, PearsonVII Limit]",
};

constexpr const char* kLetters[8] = {"a", "b", "c", "d", "e", "f", "g", "h"};
constexpr const char* kUdfNames[kMaxNonlinearParameters] = {"A0", "A1", "A2", "A3", "A4",
                                                            "A5", "A6", "A7", "A8", "A9"};

TNonlinearEvaluator BuiltinEvaluator(int index) {
  if (index < 72) return PeakEvaluators[static_cast<std::size_t>(index)];
  if (index < 144) return TransitionEvaluators[static_cast<std::size_t>(index - 72)];
  if (index < kPlaneIndex) return ExponentialPowerEvaluators[static_cast<std::size_t>(index - 144)];
  return EvalRobustPlane;
}

}  // namespace

long double LogAbscissa(long double t) { return std::log(PositiveAbscissa(t)); }

TShapePoint MakeShapePoint(long double x, long double y) {
  return {x, y, LogAbscissa(x), LogAbscissa(y)};
}

TNonlinearEntry BuiltinNonlinearEntry(int index) {
  TNonlinearEntry e;
  if (index < 0 || index >= kBuiltinNonlinearCount) return e;
  e.evaluator = BuiltinEvaluator(index);
  if (index >= kPowerIndex && index < kPlaneIndex)
    e.pointEvaluator = PowerPointEvaluators[static_cast<std::size_t>(index - kPowerIndex)];
  if (index >= kPlaneIndex) {
    e.parameters = 3;
    e.subIndex = kSubPlane + index - kPlaneIndex;
    e.complexity = kPlaneComplexity;
    return e;
  }
  const int block = index / 12, position = index % 12;
  const int form = block == kMixedBlock ? kMixedForms[position] : position;
  const int group = block < 6 ? 0 : block < kExponentialBlock ? 1 : block - kExponentialBlock + 2;
  e.parameters = FormParameterCount(form, group < 2 ? 2 : 1);
  e.subIndex = 12 * group + form;
  e.complexity = kComplexity[block][position];
  if (block == kLogNormalBlock || block == kLncumBlock) {
    e.xLog = e.yLog = 1;
  } else if (block == kMixedBlock) {
    (position % 2 == 0 ? e.yLog : e.xLog) = 1;
  }
  return e;
}

TNonlinearEntry LookupNonlinearEquation(int index) {
  const int k = index - kUdfCatalogueBase;
  if (k < 0 || k >= kUdfCatalogueCount) return BuiltinNonlinearEntry(index);
  // An empty slot (or a record with a parameter count out of range) is an unknown index:
  // nothing of a missing record is read.
  const int p = UdfFitParamCount(k);
  TNonlinearEntry e;
  if (p <= 0) return e;
  ExprThreadContext().CurrentUdf = k;
  e.evaluator = UserFunctionEvaluators[static_cast<std::size_t>(k)];
  e.parameters = p;
  e.subIndex = 0;
  return e;
}

void LookupNonlinearEquation(int index, TNonlinearEvaluator& evaluator, int& parameters,
                             int& subIndex, int& xLog, int& yLog, int& complexity) {
  const TNonlinearEntry e = LookupNonlinearEquation(index);
  evaluator = e.evaluator;
  parameters = e.parameters;
  subIndex = e.subIndex;
  xLog = e.xLog;
  yLog = e.yLog;
  complexity = e.complexity;
}

std::string_view NonlinearEquationText(int equationNumber) {
  const int index = NonlinearIndexOfEquation(equationNumber);
  if (index < 0 || index >= kBuiltinNonlinearCount) return {};
  return kEquationTexts[index];
}

std::string_view NonlinearParameterName(int equationNumber, int i) {
  const int index = NonlinearIndexOfEquation(equationNumber);
  if (index >= 0 && index < kBuiltinNonlinearCount) {
    const int p = BuiltinNonlinearEntry(index).parameters;
    return i >= 1 && i <= p ? kLetters[i - 1] : std::string_view();
  }
  const int k = UdfIndexOfEquation(equationNumber);
  if (k < 0 || i < 1 || i > UdfFitParamCount(k)) return {};
  return kUdfNames[i - 1];
}
