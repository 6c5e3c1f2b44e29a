#include "tools/ui/generation_dialogs.h"

#include <cmath>

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/number_format.h"
#include "app/ui/number_field.h"
#include "graph3d/ui/evaluation_progress.h"
#include "platform/help.h"
#include "platform/message_box.h"
#include "platform/qt/qt_text.h"
#include "platform/string_table.h"

namespace {

using platform::qt::FromCp1252;
using platform::qt::ToCp1252;
using platform::qt::ToWindow;

constexpr int kInvalidEntry = 3002;
constexpr int kRangeEditLimit = 30;
constexpr int kFirstRangeEdit = 576;

struct TRadioText {
  int id;
  const char* text;
};
constexpr TRadioText kGenRadios[12] = {
    {571, "&Generate"},
    {572, "&Read From File"},
    {573, "To &Evaluation Table"},
    {574, "Directly to &File"},
    {560, "X and Y Input, &Z=Fn at X,Y"},
    {561, "Z and Y Input, &X=Root of Fn"},
    {562, "Z and X Input, &Y=Root of Fn"},
    {563, "X and Y Input, Z=&dZ/dX"},
    {564, "X &and Y Input, Z=dZ/dY"},
    {565, "X and Y Input, Y=d&2Z/dX2"},
    {566, "X and Y Inpu&t, Y=d2Z/dY2"},
    {567, "X and Y In&put, Y=d2Z/dXdY"},
};

}  // namespace

// ---------------------------------------------------------------------------------------
// TGenASCII

TGenASCII::TGenASCII(QWidget* parent, TGenChoice& choice) : TDlg(parent), choice_(choice) {
  setWindowTitle("Generate");
  setObjectName("TGenASCII");
  // Three groups of radio buttons, each its own exclusive set.
  const auto group = [this](const char* title, int first, int count, int checked) {
    auto* box = new QGroupBox(title, this);
    auto* layout = new QVBoxLayout(box);
    auto* set = new QButtonGroup(box);
    for (int i = first; i < first + count; ++i) {
      auto* b = new QRadioButton(kGenRadios[i].text, box);
      b->setObjectName(QString("button%1").arg(kGenRadios[i].id));
      set->addButton(b);
      layout->addWidget(b);
      buttons_[static_cast<std::size_t>(i)] = b;
    }
    const int index = checked >= 0 && checked < count ? checked : 0;
    buttons_[static_cast<std::size_t>(first + index)]->setChecked(true);
    return box;
  };
  auto* top = new QHBoxLayout;
  top->addWidget(group("Data Source:", 0, 2, choice.source));
  top->addWidget(group("Write Data:", 2, 2, choice.destination));
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(group("Computation:", 4, 8, choice.mode));
  layout->addWidget(OkCancelHelpButtons(this, kEvaluationHelpContext));
}

QRadioButton* TGenASCII::Button(int id) const {
  for (std::size_t i = 0; i < buttons_.size(); ++i)
    if (kGenRadios[i].id == id) return buttons_[i];
  return nullptr;
}

void TGenASCII::accept() {
  choice_.source = buttons_[0]->isChecked() ? 0 : 1;
  choice_.destination = buttons_[2]->isChecked() ? 0 : 1;
  for (int m = 0; m < kEvalModeCount; ++m)
    if (buttons_[static_cast<std::size_t>(4 + m)]->isChecked()) choice_.mode = m;
  TDlg::accept();
}

// ---------------------------------------------------------------------------------------
// TGenParms

TGenRange& GenRangePrevious() {
  static TGenRange previous{};
  return previous;
}

