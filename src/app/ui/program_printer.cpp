#include "app/ui/program_printer.h"

#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "app/file_replacement.h"
#include "app/file_utils.h"
#include "platform/file_dialog.h"
#include "platform/qt/file_icons.h"
#include "platform/qt/qt_text.h"

namespace {

// A PDF print under way: the file the user chose, and the replacement Qt writes into.
struct PdfPrint {
  const QPrinter* printer = nullptr;
  QString name;
  std::unique_ptr<TFileReplacement> replacement;
};

struct PrinterSlot {
  std::unique_ptr<QPrinter> current = std::make_unique<QPrinter>(QPrinter::HighResolution);
  std::unique_ptr<QPrinter> retired;  // the one renewed last, for callers that still hold it
  PdfPrint pdf;
  // Why the last print on `failed` failed, where more is known than the printer tells.
  const QPrinter* failed = nullptr;
  std::string failure;
};

PrinterSlot& Slot() {
  static PrinterSlot* slot = new PrinterSlot;
  return *slot;
}

bool IsProgramPrinter(const QPrinter& printer) { return &printer == Slot().current.get(); }

bool WritesPdf(const QPrinter& printer) { return printer.outputFormat() == QPrinter::PdfFormat; }

// A fresh printer with the user's choices of `old`.
std::unique_ptr<QPrinter> CopyOfPrinter(const QPrinter& old) {
  auto fresh = std::make_unique<QPrinter>(QPrinter::HighResolution);
  if (WritesPdf(old)) {
    fresh->setOutputFormat(QPrinter::PdfFormat);
  } else if (!old.printerName().isEmpty()) {
    fresh->setPrinterName(old.printerName());
  }
  fresh->setOutputFileName(old.outputFileName());
  fresh->setPageLayout(old.pageLayout());
  fresh->setColorMode(old.colorMode());
  fresh->setCopyCount(old.copyCount());
  fresh->setCollateCopies(old.collateCopies());
  fresh->setPageOrder(old.pageOrder());
  fresh->setDuplex(old.duplex());
  fresh->setDocName(old.docName());
  fresh->setFullPage(old.fullPage());
  return fresh;
}

void RenewProgramPrinter() {
  PrinterSlot& slot = Slot();
  std::unique_ptr<QPrinter> fresh = CopyOfPrinter(*slot.current);
  slot.retired = std::move(slot.current);
  slot.current = std::move(fresh);
}

// A PDF file name serves one print, whether it was written or not.
void ForgetPdfFile() {
  QPrinter& printer = *Slot().current;
  if (WritesPdf(printer)) printer.setOutputFileName(QString());
}

std::filesystem::path LocalPath(const QString& name) { return std::filesystem::path(QFile::encodeName(name).toStdString()); }

// "The file <name> could not be written.", with the system's reason where one is known
// (errno of the failed call; 0: none).
std::string CouldNotBeWritten(const QString& name, int reason = 0) {
  std::string text = "The file " + platform::qt::ToCp1252(name) + " could not be written";
  if (reason != 0) text += ": " + FileNameToCodedText(std::system_category().message(reason));
  return text + ".";
}

void TellFailure(const QPrinter& printer, std::string text) {
  Slot().failed = &printer;
  Slot().failure = std::move(text);
}

// Qt ends every PDF it completes with its "%%EOF" mark: a document cut short by a full disk
// (which Qt's writer does not report) has none.
bool PdfIsWhole(const std::filesystem::path& path) {
  QFile file(QFile::decodeName(path.c_str()));
  if (!file.open(QIODevice::ReadOnly)) return false;
  constexpr qint64 kTail = 64;
  if (!file.seek(std::max<qint64>(file.size() - kTail, 0))) return false;
  return file.read(kTail).contains("%%EOF");
}

}  // namespace

QPrinter& ProgramPrinter() { return *Slot().current; }

void RunPrinterSetup(QWidget* parent) {
  QPrintDialog dialog(&ProgramPrinter(), parent);
  dialog.setWindowTitle("Printer Setup");
  platform::qt::UseNameOnlyFileIcons(dialog);
  dialog.exec();
}

bool ChoosePrintFile(QWidget* owner, QPrinter& printer) {
  if (!WritesPdf(printer) || !printer.outputFileName().isEmpty()) return true;
  std::string path;
  if (FileSaveDlg(platform::qt::ToWindow(owner), "Print to File", path, nullptr, "pdf", "PDF [pdf]|*.pdf|", 1) != 1)
    return false;
  printer.setOutputFileName(QString::fromLocal8Bit(path.c_str()));
  return true;
}

bool BeginPrinting(QPainter& painter, QPrinter& printer) {
  PrinterSlot& slot = Slot();
  slot.failed = nullptr;
  slot.failure.clear();
  slot.pdf = {};
  if (WritesPdf(printer) && !printer.outputFileName().isEmpty()) {
    const QString name = printer.outputFileName();
    // Folders missing on the way are made, as every save makes them (a name typed into the
    // file dialog may lead through new ones).
    errno = 0;
    auto replacement = std::make_unique<TFileReplacement>(LocalPath(name));
    if (!replacement->Ready()) {
      TellFailure(printer, SaveFailureText(LocalPath(name), CouldNotBeWritten(name, errno)));
      if (IsProgramPrinter(printer)) ForgetPdfFile();
      return false;
    }
    // Qt opens the file by name: the held temporary's own name, which no rename on the way moves.
    printer.setOutputFileName(QFile::decodeName(replacement->HeldTemporary().c_str()));
    slot.pdf = {&printer, name, std::move(replacement)};
  }
  if (painter.begin(&printer)) return true;
  if (slot.pdf.printer == &printer) TellFailure(printer, CouldNotBeWritten(slot.pdf.name));
  slot.pdf = {};
  if (IsProgramPrinter(printer)) {
    RenewProgramPrinter();
    ForgetPdfFile();
  }
  return false;
}

PrintOutcome FinishPrinting(QPainter& painter, QPrinter& printer, PrintOutcome outcome) {
  if (painter.isActive()) painter.end();
  PrinterSlot& slot = Slot();
  if (slot.pdf.printer == &printer) {
    PdfPrint pdf = std::move(slot.pdf);
    slot.pdf = {};
    if (outcome == PrintOutcome::Printed &&
        !(PdfIsWhole(pdf.replacement->HeldTemporary()) && pdf.replacement->Commit())) {
      TellFailure(printer, SaveFailureText(LocalPath(pdf.name), CouldNotBeWritten(pdf.name)));
      outcome = PrintOutcome::Failed;
    }
    pdf.replacement.reset();  // a document not put in place is removed
    printer.setOutputFileName(pdf.name);
  }
  if (!IsProgramPrinter(printer)) return outcome;
  // A printer that ended in any other state than idle keeps refusing changes.
  if (printer.printerState() != QPrinter::Idle) RenewProgramPrinter();
  ForgetPdfFile();
  return outcome;
}

std::string PrinterOpenFailureText(const QPrinter& printer) {
  if (Slot().failed == &printer && !Slot().failure.empty()) return Slot().failure;
  if (WritesPdf(printer)) {
    if (printer.outputFileName().isEmpty()) return "No file was named for the PDF print.";
    return CouldNotBeWritten(printer.outputFileName());
  }
  return "The printer " + platform::qt::ToCp1252(printer.printerName()) + " could not be opened.";
}
