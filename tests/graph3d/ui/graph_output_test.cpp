// Copying and printing a graph: the clipboard formats, the .wmf/.dib/.emf files and the
// printed page, checked by their bytes and by other programs that read them (netpbm, poppler,
// LibreOffice); a check is skipped only when its program is not installed.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPrinter>
#include <QRadioButton>
#include <QCheckBox>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>

#include "app/ui/dialog.h"
#include "app/bitmap_files.h"
#include "app/byte_codec.h"
#include "app/ui/text_window.h"
#include "graph3d/graph_fixture.h"
#include "graph3d/ui/copy_graph_dialog.h"
#include "graph3d/ui/graph_dialog.h"
#include "graph3d/ui/graph_frame_window.h"
#include "graph3d/ui/print_graph_dialog.h"
#include "graph3d/ui/graph_output.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "support/pdf_pages.h"
#include "support/scratch_files.h"

namespace {

namespace fs = std::filesystem;

bool Have(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

std::string Output(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, p) != nullptr) out += buffer;
    pclose(p);
  }
  return out;
}


// The smallest rectangle holding every pixel that is not white.
QRect ContentBox(const QImage& image) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  int left = rgb.width(), top = rgb.height(), right = -1, bottom = -1;
  for (int y = 0; y < rgb.height(); ++y)
    for (int x = 0; x < rgb.width(); ++x)
      if ((rgb.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// A surface in a gradient over points, in a renderer whose graph is w x h.
struct CopyGraph : GraphFixture {
  PointTable table;
  T3DBase renderer;
  CopyGraph(int w, int h, int type = 5) {
    table = MakeTable({{-2, -2, 1}, {2, -2, 2}, {-2, 2, 3}, {2, 2, 1.5}, {0, 0, 2.5}});
    setup.Points = [this] { return std::span<const TXYZPoint>(table); };
    SetSurface([](long double x, long double y) { return 2 + 0.3L * x - 0.2L * y; });
    view.GraphType = static_cast<std::int16_t>(type);
    titles.Lines[0] = "Plane z = a + bx + cy";
    EXPECT_TRUE(renderer.SetData(&setup));
    // As in a dialog's pane: the graph inset by one pixel.
    renderer.SetGraphRect({1, 1, 1 + w, 1 + h});
    renderer.CreateScreenFonts();
    renderer.Prepare();
  }
};

TEST(GraphOutputLook, WithoutColourGradientIsType9ShadedIs16AndTheWindowKeepsItsType) {
  for (auto [type, copied] : {std::pair{5, 9}, std::pair{17, 16}, std::pair{1, 1}}) {
    CopyGraph g(200, 150, type);
    const int frame = g.renderer.ColorIndex(kRoleFrameForPrint);
    const platform::Rect rect = g.renderer.GraphRect();
    {
      TGraphOutputLook look(g.renderer, false, false);
      EXPECT_EQ(g.renderer.View().GraphType, copied);
      EXPECT_EQ(g.renderer.SchemeNumber(), 0);
      EXPECT_EQ(g.renderer.ColorIndex(kRoleFrameForPrint), g.renderer.ColorIndex(kRoleBackground));
      g.renderer.SetGraphRect({0, 0, 10, 10});
    }
    EXPECT_EQ(g.renderer.View().GraphType, type);
    EXPECT_EQ(g.renderer.SchemeNumber(), 1);
    EXPECT_EQ(g.renderer.ColorIndex(kRoleFrameForPrint), frame);
    EXPECT_EQ(g.renderer.GraphRect().left, rect.left);
    EXPECT_EQ(g.renderer.GraphRect().bottom, rect.bottom);
  }
}

TEST(GraphCopy, AllClipboardFormatsSetTheClipboardOnce) {
  CopyGraph g(400, 300);
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->clear();
  QSignalSpy changed(clipboard, &QClipboard::dataChanged);
  TCopyGraphSettings s;
  s.destination = CopyDestination::AllClipboardFormats;
  PerformGraphCopy(nullptr, g.renderer, s);
  EXPECT_EQ(changed.count(), 1);
  const QMimeData* data = clipboard->mimeData();
  ASSERT_NE(data, nullptr);
  ASSERT_TRUE(data->hasFormat("image/x-wmf"));
  ASSERT_TRUE(data->hasFormat("image/x-emf"));
  ASSERT_TRUE(data->hasImage());
  const QImage image = qvariant_cast<QImage>(data->imageData());
  EXPECT_EQ(image.size(), QSize(401, 301));
  // The metafile picture is two units larger than the graph each way.
  const QByteArray wmf = data->data("image/x-wmf");
  ASSERT_GE(wmf.size(), 22);
  const auto* p = reinterpret_cast<const std::uint8_t*>(wmf.constData());
  EXPECT_EQ(bytes::LoadU32(p), 0x9AC6CDD7u);
  EXPECT_EQ(bytes::LoadU16(p + 10), 402);
  EXPECT_EQ(bytes::LoadU16(p + 12), 302);
  // An enhanced metafile's header: type 1, the description's program and picture names.
  const QByteArray emf = data->data("image/x-emf");
  ASSERT_GE(emf.size(), 88);
  EXPECT_EQ(bytes::LoadU32(reinterpret_cast<const std::uint8_t*>(emf.constData())), 1u);
  // The window's own graph is where it was.
  EXPECT_EQ(g.renderer.GraphRect().left, 1);
}

TEST(GraphCopy, EachClipboardDestinationPutsItsOwnFormat) {
  CopyGraph g(120, 90);
  const struct {
    CopyDestination d;
    bool wmf, emf, image;
  } cases[] = {{CopyDestination::BitmapToClipboard, false, false, true},
               {CopyDestination::MetafileToClipboard, true, false, false},
               {CopyDestination::EnhancedMetafileToClipboard, false, true, false}};
  for (const auto& c : cases) {
    TCopyGraphSettings s;
    s.destination = c.d;
    std::unique_ptr<QMimeData> data(GraphClipboardData(g.renderer, s));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->hasFormat("image/x-wmf"), c.wmf);
    EXPECT_EQ(data->hasFormat("image/x-emf"), c.emf);
    EXPECT_EQ(data->hasImage(), c.image);
  }
  TCopyGraphSettings file;
  file.destination = CopyDestination::DibFile;
  EXPECT_EQ(GraphClipboardData(g.renderer, file), nullptr);
}

TEST(GraphCopy, PlaceableFileBoxIsThePicturesOwnSize) {
  CopyGraph g(400, 300);
  ScratchDir dir;
  const fs::path path = dir.Path() / "graph.wmf";
  TCopyGraphSettings s;
  s.destination = CopyDestination::PlaceableMetafileFile;
  ASSERT_TRUE(WriteGraphFile(g.renderer, s, path.string()));
  const std::vector<std::uint8_t> bytes = ReadBytes(path);
  ASSERT_GT(bytes.size(), 22u + 18u);
  EXPECT_EQ(bytes::LoadU32(bytes.data()), 0x9AC6CDD7u);
  // Box (0, 0, w, h), whatever the graph's place in its window.
  EXPECT_EQ(bytes::LoadU16(bytes.data() + 6), 0);
  EXPECT_EQ(bytes::LoadU16(bytes.data() + 8), 0);
  EXPECT_EQ(bytes::LoadU16(bytes.data() + 10), 400);
  EXPECT_EQ(bytes::LoadU16(bytes.data() + 12), 300);
  std::uint16_t sum = 0;
  for (int k = 0; k < 10; ++k) sum ^= bytes::LoadU16(bytes.data() + 2 * k);
  EXPECT_EQ(bytes::LoadU16(bytes.data() + 20), sum);
}

TEST(GraphCopy, DibFileIs401By301EightBitAndNetpbmReadsOurPixels) {
  CopyGraph g(400, 300);
  ScratchDir dir;
  const fs::path path = dir.Path() / "graph.dib";
  TCopyGraphSettings s;
  s.destination = CopyDestination::DibFile;
  ASSERT_TRUE(WriteGraphFile(g.renderer, s, path.string()));
  const std::vector<std::uint8_t> file = ReadBytes(path);
  ASSERT_EQ(file.size(), 122682u);
  DibPicture picture;
  ASSERT_TRUE(ReadDib(std::span(file).subspan(14), picture));
  EXPECT_EQ(picture.width, 401);
  EXPECT_EQ(picture.height, 301);
  EXPECT_EQ(bytes::LoadU16(file.data() + 14 + 14), 8);  // bits per pixel
  if (!Have("bmptopnm")) GTEST_SKIP() << "bmptopnm is not installed";
  const fs::path ppm = dir.Path() / "graph.ppm";
  ASSERT_EQ(std::system(("bmptopnm '" + path.string() + "' > '" + ppm.string() + "' 2>/dev/null").c_str()), 0);
  QImage decoded;
  ASSERT_TRUE(decoded.load(QString::fromStdString(ppm.string())));
  ASSERT_EQ(decoded.size(), QSize(401, 301));
  decoded = decoded.convertToFormat(QImage::Format_RGB32);
  // netpbm sees the pixels we wrote, row for row.
  int differing = 0;
  for (int y = 0; y < 301; ++y)
    for (int x = 0; x < 401; ++x)
      differing += (decoded.pixel(x, y) & 0xFFFFFF) != (picture.pixels[static_cast<std::size_t>(y * 401 + x)] & 0xFFFFFF);
  EXPECT_EQ(differing, 0);
}

TEST(GraphCopy, FailedWriteSaysSo) {
  CopyGraph g(100, 80);
  platform::ScriptedFiles files;
  platform::ScriptedAnswers answers;
  // A file stands where the file's folder should be.
  ScratchDir dir;
  const std::string path = dir.Write("folder", std::string_view("x")) + "/graph.emf";
  files.Answer(path);
  answers.Answer(platform::kIdOk);
  TCopyGraphSettings s;
  s.destination = CopyDestination::EnhancedMetafileFile;
  PerformGraphCopy(nullptr, g.renderer, s);
  ASSERT_EQ(files.Requests().size(), 1u);
  EXPECT_EQ(files.Requests()[0].title, "Save Graph in Windows MetaFile");
  EXPECT_EQ(files.Requests()[0].filter, "Enhanced Metafile [emf]|*.emf|");
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_EQ(answers.Boxes()[0].caption, path);
  EXPECT_EQ(answers.Boxes()[0].text, "Unable to Write File");
}

// LibreOffice draws our metafiles as pictures of the graph's aspect. Its first start on a
// fresh profile makes the profile and starts again, slowly on a loaded machine: that start
// runs to its end on its own, and then one run converts both files, as a peer is waited for.
TEST(GraphCopy, LibreOfficeConvertsOurMetafilesAtTheGraphsAspect) {
  if (!Have("soffice")) GTEST_SKIP() << "LibreOffice is not installed";
  CopyGraph g(400, 200);
  ScratchDir dir;
  const std::pair<const char*, CopyDestination> files[] = {{"graph.emf", CopyDestination::EnhancedMetafileFile},
                                                          {"graph.wmf", CopyDestination::PlaceableMetafileFile}};
  const std::string soffice = "cd '" + dir.Path().string() + "' && soffice --headless -env:UserInstallation=file://" +
                              (dir.Path() / "profile").string();
  ASSERT_EQ(std::system((soffice + " --terminate_after_init >/dev/null 2>&1").c_str()), 0);
  std::string command = soffice + " --convert-to png";
  for (auto [name, destination] : files) {
    TCopyGraphSettings s;
    s.destination = destination;
    const fs::path in = dir.Path() / name;
    ASSERT_TRUE(WriteGraphFile(g.renderer, s, in.string()));
    command += " '" + in.string() + "'";
  }
  ASSERT_EQ(std::system((command + " >/dev/null 2>&1").c_str()), 0) << command;
  for (auto [name, destination] : files) {
    QImage png;
    ASSERT_TRUE(png.load(QString::fromStdString((dir.Path() / (fs::path(name).stem().string() + ".png")).string())))
        << name;
    // LibreOffice places the picture on a page: the drawn content (inside the graph's
    // frame) carries the aspect.
    const QRect content = ContentBox(png);
    ASSERT_FALSE(content.isEmpty()) << name;
    const double aspect = static_cast<double>(content.width()) / content.height();
    EXPECT_NEAR(aspect, 2.0, 0.05) << name << " " << content.width() << "x" << content.height();
  }
}

TEST(GraphPrint, PdfHasOnePageTitledAndNoRasterImage) {
  CopyGraph g(400, 300);
  ScratchDir dir;
  const fs::path pdf = dir.Path() / "graph.pdf";
  {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf.string()));
    TPrintGraphRec rec;
    rec.FrameGraph = 1;
    ASSERT_EQ(PrintGraphPage(g.renderer, printer, rec, nullptr, nullptr), PrintOutcome::Printed);
  }
  EXPECT_EQ(g.renderer.GraphRect().left, 1);
  EXPECT_EQ(g.renderer.View().GraphType, 5);
  ASSERT_TRUE(fs::exists(pdf));
  if (!Have("pdfinfo") || !Have("pdfimages")) GTEST_SKIP() << "poppler-utils are not installed";
  const std::string info = Output("pdfinfo '" + pdf.string() + "'");
  EXPECT_TRUE(std::regex_search(info, std::regex("(^|\n)Title: +Ondravik 3D\n"))) << info;
  EXPECT_TRUE(std::regex_search(info, std::regex("(^|\n)Pages: +1\n"))) << info;
  const std::string images = Output("pdfimages -list '" + pdf.string() + "'");
  // Only the two heading lines: no image.
  EXPECT_EQ(std::count(images.begin(), images.end(), '\n'), 2) << images;
}

