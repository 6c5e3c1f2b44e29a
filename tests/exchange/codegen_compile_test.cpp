// The generated code compiled with the compilers people use and run, its z compared with the
// fitting engine's own value of the same fit: C with long double and with double (gcc),
// Pascal (fpc), FORTRAN 77 (gfortran, fixed form, lines checked against column 72) and
// FORTRAN 90 (gfortran). Each dialect gets one source holding a function for every fit of
// codegen_test::AllFamilies() with a small driver, and one full test program; the Basic
// equation texts are evaluated by bwbasic, which cannot run FUNCTION blocks.
//
// The difference is scaled by the larger of |z| and the range of the fit's values over the
// evaluation points, as a fit's error is judged against the data's Z range.
#include <gtest/gtest.h>

#include <charconv>
#include <cstdio>
#include <limits>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "app/c_format.h"
#include "app/program_files.h"
#include "exchange/codegen/codegen_dialects.h"
#include "exchange/codegen/codegen_keywords.h"
#include "exchange/codegen_test_support.h"
#include "exchange/compile_and_run.h"
#include "support/german_locale.h"
#include "support/scratch_files.h"

namespace {

using namespace codegen_test;

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A number printed by a generated program, read in the C locale whatever the test's locale
// ("E" and "D" exponents alike); NaN when the text is not a number.
long double ParseNumber(std::string text) {
  for (char& c : text)
    if (c == 'D' || c == 'd') c = 'E';
  const std::size_t start = text.find_first_not_of(" +");
  long double v = std::numeric_limits<long double>::quiet_NaN();
  if (start == std::string::npos) return v;
  const auto [ptr, ec] = std::from_chars(text.data() + start, text.data() + text.size(), v);
  return ec == std::errc() ? v : std::numeric_limits<long double>::quiet_NaN();
}

// The compiler's warnings and notes in its output (gcc and gfortran "warning"/"Warning",
// fpc "Warning:" and "Note:"), one per line.
std::string Complaints(const std::string& output) {
  std::istringstream lines(output);
  std::string line, found;
  while (std::getline(lines, line))
    if (line.find("arning") != std::string::npos || line.find("Note:") != std::string::npos) found += line + "\n";
  return found;
}

std::string FunctionName(std::size_t i) { return "qf" + std::to_string(i); }

// A number as the drivers write their evaluation points.
std::string PointText(long double v) { return CFormat("%.21Lg", v); }

// Values printed as "fit point z" lines, by (fit, point).
using TValues = std::map<std::pair<int, int>, long double>;
TValues ParseValues(const std::string& output) {
  TValues values;
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    int fit = 0, point = 0;
    char z[80] = {};
    if (std::sscanf(line.c_str(), "%d %d %79s", &fit, &point, z) == 3)
      values[{fit, point}] = ParseNumber(z);
  }
  return values;
}

// The scale of fit i's differences: max(|z|, the range of its values over the points).
long double ValueRange(const TTestFit& fit) {
  long double lo = 0, hi = 0;
  bool first = true;
  for (const TPoint& p : EvaluationPoints()) {
    const long double z = ReferenceZ(fit, p.x, p.y);
    lo = first ? z : std::min(lo, z);
    hi = first ? z : std::max(hi, z);
    first = false;
  }
  return hi - lo;
}

class GeneratedCodeTest : public ::testing::Test {
 protected:
  TDataStats stats_ = BoxStats();
  TFitRunScales scales_ = BoxScales();
  TDataTitles titles_ = BoxTitles();
  std::vector<TTestFit> fits_ = AllFamilies();
  ScratchDir dir_{"ondravik_codegen"};

  TCodeGenInput Input(const TFitEqn& fit, int dialect, int scope) const {
    TCodeGenInput in(fit, scales_, stats_, titles_);
    in.dialect = dialect;
    in.scope = scope;
    in.dataSource = "box.dat";
    in.date = "Jun 11, 2024";
    in.time = "9:30:00 AM";
    in.templateDirectory = ProgramDirectory();
    return in;
  }

