// The single-instance socket: a later copy with the same settings folder on the same display
// links to the first and is told to close when it exits; copies with another settings
// folder or on another display are first instances of their own; another user can neither
// stand in for the first instance nor reach it.
#include "platform/qt/single_instance.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using platform::qt::SingleInstance;

// Sets an environment variable for the test's lifetime.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const QByteArray& value) : name_(name), had_(qEnvironmentVariableIsSet(name)),
                                                          old_(qgetenv(name)) {
    qputenv(name, value);
  }
  ~ScopedEnv() {
    if (had_) qputenv(name_, old_);
    else qunsetenv(name_);
  }

 private:
  const char* name_;
  bool had_;
  QByteArray old_;
};

mode_t ModeOf(const QString& path) {
  struct stat st {};
  return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode : 0;
}

// A listening Unix socket at `path`, owned by a child process that runs as `uid` (bound
// while still privileged, listening after the switch, so that the peer credentials a
// client sees are `uid`'s). Killed when the object goes.
class ForeignListener {
 public:
  ForeignListener(const QString& path, uid_t uid) {
    const QByteArray name = QFile::encodeName(path);
    int ready[2];
    if (::pipe(ready) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ready[0]);
      const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
      sockaddr_un address{};
      address.sun_family = AF_UNIX;
      std::strncpy(address.sun_path, name.constData(), sizeof address.sun_path - 1);
      const bool ok = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                      ::setgid(uid) == 0 && ::setuid(uid) == 0 && ::listen(fd, 8) == 0;
      const char answer = ok ? 'y' : 'n';
      (void)::write(ready[1], &answer, 1);
      for (;;) {
        const int client = ::accept(fd, nullptr, nullptr);
        if (client >= 0) (void)::write(client, "close\n", 6);
      }
    }
    ::close(ready[1]);
    char answer = 'n';
    listening_ = pid_ > 0 && ::read(ready[0], &answer, 1) == 1 && answer == 'y';
    ::close(ready[0]);
  }
  ~ForeignListener() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  bool Listening() const { return listening_; }

 private:
  pid_t pid_ = -1;
  bool listening_ = false;
};

class SingleInstanceTest : public ::testing::Test {
 protected:
  // A title of this test run only, so that a program running beside the tests never meets it.
  const QString title_ = "Ondravik test " + QString::number(QCoreApplication::applicationPid());
  QTemporaryDir home_;
  QTemporaryDir runtime_;  // a private folder of this test, as a session's runtime folder is
  ScopedEnv runtimeDir_{"XDG_RUNTIME_DIR", QFile::encodeName(runtime_.path())};
  QString Folder(const char* name) const { return home_.filePath(name); }
};

TEST_F(SingleInstanceTest, LaterInstanceOfTheSameSettingsAndDisplayIsToldToClose) {
  SingleInstance first(title_, Folder("settings"), ":0");
  EXPECT_FALSE(first.IsSecond());
  // Another spelling of the same folder is the same folder.
  SingleInstance second(title_, Folder("x/../settings/"), ":0");
  EXPECT_TRUE(second.IsSecond());
  QSignalSpy closed(&second, &SingleInstance::CloseRequested);
  QTest::qWait(50);  // the first accepts the connection
  first.CloseLaterInstances();
  EXPECT_TRUE(closed.wait(30000));
}

TEST_F(SingleInstanceTest, CopiesWithOtherSettingsFoldersOrDisplaysDoNotLink) {
  ASSERT_TRUE(QDir(home_.path()).mkpath("existing"));
  SingleInstance first(title_, Folder("existing"), ":0");
  ASSERT_FALSE(first.IsSecond());
  SingleInstance otherFolder(title_, Folder("other"), ":0");
  SingleInstance otherDisplay(title_, Folder("existing"), ":1");
  EXPECT_FALSE(otherFolder.IsSecond());
  EXPECT_FALSE(otherDisplay.IsSecond());
  QSignalSpy folderClosed(&otherFolder, &SingleInstance::CloseRequested);
  QSignalSpy displayClosed(&otherDisplay, &SingleInstance::CloseRequested);
  QTest::qWait(50);
  first.CloseLaterInstances();
  QTest::qWait(200);
  EXPECT_EQ(folderClosed.count(), 0);
  EXPECT_EQ(displayClosed.count(), 0);
  // Each of them is the first of its own scope: a later copy there links to it.
  SingleInstance later(title_, Folder("other"), ":0");
  EXPECT_TRUE(later.IsSecond());
}