TEST(GraphPrint, SummaryOnlyOnPortraitLayoutsWhenAsked) {
  CopyGraph g(200, 150);
  for (auto [layout, expected] : {std::pair{0, 1}, std::pair{1, 0}, std::pair{2, 1}, std::pair{3, 0}}) {
    ScratchDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString((dir.Path() / "s.pdf").string()));
    TPrintGraphRec rec;
    rec.Layout = static_cast<std::int16_t>(layout);
    rec.Orientation = static_cast<std::int16_t>(layout % 2);
    rec.AddSummary = 1;
    rec.UseColor = static_cast<std::int16_t>(layout == 2);
    int calls = 0;
    platform::Rect where;
    bool colors = false;
    ASSERT_EQ(PrintGraphPage(g.renderer, printer, rec,
                             [&](platform::DeviceContext&, int, const platform::Rect& r, bool c) {
                               ++calls;
                               where = r;
                               colors = c;
                             },
                             nullptr),
              PrintOutcome::Printed);
    EXPECT_EQ(calls, expected) << layout;
    if (calls == 1) {
      EXPECT_GT(where.right, where.left);
      EXPECT_EQ(colors, rec.UseColor != 0) << layout;  // the summary is in colour only when asked
    }
  }
}

TEST(GraphPrint, CancelAbandonsThePage) {
  CopyGraph g(200, 150);
  ScratchDir dir;
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString((dir.Path() / "c.pdf").string()));
  EXPECT_EQ(PrintGraphPage(g.renderer, printer, TPrintGraphRec{}, nullptr, [] { return true; }),
            PrintOutcome::Cancelled);
  EXPECT_EQ(g.renderer.GraphRect().left, 1);
}

