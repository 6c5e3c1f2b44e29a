// The button column the graph option dialogs share: "OK", "Cancel", and as each dialog has
// them "&Read", "&Save", "&Reset" and "Help" (ids 1, 2, 13, 14, 18, 9).
#pragma once

#include <functional>
#include <string>

#include "graph3d/option_files.h"

class QBoxLayout;
class QWidget;
class QDialog;
class QPushButton;


// Adds the buttons to `layout` (top to bottom) and returns the "OK" button; "OK" accepts and
// "Cancel" rejects the dialog. Each button's object name is "button<id>" for the tests.
// A button without its action is left out.
QPushButton* AddOptionButtons(QDialog* dialog, QBoxLayout* layout, int helpContext,
                              const std::function<void()>& reset = nullptr,
                              const std::function<void()>& read = nullptr,
                              const std::function<void()>& save = nullptr);

// The open (or save) dialog for an option file; the chosen path, empty when cancelled.
std::string AskOptionFile(QWidget* owner, bool save, const char* title, const char* filter,
                          const char* ext);
// A refused file shows `errorText` with the path as caption; a file that cannot be opened is
// passed over silently. True when the file was read.
bool ReportOptionFile(QWidget* owner, const std::string& path, OptionFileStatus status,
                      const char* errorText);
// A save the user asked for that did not write its file is told ("Unable to Write File"
// with the reason, the path as caption); the file it would have replaced stays as it was.
void ReportOptionFileSave(QWidget* owner, const std::string& path, bool written);