TEST_F(SingleInstanceTest, SocketNamesAreShortAndScoped) {
  const QString a = SingleInstance::SocketName(title_, Folder("a"), ":0");
  EXPECT_NE(a, SingleInstance::SocketName(title_, Folder("b"), ":0"));
  EXPECT_NE(a, SingleInstance::SocketName(title_, Folder("a"), "xcb:1"));
  EXPECT_EQ(a, SingleInstance::SocketName(title_, Folder("a/"), ":0"));
  const QString deep = SingleInstance::SocketName("Ondravik 3D v3", "/" + QString(300, 'd'), ":0");
  EXPECT_LE(deep.size(), 60);
  EXPECT_TRUE(deep.startsWith("Ondravik_3D_v3-"));
}

// The name was computable in the shared temporary folder: a listener put there first (by
// anyone) made the program take itself for a second copy and obey its "close". The socket
// now lives in the user's private runtime folder, out of others' reach.
TEST_F(SingleInstanceTest, ASquatterInTheSharedTemporaryFolderIsNotTakenForTheFirstInstance) {
  QLocalServer squatter;
  squatter.removeServer(SingleInstance::SocketName(title_, Folder("settings"), ":0"));
  ASSERT_TRUE(squatter.listen(SingleInstance::SocketName(title_, Folder("settings"), ":0")));
  SingleInstance first(title_, Folder("settings"), ":0");
  EXPECT_FALSE(first.IsSecond());
  EXPECT_EQ(SingleInstance::SocketFolder(Folder("settings")), runtime_.path());
  EXPECT_FALSE(squatter.waitForNewConnection(100));
  // The real later copy still finds the first.
  SingleInstance second(title_, Folder("settings"), ":0");
  EXPECT_TRUE(second.IsSecond());
}

// A runtime folder others may enter is not used: the socket goes to a folder of this user's
// own in the temporary folder; where that name is taken by a folder that is not private, to
// a private folder of an unpredictable name recorded in the settings folder. A taken name
// used to switch the single instance off: both copies ran as first instances.
TEST_F(SingleInstanceTest, TheSocketFolderIsAlwaysPrivate) {
  QTemporaryDir temp;
  const ScopedEnv tmpdir("TMPDIR", QFile::encodeName(temp.path()));
  QDir(runtime_.path()).mkpath("shared");
  const QString shared = runtime_.path() + "/shared";
  ASSERT_EQ(::chmod(QFile::encodeName(shared).constData(), 0755), 0);
  const ScopedEnv runtime("XDG_RUNTIME_DIR", QFile::encodeName(shared));
  const QString own = temp.path() + "/ondravik3d-" + QString::number(::geteuid());
  EXPECT_EQ(SingleInstance::SocketFolder(Folder("settings")), own);
  EXPECT_EQ(ModeOf(own) & 07777, 0700u);
  {
    SingleInstance first(title_, Folder("settings"), ":0");
    EXPECT_FALSE(first.IsSecond());
    SingleInstance second(title_, Folder("settings"), ":0");
    EXPECT_TRUE(second.IsSecond());
  }
  ASSERT_EQ(::chmod(QFile::encodeName(own).constData(), 0777), 0);
  const QString fallback = SingleInstance::SocketFolder(Folder("settings"));
  EXPECT_TRUE(fallback.startsWith(temp.path() + "/ondravik3d-instance-")) << fallback.toStdString();
  EXPECT_EQ(ModeOf(fallback) & 07777, 0700u);
  SingleInstance first(title_, Folder("settings"), ":0");
  SingleInstance second(title_, Folder("settings"), ":0");
  EXPECT_FALSE(first.IsSecond());
  EXPECT_TRUE(second.IsSecond());
  EXPECT_TRUE(QDir(own).entryList(QDir::System | QDir::NoDotAndDotDot).isEmpty());
}

