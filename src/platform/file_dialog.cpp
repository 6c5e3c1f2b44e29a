#include "platform/file_dialog.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "platform/message_box.h"
#include "platform/string_table.h"

namespace platform {
namespace {

std::atomic<FileDialogService*> g_service{nullptr};
std::atomic<bool> g_native{true};
std::atomic<SaveRefusalCheck> g_refusal{nullptr};
std::mutex g_folderMutex;
std::string g_lastFolder;

std::vector<std::string> SplitPatterns(std::string_view text) {
  std::vector<std::string> out;
  while (!text.empty()) {
    std::size_t semi = text.find(';');
    std::string_view one = text.substr(0, semi);
    while (!one.empty() && one.front() == ' ') one.remove_prefix(1);
    while (!one.empty() && one.back() == ' ') one.remove_suffix(1);
    if (!one.empty()) out.emplace_back(one);
    if (semi == std::string_view::npos) break;
    text.remove_prefix(semi + 1);
  }
  return out;
}

// Without a user interface no file can be chosen: the dialog counts as cancelled.
std::optional<FileChoice> Choose(const FileDialogRequest& request) {
  FileDialogService* service = g_service.load();
  if (!service) return std::nullopt;
  return service->ChooseFile(request);
}

std::uintmax_t NonEmptyFileSize(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return 0;
  std::uintmax_t size = std::filesystem::file_size(path, ec);
  return ec ? 0 : size;
}

bool SameLetters(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// The extension a bare name is saved with under the filter `index` (1-based): the filter's
// own ("*.wk1" gives "wk1"), or the default one when the filter takes any file or is the
// default extension's own (which keeps the default's spelling).
std::string ExtensionForFilter(std::string_view filter, int index, std::string_view defaultExt) {
  const std::vector<FileFilter> filters = ParseFileFilter(filter);
  if (index < 1 || index > static_cast<int>(filters.size())) return std::string(defaultExt);
  const std::vector<std::string>& patterns = filters[static_cast<std::size_t>(index - 1)].patterns;
  if (patterns.empty() || patterns[0].rfind("*.", 0) != 0) return std::string(defaultExt);
  const std::string own = patterns[0].substr(2);
  if (own.empty() || own.find_first_of("*?") != std::string::npos || SameLetters(own, defaultExt))
    return std::string(defaultExt);
  return own;
}

// Runs the dialog once; 1 with the path filled in, or 2 when cancelled.
int RunOnce(platform::Window owner, bool save, std::string_view title, std::string& path,
            std::string* ext, std::string_view defaultExt, std::string_view filter,
            int filterIndex) {
  FileDialogRequest request{owner,
                            save,
                            std::string(title),
                            std::string(filter),
                            filterIndex,
                            std::string(defaultExt),
                            g_native.load(),
                            LastFileFolder()};
  std::optional<FileChoice> chosen = Choose(request);
  if (!chosen || chosen->path.empty()) return 2;
  path = chosen->path;
  RememberFileFolder(path);
  const std::string added =
      save ? ExtensionForFilter(filter, chosen->filterIndex > 0 ? chosen->filterIndex : filterIndex, defaultExt)
           : std::string(defaultExt);
  // A file to open that exists under the name as typed is that file, extension or none.
  std::error_code ec;
  const bool existsAsTyped = !save && std::filesystem::exists(path, ec);
  if (PathExtension(path).empty() && !added.empty() && !existsAsTyped) {
    if (path.back() != '.') path += '.';
    path += added;
  }
  if (ext) *ext = PathExtension(path);
  return 1;
}

// Runs the save dialog until the user chooses a name no save refuses (each refusal told);
// 1 with the path, or 2 when cancelled.
int ChooseSaveName(platform::Window owner, std::string_view title, std::string& chosen, std::string* ext,
                   std::string_view defaultExt, std::string_view filter, int filterIndex) {
  for (;;) {
    if (RunOnce(owner, true, title, chosen, ext, defaultExt, filter, filterIndex) != 1) return 2;
    const SaveRefusalCheck check = g_refusal.load();
    const std::string refusal = check ? check(chosen) : std::string();
    if (refusal.empty()) return 1;
    ErrorBox(owner, chosen, refusal);
  }
}

}  // namespace

SaveRefusalCheck SetSaveRefusalCheck(SaveRefusalCheck check) { return g_refusal.exchange(check); }

std::vector<FileFilter> ParseFileFilter(std::string_view filter) {
  std::vector<FileFilter> out;
  while (!filter.empty()) {
    std::size_t bar = filter.find('|');
    if (bar == std::string_view::npos) break;
    std::string_view description = filter.substr(0, bar);
    filter.remove_prefix(bar + 1);
    std::size_t bar2 = filter.find('|');
    std::string_view patterns = filter.substr(0, bar2);
    filter = bar2 == std::string_view::npos ? std::string_view() : filter.substr(bar2 + 1);
    out.push_back({std::string(description), SplitPatterns(patterns)});
  }
  return out;
}

void SetNativeFileDialogs(bool native) { g_native.store(native); }
bool NativeFileDialogs() { return g_native.load(); }

FileDialogService* SetFileDialogService(FileDialogService* service) {
  return g_service.exchange(service);
}

ScriptedFiles::ScriptedFiles() { previous_ = SetFileDialogService(this); }
ScriptedFiles::~ScriptedFiles() { SetFileDialogService(previous_); }

std::optional<FileChoice> ScriptedFiles::ChooseFile(const FileDialogRequest& request) {
  std::lock_guard lock(mutex_);
  requests_.push_back(request);
  if (answers_.empty()) return std::nullopt;
  std::optional<FileChoice> answer = std::move(answers_.front());
  answers_.pop_front();
  return answer;
}

std::string LastFileFolder() {
  std::lock_guard lock(g_folderMutex);
  return g_lastFolder;
}

void RememberFileFolder(std::string_view path) {
  std::string folder = std::filesystem::path(path).parent_path().string();
  if (folder.empty()) return;
  std::lock_guard lock(g_folderMutex);
  g_lastFolder = std::move(folder);
}

std::string PathExtension(std::string_view path) {
  std::size_t slash = path.find_last_of('/');
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  std::size_t dot = name.find_last_of('.');
  return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot + 1));
}

}  // namespace platform