  // The generated text of one fit, through the whole road of a run (template file, keyword
  // expansion, output file).
  std::string Generate(const TFitEqn& fit, int dialect, int scope, const std::string& name) const {
    const std::filesystem::path out = dir_.Path() / ("gen_" + name);
    const CodeGenResult result = CodeGenFromTemplate(Input(fit, dialect, scope), out, name);
    EXPECT_EQ(result, CodeGenResult::kDone) << name;
    return ReadText(out);
  }

  // One function per fit, named qf0, qf1, ... (generated in memory: the road to the file is
  // taken by the full test programs).
  std::string AllFunctions(int dialect) const {
    std::string all, text;
    for (std::size_t i = 0; i < fits_.size(); ++i) {
      const std::string name = FunctionName(i);
      EXPECT_EQ(CodeGenToText(Input(fits_[i].fit, dialect, kScopeFunction), dir_.Path() / name, name, text),
                CodeGenResult::kDone)
          << fits_[i].label;
      all += text;
    }
    return all;
  }

  std::string Write(const std::string& name, const std::string& text) const { return dir_.Write(name, text); }

  // Compiles and runs; the program's output.
  std::string CompileAndRun(const std::string& compile, const std::string& program) const {
    const TRun built = RunCommand(compile);
    EXPECT_EQ(built.status, 0) << compile << "\n" << built.output.substr(0, 4000);
    EXPECT_EQ(Complaints(built.output), "") << compile;
    if (built.status != 0) return {};
    const TRun ran = RunCommand(program);
    EXPECT_EQ(ran.status, 0) << ran.output.substr(0, 2000);
    return ran.output;
  }

  // Every fit at every point within `tolerance` of the engine's value.
  void ExpectAllValues(const TValues& values, long double tolerance) const {
    int checked = 0;
    long double worst = 0;
    for (std::size_t i = 0; i < fits_.size(); ++i) {
      const long double range = ValueRange(fits_[i]);
      for (std::size_t j = 0; j < EvaluationPoints().size(); ++j) {
        const TPoint& p = EvaluationPoints()[j];
        const long double want = ReferenceZ(fits_[i], p.x, p.y);
        const auto found = values.find({static_cast<int>(i), static_cast<int>(j)});
        ASSERT_NE(found, values.end()) << fits_[i].label << " point " << j;
        const long double scale = std::max(std::fabs(want), range);
        const long double error = std::fabs(found->second - want) / (scale > 0 ? scale : 1);
        worst = std::max(worst, error);
        EXPECT_LE(error, tolerance) << fits_[i].label << " at (" << static_cast<double>(p.x) << ", "
                                    << static_cast<double>(p.y) << "): " << static_cast<double>(found->second)
                                    << " against " << static_cast<double>(want);
        ++checked;
      }
    }
    EXPECT_EQ(checked, static_cast<int>(fits_.size() * EvaluationPoints().size()));
    RecordProperty("worst_scaled_difference", CFormat("%.3Lg", worst));
  }

  // The x y z lines of a full test program, each z against the engine's value of `fit`.
  void ExpectProgramTable(const std::string& output, const TTestFit& fit, long double tolerance) const {
    std::istringstream lines(output);
    std::string line;
    int rows = 0;
    const long double range = ValueRange(fit);
    while (std::getline(lines, line)) {
      char a[80], b[80], c[80];
      if (std::sscanf(line.c_str(), "%79s %79s %79s", a, b, c) != 3) continue;
      const long double x = ParseNumber(a), y = ParseNumber(b), z = ParseNumber(c);
      if (std::isnan(x) || std::isnan(y)) continue;
      const long double want = ReferenceZ(fit, x, y);
      EXPECT_LE(std::fabs(z - want) / std::max(std::fabs(want), range), tolerance) << line;
      ++rows;
    }
    EXPECT_EQ(rows, 25) << output;
  }
};

// ---- C ---------------------------------------------------------------------------------

