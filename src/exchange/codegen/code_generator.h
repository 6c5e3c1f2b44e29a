// The code generator: a fit written as source code that evaluates z(x, y), in C with long
// double or double, Pascal, Basic, FORTRAN 77, FORTRAN 90, the program's own user-function
// file or the sibling plotting product's transform text. The program text is not held here:
// each dialect has a template file KEY.QVL beside the program (CLDBL, C, PASCAL, BASIC,
// FORT77, FORT90, QVUDF, MVXFM), and a run copies one section of it with its keywords
// expanded (template_expansion.h, codegen_keywords.h).
//
// A run:
//   1. refuses a fit that cannot be written in the dialect (CodeGenCanWrite), writing nothing;
//   2. reads the template KEY.QVL of the dialect from the input's template directory;
//   3. expands the section of the scope: the key of the dialect (of dialect 0 for scope 2);
//   4. refuses the run, writing nothing, when the expansion wrote a constant (a parameter,
//      a scale, a statistic) that the dialect's reals cannot hold (DialectHoldsConstant):
//      1e400 in C with doubles would compute infinity, NaN no compiler takes, 1e-400 would
//      silently become 0;
//   5. writes the result with CR LF line ends through a temporary file renamed over the
//      output, so a failed run never leaves half a file and an older file stays whole.
// A template without the wanted section gives an empty output file.
//
// Synchronous; it touches no program-wide state and may run on any thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "exchange/codegen/codegen_keywords.h"

// Results of a run, for the caller to report.
enum class CodeGenResult : int {
  kDone = 1,           // written (also when the template has no such section: an empty file)
  kNoTemplate = -1,    // the template file cannot be read (or the dialect is not 0..7)
  kNotWritten = -2,    // the output file cannot be created or written
  kNoMemory = -3,      // memory ran out
  kNotWritable = -4,   // the fit cannot be written in this dialect (CodeGenCanWrite): a
                       // series family or a fit of more than ten parameters as a
                       // user-function file, a series family as a transform text, a
                       // user-defined function in any dialect but the user-function file
  kConstantNotHeld = -5,  // a constant the dialect cannot hold (step 4)
};

// Writes the fit of `in` to `outputPath` as the function `functionName`. `notHeld`, when
// given, receives the constant of a kConstantNotHeld result.
[[nodiscard]] CodeGenResult CodeGenFromTemplate(const TCodeGenInput& in, const std::filesystem::path& outputPath,
                                                std::string_view functionName, TCodeGenConstant* notHeld = nullptr);

// The text a run would write to `outputPath` (steps 1 to 4), with LF line ends, into `text`;
// the result as CodeGenFromTemplate gives it, never kNotWritten.
[[nodiscard]] CodeGenResult CodeGenToText(const TCodeGenInput& in, const std::filesystem::path& outputPath,
                                          std::string_view functionName, std::string& text,
                                          TCodeGenConstant* notHeld = nullptr);

// The name of the user function generated from a fit: "Eqn" and the fit's equation number,
// within the characters a user-function record keeps of a name (kUdfNameSize - 1). A number
// too long for that drops letters of "Eqn" from the end (Eq12345678, E151232655) instead of
// its own last digits, so that two fits never read back under one name.
std::string UdfFunctionName(std::int32_t equationNumber);

// Why `name` cannot name the generated function, or an empty text when it can. A name
// begins with a letter and holds only letters, digits and underscores: a blank, a hyphen or
// a leading digit makes code that no compiler of the dialects takes. It is none of the names
// the generated code declares or calls itself, nor a reserved word of its languages (x, z1,
// main, exp, begin, PRINT, ...), compared without case, as FORTRAN, Pascal and Basic compare
// names.
std::string CodeFunctionNameFault(std::string_view name);

// The message of a kConstantNotHeld result: "Parameter c = 1E+400 Cannot Be Written as a
// Constant in Fortran 90\nNothing Was Written".
std::string CodeGenRefusalText(const TCodeGenConstant& constant, int dialect);

// The template file of a dialect in a directory ("%s%s.QVL" of the directory and the key).
std::filesystem::path CodeGenTemplatePath(const std::filesystem::path& directory, int dialect);