// 16384 points printed on an A4 page at 1200 dpi: on paper, as on the screen, the symbols
// keep clear of their neighbours, so that the page shows points and not one black shape.
TEST(GraphPrint, SixteenThousandPointsStayPointsOnThePage) {
  GraphFixture g;
  const PointTable table = DenseGrid::Table();
  g.setup.Points = [&table] { return std::span<const TXYZPoint>(table); };
  g.FixRanges({0, 0, 0}, {4, 4, 4});
  g.setup.SurfaceFn = &DenseGrid::Height;
  g.view.GraphType = 1;
  g.view.MeshX = g.view.MeshY = 20;
  T3DBase renderer;
  ASSERT_TRUE(renderer.SetData(&g.setup));
  renderer.SetGraphRect({0, 0, 640, 480});
  renderer.CreateScreenFonts();
  ScratchDir dir;
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString((dir.Path() / "dense.pdf").string()));
  printer.setPageSize(QPageSize(QPageSize::A4));
  printer.setResolution(1200);
  printer.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
  TPrintGraphRec rec;
  rec.Orientation = 1;
  ASSERT_EQ(PrintGraphPage(renderer, printer, rec, nullptr, nullptr), PrintOutcome::Printed);
  const int across = 2 * renderer.SymbolHalfSize() + 1;
  // Where the points stood on the page.
  const platform::Rect graph = GraphPrintRect(PrintMarginsInches(rec), PrinterPageOf(printer));
  ASSERT_GT(graph.right - graph.left, 8000);  // a landscape A4 page at 1200 dpi
  renderer.SetGraphRect(graph);
  const double gap = DenseGrid::MedianNeighbourGap(renderer);
  EXPECT_LE(across, gap) << "median gap " << gap;
  EXPECT_GE(across, 3);
}

