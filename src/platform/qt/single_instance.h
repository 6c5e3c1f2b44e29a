// One program window per user: the first instance listens on a local socket named after the
// window title; a later instance connects to it, runs normally (it never writes the settings
// files), and closes when the first instance exits and asks it to.
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
  // The socket's name is made from the title and the user id, so that two users of one
  // machine never meet.
  explicit SingleInstance(const QString& title, QObject* parent = nullptr);
  ~SingleInstance() override;

  bool IsSecond() const { return second_; }
  // First instance: asks every later instance to close and waits until each has read it.
  void CloseLaterInstances();
  static QString SocketName(const QString& title);

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
