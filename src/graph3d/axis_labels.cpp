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

}  // namespace

std::vector<std::string> AxisLabelTexts(std::span<const long double> values, bool logAxis, int digits) {
  digits = std::clamp(digits, 1, kMostLabelDigits);
  std::vector<std::string> texts = LabelsAt(values, logAxis, digits);
  while (!NeighboursDiffer(texts) && digits < kMostLabelDigits) texts = LabelsAt(values, logAxis, ++digits);
  return texts;
}
