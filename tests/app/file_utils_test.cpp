#include "app/file_utils.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <set>
#include <span>
#include <string>
#include <thread>

#include "app/file_replacement.h"
#include "support/scratch_files.h"

namespace {

class FileUtils : public ::testing::Test {
 protected:
  // The lines fgets reads from the start of an open file.
  static std::vector<std::string> Lines(std::FILE* f, int count) {
    std::vector<std::string> out;
    char line[64];
    for (int i = 0; i < count && std::fgets(line, sizeof line, f); ++i) out.push_back(line);
    return out;
  }
  ScratchDir dir_;
};

TEST_F(FileUtils, TextModeWritesCrLfOnceAndReadsItBack) {
  const std::string p = dir_.File("out.prn");
  {
    FilePtr f = FOpenOem(p, "w");
    ASSERT_TRUE(f);
    std::fputs("1 2 3\n4 5 6\r\n", f.get());  // a CR LF the caller wrote is not doubled
    std::fprintf(f.get(), "%d\n", 7);
  }
  EXPECT_EQ(ReadText(p), "1 2 3\r\n4 5 6\r\n7\r\n");
  std::fputs("8\n", FOpenOem(p, "a").get());
  EXPECT_EQ(ReadText(p), "1 2 3\r\n4 5 6\r\n7\r\n8\r\n");

  FilePtr f = FOpenOem(p, "r");
  ASSERT_TRUE(f);
  EXPECT_EQ(Lines(f.get(), 1), std::vector<std::string>{"1 2 3\n"});
  const long after_first = std::ftell(f.get());
  EXPECT_EQ(after_first, 7);  // a byte offset in the file
  EXPECT_EQ(Lines(f.get(), 1), std::vector<std::string>{"4 5 6\n"});
  ASSERT_EQ(std::fseek(f.get(), after_first, SEEK_SET), 0);
  EXPECT_EQ(Lines(f.get(), 1), std::vector<std::string>{"4 5 6\n"});
  std::rewind(f.get());
  EXPECT_EQ(Lines(f.get(), 1), std::vector<std::string>{"1 2 3\n"});
}

TEST_F(FileUtils, TextModeReadingKeepsLoneCrsAndStopsAtCtrlZButBinaryModesAreUntouched) {
  FilePtr f = FOpenOem(dir_.Write("dos.dat", "a\rb\r\nc\r\n\x1AGARBAGE"), "rt");
  ASSERT_TRUE(f);
  char buf[64] = {};
  const std::size_t n = std::fread(buf, 1, sizeof buf, f.get());
  EXPECT_EQ(std::string(buf, n), "a\rb\nc\n");
  EXPECT_TRUE(std::feof(f.get()));
  // A CR at the very end of the file stays.
  FilePtr g = FOpenOem(dir_.Write("cr.dat", "x\r"), "r");
  EXPECT_EQ((std::vector<int>{std::fgetc(g.get()), std::fgetc(g.get()), std::fgetc(g.get())}),
            (std::vector<int>{'x', '\r', EOF}));
  std::fputs("a\nb\r\n", FOpenOem(dir_.File("raw.bin"), "wb").get());
  EXPECT_EQ(ReadText(dir_.File("raw.bin")), "a\nb\r\n");
  EXPECT_FALSE(FOpenOem(dir_.File("missing.txt"), "r"));
  EXPECT_FALSE(FOpenOem(dir_.File("no/such/dir.txt"), "w"));
}

TEST_F(FileUtils, SizesTimesAndDeletion) {
  const std::string p = dir_.Write("five.txt", "12345");
  EXPECT_EQ(FileSize(p), 5);
  EXPECT_EQ(FileSize(dir_.File("missing")), 0);
  EXPECT_EQ(FileSize(dir_.Path()), 0);  // a directory is not a file
  EXPECT_GT(FileTime(p), 0);
  EXPECT_EQ(FileTime(dir_.File("missing")), 0);
  EXPECT_TRUE(DeleteFileOem(p));
  EXPECT_FALSE(DeleteFileOem(p));
  EXPECT_EQ(FileSize(p), 0);
}

TEST_F(FileUtils, WholeFileLoadAtomicSaveAndTextSniffingInTheFirst200Bytes) {
  const std::vector<std::uint8_t> block = {0, 1, 2, 0xFF, '\n', '\r'};
  ASSERT_TRUE(SaveGlobalToFile(block, dir_.File("block.wk1")));
  EXPECT_EQ(LoadFileToGlobal(dir_.File("block.wk1")), block);
  EXPECT_TRUE(LoadFileToGlobal(dir_.File("missing")).empty());
  // A file saved in pieces (empty ones among them) holds them one after another, and
  // replaces what was there.
  const std::vector<std::uint8_t> head = {7, 8}, tail = {9};
  const std::vector<std::span<const std::uint8_t>> pieces{head, {}, block, {}, tail};
  ASSERT_TRUE(SaveGlobalToFile(pieces, dir_.File("block.wk1")));
  EXPECT_EQ(LoadFileToGlobal(dir_.File("block.wk1")),
            (std::vector<std::uint8_t>{7, 8, 0, 1, 2, 0xFF, '\n', '\r', 9}));
  ASSERT_TRUE(SaveGlobalToFile(std::span<const std::span<const std::uint8_t>>{}, dir_.File("none.wk1")));
  EXPECT_EQ(FileSize(dir_.File("none.wk1")), 0);
  EXPECT_TRUE(LoadFileToGlobal(dir_.Write("empty", "")).empty());
  // A save into a directory that cannot be made fails and leaves nothing behind.
  dir_.Write("plain", "x");
  EXPECT_FALSE(SaveGlobalToFile(block, dir_.File("plain/inside.wk1")));
  EXPECT_EQ(SniffTextFile(dir_.File("missing")), -1);
  EXPECT_EQ(SniffTextFile(dir_.Write("empty", "")), -1);
  EXPECT_EQ(SniffTextFile(dir_.Write("text", "1\t2\f3\r\n\xE9\x1A")), 2);
  EXPECT_EQ(SniffTextFile(dir_.Write("binary", std::string("ab\0cd", 5))), 0);
  EXPECT_EQ(SniffTextFile(dir_.Write("late", std::string(200, 'a') + std::string(1, '\0'))), 2);
  EXPECT_EQ(SniffTextFile(dir_.Write("early", std::string(199, 'a') + std::string(1, '\x01'))), 0);
}

TEST(FileKinds, SaveFormatFollowsTheExtensionInAnyCase) {
  const std::pair<const char*, int> formats[] = {
      {"/a/b/out.WK1", kSaveFormatWk1}, {"out.wk3", kSaveFormatWk3}, {"out.sav", kSaveFormatSav},
      {"out.ws", kSaveFormatWordStar},  {"out.rtf", kSaveFormatRtf}, {"out.txt", kSaveFormatText},
      {"noext", kSaveFormatText},       {"dir.wk1/noext", kSaveFormatText}};
  for (auto [path, format] : formats) EXPECT_EQ(SaveFormatByExt(path), format) << path;
}

}  // namespace

