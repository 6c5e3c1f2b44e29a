#include "review/equation_list_files.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "app/c_format.h"
#include "app/text_line_buffer.h"
#include "fit/equation_forms.h"
#include "fit/nonlinear_catalogue.h"
#include "fit/series_families.h"
#include "fit/term_subset_numbers.h"
#include "review/equation_text.h"

namespace {

constexpr int kCandidateTerms = 42;

// The formula text of an equation number, as the review shows a fit of it.
std::string FormulaOf(int equationNumber, const TEquationForm* form) {
  TFitEqn fit;
  fit.equationNumber = equationNumber;
  if (form != nullptr) {
    fit.kind = form->kind;
    fit.m = form->m;
    fit.terms = form->terms;
    fit.descriptor = form->descriptor;
  } else {
    fit.kind = kKindNonlinear;
  }
  static const TUdfRecords kNoUdfs{};
  return FormatFitFormula(fit, kNoUdfs);
}

std::string Row(int equationNumber, const std::string& formula) {
  return CFormat("~!~*%5d~*~!  %s", equationNumber, formula.c_str());
}

void Heading(std::vector<std::string>& lines, const std::string& text) {
  if (!lines.empty()) lines.emplace_back();
  lines.push_back("~*" + text + "~*");
  lines.emplace_back();
}

// Every order of a series family: its first equation number onward.
void SeriesRows(std::vector<std::string>& lines, const TSeriesFamily& family) {
  for (int k = 0; k < family.orders; ++k)
    lines.push_back(Row(family.firstEquation + k, FormulaOf(family.firstEquation + k, nullptr)));
}

// Binomial coefficient C(n, k) for the small n of the candidate terms.
std::int64_t Choose(int n, int k) {
  std::int64_t c = 1;
  for (int i = 1; i <= k; ++i) c = c * (n - k + i) / i;
  return c;
}

}  // namespace

std::vector<std::string> PolynomialListLines() {
  std::vector<std::string> lines;
  TEquationForm form;
  Heading(lines, "X-Y Polynomial Equations");
  for (int n = 1; n <= 225; ++n)
    if (PolynomialEquationForm(n, form)) lines.push_back(Row(n, FormulaOf(n, &form)));
  Heading(lines, "Full Quadratic and Cubic Polynomials");
  for (int n = 301; n <= 318; ++n)
    if (PolynomialEquationForm(n, form)) lines.push_back(Row(n, FormulaOf(n, &form)));
  Heading(lines, "Chebyshev Bivariate Polynomial Series");
  for (const TSeriesFamily& family : kChebPolyFamilies) SeriesRows(lines, family);
  Heading(lines, "Fourier and Cosine Series");
  SeriesRows(lines, kFourierFamily);
  SeriesRows(lines, kFourier2Family);
  SeriesRows(lines, kCosineFamily);
  Heading(lines, "Sigmoid Series");
  SeriesRows(lines, kSigmoidFamily);
  return lines;
}

std::vector<std::string> RationalListLines() {
  std::vector<std::string> lines;
  TEquationForm form;
  Heading(lines, "X-Y Rational Equations");
  for (int n = 1001; n <= 1256; ++n)
    if (RationalEquationForm(n, form)) lines.push_back(Row(n, FormulaOf(n, &form)));
  Heading(lines, "Full Quadratic Rationals");
  for (int n = 1301; n <= 1304; ++n)
    if (RationalEquationForm(n, form)) lines.push_back(Row(n, FormulaOf(n, &form)));
  Heading(lines, "Chebyshev Rational Series");
  for (const TSeriesFamily& family : kChebRatFamilies) SeriesRows(lines, family);
  return lines;
}

std::vector<std::string> NonlinearListLines() {
  std::vector<std::string> lines;
  Heading(lines, "Non-Linear Equations");
  for (int n = 2001; n <= 2172; ++n) {
    const std::string_view text = NonlinearEquationText(n);
    if (!text.empty()) lines.push_back(Row(n, std::string(text)));
  }
  Heading(lines, "User-Defined Functions");
  lines.push_back(CFormat("~!~*%5d~*~! .. ~!~*%d~*~!  z=NAME() of user-defined functions 1 to 15", 2501, 2515));
  return lines;
}

