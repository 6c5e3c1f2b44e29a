#include "fit/term_subset_numbers.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace {

constexpr int kCodes = 42;

// Binomial coefficients C(n, r) for n <= 42, exact in 64 bits.
constexpr std::int64_t Binomial(int n, int r) {
  if (r < 0 || r > n) return 0;
  std::int64_t c = 1;
  for (int i = 1; i <= r; ++i) c = c * (n - r + i) / i;
  return c;
}

// B_k: the subsets of 2..k-1 terms that come before the k-term block.
constexpr std::int64_t BlockOffset(int k) {
  std::int64_t b = 0;
  for (int j = kSubsetMinTerms; j < k; ++j) b += Binomial(kCodes, j);
  return b;
}

static_assert(BlockOffset(kSubsetMaxTerms + 1) == kSubsetVariantBlock);
static_assert(BlockOffset(3) == 861 && BlockOffset(8) == 33199053);

// Costs of the 21 terms of one axis, in code order.
constexpr std::array<float, 21> kTermCost = {0.0f,  6.6f,  3.37f, 1.06f, 7.66f, 4.43f, 2.12f,
                                             8.4f,  8.91f, 6.6f,  7.05f, 2.31f, 5.54f, 7.05f,
                                             3.82f, 7.05f, 1.51f, 3.82f, 8.11f, 3.02f, 6.89f};
constexpr float kCostPerTerm = 2.06f;

}  // namespace

std::int32_t RankPair(int a, int b, int n) {
  std::int32_t r = b - a - 1;
  for (int i = 1; i <= a; ++i) r += n - i;
  return r;
}

std::int32_t SubsetEquationNumber(std::span<const std::int32_t> terms, int k) {
  if (k < kSubsetMinTerms || k > kSubsetMaxTerms || terms.size() < static_cast<std::size_t>(k) + 1)
    return 0;
  const int v = terms[0];
  if (v < 0 || v > 2) return 0;
  std::array<int, kSubsetMaxTerms + 1> t{};
  t[0] = -1;  // t_0 of the index formula
  for (int q = 1; q <= k; ++q) {
    t[static_cast<std::size_t>(q)] = terms[static_cast<std::size_t>(q)];
    if (t[static_cast<std::size_t>(q)] < 0 || t[static_cast<std::size_t>(q)] >= kCodes) return 0;
  }
  // The search stores ascending lists; any other order is ranked as its ascending form.
  std::sort(t.begin() + 1, t.begin() + k + 1);
  for (int q = 2; q <= k; ++q)
    if (t[static_cast<std::size_t>(q)] == t[static_cast<std::size_t>(q - 1)]) return 0;

  // L_k = Σ_q Σ_{j = t_(q-1)+1 .. t_q - 1} C(41 - j, k - q): the k-subsets that agree with
  // this one before position q and hold a smaller code at q.
  std::int64_t index = 0;
  for (int q = 1; q <= k; ++q)
    for (int j = t[static_cast<std::size_t>(q - 1)] + 1; j < t[static_cast<std::size_t>(q)]; ++j)
      index += Binomial(kCodes - 1 - j, k - q);
  return static_cast<std::int32_t>(kFirstSubsetEquation +
                                   static_cast<std::int64_t>(v) * kSubsetVariantBlock +
                                   BlockOffset(k) + index);
}

float TermComplexity(int code) {
  if (code < 0 || code >= kCodes) return 0.0f;
  return kTermCost[static_cast<std::size_t>(code % 21)];
}

float VariantComplexity(int variant) {
  switch (variant) {
    case 1: return 6.89f;
    case 2: return 1.51f;
    default: return 0.0f;
  }
}

std::int32_t SubsetComplexity(std::span<const std::int32_t> terms, int k) {
  k = std::clamp(k, 0, static_cast<int>(terms.size()) - 1);
  // Every partial sum is rounded to single precision, as the costs themselves are.
  float s = static_cast<float>(k) * kCostPerTerm;
  for (int i = 1; i <= k; ++i) s = s + TermComplexity(terms[static_cast<std::size_t>(i)]);
  s = s + VariantComplexity(terms.empty() ? -1 : terms[0]);
  return static_cast<std::int32_t>(s + 0.5f);
}

