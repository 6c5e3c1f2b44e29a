// What the small-screen tests share: a window as a window manager frames it.
#pragma once

#include <QRect>
#include <QStyle>
#include <QWidget>

#include <algorithm>

namespace small_screen {

// The window at its frame's place, with the platform's borders and a title bar above the
// client area (the offscreen platform's frames are thin all round).
inline QRect Framed(const QWidget* w) {
  const QRect frame = w->frameGeometry(), client = w->geometry();
  const int titleBar = std::max(client.top() - frame.top(), w->style()->pixelMetric(QStyle::PM_TitleBarHeight) + 4);
  return QRect(frame.topLeft(), QSize(frame.width(), client.height() + titleBar + frame.bottom() - client.bottom()));
}

}  // namespace small_screen
