#include "graph3d/ui/option_dialog_buttons.h"

#include <QBoxLayout>
#include <QDialog>
#include <QPushButton>

#include "app/file_utils.h"
#include "platform/file_dialog.h"
#include "platform/help.h"
#include "platform/message_box.h"
#include "platform/qt/qt_text.h"

QPushButton* AddOptionButtons(QDialog* dialog, QBoxLayout* layout, int helpContext,
                              const std::function<void()>& reset, const std::function<void()>& read,
                              const std::function<void()>& save) {
  auto add = [&](int id, const char* text, const std::function<void()>& action) {
    auto* button = new QPushButton(QObject::tr(text), dialog);
    button->setObjectName(QString("button%1").arg(id));
    button->setAutoDefault(false);
    if (action) QObject::connect(button, &QPushButton::clicked, dialog, action);
    layout->addWidget(button);
    return button;
  };
  QPushButton* ok = add(1, "OK", [dialog] { dialog->accept(); });
  ok->setDefault(true);
  add(2, "Cancel", [dialog] { dialog->reject(); });
  if (read) add(13, "&Read", read);
  if (save) add(14, "&Save", save);
  if (reset) add(18, "&Reset", reset);
  const int help = helpContext;
  add(9, "Help", [dialog, help] { platform::ShowHelp(platform::qt::ToWindow(dialog), help); });
  layout->addStretch(1);
  return ok;
}

std::string AskOptionFile(QWidget* owner, bool save, const char* title, const char* filter,
                          const char* ext) {
  std::string path;
  const platform::Window window = platform::qt::ToWindow(owner);
  const int answer = save ? FileSaveDlg(window, title, path, nullptr, ext, filter, 1)
                          : FileOpenDlg(window, title, path, nullptr, ext, filter, 1);
  return answer == 1 ? path : std::string();
}

bool ReportOptionFile(QWidget* owner, const std::string& path, OptionFileStatus status,
                      const char* errorText) {
  if (status == OptionFileStatus::Refused) ErrorBox(platform::qt::ToWindow(owner), path, errorText);
  return status == OptionFileStatus::Ok;
}

void ReportOptionFileSave(QWidget* owner, const std::string& path, bool written) {
  constexpr int kWriteFailedText = 3075;
  if (!written) ErrorBox(platform::qt::ToWindow(owner), path, SaveFailureText(path, kWriteFailedText));
}
