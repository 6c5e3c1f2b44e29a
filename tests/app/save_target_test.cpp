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

#include "app/file_utils.h"
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
  if (made.contains("null")) EXPECT_TRUE(fs::is_character_file(device));
  EXPECT_EQ(Tree(dir.Path()), made);
}

}  // namespace
