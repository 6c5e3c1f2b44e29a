#include "graph3d/axis_labels.h"

#include <algorithm>
#include <cmath>

#include "app/c_format.h"

namespace {

constexpr int kMostLabelDigits = 18;

std::vector<std::string> LabelsAt(std::span<const long double> values, bool logAxis, int digits) {
  std::vector<std::string> texts;
  texts.reserve(values.size());
  for (long double v : values) texts.push_back(CFormat("%.*Lg", digits, logAxis ? std::pow(10.0L, v) : v));
  return texts;
}

bool NeighboursDiffer(const std::vector<std::string>& texts) {
  return std::adjacent_find(texts.begin(), texts.end()) == texts.end();
}

// The significant digits of a label written with an exponent ("5.4065e+06": 5); 0 for one
// written without.
int MantissaDigits(const std::string& text) {
  const std::size_t e = text.find('e');
  if (e == std::string::npos) return 0;
  return static_cast<int>(std::count_if(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(e),
                                        [](char c) { return c >= '0' && c <= '9'; }));
}

}  // namespace

std::vector<std::string> AxisLabelTexts(std::span<const long double> values, bool logAxis, int digits) {
  digits = std::clamp(digits, 1, kMostLabelDigits);
  std::vector<std::string> texts = LabelsAt(values, logAxis, digits);
  while (!NeighboursDiffer(texts) && digits < kMostLabelDigits) texts = LabelsAt(values, logAxis, ++digits);
  // "%g" drops a mantissa's trailing zeros, so the labels of an axis far from the origin mixed
  // their digits ("5.4065e+06" beside "5.406e+06"): those written with an exponent all take
  // the most digits any of them shows, the fewest that show each tick as written.
  int shared = 0;
  for (const std::string& t : texts) shared = std::max(shared, MantissaDigits(t));
  for (std::size_t k = 0; k < texts.size(); ++k)
    if (MantissaDigits(texts[k]) != 0 && MantissaDigits(texts[k]) < shared)
      texts[k] = CFormat("%.*Le", shared - 1, logAxis ? std::pow(10.0L, values[k]) : values[k]);
  return texts;
}
