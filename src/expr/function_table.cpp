#include "expr/function_table.h"

#include <array>

#include "expr/builtins.h"
#include "expr/eval_context.h"
#include "expr/peak_builtins.h"

namespace {

constexpr std::uint32_t X = kUsesX;
constexpr std::uint32_t Y = kUsesY;
constexpr std::uint32_t D = kUsesDollar;
constexpr std::uint32_t SUB = kUsesSubFunction;
constexpr std::uint32_t CALC = kTakesSubFunctionNumber;

// Registration order matters: names are entered in this order and later ones are found
// first (none of them repeats). Rows with a null handler are refused by the lexer until
// their bodies are built.
constexpr std::array<TExprFunctionRow, kExprFunctionCount> kRows = {{
    // Sub-function calls: line n of the function being evaluated.
    {"#F9", 0, SUB, BuiltinF9}, {"#F8", 0, SUB, BuiltinF8}, {"#F7", 0, SUB, BuiltinF7},
    {"#F6", 0, SUB, BuiltinF6}, {"#F5", 0, SUB, BuiltinF5}, {"#F4", 0, SUB, BuiltinF4},
    {"#F3", 0, SUB, BuiltinF3}, {"#F2", 0, SUB, BuiltinF2}, {"#F1", 0, SUB, BuiltinF1},
    {"F9", 0, SUB, BuiltinF9}, {"F8", 0, SUB, BuiltinF8}, {"F7", 0, SUB, BuiltinF7},
    {"F6", 0, SUB, BuiltinF6}, {"F5", 0, SUB, BuiltinF5}, {"F4", 0, SUB, BuiltinF4},
    {"F3", 0, SUB, BuiltinF3}, {"F2", 0, SUB, BuiltinF2}, {"F1", 0, SUB, BuiltinF1},

    // Peak and transition shapes at X, Y and $.
    {"GAUSSX", 3, X, BuiltinShape<kVarX, ShapeGAUSS, 3>},
    {"LORX", 3, X, BuiltinShape<kVarX, ShapeLOR, 3>},
    {"LOGNORMX", 3, X, BuiltinShape<kVarX, ShapeLOGNORM, 3>},
    {"LOGISTICX", 3, X, BuiltinShape<kVarX, ShapeLOGISTIC, 3>},
    {"EXTRVALX", 3, X, BuiltinShape<kVarX, ShapeEXTRVAL, 3>},
    {"GCUMX", 3, X, BuiltinShape<kVarX, ShapeGCUM, 3>},
    {"LORCUMX", 3, X, BuiltinShape<kVarX, ShapeLORCUM, 3>},
    {"LNCUMX", 3, X, BuiltinShape<kVarX, ShapeLNCUM, 3>},
    {"SIGX", 3, X, BuiltinShape<kVarX, ShapeSIG, 3>},
    {"EXVCUMX", 3, X, BuiltinShape<kVarX, ShapeEXVCUM, 3>},
    {"LDRX", 3, X, BuiltinShape<kVarX, ShapeLDR, 3>},
    {"EXPX", 2, X, BuiltinShape<kVarX, ShapeEXP, 2>},
    {"POWX", 2, X, BuiltinShape<kVarX, ShapePOW, 2>},
    {"GAUSSY", 3, Y, BuiltinShape<kVarY, ShapeGAUSS, 3>},
    {"LORY", 3, Y, BuiltinShape<kVarY, ShapeLOR, 3>},
    {"LOGNORMY", 3, Y, BuiltinShape<kVarY, ShapeLOGNORM, 3>},
    {"LOGISTICY", 3, Y, BuiltinShape<kVarY, ShapeLOGISTIC, 3>},
    {"EXTRVALY", 3, Y, BuiltinShape<kVarY, ShapeEXTRVAL, 3>},
    {"GCUMY", 3, Y, BuiltinShape<kVarY, ShapeGCUM, 3>},
    {"LORCUMY", 3, Y, BuiltinShape<kVarY, ShapeLORCUM, 3>},
    {"LNCUMY", 3, Y, BuiltinShape<kVarY, ShapeLNCUM, 3>},
    {"SIGY", 3, Y, BuiltinShape<kVarY, ShapeSIG, 3>},
    {"EXVCUMY", 3, Y, BuiltinShape<kVarY, ShapeEXVCUM, 3>},
    {"LDRY", 3, Y, BuiltinShape<kVarY, ShapeLDR, 3>},
    {"EXPY", 2, Y, BuiltinShape<kVarY, ShapeEXP, 2>},
    {"POWY", 2, Y, BuiltinShape<kVarY, ShapePOW, 2>},
    {"GAUSS$", 3, D, BuiltinShape<kVarDollar, ShapeGAUSS, 3>},
    {"LOR$", 3, D, BuiltinShape<kVarDollar, ShapeLOR, 3>},
    {"LOGNORM$", 3, D, BuiltinShape<kVarDollar, ShapeLOGNORM, 3>},
    {"LOGISTIC$", 3, D, BuiltinShape<kVarDollar, ShapeLOGISTIC, 3>},
    {"EXTRVAL$", 3, D, BuiltinShape<kVarDollar, ShapeEXTRVAL, 3>},
    {"GCUM$", 3, D, BuiltinShape<kVarDollar, ShapeGCUM, 3>},
    {"LORCUM$", 3, D, BuiltinShape<kVarDollar, ShapeLORCUM, 3>},
    {"LNCUM$", 3, D, BuiltinShape<kVarDollar, ShapeLNCUM, 3>},
    {"SIG$", 3, D, BuiltinShape<kVarDollar, ShapeSIG, 3>},
    {"EXVCUM$", 3, D, BuiltinShape<kVarDollar, ShapeEXVCUM, 3>},
    {"LDR$", 3, D, BuiltinShape<kVarDollar, ShapeLDR, 3>},
    {"EXP$", 2, D, BuiltinShape<kVarDollar, ShapeEXP, 2>},
    {"POW$", 2, D, BuiltinShape<kVarDollar, ShapePOW, 2>},

    {"IF", 3, 0, BuiltinIF},

    // Calculus: the first argument is the number n of the line Fn they evaluate.
    {"PROD", 4, CALC, BuiltinPROD}, {"SER", 4, CALC, BuiltinSER}, {"SUM", 4, CALC, BuiltinSUM},
    {"DX2", 1, CALC, BuiltinDX2}, {"DX", 1, CALC, BuiltinDX}, {"DY2", 1, CALC, BuiltinDY2},
    {"DY", 1, CALC, BuiltinDY}, {"DXY", 1, CALC, BuiltinDXY},
    {"IMPLICIT", 4, CALC, BuiltinIMPLICIT}, {"IMPLICIT_", 4, CALC, BuiltinIMPLICIT_},
    {"AI", 3, CALC, BuiltinAI}, {"AIP", 4, CALC, BuiltinAIP}, {"QI", 3, CALC, BuiltinQI},
    {"QIP", 4, CALC, BuiltinQIP}, {"QIN", 4, CALC, BuiltinQIN}, {"RI", 3, CALC, BuiltinRI},
    {"DQIP", 6, CALC, BuiltinDQIP},

    // Special functions.
    {"ERF", 1, 0, BuiltinERF}, {"ERFC", 1, 0, BuiltinERFC}, {"ERFP1", 1, 0, BuiltinERFP1},
    {"ERFM1", 1, 0, BuiltinERFM1}, {"LNFAC", 1, 0, BuiltinLNFAC}, {"LNGAM", 1, 0, BuiltinLNGAM},
    {"GAM", 1, 0, BuiltinGAM}, {"PSI", 1, 0, BuiltinPSI},
    {"BET", 2, 0, BuiltinBET}, {"IGAM", 2, 0, BuiltinIGAM}, {"IGAMP", 2, 0, BuiltinIGAM},
    {"IGAMC", 2, 0, BuiltinIGAMC}, {"IGAMQ", 2, 0, BuiltinIGAMC}, {"PFCP", 2, 0, BuiltinIGAMC},
    {"PFX2", 2, 0, BuiltinPFX2}, {"PFX2C", 2, 0, BuiltinPFX2C}, {"PFST", 2, 0, BuiltinPFST},
    {"PFF", 3, 0, BuiltinPFF}, {"PFBI", 3, 0, BuiltinPFBI}, {"IBETA", 3, 0, BuiltinIBETA},
    {"LGNDR", 3, 0, BuiltinLGNDR}, {"HYPM", 3, 0, BuiltinHYPM}, {"HYPU", 3, 0, BuiltinHYPU},
    {"HYPF", 4, 0, BuiltinHYPF},
    {"B0", 1, 0, BuiltinB0},

    // Bessel, spherical Bessel and Airy functions.
    {"J0", 1, 0, BuiltinJ0}, {"J1", 1, 0, BuiltinJ1}, {"Y0", 1, 0, BuiltinY0},
    {"Y1", 1, 0, BuiltinY1}, {"I0", 1, 0, BuiltinI0}, {"I1", 1, 0, BuiltinI1},
    {"K0", 1, 0, BuiltinK0}, {"K1", 1, 0, BuiltinK1}, {"I0EIX", 1, 0, BuiltinI0EIX},
    {"I1EIX", 1, 0, BuiltinI1EIX},
    {"JN", 2, 0, BuiltinJN}, {"YN", 2, 0, BuiltinYN}, {"IN", 2, 0, BuiltinIN},
    {"KN", 2, 0, BuiltinKN},
    {"JNU", 2, 0, BuiltinJNU}, {"YNU", 2, 0, BuiltinYNU}, {"INU", 2, 0, BuiltinINU},
    {"KNU", 2, 0, BuiltinKNU}, {"DJNU", 2, 0, BuiltinDJNU}, {"DYNU", 2, 0, BuiltinDYNU},
    {"DINU", 2, 0, BuiltinDINU}, {"DKNU", 2, 0, BuiltinDKNU},
    {"SPHJN", 2, 0, BuiltinSPHJN}, {"SPHYN", 2, 0, BuiltinSPHYN}, {"SPHIN", 2, 0, BuiltinSPHIN},
    {"SPHKN", 2, 0, BuiltinSPHKN}, {"DSPHJN", 2, 0, BuiltinDSPHJN}, {"DSPHYN", 2, 0, BuiltinDSPHYN},
    {"DSPHIN", 2, 0, BuiltinDSPHIN}, {"DSPHKN", 2, 0, BuiltinDSPHKN},
    {"AIRYA", 1, 0, BuiltinAIRYA}, {"AIRYB", 1, 0, BuiltinAIRYB}, {"DAIRYA", 1, 0, BuiltinDAIRYA},
    {"DAIRYB", 1, 0, BuiltinDAIRYB},

    // Elementary functions.
    {"DTOR", 1, 0, BuiltinDTOR}, {"RTOD", 1, 0, BuiltinRTOD}, {"RAND", 1, 0, BuiltinRAND},
    {"RANDOM", 0, 0, BuiltinRANDOM}, {"RANDGAUSS", 0, 0, BuiltinRANDGAUSS},
    {"FRACTION", 1, 0, BuiltinFRACTION}, {"INTEGER", 1, 0, BuiltinINTEGER}, {"ROUND", 1, 0, BuiltinROUND},
    {"FLOOR", 1, 0, BuiltinFLOOR}, {"CEIL", 1, 0, BuiltinCEIL}, {"ABS", 1, 0, BuiltinABS},
    {"SQRT", 1, 0, BuiltinSQRT}, {"LN", 1, 0, BuiltinLN}, {"LOG", 1, 0, BuiltinLOG},
    {"EXP", 1, 0, BuiltinEXP},
    {"POW", 2, 0, BuiltinPOW}, {"MOD", 2, 0, BuiltinMOD},
    {"COS", 1, 0, BuiltinCOS}, {"SIN", 1, 0, BuiltinSIN}, {"TAN", 1, 0, BuiltinTAN},
    {"CSC", 1, 0, BuiltinCSC}, {"SEC", 1, 0, BuiltinSEC}, {"COT", 1, 0, BuiltinCOT},
    {"ACOS", 1, 0, BuiltinACOS}, {"ASIN", 1, 0, BuiltinASIN}, {"ATAN", 1, 0, BuiltinATAN},
    {"ATAN2", 2, 0, BuiltinATAN2},
    {"COSH", 1, 0, BuiltinCOSH}, {"SINH", 1, 0, BuiltinSINH},
    {"TANH", 1, 0, BuiltinTANH},
    {"CSCH", 1, 0, BuiltinCSCH}, {"SECH", 1, 0, BuiltinSECH}, {"COTH", 1, 0, BuiltinCOTH},
    {"ACOSH", 1, 0, BuiltinACOSH}, {"ASINH", 1, 0, BuiltinASINH}, {"ATANH", 1, 0, BuiltinATANH},

    // Student t values, the noncentral chi-square integral TFN, noise and data counters.
    {"T9999", 1, 0, BuiltinT9999}, {"T999", 1, 0, BuiltinT999}, {"T99", 1, 0, BuiltinT99},
    {"T95", 1, 0, BuiltinT95}, {"T90", 1, 0, BuiltinT90},
    {"TFN", 2, 0, BuiltinTFN},
    {"NOISE", 1, 0, BuiltinNOISE}, {"GNOISE", 1, 0, BuiltinGNOISE},
    {"INDEX", 0, X | Y, BuiltinINDEX},
    {"XYCNT", 0, 0, BuiltinXYCNT},
}};

}  // namespace

std::span<const TExprFunctionRow> ExprFunctionTable() { return kRows; }

const TExprFunctionRow* ExprFunctionRow(std::uint32_t i) {
  return i < kRows.size() ? &kRows[i] : nullptr;
}
