#include "exchange/ui/review_export_commands.h"

#include <QDialog>

#include <optional>
#include <vector>

#include "app/c_format.h"
#include "app/file_utils.h"
#include "app/log_font.h"
#include "app/program_files.h"
#include "app/settings_file.h"
#include "app/shell_state.h"
#include "app/ui/text_window.h"
#include "exchange/codegen/code_generator.h"
#include "exchange/codegen/codegen_dialects.h"
#include "exchange/export/fit_audit.h"
#include "exchange/export/parms_summary.h"
#include "exchange/export/review_export_source.h"
#include "exchange/ui/code_export_dialogs.h"
#include "exchange/ui/surface_export_commands.h"
#include "fit/fit_refit.h"
#include "fit/fit_statistics.h"
#include "fit/session.h"
#include "platform/busy_window.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "platform/qt/early_clicks.h"
#include "platform/qt/qt_text.h"
#include "platform/string_table.h"
#include "review/equation_list_rows.h"
#include "review/ui/equation_list.h"
#include "review/ui/review_window.h"

namespace {

using platform::qt::FromCp1252;
using platform::qt::ToWindow;

constexpr int kWritingDataText = 3090;
constexpr int kWriteFailedText = 3075;
constexpr int kCodeCaption = 3404, kParmsCaption = 3405, kAuditCaption = 3406, kCovarianceCaption = 3407;
constexpr int kUdfCaption = 3402;
// LastExtensions 5: the extension last chosen in the text windows' and the exports' saves.
constexpr int kLastExtExports = 4;

constexpr int kCodeCapacity = 1000, kParmsCapacity = 4096, kAuditCapacity = 16384, kCovarianceCapacity = 100;
constexpr const char* kNotWritableInDialect = "This Equation Cannot Be Written in the Chosen Language";
constexpr const char* kNoCovariance = "The Covariance Matrix of This Fit Cannot Be Computed";

// Save filters and default extensions of the code generator by dialect. The extensions are
// lower case: on a file system that tells cases apart a ".C" file is C++ to the compilers.
struct TCodeFilter {
  const char* filter;
  const char* ext;
};
constexpr TCodeFilter kCodeFilters[] = {
    {"C Language 80-bit [c]|*.c|", "c"}, {"C Language 64-bit [c]|*.c|", "c"}, {"Pascal [pas]|*.pas|", "pas"},
    {"Basic [bas]|*.bas|", "bas"},       {"FORTRAN 77 [for]|*.for|", "for"}, {"FORTRAN 90 [f90]|*.f90|", "f90"},
    {"Ondravik UDF [udf]|*.udf|", "UDF"}, {"Text [txt]|*.txt|", "TXT"},
};

// The filter entry of an ASCII extension: prn 1, dat 2, txt 3, any other the first.
int AsciiFilterEntry(const std::string& ext) {
  const int kind = FileKindByExt(ext);
  return kind >= 1 && kind <= 3 ? kind : 1;
}

TCodeGenInput CodeGenInputOf(const TSession& session, int dialect, int scope) {
  TCodeGenInput in(session.CurFitEqn(), session.CurFit.scales, session.DataStats, session.DataTitles());
  in.dialect = dialect;
  in.scope = scope;
  in.dataSource = session.DataFileLabel;
  in.udfs = &session.UdfTable;
  in.templateDirectory = ProgramDirectory();
  return in;
}

// Tells the user what a code generation run that wrote nothing came to.
void ReportCodeGenFailure(TRView& review, const std::string& path, CodeGenResult result, int dialect,
                          const TCodeGenConstant& notHeld) {
  if (result == CodeGenResult::kNotWritable)
    ErrorBox(ToWindow(&review), path, kNotWritableInDialect);
  else if (result == CodeGenResult::kConstantNotHeld)
    ErrorBox(ToWindow(&review), path, CodeGenRefusalText(notHeld, dialect));
  else
    ReportExportFailure(review, path);
}

// The ranks of the list's rows in their order (the subset shown, in its sort order); every
// rank when the review has no list.
std::vector<int> ListedRanks(const TRView& review) {
  const int count = review.Session().FitList.Count();
  std::vector<int> ranks;
  if (const TEqnList* list = review.List()) {
    for (const std::string& row : list->Rows())
      if (const int rank = RankOfRow(row); rank >= 1 && rank <= count) ranks.push_back(rank);
    return ranks;
  }
  for (int r = 1; r <= count; ++r) ranks.push_back(r);
  return ranks;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Shared steps

std::string AskExportPath(TRView& review, int captionId, const char* filter, const char* defaultExt,
                          std::string* lastExt) {
  std::string path, ext;
  const int entry = lastExt ? AsciiFilterEntry(*lastExt) : 1;
  if (FileSaveDlg(ToWindow(&review), platform::LoadString(captionId), path, lastExt ? &ext : nullptr, defaultExt,
                  filter, entry) != 1)
    return {};
  if (lastExt) *lastExt = ext;
  return path;
}

void ShowExportBusy(TRView& review, const std::string& path) {
  ShowBusyMsg(ToWindow(&review), FileNameToCodedText(path), platform::LoadString(kWritingDataText), 1);
}

TEvaluationTask ExportTask(TRView& review, const std::string& path) {
  return TEvaluationTask(&review, FromCp1252(FileNameToCodedText(path)), FromCp1252(platform::LoadString(kWritingDataText)));
}

void ReportExportFailure(TRView& review, const std::filesystem::path& path) {
  ErrorBox(ToWindow(&review), FileNameToCodedText(path.string()), SaveFailureText(path, kWriteFailedText));
}

TScrWin* OpenExportResult(TRView& review, const std::string& path, int capacity) {
  auto* window = new TScrWin(&review, FromCp1252(FileNameToCodedText(path)), "", 1, false, capacity, true,
                             kFontSlotFileViewer, true, kMenuTextResults, nullptr);
  window->setObjectName(kExportResultName);
  // The file is text as written: a tilde in it (a title's) is a character, not a code.
  (void)window->Lines().Load(path, FileTildes::kLiteral);
  if (!window->Lines().HasTable()) {
    delete window;
    ErrorBox(ToWindow(&review), FileNameToCodedText(path),
             CFormat(std::string(platform::LoadString(3074)).c_str(), capacity));
    return nullptr;
  }
  KeepAboveModalParent(window, &review);
  // It comes up when the export is written, under a pointer that may be on its way to the
  // review.
  GuardAgainstEarlyClicks(window);
  window->show();
  return window;
}

// ---------------------------------------------------------------------------------------
// Code, parameters, audit, covariance, user function

void CmCodeGeneration(TRView& review) {
  TSession& session = review.Session();
  ProgramSettings& s = CurrentSettings();
  std::string name = CFormat("eqn%ld", static_cast<long>(session.CurFitEqn().equationNumber));
  TCodeOptions options{s.CodeGenDialect, s.CodeGenScope};
  if ((new TCode(&review, options, name))->Execute() != QDialog::Accepted) return;
  const TCodeFilter& filter = kCodeFilters[IsCodeGenDialect(options.dialect) ? options.dialect : kDialectC64];
  const std::string path = AskExportPath(review, kCodeCaption, filter.filter, filter.ext);
  if (path.empty()) return;
  // Kept once a file is chosen: Cancel anywhere leaves the options as they were.
  s.CodeGenDialect = options.dialect;
  s.CodeGenScope = options.scope;
  ShowExportBusy(review, path);
  TCodeGenConstant notHeld;
  const CodeGenResult result =
      CodeGenFromTemplate(CodeGenInputOf(session, options.dialect, options.scope), path, name, &notHeld);
  HideBusyMsg();
  if (result != CodeGenResult::kDone) {
    ReportCodeGenFailure(review, path, result, options.dialect, notHeld);
    return;
  }
  OpenExportResult(review, path, kCodeCapacity);
}

void CmSaveParameters(TRView& review) {
  ProgramSettings& s = CurrentSettings();
  int options = s.ParmsOptions;
  if ((new TParms(&review, options))->Execute() != QDialog::Accepted) return;
  std::string path, ext;
  std::string& lastExt = s.LastExtensions[kLastExtExports];
  const int answer = FileSaveAppendDlg(ToWindow(&review), platform::LoadString(kParmsCaption), path, &ext, "DAT",
                                       kAsciiExportFilter, AsciiFilterEntry(lastExt));
  if (answer != 1 && answer != platform::kIdYes) return;
  s.ParmsOptions = options;
  lastExt = ext;
  ShowExportBusy(review, path);
  const TReviewExportSource source(review.Session());
  const int written = ParmsWriteSummary(path, options, answer == platform::kIdYes, source.Summary());
  HideBusyMsg();
  if (written <= 0) {
    ReportExportFailure(review, path);
    return;
  }
  OpenExportResult(review, path, kParmsCapacity);
}

void CmSaveAudit(TRView& review) {
  const std::string path = AskExportPath(review, kAuditCaption, "Ondravik Audit [adt]|*.adt|", "ADT");
  if (path.empty()) return;
  ShowExportBusy(review, path);
  // Each listed fit is refitted with its covariance on a side of its own: the standard
  // errors exist, and the fit under review stays current as it was.
  std::vector<TFitEqn> fits;
  bool written = false;
  {
    const TEvaluationTask task = ExportTask(review, path);
    for (const int rank : ListedRanks(review)) {
      if (task.Cancelled()) break;
      if (std::optional<TFitSide> side = RefitRank(review.Session(), rank, kRefitCovariance)) fits.push_back(side->eqn);
    }
    if (task.Cancelled()) {
      HideBusyMsg();
      return;
    }
    written = WriteAuditFile(path, AuditLevel, fits);
  }
  HideBusyMsg();
  if (!written) {
    ReportExportFailure(review, path);
    return;
  }
  if (!AuditIsBinary(AuditLevel)) OpenExportResult(review, path, kAuditCapacity);
}

void CmSaveCovariance(TRView& review) {
  const std::string path = AskExportPath(review, kCovarianceCaption, "Covariance [cov]|*.cov|", "COV");
  if (path.empty()) return;
  ShowExportBusy(review, path);
  std::optional<TFitSide> side;
  {
    const TEvaluationTask task = ExportTask(review, path);
    side = RefitRank(review.Session(), review.Rank(), kRefitCovariance);
    if (task.Cancelled()) {
      HideBusyMsg();
      return;
    }
  }
  // A normal matrix that cannot be inverted has no covariance, nor has a fit without a degree
  // of freedom left (no variance to scale it): nothing is written, and the user is told why
  // rather than handed an empty file.
  const bool available = side && side->covarianceValid != 0 && FitStdErrorKnown(side->eqn.fitStdError);
  const bool written = available && WriteCovarianceFile(path, *side);
  HideBusyMsg();
  if (!available) {
    ErrorBox(ToWindow(&review), FileNameToCodedText(path), kNoCovariance);
    return;
  }
  if (!written) {
    ReportExportFailure(review, path);
    return;
  }
  OpenExportResult(review, path, kCovarianceCapacity);
}

void CmSaveUDF(TRView& review) {
  TSession& session = review.Session();
  const std::string name = UdfFunctionName(session.CurFitEqn().equationNumber);
  const std::string path = AskExportPath(review, kUdfCaption, "Ondravik UDF [udf]|*.udf|", "UDF");
  if (path.empty()) return;
  ShowExportBusy(review, path);
  // The user-function dialect and the function alone, for this run only: the code
  // generation options stay as the user set them.
  TCodeGenConstant notHeld;
  const CodeGenResult result =
      CodeGenFromTemplate(CodeGenInputOf(session, kDialectUdf, kScopeFunction), path, name, &notHeld);
  HideBusyMsg();
  if (result != CodeGenResult::kDone) {
    ReportCodeGenFailure(review, path, result, kDialectUdf, notHeld);
    return;
  }
  OpenExportResult(review, path, kCodeCapacity);
}

void RegisterReviewExports() {
  auto& commands = ReviewExtensions().commands;
  commands[kCmReviewCodeGeneration] = CmCodeGeneration;
  commands[kCmReviewSaveParameters] = CmSaveParameters;
  commands[kCmReviewSaveAudit] = CmSaveAudit;
  commands[kCmReviewSaveCovariance] = CmSaveCovariance;
  commands[kCmReviewSaveUdf] = CmSaveUDF;
  RegisterSurfaceExports();
}
