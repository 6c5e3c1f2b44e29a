// The program's file dialogs type files by name: a file that never answers a read (/proc/kmsg)
// cannot freeze them, whether its path is typed into an open or save dialog or into the print
// dialog's file field.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCompleter>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMimeDatabase>
#include <QPrintDialog>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/inotify.h>
#include <unistd.h>

#include "platform/file_dialog.h"
#include "platform/qt/file_icons.h"
#include "platform/qt/qt_services.h"

namespace {

using platform::qt::NameOnlyFileIcons;

// Counts the opens and reads of one file while it lives.
class FileWatch {
 public:
  explicit FileWatch(const QString& path) : fd_(inotify_init1(IN_NONBLOCK)) {
    if (fd_ >= 0) inotify_add_watch(fd_, QFile::encodeName(path).constData(), IN_OPEN | IN_ACCESS);
  }
  ~FileWatch() {
    if (fd_ >= 0) close(fd_);
  }
  bool Ready() const { return fd_ >= 0; }
  // The events since the last call.
  int Events() {
    alignas(inotify_event) char buffer[4096];
    int count = 0;
    for (ssize_t n; (n = read(fd_, buffer, sizeof buffer)) > 0;)
      for (char* p = buffer; p < buffer + n; p += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(p)->len)
        ++count;
    return count;
  }

 private:
  int fd_;
};

// A file named without an extension, like /proc/kmsg, whose contents say PNG: typed by its
// name alone (an unknown kind), and never opened.
TEST(NameOnlyFileIcons, TypeAndIconComeFromTheNameWithoutOpeningTheFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath("kmsg");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
  file.close();
  FileWatch watch(path);
  ASSERT_TRUE(watch.Ready());
  const QFileInfo info(path);
  EXPECT_EQ(NameOnlyFileIcons()->type(info), QMimeDatabase().mimeTypeForName("application/octet-stream").comment());
  EXPECT_FALSE(NameOnlyFileIcons()->icon(info).isNull());
  EXPECT_EQ(watch.Events(), 0);
  // Qt's own provider reads a file without a telling name to type it (the watch sees that).
  const QString byContents = QFileIconProvider().type(info);
  EXPECT_GT(watch.Events(), 0);
  EXPECT_EQ(byContents, QMimeDatabase().mimeTypeForName("image/png").comment());
  // A name with a known extension, and a folder whatever its name.
  EXPECT_EQ(NameOnlyFileIcons()->type(QFileInfo(dir.filePath("list.txt"))), QMimeDatabase().mimeTypeForName("text/plain").comment());
  EXPECT_EQ(NameOnlyFileIcons()->type(QFileInfo(dir.path())), "Folder");
}

TEST(NameOnlyFileIcons, OpenAndSaveDialogsUseThem) {
  platform::qt::InstallQtServices();
  for (const bool save : {false, true}) {
    const QAbstractFileIconProvider* used = nullptr;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      used = dialog->iconProvider();
      dialog->reject();
    });
    std::string path;
    const int answer = save ? FileSaveDlg(nullptr, "Save", path, nullptr, "txt", "Text [txt]|*.txt|", 1)
                            : FileOpenDlg(nullptr, "Open", path, nullptr, "txt", "Text [txt]|*.txt|", 1);
    EXPECT_EQ(answer, 2);
    EXPECT_EQ(used, NameOnlyFileIcons()) << (save ? "save" : "open");
  }
  platform::qt::UninstallQtServices();
}

// The print dialog's file field completes from a model with the name-only icons, and its
// browse button opens a dialog with them; the file chosen there lands in the field.
TEST(NameOnlyFileIcons, PrintDialogFileFieldAndBrowserUseThem) {
  QPrinter printer;
  printer.setOutputFormat(QPrinter::PdfFormat);
  QPrintDialog dialog(&printer);
  platform::qt::UseNameOnlyFileIcons(dialog);
  auto* name = dialog.findChild<QLineEdit*>("filename");
  auto* browse = dialog.findChild<QAbstractButton*>("fileBrowser");
  ASSERT_NE(name, nullptr);
  ASSERT_NE(browse, nullptr);
  ASSERT_NE(name->completer(), nullptr);
  auto* model = qobject_cast<QFileSystemModel*>(name->completer()->model());
  ASSERT_NE(model, nullptr);
  EXPECT_EQ(model->iconProvider(), NameOnlyFileIcons());

  QTemporaryDir dir;
  const QString chosen = dir.filePath("graph.pdf");
  const QAbstractFileIconProvider* used = nullptr;
  int dialogs = 0;
  QTimer::singleShot(0, [&] {
    auto* files = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(files, nullptr);
    ++dialogs;
    used = files->iconProvider();
    files->selectFile(chosen);
    static_cast<QDialog*>(files)->accept();
  });
  browse->click();
  EXPECT_EQ(dialogs, 1);  // only the program's own dialog opened
  EXPECT_EQ(used, NameOnlyFileIcons());
  EXPECT_EQ(name->text(), chosen);
}

}  // namespace