namespace {

constexpr const char* kCandidateAndSpareNames[50] = {
    // 0..20: candidate terms of x.
    "x", "xlnx", "x~^1.5~^", "x~^2~^", "x~^2~^lnx", "x~^2.5~^", "x~^3~^", "e~^x/wx~^",
    "x~^0.5~^lnx", "(lnx)~^2~^", "x/lnx", "x~^0.5~^", "lnx", "/lnx", "/x~^0.5~^", "lnx/x", "/x",
    "/x~^1.5~^", "lnx/x~^2~^", "/x~^2~^", "e~^-x~^",
    // 21..41: the same of y.
    "y", "ylny", "y~^1.5~^", "y~^2~^", "y~^2~^lny", "y~^2.5~^", "y~^3~^", "e~^y/wy~^",
    "y~^0.5~^lny", "(lny)~^2~^", "y/lny", "y~^0.5~^", "lny", "/lny", "/y~^0.5~^", "lny/y", "/y",
    "/y~^1.5~^", "lny/y~^2~^", "/y~^2~^", "e~^-y~^",
    // 42..49: codes no family uses.
    "42", "43", "44", "45", "46", "47", "48", "49",
};

// Powers 1..10 of x, ln x, 1/x, y, ln y, 1/y: the polynomial and rational numerator terms
// (code 10·kind + power - 1, 50..109) and again the rational denominator terms (code + 60,
// 110..169).
constexpr const char* kPowerNames[60] = {
    "x", "x~^2~^", "x~^3~^", "x~^4~^", "x~^5~^", "x~^6~^", "x~^7~^", "x~^8~^", "x~^9~^",
    "x~^10~^",
    "lnx", "(lnx)~^2~^", "(lnx)~^3~^", "(lnx)~^4~^", "(lnx)~^5~^", "(lnx)~^6~^", "(lnx)~^7~^",
    "(lnx)~^8~^", "(lnx)~^9~^", "(lnx)~^10~^",
    "/x", "/x~^2~^", "/x~^3~^", "/x~^4~^", "/x~^5~^", "/x~^6~^", "/x~^7~^", "/x~^8~^",
    "/x~^9~^", "/x~^10~^",
    "y", "y~^2~^", "y~^3~^", "y~^4~^", "y~^5~^", "y~^6~^", "y~^7~^", "y~^8~^", "y~^9~^",
    "y~^10~^",
    "lny", "(lny)~^2~^", "(lny)~^3~^", "(lny)~^4~^", "(lny)~^5~^", "(lny)~^6~^", "(lny)~^7~^",
    "(lny)~^8~^", "(lny)~^9~^", "(lny)~^10~^",
    "/y", "/y~^2~^", "/y~^3~^", "/y~^4~^", "/y~^5~^", "/y~^6~^", "/y~^7~^", "/y~^8~^",
    "/y~^9~^", "/y~^10~^",
};

constexpr const char* kCrossNames[30] = {
    // 170..178: X·Y of the full quadratic and cubic, X in x, ln x, 1/x and Y in y, ln y,
    // 1/y (code 165 + x kind + 3·(y kind - 8)).
    "xy", "ylnx", "y/x", "xlny", "lnxlny", "(lny)/x", "x/y", "(lnx)/y", "/(xy)", "179",
    // 180..188: X·Y².
    "xy~^2~^", "y~^2~^lnx", "y~^2~^/x", "x(lny)~^2~^", "lnx(lny)~^2~^", "(lny)~^2~^/x",
    "x/y~^2~^", "(lnx)/y~^2~^", "/(xy~^2~^)", "189",
    // 190..198: X²·Y.
    "x~^2~^y", "y(lnx)~^2~^", "y/x~^2~^", "x~^2~^lny", "(lnx)~^2~^lny", "(lny)/x~^2~^",
    "x~^2~^/y", "(lnx)~^2~^/y", "/(x~^2~^y)", "199",
};

constexpr std::array<const char*, kSubsetTermNameCount> MakeTermNames() {
  std::array<const char*, kSubsetTermNameCount> names{};
  for (int i = 0; i < 50; ++i) names[static_cast<std::size_t>(i)] = kCandidateAndSpareNames[i];
  for (int i = 0; i < 60; ++i) {
    names[static_cast<std::size_t>(50 + i)] = kPowerNames[i];
    names[static_cast<std::size_t>(110 + i)] = kPowerNames[i];
  }
  for (int i = 0; i < 30; ++i) names[static_cast<std::size_t>(170 + i)] = kCrossNames[i];
  return names;
}

constexpr std::array<const char*, kSubsetTermNameCount> kTermNames = MakeTermNames();
static_assert(std::find(kTermNames.begin(), kTermNames.end(), nullptr) == kTermNames.end(),
              "every term code has a name");

}  // namespace

const char* const* const SubsetTermNames = kTermNames.data();

const char* const SubsetVariantNames[3] = {"z", "lnz", "z~^-1~^"};

const char* SubsetTermName(int code) {
  return code >= 0 && code < kSubsetTermNameCount ? SubsetTermNames[code] : "";
}

const char* SubsetVariantName(int variant) {
  return variant >= 0 && variant < 3 ? SubsetVariantNames[variant] : "";
}