// Another user who makes "<tmp>/ondravik3d-<uid>" first (here a folder of another owner where
// the test runs as root, else a file of that name) no longer switches the single instance
// off: the copies meet in a private folder recorded in the settings folder, which later
// copies find again, and which is made anew when it is gone.
TEST_F(SingleInstanceTest, ATakenTemporaryNameFallsBackToARecordedPrivateFolder) {
  QTemporaryDir temp;
  const ScopedEnv tmpdir("TMPDIR", QFile::encodeName(temp.path()));
  const ScopedEnv runtime("XDG_RUNTIME_DIR", QByteArray());
  const QByteArray taken = QFile::encodeName(temp.path() + "/ondravik3d-" + QString::number(::geteuid()));
  if (::geteuid() == 0) {
    constexpr uid_t kNobody = 65534;
    ASSERT_EQ(::mkdir(taken.constData(), 0700), 0);
    ASSERT_EQ(::chown(taken.constData(), kNobody, kNobody), 0);
  } else {
    QFile squat(QFile::decodeName(taken));
    ASSERT_TRUE(squat.open(QIODevice::WriteOnly));
  }
  const QString folder = SingleInstance::SocketFolder(Folder("settings"));
  ASSERT_FALSE(folder.isEmpty());
  EXPECT_EQ(ModeOf(folder) & 07777, 0700u);
  QFile record(Folder("settings") + "/" + SingleInstance::kSocketFolderRecord);
  ASSERT_TRUE(record.open(QIODevice::ReadOnly));
  EXPECT_EQ(record.readAll().trimmed(), QFile::encodeName(folder));
  record.close();
  EXPECT_EQ(SingleInstance::SocketFolder(Folder("settings")), folder);
  {
    SingleInstance first(title_, Folder("settings"), ":0");
    SingleInstance second(title_, Folder("settings"), ":0");
    EXPECT_FALSE(first.IsSecond());
    EXPECT_TRUE(second.IsSecond());
    QSignalSpy closed(&second, &SingleInstance::CloseRequested);
    QTest::qWait(50);
    first.CloseLaterInstances();
    EXPECT_TRUE(closed.wait(30000));
  }
  // The recorded folder swept away (a reboot, a cleaner of the temporary folder): a new one.
  ASSERT_TRUE(QDir(folder).removeRecursively());
  const QString renewed = SingleInstance::SocketFolder(Folder("settings"));
  EXPECT_NE(renewed, folder);
  EXPECT_EQ(ModeOf(renewed) & 07777, 0700u);
  EXPECT_EQ(SingleInstance::SocketFolder(Folder("settings")), renewed);
  EXPECT_EQ(QDir(Folder("settings")).entryList(QDir::Files | QDir::Hidden),
            QStringList{SingleInstance::kSocketFolderRecord});
}

