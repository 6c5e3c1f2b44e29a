// The program's run from the entry point: single instance, command line, services, the main
// window and its message loop, and the closing of later instances at exit.
#pragma once

#include <string>
#include <vector>

// Sets the shell's command-line state (AuditLevel, NPDllName, StartupDataFile).
void ApplyCommandLine(const std::vector<std::string>& words);

struct TDataSession;

// Runs the program on `session` inside an existing QApplication; returns the exit code.
int RunProgram(const std::vector<std::string>& words, TDataSession& session);
