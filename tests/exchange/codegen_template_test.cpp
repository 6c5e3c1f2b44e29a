// The code generator's template sections, its keywords and a run's results: sections by
// scope, keywords that drop their line, the number formats of each dialect, the results of a
// run that cannot read its template or write its output, and fits no dialect can hold.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "app/c_format.h"
#include "app/program_files.h"
#include "exchange/codegen/codegen_dialects.h"
#include "exchange/codegen/template_expansion.h"
#include "exchange/codegen_test_support.h"
#include "support/german_locale.h"
#include "support/scratch_files.h"

namespace {

using namespace codegen_test;

// Expands every keyword to <KEYWORD>, and drops the line for DROP.
std::string Expand(std::string_view text, std::string_view key, int scope) {
  return ExpandTemplateSection(text, key, scope, [](std::string_view keyword, std::string& out) {
    out = "<" + std::string(keyword) + ">";
    return keyword != "DROP";
  });
}

constexpr std::string_view kTemplate =
    "An introduction, never copied.\r\n"
    "~~OTHER\n"
    "other\n"
    "~~\n"
    "~~KEY test program\n"
    "head `FNAME`\n"
    "\n"
    "!!KEY\n"
    "body `EQNO` and `CRLF`\n"
    "`SCOPE`scope line\n"
    "dropped `DROP` line\n"
    "!!\n"
    "tail ``A``B``C`` end\n"
    "~~\n"
    "after the section\n";

TEST(CodeGenTemplate, SectionsByScope) {
  struct Case {
    int scope;
    const char* key;
    const char* expected;
  };
  const Case cases[] = {
      // The test program without the "!!" lines; the function block alone.
      {0, "KEY", "head <FNAME>\n\nbody <EQNO> and <CRLF>\n<SCOPE>scope line\ntail <A>B<C> end\n"},
      {1, "KEY", "body <EQNO> and <CRLF>\n<SCOPE>scope line\n"},
      {2, "KEY", "body <EQNO> and <CRLF>\n<SCOPE>scope line\n"},
      {0, "OTHER", "other\n"},
      // The key is compared over its own length: "K" opens "~~KEY".
      {0, "K", "head <FNAME>\n\nbody <EQNO> and <CRLF>\n<SCOPE>scope line\ntail <A>B<C> end\n"},
      {1, "MISSING", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Expand(kTemplate, c.key, c.scope), c.expected) << c.scope << " " << c.key;
}

TEST(CodeGenTemplate, KeywordPiecesAndMarkers) {
  const std::pair<const char*, const char*> cases[] = {
      // A line that begins with a keyword expands it.
      {"~~K\n`A` then `B`\n~~\n", "<A> then <B>\n"},
      {"~~K\n`A`\n~~\n", "<A>\n"},
      {"~~K\nno keyword at all\n~~\n", "no keyword at all\n"},
      {"~~K\nends in `A\n~~\n", "ends in <A>\n"},
      {"~~K\n`DROP` first\nkept\n~~\n", "kept\n"},
      // A marker in the second column opens a section too; the section ends at a line whose
      // first two characters are both the marker.
      {" ~K\nx\n~ not the end\n~~\n", "x\n~ not the end\n"},
      {"~~K\nlast line without a line end", "last line without a line end\n"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(Expand(text, "K", 0), expected) << text;
}

TEST(CodeGenTemplate, LongLinesAreReadWhole) {
  std::string line;
  for (int i = 0; i < 400; ++i) line += "word `K" + std::to_string(i) + "` ";
  const std::string out = Expand("~~K\n" + line + "\n~~\n", "K", 0);
  EXPECT_NE(out.find("<K0>"), std::string::npos);
  EXPECT_NE(out.find("<K399>"), std::string::npos);
  EXPECT_EQ(out.find('`'), std::string::npos);
}

// Random bytes with many backquotes, markers and line ends never upset the expansion.
TEST(CodeGenTemplate, HostileTemplates) {
  std::mt19937 rng(7);
  const std::string alphabet = "`~!\n\r KEYab";
  for (int round = 0; round < 2000; ++round) {
    std::string text = round % 2 ? "~~KEY\n" : "!!KEY\n";
    const int n = static_cast<int>(rng() % 400);
    for (int i = 0; i < n; ++i) text += alphabet[rng() % alphabet.size()];
    if (round % 7 == 0) text += std::string(1, '\0') + "`";
    const std::string out = Expand(text, "KEY", static_cast<int>(round % 3));
    EXPECT_LE(out.size(), 8 * text.size() + 16);
  }
}

class CodeGenRunTest : public ::testing::Test {
 protected:
  TCodeGenInput Input(const TFitEqn& fit, int dialect) const {
    TCodeGenInput in(fit, scales_, stats_, titles_);
    in.dialect = dialect;
    in.scope = kScopeFunction;
    in.date = "Jun 11, 2024";
    in.time = "9:30:00 AM";
    in.templateDirectory = ProgramDirectory();
    return in;
  }
  // The expansion of a keyword for a fit in a dialect, or "(dropped)".
  std::string Keyword(const TFitEqn& fit, int dialect, std::string_view keyword,
                      const std::filesystem::path& output = "out.c") const {
    const TCodeGenInput in = Input(fit, dialect);
    const TCodeGenRun run = MakeCodeGenRun(in, output, "eqn7");
    std::string text;
    return CodeGenExpandKeywords(run, keyword, text) ? text : "(dropped)";
  }
  static TFitEqn Series(int code, int m) {
    TFitEqn fit = TFitMaker::Base(code < 228 || code > 231 ? 401 : 1401, m);
    fit.descriptor = {kKindX, static_cast<std::uint8_t>(code), static_cast<std::uint8_t>(m),
                      kKindY, static_cast<std::uint8_t>(code), static_cast<std::uint8_t>(m)};
    return fit;
  }

  TDataStats stats_ = BoxStats();
  TFitRunScales scales_ = BoxScales();
  TDataTitles titles_ = BoxTitles();
};

TEST_F(CodeGenRunTest, CodeNumbersByDialect) {
  USE_GERMAN_LOCALE(locale);
  const TFitEqn fit = FitWithParameters(3001, {1, 1.5L, 1.5e-20L, -2.5L});
  const struct {
    int dialect;
    const char* keyword;
    const char* expected;
  } cases[] = {
      {kDialectC80, "CVAL1", "1.500000000000000000"},
      {kDialectC64, "CVAL1", "1.500000000000000"},
      {kDialectPascal, "CVAL1", "1.500000000000000000"},
      {kDialectFortran77, "CVAL1", "1.500000000000000D0"},
      {kDialectFortran90, "CVAL1", "1.500000000000000D0"},
      {kDialectFortran77, "CVAL2", "1.500000000000000D-20"},
      {kDialectUdf, "CVAL3", "-2.500000000000000000"},
      {kDialectC64, "COEFSTR2", "1.5E-20"},
      {kDialectFortran77, "COEFSTR3", "-2.5"},
      // Beyond the term count, and an index too long to be one.
      {kDialectC64, "CVAL4", "(dropped)"},
      {kDialectC64, "COEFSTR5", "(dropped)"},
      {kDialectC64, "CVAL99999999999999999999", "(dropped)"},
      // No digits: parameter 0.
      {kDialectC64, "CVAL", "1.000000000000000"},
      {kDialectC64, "ORDER", "3"},
      {kDialectC64, "PARMCNT", "4"},
      {kDialectC64, "R2VAL", "0.987654321"},
      {kDialectC64, "FVAL", "4321.5"},
      {kDialectC64, "EQNO", "3001"},
      {kDialectC64, "LANG", "C [64 bit]"},
      {kDialectC64, "FNAME", "eqn7"},
      {kDialectC64, "FILE", "out.c"},
      {kDialectC64, "DATE", "Jun 11, 2024"},
      {kDialectC64, "XMIN", "0.5"},
      {kDialectC64, "XMN", "2"},
      {kDialectFortran77, "YMAX", "2.75D0"},
      {kDialectC64, "ZRANGE", "4.25"},
      {kDialectC64, "XYPOINTS", "25"},
      {kDialectC64, "TITLE", "Test surface for the code generator"},
      {kDialectC64, "CRLF", "\n"},
      {kDialectC64, "NOSUCHKEYWORD", "(dropped)"},
      {kDialectC64, "FDECLN", "(dropped)"},
      {kDialectC64, "Z5EQNCODE", "(dropped)"},
  };
  for (const auto& c : cases) EXPECT_EQ(Keyword(fit, c.dialect, c.keyword), c.expected) << c.dialect << " " << c.keyword;
}

TEST_F(CodeGenRunTest, ScalesOfTheSeriesFamilies) {
  USE_GERMAN_LOCALE(locale);
  const TFitEqn fit = Series(225, 5);
  const std::pair<std::string, std::string> cases[] = {
      {"CHEBSCALE0", "2.000000000000000"},          {"CHEBSCALE1", "1.500000000000000"},
      {"CHEBSCALE3", "1.000000000000000"},          {"CHEBSCALE7", CFormat("%#.16LG", scales_.series.x.logHalfRange)},
      {"CHEBSCALE11", CFormat("%#.16LG", scales_.series.z.logHalfRange)},
      {"CHEBSCALE12", "(dropped)"},                 {"FOURIERSCALE2", "0.7500000000000000"},
      {"FOURIERSCALE5", CFormat("%#.16LG", scales_.series.z.angularScale)},
      {"FOURIERSCALE6", "(dropped)"},               {"ISLOGX", "1"},
      {"ISLOGY", "0"},                              {"LISTCOEF", ""},
      {"FCPOLY", ""},                               {"FCRATL", "(dropped)"},
      {"EQNCODE", "(dropped)"},                     {"FDECL2", "(dropped)"},
      {"LINECNT", "3"},
  };
  for (const auto& [keyword, expected] : cases) EXPECT_EQ(Keyword(fit, kDialectC64, keyword), expected) << keyword;
  EXPECT_EQ(Keyword(Series(231, 6), kDialectC64, "ISLOGY"), "1");
  EXPECT_EQ(Keyword(Series(231, 6), kDialectC64, "FCRATL"), "");
  for (const auto& [code, keyword] : {std::pair{234, "FFSI"}, std::pair{235, "FSIG"}, std::pair{236, "FCSI"},
                                       std::pair{237, "FFSER"}}) {
    EXPECT_EQ(Keyword(Series(code, 5), kDialectC64, keyword), "") << code;
    EXPECT_EQ(Keyword(Series(224, 5), kDialectC64, keyword), "(dropped)") << code;
  }
}

TEST_F(CodeGenRunTest, LineSwitchesAndCounts) {
  TFitEqn logistic = FitWithParameters(2043, {1, 2, 3, 4, 5});
  EXPECT_EQ(Keyword(logistic, kDialectC64, "FDECLZU"), "");
  EXPECT_EQ(Keyword(logistic, kDialectC64, "FDECLZV"), "(dropped)");
  EXPECT_EQ(Keyword(logistic, kDialectUdf, "LINECNT"), "4");
  EXPECT_EQ(Keyword(logistic, kDialectC64, "FDECL2"), "");
  TFitEqn both = FitWithParameters(2037, {1, 2, 3, 4, 5});
  EXPECT_EQ(Keyword(both, kDialectUdf, "LINECNT"), "5");
  EXPECT_EQ(Keyword(FitWithParameters(2075, {1, 2, 3, 4}), kDialectC64, "ERF"), "");
  EXPECT_EQ(Keyword(FitWithParameters(2100, {1, 2, 3, 4}), kDialectC64, "ERF"), "");
  EXPECT_EQ(Keyword(FitWithParameters(2085, {1, 2, 3, 4}), kDialectC64, "ERF"), "(dropped)");
  EXPECT_EQ(Keyword(FitWithParameters(2140, {1, 2, 3, 4}), kDialectC64, "POW"), "");
  EXPECT_EQ(Keyword(FitWithParameters(2160, {1, 2, 3, 4}), kDialectC64, "POW"), "");
  EXPECT_EQ(Keyword(FitWithParameters(2145, {1, 2, 3, 4}), kDialectC64, "POW"), "(dropped)");
  TFitEqn subset = FitWithParameters(3005, {1, 2, 3, 4});
  subset.terms = {0, 0, 12, 21};
  EXPECT_EQ(Keyword(subset, kDialectUdf, "LINECNT"), "4");
  EXPECT_EQ(Keyword(subset, kDialectC64, "FLIST"), "f1,f2,f3");
  EXPECT_EQ(Keyword(subset, kDialectC64, "F2"), "log(x)");
  EXPECT_EQ(Keyword(subset, kDialectC64, "F4"), "(dropped)");
  EXPECT_EQ(Keyword(subset, kDialectC64, "FDECL2"), "(dropped)");
  EXPECT_EQ(Keyword(subset, kDialectFortran77, "FZ"), "(dropped)");
  EXPECT_EQ(Keyword(subset, kDialectC64, "UDFCODE"), "(dropped)");
  TFitEqn full = FitWithParameters(1301, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  full.descriptor = {kKindX, kFamilyCubic, kFamilyCubic, kKindY, kFamilyCubic, kFamilyCubic};
  EXPECT_EQ(Keyword(full, kDialectC64, "FDECL4"), "(dropped)");
  EXPECT_EQ(Keyword(full, kDialectC64, "LINECNT"), "3");
  TFitEqn rational = FitWithParameters(1001, {1, 2, 3, 4});
  rational.descriptor = {kKindX, 1, 1, kKindY, 1, 0};
  EXPECT_EQ(Keyword(rational, kDialectC64, "FDECL4"), "");
  EXPECT_EQ(Keyword(rational, kDialectC64, "SCOPE"), "");
}

TEST_F(CodeGenRunTest, TextsOfTheRun) {
  titles_.SetTitle("Two~^2~^ lines\nin one");
  const TFitEqn fit = FitWithParameters(2001, {1, 2, 3, 4, 5});
  EXPECT_EQ(Keyword(fit, kDialectC64, "TITLE"), "Two^2 lines in one");
  EXPECT_EQ(Keyword(fit, kDialectC64, "EQSTR"), "z=GAUSSX(a,b,c)*GAUSSY(1,d,e)");
  // The centring columns: 40 - (path + dialect name + 39) / 2 and 55 - (title + 2) / 2.
  EXPECT_EQ(Keyword(fit, kDialectC64, "POSN1", "abc.c"), "13");
  EXPECT_EQ(Keyword(fit, kDialectC64, "POSN2"), CFormat("%d", 55 - static_cast<int>(titles_.Title.size() + 2) / 2));
}

class CodeGenFileTest : public CodeGenRunTest {
 protected:
  ScratchDir dir_{"ondravik_codegen_files"};
};

TEST_F(CodeGenFileTest, WritesCrLfAndReplacesAnOlderFile) {
  const TFitEqn fit = FitWithParameters(2001, {2, 0.5L, 0.25L, -1, 3});
  const std::string out = dir_.Write("eqn.c", std::string(100000, 'x'));
  ASSERT_EQ(CodeGenFromTemplate(Input(fit, kDialectC64), out, "eqn"), CodeGenResult::kDone);
  const std::vector<std::uint8_t> bytes = ReadBytes(out);
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_NE(text.find("double eqn(double x, double y)\r\n{\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("  z1 = exp(-0.5*((x-0.5000000000000000)/0.25)*((x-\r\n    0.5000000000000000)/0.25));\r\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("xxxx"), std::string::npos);
  EXPECT_EQ(text.find("\r\r"), std::string::npos);
}

TEST_F(CodeGenFileTest, ResultsOfARunThatCannotProceed) {
  const TFitEqn fit = FitWithParameters(2001, {2, 0.5L, 0.25L, -1, 3});
  TCodeGenInput in = Input(fit, kDialectC64);
  // No template in the directory.
  in.templateDirectory = dir_.Path();
  EXPECT_EQ(CodeGenFromTemplate(in, dir_.Path() / "a.c", "eqn"), CodeGenResult::kNoTemplate);
  EXPECT_FALSE(std::filesystem::exists(dir_.Path() / "a.c"));
  // A template without the section gives an empty file.
  dir_.Write("C.QVL", "~~CLDBL\nlong double\n~~\n");
  EXPECT_EQ(CodeGenFromTemplate(in, dir_.Path() / "a.c", "eqn"), CodeGenResult::kDone);
  EXPECT_TRUE(ReadBytes(dir_.Path() / "a.c").empty());
  // Scope 2 looks the section up by the key of dialect 0.
  dir_.Write("C.QVL", "!!CLDBL\nfirst `FNAME`\n!!\n!!C\nsecond\n!!\n");
  in.scope = kScopeFirstKey;
  EXPECT_EQ(CodeGenFromTemplate(in, dir_.Path() / "a.c", "eqn"), CodeGenResult::kDone);
  const std::vector<std::uint8_t> first = ReadBytes(dir_.Path() / "a.c");
  EXPECT_EQ(std::string(first.begin(), first.end()), "first eqn\r\n");
  // An output that cannot be written: a directory stands at its name.
  std::filesystem::create_directories(dir_.Path() / "taken");
  EXPECT_EQ(CodeGenFromTemplate(in, dir_.Path() / "taken", "eqn"), CodeGenResult::kNotWritten);
  EXPECT_TRUE(std::filesystem::is_directory(dir_.Path() / "taken"));
  // No such dialect.
  in.dialect = kCodeGenDialectCount;
  EXPECT_EQ(CodeGenFromTemplate(in, dir_.Path() / "b.c", "eqn"), CodeGenResult::kNoTemplate);
}

TEST_F(CodeGenFileTest, FitsADialectCannotHoldAreRefusedWithoutAFile) {
  TFitEqn eleven = FitWithParameters(1001, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
  eleven.descriptor = {kKindX, 3, 3, kKindY, 2, 2};
  const struct {
    TFitEqn fit;
    int dialect;
    CodeGenResult result;
  } cases[] = {
      {eleven, kDialectUdf, CodeGenResult::kNotWritable},  // #K is no parameter of a user function
      {eleven, kDialectC64, CodeGenResult::kDone},
      {Series(236, 9), kDialectUdf, CodeGenResult::kNotWritable},
      {Series(236, 9), kDialectTransform, CodeGenResult::kNotWritable},
      {Series(236, 9), kDialectFortran77, CodeGenResult::kDone},
      {FitWithParameters(2503, {1, 2}), kDialectC80, CodeGenResult::kNotWritable},  // a user function
      {FitWithParameters(2503, {1, 2}), kDialectUdf, CodeGenResult::kNotWritable},  // ... whose slot is empty
      {FitWithParameters(305, {1, 2, 3, 4, 5, 6, 7}), kDialectC64, CodeGenResult::kNotWritable},  // a full form of 7 terms
  };
  int i = 0;
  for (const auto& c : cases) {
    const std::filesystem::path out = dir_.Path() / ("case" + std::to_string(i++));
    EXPECT_EQ(CodeGenFromTemplate(Input(c.fit, c.dialect), out, "eqn"), c.result) << i;
    EXPECT_EQ(std::filesystem::exists(out), c.result == CodeGenResult::kDone) << i;
  }
}

// A constant the dialect's reals cannot hold refuses the fit, naming it, and writes no file:
// 1e400 computes infinity in C with doubles and stops gfortran, NaN is no literal anywhere,
// 1e-400 would silently become 0. The 80-bit dialects hold the range of long double (not its
// subnormals), the doubles their normal numbers, the user-function file the literals of the
// calculation language (1e-300 to 1e300).
TEST_F(CodeGenFileTest, EachDialectRefusesAConstantItsRealsCannotHold) {
  const long double nan = std::numeric_limits<long double>::quiet_NaN();
  const long double inf = std::numeric_limits<long double>::infinity();
  const struct {
    long double value;
    bool held80, heldDouble, heldUdf;
  } values[] = {
      {nan, false, false, false},      {-inf, false, false, false},    {1e400L, true, false, false},
      {-1e-400L, true, false, false},  {1e-4940L, false, false, false}, {1e-310L, true, false, false},
      {1.5e308L, true, true, false},   {1e301L, true, true, false},     {2e-300L, true, true, true},
      {-5e-301L, true, true, false},   {-1.25L, true, true, true},      {0, true, true, true},
  };
  for (int dialect = 0; dialect < kCodeGenDialectCount; ++dialect) {
    const bool eightyBit = dialect == kDialectC80 || dialect == kDialectPascal;
    for (const auto& v : values) {
      SCOPED_TRACE(CFormat("dialect %d value %.6LG", dialect, v.value));
      const bool held = eightyBit ? v.held80 : dialect == kDialectUdf ? v.heldUdf : v.heldDouble;
      const std::string out = dir_.Write("eqn.out", "the user's older file");
      const TFitEqn fit = FitWithParameters(2001, {2, v.value, 0.25L, -1, 3});
      TCodeGenConstant notHeld;
      const CodeGenResult result = CodeGenFromTemplate(Input(fit, dialect), out, "eqn", &notHeld);
      if (held) {
        EXPECT_EQ(result, CodeGenResult::kDone);
        continue;
      }
      EXPECT_EQ(result, CodeGenResult::kConstantNotHeld);
      EXPECT_EQ(notHeld.name, "Parameter b");
      EXPECT_TRUE(notHeld.value == v.value || (std::isnan(notHeld.value) && std::isnan(v.value)));
      EXPECT_EQ(ReadText(out), "the user's older file");
      std::string text = "stale";
      EXPECT_EQ(CodeGenToText(Input(fit, dialect), out, "eqn", text), CodeGenResult::kConstantNotHeld);
      EXPECT_EQ(text, "");
    }
  }
  EXPECT_EQ(CodeGenRefusalText({"Parameter b", 1e400L}, kDialectFortran90),
            "Parameter b = 1E+400 Cannot Be Written as a Constant in Fortran 90\nNothing Was Written");
}

// The scales of the exponential terms and of the series, and the data range the test
// program spans, are constants of the code as much as the parameters are.
TEST_F(CodeGenFileTest, ScalesAndStatisticsAreCheckedWhereTheyAreWritten) {
  TFitEqn expX = FitWithParameters(3001, {1, 2});
  expX.kind = kKindTermSubset;
  expX.terms = {0, 7};  // exp(x/s_x)
  TFitEqn expY = expX;
  expY.terms = {0, 28};  // exp(y/s_y)
  const auto refusal = [&](const TFitEqn& fit, int dialect, int scope = kScopeFunction) -> std::string {
    TCodeGenInput in = Input(fit, dialect);
    in.scope = scope;
    TCodeGenConstant notHeld;
    const CodeGenResult result = CodeGenFromTemplate(in, dir_.Path() / "scaled.out", "eqn", &notHeld);
    if (result == CodeGenResult::kDone) return "written";
    return result == CodeGenResult::kConstantNotHeld ? notHeld.name : "failed";
  };
  scales_.xScale = 1e400L;
  EXPECT_EQ(refusal(expX, kDialectC64), "The X Scale of the Exponential Terms");
  EXPECT_EQ(refusal(expX, kDialectC80), "written");
  EXPECT_EQ(refusal(expY, kDialectC64), "written");  // writes s_y only
  scales_.yScale = -1e-320L;
  EXPECT_EQ(refusal(expY, kDialectFortran77), "The Y Scale of the Exponential Terms");
  scales_ = BoxScales();

  scales_.series.x.halfRange = 1e-400L;
  EXPECT_EQ(refusal(Series(224, 4), kDialectC64), "The X Half Range of the Series Scaling");
  EXPECT_EQ(refusal(Series(224, 4), kDialectPascal), "written");
  scales_.series.y.angularScale = std::numeric_limits<long double>::quiet_NaN();
  EXPECT_EQ(refusal(Series(237, 4), kDialectBasic), "The Y Angular Scale of the Series Scaling");
  scales_ = BoxScales();

  // XMIN stands in the test program only, not in the function alone.
  stats_.X.Min = -1e400L;
  EXPECT_EQ(refusal(FitWithParameters(2001, {2, 0.5L, 0.25L, -1, 3}), kDialectFortran90, kScopeFullProgram), "XMIN");
  EXPECT_EQ(refusal(FitWithParameters(2001, {2, 0.5L, 0.25L, -1, 3}), kDialectFortran90), "written");
  EXPECT_EQ(refusal(FitWithParameters(2001, {2, 0.5L, 0.25L, -1, 3}), kDialectC80, kScopeFullProgram), "written");
}

}  // namespace
