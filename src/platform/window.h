// An opaque handle of a window, so that headless code can name the owner of a message box
// or a dialog without seeing the widget library. The Qt layer converts it to and from its
// widget pointer (ToWindow and FromWindow of platform/qt/qt_text.h); a null handle means
// "no owner".
#pragma once

namespace platform {

struct NativeWindow;
using Window = NativeWindow*;

}  // namespace platform
