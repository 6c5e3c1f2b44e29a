// A label showing a file's path in a window laid out to its fields' widths.
#pragma once

#include <QLabel>
#include <QString>

// A path as long as its folders make it shows its start and its file name with an ellipsis
// between, the whole path in its tip: sized to its text, a deep path widened its window past
// the screen's edge. The label takes the width its layout gives it, never asks for the path's.
class TPathLabel : public QLabel {
 public:
  explicit TPathLabel(QWidget* parent);
  void SetPath(const QString& path);
  const QString& Path() const { return path_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Elide();
  QString path_;
};
