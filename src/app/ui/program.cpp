#include "app/ui/program.h"

#include <QApplication>
#include <QFile>

#include <filesystem>
#include <system_error>

#include "app/settings_file.h"
#include "app/shell_state.h"
#include "app/ui/command_ids.h"
#include "app/ui/command_line.h"
#include "app/ui/main_window.h"
#include "platform/gui_thread.h"
#include "platform/qt/qt_services.h"
#include "platform/qt/single_instance.h"

namespace {

// A data file named relative to the folder the program was started in, by its whole path: it
// goes to the recent files, which reopen it from wherever the program starts next ("p.prn"
// there opened another folder's p.prn, or none).
std::string WholePath(const std::string& file) {
  if (file.empty()) return file;
  std::error_code error;
  const std::filesystem::path whole = std::filesystem::absolute(file, error);
  return error ? file : whole.lexically_normal().string();
}

}  // namespace

void ApplyCommandLine(const std::vector<std::string>& words) {
  const CommandLine line = ParseCommandLine(words);
  AuditLevel = line.auditLevel;
  NPDllName = line.npDllName;
  StartupDataFile = WholePath(line.dataFile);
}

int RunProgram(const std::vector<std::string>& words, TDataSession& session) {
  platform::qt::SingleInstance instance("Ondravik 3D v3", QFile::decodeName(SettingsDirectory().c_str()),
                                        platform::qt::SingleInstance::CurrentDisplay());
  SecondInstance = instance.IsSecond() ? 1 : 0;
  ApplyCommandLine(words);
  platform::qt::InstallQtServices();
  int result = 0;
  {
    QVRK window(session);
    // Asked to close by the first instance: the same road as File Exit, on the message
    // loop, so the user is asked about unsaved data as at any other exit.
    QObject::connect(&instance, &platform::qt::SingleInstance::CloseRequested, &window,
                     [] { platform::PostCommand(CmExit); });
    window.SetupWindow();
    result = QApplication::exec();
  }
  if (!SecondInstance) instance.CloseLaterInstances();
  platform::qt::UninstallQtServices();
  return result;
}
