#include "platform/qt/whole_control_clicks.h"

#include <QApplication>
#include <QProxyStyle>
#include <QStyleOption>

namespace platform::qt {

namespace {

class TWholeControlStyle : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;

  QRect subElementRect(SubElement element, const QStyleOption* option, const QWidget* widget) const override {
    if ((element == SE_CheckBoxClickRect || element == SE_RadioButtonClickRect) && option != nullptr)
      return option->rect;
    return QProxyStyle::subElementRect(element, option, widget);
  }
};

}  // namespace

void ClickWholeControls() {
  if (dynamic_cast<TWholeControlStyle*>(QApplication::style()) != nullptr) return;
  // Over the style the application chose (the proxy takes it over).
  QApplication::setStyle(new TWholeControlStyle(QApplication::style()->name()));
}

}  // namespace platform::qt
