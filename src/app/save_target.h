// Where a save writes. The name is walked component by component, as the system walks a path,
// and symbolic links on the way are followed only where the system's guard for shared folders
// (fs.protected_symlinks) would follow them, whether or not that guard is switched on. A save
// then replaces the file at the end of the walk by a rename, which never follows a link.
//
// Following links ourselves used to bypass that guard: another user could plant a link in a
// sticky world-writable folder (/tmp) under the name of a file the victim was about to save,
// and the save then wrote wherever the link pointed, as the victim.
#pragma once

#include <sys/types.h>

#include <filesystem>

// What decides whether a link may be followed: its owner, and the owner and mode of the
// folder that holds it.
struct TLinkFacts {
  uid_t linkOwner = 0;
  uid_t folderOwner = 0;
  mode_t folderMode = 0;
};

// Whether `user` may follow the link: it is the user's own, or its folder is not both sticky
// and writable by everyone, or the link's owner owns the folder. The same rule for root.
bool MayFollowLink(uid_t user, const TLinkFacts& link);

enum class SaveTargetStatus {
  Ready,         // `path` is the file to replace or to make
  LinkRefused,   // `link` is a link of another user in a shared folder; nothing may be written
  NotAFile,      // `path` exists and is no regular file (a FIFO, a device, a folder)
  Unreachable,   // a loop of links, a link into a folder that does not exist, an unreadable link
};

struct TSaveTarget {
  SaveTargetStatus status = SaveTargetStatus::Unreachable;
  std::filesystem::path path;  // absolute, free of links, "." and ".."
  std::filesystem::path link;  // the link not followed (LinkRefused)
  // Folders missing on the way, all of them named by the caller (never by a link), which a
  // save may make.
  bool makeFolders = false;
  // Unreachable: the system's reason (ENOTDIR for a file used as a folder, ELOOP, ENOENT for
  // a folder a link names that does not exist), which a failed save reports.
  int reason = 0;
};

// The walk for `user` (the process's effective user id in the program; any id in tests).
TSaveTarget ResolveSaveTarget(const std::filesystem::path& name, uid_t user);

// A file descriptor owned alone.
class TUniqueFd {
 public:
  TUniqueFd() = default;
  explicit TUniqueFd(int fd) : fd_(fd) {}
  TUniqueFd(TUniqueFd&& other) noexcept : fd_(other.Release()) {}
  TUniqueFd& operator=(TUniqueFd&& other) noexcept;
  ~TUniqueFd();
  int Get() const { return fd_; }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_ = -1;
};

// The same walk made with folders held open, one component at a time (openat with O_PATH and
// O_NOFOLLOW), the permitted links resolved by the walk itself: the folder at its end is held,
// so that every later step (making the temporary, the rename, the clean-up) happens in that
// folder whatever anyone renames on the way meanwhile. A walk by name at each step let another
// user who may rename a folder on the way swap it for his link between two steps. Missing
// folders the caller named are made on the way (mkdirat) when `makeFolders` is set; one
// replaced by a link at the moment it is made is judged as a link.
struct THeldSaveTarget {
  TSaveTarget target;
  TUniqueFd folder;  // Ready with every folder there: the file's folder (O_PATH)
  std::string leaf;  // the file's name in it
};
THeldSaveTarget HoldSaveTarget(const std::filesystem::path& name, uid_t user, bool makeFolders);