// The copy command of a graph window: the dialog (answered OK on a bitmap without colour),
// then the clipboard; the settings are kept for the next copy and the window keeps its look.
TEST(GraphCopy, WindowCommandCopiesWithTheDialogsChoice) {
  CopyGraph g(300, 200);
  auto* win = new T3DWin(nullptr, "Copy", &g.setup);
  win->resize(320, 240);
  win->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(win));
  TCopyGraphSettings before;
  before.destination = CopyDestination::BitmapToClipboard;
  before.useColor = false;
  StoreCopyGraphSettings(before);
  QGuiApplication::clipboard()->clear();
  QTimer::singleShot(0, [] {
    if (auto* dialog = qobject_cast<TCopyGraph*>(ActiveDialog()))
      static_cast<QDialog*>(dialog)->accept();
  });
  win->CopyGraph();
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(data, nullptr);
  EXPECT_TRUE(data->hasImage());
  EXPECT_FALSE(data->hasFormat("image/x-wmf"));
  // The graph (0, 0, 319, 239) of the client area gives a (w + 1) x (h + 1) bitmap.
  EXPECT_EQ(qvariant_cast<QImage>(data->imageData()).size(), QSize(320, 240));
  EXPECT_EQ(CurrentCopyGraphSettings(), before);
  EXPECT_EQ(win->Renderer().View().GraphType, 5);
  EXPECT_EQ(win->Renderer().GraphRect().right, 319);
  StoreCopyGraphSettings(TCopyGraphSettings{});
  win->close();
  delete win;
}

