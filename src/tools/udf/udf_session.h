// The session file "QVRK2V3.CFG": the user-defined functions kept from one run of the
// program to the next, in the library form, in the settings directory.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "expr/udf_record.h"

struct TDataSession;

// Writes every defined function of the table into dir's session file. Returns the number
// written; 0 when none is defined (nothing is written and an older file stays);
// kUdfFileNotWritten when the file could not be written.
[[nodiscard]] int WriteUdfSessionFile(const TUdfTable& table, const std::filesystem::path& dir);

// Reads dir's session file into the table as ReadUdfLibrary does (same results).
[[nodiscard]] int ReadUdfSessionFile(TUdfTable& table, const std::filesystem::path& dir,
                                     int* dropped = nullptr);

// A function of the file that did not load: its slot, and what the user is told of it (the
// function, why, and the line at fault).
struct TUdfInstallFailure {
  int k = 0;
  std::string text;
};

struct TUdfInstallResult {
  int read = 0;    // functions read from the file (ReadUdfLibrary's result)
  int loaded = 0;  // of those, the ones that compiled
  // The user stopped the loads (a TEvaluationStopScope's question said no): the function
  // being loaded and those after it stay defined but not loaded (`notLoaded` of them).
  bool cancelled = false;
  int notLoaded = 0;
  std::vector<TUdfInstallFailure> failures;  // in slot order
};

// Installs the last session's functions into the table the language is bound to (the one
// its functions compile from): reads the session file and, when it held any, re-evaluates
// the limits that depend on the data (ParseAllUdfParams) and loads every defined function
// in slot order with CurrentUdf set to it (restored afterwards). Each function loaded is one
// step of the task, for a progress window to count.
[[nodiscard]] TUdfInstallResult InstallLastSessionUdfs(const std::filesystem::path& dir);

// Connects a session's user-defined functions to the shell: the pre-scan's
// ParseAllUdfParams hook (for a pre-scan of that session's data, whose statistics the
// language reads), the session-file writer that SaveSettings calls at exit, and a shutdown
// step that frees the records afterwards. Start-up calls it once, on the user-interface
// thread, before the first data load (main.cpp, beside the other modules' start-up
// registrations); the session outlives the program's run.
void RegisterUdfHooks(TUdfSession& functions, const TDataSession& data);
