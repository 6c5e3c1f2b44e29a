#include "tools/ui/grid_editor_dialogs.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QDialogButtonBox* OkCancel(QDialog* dialog) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}

QRadioButton* AddRadio(QWidget* box, QVBoxLayout* column, int id, const char* text, bool checked) {
  auto* r = new QRadioButton(QObject::tr(text), box);
  r->setObjectName(QString("radio%1").arg(id));
  r->setChecked(checked);
  column->addWidget(r);
  return r;
}

}  // namespace

int EditorSortKey(bool descending, int by) {
  static constexpr int kKeys[2][5] = {{0, 4, 8, 10, 12}, {3, 7, 9, 11, 13}};
  return kKeys[descending ? 1 : 0][std::clamp(by, 0, 4)];
}

TSortDlg::TSortDlg(QWidget* parent, int* key) : TDlg(parent), key_(key) {
  setWindowTitle(tr("Sort Data Table"));
  setObjectName("TSortDlg");
  auto* order = new QGroupBox(tr("Order"), this);
  auto* orderColumn = new QVBoxLayout(order);
  AddRadio(order, orderColumn, kAscending, "&Ascending", true);
  AddRadio(order, orderColumn, kDescending, "&Descending", false);
  auto* by = new QGroupBox(tr("Sort"), this);
  auto* byColumn = new QVBoxLayout(by);
  const char* texts[5] = {"By &X", "By &Y", "By &Z", "By &Magnitude XY", "&By Magnitude XYZ"};
  for (int i = 0; i < 5; ++i) AddRadio(by, byColumn, kByX + i, texts[i], i == 0);
  auto* groups = new QHBoxLayout;
  groups->addWidget(order);
  groups->addWidget(by);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(groups);
  layout->addWidget(OkCancel(this));
  KeepCaptionInSight(this);
}

QRadioButton* TSortDlg::Radio(int id) const { return findChild<QRadioButton*>(QString("radio%1").arg(id)); }

void TSortDlg::accept() {
  int by = 0;
  for (int i = 0; i < 5; ++i)
    if (Radio(kByX + i)->isChecked()) by = i;
  if (key_) *key_ = EditorSortKey(Radio(kDescending)->isChecked(), by);
  TDlg::accept();
}

TReverseDlg::TReverseDlg(QWidget* parent, std::pair<GridColumn, GridColumn>* columns)
    : TDlg(parent), columns_(columns) {
  setWindowTitle(tr("Reverse Variables"));
  setObjectName("TReverseDlg");
  auto* box = new QGroupBox(tr("Exchange"), this);
  auto* column = new QVBoxLayout(box);
  AddRadio(box, column, kXAndZ, "&Reverse X and Z", true);
  AddRadio(box, column, kYAndZ, "Reverse &Y and Z", false);
  AddRadio(box, column, kXAndY, "Reverse &X and Y", false);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(box);
  layout->addWidget(OkCancel(this));
  KeepCaptionInSight(this);
}

QRadioButton* TReverseDlg::Radio(int id) const { return findChild<QRadioButton*>(QString("radio%1").arg(id)); }

void TReverseDlg::accept() {
  if (columns_) {
    if (Radio(kYAndZ)->isChecked())
      *columns_ = {kColY, kColZ};
    else if (Radio(kXAndY)->isChecked())
      *columns_ = {kColX, kColY};
    else
      *columns_ = {kColX, kColZ};
  }
  TDlg::accept();
}