// The recorded folder is believed only when nobody else can change the way to it: a path
// through a link, or through a folder another user may change, used to be taken as long as
// its last component was a private folder of this user. Such a record is passed over, and a
// fresh folder is made and recorded, as when none is recorded.
TEST_F(SingleInstanceTest, ARecordedFolderReachedThroughALinkOrAnotherUsersFolderIsRefused) {
  QTemporaryDir temp;
  const ScopedEnv tmpdir("TMPDIR", QFile::encodeName(temp.path()));
  const ScopedEnv runtime("XDG_RUNTIME_DIR", QByteArray());
  const QByteArray taken = QFile::encodeName(temp.path() + "/ondravik3d-" + QString::number(::geteuid()));
  QFile squat(QFile::decodeName(taken));  // the shared name taken: the record is consulted
  ASSERT_TRUE(squat.open(QIODevice::WriteOnly));
  squat.close();
  constexpr uid_t kNobody = 65534;
  const bool root = ::geteuid() == 0;
  QTemporaryDir ways;
  const QByteArray base = QFile::encodeName(ways.path());
  ASSERT_EQ(::mkdir(base + "/real", 0755), 0);
  ASSERT_EQ(::mkdir(base + "/real/inst", 0700), 0);
  // Another user's link to a folder holding a private folder of this user.
  ASSERT_EQ(::symlink(base + "/real", base + "/link"), 0);
  if (root) {
    ASSERT_EQ(::lchown(base + "/link", kNobody, kNobody), 0);
  }
  struct Case {
    const char* what;
    QByteArray recorded;
  };
  std::vector<Case> cases = {{"a link on the way", base + "/link/inst"},
                             {"a dot-dot on the way", base + "/real/../real/inst"}};
  if (root) {
    // A folder of another user above, whose entries he may rename at will.
    ASSERT_EQ(::mkdir(base + "/theirs", 0755), 0);
    ASSERT_EQ(::chown(base + "/theirs", kNobody, kNobody), 0);
    ASSERT_EQ(::mkdir(base + "/theirs/inst", 0700), 0);
    cases.push_back({"another user's folder on the way", base + "/theirs/inst"});
    // A folder everyone may write to without the sticky bit.
    ASSERT_EQ(::mkdir(base + "/open", 0777), 0);
    ASSERT_EQ(::chmod(base + "/open", 0777), 0);
    ASSERT_EQ(::mkdir(base + "/open/inst", 0700), 0);
    cases.push_back({"a folder everyone may change on the way", base + "/open/inst"});
  }
  const QString recordPath = Folder("settings") + "/" + SingleInstance::kSocketFolderRecord;
  ASSERT_TRUE(QDir().mkpath(Folder("settings")));
  for (const Case& c : cases) {
    QFile record(recordPath);
    ASSERT_TRUE(record.open(QIODevice::WriteOnly | QIODevice::Truncate));
    record.write(c.recorded + "\n");
    record.close();
    const QString folder = SingleInstance::SocketFolder(Folder("settings"));
    EXPECT_TRUE(folder.startsWith(temp.path() + "/ondravik3d-instance-")) << c.what << ": " << folder.toStdString();
    EXPECT_EQ(ModeOf(folder) & 07777, 0700u) << c.what;
    ASSERT_TRUE(record.open(QIODevice::ReadOnly));
    EXPECT_EQ(record.readAll().trimmed(), QFile::encodeName(folder)) << c.what;
    record.close();
  }
  // A record of a folder reached through folders nobody else can change is kept.
  ASSERT_EQ(::chmod(base + "/real", 0755), 0);
  QFile record(recordPath);
  ASSERT_TRUE(record.open(QIODevice::WriteOnly | QIODevice::Truncate));
  char* canonical = ::realpath(base + "/real/inst", nullptr);
  ASSERT_NE(canonical, nullptr);
  const QByteArray kept(canonical);
  std::free(canonical);
  record.write(kept + "\n");
  record.close();
  EXPECT_EQ(QFile::encodeName(SingleInstance::SocketFolder(Folder("settings"))), kept);
}

// Whoever listens at the socket must run as this user: a listener of another user (possible
// here only where the test runs as root) is neither obeyed nor taken for the first instance.
TEST_F(SingleInstanceTest, AListenerOfAnotherUserIsNotBelieved) {
  int pair[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
  EXPECT_TRUE(SingleInstance::PeerIsThisUser(pair[0]));
  ::close(pair[0]);
  ::close(pair[1]);
  EXPECT_FALSE(SingleInstance::PeerIsThisUser(-1));
  if (::geteuid() != 0) GTEST_SKIP() << "another user's listener needs root to start";

  const QString path = SingleInstance::SocketFolder(Folder("s")) + "/" + SingleInstance::SocketName(title_, Folder("s"), ":0");
  constexpr uid_t kNobody = 65534;
  ForeignListener squatter(path, kNobody);
  ASSERT_TRUE(squatter.Listening());
  SingleInstance first(title_, Folder("s"), ":0");
  EXPECT_FALSE(first.IsSecond());
  QSignalSpy closed(&first, &SingleInstance::CloseRequested);
  QTest::qWait(100);
  EXPECT_EQ(closed.count(), 0);
  // It took the name over: a later copy of this user links to it.
  SingleInstance second(title_, Folder("s"), ":0");
  EXPECT_TRUE(second.IsSecond());
}

}  // namespace