std::string CDriver(std::size_t count, bool longDouble) {
  const std::string real = longDouble ? "long double" : "double";
  const std::string suffix = longDouble ? "L" : "";
  std::string s = "\n#include <stdio.h>\ntypedef " + real + " (*fn_t)(" + real + ", " + real + ");\n";
  s += "static const fn_t fns[] = {";
  for (std::size_t i = 0; i < count; ++i) s += (i ? ", " : "") + FunctionName(i);
  s += "};\nstatic const " + real + " xs[] = {";
  for (std::size_t j = 0; j < EvaluationPoints().size(); ++j) s += (j ? ", " : "") + PointText(EvaluationPoints()[j].x) + suffix;
  s += "};\nstatic const " + real + " ys[] = {";
  for (std::size_t j = 0; j < EvaluationPoints().size(); ++j) s += (j ? ", " : "") + PointText(EvaluationPoints()[j].y) + suffix;
  s += "};\nint main(void)\n{\n  unsigned i, j;\n";
  s += "  for (i = 0; i < sizeof fns / sizeof fns[0]; i++)\n    for (j = 0; j < sizeof xs / sizeof xs[0]; j++)\n";
  s += longDouble ? "      printf(\"%u %u %.21Le\\n\", i, j, fns[i](xs[j], ys[j]));\n"
                  : "      printf(\"%u %u %.17e\\n\", i, j, fns[i](xs[j], ys[j]));\n";
  return s + "  return 0;\n}\n";
}

TEST_F(GeneratedCodeTest, CWithLongDoubleMatchesTheFitTo1e15) {
  if (!HaveProgram("gcc")) GTEST_SKIP() << "gcc is not installed";
  USE_GERMAN_LOCALE(locale);
  const std::string source = Write("all80.c", AllFunctions(kDialectC80) + CDriver(fits_.size(), true));
  const std::string exe = dir_.File("all80");
  ExpectAllValues(ParseValues(CompileAndRun("gcc -O1 -Wall -o " + exe + " " + source + " -lm", exe)), 1e-15L);
}

TEST_F(GeneratedCodeTest, CWithDoubleMatchesTheFitTo1e12) {
  if (!HaveProgram("gcc")) GTEST_SKIP() << "gcc is not installed";
  USE_GERMAN_LOCALE(locale);
  const std::string source = Write("all64.c", AllFunctions(kDialectC64) + CDriver(fits_.size(), false));
  const std::string exe = dir_.File("all64");
  ExpectAllValues(ParseValues(CompileAndRun("gcc -O1 -Wall -o " + exe + " " + source + " -lm", exe)), 1e-12L);
}

// ---- Pascal ----------------------------------------------------------------------------

std::string PascalDriver(std::size_t count) {
  const std::size_t n = EvaluationPoints().size();
  std::string s = "\nconst\n  xs: array[0.." + std::to_string(n - 1) + "] of Extended = (";
  for (std::size_t j = 0; j < n; ++j) s += (j ? ", " : "") + PointText(EvaluationPoints()[j].x);
  s += ");\n  ys: array[0.." + std::to_string(n - 1) + "] of Extended = (";
  for (std::size_t j = 0; j < n; ++j) s += (j ? ", " : "") + PointText(EvaluationPoints()[j].y);
  s += ");\nvar\n  j: Integer;\nbegin\n  for j := 0 to " + std::to_string(n - 1) + " do\n  begin\n";
  for (std::size_t i = 0; i < count; ++i)
    s += "    writeln(" + std::to_string(i) + ", ' ', j, ' ', " + FunctionName(i) + "(xs[j], ys[j]):30);\n";
  return s + "  end;\nend.\n";
}

TEST_F(GeneratedCodeTest, PascalMatchesTheFitTo1e12) {
  if (!HaveProgram("fpc")) GTEST_SKIP() << "fpc is not installed";
  USE_GERMAN_LOCALE(locale);
  const std::string source =
      Write("allpas.pas", "program harness;\n\n" + AllFunctions(kDialectPascal) + PascalDriver(fits_.size()));
  const std::string exe = dir_.File("allpas");
  ExpectAllValues(ParseValues(CompileAndRun("fpc -v0wn -O1 -FE" + dir_.Path().string() + " " + source, exe)), 1e-12L);
}