// The temporary file of a save is made new beside the target under a name nobody can
// guess: a symlink planted at the name earlier versions used is neither written through nor
// able to stop the save.
TEST_F(FileUtils, SaveNeverWritesThroughASymlinkAtTheTemporaryName) {
  const std::string victim = dir_.Write("victim.txt", "precious");
  const std::string target = dir_.Write("data.prn", "old");
  const std::string temp = target + ".tmp" + std::to_string(static_cast<long>(::getpid()));
  std::filesystem::create_symlink(victim, temp);
  EXPECT_TRUE(SaveGlobalToFile(std::string_view("new"), target));
  EXPECT_EQ(ReadText(victim), "precious");
  EXPECT_EQ(ReadText(target), "new");
  EXPECT_FALSE(std::filesystem::is_symlink(target));
  EXPECT_TRUE(std::filesystem::is_symlink(temp));  // not ours to remove
}

TEST_F(FileUtils, SaveKeepsTheModeOfTheFileItReplacesAndRefusesAWriteProtectedOne) {
  namespace fs = std::filesystem;
  const std::string kept = dir_.Write("kept.prn", "old");
  fs::permissions(kept, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  ASSERT_TRUE(SaveGlobalToFile(std::string_view("new"), kept));
  EXPECT_EQ(ReadText(kept), "new");
  EXPECT_EQ(fs::status(kept).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

  const std::string locked = dir_.Write("locked.prn", "old");
  fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read);
  EXPECT_TRUE(IsWriteProtectedFile(locked));
  EXPECT_FALSE(SaveGlobalToFile(std::string_view("new"), locked));
  EXPECT_EQ(ReadText(locked), "old");
  EXPECT_EQ(SaveFailureText(locked, 3075), "File is Write-Protected and Was Not Replaced");
  EXPECT_EQ(SaveFailureText(kept, 3075), "Unable to Write File");
  for (const auto& e : fs::directory_iterator(dir_.Path()))
    EXPECT_EQ(e.path().filename().string().find(".ondravik3d-save."), std::string::npos) << e.path();
}

namespace {

namespace fs = std::filesystem;

// Another user polling the folder during saves of a private (0600) file never finds an
// entry he could read: the temporary carries the file's mode before its first byte.
TEST_F(FileUtils, APrivateFileIsNeverReadableByOthersWhileItIsSaved) {
  const mode_t oldMask = ::umask(022);
  const std::string target = dir_.Write("private.v3d", "old");
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
  std::atomic<bool> saving = true;
  std::atomic<int> polls = 0, exposed = 0;
  std::thread other([&] {
    while (saving) {
      for (const auto& e : fs::directory_iterator(dir_.Path(), fs::directory_options::skip_permission_denied)) {
        struct stat st {};
        if (::lstat(e.path().c_str(), &st) == 0 && (st.st_mode & (S_IRGRP | S_IROTH)) != 0) ++exposed;
      }
      ++polls;
    }
  });
  const std::vector<std::uint8_t> block(32 << 20, 0x5A);  // large enough that a save takes a while
  for (int k = 0; k < 3; ++k) ASSERT_TRUE(SaveGlobalToFile(block, target));
  saving = false;
  other.join();
  ::umask(oldMask);
  EXPECT_GT(polls.load(), 0);
  EXPECT_EQ(exposed.load(), 0);
  EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
  // A new file gets what the umask leaves, as any file the user makes.
  const mode_t mask = ::umask(027);
  ASSERT_TRUE(SaveGlobalToFile(std::string_view("new"), dir_.File("new.prn")));
  ::umask(mask);
  EXPECT_EQ(fs::status(dir_.File("new.prn")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// A save onto a symbolic link replaces the file the link leads to and keeps the link: a
// settings folder or data file kept in a dot-files repository stays linked.
TEST_F(FileUtils, SaveThroughASymlinkReplacesItsTargetAndKeepsTheLink) {
  fs::create_directories(dir_.Path() / "repo" / "deep");
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> links;  // link name, what it points at
    std::string saved;                                         // the name saved to
    std::string target;                                        // the file that must change
  };
  const Case cases[] = {
      {"absolute link", {{"a.v3d", (dir_.Path() / "repo/a.v3d").string()}}, "a.v3d", "repo/a.v3d"},
      {"relative link into another folder", {{"b.wk1", "repo/deep/b.wk1"}}, "b.wk1", "repo/deep/b.wk1"},
      {"chain of two links", {{"c.cfg", "repo/c1"}, {"repo/c1", "deep/c.cfg"}}, "c.cfg", "repo/deep/c.cfg"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    dir_.Write(c.target, "old");
    for (const auto& [link, to] : c.links) fs::create_symlink(to, dir_.Path() / link);
    ASSERT_TRUE(SaveGlobalToFile(std::string_view("new"), dir_.File(c.saved)));
    EXPECT_TRUE(fs::is_symlink(dir_.Path() / c.saved));
    EXPECT_EQ(ReadText(dir_.Path() / c.target), "new");
  }
  // A link to a file not yet made makes it; a loop of links is refused.
  fs::create_symlink("repo/fresh.prn", dir_.Path() / "d.prn");
  ASSERT_TRUE(SaveGlobalToFile(std::string_view("made"), dir_.File("d.prn")));
  EXPECT_TRUE(fs::is_symlink(dir_.Path() / "d.prn"));
  EXPECT_EQ(ReadText(dir_.Path() / "repo/fresh.prn"), "made");
  fs::create_symlink("loop2", dir_.Path() / "loop1");
  fs::create_symlink("loop1", dir_.Path() / "loop2");
  EXPECT_FALSE(SaveGlobalToFile(std::string_view("x"), dir_.File("loop1")));
  EXPECT_TRUE(fs::is_symlink(dir_.Path() / "loop1"));
  // No temporary is left in any of the folders.
  EXPECT_EQ(FolderEntries(dir_.Path() / "repo"), (std::set<std::string>{"a.v3d", "c1", "deep", "fresh.prn"}));
  EXPECT_EQ(FolderEntries(dir_.Path() / "repo/deep"), (std::set<std::string>{"b.wk1", "c.cfg"}));
}

// A save killed midway (here by the file-size limit) leaves its temporary; the next save of
// the same file that succeeds removes it, and leaves temporaries of other files alone.
TEST_F(FileUtils, TemporariesOfKilledSavesAreRemovedByTheNextSave) {
  const std::string target = dir_.Write("table.v3d", "old");
  const std::string other = dir_.Write("other.v3d", "other");
  const std::vector<std::uint8_t> block(1 << 16, 1);
  for (const std::string& file : {target, target, other}) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      const rlimit limit{4096, 4096};
      ::setrlimit(RLIMIT_FSIZE, &limit);
      (void)SaveGlobalToFile(block, file);
      ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ);
  }
  EXPECT_EQ(ReadText(target), "old");
  ASSERT_EQ(FolderEntries(dir_.Path()).size(), 5u);  // two files, three temporaries
  ASSERT_TRUE(SaveGlobalToFile(std::string_view("new"), target));
  EXPECT_EQ(ReadText(target), "new");
  const std::set<std::string> left = FolderEntries(dir_.Path());
  EXPECT_EQ(left.size(), 3u);
  EXPECT_TRUE(left.contains("table.v3d") && left.contains("other.v3d"));
  // A save that fails on a full disk keeps the file and takes its temporary away.
  {
    const FileSizeLimit full(16);
    EXPECT_FALSE(SaveGlobalToFile(block, target));
  }
  EXPECT_EQ(ReadText(target), "new");
  EXPECT_EQ(FolderEntries(dir_.Path()), left);
}

// A user's own file whose name merely looks like a temporary of a save of the same file is
// never taken for one: the sweep after a save removes only names this program made.
TEST_F(FileUtils, AFileThatLooksLikeATemporaryOfTheSavedFileSurvivesTheSave) {
  const std::string target = dir_.Write("report.txt", "old");
  const std::vector<std::string> lookalikes = {".report.txt.tmpNOTES1", ".report.txt.tmp123456",
                                               ".report.txt.ondravik3d-save.ABCDEFGHIJKLMN",
                                               ".report.txt.ondravik3d-save.notes"};
  for (const std::string& name : lookalikes) dir_.Write(name, "mine: " + name);
  ASSERT_TRUE(SaveGlobalToFile(std::string_view("new"), target));
  ASSERT_TRUE(SaveGlobalToFile(std::string_view("newer"), target));
  EXPECT_EQ(ReadText(target), "newer");
  for (const std::string& name : lookalikes) EXPECT_EQ(ReadText(dir_.File(name)), "mine: " + name);
  EXPECT_EQ(FolderEntries(dir_.Path()).size(), lookalikes.size() + 1);
}

namespace {

int lockErrno = 0;
int RefusingLock(int, int) {
  errno = lockErrno;
  return -1;
}

// Stands in a file system whose locks fail with `error` while it lives.
class FailingLocks {
 public:
  explicit FailingLocks(int error) : old_(SetFileLockCall(RefusingLock)) { lockErrno = error; }
  ~FailingLocks() { SetFileLockCall(old_); }
  FailingLocks(const FailingLocks&) = delete;
  FailingLocks& operator=(const FailingLocks&) = delete;

 private:
  TFileLockCall old_;
};

}  // namespace

// Where the file system refuses locks (NFS without its lock manager, some FUSE systems) a save
// goes on unlocked; any other lock failure fails the save. Either way no temporary is left.
TEST_F(FileUtils, SavesWhereLocksFailLeaveNoTemporary) {
  const std::string target = dir_.Write("survey.prn", "old");
  for (const int refused : {ENOLCK, EOPNOTSUPP, ENOSYS, EINVAL}) {
    SCOPED_TRACE(refused);
    const FailingLocks locks(refused);
    const std::string text = "saved unlocked " + std::to_string(refused);
    ASSERT_TRUE(SaveGlobalToFile(std::string_view(text), target));
    EXPECT_EQ(ReadText(target), text);
    EXPECT_EQ(FolderEntries(dir_.Path()), std::set<std::string>{"survey.prn"});
  }
  const std::string before = ReadText(target);
  for (const int failure : {EIO, EACCES, EBADF}) {
    SCOPED_TRACE(failure);
    const FailingLocks locks(failure);
    EXPECT_FALSE(SaveGlobalToFile(std::string_view("lost"), target));
    EXPECT_EQ(ReadText(target), before);
    EXPECT_EQ(FolderEntries(dir_.Path()), std::set<std::string>{"survey.prn"});
  }
}

// Saving children killed at random moments leave the file either as it was or as the save
// wrote it, whole, never anything between; the next save that succeeds sweeps away the
// temporaries they left.
TEST_F(FileUtils, KillsMidSaveLeaveTheOldOrTheNewFileWhole) {
  const std::vector<std::uint8_t> oldBytes(3 << 20, 'o'), newBytes((3 << 20) + 17, 'n');
  const std::string target = dir_.Write("killed.v3d", oldBytes);
  std::uint32_t lcg = 12345;  // the kill moments: fixed, so that a failure can be replayed
  for (int round = 0; round < 40; ++round) {
    const std::vector<std::uint8_t>& now = (round % 2 == 0) ? newBytes : oldBytes;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(ready[0]);
      (void)::write(ready[1], "s", 1);
      (void)SaveGlobalToFile(now, target);
      ::_exit(0);
    }
    ::close(ready[1]);
    char started = 0;
    ASSERT_EQ(::read(ready[0], &started, 1), 1);
    ::close(ready[0]);
    lcg = lcg * 1103515245u + 12345u;
    ::usleep((lcg >> 8) % 30000);
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    const std::vector<std::uint8_t> found = ReadBytes(target);
    ASSERT_TRUE(found == oldBytes || found == newBytes) << "round " << round << ": " << found.size() << " bytes";
  }
  ASSERT_TRUE(SaveGlobalToFile(std::string_view("final"), target));
  EXPECT_EQ(FolderEntries(dir_.Path()), std::set<std::string>{"killed.v3d"});
}

}  // namespace
