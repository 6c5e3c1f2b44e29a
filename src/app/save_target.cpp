#include "app/save_target.h"

#include <sys/stat.h>

#include <cerrno>

#include <deque>
#include <string>
#include <system_error>

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

}  // namespace

bool MayFollowLink(uid_t user, const TLinkFacts& link) {
  constexpr mode_t kShared = S_ISVTX | S_IWOTH;
  return link.linkOwner == user || (link.folderMode & kShared) != kShared || link.folderOwner == link.linkOwner;
}

TSaveTarget ResolveSaveTarget(const std::filesystem::path& name, uid_t user) {
  constexpr int kMaxLinks = 40;  // the system's own limit on links followed in one lookup
  TSaveTarget out;
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(name, ec);
  if (ec || name.empty()) return out;
  std::deque<TComponent> queue;
  PushFront(queue, absolute, false);
  std::filesystem::path walked = "/";  // free of links so far
  int links = 0;
  bool missing = false;          // a component on the way does not exist: the rest are to be made
  bool missingFromLink = false;  // and one of those was named by a link
  while (!queue.empty()) {
    const TComponent part = queue.front();
    queue.pop_front();
    if (part.name == ".") continue;
    if (part.name == "..") {
      if (!missing) walked = walked.parent_path();
      else walked /= part.name;  // beyond a missing folder: left for the system to refuse
      continue;
    }
    const std::filesystem::path next = walked / part.name;
    struct stat st {};
    if (missing || ::lstat(next.c_str(), &st) != 0) {
      const bool last = queue.empty();
      if (!last) {
        missing = true;
        missingFromLink = missingFromLink || part.fromLink;
      }
      walked = next;
      continue;
    }
    if (!S_ISLNK(st.st_mode)) {
      walked = next;
      if (!queue.empty() && !S_ISDIR(st.st_mode)) {  // a file used as a folder
        out.reason = ENOTDIR;
        return out;
      }
      continue;
    }
    struct stat folder {};
    if (++links > kMaxLinks) {
      out.reason = ELOOP;
      return out;
    }
    if (::stat(walked.c_str(), &folder) != 0) {
      out.reason = errno;
      return out;
    }
    if (!MayFollowLink(user, {st.st_uid, folder.st_uid, folder.st_mode})) {
      out.status = SaveTargetStatus::LinkRefused;
      out.link = next;
      return out;
    }
    const std::filesystem::path text = std::filesystem::read_symlink(next, ec);
    if (ec || text.empty()) {
      out.reason = ec ? ec.value() : ENOENT;
      return out;
    }
    if (text.is_absolute()) walked = "/";
    PushFront(queue, text, true);
  }
  // Folders a link named are never made: a dangling link planted by someone else must not
  // lay out a tree of folders in the user's name.
  if (missingFromLink) {
    out.reason = ENOENT;
    return out;
  }
  out.path = walked;
  out.makeFolders = missing;
  struct stat st {};
  if (!missing && ::lstat(walked.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    out.status = SaveTargetStatus::NotAFile;
    return out;
  }
  out.status = SaveTargetStatus::Ready;
  return out;
}
