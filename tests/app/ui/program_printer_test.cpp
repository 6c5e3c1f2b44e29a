// A PDF print replaces an existing file of its name as every save does: the old document stays
// whole until the new one is complete, and a cancelled or failed print leaves it as it was.
#include "app/ui/program_printer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QPainter>
#include <QPrinter>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <set>
#include <string>

#include "app/file_replacement.h"
#include "support/pdf_pages.h"
#include "support/scratch_files.h"

namespace {

namespace fs = std::filesystem;

// Pages of text, printed on `printer` up to the end, where `ending` says how the print ended;
// `midway` looks on after the first page.
PrintOutcome PrintPages(QPrinter& printer, int pages, PrintOutcome ending, const std::function<void()>& midway) {
  QPainter painter;
  if (!BeginPrinting(painter, printer)) return PrintOutcome::Failed;
  for (int page = 1; page <= pages; ++page) {
    if (page > 1) printer.newPage();
    for (int line = 0; line < 40; ++line)
      painter.drawText(200, 200 + 100 * line, QString("page %1 line %2 of the new document").arg(page).arg(line));
    if (page == 1 && midway) midway();
  }
  if (ending == PrintOutcome::Cancelled) printer.abort();
  return FinishPrinting(painter, printer, ending);
}

TEST(PdfPrint, AnExistingPdfSurvivesACancelledOrFailedPrintAndAGoodOneReplacesItWhole) {
  ScratchDir dir;
  const std::string old = "%PDF-1.4\n% the user's earlier document\n%%EOF\n";
  const std::string path = dir.Write("report.pdf", old);
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(path));
  const auto oldIsUntouched = [&] { EXPECT_EQ(ReadText(path), old) << "while the print runs"; };

  // Until the print ends the old document is whole: a kill here would leave it so. Qt used
  // to truncate it as the print began.
  EXPECT_EQ(PrintPages(printer, 3, PrintOutcome::Cancelled, oldIsUntouched), PrintOutcome::Cancelled);
  EXPECT_EQ(ReadText(path), old);
  EXPECT_EQ(FolderEntries(dir.Path()), std::set<std::string>{"report.pdf"});
  EXPECT_EQ(printer.outputFileName().toStdString(), path);

  {  // the disk fills up: Qt does not say so, the document comes out cut short
    const FileSizeLimit full(2000);
    EXPECT_EQ(PrintPages(printer, 3, PrintOutcome::Printed, nullptr), PrintOutcome::Failed);
  }
  EXPECT_EQ(PrinterOpenFailureText(printer), "The file " + path + " could not be written.");
  EXPECT_EQ(ReadText(path), old);
  EXPECT_EQ(FolderEntries(dir.Path()), std::set<std::string>{"report.pdf"});

  EXPECT_EQ(PrintPages(printer, 3, PrintOutcome::Printed, oldIsUntouched), PrintOutcome::Printed);
  const std::string made = ReadText(path);
  EXPECT_EQ(PdfPageCount(made), 3u);
  EXPECT_NE(made.find("%%EOF", made.size() - 16), std::string::npos);
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(FolderEntries(dir.Path()), std::set<std::string>{"report.pdf"});
}

// A print to a name the program may not replace is refused before a page is drawn, and says
// why: here a write-protected file.
TEST(PdfPrint, AFileThatMayNotBeReplacedIsRefusedWithItsReason) {
  ScratchDir dir;
  const std::string path = dir.Write("kept.pdf", "%PDF-1.4\n%%EOF\n");
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(path));
  EXPECT_EQ(PrintPages(printer, 1, PrintOutcome::Printed, nullptr), PrintOutcome::Failed);
  EXPECT_EQ(PrinterOpenFailureText(printer), "File is Write-Protected and Was Not Replaced");
  EXPECT_EQ(ReadText(path), "%PDF-1.4\n%%EOF\n");
  EXPECT_EQ(FolderEntries(dir.Path()), std::set<std::string>{"kept.pdf"});
}

