// The program's one printer, shared by graph printing and the text windows, and the steps
// every print takes with it:
//
//   ChoosePrintFile    a printer that writes PDF and has no file named asks for one
//   BeginPrinting      opens the printer; a printer that failed to open is replaced
//   ...                the pages
//   FinishPrinting     ends the document; a PDF file name serves one print only
//
// A PDF is printed as every other file is saved (TFileReplacement): Qt truncates the file it
// is given and writes it page by page, so it is given a temporary beside the chosen file,
// which takes the file's place only when the print ended well and the document is whole. A
// cancelled, failed or killed print leaves an existing file of that name as it was.
//
// A QPrinter whose painter failed to begin stays "active" for good: it refuses every later
// change (file, printer, colour mode, copies) and fails every later print. The program's
// printer is therefore renewed, with the user's choices carried over, after each failed
// open. The old object lives on until the next renewal, so that a caller still holding it
// for the rest of its print reads valid settings.
#pragma once

#include <string>

class QPainter;
class QPrinter;
class QWidget;

enum class PrintOutcome {
  Printed,
  Cancelled,  // the user stopped it (file dialog, "Printing" dialog, overflow question)
  Failed,     // the printer or the file could not be opened
};

// The printer of the program's prints, kept for the whole run.
QPrinter& ProgramPrinter();

// "Printer Setup": the system's print dialog on the program's printer.
void RunPrinterSetup(QWidget* parent);

// A PDF printer without a file asks for one ("Print to File"); false when the user
// cancelled. Any other printer is ready as it is.
[[nodiscard]] bool ChoosePrintFile(QWidget* owner, QPrinter& printer);

// Opens `printer` for `painter`. On failure the program's printer (when `printer` is it)
// is renewed with the same settings, and the answer is false.
[[nodiscard]] bool BeginPrinting(QPainter& painter, QPrinter& printer);

// Ends the document that ended with `outcome`; a PDF is put in place only when it was
// Printed. The answer is `outcome`, or Failed when the PDF could not be put in place. A PDF
// file name is forgotten, so that the next print never writes over this one without asking.
[[nodiscard]] PrintOutcome FinishPrinting(QPainter& painter, QPrinter& printer, PrintOutcome outcome);

// Why a print failed, for the user: the file that could not be written (and why, where a
// save would say why), or the printer that could not be opened.
std::string PrinterOpenFailureText(const QPrinter& printer);
