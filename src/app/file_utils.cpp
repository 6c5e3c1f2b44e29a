#include "app/file_utils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <new>
#include <string>
#include <system_error>

#include "app/file_replacement.h"
#include "app/save_target.h"
#include "platform/cp1252.h"
#include "platform/file_dialog.h"
#include "platform/string_table.h"


namespace {

// A text stream over a binary one (glibc's fopencookie), translating line ends.
struct TextCookie {
  std::FILE* raw = nullptr;
  bool last_was_cr = false;  // writing: the last byte written was a CR
  bool at_eof = false;       // reading: a Ctrl-Z was met
};

ssize_t TextRead(void* cookie, char* buf, size_t size) {
  TextCookie& c = *static_cast<TextCookie*>(cookie);
  size_t n = 0;
  while (n < size && !c.at_eof) {
    int ch = std::getc(c.raw);
    if (ch == EOF) break;
    if (ch == 26) {
      c.at_eof = true;
      break;
    }
    if (ch == '\r') {
      const int next = std::getc(c.raw);
      if (next == '\n')
        ch = '\n';
      else if (next != EOF)
        std::ungetc(next, c.raw);
    }
    buf[n++] = static_cast<char>(ch);
  }
  if (n == 0 && std::ferror(c.raw)) return -1;
  return static_cast<ssize_t>(n);
}

// The bytes between line feeds go to the binary stream in runs, each LF after a CR of its own.
ssize_t TextWrite(void* cookie, const char* buf, size_t size) {
  TextCookie& c = *static_cast<TextCookie*>(cookie);
  size_t i = 0;
  while (i < size) {
    const void* found = std::memchr(buf + i, '\n', size - i);
    const size_t run = found ? static_cast<size_t>(static_cast<const char*>(found) - buf) - i : size - i;
    if (run > 0) {
      if (std::fwrite(buf + i, 1, run, c.raw) != run) return -1;
      c.last_was_cr = buf[i + run - 1] == '\r';
      i += run;
    }
    if (i == size) break;
    // buf[i] is a line feed.
    if (!c.last_was_cr && std::putc('\r', c.raw) == EOF) return -1;
    if (std::putc('\n', c.raw) == EOF) return -1;
    c.last_was_cr = false;
    ++i;
  }
  return static_cast<ssize_t>(size);
}

int TextSeek(void* cookie, off64_t* pos, int whence) {
  TextCookie& c = *static_cast<TextCookie*>(cookie);
  if (whence == SEEK_CUR && *pos == 0) {  // ftell: report, change nothing
    *pos = ftello(c.raw);
    return *pos < 0 ? -1 : 0;
  }
  if (fseeko(c.raw, *pos, whence) != 0) return -1;
  c.at_eof = false;
  c.last_was_cr = false;
  *pos = ftello(c.raw);
  return *pos < 0 ? -1 : 0;
}

int TextClose(void* cookie) {
  TextCookie* c = static_cast<TextCookie*>(cookie);
  const int result = std::fclose(c->raw);
  delete c;
  return result;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& ch : out) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return out;
}

bool StartsWith(const std::string& text, std::string_view prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// Index (1-based) of ext in the list, or 0.
template <std::size_t N>
int IndexIn(std::string_view ext, const std::array<const char*, N>& list) {
  const std::string e = Lower(ext);
  for (std::size_t i = 0; i < N; ++i)
    if (e == list[i]) return static_cast<int>(i) + 1;
  return 0;
}

// fopen, where a stream that writes walks the name as a save does (HoldSaveTarget): a link is
// followed only where a save would follow it, no folder is made, and the file is opened in
// the folder the walk holds, so that nothing renamed on the way meanwhile redirects it.
std::FILE* OpenStream(const std::filesystem::path& name, const char* mode) {
  const std::string_view m(mode);
  const bool update = m.find('+') != std::string_view::npos;
  if (m[0] == 'r' && !update) return std::fopen(name.c_str(), mode);
  int flags = (update ? O_RDWR : O_WRONLY) | O_NOFOLLOW | O_CLOEXEC;
  if (m[0] == 'w') flags |= O_CREAT | O_TRUNC;
  else if (m[0] == 'a') flags |= O_CREAT | O_APPEND;
  else if (m[0] != 'r') {
    errno = EINVAL;
    return nullptr;
  }
  const THeldSaveTarget held = HoldSaveTarget(name, ::geteuid(), false);
  if (held.target.status != SaveTargetStatus::Ready || held.folder.Get() < 0) {
    errno = held.target.status == SaveTargetStatus::Unreachable && held.target.reason ? held.target.reason
            : held.target.status == SaveTargetStatus::Ready                           ? ENOENT
                                                                                      : EACCES;
    return nullptr;
  }
  const int fd = ::openat(held.folder.Get(), held.leaf.c_str(), flags, 0666);
  if (fd < 0) return nullptr;
  std::FILE* f = ::fdopen(fd, mode);
  if (!f) ::close(fd);
  return f;
}

}  // namespace

