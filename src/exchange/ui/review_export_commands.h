// The review window's exports (File menu): the worksheets and the ASCII surface (2401-2403,
// 2405, 2406), generated code (2407), the parameter summary (2408), the audit file (2410),
// the covariance matrix (2411) and the user-function file (2184).
//
// Every export follows one road: its option dialog when it has options, the Save dialog,
// the busy window captioned with the path ("Writing Data..."), the refit of the rank under
// review where the writer prints its errors and limits, the writer, and for text outputs a
// result window on the written file. A file that cannot be written is told ("Unable to
// Write File" with the path as caption) and opens no window; Cancel anywhere (the progress
// window's too, while a user function's fit is refitted and evaluated) writes and refits
// nothing and leaves the options as they were.
#pragma once

#include <filesystem>
#include <string>

#include "graph3d/ui/evaluation_progress.h"

class TRView;
class TScrWin;

// Installs the commands into the review window's extensions (main.cpp, once).
void RegisterReviewExports();

// The commands themselves, on a review window.
void CmSaveLotus(TRView& review);
void CmSaveExcel(TRView& review);
void CmSaveQuattro(TRView& review);
void CmSaveMerovane(TRView& review);
void CmSaveAscii(TRView& review);
void CmCodeGeneration(TRView& review);
void CmSaveParameters(TRView& review);
void CmSaveAudit(TRView& review);
void CmSaveCovariance(TRView& review);
void CmSaveUDF(TRView& review);

// ---- shared by the export commands --------------------------------------------------

// The Save dialog of an export over the review; the path, or empty when cancelled. With
// `lastExt` the dialog opens on the ASCII filter entry of that extension and the extension
// chosen is copied back into it.
std::string AskExportPath(TRView& review, int captionId, const char* filter, const char* defaultExt,
                          std::string* lastExt = nullptr);
// The busy window over the review while a file is written: the path as caption, "Writing
// Data..." as text.
void ShowExportBusy(TRView& review, const std::string& path);
// The step of an export that evaluates the fit under review (its refit, the surface over the
// grid, the limits): a user function's fit may take minutes, and once the step has taken a
// moment the progress window with Cancel takes the busy window's place, with the same
// caption and text. After a Cancel nothing is written, nothing is told, and the fit under
// review is as it was.
TEvaluationTask ExportTask(TRView& review, const std::string& path);
// "Unable to Write File" with the path as caption.
void ReportExportFailure(TRView& review, const std::filesystem::path& path);
// A text window on the written file, titled with its path; null (and told) when the file
// holds more lines than `capacity`.
TScrWin* OpenExportResult(TRView& review, const std::string& path, int capacity);

// The ASCII filter shared by the ASCII surface and the parameter summary.
inline constexpr const char* kAsciiExportFilter = "ASCII [prn]|*.prn|ASCII [dat]|*.dat|ASCII [txt]|*.txt|";
// The object name of the result windows (tests find them by it).
inline constexpr const char* kExportResultName = "ExportResult";
