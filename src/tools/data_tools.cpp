#include "tools/data_tools.h"

#include "app/c_format.h"
#include "app/data_files.h"
#include "app/data_session.h"
#include "app/number_format.h"
#include "app/point_table.h"
#include "app/shell_state.h"

namespace {
constexpr int kNumberWidth = 12;
}

std::vector<std::string> StatisticsText(const TDataStats& stats, const TDataTitles& titles,
                                        const std::string& source, const std::string& date,
                                        const std::string& time) {
  std::vector<std::string> lines;
  if (!titles.Title.empty()) {
    lines.push_back(CFormat("~#Description:~# ~$%s~$", titles.Title.c_str()));
    lines.emplace_back();
  }
  const char axis[3] = {'X', 'Y', 'Z'};
  const std::string* names[3] = {&titles.XName, &titles.YName, &titles.ZName};
  const TAxisStats* blocks[3] = {&stats.X, &stats.Y, &stats.Z};
  for (int a = 0; a < 3; ++a) {
    const TAxisStats& s = *blocks[a];
    // A figure the data do not give (no weight, too few points) says so: "n/a".
    auto number = [](long double v) { return FormatNumberOrMissing(v, kNumberWidth); };
    auto label = [&](const char* what) { return std::string(1, axis[a]) + what; };
    lines.push_back(CFormat("~#%c Variable:~# ~$%s~$", axis[a], names[a]->c_str()));
    lines.push_back(CFormat("  ~#%8s:~# ~!%-12s~! ~#%8s:~# ~!%-12s~! ~#%8s:~# ~!%-12s~!",
                            label("min").c_str(), number(s.Min).c_str(), label("max").c_str(),
                            number(s.Max).c_str(), label("range").c_str(), number(s.Range).c_str()));
    lines.push_back(CFormat("  ~#%8s:~# ~!%-12s~! ~#%8s:~# ~!%-12s~!", label("mean").c_str(),
                            number(s.Mean).c_str(), label("std").c_str(),
                            number(s.StdDev).c_str()));
    lines.emplace_back();
  }
  lines.emplace_back("~#Date~#           ~#Time~#           ~#File Source~#");
  lines.push_back(CFormat("~!%-14s~! ~!%-14s~! ~!%-40s~!", date.c_str(), time.c_str(), source.c_str()));
  lines.emplace_back();
  return lines;
}

bool RemoveInactivePoints(TDataSession& session) {
  TDataTable& table = session.Table;
  std::span<TXYZPoint> data = table.XYZData();
  if (data.empty() || session.DataStats.ActiveCount == PointCount(data)) return false;
  int kept = 0;
  {
    // A background fit may be copying the table.
    DataTableWriteLock lock(table.Mutex());
    kept = CompactPoints(data);
  }
  table.SetXYZRows(kept);
  session.DataUnsaved = 1;
  return true;
}

void ClearDataTable(TDataSession& session) {
  StopBackgroundFit();
  // Nothing is left to save, and whatever is entered next comes from no file.
  session.DataUnsaved = 0;
  session.SavedMark.reset();
  // The figures of the data that were are no figures of the empty table (XMEAN read them).
  session.DataStats = NoDataStatistics();
  VoidFitResults(session);
  TDataTable& table = session.Table;
  table.SetXYZRows(0);
  std::span<TXYZPoint> data = table.XYZData();
  if (!data.empty()) data[0].X = data[0].W = 0;
  session.DataTitles() = TDataTitles{};
  session.DataFileLabel.clear();
  if (DataFileHooks().SetHaveData) DataFileHooks().SetHaveData(0);
}
