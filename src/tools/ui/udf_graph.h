// "Inspect and Adjust UDF": a user-defined function drawn over the data, whose start values
// the user moves with a bar and an edit per parameter until the surface sits on the data;
// "Find && &Update" lets the fitting engine improve them, and "Deri&vatives" opens the
// table "Partial Derivatives Within Range of Data", where they can be moved too. The rows
// are those of tools/udf_adjustment.h; the graph and the table refresh a second after the
// last change.
#pragma once

#include <QTimer>

#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "app/ui/dialog.h"
#include "app/ui/number_field.h"
#include "graph3d/ui/graph_dialog.h"
#include "tools/udf/udf_form.h"
#include "tools/udf_adjustment.h"

class QLabel;
class QLineEdit;
class QScrollBar;
struct TSession;

// The parameter rows both windows show: an edit and a bar per parameter.
class TUdfAdjustControls : public QObject {
  Q_OBJECT
 public:
  static constexpr int kFirstEdit = 704;
  static constexpr int kFirstBar = 737;

  // The rows work on `rows`; `changed` is called after every change the user made.
  TUdfAdjustControls(QWidget* owner, TUdfAdjustRows& rows, std::function<void()> changed);

  QLineEdit* Edit(int i) const;
  QScrollBar* Bar(int i) const { return bars_[static_cast<std::size_t>(i)]; }
  QLabel* Label(int i) const { return labels_[static_cast<std::size_t>(i)]; }
  // Shows the rows as the model holds them (enabled, texts, bar positions), without taking
  // the shown texts back as typed values.
  void Show();

 private:
  void Scrolled(int i, int position);
  void Typed(int i, const QString& text);

  TUdfAdjustRows& rows_;
  std::function<void()> changed_;
  bool showing_ = false;
  std::array<QLabel*, kUdfMaxParams> labels_{};
  std::array<TEditReal*, kUdfMaxParams> edits_{};
  std::array<QScrollBar*, kUdfMaxParams> bars_{};
};

class TUDFDeriv : public TDlg {
  Q_OBJECT
 public:
  static constexpr int kHelpContext = 39;
  // The statics of the columns, ten ids each from these.
  static constexpr int kFirstMinimum = 748, kFirstMaximum = 758, kFirstRange = 768, kFirstPercent = 778,
                       kFirstRelative = 788;

  // Function k of the session's table, valid and loaded.
  TUDFDeriv(QWidget* parent, TSession& session, int k);

  TUdfAdjustRows& Rows() { return rows_; }
  TUdfAdjustControls& Controls() { return *controls_; }
  QLabel* Static(int id) const;
  // The statics from the current start values (the table's refresh).
  void FillTable();
  // The timer's tick (public for the tests, which drive it instead of waiting).
  void Tick();

 protected:
  void SetupWindow() override;
  void done(int result) override;

 private:
  void Changed();

  TUdfAdjustRows rows_;
  std::unique_ptr<TUdfAdjustControls> controls_;
  std::array<std::array<QLabel*, kUdfMaxParams>, 5> statics_{};
  TAdjustRefresh refresh_;
  QTimer timer_;
};

class TUDFGraph : public T3DDlg {
  Q_OBJECT
 public:
  static constexpr int kHelpContext = 39;

  // Function k of the session's table, valid and loaded, drawn from `setup` (whose value
  // callback is the function's).
  TUDFGraph(QWidget* parent, T3DGraphSetup* setup, TSession& session, int k);

  TUdfAdjustRows& Rows() { return rows_; }
  TUdfAdjustControls& Controls() { return *controls_; }
  void Tick();
  // Recomputes the surface and draws it again.
  void RefreshGraph();
  int Refreshes() const { return refreshes_; }

  void CmFindAndUpdate();
  void CmDerivatives();
  void CmReset();

 protected:
  void SetupWindow() override;
  void done(int result) override;

 private:
  void Changed();

  TSession& session_;
  TUdfAdjustRows rows_;
  std::unique_ptr<TUdfAdjustControls> controls_;
  TAdjustRefresh refresh_;
  QTimer timer_;
  int refreshes_ = 0;
};

// The "&Adjust" road of the user-defined functions dialog, for function k (valid and loaded)
// and the dialog's texts: runs the graph window; on OK every start value that changed
// becomes its parameter's start expression ("%.6Lg"), in the record and in the texts
// returned; one whose expression reads the data only when the user agrees to replace such
// formulas. Nothing (no text changes) after Cancel.
std::optional<TUdfForm> AdjustUdfStarts(QWidget* parent, TSession& session, int k, TUdfForm form);