int FileOpenDlg(platform::Window owner, std::string_view title, std::string& path,
                std::string* ext, std::string_view defaultExt, std::string_view filter,
                int filterIndex) {
  return platform::RunOnce(owner, false, title, path, ext, defaultExt, filter, filterIndex);
}

int FileSaveDlg(platform::Window owner, std::string_view title, std::string& path,
                std::string* ext, std::string_view defaultExt, std::string_view filter,
                int filterIndex) {
  for (;;) {
    std::string chosen;
    if (platform::ChooseSaveName(owner, title, chosen, ext, defaultExt, filter, filterIndex) != 1) return 2;
    if (platform::NonEmptyFileSize(chosen) == 0) {
      path = chosen;
      return 1;
    }
    int answer = AskYesNoCancel(owner, chosen, platform::StringOrId(3004));
    if (answer == platform::kIdYes) {
      path = chosen;
      return 1;
    }
    if (answer != platform::kIdNo) return 2;
  }
}

int FileSaveAppendDlg(platform::Window owner, std::string_view title, std::string& path,
                      std::string* ext, std::string_view defaultExt, std::string_view filter,
                      int filterIndex) {
  std::string chosen;
  if (platform::ChooseSaveName(owner, title, chosen, ext, defaultExt, filter, filterIndex) != 1) return 2;
  path = chosen;
  if (platform::NonEmptyFileSize(chosen) == 0) return 1;
  int answer = AskYesNoCancel(owner, chosen, platform::StringOrId(3006));
  if (answer == platform::kIdYes) return 6;
  if (answer == platform::kIdNo) return 1;
  return 2;
}
