#include "graph3d/ui/accept_or_undo.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/qt/early_clicks.h"
#include "platform/qt/qt_text.h"
#include "platform/string_table.h"

TUndo::TUndo(QWidget* parent, T3DGraphSetup* setup, std::unique_ptr<GraphOptionDialogs> dialogs)
    : TVFXY(parent, setup, std::move(dialogs)) {
  setWindowTitle(tr("Accept or Undo Modifications"));
  auto* column = new QVBoxLayout;
  for (int id : {kOk, kUndo, static_cast<int>(kCmViewOptions), static_cast<int>(kCmAnimate),
                 static_cast<int>(kCmColors), static_cast<int>(kCmPointsOptions), kHelp})
    column->addWidget(MakeButton(id, this));
  column->addStretch(1);
  auto* top = new QHBoxLayout(this);
  top->setContentsMargins(4, 4, 4, 4);
  top->addWidget(Pane(), 1);
  top->addLayout(column);
}

void TUndo::reject() { done(kUndo); }

AcceptOrUndo ShowAcceptOrUndo(QWidget* parent, AcceptOrUndoMode mode, const TDataSession& session,
                              ProgramSettings& settings) {
  TGraphOptions options(settings, kGraphAcceptUndo, kPointsAcceptUndo, kPlaceAcceptUndo);
  PrepareAcceptOrUndoGraph(options, session);
  auto* window = new TUndo(parent, &options.Setup());
  window->setWindowTitle(platform::qt::FromCp1252(platform::StringOrId(AcceptOrUndoCaptionId(mode))));
  window->resize(720, 560);
  // It comes up when a calculation or a smoothing has ended, under a pointer that may be on
  // its way to the window before it: such a click must not accept or undo.
  GuardAgainstEarlyClicks(window);
  const int result = window->Execute();
  options.StoreBack();
  return result == TVFXY::kOk ? AcceptOrUndo::Accept : AcceptOrUndo::Undo;
}