FilePtr FOpenOem(const std::filesystem::path& name, const char* mode) {
  if (!mode || !*mode) return nullptr;
  const std::string_view m(mode);
  const bool text = m.find('b') == std::string_view::npos && m.find('+') == std::string_view::npos;
  if (!text || (m[0] != 'r' && m[0] != 'w' && m[0] != 'a'))
    return FilePtr(OpenStream(name, mode));
  const char raw_mode[3] = {m[0], 'b', '\0'};
  std::FILE* raw = OpenStream(name, raw_mode);
  if (!raw) return nullptr;
  TextCookie* cookie = new (std::nothrow) TextCookie{raw};
  if (!cookie) {
    std::fclose(raw);
    return nullptr;
  }
  const cookie_io_functions_t io = {m[0] == 'r' ? TextRead : nullptr,
                                    m[0] == 'r' ? nullptr : TextWrite, TextSeek, TextClose};
  const char cookie_mode[2] = {m[0], '\0'};
  std::FILE* f = fopencookie(cookie, cookie_mode, io);
  if (!f) {
    TextClose(cookie);
    return nullptr;
  }
  // Unbuffered above the translation (the binary stream below keeps its own buffer), so
  // that ftell reports the file offset of the next byte exactly.
  std::setvbuf(f, nullptr, _IONBF, 0);
  return FilePtr(f);
}

bool DeleteFileOem(const std::filesystem::path& name) {
  std::error_code ec;
  return std::filesystem::remove(name, ec) && !ec;
}

std::int64_t FileSize(const std::filesystem::path& name) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(name, ec)) return 0;
  const std::uintmax_t size = std::filesystem::file_size(name, ec);
  return ec ? 0 : static_cast<std::int64_t>(size);
}

std::int64_t FileTime(const std::filesystem::path& name) {
  std::error_code ec;
  const auto t = std::filesystem::last_write_time(name, ec);
  if (ec) return 0;
  const auto system = std::chrono::file_clock::to_sys(t);
  return std::chrono::duration_cast<std::chrono::nanoseconds>(system.time_since_epoch()).count();
}

bool IsWriteProtectedFile(const std::filesystem::path& name) { return IsWriteProtectedFileAt(AT_FDCWD, name.c_str()); }

bool IsWriteProtectedFileAt(int folder, const char* name) {
  struct stat st {};
  if (::fstatat(folder, name, &st, 0) != 0 || !S_ISREG(st.st_mode)) return false;
  // No write bit at all is the user's own "read-only" mark, which even root respects here.
  return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::faccessat(folder, name, W_OK, 0) != 0;
}

std::string FileNameToCodedText(std::string_view name) { return platform::Utf8ToCp1252(name); }

namespace {

std::string LinkRefusedText(const TSaveTarget& target) {
  return "Not saved: " + FileNameToCodedText(target.link.string()) +
         " is a link another user made in a shared folder, and it is not followed.";
}

// The save dialogs' check: a refused link is told before any question about the file it
// names. Installed with this file, which every program that saves links.
std::string SaveRefusal(const std::string& path) {
  const TSaveTarget target = ResolveSaveTarget(path, ::geteuid());
  return target.status == SaveTargetStatus::LinkRefused ? LinkRefusedText(target) : std::string();
}

[[maybe_unused]] const bool kSaveRefusalCheckInstalled = (platform::SetSaveRefusalCheck(SaveRefusal), true);

}  // namespace

