#include "graph3d/point_toggling.h"

#include <mutex>

std::function<void(int record, char status)> MakeDataPointToggler(TDataSession& data,
                                                                  std::function<void()> stopBackgroundFit) {
  return [&data, stop = std::move(stopBackgroundFit)](int record, char status) {
    if (stop) stop();
    std::unique_lock lock(data.Table.Mutex());
    const std::span<TXYZPoint> points = data.Table.XYZData();
    if (record < 1 || record > data.Table.XYZRows() || static_cast<std::size_t>(record) >= points.size()) return;
    points[static_cast<std::size_t>(record)].Status = status;
    data.DataUnsaved = 1;
  };
}
