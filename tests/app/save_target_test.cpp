// Where a save may write: links are followed only where the system's guard for shared sticky
// folders would follow them, never into making folders, and never onto a FIFO or a device.
#include "app/save_target.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <set>
#include <string>
#include <vector>

#include "app/file_replacement.h"
#include "app/file_utils.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "support/scratch_files.h"

namespace {

namespace fs = std::filesystem;

constexpr uid_t kRoot = 0;
constexpr uid_t kAlice = 1000;
constexpr uid_t kMallory = 1001;
constexpr uid_t kNobody = 65534;

std::set<std::string> Tree(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(dir)) names.insert(e.path().lexically_relative(dir).string());
  return names;
}

TEST(SaveTarget, LinksAreFollowedOnlyWhereTheSystemsGuardForSharedFoldersWould) {
  struct Case {
    const char* what;
    uid_t user;
    TLinkFacts link;
    bool follows;
  };
  const Case cases[] = {
      {"the user's own link in /tmp", kAlice, {kAlice, kRoot, 01777}, true},
      {"another user's link in /tmp", kAlice, {kMallory, kRoot, 01777}, false},
      {"another user's link in /tmp, saved by root", kRoot, {kMallory, kRoot, 01777}, false},
      {"root's link in a sticky folder of another user", kAlice, {kRoot, kMallory, 01777}, false},
      {"a link of the sticky folder's owner", kAlice, {kMallory, kMallory, 01777}, true},
      {"a link in a world-writable folder that is not sticky", kAlice, {kMallory, kRoot, 0777}, true},
      {"a link in a sticky folder only its group may write", kAlice, {kMallory, kRoot, 01775}, true},
      {"another user's link in his home folder", kAlice, {kMallory, kMallory, 0755}, true},
      {"the system's link in a system folder", kAlice, {kRoot, kRoot, 0755}, true},
  };
  for (const Case& c : cases) EXPECT_EQ(MayFollowLink(c.user, c.link), c.follows) << c.what;
}

// The walk decides every link on the way for the user it is given, and gives the file at the
// end as a plain absolute path.
TEST(SaveTarget, TheWalkFollowsTrustedLinksAndNamesTheFileAtTheEnd) {
  ScratchDir dir;
  fs::create_directories(dir.Path() / "real/deep");
  dir.Write("real/deep/data.prn", "old");
  fs::create_symlink("real", dir.Path() / "folder");
  fs::create_symlink("deep/data.prn", dir.Path() / "real/link.prn");
  const fs::path real = fs::canonical(dir.Path()) / "real/deep/data.prn";
  const uid_t me = ::geteuid();

  TSaveTarget t = ResolveSaveTarget(dir.Path() / "folder/deep/data.prn/x.prn", me);
  EXPECT_EQ(t.status, SaveTargetStatus::Unreachable) << "a file is no folder";
  t = ResolveSaveTarget(dir.Path() / "folder/deep/../link.prn", me);
  ASSERT_EQ(t.status, SaveTargetStatus::Ready);
  EXPECT_EQ(t.path, real);
  EXPECT_FALSE(t.makeFolders);
  // A link of the folder's owner is followed for anyone, even in a shared sticky folder.
  fs::permissions(dir.Path() / "real", fs::perms::all | fs::perms::sticky_bit);
  t = ResolveSaveTarget(dir.Path() / "real/link.prn", me + 1);
  ASSERT_EQ(t.status, SaveTargetStatus::Ready);
  EXPECT_EQ(t.path, real);
  // Missing folders the caller named may be made, through a link to a folder too.
  t = ResolveSaveTarget(dir.Path() / "folder/new/sub/x.prn", me);
  ASSERT_EQ(t.status, SaveTargetStatus::Ready);
  EXPECT_TRUE(t.makeFolders);
  EXPECT_EQ(t.path, fs::canonical(dir.Path()) / "real/new/sub/x.prn");
}

