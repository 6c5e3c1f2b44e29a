#include "app/save_target.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <deque>
#include <string>
#include <system_error>
#include <vector>

namespace {

// A name still to walk, and whether it came from a link's text rather than from the caller.
struct TComponent {
  std::string name;
  bool fromLink = false;
};

void PushFront(std::deque<TComponent>& queue, const std::filesystem::path& text, bool fromLink) {
  std::deque<TComponent> front;
  for (const std::filesystem::path& part : text.relative_path()) {
    if (!part.empty()) front.push_back({part.string(), fromLink});
  }
  queue.insert(queue.begin(), front.begin(), front.end());
}

TUniqueFd OpenRoot() { return TUniqueFd(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC)); }

// The text of the link held at `link` (O_PATH | O_NOFOLLOW); empty with errno on failure.
std::string LinkText(int link) {
  std::string text(PATH_MAX, '\0');
  const ssize_t n = ::readlinkat(link, "", text.data(), text.size());
  if (n < 0) return {};
  if (static_cast<std::size_t>(n) >= text.size()) {
    errno = ENAMETOOLONG;
    return {};
  }
  text.resize(static_cast<std::size_t>(n));
  if (text.empty()) errno = ENOENT;
  return text;
}

// Whether a folder that does not exist would be named by a link: the current component or
// one of those after it but the file's own.
bool MissingFolderNamedByLink(const TComponent& part, const std::deque<TComponent>& rest) {
  if (part.fromLink) return true;
  for (std::size_t i = 0; i + 1 < rest.size(); ++i) {
    if (rest[i].fromLink) return true;
  }
  return false;
}

}  // namespace

TUniqueFd& TUniqueFd::operator=(TUniqueFd&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.Release();
  }
  return *this;
}

TUniqueFd::~TUniqueFd() {
  if (fd_ >= 0) ::close(fd_);
}

bool MayFollowLink(uid_t user, const TLinkFacts& link) {
  constexpr mode_t kShared = S_ISVTX | S_IWOTH;
  return link.linkOwner == user || (link.folderMode & kShared) != kShared || link.folderOwner == link.linkOwner;
}

TSaveTarget ResolveSaveTarget(const std::filesystem::path& name, uid_t user) {
  return HoldSaveTarget(name, user, false).target;
}

THeldSaveTarget HoldSaveTarget(const std::filesystem::path& name, uid_t user, bool makeFolders) {
  constexpr int kMaxLinks = 40;  // the system's own limit on links followed in one lookup
  // A folder made and then found taken by something else, again and again: given up.
  constexpr int kMaxMakes = 40;
  THeldSaveTarget out;
  TSaveTarget& target = out.target;
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(name, ec);
  if (ec || name.empty()) return out;
  std::deque<TComponent> queue;
  PushFront(queue, absolute, false);
  // The folders walked, the root first: ".." steps back to the one before, as the walked
  // path has no link in it.
  std::vector<TUniqueFd> held;
  held.push_back(OpenRoot());
  if (held.back().Get() < 0) {
    target.reason = errno;
    return out;
  }
  std::filesystem::path walked = "/";  // free of links so far
  int links = 0;
  int makes = 0;
  bool missing = false;          // a component on the way does not exist: the rest are to be made
  bool missingFromLink = false;  // and one of those was named by a link
  bool endsAtFolder = true;      // the name ends in "/", "." or "..": a folder, never a file
  while (!queue.empty()) {
    const TComponent part = queue.front();
    queue.pop_front();
    endsAtFolder = part.name == "." || part.name == "..";
    if (part.name == ".") continue;
    if (part.name == "..") {
      if (missing) {
        walked /= part.name;  // beyond a missing folder: left for the system to refuse
      } else {
        walked = walked.parent_path();
        if (held.size() > 1) held.pop_back();
      }
      continue;
    }
    const bool last = queue.empty();
    if (missing) {
      walked /= part.name;
      missingFromLink = missingFromLink || (part.fromLink && !last);
      continue;
    }
    TUniqueFd next(::openat(held.back().Get(), part.name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    if (next.Get() < 0) {
      if (errno != ENOENT) {
        target.reason = errno;
        return out;
      }
      if (last) {  // the file to make
        walked /= part.name;
        continue;
      }
      if (makeFolders && !MissingFolderNamedByLink(part, queue)) {
        // Made, or made by someone else meanwhile: looked at again either way, so that a
        // link put there at this moment is judged as any other link.
        if ((::mkdirat(held.back().Get(), part.name.c_str(), 0777) != 0 && errno != EEXIST) || ++makes > kMaxMakes) {
          target.reason = errno == EEXIST ? ELOOP : errno;
          return out;
        }
        queue.push_front(part);
        continue;
      }
      missing = true;
      missingFromLink = part.fromLink;
      walked /= part.name;
      continue;
    }
    struct stat st {};
    if (::fstat(next.Get(), &st) != 0) {
      target.reason = errno;
      return out;
    }
    if (!S_ISLNK(st.st_mode)) {
      walked /= part.name;
      if (S_ISDIR(st.st_mode) && !last) {
        held.push_back(std::move(next));
      } else if (!last) {  // a file used as a folder
        target.reason = ENOTDIR;
        return out;
      }
      continue;
    }
    struct stat folder {};
    if (++links > kMaxLinks) {
      target.reason = ELOOP;
      return out;
    }
    if (::fstat(held.back().Get(), &folder) != 0) {
      target.reason = errno;
      return out;
    }
    if (!MayFollowLink(user, {st.st_uid, folder.st_uid, folder.st_mode})) {
      target.status = SaveTargetStatus::LinkRefused;
      target.link = walked / part.name;
      return out;
    }
    const std::string text = LinkText(next.Get());
    if (text.empty()) {
      target.reason = errno;
      return out;
    }
    if (text.front() == '/') {
      walked = "/";
      held.resize(1);
    }
    PushFront(queue, text, true);
  }
  // Folders a link named are never made: a dangling link planted by someone else must not
  // lay out a tree of folders in the user's name.
  if (missingFromLink) {
    target.reason = ENOENT;
    return out;
  }
  target.path = walked;
  target.makeFolders = missing;
  if (!missing) {
    out.leaf = walked.filename().string();
    struct stat st {};
    if (endsAtFolder ||
        (::fstatat(held.back().Get(), out.leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISREG(st.st_mode))) {
      target.status = SaveTargetStatus::NotAFile;
      return out;
    }
    out.folder = std::move(held.back());
  }
  target.status = SaveTargetStatus::Ready;
  return out;
}
