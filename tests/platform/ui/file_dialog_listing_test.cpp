// The toolkit's file dialog as the program opens it: "All" lists every file, names
// without a dot included, and a dialog opens in the folder of the last file chosen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "platform/file_dialog.h"
#include "platform/qt/qt_services.h"

namespace {

class QtFileDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetNativeFileDialogs(false);
    platform::qt::InstallQtServices();
  }
  void TearDown() override {
    platform::qt::UninstallQtServices();
    platform::SetNativeFileDialogs(true);
  }
};

void Touch(const QString& path) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("1 2 3\n");
}

TEST_F(QtFileDialog, AllListsNamesWithoutADotAndTheNextDialogOpensBesideTheLastFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  Touch(dir.filePath("noext"));
  Touch(dir.filePath("data.prn"));

  QString filterShown;
  bool listed = false;
  bool enabled = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    filterShown = dialog->selectedNameFilter();
    dialog->setDirectory(dir.path());
    auto* model = dialog->findChild<QFileSystemModel*>();
    ASSERT_NE(model, nullptr);
    // The model lists a folder in the background; wait for the name, then ask whether the
    // filter left it shown and enabled. The limit only ends a hang: a loaded machine may
    // take seconds to list the folder.
    (void)QTest::qWaitFor([&] { return model->index(dir.filePath("noext")).isValid(); }, 120000);
    const QModelIndex index = model->index(dir.filePath("noext"));
    listed = index.isValid() && model->nameFilters().contains("*");
    enabled = index.isValid() && (model->flags(index) & Qt::ItemIsEnabled);
    dialog->selectFile(dir.filePath("noext"));
    static_cast<QDialog*>(dialog)->accept();
  });
  std::string path, ext;
  ASSERT_EQ(FileOpenDlg(nullptr, "Open", path, &ext, "PRN", "ASCII [prn]|*.prn|All|*.*|", 2), 1);
  EXPECT_EQ(filterShown.toStdString(), "All (*)");
  EXPECT_TRUE(listed);
  EXPECT_TRUE(enabled);
  EXPECT_EQ(path, dir.filePath("noext").toStdString());

  QString opensIn;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    opensIn = dialog->directory().absolutePath();
    dialog->reject();
  });
  EXPECT_EQ(FileSaveDlg(nullptr, "Save", path, nullptr, "PRN", "ASCII [prn]|*.prn|", 1), 2);
  EXPECT_EQ(opensIn.toStdString(), QDir(dir.path()).absolutePath().toStdString());
}

}  // namespace
