// What the walks compare of the program before and after a window: the settings as they are
// saved at exit, field by field, and the user-function session file's bytes.
#pragma once

#include <filesystem>
#include <string>

struct ProgramSettings;
struct TSession;

namespace every_window {

// The session's user functions as the session file written into `dir` (emptied first) holds
// them.
std::string UdfSessionBytes(TSession& session, const std::filesystem::path& dir);
// The names of the settings' fields in which two differ (an array's first differing entry in
// brackets).
std::string SettingsFieldsDiffering(const ProgramSettings& a, const ProgramSettings& b);
// "the settings (fields)" when the settings' bytes differ; empty when they do not. Allowed:
// the windows' rectangles, and a window's first stored font (it had none: the default's).
std::string SettingsDifference(const ProgramSettings& before, ProgramSettings after);

}  // namespace every_window
