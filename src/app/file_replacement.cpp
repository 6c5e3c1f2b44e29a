#include "app/file_replacement.h"

#include <fcntl.h>
#include <dirent.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <string>
#include <system_error>
#include <vector>

#include "app/file_utils.h"

namespace {

std::atomic<TFileLockCall> lockCall = ::flock;
std::atomic<TSaveWalkHook> walkHook = nullptr;

enum class LockResult { Locked, Refused, Failed };

// A file system without working locks (NFS without its lock manager, some FUSE systems)
// answers with one of these: the save goes on unlocked rather than never succeed there.
LockResult Lock(int fd, int operation) {
  for (;;) {
    if (lockCall.load()(fd, operation) == 0) return LockResult::Locked;
    if (errno == EINTR) continue;
    if (errno == ENOLCK || errno == EOPNOTSUPP || errno == ENOSYS || errno == EINVAL) return LockResult::Refused;
    return LockResult::Failed;
  }
}

// The name in the held folder still leads to the file open at fd.
bool StillNamed(int fd, int folder, const std::string& name) {
  struct stat held {}, named {};
  return ::fstat(fd, &held) == 0 && ::fstatat(folder, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
         named.st_dev == held.st_dev && named.st_ino == held.st_ino;
}

void UnlinkIfStillNamed(int fd, int folder, const std::string& name) {
  if (StillNamed(fd, folder, name)) ::unlinkat(folder, name.c_str(), 0);
}

constexpr char kMark[] = ".ondravik3d-save.";
constexpr std::size_t kRandomChars = 10;
constexpr std::size_t kCheckChars = 4;
constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t kCharCount = sizeof kChars - 1;

// ".<name>.ondravik3d-save.", in the target's folder (a rename never crosses file systems).
std::string TempPrefix(const std::string& leaf) {
  constexpr std::size_t kMaxStem = 200;  // room for the rest within a file name's 255 bytes
  return "." + leaf.substr(0, kMaxStem) + kMark;
}

// Four characters that hash the prefix and the random part (FNV-1a, 64 bit): only names this
// program made carry the right ones.
std::string CheckChars(const std::string& prefix, std::string_view random) {
  std::uint64_t hash = 14695981039346656037ull;
  for (std::string_view part : {std::string_view(prefix), random}) {
    for (unsigned char c : part) {
      hash ^= c;
      hash *= 1099511628211ull;
    }
  }
  std::string out;
  for (std::size_t i = 0; i < kCheckChars; ++i, hash /= kCharCount) out += kChars[hash % kCharCount];
  return out;
}

// Random characters from the system's random source, and their check.
std::string TempSuffix(const std::string& prefix) {
  std::uint8_t raw[kRandomChars] = {};
  std::size_t got = 0;
  while (got < sizeof raw) {
    const ssize_t n = ::getrandom(raw + got, sizeof raw - got, 0);
    if (n > 0) got += static_cast<std::size_t>(n);
    else if (errno != EINTR) break;  // never on a running system: the name is then less random
  }
  std::string random;
  for (std::uint8_t b : raw) random += kChars[b % kCharCount];
  return random + CheckChars(prefix, random);
}

bool IsTemporaryName(const std::string& entry, const std::string& prefix) {
  if (entry.size() != prefix.size() + kRandomChars + kCheckChars || !entry.starts_with(prefix)) return false;
  const std::string_view random = std::string_view(entry).substr(prefix.size(), kRandomChars);
  return entry.ends_with(CheckChars(prefix, random));
}

// A temporary of our own making that no save holds any more: a save keeps its temporary
// locked until it is renamed, and a lock goes with the process that held it. Removed only
// when we can lock it (never where the file system refuses locks: there a held one cannot
// be told from a stale one) and the name still leads to the file we locked.
void RemoveIfStale(int folder, const std::string& name) {
  const int fd = ::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return;
  struct stat held {};
  if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && held.st_uid == ::geteuid() &&
      Lock(fd, LOCK_EX | LOCK_NB) == LockResult::Locked)
    UnlinkIfStillNamed(fd, folder, name);
  ::close(fd);
}

void RemoveStaleTemporaries(int folder, const std::string& prefix) {
  const int listed = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listed < 0) return;
  DIR* entries = ::fdopendir(listed);
  if (!entries) {
    ::close(listed);
    return;
  }
  std::vector<std::string> stale;
  while (const dirent* entry = ::readdir(entries)) {
    if (IsTemporaryName(entry->d_name, prefix)) stale.emplace_back(entry->d_name);
  }
  ::closedir(entries);
  for (const std::string& name : stale) RemoveIfStale(folder, name);
}

// Creates and locks a new temporary; -1 on failure, with nothing left behind. O_EXCL makes
// it new: whatever sits at a name (a planted symlink included) is never written through,
// and a taken name is simply drawn again. A stale-temporary sweep of another save may remove
// the name in the moment between creation and lock: then it is made again too. `mode` is
// 0600 when a file is replaced (the caller gives it the old file's mode before writing) and
// 0666 for a new file, which the user's umask then cuts as for any file he creates.
int CreateLockedTemp(int folder, const std::string& prefix, mode_t mode, std::string& temp) {
  constexpr int kAttempts = 100;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    const std::string name = prefix + TempSuffix(prefix);
    const int fd = ::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return -1;
    }
    if (Lock(fd, LOCK_EX) == LockResult::Failed) {
      const int reason = errno;  // the lock's, not the clean-up's
      UnlinkIfStillNamed(fd, folder, name);
      ::close(fd);
      errno = reason;
      return -1;
    }
    if (StillNamed(fd, folder, name)) {
      temp = name;
      return fd;
    }
    ::close(fd);
  }
  errno = EEXIST;  // every name drawn was taken away before it could be held
  return -1;
}

