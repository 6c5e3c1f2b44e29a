// The tool-bar pictures, drawn by the program itself: one per command id.
#pragma once

#include <QIcon>
#include <QPixmap>

QIcon CommandIcon(int commandId);
// The picture of the about box's button.
QPixmap AboutBitmap();
