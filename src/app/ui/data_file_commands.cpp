#include "app/ui/data_file_commands.h"

#include <QClipboard>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <memory>

#include "app/data_file_writers.h"
#include "app/data_files.h"
#include "app/data_session.h"
#include "app/file_utils.h"
#include "app/import_readers.h"
#include "app/private_temp_dir.h"
#include "app/settings_file.h"
#include "app/shell_state.h"
#include "app/text_file_bytes.h"
#include "app/ui/command_table.h"
#include "app/ui/data_status_window.h"
#include "app/ui/main_window.h"
#include "app/ui/progress_window.h"
#include "app/ui/small_controls.h"
#include "app/ui/text_window.h"
#include "platform/busy_window.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "platform/qt/qt_text.h"
#include "platform/string_table.h"

namespace {

using platform::qt::FromCp1252;
using platform::qt::ToCp1252;
using platform::qt::ToWindow;

constexpr int kLastExtImport = 0;  // LastExtensions 1: the import dialogs
constexpr int kLastExtSave = 1;    // LastExtensions 2: Save As
constexpr int kMaxDroppedFiles = 5;
constexpr int kDefaultFilterStep = 2;
constexpr int kDefaultFilterStart = 1;

platform::Window Main() { return ToWindow(MainWindow); }

// Asks for a data file to import; false when the user cancelled.
bool ChooseImportFile(TDataSession& session, int titleId) {
  std::string& lastExt = CurrentSettings().LastExtensions[kLastExtImport];
  std::string path, ext;
  if (FileOpenDlg(Main(), platform::LoadString(titleId), path, &ext, "PRN", kDataImportFilter,
                  ImportFilterIndex(lastExt)) != 1)
    return false;
  lastExt = ext;
  session.DataFileName = path;
  return true;
}

// The end of every import command: the file joins the recent files when it was read (a
// refused or failed file is no data file the user would open again), and the status
// window shows the table, which a failed read left as it was.
void FinishImport(TDataSession& session, int result, bool recent) {
  if (result >= 4 && recent) AddRecentFile(session.DataFileName);
  if (session.Table.XYZRows() > 3) ShowDataStatus();
}

// Whether the program can read a kind now (its reader, and the column dialog where the
// kind needs one, exist).
bool CanRead(int kind) {
  const TImportReaders& r = ImportReaders();
  return r.Read[static_cast<std::size_t>(kind)] && (!ImportKindNeedsColumns(kind) || r.ChooseColumns);
}

// Writes clipboard data into the private temporary directory; the path, or empty.
std::string WriteClipboardFile(const std::string& name, const QByteArray& bytes) {
  const std::filesystem::path dir = PrivateTempDir();
  if (dir.empty()) return {};
  const std::string path = (dir / name).string();
  if (!SaveGlobalToFile(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                        path))
    return {};
  return path;
}

// The clipboard's text as a data file: up to its first zero byte, every tab a comma, in the
// bytes that give the program's text back (TextFileBytes).
QByteArray ClipboardTextBytes(const QMimeData& data) {
  // As UTF-8, every character kept: the reader makes the titles the program's text and
  // counts the characters that lack a place in it, which the import tells.
  const QByteArray utf8 = data.text().toUtf8();
  std::string text(utf8.constData(), static_cast<std::size_t>(utf8.size()));
  text = text.substr(0, text.find('\0'));
  if (BeyondAscii(text)) text.insert(0, kUtf8ByteOrderMark);
  std::replace(text.begin(), text.end(), '\t', ',');
  return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

// The clipboard imports after the format was chosen: the clipboard block becomes a file of
// the private temporary directory, which `read` imports; pasted data count as unsaved.
void ReadClipboardFile(TDataSession& session, int append, const std::string& name,
                       const QByteArray& bytes, const std::function<int(const std::string&)>& read) {
  session.AppendMode = append;
  CloseDataStatus();
  if (ConfirmDiscardData(session) == 2) {
    ShowDataStatus();
    return;
  }
  const std::string path = WriteClipboardFile(name, bytes);
  if (path.empty()) {
    ShowDataStatus();
    return;
  }
  const int result = read(path);
  // The temporary copy has served its purpose; one that cannot be removed harms nothing.
  (void)DeleteFileOem(path);
  if (result >= 4) session.DataUnsaved = 1;
  FinishImport(session, result, false);
}

}  // namespace

TDlgDigitalFilter::TDlgDigitalFilter(QWidget* parent, int* step, int* start)
    : TDlg(parent), stepOut_(step), startOut_(start) {
  setWindowTitle("Digital Filter");
  setObjectName("TDlgDigitalFilter");
  step_ = new TEditInt(this, 3, 1, kFilterStepMost);
  step_->setObjectName("field338");
  step_->setText(QString::number(*step));
  start_ = new TEditInt(this, 5, 1, kFilterStartMost);
  start_->setObjectName("field339");
  start_->setText(QString::number(*start));
  auto* form = new QFormLayout;
  auto* stepLabel = new QLabel("Enter Desired Filter &n:", this);
  stepLabel->setBuddy(step_);
  auto* startLabel = new QLabel("Start Read at &Point #:", this);
  startLabel->setBuddy(start_);
  form->addRow(stepLabel, step_);
  form->addRow(startLabel, start_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
}

void TDlgDigitalFilter::accept() {
  // An entry out of range is set to the nearer bound and told; the dialog stays open so that
  // the user sees the value the import would use before it runs.
  if (!FieldsSettled()) return;
  *stepOut_ = static_cast<int>(step_->Value());
  *startOut_ = static_cast<int>(start_->Value());
  TDlg::accept();
}

void ImportAscii(TDataSession& session, int append) {
  session.AppendMode = append;
  CloseDataStatus();
  if (ConfirmDiscardData(session) == 2 || !ChooseImportFile(session, 3068)) {
    ShowDataStatus();
    return;
  }
  FinishImport(session, ImportDataFile(session, 0), true);
}

void ImportDigitalFilter(TDataSession& session, int append) {
  session.AppendMode = append;
  CloseDataStatus();
  if (ConfirmDiscardData(session) == 2 || !ChooseImportFile(session, 3070)) {
    ShowDataStatus();
    return;
  }
  ProgramSettings& s = CurrentSettings();
  for (;;) {
    int step = s.FilterStep, start = s.FilterStart;
    if (ExecuteAndDelete(new TDlgDigitalFilter(MainWindow, &step, &start)) != QDialog::Accepted) {
      s.FilterStep = kDefaultFilterStep;
      s.FilterStart = kDefaultFilterStart;
      ShowDataStatus();
      return;
    }
    if (step > 0 && start > 0) {
      s.FilterStep = step;
      s.FilterStart = start;
      break;
    }
    ErrorBox(Main(), "", platform::LoadString(3072));
  }
  // A filtered file is not one the user would open again whole: no recent entry.
  FinishImport(session, ImportDataFile(session, 1), false);
}

void ImportClipboard(TDataSession& session, int append) {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  // The first format the program can read, in the order WK3, WK1, text.
  std::string name;
  QByteArray bytes;
  if (data && data->hasFormat(kMimeWk3) && CanRead(kImportKindWK3)) {
    name = "CLIPBRD.WK3";
    bytes = data->data(kMimeWk3);
  } else if (data && data->hasFormat(kMimeWk1) && CanRead(kImportKindWK1)) {
    name = "CLIPBRD.WK1";
    bytes = data->data(kMimeWk1);
  } else if (data && data->hasText()) {
    name = "CLIPBRD.PRN";
    bytes = ClipboardTextBytes(*data);
  } else {
    ErrorBoxIds(Main(), 3011, 3012);
    return;
  }
  ReadClipboardFile(session, append, name, bytes, [&session](const std::string& path) {
    session.DataFileName = path;
    return ImportDataFile(session, 0, kClipboardSourceName);
  });
}

void ImportClipboardMatrix(TDataSession& session, int append) {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  std::string name;
  QByteArray bytes;
  if (data && data->hasFormat(kMimeWk3)) {
    name = "CLIPBRD.WK3";
    bytes = data->data(kMimeWk3);
  } else if (data && data->hasFormat(kMimeWk1)) {
    name = "CLIPBRD.WK1";
    bytes = data->data(kMimeWk1);
  } else {
    ErrorBoxIds(Main(), 3014, 3015);
    return;
  }
  ReadClipboardFile(session, append, name, bytes,
                    [&session](const std::string& path) { return ReadMatrixFile(session, path, kClipboardSourceName); });
}

void OpenDataFile(TDataSession& session, int k) {
  std::string path;
  if (k < 0)
    path = StartupDataFile;
  else if (k < static_cast<int>(kRecentFileCount))
    path = CurrentSettings().recentFiles[static_cast<std::size_t>(k)];
  if (path.empty()) return;
  CloseDataStatus();
  if (ConfirmDiscardData(session) == 2) {
    ShowDataStatus();
    return;
  }
  session.DataFileName = path;
  FinishImport(session, ImportDataFile(session, 0), true);
}

void EvDropFiles(TDataSession& session, const std::vector<std::string>& files) {
  const std::size_t n = std::min<std::size_t>(files.size(), kMaxDroppedFiles);
  if (n == 0) return;
  for (std::size_t i = 0; i < n; ++i) AddRecentFile(files[i]);
  OpenDataFile(session, 0);
}

void CmSaveDataTable(TDataSession& session) {
  TDataTable& table = session.Table;
  if (table.XYZRows() < 4) {
    ErrorBoxIds(Main(), 3082, 3083);
    return;
  }
  CloseDataStatus();
  table.XYZData()[0].X = table.XYZRows();
  const std::string filter =
      "ASCII [prn]|*.prn|ASCII [dat]|*.dat|ASCII [txt]|*.txt|Lotus wk1|*.wk1|Lotus wk3|*.wk3|OKAP [sav]|*.sav|";
  std::string& lastExt = CurrentSettings().LastExtensions[kLastExtSave];
  for (;;) {
    std::string path, ext;
    const int answer = FileSaveDlg(Main(), platform::LoadString(3081), path, &ext, "PRN", filter,
                                   std::max(ExtensionKind(lastExt), 1));
    if (answer == 2) break;
    if (answer != 1) continue;
    lastExt = ext;
    ShowBusyMsg(Main(), path, platform::LoadString(3085), 1);
    const int saved = SaveDataAs(session, path);
    HideBusyMsg();
    // A file that could not be written: the dialog comes again for another place.
    if (saved) break;
  }
  ShowDataStatus();
}

void CmCopyDataTable(TDataSession& session) {
  const std::string text = DataTableToText(session);
  if (text.empty()) return;
  auto* data = new QMimeData;
  data->setText(FromCp1252(text));
  // Labels in code page 850 cannot hold every character of the titles: then no worksheet
  // image is offered, and a paste takes the text, which gives the titles back.
  const bool titlesHeld = TitleCharactersNotHeld(session.DataTitles()).empty();
  for (auto [form, mime] : {std::pair{3, kMimeWk3}, std::pair{1, kMimeWk1}}) {
    // A WK1 image cannot hold a value beyond a double's range: it is left off, and a paste
    // takes the WK3 image or the text, which give the table back.
    if (!titlesHeld) break;
    const std::vector<std::uint8_t> image = DataTableToWorksheet(session, form);
    if (image.empty()) continue;
    data->setData(mime, QByteArray(reinterpret_cast<const char*>(image.data()),
                                   static_cast<qsizetype>(image.size())));
  }
  QGuiApplication::clipboard()->setMimeData(data);
}

void RegisterDataFileCommands(TDataSession& session) {
  TDataSession* const s = &session;
  RegisterCommand(CmImport, [s] { ImportAscii(*s, 0); });
  RegisterCommand(CmAppend, [s] { ImportAscii(*s, 1); });
  RegisterCommand(CmImportFilter, [s] { ImportDigitalFilter(*s, 0); });
  RegisterCommand(CmAppendFilter, [s] { ImportDigitalFilter(*s, 1); });
  RegisterCommand(CmImportClipboard, [s] { ImportClipboard(*s, 0); });
  RegisterCommand(CmAppendClipboard, [s] { ImportClipboard(*s, 1); });
  RegisterCommand(CmImportClipboardMatrix, [s] { ImportClipboardMatrix(*s, 0); });
  RegisterCommand(CmAppendClipboardMatrix, [s] { ImportClipboardMatrix(*s, 1); });
  RegisterCommand(CmSaveAs, [s] { CmSaveDataTable(*s); });
  RegisterCommand(CmCopyData, [s] { CmCopyDataTable(*s); });
  for (int k = 0; k < static_cast<int>(kRecentFileCount); ++k)
    RegisterCommand(CmRecentFile1 + k, [s, k] { OpenDataFile(*s, k); });
  RegisterCommand(CmOpenStartupFile, [s] { OpenDataFile(*s, -1); });
  RegisterCommand(CmCloseDataStatus, [] { CloseDataStatus(); });
  RegisterCommand(CmShowDataStatus, [] { ShowDataStatus(); });
  RegisterTextWindowCommands();

  // The hooks need the main window: they are set once it stands.
  AddStartupStep("data file commands", [s] {
    TDataFileHooks& hooks = DataFileHooks();
    hooks.owner = Main();
    hooks.SetHaveData = [](int on) {
      if (MainWindow) MainWindow->HaveData = on;
    };
    hooks.SetHaveFits = [](int on) {
      if (MainWindow) MainWindow->HaveFits = on;
    };
    hooks.SaveAs = [](TDataSession& unsaved) { CmSaveDataTable(unsaved); };
    hooks.RecentFilesChanged = [] {
      if (MainWindow) MainWindow->EvBuildRecentMenu();
    };
    hooks.ReadProgress = [](const std::string& path, std::string_view text) -> std::function<bool(int)> {
      auto window = std::make_shared<TProgressWindow>(MainWindow, FromCp1252(FileNameToCodedText(path)),
                                                      FromCp1252(text));
      // A read ends at the bound at the latest: the gauge measures the cases against it.
      return [window](int casesRead) { return window->Step(casesRead, kPointsCountBound); };
    };
    if (MainWindow)
      MainWindow->SetDropFilesHandler([s](const std::vector<std::string>& files) { EvDropFiles(*s, files); });
  });
  AddShutdownStep("data file commands", [] {
    DataFileHooks() = TDataFileHooks{};
    RemovePrivateTempDir();
  });
}
