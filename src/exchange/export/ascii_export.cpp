#include "exchange/export/ascii_export.h"

#include <algorithm>

#include "app/c_format.h"
#include "app/file_utils.h"

namespace {

constexpr int kStopLine = 16383;

class TAsciiWriter {
 public:
  TAsciiWriter(AsciiDelimiter delimiter, int precision)
      : blank_(delimiter == AsciiDelimiter::kBlank),
        separator_(delimiter == AsciiDelimiter::kComma ? ',' : delimiter == AsciiDelimiter::kTab ? '\t' : ' '),
        precision_(std::clamp(precision, 1, 18)),
        width_(precision_ + 9) {}

  void Title(std::string_view text, bool last) {
    if (blank_)
      text_ += CFormat("\"%-*s\"", precision_ + 7, std::string(text).c_str());
    else
      text_ += CFormat("\"%s\"", std::string(text).c_str());
    End(last);
  }
  void Number(long double v, bool last) {
    text_ += blank_ ? CFormat("%-*.*Lg", width_, precision_, v) : CFormat("%-.*Lg", precision_, v);
    End(last);
  }
  // A field of literal text ("0" of the matrix corner) or an empty one.
  void Text(std::string_view s, bool last) {
    text_ += s;
    if (blank_ && s.size() < static_cast<std::size_t>(width_)) text_.append(width_ - s.size(), ' ');
    End(last);
  }
  void Numbers(std::initializer_list<long double> values) {
    std::size_t i = 0;
    for (long double v : values) Number(v, ++i == values.size());
  }
  std::string Take() { return std::move(text_); }

 private:
  // A line ends in a line feed alone, unlike the program's other text files: the programs
  // that read these surface files take them as they were always written.
  void End(bool last) { text_ += last ? '\n' : separator_; }
  bool blank_;
  char separator_;
  int precision_, width_;
  std::string text_;
};

}  // namespace

std::string AsciiExportText(const TAsciiExportRequest& request, const TReviewCallbacks& review, int& lines,
                            TGridCut* cut) {
  TAsciiWriter out(request.delimiter, request.precision);
  const int kind = request.layout == AsciiLayout::kWithLimits ? 1 : request.layout == AsciiLayout::kColumns ? 2 : 3;
  const TExportRequest table{kind, request.x, request.y};
  const TExportGrid grid = MakeExportGrid(table);
  long long taken = 0;  // the grid's points written, in grid order
  lines = 1;
  if (request.layout == AsciiLayout::kMatrix) {
    for (std::size_t r = 0; r <= grid.ys.size(); ++r) {
      for (std::size_t c = 0; c <= grid.xs.size(); ++c) {
        const bool last = c == grid.xs.size();
        if (r == 0 && c == 0) {
          out.Text("0", last);
        } else if (r == 0) {
          out.Number(grid.xs[c - 1], last);
        } else if (c == 0) {
          out.Number(grid.ys[r - 1], last);
        } else {
          const TExportPoint p = EvaluateExportPoint(review, grid.xs[c - 1], grid.ys[r - 1], false);
          if (p.valid)
            out.Number(p.z, last);
          else
            out.Text("", last);
        }
      }
    }
    if (cut != nullptr) *cut = ExportGridCut(table, grid, 0);
    return out.Take();
  }
  const bool limits = request.layout == AsciiLayout::kWithLimits;
  out.Title("X Generated", false);
  out.Title("Y Generated", false);
  out.Title("Z Predicted", !limits);
  if (limits) {
    const std::string conf = ConfidenceTitle(review.LimitsLevel), pred = PredictionTitle(review.LimitsLevel);
    out.Title(conf, false), out.Title(conf, false), out.Title(pred, false), out.Title(pred, true);
  }
  for (long double x : grid.xs) {
    if (lines > kStopLine) break;
    taken += static_cast<long long>(grid.ys.size());
    for (long double y : grid.ys) {
      const TExportPoint p = EvaluateExportPoint(review, x, y, limits);
      if (!p.valid) {
        out.Numbers({x, y});
      } else if (!limits) {
        out.Numbers({x, y, p.z});
        ++lines;
      } else if (!p.hasConfidence || !p.hasPrediction) {
        out.Numbers({x, y, p.z});
      } else {
        out.Numbers({x, y, p.z, p.confidenceLow, p.confidenceHigh, p.predictionLow, p.predictionHigh});
        ++lines;
      }
    }
  }
  if (cut != nullptr) *cut = ExportGridCut(table, grid, taken);
  return out.Take();
}

int AsciiExportTable(const std::filesystem::path& path, const TAsciiExportRequest& request,
                     const TReviewCallbacks& review, TGridCut* cut) {
  int lines = 0;
  const std::string text = AsciiExportText(request, review, lines, cut);
  return !ExportEvaluationsStopped() && SaveGlobalToFile(text, path) ? lines : -1;
}
