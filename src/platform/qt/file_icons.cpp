#include "platform/qt/file_icons.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCompleter>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMimeDatabase>
#include <QPrintDialog>

#include "platform/file_dialog.h"

namespace platform::qt {

QIcon NameOnlyFileIconProvider::icon(const QFileInfo& info) const {
  // The kind comes from the file's directory entry (a stat), never from its contents.
  if (info.isRoot()) return icon(Drive);
  if (info.isDir()) return icon(Folder);
  return icon(File);
}

QString NameOnlyFileIconProvider::type(const QFileInfo& info) const {
  if (info.isRoot()) return QStringLiteral("Drive");
  if (info.isDir()) return QStringLiteral("Folder");
  const QMimeType mime = QMimeDatabase().mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
  return mime.comment().isEmpty() ? mime.name() : mime.comment();
}

NameOnlyFileIconProvider* NameOnlyFileIcons() {
  // Shared by every dialog for the whole run; never deleted, so that no dialog outlives it.
  static auto* provider = new NameOnlyFileIconProvider;
  return provider;
}

void UseNameOnlyFileIcons(QPrintDialog& dialog) {
  auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("filename"));
  if (name == nullptr) return;
  if (QCompleter* completer = name->completer())
    if (auto* files = qobject_cast<QFileSystemModel*>(completer->model())) files->setIconProvider(NameOnlyFileIcons());
  auto* browse = dialog.findChild<QAbstractButton*>(QStringLiteral("fileBrowser"));
  if (browse == nullptr) return;
  QObject::disconnect(browse, &QAbstractButton::clicked, nullptr, nullptr);
  QObject::connect(browse, &QAbstractButton::clicked, &dialog, [&dialog, name] {
    QFileDialog files(&dialog, QPrintDialog::tr("Print To File ..."));
    files.setAcceptMode(QFileDialog::AcceptSave);
    files.setOption(QFileDialog::DontConfirmOverwrite);
    if (!NativeFileDialogs()) files.setOption(QFileDialog::DontUseNativeDialog);
    files.setIconProvider(NameOnlyFileIcons());
    if (!name->text().isEmpty()) files.selectFile(name->text());
    if (files.exec() != QDialog::Accepted || files.selectedFiles().isEmpty()) return;
    name->setText(files.selectedFiles().first());
    // A file chosen is printed to: the PDF printer, last in the list.
    if (auto* printers = dialog.findChild<QComboBox*>(QStringLiteral("printers")))
      printers->setCurrentIndex(printers->count() - 1);
  });
}

}  // namespace platform::qt