TGenParms::TGenParms(QWidget* parent, const TGenParmsTexts& texts, TGenRange& block)
    : TDlg(parent), block_(block) {
  setWindowTitle(texts.caption);
  setObjectName("TGenParms");
  auto* grid = new QGridLayout;
  const QString rows[3] = {"&Start:", texts.incrementLabel, "&End:"};
  for (int axis = 0; axis < 2; ++axis) {
    QLabel*& label = labels_[static_cast<std::size_t>(axis)];
    label = new QLabel(axis == 0 ? texts.axis1 : texts.axis2, this);
    label->setObjectName(QString("static%1").arg(387 + axis));
    label->setAlignment(Qt::AlignCenter);
    grid->addWidget(label, 0, 1 + axis);
  }
  for (int row = 0; row < 3; ++row) {
    auto* label = new QLabel(rows[row], this);
    grid->addWidget(label, 1 + row, 0);
    for (int axis = 0; axis < 2; ++axis) {
      const int k = 3 * axis + row;
      QLineEdit*& edit = edits_[static_cast<std::size_t>(k)];
      edit = new QLineEdit(this);
      edit->setObjectName(QString("edit%1").arg(kFirstRangeEdit + k));
      edit->setMaxLength(kRangeEditLimit);
      edit->setMinimumWidth(180);
      grid->addWidget(edit, 1 + row, 1 + axis);
      if (axis == 0) label->setBuddy(edit);
    }
  }
  auto* layout = new QVBoxLayout(this);
  options_ = new QVBoxLayout;
  layout->addLayout(options_);
  if (texts.groupTitle.isEmpty()) {
    layout->addLayout(grid);
  } else {
    auto* box = new QGroupBox(texts.groupTitle, this);
    box->setLayout(grid);
    layout->addWidget(box);
  }
  auto* buttons = OkCancelHelpButtons(this, texts.helpContext);
  previous_ = buttons->addButton("&Previous", QDialogButtonBox::ActionRole);
  previous_->setObjectName("button670");
  // "Previous" fills the edits only: the block changes at OK.
  connect(previous_, &QPushButton::clicked, this, [this] { Show(GenRangePrevious()); });
  layout->addWidget(buttons);
  Show(block_);
}

QLineEdit* TGenParms::Edit(int id) const {
  const int k = id - kFirstRangeEdit;
  return k >= 0 && k < 6 ? edits_[static_cast<std::size_t>(k)] : nullptr;
}

QLabel* TGenParms::AxisLabel(int id) const {
  return id == 387 || id == 388 ? labels_[static_cast<std::size_t>(id - 387)] : nullptr;
}

void TGenParms::Show(const TGenRange& range) {
  // The digits the data were written with (5403001.26, not the 20 digits of its double's
  // binary remainder, nor of a step computed from such data); an edit left as shown keeps the
  // value it showed exactly, so OK without an edit keeps the block.
  shownValues_ = range;
  for (std::size_t axis : {0u, 3u}) {
    const long double start = range[axis], increment = range[axis + 1], end = range[axis + 2];
    // An increment carries the rounding of the ends it divides, shared among its steps.
    const long double steps = std::fabs((end - start) / increment);
    long double incrementTolerance = DoubleRoundingAt(increment);
    if (std::isfinite(steps) && steps >= 1)
      incrementTolerance += (DoubleRoundingAt(start) + DoubleRoundingAt(end)) / steps;
    const std::string texts[3] = {ShortestFigureText(start), ShortestTextWithin(increment, incrementTolerance),
                                  ShortestFigureText(end)};
    for (std::size_t k = 0; k < 3; ++k) {
      shownTexts_[axis + k] = QString::fromLatin1(texts[k]);
      ShowFromFirstDigit(*edits_[axis + k], shownTexts_[axis + k]);
    }
  }
}

void TGenParms::SetupWindow() {
  TDlg::SetupWindow();
  const TGenRange& previous = GenRangePrevious();
  previous_->setEnabled(previous[kGenStart1] != 0 || previous[kGenEnd1] != 0);
}

bool TGenParms::CanClose() {
  if (!EditsHoldProgramText(this, edits_)) return false;
  std::array<std::string, 6> entries;
  TGenHeldValues held;
  for (std::size_t k = 0; k < edits_.size(); ++k) {
    entries[k] = ToCp1252(edits_[k]->text());
    if (edits_[k]->text() == shownTexts_[k]) held[k] = shownValues_[k];
  }
  TGenRangeCheck check;
  {
    // The entries are statements, which can run for long: Cancel stops one like a refused one.
    const TEvaluationProgress progress(this, windowTitle(), QStringLiteral("Calculation in Progress"));
    check = CheckGenRange(entries, block_, held);
  }
  if (check.errors > 0) {
    ErrorBox(ToWindow(this), ToCp1252(windowTitle()), platform::LoadString(kInvalidEntry));
    return false;
  }
  block_ = check.range;
  GenRangePrevious() = check.range;
  return true;
}

void TGenParms::accept() {
  if (CanClose()) TDlg::accept();
}
