// The program's open and save dialogs over one replaceable service. Filters are written as
// the program has always written them: pairs of "description|pattern;pattern|", e.g.
// "ASCII [prn]|*.prn|All Files|*.*|". Tests install ScriptedFiles, which answers from a list.
#pragma once

#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window.h"

namespace platform {

struct FileDialogRequest {
  Window owner = nullptr;
  bool save = false;  // a save dialog (the file need not exist) rather than an open dialog
  std::string title;
  std::string filter;
  int filterIndex = 1;  // 1-based, as the filter pairs are counted
  std::string defaultExt;
  // The desktop's own dialog where the desktop offers one; else the toolkit's built-in one.
  bool native = true;
  // The folder the dialog opens in: that of the last file chosen in any of the program's
  // file dialogs (empty before the first: the working directory).
  std::string folder;
};

// Whether the program's open and save dialogs are the desktop's own or the built-in ones
// ("Explorer-Type File Selection" of the general preferences): program-wide, set from the
// settings at start-up and whenever the user changes them.
void SetNativeFileDialogs(bool native);
bool NativeFileDialogs();

struct FileFilter {
  std::string description;
  std::vector<std::string> patterns;
};
// Splits a "description|patterns|..." filter; a trailing description without patterns is
// dropped.
std::vector<FileFilter> ParseFileFilter(std::string_view filter);

// What the user chose: the path as typed or picked, and the filter left selected (1-based;
// 0 when the dialog does not say).
struct FileChoice {
  std::string path;
  int filterIndex = 0;
};

class FileDialogService {
 public:
  virtual ~FileDialogService() = default;
  // The user's choice, or nothing when the user cancelled.
  virtual std::optional<FileChoice> ChooseFile(const FileDialogRequest& request) = 0;
};

FileDialogService* SetFileDialogService(FileDialogService* service);

// Answers file dialogs from a script (a path and the filter left selected, or nothing for
// Cancel) and records each request; installs itself while it lives. Without a scripted
// answer the dialog is cancelled.
class ScriptedFiles : public FileDialogService {
 public:
  ScriptedFiles();
  ~ScriptedFiles() override;
  ScriptedFiles(const ScriptedFiles&) = delete;
  ScriptedFiles& operator=(const ScriptedFiles&) = delete;

  void Answer(std::optional<std::string> path, int filterIndex = 0) {
    std::lock_guard lock(mutex_);
    if (path)
      answers_.push_back(FileChoice{std::move(*path), filterIndex});
    else
      answers_.push_back(std::nullopt);
  }
  std::vector<FileDialogRequest> Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }
  std::optional<FileChoice> ChooseFile(const FileDialogRequest& request) override;

 private:
  mutable std::mutex mutex_;
  std::deque<std::optional<FileChoice>> answers_;
  std::vector<FileDialogRequest> requests_;
  FileDialogService* previous_ = nullptr;
};

// The folder of the last file chosen in a file dialog, where the next dialog opens; empty
// before the first choice.
std::string LastFileFolder();
void RememberFileFolder(std::string_view path);

// The text after the last "." of the file name part of a path; empty when it has none.
std::string PathExtension(std::string_view path);

}  // namespace platform

namespace platform {

// Why a save to `path` is refused before anything is asked or written (a link another user
// planted in a shared folder), as the text to tell the user; empty when it is not. The save
// dialogs tell it, with the path as caption, and show the dialog again, before they ask
// whether to overwrite or append: that question would be about a file the link names. The
// shell installs the check (app/file_utils); none is installed below it.
using SaveRefusalCheck = std::string (*)(const std::string& path);
SaveRefusalCheck SetSaveRefusalCheck(SaveRefusalCheck check);

}  // namespace platform

// Open dialog: 1 on OK with the path (and, when ext is given, its extension), 2 on cancel.
// The default extension is added when the chosen name has none and no file has the name as
// typed.
int FileOpenDlg(platform::Window owner, std::string_view title, std::string& path,
                std::string* ext, std::string_view defaultExt, std::string_view filter,
                int filterIndex);
// Save dialog: 1 on OK. A name without an extension takes the extension of the filter the
// user left selected (the default extension for a filter of any file, or for the filter of
// the default extension itself). When the chosen file exists and is not empty it asks "Overwrite
// Existing File?" (3004) with the path as caption: Yes gives 1, No shows the dialog again,
// Cancel gives 2.
int FileSaveDlg(platform::Window owner, std::string_view title, std::string& path,
                std::string* ext, std::string_view defaultExt, std::string_view filter,
                int filterIndex);
// Save-or-append dialog: for an existing file that is not empty it asks "Append to Existing
// Data?" (3006): Yes gives 6 (append), No 1 (overwrite), Cancel 2; a new file gives 1.
int FileSaveAppendDlg(platform::Window owner, std::string_view title, std::string& path,
                      std::string* ext, std::string_view defaultExt, std::string_view filter,
                      int filterIndex);
