// One program window per user, settings folder and display: the first instance listens on a
// local socket; a later instance with the same settings folder on the same display connects
// to it, runs normally (it never writes the settings files), and is asked to close when the
// first instance exits. Copies with other settings folders or on other displays never meet:
// each keeps its own settings, data and fits.
//
// Other users can neither take the first instance's place nor close it: the socket lives in
// a folder only this user can enter, and each side checks that the process at the other end
// runs as this user before it believes anything it says.
#pragma once

#include <QObject>
#include <QString>

#include <vector>

class QLocalServer;
class QLocalSocket;

namespace platform::qt {

class SingleInstance : public QObject {
  Q_OBJECT
 public:
  // `settingsDir` and `display` scope the socket (see SocketName).
  SingleInstance(const QString& title, const QString& settingsDir, const QString& display,
                 QObject* parent = nullptr);
  ~SingleInstance() override;

  bool IsSecond() const { return second_; }
  // First instance: asks every later instance to close and waits until each has read it.
  void CloseLaterInstances();

  // The socket's name: the title, the user id, and a digest of the settings folder (made
  // absolute) and the display, so that two users, two settings folders or two displays of
  // one machine never share a socket.
  static QString SocketName(const QString& title, const QString& settingsDir, const QString& display);
  // The folder of the socket: $XDG_RUNTIME_DIR when it is a folder of this user that no one
  // else may enter, else "ondravik3d-<uid>" in the system's temporary folder, made (or
  // found) with the same properties. Where someone else has taken that name, a private
  // folder of an unpredictable name in the temporary folder, whose path is recorded in the
  // settings folder (kSocketFolderRecord) so that later copies find it. Empty only when none
  // of these can be had: the program then runs without a single-instance socket.
  static QString SocketFolder(const QString& settingsDir);
  static constexpr const char* kSocketFolderRecord = "instance-folder";
  // Whether the process at the other end of a connected local socket runs as this user.
  static bool PeerIsThisUser(qintptr socketDescriptor);
  // The display this process shows its windows on: the platform plugin and the X11 or
  // Wayland display it connects to.
  static QString CurrentDisplay();

 signals:
  // A later instance: the first instance is exiting and asks this one to close.
  void CloseRequested();

 private:
  void Listen(const QString& path);

  QLocalServer* server_ = nullptr;
  QLocalSocket* link_ = nullptr;  // a later instance's connection to the first
  std::vector<QLocalSocket*> later_;
  bool second_ = false;
};

}  // namespace platform::qt
