// Notes which tests start threads, so that the ThreadSanitizer pass (scripts/sanitize
// tsan-threads) builds and runs just those: running every test of the core under the
// sanitizer took minutes of a short CI run for tests that never leave one thread.
//
// Linked into the headless test programs of an uninstrumented build only. The program's own
// pthread_create stands in front of the C library's (an executable's definition interposes on
// the shared libraries' references, std::thread's included); it writes "<program> <test>"
// once per test to ONDRAVIK_THREAD_LOG_FILE and hands on to the real one.
#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <mutex>
#include <string>

#include <gtest/gtest.h>

namespace {

void NoteTheRunningTest() {
  const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
  if (test == nullptr) return;
  static std::mutex guard;
  static const testing::TestInfo* noted = nullptr;
  const std::lock_guard<std::mutex> lock(guard);
  if (test == noted) return;
  noted = test;
  static const std::string program = [] {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    const std::string exe(path, n > 0 ? static_cast<size_t>(n) : 0);
    return exe.substr(exe.find_last_of('/') + 1);
  }();
  const std::string line = program + " " + test->test_suite_name() + "." + test->name() + "\n";
  const int fd = open(ONDRAVIK_THREAD_LOG_FILE, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return;
  // One write of a short line to a file opened for appending: lines of tests that run at the
  // same time do not mix.
  (void)!write(fd, line.data(), line.size());
  close(fd);
}

}  // namespace

extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attr, void* (*start)(void*),
                              void* arg) noexcept {
  using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
  static const Create real = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "pthread_create"));
  NoteTheRunningTest();
  return real(thread, attr, start, arg);
}
