// A graph's point toggle stops the background fit before the table changes.
#include <gtest/gtest.h>

#include "app/data_saved_mark.h"
#include "app/shell_state.h"
#include "graph3d/point_toggling.h"

namespace {

TEST(PointToggling, BackgroundFitStopsBeforeTheStatusChanges) {
  TDataSession data;
  ASSERT_TRUE(data.Table.AllocPointArray());
  data.Table.XYZData()[0].X = 3;
  data.Table.SetXYZRows(3);
  for (int k = 1; k <= 3; ++k) data.Table.XYZData()[static_cast<std::size_t>(k)].Status = ' ';
  MarkDataSaved(data);  // data as read from a file
  std::vector<char> seenAtStop;
  SetBackgroundFitStopper([&] { seenAtStop.push_back(data.Table.XYZData()[2].Status); });
  const auto toggle = MakeDataPointToggler(data, StopBackgroundFit);
  toggle(2, '*');
  ASSERT_EQ(seenAtStop.size(), 1u);
  EXPECT_EQ(seenAtStop[0], ' ');  // the fit was stopped while the point was still active
  EXPECT_EQ(data.Table.XYZData()[2].Status, '*');
  // Changed statuses are changed data; put back, they are the file's again: a point toggled
  // and toggled back made Exit ask though nothing had changed.
  EXPECT_TRUE(DataNeedsSaving(data));
  toggle(2, ' ');
  EXPECT_FALSE(DataNeedsSaving(data));
  EXPECT_EQ(data.DataUnsaved, 0);
  // Records outside the table change nothing.
  toggle(0, '*');
  toggle(4, '*');
  EXPECT_EQ(data.Table.XYZData()[0].Status, TXYZPoint{}.Status);
  EXPECT_EQ(data.Table.XYZData()[4].Status, TXYZPoint{}.Status);
  SetBackgroundFitStopper(nullptr);
}

}  // namespace
