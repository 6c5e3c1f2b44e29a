#include "app/ui/program_printer.h"

#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

#include <memory>

#include "platform/file_dialog.h"
#include "platform/qt/qt_text.h"

namespace {

struct PrinterSlot {
  std::unique_ptr<QPrinter> current = std::make_unique<QPrinter>(QPrinter::HighResolution);
  std::unique_ptr<QPrinter> retired;  // the one renewed last, for callers that still hold it
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

}  // namespace

QPrinter& ProgramPrinter() { return *Slot().current; }

void RunPrinterSetup(QWidget* parent) {
  QPrintDialog dialog(&ProgramPrinter(), parent);
  dialog.setWindowTitle("Printer Setup");
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
  if (painter.begin(&printer)) return true;
  if (IsProgramPrinter(printer)) {
    RenewProgramPrinter();
    ForgetPdfFile();
  }
  return false;
}

void FinishPrinting(QPainter& painter, QPrinter& printer) {
  if (painter.isActive()) painter.end();
  if (!IsProgramPrinter(printer)) return;
  // A printer that ended in any other state than idle keeps refusing changes.
  if (printer.printerState() != QPrinter::Idle) RenewProgramPrinter();
  ForgetPdfFile();
}

std::string PrinterOpenFailureText(const QPrinter& printer) {
  if (WritesPdf(printer)) {
    if (printer.outputFileName().isEmpty()) return "No file was named for the PDF print.";
    return "The file " + platform::qt::ToCp1252(printer.outputFileName()) + " could not be written.";
  }
  return "The printer " + platform::qt::ToCp1252(printer.printerName()) + " could not be opened.";
}