// A PDF printed into folders that do not exist yet makes them, as every save does; it used to
// fail with "could not be written" and no reason. Where a folder cannot be made (a file
// stands in its place), the print fails before a page is drawn and says why.
TEST(PdfPrint, FoldersMissingOnTheWayAreMadeOrTheReasonIsTold) {
  ScratchDir dir;
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  const fs::path made = dir.Path() / "new" / "sub" / "report.pdf";
  printer.setOutputFileName(QString::fromStdString(made.string()));
  EXPECT_EQ(PrintPages(printer, 2, PrintOutcome::Printed, nullptr), PrintOutcome::Printed);
  EXPECT_EQ(PdfPageCount(ReadText(made)), 2u);
  EXPECT_EQ(FolderEntries(made.parent_path()), std::set<std::string>{"report.pdf"});

  const std::string file = dir.Write("notes", "a file, not a folder");
  const fs::path blocked = fs::path(file) / "sub" / "report.pdf";
  printer.setOutputFileName(QString::fromStdString(blocked.string()));
  EXPECT_EQ(PrintPages(printer, 1, PrintOutcome::Printed, nullptr), PrintOutcome::Failed);
  EXPECT_EQ(PrinterOpenFailureText(printer), "The file " + blocked.string() + " could not be written: Not a directory.");
  EXPECT_EQ(ReadText(file), "a file, not a folder");
}

// Printing children killed at random moments leave the chosen file either as it was or as a
// whole new document, never one cut short; the next print sweeps away what they left.
TEST(PdfPrint, KillsMidPrintLeaveTheOldOrTheNewDocumentWhole) {
  ScratchDir dir;
  const std::string old = "%PDF-1.4\n% the user's earlier document\n%%EOF\n";
  const std::string path = dir.Write("killed.pdf", old);
  std::uint32_t lcg = 2024;  // the kill moments: fixed, so that a failure can be replayed
  for (int round = 0; round < 12; ++round) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      QPrinter printer(QPrinter::HighResolution);
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(QString::fromStdString(path));
      ::_exit(PrintPages(printer, 20, PrintOutcome::Printed, nullptr) == PrintOutcome::Printed ? 0 : 1);
    }
    lcg = lcg * 1103515245u + 12345u;
    ::usleep((lcg >> 8) % 300000);
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    const std::string found = ReadText(path);
    if (found != old) {
      EXPECT_EQ(PdfPageCount(found), 20u) << "round " << round;
      EXPECT_NE(found.find("%%EOF", found.size() - 16), std::string::npos) << "round " << round;
    }
  }
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(path));
  EXPECT_EQ(PrintPages(printer, 1, PrintOutcome::Printed, nullptr), PrintOutcome::Printed);
  EXPECT_EQ(PdfPageCount(ReadText(path)), 1u);
  EXPECT_EQ(FolderEntries(dir.Path()), std::set<std::string>{"killed.pdf"});
}

// The document is printed into the temporary held open since the walk to the chosen file:
// Qt, which opens the file by name, used to be given the temporary's path, and a folder on
// the way swapped for a link meanwhile took the document elsewhere.
fs::path swappedFolder, movedFolder, linkTarget;

void SwapForLink(const fs::path&) {
  fs::rename(swappedFolder, movedFolder);
  fs::create_directory_symlink(linkTarget, swappedFolder);
}

TEST(PdfPrint, AFolderSwappedForALinkWhileThePrintRunsNeverTakesTheDocument) {
  ScratchDir dir;
  fs::create_directories(dir.Path() / "work/sub");
  fs::create_directories(dir.Path() / "victim");
  swappedFolder = dir.Path() / "work/sub";
  movedFolder = dir.Path() / "work/moved";
  linkTarget = dir.Path() / "victim";
  const TSaveWalkHook old = SetSaveWalkHook(SwapForLink);
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString((swappedFolder / "report.pdf").string()));
  EXPECT_EQ(PrintPages(printer, 2, PrintOutcome::Printed, nullptr), PrintOutcome::Printed);
  SetSaveWalkHook(old);
  EXPECT_EQ(PdfPageCount(ReadText(movedFolder / "report.pdf")), 2u);
  EXPECT_EQ(FolderEntries(dir.Path() / "victim"), std::set<std::string>{});
}

}  // namespace
