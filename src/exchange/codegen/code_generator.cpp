#include "exchange/codegen/code_generator.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <string>

#include "app/c_format.h"
#include "app/file_utils.h"
#include "exchange/codegen/codegen_dialects.h"
#include "exchange/codegen/template_expansion.h"

namespace {

// The whole template, or false when it cannot be opened or read.
bool ReadTemplate(const std::filesystem::path& path, std::string& text) {
  const FilePtr f = FOpenOem(path, "rb");
  if (!f) return false;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, f.get())) > 0) text.append(buffer, n);
  return std::ferror(f.get()) == 0;
}

std::string WithCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (const char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// The names a generated function may not take: those the templates declare or call (their
// variables, the test programs and the helper functions they define), the mathematical
// functions of every dialect, and the reserved words of C, Pascal and Basic that a name
// could be mistaken for (FORTRAN reserves none).
constexpr std::string_view kNamesInUse[] = {
    // the templates' own names
    "x", "y", "z", "xin", "yin", "x0", "x1", "y0", "y1", "z1", "z2", "z3", "z4", "zu", "zv", "f1", "f2", "f3", "f4",
    "f5", "f6", "f7", "f8", "a", "b", "c", "d", "e", "h", "i", "j", "k", "n", "p", "q", "r", "s", "t", "u", "v",
    "t2", "nk", "nh", "ni", "nj", "term", "main", "gentst", "generatedtest", "harness", "erf", "erfc", "pow",
    "printf", "write", "writeln", "print",
    // mathematical functions
    "abs", "fabs", "fabsl", "acos", "acosl", "asin", "asinl", "atan", "atanl", "atn", "arctan", "cos", "cosl", "exp",
    "expl", "log", "logl", "log10", "log10l", "ln", "sin", "sinl", "sqrt", "sqrtl", "sqr", "tan", "tanl", "powl",
    "erfl", "dabs", "dacos", "dasin", "datan", "dcos", "dexp", "dlog", "dlog10", "dsin", "dsqrt", "dtan", "dmax1",
    "dmin1", "nint", "round", "max", "min", "pi",
    // C
    "auto", "break", "case", "char", "const", "continue", "default", "do", "double", "else", "enum", "extern",
    "float", "for", "goto", "if", "inline", "int", "long", "register", "restrict", "return", "short", "signed",
    "sizeof", "static", "struct", "switch", "typedef", "union", "unsigned", "void", "volatile", "while",
    // Pascal
    "and", "array", "begin", "div", "downto", "end", "extended", "file", "function", "in", "label", "mod", "nil",
    "not", "of", "or", "procedure", "program", "record", "repeat", "set", "string", "then", "to", "type", "until",
    "uses", "var", "with", "xor",
    // Basic
    "declare", "defdbl", "dim", "let", "next", "rem", "step", "sub", "system", "gosub", "data", "read"};

}  // namespace

std::string CodeFunctionNameFault(std::string_view name) {
  auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (name.empty() || !letter(name.front()) ||
      !std::all_of(name.begin(), name.end(), [&](char c) { return letter(c) || digit(c) || c == '_'; }))
    return "A Function Name Begins with a Letter and Holds Only Letters, Digits and Underscores";
  std::string lower(name);
  for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  for (const std::string_view used : kNamesInUse)
    if (lower == used) return "The Generated Code Uses the Name " + std::string(name) + " Itself";
  return {};
}

std::filesystem::path CodeGenTemplatePath(const std::filesystem::path& directory, int dialect) {
  return directory / (std::string(DialectInfo(dialect).key) + ".QVL");
}

std::string UdfFunctionName(std::int32_t equationNumber) {
  const std::string number = std::to_string(equationNumber);
  constexpr std::size_t kRoom = kUdfNameSize - 1;
  // A name keeps at least its first letter; equation numbers have at most 9 digits.
  const std::size_t letters = number.size() < kRoom ? std::min<std::size_t>(3, kRoom - number.size()) : 1;
  return std::string("Eqn", letters) + number;
}

std::string CodeGenRefusalText(const TCodeGenConstant& constant, int dialect) {
  const char* language = IsCodeGenDialect(dialect) ? DialectInfo(dialect).name : "";
  return CFormat("%s = %.12LG Cannot Be Written as a Constant in %s\nNothing Was Written", constant.name.c_str(),
                 constant.value, language);
}

CodeGenResult CodeGenToText(const TCodeGenInput& in, const std::filesystem::path& outputPath,
                            std::string_view functionName, std::string& text, TCodeGenConstant* notHeld) {
  text.clear();
  if (!IsCodeGenDialect(in.dialect)) return CodeGenResult::kNoTemplate;
  try {
    const TCodeGenRun run = MakeCodeGenRun(in, outputPath, functionName);
    if (!CodeGenCanWrite(run)) return CodeGenResult::kNotWritable;
    std::string templateText;
    if (!ReadTemplate(CodeGenTemplatePath(in.templateDirectory, in.dialect), templateText))
      return CodeGenResult::kNoTemplate;
    const int keyDialect = in.scope == kScopeFirstKey ? kDialectC80 : in.dialect;
    text = ExpandTemplateSection(
        templateText, DialectInfo(keyDialect).key, in.scope,
        [&run](std::string_view keyword, std::string& expansion) { return CodeGenExpandKeywords(run, keyword, expansion); });
    if (run.notHeld) {
      text.clear();
      if (notHeld) *notHeld = *run.notHeld;
      return CodeGenResult::kConstantNotHeld;
    }
    return CodeGenResult::kDone;
  } catch (const std::bad_alloc&) {
    text.clear();
    return CodeGenResult::kNoMemory;
  }
}

CodeGenResult CodeGenFromTemplate(const TCodeGenInput& in, const std::filesystem::path& outputPath,
                                  std::string_view functionName, TCodeGenConstant* notHeld) {
  std::string text;
  const CodeGenResult result = CodeGenToText(in, outputPath, functionName, text, notHeld);
  if (result != CodeGenResult::kDone) return result;
  try {
    if (!SaveGlobalToFile(WithCrLf(text), outputPath)) return CodeGenResult::kNotWritten;
  } catch (const std::bad_alloc&) {
    return CodeGenResult::kNoMemory;
  }
  return CodeGenResult::kDone;
}
