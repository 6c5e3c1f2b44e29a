#include "graph3d/point_toggling.h"

#include <mutex>

std::function<void(int record, char status)> MakeDataPointToggler(TDataSession& data,
                                                                  std::function<void()> stopBackgroundFit) {
  return [&data, stop = std::move(stopBackgroundFit)](int record, char status) {
    if (stop) stop();
    std::unique_lock lock(data.Table.Mutex());
    const std::span<TXYZPoint> points = data.Table.XYZData();
    if (record < 1 || record > data.Table.XYZRows() || static_cast<std::size_t>(record) >= points.size()) return;
    // Whether the data now differ from the file's is the saved mark's to tell: a point
    // toggled and toggled back made Exit ask though nothing had changed.
    points[static_cast<std::size_t>(record)].Status = status;
  };
}
