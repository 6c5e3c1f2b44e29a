// Ondravik 3D: the entry point. One program window per user, settings folder and display: a
// second start there finds the first through a local socket, runs normally but never writes
// the settings, and is asked to close when the first instance exits.
#include <QApplication>

#include <string>
#include <vector>

#include "app/ui/program.h"
#include "fit/session.h"
#include "platform/qt/qt_services.h"
#include "platform/qt/whole_control_clicks.h"
#include "program_registrations.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  platform::qt::KeepNumbersInTheCLocale();
  platform::qt::ClickWholeControls();
  std::vector<std::string> words;
  // QApplication has taken its own options out of argv.
  for (int i = 1; i < argc; ++i) words.emplace_back(argv[i]);
  // The document state: every command and window works on this one session.
  TSession session;
  RegisterProgram(session);
  return RunProgram(words, session);
}