// The print command of a graph dialog: the "Print Graph" dialog (answered OK), then one page
// on the program's printer under the "Printing" dialog; the dialog is usable again after.
TEST(GraphPrint, DialogCommandPrintsOnePageOnTheProgramsPrinter) {
  CopyGraph g(300, 200);
  ScratchDir dir;
  const fs::path pdf = dir.Path() / "dialog.pdf";
  QPrinter& printer = ProgramPrinter();
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(pdf.string()));
  auto* dialog = new T3DDlg(nullptr, &g.setup);
  dialog->resize(400, 300);
  dialog->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
  QTimer::singleShot(0, [] {
    if (auto* print = qobject_cast<TPrintGraph*>(ActiveDialog()))
      static_cast<QDialog*>(print)->accept();
  });
  dialog->PrintGraph();
  printer.setOutputFileName(QString());
  EXPECT_TRUE(dialog->isEnabled());
  // The "Printing" dialog is gone (deleted once the event loop runs).
  const TPrintAbortDlg* printing = dialog->findChild<TPrintAbortDlg*>();
  EXPECT_TRUE(printing == nullptr || !printing->isVisible());
  ASSERT_TRUE(fs::exists(pdf));
  EXPECT_GT(fs::file_size(pdf), 1000u);
  if (Have("pdfinfo")) {
    const std::string info = Output("pdfinfo '" + pdf.string() + "'");
    EXPECT_TRUE(std::regex_search(info, std::regex("(^|\\n)Pages: +1\\n"))) << info;
  }
  delete dialog;
}