// ---- FORTRAN ---------------------------------------------------------------------------

std::string Fortran77Driver(std::size_t count) {
  const std::size_t n = EvaluationPoints().size();
  std::string s = "      PROGRAM HARNES\n      IMPLICIT NONE\n";
  s += "      DOUBLE PRECISION XS(" + std::to_string(n) + "), YS(" + std::to_string(n) + ")\n";
  for (std::size_t i = 0; i < count; ++i) s += "      DOUBLE PRECISION " + FunctionName(i) + "\n";
  s += "      INTEGER J\n";
  for (std::size_t j = 0; j < n; ++j) {
    s += "      XS(" + std::to_string(j + 1) + ")=" + FortranDoubleText(PointText(EvaluationPoints()[j].x)) + "\n";
    s += "      YS(" + std::to_string(j + 1) + ")=" + FortranDoubleText(PointText(EvaluationPoints()[j].y)) + "\n";
  }
  s += "      DO 10 J = 1, " + std::to_string(n) + "\n";
  for (std::size_t i = 0; i < count; ++i)
    s += "      WRITE (*, 100) " + std::to_string(i) + ", J - 1, " + FunctionName(i) + "(XS(J), YS(J))\n";
  return s + "   10 CONTINUE\n  100 FORMAT (I5, 1X, I3, 1X, E27.18E3)\n      END\n\n";
}

std::string Fortran90Driver(std::size_t count) {
  const std::size_t n = EvaluationPoints().size();
  std::string s = "program harness\n  implicit none\n";
  s += "  double precision :: xs(" + std::to_string(n) + "), ys(" + std::to_string(n) + ")\n";
  for (std::size_t i = 0; i < count; ++i) s += "  double precision, external :: " + FunctionName(i) + "\n";
  s += "  integer :: j\n";
  for (std::size_t j = 0; j < n; ++j) {
    s += "  xs(" + std::to_string(j + 1) + ") = " + FortranDoubleText(PointText(EvaluationPoints()[j].x)) + "\n";
    s += "  ys(" + std::to_string(j + 1) + ") = " + FortranDoubleText(PointText(EvaluationPoints()[j].y)) + "\n";
  }
  s += "  do j = 1, " + std::to_string(n) + "\n";
  for (std::size_t i = 0; i < count; ++i)
    s += "    write (*, '(I5, 1X, I3, 1X, ES27.18E3)') " + std::to_string(i) + ", j - 1, " + FunctionName(i) +
         "(xs(j), ys(j))\n";
  return s + "  end do\nend program harness\n\n";
}

TEST_F(GeneratedCodeTest, Fortran77MatchesTheFitTo1e12WithinColumn72) {
  if (!HaveProgram("gfortran")) GTEST_SKIP() << "gfortran is not installed";
  USE_GERMAN_LOCALE(locale);
  const std::string source = Write("all77.for", Fortran77Driver(fits_.size()) + AllFunctions(kDialectFortran77));
  const std::string exe = dir_.File("all77");
  ExpectAllValues(ParseValues(CompileAndRun("gfortran -std=legacy -Wall -Werror=line-truncation -O1 -o " + exe + " " + source, exe)),
                  1e-12L);
}

TEST_F(GeneratedCodeTest, Fortran90MatchesTheFitTo1e12) {
  if (!HaveProgram("gfortran")) GTEST_SKIP() << "gfortran is not installed";
  USE_GERMAN_LOCALE(locale);
  const std::string source = Write("all90.f90", Fortran90Driver(fits_.size()) + AllFunctions(kDialectFortran90));
  const std::string exe = dir_.File("all90");
  ExpectAllValues(ParseValues(CompileAndRun("gfortran -Wall -O1 -o " + exe + " " + source, exe)), 1e-12L);
}

// ---- Basic -----------------------------------------------------------------------------

