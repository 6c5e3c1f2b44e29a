// Icons and type names for the program's file dialogs, chosen from each file's name and kind
// (folder, file, link) alone.
//
// Qt's own provider types a file by reading its first bytes, and some files never answer a
// read: /proc/kmsg waits for the next kernel message. Typing such a path into a file dialog,
// or into the print dialog's file field, froze the whole program. No file is opened here.
#pragma once

#include <QFileIconProvider>

class QPrintDialog;

namespace platform::qt {

class NameOnlyFileIconProvider : public QFileIconProvider {
 public:
  using QFileIconProvider::icon;
  QIcon icon(const QFileInfo& info) const override;
  QString type(const QFileInfo& info) const override;
};

// The provider every file dialog of the program uses (made on first use; the application
// must exist).
NameOnlyFileIconProvider* NameOnlyFileIcons();

// The print dialog's file field completes names from a file system model, and its browse
// button opens a file dialog of Qt's own: both are given the name-only provider.
void UseNameOnlyFileIcons(QPrintDialog& dialog);

}  // namespace platform::qt
