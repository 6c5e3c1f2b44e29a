#include "smooth/libs/extension_library.h"

#include <dlfcn.h>

#include <atomic>
#include <mutex>
#include <string>

#include "app/fpu_control.h"
#include "app/program_files.h"
#include "app/shell_state.h"

namespace {

std::mutex g_mutex;
std::atomic<int> g_references{0};
void* g_handle = nullptr;
TNPExtension g_entries;

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    const char a = text[text.size() - suffix.size() + i];
    const char b = suffix[i];
    if ((a >= 'a' && a <= 'z' ? a - 32 : a) != (b >= 'a' && b <= 'z' ? b - 32 : b)) return false;
  }
  return true;
}

template <class Fn>
Fn Resolve(void* handle, const char* name) {
  return reinterpret_cast<Fn>(dlsym(handle, name));
}

}  // namespace

std::optional<std::filesystem::path> ExtensionLibraryPath(std::string_view name) {
  if (name.empty() || name.front() == '.' || name.find('/') != std::string_view::npos ||
      name.find('\0') != std::string_view::npos)
    return std::nullopt;
  std::string file(name);
  if (EndsWithNoCase(file, ".DLL")) file.resize(file.size() - 4);
  if (file.empty()) return std::nullopt;
  if (!EndsWithNoCase(file, ".so")) file += ".so";
  return ProgramFile(file);
}

int LoadNPExtension(bool load) {
  std::lock_guard lock(g_mutex);
  if (!load) {
    if (g_references > 0 && --g_references == 0) {
      g_entries = TNPExtension{};
      dlclose(g_handle);
      g_handle = nullptr;
      SetProgramFpuControl();
    }
    return 1;
  }
  if (g_references == 0) {
    const std::optional<std::filesystem::path> path = ExtensionLibraryPath(NPDllName);
    if (!path) return 0;
    void* handle = LoadLibraryFpuSafe(*path);
    if (!handle) return 0;
    TNPExtension entries;
    entries.info = Resolve<decltype(entries.info)>(handle, "NPExInfo");
    if (!entries.info) {
      dlclose(handle);
      SetProgramFpuControl();
      return 0;
    }
    entries.setup = Resolve<decltype(entries.setup)>(handle, "NPExSetup");
    entries.eval = Resolve<decltype(entries.eval)>(handle, "NPExEval");
    entries.fn = Resolve<decltype(entries.fn)>(handle, "NPExFn");
    entries.dat = Resolve<decltype(entries.dat)>(handle, "NPExDat");
    g_handle = handle;
    g_entries = entries;
  }
  ++g_references;
  return 1;
}

bool NPExtensionLoaded() { return g_references.load() > 0; }

const TNPExtension& NPExtension() { return g_entries; }
