// The main window's command table: every command with its menu, menu text (with the
// accelerator after a tab), enabler and tool-bar place, and the registry through which each
// subsystem's user-interface library installs its handlers. A command without a handler
// stays disabled: nothing in the program shows a placeholder.
#pragma once

#include <functional>
#include <span>
#include <string>

#include "app/ui/command_ids.h"

// Enabler codes: A no counted dialog open; D A and data; C A and a calculation; F A, data and
// fit results; U A, data and user functions; L A, data and the last session's user
// functions; T worker threads allowed (the dialog count is not looked at); R the background
// fit is running; Always: no enabler.
enum class Enabler { Always, A, D, C, F, U, L, T, R };

struct CommandInfo {
  int id = 0;
  int menu = -1;             // 0 "&File" .. 8 "&Help"; -1 no menu item
  const char* text = "";     // menu text, accelerator after a tab
  Enabler enabler = Enabler::Always;
  bool separatorBefore = false;
};

inline constexpr const char* kMenuTitles[9] = {"&File",           "&Edit",    "&Calculate",
                                               "&Table",          "&View",    "&Non-Parametric",
                                               "&Process",        "&Review",  "&Help"};

// Every command, in menu order.
std::span<const CommandInfo> CommandTable();
const CommandInfo* FindCommand(int id);

// Tool bars: command ids in order, 0 for a separator.
std::span<const int> FirstToolBar();
std::span<const int> SecondToolBar();

// What the enablers read.
struct EnablerState {
  int openDialogCount = 0;
  bool haveData = false;
  bool haveCalc = false;
  bool haveFits = false;
  bool haveUdfs = false;
  bool lastSessionUdfs = false;
  bool noThreads = false;
  bool backgroundFitRunning = false;
};
bool EnablerAllows(Enabler enabler, const EnablerState& state);

// Handlers. A subsystem's user-interface library registers its commands at start-up (from
// main.cpp), e.g. RegisterCommand(CmFitAll, [] { CmFit(1); }). A registered extra
// condition is asked after the enabler code (both must allow).
using CommandHandler = std::function<void()>;
using CommandCondition = std::function<bool()>;
void RegisterCommand(int id, CommandHandler handler, CommandCondition condition = {});
void UnregisterCommand(int id);
bool HasCommandHandler(int id);
// Runs the handler; false when none is registered.
bool RunCommandHandler(int id);
bool CommandConditionAllows(int id);

// The background fit's running state for the light button 2193 (installed by the fit
// subsystem; false without one).
void SetBackgroundFitQuery(std::function<bool()> query);
bool BackgroundFitRunning();
