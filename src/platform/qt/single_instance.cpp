#include "platform/qt/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace platform::qt {

QString SingleInstance::SocketName(const QString& title, const QString& settingsDir, const QString& display) {
  QString name;
  for (QChar c : title) name += c.isLetterOrNumber() ? c : QChar('_');
  // The folder need not exist yet (a first run creates it at exit): an existing one is
  // named by its canonical path, so that two spellings of one folder meet.
  const QFileInfo folder(settingsDir);
  const QString path = folder.exists() ? folder.canonicalFilePath() : QDir::cleanPath(folder.absoluteFilePath());
  // A digest keeps the name short: a local socket's path has room for about 100 bytes.
  const QByteArray scope = QCryptographicHash::hash((path + QChar('\n') + display).toUtf8(),
                                                    QCryptographicHash::Sha256)
                               .toHex()
                               .left(16);
  return name + "-" + QString::number(::getuid()) + "-" + QString::fromLatin1(scope);
}

QString SingleInstance::CurrentDisplay() {
  QString display = QGuiApplication::platformName();
  for (const char* variable : {"WAYLAND_DISPLAY", "DISPLAY"}) {
    const QByteArray value = qgetenv(variable);
    if (!value.isEmpty()) display += QChar(':') + QString::fromLocal8Bit(value);
  }
  return display;
}

SingleInstance::SingleInstance(const QString& title, const QString& settingsDir, const QString& display,
                               QObject* parent)
    : QObject(parent) {
  const QString name = SocketName(title, settingsDir, display);
  link_ = new QLocalSocket(this);
  link_->connectToServer(name);
  if (link_->waitForConnected(500)) {
    second_ = true;
    connect(link_, &QLocalSocket::readyRead, this, [this] {
      if (link_->readAll().contains("close")) emit CloseRequested();
    });
    return;
  }
  delete link_;
  link_ = nullptr;
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  // No one answered: a socket file left by an instance that crashed is stale.
  if (!server_->listen(name)) {
    QLocalServer::removeServer(name);
    server_->listen(name);
  }
  connect(server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* s = server_->nextPendingConnection()) {
      later_.push_back(s);
      connect(s, &QLocalSocket::disconnected, this, [this, s] {
        std::erase(later_, s);
        s->deleteLater();
      });
    }
  });
}

SingleInstance::~SingleInstance() {
  if (server_) server_->close();
}

void SingleInstance::CloseLaterInstances() {
  if (!server_) return;
  // Connections that arrived but were not yet accepted are later instances too.
  server_->waitForNewConnection(0);
  const auto sockets = later_;
  for (QLocalSocket* s : sockets) {
    s->write("close\n");
    s->waitForBytesWritten(1000);
  }
}

}  // namespace platform::qt
