// Process-wide state of the application shell that headless code reads: whether the
// program is exiting, the command-line switches, the screen's facts, the count of open
// counted dialogs. Also the start-up and shutdown steps that later subsystems add without
// the shell linking to them.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <string_view>

// 1 when another instance of the program was running at start; such an instance never
// writes the settings files.
extern int SecondInstance;
// Set when the program starts to close; read by worker threads.
extern std::atomic<int> Exiting;
// Number of open counted dialogs; while it is nonzero most main-window commands are off.
extern int OpenDialogCount;
// 0 without the "Audit" switch; the number after it; 5 when none follows.
extern int AuditLevel;
// Worker threads are always available here; kept for the code that asks.
extern int NoThreadsFlag;
extern std::string StartupDataFile;  // data file named on the command line, or empty
extern std::string NPDllName;        // extension library with ".DLL" appended, or empty
extern std::string ProgramDir;       // directory of the program, with a trailing '/'
extern std::string SettingsDir;      // directory of the settings files, with a trailing '/'

extern int ScreenWidth;
extern int ScreenHeight;
extern int ScreenDpiX;
extern int ScreenDpiY;
// Colours of the screen: 2 to the power of the colour bits, at most 2^24 (a 32-bit screen
// holds 24 bits of colour and 8 of alpha).
extern long long ScreenColors;
// The processor-speed figure, measured on a worker at start-up.
extern std::atomic<float> ProcessorSpeed;

// Colours for a number of bits per pixel, as the about box counts them.
long long ColorsForBits(int bitsPerPixel);

// Stops a running background fit and waits for it; the fit subsystem installs the stopper
// (nothing to stop without one).
void SetBackgroundFitStopper(std::function<void()> stopper);
void StopBackgroundFit();

// Steps that later subsystems add at start-up (from main.cpp), run in the order added:
// at the end of the program's initialisation (after the settings are read), before the
// main window closes (stop a background fit, close a status window), and at shutdown
// after the settings are saved (free the module's tables). Each step is named by its
// owner: a module registered again (for another session) replaces its own step in place
// instead of leaving one behind that still holds the old session.
void AddStartupStep(std::string_view owner, std::function<void()> step);
void AddCanCloseStep(std::string_view owner, std::function<void()> step);
void AddShutdownStep(std::string_view owner, std::function<void()> step);
// Steps after "Reset All Defaults" has reset the settings (reload what a module keeps of
// them).
void AddResetStep(std::string_view owner, std::function<void()> step);
void RunStartupSteps();
void RunCanCloseSteps();
void RunShutdownSteps();
void RunResetSteps();
// Drops every step added so far, for a test whose registered commands die with its session.
void ForgetShellSteps();