// bwbasic runs no FUNCTION blocks, so the Basic equation texts are assigned in a flat
// program, point by point, and each result is checked against the engine's value in the
// program itself. bwbasic reads lines of up to 255 characters: a fit with a longer text is
// left to the golden texts (and counted).
TEST_F(GeneratedCodeTest, BasicEquationTextsEvaluateAsTheFitTo1e9) {
  if (!HaveProgram("bwbasic")) GTEST_SKIP() << "bwbasic is not installed";
  USE_GERMAN_LOCALE(locale);
  static constexpr std::size_t kLongestLine = 250;
  static constexpr int kPointsPerFit = 3;
  static const char* const kPieces[][2] = {
      {"x", "FX"},        {"y", "FY"},        {"f1", "F1"},         {"f2", "F2"},         {"f3", "F3"},
      {"f4", "F4"},       {"f5", "F5"},       {"f6", "F6"},         {"f7", "F7"},         {"f8", "F8"},
      {"zu", "ZUEQNCODE"}, {"zv", "ZVEQNCODE"}, {"z1", "Z1EQNCODE"}, {"z2", "Z2EQNCODE"}, {"z3", "Z3EQNCODE"},
      {"z4", "Z4EQNCODE"}, {"z", "EQNCODE"},   {"r", "FZ"}};
  std::string program = "passed = 0\n";
  int blocks = 0, tooLong = 0, withErf = 0;
  for (std::size_t i = 0; i < fits_.size(); ++i) {
    const TCodeGenInput in = Input(fits_[i].fit, kDialectBasic, kScopeFunction);
    const TCodeGenRun run = MakeCodeGenRun(in, "basic.bas", "f");
    std::string text;
    if (!CodeGenExpandKeywords(run, "EQNCODE", text)) continue;  // a series: template code only
    if (CodeGenExpandKeywords(run, "ERF", text)) {
      ++withErf;
      continue;
    }
    std::string assignments;
    bool fits = true;
    for (const auto& [variable, keyword] : kPieces) {
      if (!CodeGenExpandKeywords(run, keyword, text)) continue;
      const std::string line = std::string(variable) + " = " + text;
      fits = fits && line.size() <= kLongestLine;
      assignments += line + "\n";
    }
    if (!fits) {
      ++tooLong;
      continue;
    }
    const long double range = ValueRange(fits_[i]);
    for (int j = 0; j < kPointsPerFit; ++j) {
      const TPoint& p = EvaluationPoints()[static_cast<std::size_t>(j * 2)];
      const long double want = ReferenceZ(fits_[i], p.x, p.y);
      program += "x = " + PointText(p.x) + "\ny = " + PointText(p.y) + "\n" + assignments;
      program += CFormat("IF ABS(r - (%.17Lg)) <= 1E-09 * %.17Lg THEN passed = passed + 1 ELSE PRINT \"bad\"; %zu; %d; r\n",
                         want, std::max(std::fabs(want), range), i, j);
      ++blocks;
    }
  }
  program += "PRINT \"passed\"; passed\nSYSTEM\n";
  const std::string source = Write("texts.bas", program);
  const TRun ran = RunCommand("bwbasic " + source + " < /dev/null");
  EXPECT_EQ(ran.output.find("bad"), std::string::npos) << ran.output.substr(0, 3000);
  EXPECT_EQ(ran.output.find("rror"), std::string::npos) << ran.output.substr(0, 3000);
  int passed = -1;
  const std::size_t at = ran.output.find("passed");
  if (at != std::string::npos) passed = std::atoi(ran.output.c_str() + at + 6);
  EXPECT_EQ(passed, blocks) << ran.output.substr(0, 3000);
  // Every non-series fit but those calling ERF# and a few full forms with long lines.
  EXPECT_LE(tooLong, 8);
  EXPECT_EQ(withErf, 24);
  EXPECT_GE(blocks, 230 * kPointsPerFit);
}

// ---- Full test programs ----------------------------------------------------------------

// One full program per dialect, each around a fit of another family; it prints the 5 by 5
// grid over the data's ranges.
struct TProgramCase {
  int dialect;
  int fitIndex;  // into AllFamilies()
  const char* file;
  const char* compile;  // %s the source, %e the executable, %d the directory
  long double tolerance;
};