// A link another user planted in a shared sticky folder (here made so with root's help) is
// refused: the save names it, and neither the link nor the file it points at changes.
TEST(SaveTarget, AnotherUsersLinkInASharedStickyFolderIsNeitherFollowedNorReplaced) {
  if (::geteuid() != 0) GTEST_SKIP() << "a link of another user needs root to make";
  ScratchDir dir;
  const fs::path shared = dir.Path() / "shared";
  fs::create_directories(shared);
  fs::create_directories(dir.Path() / "home");
  ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
  const std::string profile = dir.Write("home/.profile", "precious\n");
  const fs::path planted = shared / "survey.dat";
  fs::create_symlink(profile, planted);
  ASSERT_EQ(::lchown(planted.c_str(), kNobody, kNobody), 0);
  const fs::path dangling = shared / "new.dat";
  fs::create_symlink(dir.Path() / "home/made/by/link.dat", dangling);
  ASSERT_EQ(::lchown(dangling.c_str(), kNobody, kNobody), 0);
  const std::set<std::string> before = Tree(dir.Path());

  const TSaveTarget t = ResolveSaveTarget(planted, ::geteuid());
  EXPECT_EQ(t.status, SaveTargetStatus::LinkRefused);
  EXPECT_EQ(t.link, fs::canonical(shared) / "survey.dat");
  EXPECT_FALSE(SaveGlobalToFile(std::string_view("Title of the survey\r\n1 2 3\r\n"), planted));
  EXPECT_FALSE(SaveGlobalToFile(std::string_view("x"), dangling));
  // A report appended to a file goes the same way: never through the planted link.
  EXPECT_FALSE(FOpenOem(planted, "ab"));
  EXPECT_FALSE(FOpenOem(dangling, "a"));
  // Reached through a link of the user's own, the planted link is refused all the same.
  fs::create_symlink(planted, dir.Path() / "mine.dat");
  EXPECT_FALSE(SaveGlobalToFile(std::string_view("x"), dir.Path() / "mine.dat"));
  fs::remove(dir.Path() / "mine.dat");

  EXPECT_EQ(ReadText(profile), "precious\n");
  EXPECT_EQ(fs::read_symlink(planted), profile);
  EXPECT_EQ(Tree(dir.Path()), before);  // no temporary, no folder
  EXPECT_EQ(SaveFailureText(planted, 3075), "Not saved: " + (fs::canonical(shared) / "survey.dat").string() +
                                                " is a link another user made in a shared folder, and it is not followed.");
}

// The save dialog tells a refused link at once and offers the dialog again: it used to ask
// "Overwrite Existing File?" about the file the link names, and only then refuse the save.
TEST(SaveTarget, ARefusedLinkIsToldBeforeTheOverwriteQuestion) {
  if (::geteuid() != 0) GTEST_SKIP() << "a link of another user needs root to make";
  ScratchDir dir;
  const fs::path shared = dir.Path() / "shared";
  fs::create_directories(shared);
  ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
  const std::string profile = dir.Write("profile", "precious\n");
  const fs::path planted = shared / "survey.dat";
  fs::create_symlink(profile, planted);
  ASSERT_EQ(::lchown(planted.c_str(), kNobody, kNobody), 0);
  platform::ScriptedFiles files;
  platform::ScriptedAnswers boxes;
  files.Answer(planted.string());
  files.Answer(dir.File("mine.dat"));
  boxes.Answer(platform::kIdOk);
  std::string path;
  EXPECT_EQ(FileSaveDlg(nullptr, "Save", path, nullptr, "dat", "Data [dat]|*.dat|", 1), 1);
  EXPECT_EQ(path, dir.File("mine.dat"));
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].kind, platform::BoxKind::Exclamation);
  EXPECT_EQ(boxes.Boxes()[0].caption, planted.string());
  EXPECT_EQ(boxes.Boxes()[0].text, SaveFailureText(planted, 3075));
  // The question whether to append is not asked either.
  files.Answer(planted.string());
  boxes.Answer(platform::kIdOk);
  EXPECT_EQ(FileSaveAppendDlg(nullptr, "Save", path, nullptr, "dat", "", 1), 2);
  ASSERT_EQ(boxes.Boxes().size(), 2u);
  EXPECT_EQ(boxes.Boxes()[1].kind, platform::BoxKind::Exclamation);
  EXPECT_EQ(ReadText(profile), "precious\n");
}

// A dangling link of the user's own may make the file it names, never the folders on its way.
TEST(SaveTarget, ADanglingLinkNeverMakesFolders) {
  ScratchDir dir;
  fs::create_symlink("repo/missing/fresh.prn", dir.Path() / "d.prn");
  EXPECT_EQ(ResolveSaveTarget(dir.Path() / "d.prn", ::geteuid()).status, SaveTargetStatus::Unreachable);
  EXPECT_FALSE(SaveGlobalToFile(std::string_view("x"), dir.Path() / "d.prn"));
  EXPECT_EQ(Tree(dir.Path()), std::set<std::string>{"d.prn"});
}

