#include "graph3d/ui/function_graph_window.h"

#include <QPushButton>

#include "graph3d/ui/viewer_dialogs.h"
#include "platform/help.h"
#include "platform/qt/qt_text.h"

namespace {

const char* ButtonText(int id) {
  switch (id) {
    case kCmGraphType: return "&3D Type";
    case kCmViewOptions: return "3D &View";
    case kCmScaling: return "&Scaling";
    case kCmAnimate: return "&Animate";
    case kCmTitles: return "&Titles";
    case kCmGraphFont: return "&Font";
    case kCmColors: return "C&olors";
    case kCmPointsOptions: return "Poi&nts";
    case kCmEvaluate: return "&Eval";
    case TVFXY::kCopy: return "&Copy";
    case TVFXY::kPrint: return "&Print";
    case TVFXY::kUndo: return "&Undo";
    case TVFXY::kHelp: return "Help";
    case TVFXY::kOk: return "OK";
    default: return "";
  }
}

}  // namespace

TVFXY::TVFXY(QWidget* parent, T3DGraphSetup* setup, std::unique_ptr<GraphOptionDialogs> dialogs)
    : T3DDlg(parent, setup), dialogs_(dialogs ? std::move(dialogs) : std::make_unique<GraphOptionDialogs>()) {}

QPushButton* TVFXY::MakeButton(int id, QWidget* parent) {
  auto* b = new QPushButton(tr(ButtonText(id)), parent);
  b->setObjectName(QString::number(id));  // the click zones find the buttons by id
  b->setAutoDefault(false);
  if (id == kOk) b->setDefault(true);
  if (id == kCmEvaluate) b->setEnabled(static_cast<bool>(GetEvaluationTableDialog()));
  connect(b, &QPushButton::clicked, this, [this, id] { Command(id); });
  return b;
}

QPushButton* TVFXY::Button(int id) const { return findChild<QPushButton*>(QString::number(id)); }

void TVFXY::Command(int id) {
  switch (id) {
    case kOk: done(kOk); break;
    case kUndo: done(kUndo); break;
    case kHelp: platform::ShowHelp(platform::qt::ToWindow(this), HelpContext()); break;
    case kCopy: CopyGraph(); break;
    case kPrint: PrintGraph(); break;
    default: (void)RunOptionCommand(id);  // the command redraws as its result says
  }
}

GraphOptionResult TVFXY::RunOptionCommand(int id) { return RunGraphOptionCommand(*this, id, *dialogs_, context_); }