std::vector<std::string> SubsetOverviewLines() {
  std::vector<std::string> lines;
  Heading(lines, "Selective Subset Equations");
  lines.push_back("A subset equation is linear in 2 to 8 of the 42 candidate terms below:");
  lines.push_back("  Z = a + b t1 + c t2 + ... with Z one of the three dependent transforms.");
  lines.push_back("A leading \"/\" in a term name stands for 1/... (b/x is b divided by x).");
  lines.push_back("wx and wy scale the exponential terms to the data range.");

  Heading(lines, "Candidate Terms");
  for (int code = 0; code < kCandidateTerms / 2; ++code)
  {
    const std::string name = SubsetTermName(code);
    const std::string pad(static_cast<std::size_t>(std::max(20 - VisibleWidth(name), 1)), ' ');
    lines.push_back(CFormat("~!~*%4d~*~!  %s%s~!~*%4d~*~!  %s", code, name.c_str(), pad.c_str(), code + 21,
                            SubsetTermName(code + 21)));
  }

  Heading(lines, "Dependent Transforms");
  static constexpr const char* kVariantTexts[3] = {"Z = z", "Z = ln z", "Z = 1/z"};
  for (int v = 0; v < 3; ++v) {
    const long first = kFirstSubsetEquation + static_cast<long>(v) * kSubsetVariantBlock;
    lines.push_back(CFormat("~!~*%d~*~!  %-10s  %-8s  equations %ld - %ld", v, SubsetVariantName(v),
                            kVariantTexts[v], first, first + kSubsetVariantBlock - 1));
  }

  Heading(lines, "Equation Numbers");
  lines.push_back("Eqn = 3001 + v*151229238 + B(k) + L(k)");
  lines.push_back("  v     the dependent transform (0 z, 1 lnz, 2 1/z)");
  lines.push_back("  k     the number of terms, 2 to 8");
  lines.push_back("  B(k)  the number of subsets of fewer terms: C(42,2) + ... + C(42,k-1)");
  lines.push_back("  L(k)  the 0-based position of the terms t1 < t2 < ... < tk (their codes)");
  lines.push_back("        among all subsets of k of the 42 codes in lexicographic order");
  lines.emplace_back();
  lines.push_back("~*Terms  B(k)        Equations on z~*");
  std::int64_t before = 0;
  for (int k = kSubsetMinTerms; k <= kSubsetMaxTerms; ++k) {
    const std::int64_t count = Choose(kCandidateTerms, k);
    lines.push_back(CFormat("%5d  %-10lld  %lld - %lld", k, static_cast<long long>(before),
                            static_cast<long long>(kFirstSubsetEquation + before),
                            static_cast<long long>(kFirstSubsetEquation + before + count - 1)));
    before += count;
  }

  Heading(lines, "Examples");
  struct Example {
    int variant;
    std::array<std::int32_t, kSubsetMaxTerms> codes;
    int k;
  };
  static constexpr Example kExamples[] = {
      {0, {0, 1}, 2},        {0, {0, 21}, 2},        {1, {0, 21}, 2},
      {0, {40, 41}, 2},      {0, {0, 1, 2}, 3},      {0, {2, 5, 21, 30}, 4},
      {2, {16, 37}, 2},      {0, {34, 35, 36, 37, 38, 39, 40, 41}, 8},
  };
  for (const Example& e : kExamples) {
    std::array<std::int32_t, kSubsetMaxTerms + 1> terms{};
    terms[0] = e.variant;
    std::string formula = std::string(SubsetVariantName(e.variant)) + "=a";
    for (int i = 0; i < e.k; ++i) {
      terms[static_cast<std::size_t>(i) + 1] = e.codes[static_cast<std::size_t>(i)];
      formula += "+" + std::string(1, static_cast<char>('b' + i)) + SubsetTermName(e.codes[static_cast<std::size_t>(i)]);
    }
    lines.push_back(CFormat("~!~*%9d~*~!  %s", SubsetEquationNumber(terms, e.k), formula.c_str()));
  }
  return lines;
}

std::string EquationListText(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}
