#include "graph3d/point_toggling.h"

#include <mutex>

#include "app/shell_state.h"

std::function<void(int record, char status)> MakeDataPointToggler(TDataSession& data) {
  return [&data](int record, char status) {
    StopBackgroundFit();
    std::unique_lock lock(data.Table.Mutex());
    const std::span<TXYZPoint> points = data.Table.XYZData();
    if (record < 1 || record > data.Table.XYZRows() || static_cast<std::size_t>(record) >= points.size()) return;
    points[static_cast<std::size_t>(record)].Status = status;
    data.DataUnsaved = 1;
  };
}
