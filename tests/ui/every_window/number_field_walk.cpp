#include "number_field_walk.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <algorithm>
#include <map>

#include "app/ui/number_field.h"
#include "every_window_support.h"
#include "tools/ui/udf_dialog.h"

namespace every_window {

std::vector<QPointer<QLineEdit>> NumberFields(const QPointer<QWidget>& w) {
  std::vector<QPointer<QLineEdit>> fields;
  for (QLineEdit* e : Walker::OpenEdits(w))
    if (const TNumberField* f = NumberFieldOf(e); f != nullptr && f->HasRange() && e->window() == w) fields.emplace_back(e);
  std::sort(fields.begin(), fields.end(), [](const QPointer<QLineEdit>& a, const QPointer<QLineEdit>& b) {
    return a->objectName() < b->objectName();
  });
  return fields;
}

void OpenClosedFields(const QPointer<QWidget>& w, const std::function<void(QAbstractButton*)>& click) {
  for (QAbstractButton* b : w->findChildren<QAbstractButton*>())
    if (b->window() == w && b->isCheckable() && b->isChecked() && b->isEnabled() && b->isVisible() &&
        Plain(b->text()) == "Auto")
      click(b);
  std::size_t fields = 0;
  for (QLineEdit* e : w->findChildren<QLineEdit*>())
    if (NumberFieldOf(e) != nullptr && e->window() == w) ++fields;
  if (NumberFields(w).size() == fields) return;
  std::vector<QPointer<QAbstractButton>> radios;
  for (QAbstractButton* b : w->findChildren<QAbstractButton*>())
    if (b->window() == w && b->inherits("QRadioButton") && b->isEnabled() && b->isVisible()) radios.emplace_back(b);
  // The choice that opens every field, else the one that opens the most (an earlier walk's
  // clicks may have left a choice that closes some).
  QPointer<QAbstractButton> best;
  for (const QPointer<QAbstractButton>& b : radios)
    if (b->isChecked()) best = b;
  std::size_t most = NumberFields(w).size();
  for (const QPointer<QAbstractButton>& b : radios) {
    if (!w || !b) return;
    click(b);
    if (!w) return;
    const std::size_t open = NumberFields(w).size();
    if (open == fields) return;
    if (open > most) {
      most = open;
      best = b;
    }
  }
  if (w && best && !best->isChecked()) click(best);
}

namespace {

int EnabledPushButtons(const QPointer<QWidget>& w) {
  int n = 0;
  for (QAbstractButton* b : w->findChildren<QAbstractButton*>())
    if (b->window() == w && b->isVisible() && b->isEnabled() && !b->isCheckable()) ++n;
  return n;
}

}  // namespace

void OpenMostButtons(const QPointer<QWidget>& w, const std::function<void(QAbstractButton*)>& click) {
  std::map<QObject*, std::vector<QPointer<QAbstractButton>>> groups;
  for (QAbstractButton* b : w->findChildren<QAbstractButton*>())
    if (b->window() == w && b->inherits("QRadioButton") && b->isEnabled() && b->isVisible())
      groups[b->group() != nullptr ? static_cast<QObject*>(b->group()) : b->parentWidget()].emplace_back(b);
  for (auto& [group, radios] : groups) {
    if (!w) return;
    const std::size_t fields = NumberFields(w).size();
    QPointer<QAbstractButton> best;
    for (const QPointer<QAbstractButton>& b : radios)
      if (b && b->isChecked()) best = b;
    if (!best) continue;
    int most = EnabledPushButtons(w);
    for (const QPointer<QAbstractButton>& b : radios) {
      if (!w) return;
      if (!b || b == best || !b->isEnabled()) continue;
      click(b);
      if (!w) return;
      if (NumberFields(w).size() < fields) continue;
      if (const int open = EnabledPushButtons(w); open > most) {
        most = open;
        best = b;
      }
    }
    if (w && best && !best->isChecked()) click(best);
  }
}

void TypeFunctionToAdjust(TDlgUDF& dialog) {
  dialog.TextEdit()->setPlainText("Z=A0+A1*X+A2*Y");
  dialog.Edit(702)->setText("3");
  // Starts 704.., lower limits 714.., upper limits 724..
  for (int i = 0; i < 3; ++i) {
    dialog.Edit(704 + i)->setText("1");
    dialog.Edit(714 + i)->setText(i < 2 ? "-100" : "-1E30");
    dialog.Edit(724 + i)->setText(i < 2 ? "100" : "1E30");
  }
}

}  // namespace every_window
