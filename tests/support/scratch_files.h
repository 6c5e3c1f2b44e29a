// A scratch directory of its own for each test (named after the process and the test, so
// that test executables run at once never share one), and whole-file byte helpers.
#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <string_view>
#include <vector>

class ScratchDir {
 public:
  explicit ScratchDir(std::string_view prefix = "ondravik") {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::temp_directory_path() / (std::string(prefix) + "_" + std::to_string(::getpid()) + "_" +
                                                      info->test_suite_name() + "_" + info->name());
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() { std::filesystem::remove_all(path_); }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  // A file in the directory, and that file written with the given bytes.
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  std::string Write(const std::string& name, std::string_view bytes) const;
  std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const;

 private:
  std::filesystem::path path_;
};

inline std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
inline std::filesystem::path WriteBytes(const std::filesystem::path& p, const std::vector<std::uint8_t>& b) {
  std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  return p;
}
inline std::filesystem::path WriteText(const std::filesystem::path& p, std::string_view s) {
  return WriteBytes(p, std::vector<std::uint8_t>(s.begin(), s.end()));
}
inline std::string ReadText(const std::filesystem::path& p) {
  const std::vector<std::uint8_t> b = ReadBytes(p);
  return std::string(b.begin(), b.end());
}

inline std::string ScratchDir::Write(const std::string& name, std::string_view bytes) const {
  return WriteText(path_ / name, bytes).string();
}
inline std::string ScratchDir::Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
  return WriteBytes(path_ / name, bytes).string();
}

// The names in a folder (not below it): what a save or a print left there.
inline std::set<std::string> FolderEntries(const std::filesystem::path& dir) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

// While it lives, no file of this process can grow past `bytes`: a write beyond fails (EFBIG)
// as on a full disk, even for root.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, old_.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit old_{};
  void (*oldHandler_)(int) = nullptr;
};
