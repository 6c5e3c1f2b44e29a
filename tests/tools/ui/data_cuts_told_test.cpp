// Every road that leaves data out tells the user how much and where it stops, before or as it
// happens: the evaluation table's Read From File (its column-pair readers stopped at 16,383
// rows without a word, whatever the file's kind), the sibling product's Windows worksheet read
// whole (it stopped at 16,383 rows and counted nothing past them), a text file's columns past
// the 127th (neither listed nor read), a generation into a table
// that fills, Fill Sparse Grid giving up a grid too large to fill for a uniform one, the
// ASCII editor's text handed to a table too small for it, titles longer than their fields,
// a long list's plain-text copy and its text for the ASCII editor, a user function file
// longer than a function holds (its name and text were cut without a word), and the grid
// editor's full table.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTimer>

#include <cstring>

#include <string>
#include <vector>

#include "app/data_files.h"
#include "app/data_session.h"
#include "app/data_statistics.h"
#include "app/import_readers.h"
#include "app/point_table.h"
#include "app/settings_file.h"
#include "app/worksheet_records.h"
#include "app/ui/modal_answers.h"
#include "exchange/ascii_readers.h"
#include "exchange/column_choice.h"
#include "exchange/dbase_builder.h"
#include "exchange/import_registration.h"
#include "exchange/mvw_builder.h"
#include "exchange/mvw_reader.h"
#include "exchange/sav_writers.h"
#include "graph3d/graph_options.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "smooth/ui/regrid_windows.h"
#include "smooth/ui/smoothing_commands.h"
#include "support/scratch_files.h"
#include "tools/grid_editor_model.h"
#include "tools/udf/udf_files.h"
#include "tools/ui/evaluation_dialog.h"
#include "tools/ui/generation_dialogs.h"

// A list window of `rows` rows of 99 characters, copied, then handed to the ASCII editor
// (data_cuts_told_lists.cpp: the list's key names clash with the grid editor's).
void CopyALongListAndHandItToTheEditor(int rows);

