#include "exchange/export/parms_summary.h"

#include <system_error>

#include "app/c_format.h"
#include "app/file_utils.h"
#include "app/number_format.h"
#include "app/text_file_bytes.h"

std::string ParmsSummaryText(const TParmsSummaryInput& in, int flags) {
  const bool ids = (flags & kParmsIdentifiers) != 0;
  auto label = [ids](const char* text) { return ids ? std::string(text) : std::string(); };
  std::string s;
  auto line = [&s](const std::string& l, const std::string& value) { s += l + value + '\n'; };
  auto number = [&s](const std::string& l, long double v) { s += l + CFormat("%.18Lg", UnsignedZero(v)) + '\n'; };
  // A statistic that cannot be formed is written as a word, which no reader takes for a figure.
  auto statistic = [&s](const std::string& l, long double v) { s += l + FormatFigure(v, 18) + '\n'; };
  const TExportFit& fit = *in.fit;
  if (flags & kParmsDateTimeSource) {
    line(label("Date= "), in.date);
    line(label("Time= "), in.time);
    line(label("File Source= "), in.dataSource);
  }
  if (flags & kParmsDataTitles) {
    line(label("Data= "), in.dataTitle);
    line(label("X= "), in.xName);
    line(label("Y= "), in.yName);
    line(label("Z= "), in.zName);
  }
  if (flags & kParmsEquation) line(label("Eqn= "), fit.equationText);
  if (flags & kParmsStatistics) {
    statistic(label("r2= "), fit.r2);
    statistic(label("DOF r2= "), fit.adjustedR2);
    statistic(label("Std Error= "), fit.fitStdError);
    statistic(label("F Statistic= "), fit.f);
  }
  for (std::size_t k = 0; k < fit.parameters.size(); ++k)
    number(ids ? ExportParameterLetter(static_cast<int>(k)) + "= " : std::string(), fit.parameters[k]);
  s += '\n';
  return s;
}

int ParmsWriteSummary(const std::filesystem::path& path, int flags, bool append, const TParmsSummaryInput& in) {
  std::string text;
  std::error_code ec;
  if (append && std::filesystem::exists(path, ec)) {
    const std::vector<std::uint8_t> old = LoadFileToGlobal(path);
    if (old.empty() && std::filesystem::file_size(path, ec) != 0) return -1;
    text = TextOfOwnTextFile(std::string_view(reinterpret_cast<const char*>(old.data()), old.size()));
  }
  for (char c : ParmsSummaryText(in, flags)) {
    if (c == '\n') text += '\r';
    text += c;
  }
  return SaveGlobalToFile(TextFileBytes(text), path) ? 1 : -1;
}
