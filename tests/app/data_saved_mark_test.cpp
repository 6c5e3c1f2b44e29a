// Whether the data need saving: the data as they stand against the mark of the data last read
// or saved. Which changes of the records the comparison sees is DataSignature's test.
#include "app/data_saved_mark.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>

#include "app/data_session.h"
#include "app/data_statistics.h"
#include "app/test_points.h"

namespace {

class DataSavedMark : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(session.Table.ReplaceDataTable(TableOf({{1, 10, 100}, {2, 20, 200}, {3, 30, 300}, {4, 40, 400}})));
    session.DataTitles().SetTitle("Four");
    session.DataTitles().SetXName("x");
  }
  TXYZPoint& Row(int i) { return session.Table.XYZData()[static_cast<std::size_t>(i)]; }
  TDataSession session;
};

TEST_F(DataSavedMark, PointsNoFileHoldsNeedSavingAndAnEmptyTableNever) {
  EXPECT_TRUE(DataNeedsSaving(session));  // neither read nor saved
  MarkDataSaved(session);
  EXPECT_FALSE(DataNeedsSaving(session));
  session.DataUnsaved = 1;  // pasted data that happen to equal the file's
  EXPECT_TRUE(DataNeedsSaving(session));
  MarkDataSaved(session);
  EXPECT_EQ(session.DataUnsaved, 0);
  EXPECT_FALSE(DataNeedsSaving(session));

  session.DataTitles().SetTitle("Changed");
  session.Table.SetXYZRows(0);  // a table emptied holds nothing to save, titles or not
  EXPECT_FALSE(DataNeedsSaving(session));
  session.SavedMark.reset();
  EXPECT_FALSE(DataNeedsSaving(session));
}

// Every change of a value, a status, the count, the order or a title needs saving, and each
// one undone needs none.
TEST_F(DataSavedMark, ChangesNeedSavingUntilTheyAreUndone) {
  MarkDataSaved(session);
  const std::pair<std::string, std::function<void(bool)>> changes[] = {
      {"a value", [this](bool undo) { Row(2).Z = undo ? 200 : 201; }},
      {"a weight", [this](bool undo) { Row(3).W = undo ? 1 : 2; }},
      {"a status", [this](bool undo) { Row(1).Status = undo ? kPointActive : kPointInactive; }},
      {"a point less", [this](bool undo) { SetPointCount(session.Table.XYZData(), undo ? 4 : 3); }},
      {"the title", [this](bool undo) { session.DataTitles().SetTitle(undo ? "Four" : "Five"); }},
      {"an axis name", [this](bool undo) { session.DataTitles().SetZName(undo ? "" : "z"); }},
      // A saved file keeps the order of its records: a Sort Table was lost at Exit unasked.
      {"the order", [this](bool) { std::swap(Row(1), Row(4)); }},
  };
  for (const auto& [what, change] : changes) {
    change(false);
    EXPECT_TRUE(DataNeedsSaving(session)) << what;
    change(true);
    EXPECT_FALSE(DataNeedsSaving(session)) << what << " undone";
  }
}

// The program's own sort (the pre-scan orders the table by x, then y) is no change of the
// user's: data in the saved order stay marked as saved, and data in an order of the user's
// that the program's sort undid hold nothing more to save.
TEST_F(DataSavedMark, TheProgramsOwnReorderFollowsTheMark) {
  std::swap(Row(1), Row(3));  // as the file held them
  MarkDataSaved(session);
  const auto byX = [this] {
    std::span<TXYZPoint> t = session.Table.XYZData();
    std::sort(t.begin() + 1, t.begin() + 5, [](const TXYZPoint& a, const TXYZPoint& b) { return a.X < b.X; });
  };
  KeepSavedMarkAcross(session, byX);
  EXPECT_EQ(Row(1).X, 1);
  EXPECT_FALSE(DataNeedsSaving(session));
  // The user's order (by Z, descending) needs saving; the program's sort puts back the order
  // last marked.
  std::swap(Row(1), Row(4));
  std::swap(Row(2), Row(3));
  EXPECT_TRUE(DataNeedsSaving(session));
  KeepSavedMarkAcross(session, byX);
  EXPECT_FALSE(DataNeedsSaving(session));
  // Without a mark the program's sort changes nothing of what there is to save.
  session.SavedMark.reset();
  KeepSavedMarkAcross(session, byX);
  EXPECT_TRUE(DataNeedsSaving(session));
}

// A file's point the pre-scan cannot use (a negative weight, a missing value) is made inactive
// by the program, not the user: data read and prepared need no saving, while a point the user
// turns inactive still does.
TEST_F(DataSavedMark, PointsThePrescanMakesInactiveNeedNoSaving) {
  Row(2).W = -1;
  Row(3).Z = ExprErrorValue;
  MarkDataSaved(session);
  PrepareDataForFit(session);
  EXPECT_EQ(Row(2).Status, kPointInactive);
  EXPECT_EQ(Row(3).Status, kPointInactive);
  EXPECT_FALSE(DataNeedsSaving(session));
  Row(1).Status = kPointInactive;
  EXPECT_TRUE(DataNeedsSaving(session));
  PrepareDataForFit(session);
  EXPECT_TRUE(DataNeedsSaving(session));
}

}  // namespace
