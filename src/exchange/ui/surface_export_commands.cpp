#include "exchange/ui/surface_export_commands.h"

// Before any Qt header: the worksheet records name a member "slots", which Qt defines away.
#include "app/worksheet_records.h"
#include "exchange/export/mv5_export.h"

#include <QDialog>

#include "app/c_format.h"
#include "app/file_utils.h"
#include "app/program_files.h"
#include "app/settings_file.h"
#include "exchange/export/ascii_export.h"
#include "exchange/export/lotus_export.h"
#include "exchange/export/qpw_export.h"
#include "exchange/export/review_export_source.h"
#include "exchange/export/xls_export.h"
#include "exchange/ui/range_export_dialogs.h"
#include "exchange/ui/review_export_commands.h"
#include "fit/fit_refit.h"
#include "fit/session.h"
#include "platform/busy_window.h"
#include "platform/message_box.h"
#include "platform/qt/qt_text.h"
#include "review/ui/review_window.h"

namespace {

constexpr int kLotusCaption = 3398, kMvCaption = 3399, kExcelCaption = 3400, kQuattroCaption = 3401;
constexpr int kAsciiCaption = 3403;
constexpr int kLastExtExports = 4;  // LastExtensions 5, shared with the parameter summary
constexpr int kAsciiCapacity = 8192;

// The range first offered: the data's range in the review graph's mesh.
TGenRange InitialRange(const TRView& review) {
  const T3DViewRec& view = review.Renderer().View();
  return ReviewGenRange(review.Session().DataStats, view.MeshX, view.MeshY);
}

TExportRequest RequestOf(int tableKind, const TGenRange& r) {
  return TExportRequest{tableKind, {r[0], r[1], r[2]}, {r[3], r[4], r[5]}};
}

// The options a dialog accepted are kept only once a file is chosen: a Cancel in the Save
// dialog leaves them as they were, as a Cancel in the option dialog does.
//
// After the dialogs: the busy window, the refit of the rank under review (the writers print
// its standard errors, limits, volume and extrema), the writer, the report of a failure.
// `write` answers whether the file was written.
template <typename Write>
bool WriteSurfaceExport(TRView& review, const std::string& path, Write write) {
  ShowExportBusy(review, path);
  bool written = false, cancelled = false;
  {
    // A Cancel while a user function's fit is refitted or evaluated over the grid: the fit
    // under review stays as it was, and the writer leaves the file as it was.
    const TEvaluationTask task = ExportTask(review, path);
    (void)MakeRankCurrent(review.Session(), review.Rank(), kRefitComplete);  // the rank under review exists
    if (!task.Cancelled()) {
      const TReviewExportSource source(review.Session());
      written = write(source);
    }
    cancelled = task.Cancelled();
  }
  HideBusyMsg();
  if (!written && !cancelled) ReportExportFailure(review, path);
  return written && !cancelled;
}

// What a file lacks that the user asked for: the file is there, and the user hears it.
void TellLosses(TRView& review, const std::string& path, const std::string& text) {
  if (!text.empty()) InfoBox(platform::qt::ToWindow(&review), FileNameToCodedText(path), text);
}

// A worksheet written without the rows past its format's last row, without the grid's points
// past its table's room, or with characters of its labels its code page lacks.
void TellWorksheetLosses(TRView& review, const std::string& path, const TExportRequest& request,
                         const TExportOutcome& outcome, int maxRow, const std::string& lacking = {}) {
  std::string text = WorksheetLossText(request, MakeExportGrid(request), outcome, maxRow);
  if (!lacking.empty())
    text += (text.empty() ? "" : "\n") +
            CFormat("The Worksheet Cannot Hold the Characters %s of Its Labels: They Were Written as ?", lacking.c_str());
  TellLosses(review, path, text);
}

}  // namespace

void CmSaveLotus(TRView& review) {
  ProgramSettings& s = CurrentSettings();
  TGenRange range = InitialRange(review);
  int fileType = s.LotusFileType, kind = s.LotusTableKind;
  if ((new TLotus(&review, fileType, kind, range))->Execute() != QDialog::Accepted) return;
  const bool wk3 = fileType == 3;
  const std::string path = AskExportPath(review, kLotusCaption, wk3 ? "Lotus [wk3]|*.wk3|" : "Lotus [wk1]|*.wk1|",
                                         wk3 ? "WK3" : "WK1");
  if (path.empty()) return;
  s.LotusFileType = fileType;
  s.LotusTableKind = kind;
  const TExportRequest request = RequestOf(kind, range);
  TExportOutcome outcome;
  std::string lacking;  // the labels are in code page 850
  const bool written = WriteSurfaceExport(review, path, [&](const TReviewExportSource& source) {
    const TExportTableInput input = source.TableInput(request);
    if (request.tableKind == static_cast<int>(ExportTableKind::kFullWorksheet))
      lacking = LabelCharactersNotHeld(input.fit->dataTitle + input.fit->equationText);
    outcome = LotusExportTable(path, fileType, input);
    return outcome.result > 0;
  });
  if (written) TellWorksheetLosses(review, path, request, outcome, kLotusMaxRow, lacking);
}