std::string SaveFailureText(const std::filesystem::path& name, std::string_view failure) {
  constexpr int kWriteProtected = 3076;
  const TSaveTarget target = ResolveSaveTarget(name, ::geteuid());
  switch (target.status) {
    case SaveTargetStatus::LinkRefused: return LinkRefusedText(target);
    case SaveTargetStatus::NotAFile:
      // A folder at the name was never replaced either; the caller's own text says enough.
      if (std::filesystem::is_directory(target.path)) break;
      return "Not saved: " + FileNameToCodedText(target.path.string()) +
             " is not a regular file, and it is not replaced.";
    case SaveTargetStatus::Ready:
      if (IsWriteProtectedFile(target.path)) return std::string(platform::LoadString(kWriteProtected));
      break;
    case SaveTargetStatus::Unreachable: break;
  }
  return std::string(failure);
}

std::string SaveFailureText(const std::filesystem::path& name, int failureId) {
  return SaveFailureText(name, platform::LoadString(failureId));
}

bool SaveGlobalToFile(std::span<const std::uint8_t> block, const std::filesystem::path& name) {
  return SaveGlobalToFile(std::span(&block, 1), name);
}

bool SaveGlobalToFile(std::span<const std::span<const std::uint8_t>> pieces, const std::filesystem::path& name) {
  TFileReplacement replacement(name);
  for (std::span<const std::uint8_t> piece : pieces) {
    if (!replacement.Write(piece)) return false;
  }
  return replacement.Commit();
}

std::vector<std::uint8_t> LoadFileToGlobal(const std::filesystem::path& name) {
  const std::int64_t size = FileSize(name);
  if (size <= 0) return {};
  FilePtr f(std::fopen(name.c_str(), "rb"));
  if (!f) return {};
  try {
    std::vector<std::uint8_t> data(static_cast<std::size_t>(size));
    const std::size_t got = std::fread(data.data(), 1, data.size(), f.get());
    if (got != data.size()) return {};
    return data;
  } catch (const std::bad_alloc&) {
    return {};
  } catch (const std::length_error&) {
    return {};
  }
}

std::vector<std::uint8_t> ReadFileHead(const std::filesystem::path& name, std::size_t maxBytes) {
  FilePtr file(std::fopen(name.c_str(), "rb"));
  if (!file) return {};
  const auto size = static_cast<std::size_t>(std::max<std::int64_t>(FileSize(name), 0));
  std::vector<std::uint8_t> bytes(std::min(size, maxBytes));
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file.get()));
  return bytes;
}

int SniffTextFile(const std::filesystem::path& name) {
  const std::int64_t size = FileSize(name);
  if (size <= 0) return -1;
  FilePtr f(std::fopen(name.c_str(), "rb"));
  if (!f) return -1;
  std::uint8_t head[200];
  const std::size_t n = std::fread(head, 1, std::min<std::int64_t>(size, 200), f.get());
  if (n == 0) return -1;
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t b = head[i];
    if (b < 32 && b != 9 && b != 10 && b != 12 && b != 13 && b != 26) return 0;
  }
  return 2;
}

int ImportKindByExt(std::string_view ext) {
  const std::string e = Lower(ext);
  if (e == "prn" || e == "dat" || e == "txt") return 1;
  if (StartsWith(e, "wk")) return 2;
  if (e == "xls") return 3;
  if (StartsWith(e, "wb") || StartsWith(e, "wq")) return 4;
  if (StartsWith(e, "mv") || e == "rnb") return 5;
  if (e == "sav") return 6;
  if (e == "dbf") return 7;
  if (e == "dif") return 8;
  return 0;
}

int IsTextExt(std::string_view ext) {
  static constexpr std::array<const char*, 3> kList = {"prn", "dat", "txt"};
  return IndexIn(ext, kList);
}

int FileKindByExt(std::string_view ext) {
  static constexpr std::array<const char*, 7> kList = {"prn", "dat", "txt", "wk1",
                                                       "wk3", "rtf", "ws"};
  return IndexIn(ext, kList);
}

int ExtensionKind(std::string_view ext) {
  static constexpr std::array<const char*, 6> kList = {"prn", "dat", "txt", "wk1", "wk3", "sav"};
  return IndexIn(ext, kList);
}

int SaveFormatByExt(const std::filesystem::path& path) {
  const std::string e = Lower(platform::PathExtension(path.string()));
  if (e == "wk1") return kSaveFormatWk1;
  if (e == "wk3") return kSaveFormatWk3;
  if (e == "sav") return kSaveFormatSav;
  if (e == "ws") return kSaveFormatWordStar;
  if (e == "rtf") return kSaveFormatRtf;
  return kSaveFormatText;
}