std::string Substitute(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

TEST_F(GeneratedCodeTest, FullTestProgramsPrintTheFitOverTheData) {
  const auto find = [this](const std::string& label) {
    for (std::size_t i = 0; i < fits_.size(); ++i)
      if (fits_[i].label == label) return static_cast<int>(i);
    ADD_FAILURE() << label;
    return 0;
  };
  const TProgramCase cases[] = {
      {kDialectC80, find("series 228 order 5"), "full80.c", "gcc -Wall -o %e %s -lm", 1e-15L},
      {kDialectC64, find("nonlinear 2075"), "full64.c", "gcc -Wall -o %e %s -lm", 1e-12L},
      {kDialectPascal, find("nonlinear 2135"), "fullpas.pas", "fpc -v0wn -FE%d %s", 1e-12L},
      {kDialectFortran77, find("linear 310"), "full77.for", "gfortran -std=legacy -Wall -Werror=line-truncation -o %e %s", 1e-12L},
      {kDialectFortran90, find("subset v1 35 36 37 38 39 40 41"), "full90.f90", "gfortran -Wall -o %e %s", 1e-12L},
  };
  USE_GERMAN_LOCALE(locale);
  for (const TProgramCase& c : cases) {
    const std::string compiler = std::string(c.compile).substr(0, std::string(c.compile).find(' '));
    if (!HaveProgram(compiler)) {
      ADD_FAILURE() << compiler << " is not installed";
      continue;
    }
    const TTestFit& fit = fits_[static_cast<std::size_t>(c.fitIndex)];
    SCOPED_TRACE(std::string(c.file) + ": " + fit.label);
    // The longest name the code-generation dialog takes: FORTRAN 77 keeps within column 72.
    const std::string source = Write(c.file, Generate(fit.fit, c.dialect, kScopeFullProgram, "eqn_of_the_fit_in_thirty_chars"));
    const std::string exe = dir_.File(std::filesystem::path(c.file).stem().string());
    std::string compile = Substitute(Substitute(Substitute(c.compile, "%s", source), "%e", exe), "%d", dir_.Path().string());
    ExpectProgramTable(CompileAndRun(compile, exe), fit, c.tolerance);
  }
}

// The line switches and the pieces whose presence decides which lines of a template a fit
// takes: fits that agree on all of them take the same lines of the full test program.
std::string TemplateRoad(const TCodeGenInput& in) {
  static const char* const kDeciding[] = {
      "LISTCOEF", "FCPOLY", "FCRATL", "FFSI", "FSIG", "FCSI", "FFSER", "LOGX", "LOGY", "FDECL2", "FDECL4",
      "FDECLZU", "FDECLZV", "ERF", "POW", "FLIST", "FX", "FY", "F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8",
      "EQNCODE", "Z1EQNCODE", "Z2EQNCODE", "Z3EQNCODE", "Z4EQNCODE", "ZUEQNCODE", "ZVEQNCODE", "FZ"};
  const TCodeGenRun run = MakeCodeGenRun(in, "road.txt", "f");
  std::string road, text;
  for (const char* keyword : kDeciding) road += CodeGenExpandKeywords(run, keyword, text) ? '1' : '0';
  return road;
}

// Every kind of fit the templates tell apart, as a whole test program in each compiled
// dialect, compiles without a warning or a note: unused declarations, branches that never
// run. (The functions alone are compiled with warnings on above, for every fit.)
TEST_F(GeneratedCodeTest, FullTestProgramsOfEveryTemplateRoadCompileClean) {
  struct TDialect {
    int dialect;
    const char* file;
    const char* compile;
  };
  const TDialect dialects[] = {
      {kDialectC80, "road80.c", "gcc -O1 -Wall -o %e %s -lm"},
      {kDialectC64, "road64.c", "gcc -O1 -Wall -o %e %s -lm"},
      {kDialectPascal, "roadpas.pas", "fpc -v0wn -FE%d %s"},
      {kDialectFortran77, "road77.for", "gfortran -std=legacy -Wall -Werror=line-truncation -o %e %s"},
      {kDialectFortran90, "road90.f90", "gfortran -Wall -o %e %s"},
  };
  USE_GERMAN_LOCALE(locale);
  std::map<std::string, std::size_t> roads;  // road -> its first fit
  for (std::size_t i = 0; i < fits_.size(); ++i)
    roads.emplace(TemplateRoad(Input(fits_[i].fit, kDialectC64, kScopeFullProgram)), i);
  EXPECT_GE(roads.size(), 20u);
  RecordProperty("template_roads", static_cast<int>(roads.size()));
  for (const TDialect& d : dialects) {
    const std::string compiler = std::string(d.compile).substr(0, std::string(d.compile).find(' '));
    if (!HaveProgram(compiler)) {
      ADD_FAILURE() << compiler << " is not installed";
      continue;
    }
    for (const auto& [road, index] : roads) {
      const TTestFit& fit = fits_[index];
      SCOPED_TRACE(std::string(d.file) + ": " + fit.label);
      const std::string source = Write(d.file, Generate(fit.fit, d.dialect, kScopeFullProgram, "eqn"));
      const std::string exe = dir_.File(std::filesystem::path(d.file).stem().string());
      const std::string compile =
          Substitute(Substitute(Substitute(d.compile, "%s", source), "%e", exe), "%d", dir_.Path().string());
      const TRun built = RunCommand(compile);
      EXPECT_EQ(built.status, 0) << built.output.substr(0, 2000);
      EXPECT_EQ(Complaints(built.output), "");
    }
  }
}

}  // namespace

