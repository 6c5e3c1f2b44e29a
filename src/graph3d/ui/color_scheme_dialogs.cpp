#include "graph3d/ui/color_scheme_dialogs.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

#include "graph3d/option_files.h"
#include "graph3d/ui/option_dialog_buttons.h"

namespace {

constexpr const char* kSchemeTexts[10] = {"&Page White BW", "Page &White Color", "&Blue", "Cy&an",
                                          "&Red",           "&Yellow",           "&Green", "&Magenta",
                                          "&Neutral",       "&User-Customized"};
constexpr const char* kRoleTexts[kColorRoleCount] = {
    "Title",          "SubTitles",       "X,Y,Z Titles",  "X,Y,Z Labels",   "X-Y Grids",
    "X-Z Grids",      "Y-Z Grids",       "X-Y BackPlane", "X-Z BackPlane",  "Y-Z BackPlane",
    "X,Y,Z Axes",     "Background",      "Frame for Print", "Points <1 SD", "Points <2 SD",
    "Points <3 SD",   "Points >3 SD",    "Points Inactive", "Z-Line Above", "Z-Line Below",
    "Mesh Line",      "Mesh Fill",       "Wire Line",     "Confidence",     "Prediction",
    "Math Error",     "Limit Error"};
constexpr const char* kColorsFilter = "User Colors [clr]|*.clr|";

QColor Basic(int k) {
  const platform::Color c = Basic16Colors[static_cast<std::size_t>(std::clamp(k, 0, 15))];
  return QColor(c.Red(), c.Green(), c.Blue());
}

// A frame that paints and clicks through its owner.
class TColorFrame : public QWidget {
 public:
  TColorFrame(QWidget* parent, std::function<void(QPainter&, QRect)> paint,
              std::function<void(QPoint)> click = {})
      : QWidget(parent), paint_(std::move(paint)), click_(std::move(click)) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    paint_(p, rect().adjusted(1, 1, -1, -1));
  }
  void mouseReleaseEvent(QMouseEvent* e) override {
    if (click_ && e->button() == Qt::LeftButton) click_(e->position().toPoint());
  }

 private:
  std::function<void(QPainter&, QRect)> paint_;
  std::function<void(QPoint)> click_;
};

}  // namespace

TColor_::TColor_(QWidget* parent, T3DGraphSetup* setup) : T3DSFDlg(parent, setup) {
  setWindowTitle(tr("Color Scheme"));
  auto* box = new QGroupBox(tr("Schemes"), this);
  auto* column = new QVBoxLayout(box);
  column->setSpacing(2);
  for (int s = 0; s < 10; ++s) {
    auto* b = new QRadioButton(tr(kSchemeTexts[s]), box);
    b->setAutoExclusive(false);
    b->setObjectName(QString("radio%1").arg(kFirstScheme + s));
    buttons_[static_cast<std::size_t>(s)] = b;
    column->addWidget(b);
    connect(b, &QRadioButton::clicked, this, [this, s] { ChooseScheme(s); });
  }
  auto* customize = new QPushButton(tr("&Customize Colors"), this);
  customize->setObjectName("button528");
  customize->setAutoDefault(false);
  connect(customize, &QPushButton::clicked, this, [this] { Customize(); });
  auto* left = new QVBoxLayout;
  left->addWidget(box);
  left->addWidget(customize);
  left->addStretch(1);
  auto* buttons = new QVBoxLayout;
  AddOptionButtons(this, buttons, 19);
  auto* top = new QHBoxLayout(this);
  top->addLayout(left);
  top->addWidget(Pane(), 1);
  top->addLayout(buttons);
  Pane()->setMinimumSize(320, 280);
  Renderer().SetColorScheme();
  CheckScheme();
}

void TColor_::CheckScheme() {
  for (int s = 0; s < 10; ++s) buttons_[static_cast<std::size_t>(s)]->setChecked(s == Renderer().SchemeNumber());
}

void TColor_::ChooseScheme(int scheme) {
  Renderer().SetSchemeNumber(scheme);
  CheckScheme();
  Renderer().SetColorScheme();
  InvalidateGraph();
}

void TColor_::Customize() {
  T3DGraphSetup* setup = Renderer().Setup();
  const int scheme = Renderer().SchemeNumber();
  if (scheme != kUserScheme && setup->UserSchemes != nullptr) {
    const TColorSchemeTable& table = setup->SchemeTable != nullptr ? *setup->SchemeTable : ColorSchemeTable;
    (*setup->UserSchemes)[static_cast<std::size_t>(std::clamp(setup->UserScheme, 0, kUserSchemeCount - 1))] =
        BuiltinColorScheme(table, scheme);
  }
  Renderer().SetSchemeNumber(kUserScheme);
  done(kCustomize);
}

