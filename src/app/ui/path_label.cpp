#include "app/ui/path_label.h"

#include <QFontMetrics>

#include <algorithm>

TPathLabel::TPathLabel(QWidget* parent) : QLabel(parent) {
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void TPathLabel::SetPath(const QString& path) {
  path_ = path;
  setToolTip(path);
  Elide();
}

void TPathLabel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  Elide();
}

void TPathLabel::Elide() { setText(fontMetrics().elidedText(path_, Qt::ElideMiddle, std::max(width(), 1))); }
