#include "app/ui/dialog.h"
#include "platform/qt/qt_text.h"
#include <QWidget>
#include "fit/fit_run.h"