// Saving onto a FIFO or a device, named or reached through a link, used to put a plain file in
// its place. The device is one of the test's own (root makes it), so that a fault here never
// reaches the system's.
TEST(SaveTarget, AFifoOrADeviceIsNeverReplacedByAPlainFile) {
  ScratchDir dir;
  const fs::path fifo = dir.Path() / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  fs::create_symlink("pipe", dir.Path() / "to-pipe.prn");
  std::set<std::string> made = {"pipe", "to-pipe.prn"};
  std::vector<std::string> names = {"pipe", "to-pipe.prn"};
  const fs::path device = dir.Path() / "null";
  if (::geteuid() == 0 && ::mknod(device.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0) {
    fs::create_symlink("null", dir.Path() / "to-null.prn");
    made.insert({"null", "to-null.prn"});
    names.insert(names.end(), {"null", "to-null.prn"});
  }
  for (const std::string& name : names) {
    EXPECT_FALSE(SaveGlobalToFile(std::string_view("x"), dir.Path() / name)) << name;
    const std::string end = name.find("pipe") != std::string::npos ? "pipe" : "null";
    EXPECT_EQ(SaveFailureText(dir.Path() / name, 3075),
              "Not saved: " + (fs::canonical(dir.Path()) / end).string() +
                  " is not a regular file, and it is not replaced.");
  }
  EXPECT_TRUE(fs::is_fifo(fifo));
  if (made.contains("null")) { EXPECT_TRUE(fs::is_character_file(device)); }
  EXPECT_EQ(Tree(dir.Path()), made);
}

// Another user who may rename entries on the way to a save (his own folder there, or a
// folder he shares with the user) swaps a folder for his link to a folder of the user's
// while the save runs. The save must land in the folder it walked, or nowhere: never in the
// folder the link names. Each step used to walk the name again, and a swap at the right
// moment redirected the file, or left a temporary, into the link's target.
struct TSwap {
  fs::path folder;  // swapped for a link to `victim` once the walk is done
  fs::path moved;   // where the folder walked goes
  fs::path victim;
};
TSwap swapInHook;

void SwapFolderForLink(const fs::path&) {
  std::error_code ec;
  if (fs::exists(swapInHook.folder, ec)) fs::rename(swapInHook.folder, swapInHook.moved);
  fs::create_directory_symlink(swapInHook.victim, swapInHook.folder);
}

class TScopedWalkHook {
 public:
  explicit TScopedWalkHook(TSaveWalkHook hook) : old_(SetSaveWalkHook(hook)) {}
  ~TScopedWalkHook() { SetSaveWalkHook(old_); }

 private:
  TSaveWalkHook old_;
};

TEST(SaveTarget, AFolderSwappedForALinkAfterTheWalkNeverRedirectsTheSave) {
  ScratchDir dir;
  const fs::path victim = dir.Path() / "victim";
  struct Case {
    const char* what;
    const char* save;     // the name saved, under the scratch folder
    const char* swapped;  // the folder on the way swapped for the link
    const char* landed;   // where the file is found afterwards, when the save succeeded
  };
  const Case cases[] = {
      {"a folder above the file's", "work/sub/data.prn", "work", "work-moved/sub/data.prn"},
      {"the file's own folder", "work/sub/data.prn", "work/sub", "work/sub-moved/data.prn"},
      {"a folder the save made", "work/new/deeper/data.prn", "work/new", "work/new-moved/deeper/data.prn"},
  };
  const TScopedWalkHook hook(SwapFolderForLink);
  for (const Case& c : cases) {
    fs::remove_all(dir.Path() / "work");
    fs::remove_all(dir.Path() / "work-moved");
    fs::remove_all(victim);
    fs::create_directories(dir.Path() / "work/sub");
    fs::create_directories(victim / "sub");
    fs::create_directories(victim / "deeper");
    const fs::path saved = dir.Path() / c.save;
    swapInHook = {dir.Path() / c.swapped, dir.Path() / (std::string(c.swapped) + "-moved"), victim};
    // Here the save goes on in the folder it walked; failing would be sound too.
    EXPECT_TRUE(SaveGlobalToFile(std::string_view("Title\r\n1 2 3\r\n"), saved)) << c.what;
    EXPECT_EQ(ReadText((dir.Path() / c.landed).string()), "Title\r\n1 2 3\r\n") << c.what;
    EXPECT_EQ(Tree(victim), (std::set<std::string>{"sub", "deeper"})) << c.what;
  }
}

}  // namespace