// Printing to PDF, as a new user finds it: the first print asks for its file; a file that
// cannot be written is told and leaves the printer usable, so that the next graph print and a
// text print after a failed one both write their PDF.
TEST(GraphPrint, PdfPrintAsksForItsFileAndAFailedOpenLeavesThePrinterUsable) {
  if (ProgramPrinter().outputFormat() != QPrinter::PdfFormat) GTEST_SKIP() << "a system printer is installed";
  ASSERT_TRUE(ProgramPrinter().outputFileName().isEmpty());
  CopyGraph g(300, 200);
  ScratchDir dir;
  platform::ScriptedFiles files;
  platform::ScriptedAnswers answers;
  auto* dialog = new T3DDlg(nullptr, &g.setup);
  dialog->resize(400, 300);
  dialog->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
  const auto printGraph = [dialog] {
    QTimer::singleShot(0, [] {
      if (auto* print = qobject_cast<TPrintGraph*>(ActiveDialog()))
        static_cast<QDialog*>(print)->accept();
    });
    dialog->PrintGraph();
  };
  const std::string unwritable = dir.Write("missing", "a file where a folder would be") + "/graph.pdf";

  printGraph();  // the file dialog cancelled: nothing printed, nothing said
  ASSERT_EQ(files.Requests().size(), 1u);
  EXPECT_EQ(files.Requests()[0].title, "Print to File");
  EXPECT_EQ(files.Requests()[0].filter, "PDF [pdf]|*.pdf|");
  EXPECT_TRUE(answers.Boxes().empty());

  files.Answer(unwritable);
  answers.Answer(platform::kIdOk);
  printGraph();
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_EQ(answers.Boxes()[0].caption, "Print Graph");
  EXPECT_EQ(answers.Boxes()[0].text, "The file " + unwritable + " could not be written: Not a directory.");
  EXPECT_TRUE(dialog->isEnabled());

  files.Answer(dir.File("graph.pdf"));
  printGraph();
  EXPECT_EQ(PdfPageCount(ReadText(dir.Path() / "graph.pdf")), 1u);
  EXPECT_TRUE(ProgramPrinter().outputFileName().isEmpty());  // a file name serves one print
  EXPECT_EQ(answers.Boxes().size(), 1u);

  files.Answer(unwritable);
  answers.Answer(platform::kIdOk);
  printGraph();
  ASSERT_EQ(answers.Boxes().size(), 2u);
  auto* text = new TScrWin(nullptr, "List", "", 1, false, 100, false, kFontSlotEquationList, true, kMenuTextList,
                           nullptr);
  for (const char* line : {"Eqn 1  z=a+bx+cy", "Eqn 2  z=a+bx+cy+dx^2"}) text->Lines().AppendLine(line, nullptr);
  text->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(text));
  files.Answer(dir.File("list.pdf"));
  text->CmPrint();
  EXPECT_EQ(PdfPageCount(ReadText(dir.Path() / "list.pdf")), 1u);
  EXPECT_EQ(answers.Boxes().size(), 2u);
  text->close();
  delete dialog;
}

TEST(CopyGraphDialog, PreserveFollowsTheDestinationAndOkWritesBack) {
  TCopyGraphSettings settings;
  settings.preserveSymbols = true;
  auto* dialog = new TCopyGraph(nullptr, &settings, QRect());
  dialog->show();
  auto* preserve = dialog->findChild<QCheckBox*>("528");
  ASSERT_NE(preserve, nullptr);
  EXPECT_TRUE(preserve->isEnabled());
  EXPECT_TRUE(preserve->isChecked());
  dialog->findChild<QRadioButton*>("550")->click();  // bitmap to the clipboard
  EXPECT_FALSE(preserve->isEnabled());
  EXPECT_FALSE(preserve->isChecked());
  dialog->findChild<QRadioButton*>("551")->click();  // DIB file
  EXPECT_FALSE(preserve->isEnabled());
  dialog->findChild<QRadioButton*>("596")->click();  // all formats
  EXPECT_TRUE(preserve->isEnabled());
  dialog->findChild<QCheckBox*>("537")->click();     // colour off
  EXPECT_TRUE(settings.useColor);  // not before OK
  static_cast<QDialog*>(dialog)->accept();
  EXPECT_EQ(settings.destination, CopyDestination::AllClipboardFormats);
  EXPECT_FALSE(settings.useColor);
  EXPECT_TRUE(settings.preserveSymbols);
  delete dialog;
}

}  // namespace