TUserColor::TUserColor(QWidget* parent, T3DGraphSetup* setup) : T3DSFDlg(parent, setup) {
  setWindowTitle(tr("Custom Colors"));
  Renderer().SetSchemeNumber(kUserScheme);
  Renderer().SetColorScheme();
  opened_ = UserScheme();
  palette_ = new TColorFrame(
      this,
      [this](QPainter& p, QRect r) {
        const int w = r.width(), h = r.height();
        const int marked = role_ >= 0 ? UserScheme()[static_cast<std::size_t>(role_)] : -1;
        for (int k = 0; k < 16; ++k) {
          const int c = k / 8, row = k % 8;
          const QRect cell(QPoint(r.left() + c * w / 2, r.top() + row * h / 8),
                           QPoint(r.left() + (c + 1) * w / 2, r.top() + (row + 1) * h / 8));
          p.fillRect(cell, Basic(k));
          if (k == marked) {
            p.setPen(Basic(15 - k));
            const QPoint m = cell.center();
            p.drawLine(m.x(), m.y() - 4, m.x(), m.y() + 5);
            p.drawLine(m.x() - 4, m.y(), m.x() + 5, m.y());
          }
        }
        p.setPen(Basic(0));
        p.drawLine(r.left() + w / 2, r.top(), r.left() + w / 2, r.bottom());
        for (int row = 1; row < 8; ++row) p.drawLine(r.left(), r.top() + row * h / 8, r.right(), r.top() + row * h / 8);
        p.drawRect(r);
      },
      [this](QPoint at) {
        const int k = PaletteCellAt(at);
        if (k >= 0) ChooseColor(k);
      });
  palette_->setObjectName("frame201");
  palette_->setMinimumSize(70, 200);
  strip_ = new TColorFrame(this, [this](QPainter& p, QRect r) {
    const int h = r.height();
    for (int i = 0; i < kColorRoleCount; ++i) {
      const QRect band(QPoint(r.left(), r.top() + i * h / kColorRoleCount),
                       QPoint(r.right(), r.top() + (i + 1) * h / kColorRoleCount));
      p.fillRect(band, Basic(UserScheme()[static_cast<std::size_t>(i)]));
      p.setPen(Basic(0));
      if (i + 1 < kColorRoleCount) p.drawLine(band.bottomLeft(), band.bottomRight());
    }
    p.drawRect(r);
  });
  strip_->setObjectName("frame202");
  strip_->setMinimumSize(24, 200);

  auto* rolesBox = new QGroupBox(tr("Roles"), this);
  auto* grid = new QGridLayout(rolesBox);
  grid->setVerticalSpacing(0);
  roles_ = new QButtonGroup(this);
  for (int i = 0; i < kColorRoleCount; ++i) {
    auto* b = new QRadioButton(tr(kRoleTexts[i]), rolesBox);
    b->setObjectName(QString("radio%1").arg(101 + i));
    roles_->addButton(b, i);
    grid->addWidget(b, i % 14, i / 14);
  }
  roles_->button(0)->setChecked(true);
  connect(roles_, &QButtonGroup::idClicked, this, [this](int i) { SelectRole(i); });

  auto* buttons = new QVBoxLayout;
  AddOptionButtons(this, buttons,
                   19, [this] { CmReset(); }, [this] { CmReadColors(); }, [this] { CmSaveColors(); });
  auto* top = new QHBoxLayout(this);
  top->addWidget(rolesBox);
  top->addWidget(strip_);
  top->addWidget(palette_);
  top->addWidget(Pane(), 1);
  top->addLayout(buttons);
  Pane()->setMinimumSize(300, 280);
}

TColorScheme& TUserColor::UserScheme() {
  T3DGraphSetup* setup = Renderer().Setup();
  return (*setup->UserSchemes)[static_cast<std::size_t>(std::clamp(setup->UserScheme, 0, kUserSchemeCount - 1))];
}

int TUserColor::PaletteCellAt(QPoint p) const {
  const QRect r = palette_->rect().adjusted(1, 1, -1, -1);
  if (!r.contains(p) || r.width() <= 0 || r.height() <= 0) return -1;
  const int c = std::min(1, (p.x() - r.left()) * 2 / r.width());
  const int row = std::min(7, (p.y() - r.top()) * 8 / r.height());
  return c * 8 + row;
}

void TUserColor::SelectRole(int role) {
  role_ = std::clamp(role, 0, kColorRoleCount - 1);
  roles_->button(role_)->setChecked(true);
  palette_->update();
}

void TUserColor::Refresh() {
  Renderer().SetColorScheme();
  InvalidateGraph();
  palette_->update();
  strip_->update();
}

void TUserColor::ChooseColor(int index) {
  UserScheme()[static_cast<std::size_t>(role_)] = static_cast<std::uint8_t>(std::clamp(index, 0, 15));
  Refresh();
}

void TUserColor::CmReadColors() {
  const std::string path = AskOptionFile(this, false, "Read Custom Colors", kColorsFilter, "CLR");
  if (path.empty()) return;
  TColorScheme read{};
  // A file that is refused takes nothing: the colours being edited stay as they are, so a
  // wrong file never costs the user their own colours.
  if (!ReportOptionFile(this, path, ReadUserColorsFile(path, read), kUserColorsFileErrorText)) return;
  UserScheme() = read;
  Refresh();
}

void TUserColor::CmSaveColors() {
  const std::string path = AskOptionFile(this, true, "Save Custom Colors", kColorsFilter, "CLR");
  if (!path.empty()) ReportOptionFileSave(this, path, WriteUserColorsFile(path, UserScheme()));
}

void TUserColor::CmReset() {
  UserScheme() = opened_;
  Refresh();
}
