// The program's option dialogs behind GraphOptionDialogs, and the font request.
#include <QDialog>
#include <QEventLoop>

#include <cmath>

#include "app/long_double.h"
#include "app/ui/font_dialog.h"
#include "graph3d/graph_options.h"
#include "graph3d/ui/animation_dialogs.h"

#include "graph3d/ui/color_scheme_dialogs.h"
#include "graph3d/ui/graph_option_commands.h"
#include "graph3d/ui/graph_type_dialog.h"
#include "graph3d/ui/points_dialog.h"
#include "graph3d/ui/scaling_dialog.h"
#include "graph3d/ui/section_dialog.h"
#include "graph3d/ui/titles_dialog.h"
#include "graph3d/ui/view_dialog.h"
#include "graph3d/ui/viewer_dialogs.h"
#include "platform/qt/qt_text.h"

namespace {

int RunDialog(int dialog, QWidget* parent, T3DGraphSetup& setup, const GraphOptionContext& context) {
  switch (dialog) {
    case kDlgGraphType: return (new T3DType(parent, &setup))->Execute();
    case kDlgView: return (new T3DView(parent, &setup))->Execute();
    case kDlgScaling: return (new T3DScale(parent, &setup))->Execute();
    case kDlgPoints: return (new TPoints(parent, &setup))->Execute();
    case kDlgSection: return (new TSection(parent, &setup, context))->Execute();
    case kDlgColorScheme: return (new TColor_(parent, &setup))->Execute();
    case kDlgCustomColors: return (new TUserColor(parent, &setup))->Execute();
    case kDlgAnimate:
      return setup.Anim != nullptr ? (new TAnimate(parent, setup.Anim))->Execute() : kDialogCancel;
    case kDlgAnimationPlayer: {
      // The player runs modally: the window that opened it waits until it closes.
      auto* player = new TAnimateWin(parent, &setup, QString::fromLatin1(context.animationCaption.c_str()));
      player->setWindowModality(Qt::ApplicationModal);
      QEventLoop loop;
      QObject::connect(player, &T3DWin::closed, &loop, &QEventLoop::quit);
      player->show();
      player->CmStart();
      loop.exec();
      delete player;
      return kDialogOk;
    }
    case kDlgTitles:
      if (setup.Titles == nullptr || setup.TitleSettings == nullptr) return kDialogCancel;
      return (new TTitles(parent, setup.Titles, *setup.TitleSettings,
                          setup.Font != nullptr ? *setup.Font : platform::Font{"Arial", 12}))
          ->Execute();
    case kDlgEvaluate: {
      // The data tools bring the table; without them there is nothing to open.
      const EvaluationTableDialog& table = GetEvaluationTableDialog();
      if (!table) return kDialogCancel;
      // A graph without a surface (a method that made none) evaluates to the missing value.
      const SurfaceFunction surface =
          setup.SurfaceFn ? setup.SurfaceFn : SurfaceFunction([](long double, long double) { return ExprErrorValue; });
      TEvaluationTableRequest request{context.evaluationCaption, surface, {}, {}, context.evaluationCalculus};
      // A log axis holds its range in decades; the table works on values.
      for (std::size_t a = 0; a < 3; ++a) {
        const bool log = setup.Scaling.Log[a] != 0;
        request.low[a] = log ? std::pow(10.0L, setup.Scaling.AxisLow[a]) : setup.Scaling.AxisLow[a];
        request.high[a] = log ? std::pow(10.0L, setup.Scaling.AxisHigh[a]) : setup.Scaling.AxisHigh[a];
      }
      table(parent, request);
      return kDialogOk;
    }
    default: return kDialogCancel;
  }
}

}  // namespace

int GraphOptionDialogs::Run(int dialog, QWidget* parent, T3DGraphSetup& setup,
                            const GraphOptionContext& context) {
  // A dialog closed by Cancel or its close box answers "rejected" (0): the commands read 2.
  const int result = RunDialog(dialog, parent, setup, context);
  return result == QDialog::Rejected ? kDialogCancel : result;
}

bool ChooseGraphFont(QWidget* parent, platform::Font& font) {
  const int dpi = GetGraphDisplayFacts().screenDpiY;
  TLogFont record = GraphFontRecord(font, FontPointsFromHeight(font.height, dpi));
  const TLogFont before = record;
  TFontChoice choice;
  choice.title = "Select Graph Font";
  choice.minPoints = 6;
  choice.maxPoints = 48;
  if (!ChooseFontDlg(parent, record, choice)) return false;
  // Untouched, the font comes back as it went (its height not taken through points again).
  if (EncodeLogFont(record) == EncodeLogFont(before)) return true;
  font = GraphFontOf(record);
  font.height = FontHeightFromPoints(record.height, dpi);
  return true;
}
