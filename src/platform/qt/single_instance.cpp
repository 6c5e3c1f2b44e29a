#include "platform/qt/single_instance.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace platform::qt {

QString SingleInstance::SocketName(const QString& title) {
  QString name;
  for (QChar c : title) name += c.isLetterOrNumber() ? c : QChar('_');
  return name + "-" + QString::number(::getuid());
}

SingleInstance::SingleInstance(const QString& title, QObject* parent) : QObject(parent) {
  const QString name = SocketName(title);
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
