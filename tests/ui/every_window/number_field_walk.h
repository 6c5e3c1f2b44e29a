// What the walks of the number fields share: the fields a user can type into, the fields a
// window keeps closed until a choice opens them, and the function typed into the
// user-function dialog so that its Adjust opens the graph of its start values.
#pragma once

#include <QPointer>

#include <functional>
#include <vector>

class QAbstractButton;
class QLineEdit;
class QWidget;
class TDlgUDF;

namespace every_window {

// The number fields of window `w` a user can type into now, in the order of their names.
std::vector<QPointer<QLineEdit>> NumberFields(const QPointer<QWidget>& w);
// Fields a window keeps closed until a choice opens them: a box that says "Auto" is unticked
// (the scaling's typed ranges), and while a field is closed the window's radio buttons are
// tried in turn (a method with options) until one opens every field, the one that opens the
// most chosen otherwise; each through `click`.
void OpenClosedFields(const QPointer<QWidget>& w, const std::function<void(QAbstractButton*)>& click);
// Then, in each group of radio buttons, the choice that leaves the most push buttons open
// without closing a field (a derivative shown closes Eval and Section), through `click`.
void OpenMostButtons(const QPointer<QWidget>& w, const std::function<void(QAbstractButton*)>& click);
// Z=A0+A1*X+A2*Y with three parameters: two rows bounded by -100 and 100, one free (limits
// -1E30 and 1E30), all starting at 1.
void TypeFunctionToAdjust(TDlgUDF& dialog);

}  // namespace every_window
