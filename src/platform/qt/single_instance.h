// One program window per user, settings folder and display: the first instance listens on a
// local socket; a later instance with the same settings folder on the same display connects
// to it, runs normally (it never writes the settings files), and is asked to close when the
// first instance exits. Copies with other settings folders or on other displays never meet:
// each keeps its own settings, data and fits.
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
  // The display this process shows its windows on: the platform plugin and the X11 or
  // Wayland display it connects to.
  static QString CurrentDisplay();

 signals:
  // A later instance: the first instance is exiting and asks this one to close.
  void CloseRequested();

 private:
  QLocalServer* server_ = nullptr;
  QLocalSocket* link_ = nullptr;  // a later instance's connection to the first
  std::vector<QLocalSocket*> later_;
  bool second_ = false;
};

}  // namespace platform::qt