namespace {

// ---- Function names ----------------------------------------------------------------------

TEST(CodeFunctionNames, OnlyNamesTheCompilersTakeAreAccepted) {
  for (const char* name : {"eqn2012", "Peak_fit", "z2012", "Xfit", "eqn_of_the_fit_in_thirty_chars"})
    EXPECT_EQ(CodeFunctionNameFault(name), "") << name;
  const std::string syntax = "A Function Name Begins with a Letter and Holds Only Letters, Digits and Underscores";
  for (const char* name : {"my peak", "2012eqn", "peak-fit", "_eqn", "Gr\xF6\xDF" "e", "eqn.1", "", "a'b", "a\"b"})
    EXPECT_EQ(CodeFunctionNameFault(name), syntax) << name;
  for (const char* name : {"x", "Z", "main", "EXP", "begin", "Print", "f1", "double", "erf", "sqr"})
    EXPECT_EQ(CodeFunctionNameFault(name), "The Generated Code Uses the Name " + std::string(name) + " Itself") << name;
}

// What the refused names did: the full test programs they named did not compile.
TEST_F(GeneratedCodeTest, RefusedNamesMadeCodeTheCompilersRefuse) {
  const struct {
    int dialect;
    const char* name;
    const char* file;
    const char* compile;
  } cases[] = {
      {kDialectC64, "my peak", "blank.c", "gcc -w -o %e %s -lm"},
      {kDialectC64, "main", "main.c", "gcc -w -o %e %s -lm"},
      {kDialectPascal, "x", "x.pas", "fpc -v0 -FE%d %s"},
      {kDialectFortran90, "2012eqn", "digit.f90", "gfortran -o %e %s"},
  };
  for (const auto& c : cases) {
    const std::string compiler = std::string(c.compile).substr(0, std::string(c.compile).find(' '));
    if (!HaveProgram(compiler)) GTEST_SKIP() << compiler << " is not installed";
    EXPECT_NE(CodeFunctionNameFault(c.name), "") << c.name;
    const std::string source = Write(c.file, Generate(fits_.front().fit, c.dialect, kScopeFullProgram, c.name));
    const std::string exe = dir_.File(std::filesystem::path(c.file).stem().string());
    const std::string compile =
        Substitute(Substitute(Substitute(c.compile, "%s", source), "%e", exe), "%d", dir_.Path().string());
    EXPECT_NE(RunCommand(compile).status, 0) << c.name << " in " << c.file;
  }
}

}  // namespace
