#include "app/data_file_writers.h"

#include "app/c_format.h"
#include "app/data_session.h"
#include "app/data_statistics.h"
#include "app/file_utils.h"
#include "app/long_double.h"
#include "app/number_format.h"
#include "app/text_file_bytes.h"
#include "app/worksheet_records.h"

namespace {

bool Weighted(std::span<const TXYZPoint> table) { return !table.empty() && table[0].W == 1; }

// A point as written: missing values become 0 and make the point inactive.
struct WrittenPoint {
  long double x, y, z, w;
  char status;
};
WrittenPoint Written(const TXYZPoint& p) {
  WrittenPoint out{p.X, p.Y, p.Z, p.W, p.Status == kPointInactive ? kPointInactive : kPointActive};
  for (long double* v : {&out.x, &out.y, &out.z, &out.w}) {
    if (IsMissingValue(*v)) {
      *v = 0;
      out.status = kPointInactive;
    }
  }
  return out;
}

std::string TableText(std::span<const TXYZPoint> table, const TDataTitles& titles, int width,
                      int digits) {
  std::string text;
  for (const std::string* t : {&titles.Title, &titles.XName, &titles.YName, &titles.ZName})
    text += "\"" + *t + "\"\r\n";
  const bool weighted = Weighted(table);
  for (const TXYZPoint& p : PointsOf(table)) {
    const WrittenPoint w = Written(p);
    // Figures of a file of doubles show as written, without the binary remainder that
    // `digits` past a double's own would show.
    const auto figure = [&](long double v) { return DataFigureText(v, digits); };
    text += CFormat("%-*s %-*s %-*s %c", width, figure(w.x).c_str(), width, figure(w.y).c_str(), width,
                    figure(w.z).c_str(), w.status);
    if (weighted) text += CFormat(" W%-*s", width, figure(w.w).c_str());
    text += "\r\n";
  }
  return text;
}

}  // namespace

std::string DataFileText(std::span<const TXYZPoint> table, const TDataTitles& titles) {
  return TableText(table, titles, 23, 15);
}

std::string DataClipboardText(std::span<const TXYZPoint> table, const TDataTitles& titles) {
  return TableText(table, titles, 24, 16);
}

std::optional<TValueNotHeld> FirstValueNotHeld(std::span<const TXYZPoint> table, int form) {
  const bool weighted = Weighted(table);
  int row = 0;
  for (const TXYZPoint& p : PointsOf(table)) {
    ++row;
    const WrittenPoint w = Written(p);
    const std::pair<const char*, long double> values[] = {{"X", w.x}, {"Y", w.y}, {"Z", w.z}, {"W", w.w}};
    for (const auto& [axis, value] : std::span(values, weighted ? 4 : 3)) {
      // A WK1 number is a double: a value whose double is the missing value -12345.6789
      // would come back as a missing cell (a .sav save refuses it too).
      const bool heldAsMissing = form != 3 && IsMissingValue(static_cast<double>(value));
      if (!WorksheetHoldsValue(value, form) || heldAsMissing) return TValueNotHeld{row, axis, value};
    }
  }
  return std::nullopt;
}

std::string TitleCharactersNotHeld(const TDataTitles& titles) {
  std::string lacking;
  for (const std::string* t : {&titles.Title, &titles.XName, &titles.YName, &titles.ZName})
    for (const char c : LabelCharactersNotHeld(*t))
      if (lacking.find(c) == std::string::npos) lacking += c;
  return lacking;
}

int InactivePointsWritten(std::span<const TXYZPoint> table) {
  int inactive = 0;
  for (const TXYZPoint& p : PointsOf(table)) {
    const WrittenPoint w = Written(p);
    TXYZPoint read = p;
    read.X = w.x, read.Y = w.y, read.Z = w.z, read.W = Weighted(table) ? w.w : 1;
    if (w.status == kPointInactive && PointUsable(read)) ++inactive;
  }
  return inactive;
}

std::vector<std::uint8_t> DataWorksheet(std::span<const TXYZPoint> table,
                                        const TDataTitles& titles, int form) {
  if (FirstValueNotHeld(table, form)) return {};
  const int n = PointCount(table);
  const bool weighted = Weighted(table);
  TWorksheetImage image(form, weighted ? 3 : 2, n + 1);
  image.Label(0, 0, titles.Title);
  image.Label(0, 1, titles.XName);
  image.Label(1, 1, titles.YName);
  image.Label(2, 1, titles.ZName);
  int row = 2;
  for (const TXYZPoint& p : PointsOf(table)) {
    const WrittenPoint w = Written(p);
    image.Number(0, row, w.x);
    image.Number(1, row, w.y);
    image.Number(2, row, w.z);
    if (weighted) image.Number(3, row, w.w);
    ++row;
  }
  return image.Finish();
}

std::string DataTableToText(const TDataSession& session) {
  return DataClipboardText(session.Table.XYZData(), session.DataTitles());
}

std::vector<std::uint8_t> DataTableToWorksheet(const TDataSession& session, int form) {
  return DataWorksheet(session.Table.XYZData(), session.DataTitles(), form);
}

int WriteDataText(const TDataSession& session, const std::string& path) {
  const std::span<const TXYZPoint> table = session.Table.XYZData();
  if (!SaveGlobalToFile(TextFileBytes(DataFileText(table, session.DataTitles())), path)) return -1;
  return PointCount(table);
}

bool WriteDataWorksheet(const TDataSession& session, const std::string& path, int form) {
  const std::vector<std::uint8_t> image = DataTableToWorksheet(session, form);
  return !image.empty() && SaveGlobalToFile(image, path);
}
