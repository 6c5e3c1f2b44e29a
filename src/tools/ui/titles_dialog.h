// The "Data Description and Variable Names" dialog: the data title and the X, Y and Z
// names of the table, with the point count and the file source shown beside them, and a way
// back to the names the data had before an import.
#pragma once

#include <QString>

#include "app/data_titles.h"
#include "app/ui/dialog.h"

class QLineEdit;
class QLabel;
class TPathLabel;
class QPushButton;
struct TDataSession;

class TTitlesDlg : public TDlg {
  Q_OBJECT
 public:
  // previous: the titles before the import that opened the dialog, or null.
  TTitlesDlg(QWidget* parent, TDataSession& session, const TDataTitles* previous);

  QLineEdit* Edit(int id) const;  // 661 title, 662-664 X, Y, Z names
  QPushButton* PreviousButton() const { return previousButton_; }
  QLabel* Static(int id) const;   // 666 point count, 667 file source
  // OK: the edits become the data's titles.
  void accept() override;

 protected:
  void SetupWindow() override;

 private:
  void Fill(const TDataTitles& titles);
  void CmPrevious();

  TDataSession& session_;
  TDataTitles working_;
  const TDataTitles* previous_;
  QLineEdit* edits_[4];
  QLabel* count_;
  TPathLabel* source_;  // the data file, shortened to the dialog's width
  QPushButton* previousButton_;
};

// Runs the dialog over the session's DataTitles(); 1 on OK (the titles replaced), 0 when
// cancelled.
int RunTitlesDialog(QWidget* parent, TDataSession& session, const TDataTitles* previous);
