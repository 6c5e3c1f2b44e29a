#include "tools/ui/function_picker.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/qt/qt_text.h"
#include "tools/function_lists.h"

namespace {
// Entries per column: the longest list (the data table's 71 names) stays within a screen.
constexpr int kRowsPerColumn = 18;
constexpr std::size_t kEntryChars = 40;
}  // namespace

TFnIns::TFnIns(QWidget* parent, int list, std::string* chosen)
    : TDlg(parent), chosen_(chosen), list_(list) {
  const TFunctionList& l = FunctionList(list);
  setWindowTitle(l.title);
  setObjectName(QString("TFnIns%1").arg(l.resource));
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(4);
  grid->setVerticalSpacing(2);
  const int count = static_cast<int>(l.entries.size());
  const int columns = (count + kRowsPerColumn - 1) / kRowsPerColumn;
  const int rows = (count + columns - 1) / columns;
  for (int i = 0; i < count; ++i) {
    const std::string entry = std::string(l.entries[static_cast<std::size_t>(i)]).substr(0, kEntryChars);
    auto* b = new QPushButton(platform::qt::FromCp1252(entry), this);
    b->setObjectName(QString("button%1").arg(kFirstEntry + i));
    b->setAutoDefault(false);
    const int id = kFirstEntry + i;
    connect(b, &QPushButton::clicked, this, [this, entry, id] {
      if (chosen_) *chosen_ = entry;
      done(id);
    });
    grid->addWidget(b, i % rows, i / rows);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(buttons);
  KeepCaptionInSight(this);
}

QPushButton* TFnIns::Entry(int i) const { return findChild<QPushButton*>(QString("button%1").arg(kFirstEntry + i)); }

void TFnIns::SetupWindow() {
  if (chosen_) chosen_->clear();
  TDlg::SetupWindow();
}

std::optional<std::string> PickFunction(QWidget* parent, int list) {
  std::string chosen;
  if (ExecuteAndDelete(new TFnIns(parent, list, &chosen)) < TFnIns::kFirstEntry || chosen.empty()) return std::nullopt;
  return chosen;
}