bool WriteAll(int fd, std::span<const std::uint8_t> block) {
  std::size_t done = 0;
  while (done < block.size()) {
    const ssize_t n = ::write(fd, block.data() + done, block.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) errno = EIO;  // no byte taken and no reason given
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// The replacement gets the owner, group and permissions of the file it replaces before any
// byte is written, so that a private file is never readable by others, not even while it is
// saved. Where the old group cannot be kept, the new file's group gets no rights.
bool KeepOwnerAndMode(int fd, const struct stat& old) {
  mode_t mode = old.st_mode & 07777;
  struct stat now {};
  if (::fstat(fd, &now) != 0) return false;
  if ((now.st_uid != old.st_uid || now.st_gid != old.st_gid) && ::fchown(fd, old.st_uid, old.st_gid) != 0 &&
      ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0)
    mode &= ~static_cast<mode_t>(S_IRWXG | S_ISGID);
  return ::fchmod(fd, mode) == 0;
}

}  // namespace

TFileLockCall SetFileLockCall(TFileLockCall call) { return lockCall.exchange(call ? call : ::flock); }
TSaveWalkHook SetSaveWalkHook(TSaveWalkHook hook) { return walkHook.exchange(hook); }

TFileReplacement::TFileReplacement(const std::filesystem::path& name, MissingFolders folders) {
  // One walk, its folder held: every step below happens in that folder, whatever is renamed
  // on the way to it meanwhile.
  THeldSaveTarget held = HoldSaveTarget(name, ::geteuid(), folders == MissingFolders::Make);
  target_ = std::move(held.target);
  folder_ = std::move(held.folder);
  leaf_ = std::move(held.leaf);
  if (target_.status != SaveTargetStatus::Ready) {
    // errno says what the system would have said of the name (a folder at it, a file on the
    // way to it), and nothing left over from the walk (SaveFailureText tells a refused link
    // or a device in its own words).
    std::error_code ec;
    if (target_.status == SaveTargetStatus::Unreachable)
      errno = target_.reason;
    else
      errno = target_.status == SaveTargetStatus::NotAFile && std::filesystem::is_directory(target_.path, ec) ? EISDIR : 0;
    return;
  }
  if (folder_.Get() < 0) {  // folders missing, and not to be made
    errno = ENOENT;
    return;
  }
  if (const TSaveWalkHook hook = walkHook.load()) hook(name);
  // A write-protected file is the user's decision: it is never replaced behind his back.
  if (IsWriteProtectedFileAt(folder_.Get(), leaf_.c_str())) {
    errno = EACCES;
    return;
  }
  struct stat old {};
  const bool replacing = ::fstatat(folder_.Get(), leaf_.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(old.st_mode);
  std::string temp;
  fd_ = CreateLockedTemp(folder_.Get(), TempPrefix(leaf_), replacing ? 0600 : 0666, temp);
  if (fd_ < 0) return;
  tempName_ = temp;
  temp_ = target_.path.parent_path() / temp;
  if (replacing && !KeepOwnerAndMode(fd_, old)) Abandon();
}

TFileReplacement::~TFileReplacement() { Abandon(); }

std::filesystem::path TFileReplacement::HeldTemporary() const {
  return Ready() ? std::filesystem::path("/proc/self/fd") / std::to_string(fd_) : std::filesystem::path();
}

bool TFileReplacement::Write(std::span<const std::uint8_t> bytes) {
  if (!Ready()) return false;
  if (WriteAll(fd_, bytes)) return true;
  Abandon();
  return false;
}

bool TFileReplacement::Commit() {
  if (!Ready()) return false;
  const int folder = folder_.Get();
  if (::fsync(fd_) != 0 || !StillNamed(fd_, folder, tempName_) ||
      ::renameat(folder, tempName_.c_str(), folder, leaf_.c_str()) != 0) {
    Abandon();
    return false;
  }
  // Closed (and unlocked) only now, so that no sweep takes a temporary still in use. Its
  // data are on the disk already: a failed close changes nothing.
  (void)::close(fd_);
  fd_ = -1;
  // The rename itself lasts only once the folder's entry is on the disk.
  const int synced = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (synced >= 0) {
    (void)::fsync(synced);  // the file is in place whatever this says; nothing to undo
    ::close(synced);
  }
  // Temporaries left by saves of this file that were killed midway.
  RemoveStaleTemporaries(folder, TempPrefix(leaf_));
  return true;
}

void TFileReplacement::Abandon() {
  if (fd_ < 0) return;
  // errno keeps the reason the save failed (a full disk, a missing folder), which the caller
  // tells the user; the clean-up must not put its own in its place.
  const int reason = errno;
  UnlinkIfStillNamed(fd_, folder_.Get(), tempName_);
  ::close(fd_);
  fd_ = -1;
  errno = reason;
}
