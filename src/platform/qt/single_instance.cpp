#include "platform/qt/single_instance.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRandomGenerator>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace platform::qt {
namespace {

// A folder of this user that nobody else may enter (owner this user, not a symlink, no
// rights for group or others).
bool IsPrivateFolder(const QByteArray& path) {
  struct stat st {};
  return !path.isEmpty() && ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
         st.st_uid == ::geteuid() && (st.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

// A recorded path that leads to a private folder of this user only through folders nobody
// else can change: no link on the way (the record names the folder by its canonical path),
// and every folder above owned by this user or root and, where others may write to it,
// sticky, so that nobody can rename an entry on the way and put his own in its place.
// Checking the last component alone let a path through another user's link lead wherever
// that user chose.
bool IsSafelyRecordedFolder(const QByteArray& path) {
  if (!path.startsWith('/') || !IsPrivateFolder(path)) return false;
  char* resolved = ::realpath(path.constData(), nullptr);
  const bool canonical = resolved && path == QByteArray(resolved);
  std::free(resolved);
  if (!canonical) return false;
  for (qsizetype slash = 0; slash >= 0; slash = path.indexOf('/', slash + 1)) {
    const QByteArray above = slash == 0 ? QByteArray("/") : path.left(slash);
    struct stat st {};
    if (::lstat(above.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    if (st.st_uid != 0 && st.st_uid != ::geteuid()) return false;
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (st.st_mode & S_ISVTX) == 0) return false;
  }
  return true;
}

// The private folder recorded in the settings folder, or a new one recorded there. The record
// is put in place by a rename, so that a copy starting at the same moment reads either no
// record or a whole one.
QByteArray RecordedFolder(const QString& settingsDir) {
  const QString record = settingsDir + "/" + SingleInstance::kSocketFolderRecord;
  QFile recorded(record);
  if (recorded.open(QIODevice::ReadOnly)) {
    const QByteArray path = recorded.read(4096).trimmed();
    if (IsSafelyRecordedFolder(path)) return path;
  }
  // Named by its canonical path, as the check above wants it.
  const QString canonicalTemp = QFileInfo(QDir::tempPath()).canonicalFilePath();
  const QString tempFolder = canonicalTemp.isEmpty() ? QDir::tempPath() : canonicalTemp;
  QByteArray folder;
  for (int attempt = 0; attempt < 100 && folder.isEmpty(); ++attempt) {
    const QByteArray candidate = QFile::encodeName(tempFolder + "/ondravik3d-instance-" +
                                                   QString::number(QRandomGenerator::system()->generate64(), 36));
    if (::mkdir(candidate.constData(), 0700) == 0) folder = candidate;
    else if (errno != EEXIST) return {};
  }
  if (folder.isEmpty() || !QDir().mkpath(settingsDir)) return {};
  const QString temp = record + "." + QString::number(QCoreApplication::applicationPid());
  QFile out(temp);
  const bool written = out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(folder + "\n") > 0 &&
                       out.flush() && ::fsync(out.handle()) == 0;
  out.close();
  if (!written || ::rename(QFile::encodeName(temp).constData(), QFile::encodeName(record).constData()) != 0) {
    QFile::remove(temp);
    ::rmdir(folder.constData());
    return {};
  }
  return folder;
}

}  // namespace

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

QString SingleInstance::SocketFolder(const QString& settingsDir) {
  const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
  if (runtime.startsWith('/') && IsPrivateFolder(runtime)) return QFile::decodeName(runtime);
  // The system's temporary folder is shared: a name someone else made first is not used,
  // and neither is it left to him to switch the single instance off.
  const QByteArray own = QFile::encodeName(QDir::tempPath() + "/ondravik3d-" + QString::number(::geteuid()));
  if ((::mkdir(own.constData(), 0700) == 0 || errno == EEXIST) && IsPrivateFolder(own)) return QFile::decodeName(own);
  return QFile::decodeName(RecordedFolder(settingsDir));
}

bool SingleInstance::PeerIsThisUser(qintptr socketDescriptor) {
  ucred peer{};
  socklen_t size = sizeof peer;
  return socketDescriptor >= 0 &&
         ::getsockopt(static_cast<int>(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
         size == sizeof peer && peer.uid == ::geteuid();
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
  const QString folder = SocketFolder(settingsDir);
  if (folder.isEmpty()) return;  // no safe place: run alone rather than meet others in a shared one
  const QString path = folder + "/" + SocketName(title, settingsDir, display);
  link_ = new QLocalSocket(this);
  link_->connectToServer(path);
  if (link_->waitForConnected(500) && PeerIsThisUser(link_->socketDescriptor())) {
    second_ = true;
    connect(link_, &QLocalSocket::readyRead, this, [this] {
      if (link_->readAll().contains("close")) emit CloseRequested();
    });
    return;
  }
  delete link_;
  link_ = nullptr;
  Listen(path);
}

void SingleInstance::Listen(const QString& path) {
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  // No instance of this user answered: a socket file left by one that crashed is stale.
  if (!server_->listen(path)) {
    QLocalServer::removeServer(path);
    (void)server_->listen(path);  // failing, this copy runs alone and later ones become first
  }
  connect(server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* s = server_->nextPendingConnection()) {
      if (!PeerIsThisUser(s->socketDescriptor())) {
        s->abort();
        s->deleteLater();
        continue;
      }
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
