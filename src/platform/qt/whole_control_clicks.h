// Check boxes and radio buttons that answer a click anywhere on their control, as a user of
// the program's dialogs expects. Qt's controls answer only over their box and text, and a
// control stretched to the width of its column (a short label under long ones: "Akima I",
// "Watson", "Invert", the data graph's "Add Surface") let a click beside its text go by. A
// style over the application's own widens their click area to the whole control; nothing
// else of the look changes.
#pragma once

namespace platform::qt {

// Installs the style; call right after the QApplication, before any window exists. Calling
// it again changes nothing.
void ClickWholeControls();

}  // namespace platform::qt