void CmSaveExcel(TRView& review) {
  ProgramSettings& s = CurrentSettings();
  TGenRange range = InitialRange(review);
  int kind = s.ExcelTableKind;
  if ((new TExcel(&review, kind, range))->Execute() != QDialog::Accepted) return;
  const std::string path = AskExportPath(review, kExcelCaption, "Excel [xls]|*.xls|", "XLS");
  if (path.empty()) return;
  s.ExcelTableKind = kind;
  const TExportRequest request = RequestOf(kind, range);
  TExportOutcome outcome;
  const bool written = WriteSurfaceExport(review, path, [&](const TReviewExportSource& source) {
    outcome = XlsExportTable(path, source.TableInput(request));
    return outcome.result > 0;
  });
  if (written) TellWorksheetLosses(review, path, request, outcome, kBiff4MaxRow);
}

void CmSaveQuattro(TRView& review) {
  ProgramSettings& s = CurrentSettings();
  TGenRange range = InitialRange(review);
  int kind = s.QpwTableKind;
  if ((new TQPWin(&review, kind, range))->Execute() != QDialog::Accepted) return;
  const std::string path = AskExportPath(review, kQuattroCaption, "Quattro Pro Win [wb1]|*.wb1|", "WB1");
  if (path.empty()) return;
  s.QpwTableKind = kind;
  const TExportRequest request = RequestOf(kind, range);
  TExportOutcome outcome;
  const bool written = WriteSurfaceExport(review, path, [&](const TReviewExportSource& source) {
    outcome = QpwExportTable(path, source.TableInput(request));
    return outcome.result > 0;
  });
  if (written) TellWorksheetLosses(review, path, request, outcome, kQpwMaxRow);
}

void CmSaveMerovane(TRView& review) {
  ProgramSettings& s = CurrentSettings();
  TGenRange range = InitialRange(review);
  int kind = s.MvTableKind;
  if ((new TMerovane(&review, kind, range))->Execute() != QDialog::Accepted) return;
  const std::string path = AskExportPath(review, kMvCaption, "Merovane [mv5]|*.mv5|", "MV5");
  if (path.empty()) return;
  s.MvTableKind = kind;
  // The worksheets hold 64-bit reals: the range reaches the writer as such.
  for (long double& v : range) v = static_cast<double>(v);
  const TExportRequest request = RequestOf(kind, range);
  int notHeld = 0, gridPoints = 0;
  const bool written = WriteSurfaceExport(review, path, [&](const TReviewExportSource& source) {
    const TMv5ExportResult result = ExportFitToMv(path, source.TableInput(request), ProgramDirectory());
    notHeld = result.valuesNotHeld;
    gridPoints = result.gridPoints;
    return result.status == Mv5ExportStatus::kWritten || result.status == Mv5ExportStatus::kWrittenWithoutTemplate;
  });
  if (!written) return;
  // The file is there, but not every number is: the user hears how many cells stayed empty,
  // and how much of the grid the worksheet could not take.
  std::string text = notHeld > 0 ? CFormat("%d Values Beyond the Worksheet's 64-Bit Numbers Were Left as Empty Cells",
                                           notHeld)
                                 : std::string();
  const std::string points = GridCutText(ExportGridCut(request, Mv5ExportGrid(request), gridPoints));
  TellLosses(review, path, text + (text.empty() || points.empty() ? "" : "\n") + points);
}

void CmSaveAscii(TRView& review) {
  ProgramSettings& s = CurrentSettings();
  TGenRange range = InitialRange(review);
  TAsciiGenOptions options{s.AsciiGenDelimiter, s.AsciiGenFormat, s.AsciiGenPrecision};
  if ((new TASCIIGen(&review, options, range))->Execute() != QDialog::Accepted) return;
  const std::string path =
      AskExportPath(review, kAsciiCaption, kAsciiExportFilter, "DAT", &s.LastExtensions[kLastExtExports]);
  if (path.empty()) return;
  s.AsciiGenDelimiter = options.delimiter;
  s.AsciiGenFormat = options.format;
  s.AsciiGenPrecision = options.precision;
  TAsciiExportRequest request;
  request.delimiter = static_cast<AsciiDelimiter>(options.delimiter);
  request.layout = static_cast<AsciiLayout>(options.format);
  request.precision = options.precision;
  request.x = {range[0], range[1], range[2]};
  request.y = {range[3], range[4], range[5]};
  int lines = 0;
  TGridCut cut;
  const bool written = WriteSurfaceExport(review, path, [&](const TReviewExportSource& source) {
    lines = AsciiExportTable(path, request, source.Review(), &cut);
    return lines >= 0;
  });
  if (!written) return;
  TellLosses(review, path, GridCutText(cut));
  if (lines > 0) OpenExportResult(review, path, kAsciiCapacity);
}

void RegisterSurfaceExports() {
  auto& commands = ReviewExtensions().commands;
  commands[kCmReviewSaveLotus] = CmSaveLotus;
  commands[kCmReviewSaveExcel] = CmSaveExcel;
  commands[kCmReviewSaveQuattro] = CmSaveQuattro;
  commands[kCmReviewSaveSibling] = CmSaveMerovane;
  commands[kCmReviewSaveAscii] = CmSaveAscii;
}