namespace {

using namespace exchange_test;

// Row i of every file: X = i, Y = 2i, Z = 3i (exact in every format).
constexpr int kRows = 20000;
constexpr int kLeftOut = kRows - kMaxColumnValues;  // 3617

// The texts of the boxes shown since `from`.
std::vector<std::string> TextsSince(const platform::ScriptedAnswers& answers, std::size_t from) {
  std::vector<std::string> texts;
  for (std::size_t k = from; k < answers.Boxes().size(); ++k) texts.push_back(answers.Boxes()[k].text);
  return texts;
}

std::string TextRows(int n) {
  std::string text;
  for (int i = 1; i <= n; ++i) text += std::to_string(i) + " " + std::to_string(2 * i) + " " + std::to_string(3 * i) + "\n";
  return text;
}

std::string DifRows(int n) {
  std::string text = "TABLE\n0,1\n\"\"\nVECTORS\n0,3\n\"\"\nTUPLES\n0," + std::to_string(n) + "\n\"\"\nDATA\n0,0\n\"\"\n";
  for (int i = 1; i <= n; ++i)
    text += "-1,0\nBOT\n0," + std::to_string(i) + "\nV\n0," + std::to_string(2 * i) + "\nV\n0," + std::to_string(3 * i) +
            "\nV\n";
  return text + "-1,0\nEOD\n";
}

std::vector<std::uint8_t> DbaseRows(int n) {
  std::vector<std::vector<std::string>> records;
  for (int i = 1; i <= n; ++i) records.push_back({std::to_string(i), std::to_string(2 * i), std::to_string(3 * i)});
  return DbaseTable({{"X", 'N', 8}, {"Y", 'N', 8}, {"Z", 'N', 8}}, records);
}

std::vector<std::uint8_t> Wk1Rows(int n) {
  TWorksheetImage image(1, 2, n - 1);
  for (int i = 1; i <= n; ++i) {
    image.Number(0, i - 1, i);
    image.Number(1, i - 1, 2 * i);
    image.Number(2, i - 1, 3 * i);
  }
  return image.Finish();
}

PointTable PointRows(int n) {
  PointTable table = NewPointTable(n);
  for (int i = 1; i <= n; ++i) table[static_cast<std::size_t>(i)] = TXYZPoint{1.0L * i, 2.0L * i, 3.0L * i, 1, kPointActive};
  return table;
}

std::vector<std::uint8_t> MvwRows(int n) {
  std::vector<MvwColumn> columns = {{0, "X", {}}, {1, "Y", {}}, {2, "Z", {}}};
  for (int i = 1; i <= n; ++i)
    for (std::size_t c = 0; c < 3; ++c) columns[c].cells.push_back(MvwNumber(static_cast<long double>((c + 1) * i)));
  return BuildMvw(columns);
}

// z = x + y over [0, 100]^2.
TEvalSurface Plane() {
  TEvalSurface s;
  s.z = [](long double x, long double y) { return x + y; };
  s.xMin = 0, s.xMax = 100, s.yMin = 0, s.yMax = 100, s.zMin = 0, s.zMax = 200;
  return s;
}

// Answers "Generate" with a source (0 grid, 1 file) into the table, values of Z.
void ChooseSource(TGenASCII* g, int source) {
  g->Button(571 + source)->setChecked(true);
  g->Button(573)->setChecked(true);
  g->Button(560 + kEvalZ)->setChecked(true);
  g->accept();
}

TEST(DataCutsAreTold, EveryRoadThatLeavesDataOutSaysHowMuchAndWhereItStops) {
  const ProgramSettings saved = CurrentSettings();
  CurrentSettings() = DefaultSettings(1280, 1024);
  RegisterImportReaders();
  platform::ScriptedAnswers answers;
  platform::ScriptedFiles files;
  ScratchDir dir;

  const std::string text = dir.Write("rows.txt", TextRows(kRows));
  {
    SCOPED_TRACE("the column pairs of every kind of file count the rows past their room");
    const std::string savPath = dir.File("rows.sav");
    const PointTable points = PointRows(kRows);
    ASSERT_EQ(WriteOkapSavXYZ(savPath, points).status, SavWriteStatus::kWritten);
    const struct {
      const char* name;
      int kind;
      std::string path;
      std::vector<int> columns;  // X and Y as the kind numbers its columns
    } kinds[] = {
        {"text", 3, text, {1, 2}},
        {"DIF", 18, dir.Write("rows.dif", DifRows(kRows)), {0, 1}},
        {"dBASE", 5, dir.Write("rows.dbf", DbaseRows(kRows)), {1, 2}},
        {"Lotus", 8, dir.Write("rows.wk1", Wk1Rows(kRows)), {0, 1}},
        {"statistics package", 23, savPath, {1, 2}},
        {"Windows worksheet", 15, dir.Write("rows.mvw", MvwRows(kRows)), {1, 2}},
    };
    for (const auto& k : kinds) {
      SCOPED_TRACE(k.name);
      const TPairedColumns pairs = ImportReaders().ReadColumnPairs[static_cast<std::size_t>(k.kind)](k.path, 0, k.columns);
      ASSERT_EQ(pairs.size(), 2u);
      ASSERT_EQ(pairs[0][0], kMaxColumnValues);
      EXPECT_EQ(pairs[0][kMaxColumnValues], kMaxColumnValues);
      EXPECT_EQ(pairs[1][kMaxColumnValues], 2 * kMaxColumnValues);
      EXPECT_EQ(pairs.rowsLeftOut, kLeftOut);
      EXPECT_FALSE(pairs.moreLeftOut);
    }
  }
  {
    SCOPED_TRACE("a text file of 1,000 columns offers and reads every column");
    // Row r, column c: c + r / 8 (exact); a title row names the columns.
    std::string wide;
    for (int c = 1; c <= 1000; ++c) wide += (c > 1 ? "," : "") + std::string("c") + std::to_string(c);
    wide += "\n";
    for (int r = 1; r <= 6; ++r) {
      for (int c = 1; c <= 1000; ++c) wide += (c > 1 ? "," : "") + std::to_string(c) + "." + std::to_string(r * 125);
      wide += "\n";
    }
    const std::string path = dir.Write("wide.csv", wide);
    std::vector<std::string> list;
    ASSERT_EQ(ListAsciiColumns(path, list), 1000);
    ASSERT_EQ(list.size(), 1000u);
    EXPECT_EQ(list[999].substr(0, 16), "1000 c1000  1000");
    EXPECT_EQ(ParseColumnEntry(4, list[999]).column, 1000);
    EXPECT_EQ(ParseColumnEntry(4, list[127]).column, 128);
    EXPECT_EQ(ParseColumnEntry(4, list[8]).column, 9);
    TReadArgs args;
    args.path = path;
    args.colX = 1, args.colY = 500, args.colZ = 1000;
    const TReadResult read = ReadAsciiMultiColumn(args);
    ASSERT_EQ(read.Count(), 6);
    EXPECT_EQ(read.titles.ZName, "c1000");
    EXPECT_EQ(read.points[5].X, 1.75L);
    EXPECT_EQ(read.points[5].Y, 500.75L);
    EXPECT_EQ(read.points[5].Z, 1000.75L);
  }
  {
    SCOPED_TRACE("a Windows worksheet read whole counts the points past the table's room");
    TReadArgs args;
    args.path = dir.File("rows.mvw");
    args.colX = 1, args.colY = 2, args.colZ = 3;
    const TReadResult read = ReadMvw(args);
    EXPECT_EQ(read.Count(), kXYZMaxPoints);
    EXPECT_EQ(read.pointsInFile, kRows);
    EXPECT_EQ(read.pointsCut, kRows - kXYZMaxPoints);
  }
  {
    SCOPED_TRACE("the evaluation table's Read From File tells the pairs left out before computing");
    TDataSession session;
    auto* dialog = new TDlgEval(nullptr, "Plane", Plane(), session);
    dialog->show();
    ImportReaders().ChooseXYColumns = [](platform::Window, const std::string&, int, TImportColumns& c) {
      c.ImportColX = 1, c.ImportColY = 2;
      return 1;
    };
    files.Answer(text);
    const std::size_t before = answers.Boxes().size();
    {
      ModalAnswer<TGenASCII> generate([](TGenASCII* g) { ChooseSource(g, 1); });
      dialog->Button(kEvalGenerate)->click();
    }
    EXPECT_EQ(TextsSince(answers, before),
              std::vector<std::string>{"3,617 of the File's 20,000 Value Pairs Were Left Out: at Most 16,383 Are Read\n"
                                       "The Pairs Read Stop at X = 16383, Y = 32766"});
    EXPECT_EQ(dialog->Table().LineCount(), kMaxColumnValues);
    ImportReaders().ChooseXYColumns = nullptr;

    SCOPED_TRACE("a generation into a table that fills tells the inputs left out and where its lines stop");
    dialog->Button(kEvalClearTable)->click();
    for (int round = 0; round < 2; ++round) {
      const std::size_t from = answers.Boxes().size();
      ModalAnswer<TGenASCII> generate([](TGenASCII* g) { ChooseSource(g, 0); });
      ModalAnswer<TGenParms> range([](TGenParms* p) {
        const char* values[6] = {"0", "1", "99", "0", "1", "99"};  // 10,000 pairs
        for (int k = 0; k < 6; ++k) p->Edit(576 + k)->setText(values[k]);
        p->accept();
      });
      dialog->Button(kEvalGenerate)->click();
      if (round == 0) {
        EXPECT_EQ(TextsSince(answers, from), std::vector<std::string>{});
      } else {
        // 16,384 - 10,000 lines found room: input 6,384 is (63, 83).
        EXPECT_EQ(TextsSince(answers, from),
                  std::vector<std::string>{"3,616 of the 10,000 Inputs Were Left Out: the Table Holds at Most 16,384 "
                                           "Lines\nIts Lines Stop at the Input X = 63, Y = 83\nClear the Table to Go On"});
      }
    }
    EXPECT_EQ(dialog->Table().LineCount(), 16384);
    delete dialog;
  }
  {
    SCOPED_TRACE("Fill Sparse Grid tells that a grid too large to fill becomes a uniform one");
    // 400 points on 200 distinct x and 150 distinct y: a sparse grid of 30,000 nodes.
    PointTable table(1);
    for (int i = 0; i < 400; ++i)
      table.push_back(TXYZPoint{1.0L * (i % 200), 1.0L * ((i * 37) % 150), 0.01L * i, 1, kPointActive});
    SetPointCount(table, 400);
    TDataSession session;
    ASSERT_TRUE(session.Table.ReplaceDataTable(std::move(table)));
    ASSERT_GT(ComputeDataStatistics(session.Table, session.DataStats), 0);
    ProgramSettings& settings = CurrentSettings();
    const std::size_t before = answers.Boxes().size();
    bool noted = false;
    QTimer::singleShot(0, [&noted] {
      auto* window = qobject_cast<TFSSpline*>(ActiveDialog());
      if (window == nullptr) {
        ADD_FAILURE() << "the sparse-grid window is not the modal one";
        if (QWidget* other = ActiveDialog()) other->close();
        return;
      }
      noted = window->Control<QLabel>(TRegridWindow::kGridTooLarge)->isVisibleTo(window);
      window->reject();
    });
    RunSparseGridWindow(nullptr, session, settings);
    EXPECT_EQ(TextsSince(answers, before),
              std::vector<std::string>{"The Data's Grid of 200 x 150 = 30,000 Nodes Is More Than the 16,384 a Sparse "
                                       "Grid Fills\nA Uniform 25 x 25 Grid Is Made Instead: OK Replaces the Data by "
                                       "Its 625 Points"});
    EXPECT_TRUE(noted) << "the window does not say so beside its counts";
  }
  {
    SCOPED_TRACE("the ASCII editor's text handed to the table tells the points it could not take");
    TDataSession session;
    const std::size_t before = answers.Boxes().size();
    ASSERT_TRUE(session.Table.AllocPointArray());
    ASSERT_EQ(EvEditorData(session, TextRows(17000), nullptr), kXYZMaxPoints);
    EXPECT_EQ(TextsSince(answers, before),
              std::vector<std::string>{"The File Holds 17000 Points, 16384 Were Read\nThe Data Table Holds at Most 16384 Points"});
  }
  {
    SCOPED_TRACE("titles longer than their fields are told as cut");
    TDataSession session;
    ASSERT_TRUE(session.Table.AllocPointArray());
    session.DataFileName = dir.Write("long titles.txt", std::string(100, 'T') + "\n" + std::string(50, 'x') + "\ny\n" +
                                                            std::string(45, 'z') + "\n" + TextRows(10));
    const std::size_t before = answers.Boxes().size();
    ASSERT_EQ(ImportDataFile(session, 0), 10);
    EXPECT_EQ(TextsSince(answers, before),
              std::vector<std::string>{"The File's Title Was Cut to 80 Characters\n"
                                       "The File's X and Z Names Were Cut to 40 Characters Each"});
    EXPECT_EQ(session.DataTitles().Title, std::string(80, 'T'));
  }
  {
    SCOPED_TRACE("a long list's plain-text copy and its text for the ASCII editor tell the rows they leave out");
    // Rows of 99 characters joined by CR LF: whole rows until the text reaches its limit.
    const std::size_t before = answers.Boxes().size();
    CopyALongListAndHandItToTheEditor(12000);
    EXPECT_EQ(TextsSince(answers, before),
              (std::vector<std::string>{"The Copy's Plain Text Holds the List's First 9,902 of 12,000 Rows (at Most "
                                        "1,000,000 Characters)\nIt Stops After Row 9,902; Its Worksheet Form Holds "
                                        "Every Row",
                                        "The ASCII Editor Is Given the List's First 1,981 of 12,000 Rows (at Most "
                                        "200,000 Characters)\nIt Stops After Row 1,981"}));
  }
  {
    SCOPED_TRACE("a user function file longer than a function holds tells what was cut and where it stops");
    // 30 lines of 48 characters: 1,500 characters with their line ends, 1,023 kept.
    std::string udf = "LONGFUNCTIONNAME\r\n1\r\n30\r\n";
    for (int i = 0; i < 30; ++i) udf += std::string(48, static_cast<char>('A' + i % 26)) + "\r\n";
    udf += "-1 0 1\r\n";
    TUdfTable table;
    TUdfTextCuts cuts;
    ASSERT_EQ(ReadUdfFile(table, 3, dir.Write("long.udf", udf), &cuts), 1);
    EXPECT_EQ(std::string(table[3]->Name.data()), "LONGFUNCTI");
    EXPECT_EQ(std::strlen(table[3]->Text.data()), 1023u);
    EXPECT_EQ(UdfTextCutsText(cuts), "The File's Function Name Was Cut to 10 Characters\n"
                                     "The File's Function Text Was Cut to 1,023 Characters: 477 of Its 1,500 Were "
                                     "Left Out\nIt Stops in Line 21 of 30");
    // A text of 1,023 characters whose last line end alone lies past the room loses nothing.
    ASSERT_EQ(ReadUdfFile(table, 3, dir.Write("full.udf", "FULL\r\n1\r\n1\r\n" + std::string(1023, 'Z') + "\r\n-1 0 1\r\n"),
                          &cuts),
              1);
    EXPECT_FALSE(cuts.Any());
    EXPECT_EQ(UdfTextCutsText(cuts), "");
  }
  {
    SCOPED_TRACE("the grid editor's full table tells that no row can be added");
    TDataSession session;
    PointTable full = PointRows(kXYZMaxPoints);
    ASSERT_TRUE(session.Table.ReplaceDataTable(std::move(full)));
    ASSERT_GT(ComputeDataStatistics(session.Table, session.DataStats), 0);
    TGridEditor editor(session, nullptr);
    const TCellError refused = editor.Insert({});
    EXPECT_EQ(refused.text,
              "The Data Table Is Full: It Holds 16,384 Points, the Most the Editor Can Keep\nNo Row Can Be Added");
    EXPECT_EQ(session.Table.XYZRows(), kXYZMaxPoints);
  }
  CurrentSettings() = saved;
}

}  // namespace
