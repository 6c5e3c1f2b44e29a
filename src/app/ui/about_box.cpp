#include "app/ui/about_box.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/shell_state.h"
#include "app/ui/main_window.h"
#include "app/ui/toolbar_icons.h"
#include "platform/qt/qt_text.h"

namespace {
QPointer<TAbout> g_splash;
}

TAbout::TAbout(QWidget* parent) : TDlg(parent, 1, 1, 1) {
  setWindowTitle("Ondravik 3D Windows v3.01A");
  auto* layout = new QHBoxLayout(this);
  auto* picture = new QPushButton(this);
  picture->setObjectName("516");
  picture->setIcon(QIcon(AboutBitmap()));
  picture->setIconSize(QSize(64, 64));
  picture->setFlat(true);
  layout->addWidget(picture, 0, Qt::AlignTop);
  auto* texts = new QVBoxLayout;
  const QString settings = platform::qt::FromCp1252(SettingsDir);
  const QString initial[4] = {
      "Ondravik 3D v3: surface fitting of z = f(x,y)",
      "All computation in 80-bit extended precision",
      settings.isEmpty() ? QString("Settings kept per user") : "Settings in " + settings,
      ColorsText(ScreenColors)};
  for (int i = 0; i < 4; ++i) {
    lines_[i] = new QLabel(initial[i], this);
    lines_[i]->setObjectName(QString::number(387 + i));
    texts->addWidget(lines_[i]);
  }
  layout->addLayout(texts);
  // Any press of the picture writes the colour line again (the display may have changed).
  connect(picture, &QPushButton::clicked, this,
          [this] { lines_[3]->setText(ColorsText(ScreenColors)); });
}

QString TAbout::ColorsText(long long colors) {
  if (colors > 1000000) return QString::number(colors / 1000000) + "M Colors";
  if (colors > 1000) return QString::number(colors / 1000) + "K Colors";
  return QString::number(colors) + " Colors";
}

QString TAbout::Line(int id) const {
  return id >= 387 && id <= 390 ? lines_[id - 387]->text() : QString();
}

void ShowAbout(int mode) {
  if (mode == 1) {
    if (g_splash) return;
    g_splash = new TAbout(MainWindow);
    g_splash->setModal(false);
    g_splash->show();
    g_splash->repaint();
  } else if (mode == -1) {
    delete g_splash.data();
  } else {
    (new TAbout(MainWindow))->Execute();
  }
}

TAbout* SplashWindow() { return g_splash; }
