// The import driver with the real readers: every road into the table, and what a failed
// read must leave alone.
#include "app/data_files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <system_error>

#include "app/data_saved_mark.h"
#include "app/data_statistics.h"
#include "app/prescan_hooks.h"
#include "app/settings_file.h"
#include "app/shell_state.h"
#include "exchange/ascii_readers.h"
#include "exchange/dbase_builder.h"
#include "exchange/dif_reader.h"
#include "exchange/excel_readers.h"
#include "exchange/worksheet_readers.h"
#include "exchange/exchange_test_support.h"
#include "exchange/worksheet_builder.h"
#include "exchange/import_registration.h"
#include "exchange/sav_builder.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"

namespace {

using namespace exchange_test;
using Texts = std::vector<std::string>;

std::string Points(int n, int offset = 0) {
  std::string text;
  for (int i = 1; i <= n; ++i)
    text += std::to_string(i + offset) + " " + std::to_string(i * i) + " " + std::to_string(i % 3) + "\n";
  return text;
}

// The bytes of records 0 .. N: what "exactly as it was" compares.
std::string TableBytes(const TDataTable& table) {
  const auto data = table.XYZData();
  std::string out;
  for (int i = 0; i <= PointCount(data); ++i) {
    const TXYZPoint& p = data[static_cast<std::size_t>(i)];
    for (long double v : {p.X, p.Y, p.Z, p.W}) out.append(reinterpret_cast<const char*>(&v), 10);
    out += p.Status;
  }
  return out;
}

class DataFiles : public TableTest {
 protected:
  void SetUp() override {
    TableTest::SetUp();
    RegisterImportReaders();
    CurrentSettings() = DefaultSettings(1280, 1024);
    DataFileHooks() = TDataFileHooks{};
    DataFileHooks().SetHaveData = [this](int on) { haveData_ = on; };
    DataFileHooks().SetHaveFits = [this](int on) { haveFits_ = on; };
    DataFileHooks().RunTitlesDialog = [this](TDataSession& imported, const TDataTitles* previous) {
      EXPECT_EQ(&imported, &session_);
      ++titleDialogs_;
      if (previous) previousTitle_ = previous->Title;
      return titlesAnswer_;
    };
    PrescanHooks().VoidFitResults = [this](TDataSession& s) { voided_ += &s == &session_ ? 1 : 100; };
  }
  void TearDown() override {
    PrescanHooks().VoidFitResults = nullptr;
    DataFileHooks() = TDataFileHooks{};
    ImportReaders().ChooseColumns = nullptr;
    TableTest::TearDown();
  }
  int Import(const std::string& name, const std::string& text, int filtered = 0) {
    session_.DataFileName = dir_.Write(name, text);
    return ImportDataFile(session_, filtered);
  }
  // A table of 10 points, loaded as the user would.
  void LoadTen() {
    ASSERT_EQ(Import("ten.txt", "\"Ten\"\nx\ny\nz\n" + Points(10)), 10);
    boxes_.reset();  // the old answerer puts back the service before it
    boxes_ = std::make_unique<platform::ScriptedAnswers>();
    voided_ = 0;
  }
  Texts BoxTexts() const {
    Texts out;
    for (const auto& b : boxes_->Boxes()) out.push_back(b.text);
    return out;
  }
  std::unique_ptr<platform::ScriptedAnswers> boxes_ = std::make_unique<platform::ScriptedAnswers>();
  int haveData_ = 0, haveFits_ = 1, titleDialogs_ = 0, titlesAnswer_ = 1, voided_ = 0;
  std::string previousTitle_;
};

TEST_F(DataFiles, ImportFillsTheTableAndRunsThePrescanAndTitles) {
  session_.DataTitles().Title = "before";
  EXPECT_EQ(Import("a.txt", Points(6)), 6);
  // Rows, the data and fit flags, fit results voided by the driver and then the pre-scan,
  // active points, titles dialogs and the unsaved mark.
  EXPECT_EQ((std::vector<int>{session_.Table.XYZRows(), haveData_, haveFits_, voided_, session_.DataStats.ActiveCount, titleDialogs_, session_.DataUnsaved}),
            (std::vector<int>{6, 1, 0, 2, 6, 1, 0}));
  EXPECT_EQ(previousTitle_, "before");
  EXPECT_EQ(session_.DataTitles().Title, session_.DataFileName.substr(0, 80));  // no title in the file: the path
  EXPECT_EQ(session_.DataFileLabel, session_.DataFileName);
  EXPECT_TRUE(boxes_->Boxes().empty());
}

TEST_F(DataFiles, MalformedFileLeavesTheTableExactlyAsItWas) {
  LoadTen();
  const std::string before = TableBytes(session_.Table);
  const TDataTitles titles = session_.DataTitles();
  const TDataStats stats = session_.DataStats;
  for (const std::string& text :
       {std::string("TABLE\n0,1\n\"\"\nVECTORS\n0,3\n\"\"\nTUPLES\n0,9\n\"\"\nDATA\n0,0\n\"\"\n"
                    "-1,0\nBOT\n0,1\nV\n0,2\nV\n0,3\nV\n-1,0\nBOT\n0,1\nV\n0,2\nV\n0,3\nV\n"),
        std::string("1 2 3\n4 5 6\n7 8 9\n")}) {
    for (int append : {0, 1}) {
      session_.AppendMode = append;
      ImportReaders().ChooseColumns = [](const std::string&, const std::string&, int, int&, int&, TImportColumns& c) {
        c.ImportColX = 0, c.ImportColY = 1, c.ImportColZ = 2, c.ImportColW = -1;
        return 1;
      };
      const bool dif = text[0] == 'T';
      EXPECT_EQ(Import(dif ? "bad.dif" : "three.txt", text), dif ? 0 : 3);
      EXPECT_EQ(TableBytes(session_.Table), before);
      EXPECT_EQ(session_.Table.XYZRows(), 10);
      EXPECT_EQ(Row(11).Status, 0);  // nothing of the failed read stays behind the table
      EXPECT_EQ(session_.DataTitles().Title, titles.Title);
      EXPECT_EQ(session_.DataStats.ActiveCount, stats.ActiveCount);
      EXPECT_EQ(voided_, 0);  // the fit results still describe the data
      EXPECT_EQ(haveData_, 1);
    }
  }
  const auto boxes = boxes_->Boxes();
  ASSERT_EQ(boxes.size(), 4u);
  EXPECT_EQ(boxes[2].text, "Number of Points Read 3\nMin 4 XYZ Points Required");
  EXPECT_EQ(boxes[2].caption, session_.DataFileName);
}

TEST_F(DataFiles, RefusedKindsTouchNothing) {
  LoadTen();
  const std::string before = TableBytes(session_.Table);
  EXPECT_EQ(Import("two.txt", "1 2\n3 4\n5 6\n7 8\n9 10\n"), 0);
  EXPECT_EQ(Import("two.dif", std::string("TABLE\n0,1\n\"\"\nVECTORS\n0,2\n\"\"\nTUPLES\n0,1\n\"\"\n"
                                          "DATA\n0,0\n\"\"\n-1,0\nEOD\n")),
            0);
  // A workbook: its columns cannot be chosen without the column dialog, so it is refused
  // before anything is read.
  EXPECT_EQ(Import("book.xls", ReadText(FixturePath("gnumeric_biff8.xls"))), 0);
  session_.DataFileName = dir_.File("missing.txt");
  EXPECT_EQ(ImportDataFile(session_, 0), 0);
  EXPECT_EQ(TableBytes(session_.Table), before);
  EXPECT_EQ(BoxTexts(), (Texts{"Data Contains Fewer Than 3 Columns", "Data Contains Fewer Than 3 Columns",
                               "Files of This Kind Cannot Be Read Yet", dir_.File("missing.txt")}));
  EXPECT_EQ(boxes_->Boxes()[3].caption, "File Not Found");
}

// Files the driver cannot use say why, and the table stays exactly as it was.
TEST_F(DataFiles, UnusableFilesTellTheirCauseAndKeepTheTable) {
  struct Case {
    const char* name;
    std::string file, text;
    int result;
    Texts boxes;
  };
  std::string labels;
  for (int i = 1; i <= 6; ++i) labels += "A" + std::to_string(i) + " " + std::to_string(i) + " 0\n";
  const Case cases[] = {
      {"an empty file is not a missing one", "empty.txt", "", 0, {"File is Empty"}},
      {"four numeric columns need the columns chosen", "four.txt",
       "1 2 3 4\n5 6 7 8\n9 10 11 12\n13 14 15 16\n17 18 19 20\n", 0,
       {"Data Contains More Than 3 Columns\nAn XYZ Data File Holds X, Y and Z Columns Only"}},
      {"labelled lines are neither titles nor points", "labels.txt", labels, 0,
       {"Number of Points Read 0\nMin 4 XYZ Points Required\n"
        "Lines Skipped Because a Value Is Missing or Not a Number: 6"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LoadTen();
    const std::string before = TableBytes(session_.Table);
    EXPECT_EQ(Import(c.file, c.text), c.result);
    EXPECT_EQ(TableBytes(session_.Table), before);
    EXPECT_EQ(session_.Table.XYZRows(), 10);
    EXPECT_EQ(session_.DataTitles().Title, "Ten");
    EXPECT_EQ(voided_, 0);
    EXPECT_EQ(BoxTexts(), c.boxes);
    if (!boxes_->Boxes().empty()) {
      EXPECT_EQ(boxes_->Boxes()[0].caption, session_.DataFileName);
    }
  }
}

// A read that loses part of the file says what it lost: lines that were no points, and the
// points beyond the table's capacity of 16384, which the table is filled to.
TEST_F(DataFiles, LossesOfAReadAreReported) {
  EXPECT_EQ(Import("mixed.txt", "\"Run\"\n1 2 3\n4 5 6\nB7 8 9\n7 8 9\nC8 3 1\n10 11 12\n"), 4);
  EXPECT_EQ(session_.DataTitles().Title, "Run");
  EXPECT_EQ(RowOf(3), Point(7, 8, 9));
  EXPECT_EQ(BoxTexts(), Texts{"Lines Skipped Because a Value Is Missing or Not a Number: 2"});

  std::string big;
  for (int i = 1; i <= 20000; ++i) big += std::to_string(i) + " 1 2\n";
  boxes_.reset();  // the old answerer puts back the service before it
  boxes_ = std::make_unique<platform::ScriptedAnswers>();
  EXPECT_EQ(Import("big.txt", big), kXYZMaxPoints);
  EXPECT_EQ(session_.Table.XYZRows(), kXYZMaxPoints);
  EXPECT_EQ(Row(kXYZMaxPoints).X, kXYZMaxPoints);
  EXPECT_EQ(BoxTexts(), Texts{"The File Holds 20000 Points, 16384 Were Read\n"
                              "The Data Table Holds at Most 16384 Points"});

  // Appending to a full table: no room at all, nothing read, the table kept.
  session_.AppendMode = 1;
  boxes_.reset();
  boxes_ = std::make_unique<platform::ScriptedAnswers>();
  const std::string before = TableBytes(session_.Table);
  EXPECT_EQ(Import("more.txt", Points(5)), 0);
  EXPECT_EQ(TableBytes(session_.Table), before);
}

// A compressed statistics-package file of two million cases: the count stops at its bound
// once the table is full, and the message says "more than".
TEST_F(DataFiles, AHugeCompressedFileIsCountedToTheBound) {
  std::vector<std::uint8_t> bytes = BuildSavFile(
      {{"XVAR", 0, "x"}, {"YVAR", 0, "y"}, {"ZVAR", 0, "z"}, {"ACTIVE", 0, "State"}, {"WEIGHT", 0, "Weights"}});
  AppendCompressedCases(bytes, {1, 2, 3, 1, 1}, 2 * kPointsCountBound);
  session_.DataFileName = dir_.Write("huge.sav", bytes);
  EXPECT_EQ(ImportDataFile(session_, 0), kXYZMaxPoints);
  EXPECT_EQ(session_.Table.XYZRows(), kXYZMaxPoints);
  EXPECT_EQ(BoxTexts(), Texts{"The File Holds More Than 1000000 Points, 16384 Were Read\n"
                              "The Data Table Holds at Most 16384 Points"});
}

// A digital filter that keeps fewer points than the table holds stops at the bound all the
// same, and says so; a read the user cancels leaves the table as it was, without a word.
TEST_F(DataFiles, AFilteredHugeFileStopsAtTheBoundAndACancelledReadKeepsTheTable) {
  std::vector<std::uint8_t> bytes = BuildSavFile(
      {{"XVAR", 0, "x"}, {"YVAR", 0, "y"}, {"ZVAR", 0, "z"}, {"ACTIVE", 0, "State"}, {"WEIGHT", 0, "Weights"}});
  AppendCompressedCases(bytes, {1, 2, 3, 1, 1}, 2 * kPointsCountBound);
  session_.DataFileName = dir_.Write("huge.sav", bytes);
  CurrentSettings().FilterStep = 1000;
  CurrentSettings().FilterStart = 1;
  int asked = 0;
  DataFileHooks().ReadProgress = [&](const std::string& path, std::string_view text) {
    EXPECT_EQ(path, session_.DataFileName);
    EXPECT_EQ(text, "Digitally Filtering Data...");
    return [&](int) { return ++asked < 1000000; };
  };
  EXPECT_EQ(ImportDataFile(session_, 1), 1000);
  EXPECT_EQ(asked, kPointsCountBound / kReadProgressStep);
  EXPECT_EQ(BoxTexts(), Texts{"The File Holds More Than 1000000 Records, Reading Stopped There\n"
                              "1000 Points Were Read"});

  DataFileHooks().ReadProgress = nullptr;
  LoadTen();
  const std::string before = TableBytes(session_.Table);
  session_.DataFileName = dir_.Write("huge.sav", bytes);
  DataFileHooks().ReadProgress = [](const std::string&, std::string_view) {
    return [](int) { return false; };
  };
  EXPECT_EQ(ImportDataFile(session_, 0), 0);
  EXPECT_EQ(TableBytes(session_.Table), before);
  EXPECT_EQ(session_.Table.XYZRows(), 10);
  EXPECT_TRUE(BoxTexts().empty());
  EXPECT_EQ(voided_, 0);
}

// A file name outside ASCII becomes the title in the program's coded text, not as the
// UTF-8 bytes of the file system shown one by one.
TEST_F(DataFiles, NonAsciiName) {
  EXPECT_EQ(Import("messwerte_\xC3\xBC.dat", Points(5)), 5);
  const std::string& title = session_.DataTitles().Title;
  EXPECT_NE(title.find("messwerte_\xFC.dat"), std::string::npos) << title;
  EXPECT_EQ(title.find('\xC3'), std::string::npos);
}

TEST_F(DataFiles, DigitalFilterAndStandardDeviationsAsWeights) {
  CurrentSettings().FilterStep = 3;
  CurrentSettings().FilterStart = 2;
  EXPECT_EQ(Import("f.txt", Points(15), 1), 4);
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(Row(i).X, 3 * i + 1);  // 4, 7, 10, 13

  ImportReaders().ChooseColumns = [](const std::string&, const std::string&, int kind, int&, int& sd,
                                     TImportColumns& c) {
    EXPECT_EQ(kind, 4);
    c.ImportColX = 1, c.ImportColY = 2, c.ImportColZ = 3, c.ImportColW = 4;
    sd = 1;
    return 1;
  };
  EXPECT_EQ(Import("w.txt", "1 2 3 2\n2 5 6 0\n3 8 9 4\n4 1 1 1\n5 2 2 0.5\n"), 5);
  // Weight 1 / sd^2; a deviation of 0 gives weight 1.
  const long double weights[] = {0.25L, 1, 0.0625L, 1, 4};
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(Row(i).W, weights[i - 1]) << i;
  EXPECT_EQ(Row(0).Marker, '0');
  EXPECT_EQ(CurrentSettings().WeightsAreSD, 1);
}

TEST_F(DataFiles, CancelledDialogs) {
  ImportReaders().ChooseColumns = [](const std::string&, const std::string&, int, int&, int&,
                                     TImportColumns&) { return 2; };
  EXPECT_EQ(Import("m.txt", "1 2 3 4 5\n1 2 3 4 5\n1 2 3 4 5\n1 2 3 4 5\n"), 0);
  EXPECT_EQ(session_.Table.XYZRows(), 0);
  titlesAnswer_ = 0;
  EXPECT_EQ(Import("t.txt", Points(5)), -1);
  EXPECT_EQ(session_.Table.XYZRows(), 5);  // the data stay

  // A "Yes, save" that did not save (the user cancelled the save dialog) cancels the import.
  session_.DataUnsaved = 1;
  DataFileHooks().SaveAs = [](TDataSession&) {};
  boxes_->Answer(platform::kIdYes);
  EXPECT_EQ(ConfirmDiscardData(session_), 2);
  boxes_->Answer(platform::kIdNo);
  EXPECT_EQ(ConfirmDiscardData(session_), 1);
  EXPECT_EQ(session_.DataUnsaved, 0);
}

TEST_F(DataFiles, SaveAsTextOfFourPointsAndItsFailures) {
  ASSERT_EQ(Import("four.txt", "\"T\"\nx\ny\nz\n1 2 3\n4 5 6\n7 8 9\n1 0 1\n"), 4);
  session_.DataUnsaved = 1;
  const std::string out = dir_.File("saved.prn");
  EXPECT_EQ(SaveDataAs(session_, out), 1);
  EXPECT_EQ(std::filesystem::file_size(out), 320u);
  EXPECT_EQ(session_.DataUnsaved, 0);
  EXPECT_EQ(session_.DataFileLabel, out);
  EXPECT_EQ(CurrentSettings().recentFiles[0], out);
  for (auto [name, size] : {std::pair{"s.wk1", 1636u}, {"s.wk3", 693u}}) {
    EXPECT_EQ(SaveDataAs(session_, dir_.File(name)), 1);
    EXPECT_EQ(std::filesystem::file_size(dir_.File(name)), size);
  }

  // The text reads back as it was written.
  const std::string before = TableBytes(session_.Table);
  session_.DataFileName = out;
  EXPECT_EQ(ImportDataFile(session_, 0), 4);
  EXPECT_EQ(TableBytes(session_.Table), before);
  EXPECT_EQ(session_.DataTitles().Title, "T");
  // So does the statistics-package file, as the program's own kind.
  EXPECT_EQ(SaveDataAs(session_, dir_.File("s.sav")), 1);
  session_.DataFileName = dir_.File("s.sav");
  EXPECT_EQ(ImportDataFile(session_, 0), 4);
  EXPECT_EQ(session_.ImportFileKind, 24);
  EXPECT_EQ(TableBytes(session_.Table), before);
  EXPECT_EQ(session_.DataTitles().Title, "T");

  session_.DataUnsaved = 1;
  std::filesystem::create_directory(dir_.File("folder.prn"));  // a write that must fail
  std::filesystem::create_directory(dir_.File("folder.sav"));
  for (const std::string& bad : {dir_.File("folder.prn"), dir_.File("x.rtf"), dir_.File("folder.sav")}) {
    EXPECT_EQ(SaveDataAs(session_, bad), 0) << bad;
    EXPECT_EQ(session_.DataUnsaved, 1);
    EXPECT_FALSE(std::filesystem::is_regular_file(bad));
  }
  EXPECT_EQ(boxes_->Boxes().back().text, "Unable to Save XYZ Data\n" + std::system_category().message(EISDIR));
}

// "Unable to Save XYZ Data" says why: the system's reason for the call that failed (here a
// file that may grow no further, as on a full disk), and the file already there is kept.
TEST_F(DataFiles, AFailedSaveSaysTheSystemsReason) {
  ASSERT_EQ(Import("four.txt", "\"T\"\nx\ny\nz\n1 2 3\n4 5 6\n7 8 9\n1 0 1\n"), 4);
  session_.DataUnsaved = 1;
  const std::string out = dir_.Write("kept.prn", "old\n");
  {
    FileSizeLimit limit(100);
    EXPECT_EQ(SaveDataAs(session_, out), 0);
  }
  EXPECT_EQ(BoxTexts(), Texts{"Unable to Save XYZ Data\n" + std::system_category().message(EFBIG)});
  EXPECT_EQ(boxes_->Boxes()[0].caption, out);
  EXPECT_EQ(ReadText(out), "old\n");
  EXPECT_EQ(session_.DataUnsaved, 1);
  // A file named as a folder on the way.
  EXPECT_EQ(SaveDataAs(session_, out + "/sub/made.prn"), 0);
  EXPECT_EQ(BoxTexts().back(), "Unable to Save XYZ Data\n" + std::system_category().message(ENOTDIR));
}

// A name whose extension is no data format (rich text, WordStar) is refused with the reason,
// as a list refuses .sav: "Unable to Save XYZ Data" alone left the user guessing why the
// Save As dialog came back.
TEST_F(DataFiles, AnExtensionOfNoDataFormatIsToldAsSuch) {
  ASSERT_EQ(Import("four.txt", "\"T\"\nx\ny\nz\n1 2 3\n4 5 6\n7 8 9\n1 0 1\n"), 4);
  session_.DataUnsaved = 1;
  for (const char* name : {"data.rtf", "data.RTF", "data.ws"}) {
    const std::string path = dir_.File(name);
    EXPECT_EQ(SaveDataAs(session_, path), 0) << name;
    EXPECT_FALSE(std::filesystem::exists(path)) << name;
    EXPECT_EQ(session_.DataUnsaved, 1);
    ASSERT_FALSE(boxes_->Boxes().empty());
    EXPECT_EQ(boxes_->Boxes().back().caption, path);
    const std::string ext = std::filesystem::path(name).extension().string();
    EXPECT_EQ(boxes_->Boxes().back().text,
              "Unable to Save XYZ Data\nA Data Table Is Not Written as a " + ext +
                  " File: Choose prn, dat, txt, wk1, wk3 or sav")
        << name;
  }
}

// Data read from a file are saved data; every other road into the table leaves data that
// need saving (pasted, appended or calculated data, the editor's text), unless they are the
// file's data as they were; a save makes them saved again, a failed one does not.
TEST_F(DataFiles, DataReadFromAFileAreSavedAndEveryOtherRoadNeedsSaving) {
  LoadTen();
  EXPECT_FALSE(DataNeedsSaving(session_));
  // The editor handing back the file's own text changes nothing; other text changes it.
  EXPECT_EQ(EvEditorData(session_, "\"Ten\"\nx\ny\nz\n" + Points(10)), 10);
  EXPECT_FALSE(DataNeedsSaving(session_));
  EXPECT_EQ(EvEditorData(session_, "\"Ten\"\nx\ny\nz\n" + Points(10, 1)), 10);
  EXPECT_TRUE(DataNeedsSaving(session_));
  // A replacing import asks about them (here: answered No) and its data are the file's.
  boxes_->Answer(platform::kIdNo);
  EXPECT_EQ(ConfirmDiscardData(session_), 1);
  EXPECT_EQ(BoxTexts(), Texts{"Save Current Data?"});
  LoadTen();
  EXPECT_FALSE(DataNeedsSaving(session_));

  session_.AppendMode = 1;
  EXPECT_EQ(Import("more.txt", Points(4, 20)), 4);
  EXPECT_TRUE(DataNeedsSaving(session_));
  session_.AppendMode = 0;
  LoadTen();

  // A calculation applied to the new data: the table no longer holds the file's values.
  DataFileHooks().CalculationDefined = [] { return true; };
  DataFileHooks().ApplyCalculation = [](TDataSession& s, int first) {
    for (int i = first; i <= s.Table.XYZRows(); ++i) s.Table.XYZData()[static_cast<std::size_t>(i)].Z += 1;
  };
  session_.ApplyCalcToNewData = 1;
  EXPECT_EQ(Import("calc.txt", Points(6)), 6);
  EXPECT_TRUE(DataNeedsSaving(session_));
  session_.ApplyCalcToNewData = 0;

  // Pasted data are no file's, even when their titles dialog is cancelled.
  titlesAnswer_ = 0;
  session_.DataFileName = dir_.Write("CLIPBRD.PRN", Points(6));
  EXPECT_EQ(ImportDataFile(session_, 0, kClipboardSourceName), -1);
  EXPECT_TRUE(DataNeedsSaving(session_));

  EXPECT_EQ(SaveDataAs(session_, dir_.File("kept.prn")), 1);
  EXPECT_FALSE(DataNeedsSaving(session_));
  std::filesystem::create_directory(dir_.File("folder.prn"));
  session_.Table.XYZData()[1].X = -7;
  EXPECT_EQ(SaveDataAs(session_, dir_.File("folder.prn")), 0);
  EXPECT_TRUE(DataNeedsSaving(session_));
}

TEST_F(DataFiles, RecentFilesKeepTheirCaseAndMoveToTheTop) {
  int changes = 0;
  DataFileHooks().RecentFilesChanged = [&] { ++changes; };
  auto& r = CurrentSettings().recentFiles;
  auto top = [&r] { return Texts(r.begin(), r.begin() + 3); };
  for (const char* p : {"/d/A.txt", "/d/B.txt", "/d/C.txt"}) AddRecentFile(p);
  EXPECT_EQ(top(), (Texts{"/d/C.txt", "/d/B.txt", "/d/A.txt"}));
  AddRecentFile("/d/B.txt");
  EXPECT_EQ(top(), (Texts{"/d/B.txt", "/d/C.txt", "/d/A.txt"}));
  AddRecentFile("/d/B.txt");  // already on top: nothing changes
  EXPECT_EQ(changes, 4);
  AddRecentFile("/d/b.txt");  // another file
  EXPECT_EQ(r[0], "/d/b.txt");
  for (const char* p : {"/1", "/2", "/3", "/4", "/5"}) AddRecentFile(p);
  EXPECT_EQ(r[0], "/5");
  EXPECT_EQ(r[4], "/1");
}

TEST_F(DataFiles, EditorTextReplacesTheTableWithoutTheTitlesDialog) {
  LoadTen();
  EXPECT_EQ(EvEditorData(session_, "\"From editor\"\nu\nv\nw\n" + Points(5)), 5);
  EXPECT_EQ(session_.Table.XYZRows(), 5);
  EXPECT_EQ(session_.DataTitles().Title, "From editor");
  EXPECT_EQ(titleDialogs_, 1);  // only the first import's
  const std::string before = TableBytes(session_.Table);
  EXPECT_EQ(EvEditorData(session_, "1 2 3\n"), 1);
  EXPECT_EQ(TableBytes(session_.Table), before);
  EXPECT_EQ(session_.DataFileLabel, session_.DataFileName);
}

TEST_F(DataFiles, EditorTextOfNoFileNamesNoSource) {
  ASSERT_TRUE(session_.DataFileName.empty());
  EXPECT_EQ(EvEditorData(session_, Points(5)), 5);
  EXPECT_EQ(session_.DataFileLabel, "");  // not the temporary copy, which is gone
}

// A file whose structure is broken (a dBASE table whose field lengths do not add up or whose
// header runs into its records, a worksheet without a cell, a DOS worksheet whose header is
// cut) opened an empty column dialog with no word. It is refused with the reading error
// before any dialog, on the import road and on the two-column road, and the table is kept.
TEST_F(DataFiles, DamagedFilesAreRefusedBeforeAnyColumnDialog) {
  Bytes lengths = DbaseTable({{"X", 'N', 8}, {"NOTE", 'C', 300}, {"Y", 'F', 10}, {"Z", 'N', 12}},
                             {{"1.5", "n", "2", "-3"}, {"4", "", "5", "6"}});
  lengths[32 + 32 + 17] = 0;  // the long field's high length byte lost
  Bytes record = DbaseTable({{"X", 'N', 8}, {"Y", 'N', 8}, {"Z", 'N', 8}}, {{"1", "2", "3"}, {"4", "5", "6"}});
  Put16(record, 10, 12);  // a record shorter than its fields
  const Bytes noCells = SheetBuilder().Wk1Bof().Record(1, {}).Take();
  const std::string cutMv5 = std::string("\x0A\x0DRokvel") + std::string(40, 'x');
  struct Case {
    const char* name;
    std::string bytes;
    const char* kindName;
  } cases[] = {
      {"lengths.dbf", {lengths.begin(), lengths.end()}, "dBASE III+/ IV"},
      {"record.dbf", {record.begin(), record.end()}, "dBASE III+/ IV"},
      {"empty.wk1", {noCells.begin(), noCells.end()}, "Lotus 123 WK1"},
      {"cut.mv5", cutMv5, "Merovane DOS MV5"},
  };
  int dialogs = 0;
  ImportReaders().ChooseColumns = [&dialogs](const std::string&, const std::string&, int, int&, int&,
                                             TImportColumns&) { return ++dialogs, 0; };
  ImportReaders().ChooseXYColumns = [&dialogs](platform::Window, const std::string&, int, TImportColumns&) { return ++dialogs, 0; };
  platform::ScriptedFiles files;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LoadTen();
    const std::string before = TableBytes(session_.Table);
    const std::string expected = std::string("Error Reading the File: It is Damaged or Not a ") + c.kindName +
                                 " File\nNothing Was Read";
    EXPECT_EQ(Import(c.name, c.bytes), 0);
    files.Answer(session_.DataFileName);
    int cancelled = 0;
    EXPECT_TRUE(ReadXYColumns(session_, nullptr, "Read Column of Values from File", cancelled).empty());
    EXPECT_EQ(dialogs, 0);
    EXPECT_EQ(BoxTexts(), (Texts{expected, expected}));
    EXPECT_EQ(boxes_->Boxes()[0].caption, session_.DataFileName);
    EXPECT_EQ(TableBytes(session_.Table), before);
    EXPECT_EQ(voided_, 0);
  }
  ImportReaders().ChooseXYColumns = nullptr;

  // A header that runs past the file's end: no probe takes the file, and it is not text.
  LoadTen();
  Bytes header = DbaseTable({{"X", 'N', 8}, {"Y", 'N', 8}, {"Z", 'N', 8}}, {{"1", "2", "3"}, {"4", "5", "6"}});
  Put16(header, 8, 0xFFFF);
  EXPECT_EQ(Import("header.dbf", {header.begin(), header.end()}), 0);
  EXPECT_EQ(BoxTexts(), Texts{"Error Reading the File: It is Damaged or of a Kind This Program Does Not Read\n"
                              "Nothing Was Read"});
  EXPECT_EQ(dialogs, 0);
}

// A dBASE table whose header counts 1000 records of which the file holds 30: the 30 are
// imported and the user is told the file is shorter than its header.
TEST_F(DataFiles, ADbaseFileShorterThanItsHeaderIsReadAndTold) {
  std::vector<std::vector<std::string>> records;
  for (int k = 1; k <= 30; ++k) records.push_back({std::to_string(k), std::to_string(k % 7), std::to_string(k * k)});
  Bytes b = DbaseTable({{"X", 'N', 8}, {"Y", 'N', 8}, {"Z", 'N', 8}}, records);
  Put32(b, 4, 1000);
  ImportReaders().ChooseColumns = [](const std::string&, const std::string&, int, int&, int&, TImportColumns& c) {
    c.ImportColX = 1, c.ImportColY = 2, c.ImportColZ = 3, c.ImportColW = -1;
    return 1;
  };
  EXPECT_EQ(Import("short.dbf", {b.begin(), b.end()}), 30);
  EXPECT_EQ(session_.Table.XYZRows(), 30);
  EXPECT_EQ(BoxTexts(), Texts{"The File is Shorter Than Its Header Says: It Holds 30 of the 1000 Records Counted"});
  EXPECT_EQ(boxes_->Boxes()[0].caption, session_.DataFileName);
}

TEST_F(DataFiles, TwoColumnReadGivesPairsOfTheShorterColumn) {
  platform::ScriptedFiles files;
  files.Answer(dir_.Write("xy.txt", "1 10\n2 20\n3 30\n4 40\n5 50\n6 60\n7 70\n8 80\n9\n10\n"));
  ImportReaders().ChooseXYColumns = [](platform::Window, const std::string&, int kind, TImportColumns& c) {
    EXPECT_EQ(kind, 2);
    c.ImportColX = 1, c.ImportColY = 2;
    return 1;
  };
  int cancelled = -1;
  const TXYPairs pairs = ReadXYColumns(session_, nullptr, "Read Column of Values from File", cancelled);
  EXPECT_EQ(cancelled, 0);
  ASSERT_EQ(pairs.size(), 9u);
  EXPECT_EQ(pairs[0].first, 8);
  EXPECT_EQ(pairs[8], (std::pair<long double, long double>{8, 80}));
  ImportReaders().ChooseXYColumns = nullptr;
  // A single-column file: refused, counted as cancelled.
  files.Answer(dir_.Write("one.txt", "1\n2\n3\n"));
  EXPECT_TRUE(ReadXYColumns(session_, nullptr, "t", cancelled).empty());
  EXPECT_EQ(cancelled, 1);
  EXPECT_EQ(boxes_->Boxes().back().caption, "Minimum 2 Columns Required");
}

// Files of other programs whose chosen columns hold an empty, text, error or missing cell:
// the two-column read pairs the values of one row, as the import does, and leaves the rows
// without a pair out (no missing value is handed on as an input).
TEST_F(DataFiles, TwoColumnReadPairsTheValuesOfOneRow) {
  using Pairs = std::vector<std::pair<double, double>>;
  struct Case {
    const char* file;
    int sheet, x, y;
    Pairs want;
  };
  // x and z of the gnumeric files: the second row's z is empty, the third's a text.
  const Pairs gnumeric = {{1, 3.5}, {-1500, 12}, {0.25, 0.01}, {100, 300}};
  const Case cases[] = {
      {"gnumeric_biff8.xls", 0, 0, 2, gnumeric},
      {"gnumeric_biff7.xls", 0, 0, 2, gnumeric},
      {"gnumeric_points.dif", 0, 0, 2, gnumeric},
      // Sheet "Data": the fourth row's height divides by zero.
      {"libreoffice_book.xls", 1, 0, 2,
       {{1.5, 3.25}, {4, 6}, {7, 9}, {13, 15}, {16, 18}, {19, 21}, {22, 24}, {25, 27}, {28, 85}}},
      // PSPP: z's missing value 999 in the second case, x system-missing in the last.
      {"pspp_compressed.sav", 0, 1, 3, {{1, 3.5}, {7, 9}, {-1500, 12}, {0.25, 0.01}, {100, 300}, {2.5, 4.5}}},
      {"pspp_uncompressed.sav", 0, 2, 1, {{2, 1}, {5, 4}, {8, 7}, {11, -1500}, {-3, 0.25}, {200, 100}, {3.5, 2.5}}},
  };
  platform::ScriptedFiles files;
  for (const Case& c : cases) {
    files.Answer(FixturePath(c.file).string());
    ImportReaders().ChooseXYColumns = [&c](platform::Window, const std::string&, int, TImportColumns& chosen) {
      chosen.ImportColX = c.x, chosen.ImportColY = c.y;
      chosen.ImportSheetX = chosen.ImportSheetY = c.sheet;
      return 1;
    };
    int cancelled = -1;
    const TXYPairs pairs = ReadXYColumns(session_, nullptr, "Read Column of Values from File", cancelled);
    EXPECT_EQ(cancelled, 0) << c.file;
    ASSERT_FALSE(pairs.empty()) << c.file;
    EXPECT_EQ(pairs[0].first, static_cast<long double>(c.want.size())) << c.file;
    Pairs got;
    for (std::size_t i = 1; i < pairs.size(); ++i)
      got.push_back({static_cast<double>(pairs[i].first), static_cast<double>(pairs[i].second)});
    EXPECT_EQ(got, c.want) << c.file;
  }
  ImportReaders().ChooseXYColumns = nullptr;
}

}  // namespace

namespace {

// Characters of a file's titles that the program's Windows-1252 lacks are shown as '?', and
// every reader says how many of them its titles hold: a UTF-8 title "Ω温度 Survey" became
// "??? Survey" without a word, where the file viewer told the loss of the same file. Only the
// titles taken count: a name in a column not chosen is no loss.
TEST_F(DataFiles, CharactersTheTitlesLackAreToldOnEveryReadingRoad) {
  const std::string omega = "\xCE\xA9", heat = "\xE6\xB8\xA9\xE5\xBA\xA6";  // Ω and 温度 in UTF-8
  EXPECT_EQ(Import("omega.txt", "\"" + omega + heat + " Survey\"\n\"x\"\n\"y\"\n\"z\"\n" + Points(5)), 5);
  EXPECT_EQ(session_.DataTitles().Title, "??? Survey");
  EXPECT_EQ(BoxTexts(), Texts{"3 Characters of the File's Titles Lie Beyond Windows-1252\nThey Are Shown as ?"});
  boxes_.reset();
  boxes_ = std::make_unique<platform::ScriptedAnswers>();
  EXPECT_EQ(Import("plain.txt", "\"Survey \xC2\xB0" "C\"\n" + Points(5)), 5);  // ° is Windows-1252's
  EXPECT_EQ(BoxTexts(), Texts{});

  const auto read = [this](const std::string& name, const auto& bytes, auto reader, int x = 1, int y = 2, int z = 3) {
    const TReadResult r = reader(ChosenColumns(dir_.Write(name, bytes), x, y, z));
    EXPECT_EQ(r.Count(), 4) << name;
    return std::pair{r.unheldCharacters, r.titles};
  };
  // A heading of quoted names.
  EXPECT_EQ(read("heading.txt", "\"x\"\t\"" + omega + "\"\t\"z\"\n" + Points(4), ReadAsciiXYZ).first, 1);
  // A multi-column heading: the chosen columns' names count, the others' do not.
  std::string four;
  for (int i = 1; i <= 4; ++i) four += "9 " + std::to_string(i) + " 2 3\n";
  EXPECT_EQ(read("multi.txt", "\"" + omega + "\" \"x\" \"" + omega + "y\" \"z\"\n" + four, ReadAsciiMultiColumn, 2, 3, 4).first,
            1);
  // A DIF string cell naming Y.
  std::string dif = "TABLE\n0,1\n\"\"\nVECTORS\n0,3\n\"\"\nDATA\n0,0\n\"\"\n-1,0\nBOT\n1,0\n\"x\"\n1,0\n\"" + omega +
                    "\"\n1,0\n\"z\"\n";
  for (int i = 1; i <= 4; ++i) dif += "-1,0\nBOT\n0," + std::to_string(i) + "\nV\n0,1\nV\n0,2\nV\n";
  dif += "-1,0\nEOD\n";
  const auto difRead = read("names.dif", dif, ReadDif, 0, 1, 2);
  EXPECT_EQ(difRead.first, 1);
  EXPECT_EQ(difRead.second.YName, "?");
  // A Lotus label in code page 850: its light shade (0xB0) has no place in Windows-1252, its
  // e acute (0x82) has.
  SheetBuilder wk1;
  wk1.Wk1Bof().Wk1Label(0, 0, "x\x82").Wk1Label(1, 0, "\xB0y").Wk1Label(2, 0, "z");
  for (int i = 1; i <= 4; ++i) wk1.Wk1Number(0, i, i).Wk1Number(1, i, 2).Wk1Number(2, i, 3);
  const auto lotus = read("names.wk1", wk1.Wk1Eof().Take(), ReadWorksheet, 0, 1, 2);
  EXPECT_EQ(lotus.first, 1);
  EXPECT_EQ(lotus.second.XName, "x\xE9");
  // A BIFF8 sheet whose shared strings hold Omega in UTF-16.
  SheetBuilder biff;
  biff.BiffBof(0x0809, 0x0600, 0x0010);
  biff.Record(0x00FC, {3, 0, 0, 0, 3, 0, 0, 0, 1, 0, 0, 'x', 1, 0, 1, 0xA9, 0x03, 1, 0, 0, 'z'});
  biff.BiffLabelSst(0, 0, 0).BiffLabelSst(0, 1, 1).BiffLabelSst(0, 2, 2);
  for (int i = 1; i <= 4; ++i) biff.BiffNumber(i, 0, i).BiffNumber(i, 1, 2).BiffNumber(i, 2, 3);
  const auto excel = read("names.xls", biff.BiffEof().Take(), ReadExcelBiff, 0, 1, 2);
  EXPECT_EQ(excel.first, 1);
  EXPECT_EQ(excel.second.YName, "?");
}

}  // namespace
