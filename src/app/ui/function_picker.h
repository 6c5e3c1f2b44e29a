// The function pickers: the eight lists ("Select General Function", "Select Trigonometric
// Function", ...) from which a formula edit inserts a function of the calculation language
// as the language spells it. They belong to the data calculations; every dialog with a
// formula edit reaches them through this hook and keeps its picker buttons disabled while
// none is installed.
#pragma once

#include <functional>
#include <string>

class QWidget;

// Runs picker `group` (0..7: general, trigonometric, statistical, Bessel, calculus, XYZ
// data table, conditional, non-linear base) over `parent`; answers the chosen button's id
// (101 or more) with its text in `chosen`, or a smaller number when nothing was chosen.
using FunctionPicker = std::function<int(QWidget* parent, int group, std::string& chosen)>;

void SetFunctionPicker(FunctionPicker picker);
bool FunctionPickerInstalled();
// The installed picker's answer; 0 without one.
int RunFunctionPicker(QWidget* parent, int group, std::string& chosen);

// A picker's answer that names a chosen function.
inline constexpr int kFunctionPickerFirstChoice = 101;
