#include "fit/block_helpers.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <system_error>

#include "app/fpu_control.h"
#include "fit/fit_run.h"

namespace {

// How long a thread watches for what it waits on before it sleeps: longer than the gap
// between two passes of a fit and than one block of points, far shorter than a time slice.
constexpr auto kWatchTime = std::chrono::microseconds(100);

void Pause() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#else
  std::this_thread::yield();
#endif
}

}  // namespace

template <class Done>
bool TBlockHelpers::Watch(Done done) {
  const auto until = std::chrono::steady_clock::now() + kWatchTime;
  for (;;) {
    for (int i = 0; i < 64; ++i) {
      if (done()) return true;
      Pause();
    }
    if (std::chrono::steady_clock::now() >= until) return done();
  }
}

void TBlockHelpers::TakeBlocks(Loop& loop) {
  for (int b = loop.next.fetch_add(1, std::memory_order_relaxed); b < loop.count;
       b = loop.next.fetch_add(1, std::memory_order_relaxed))
    (*loop.block)(b);
}

void TBlockHelpers::Run(int count, const std::function<void(int)>& block,
                        const std::function<void()>& whileWaiting) {
  if (count <= 0) return;
  if (count == 1 || waiting_.load(std::memory_order_relaxed) == 0) {
    for (int b = 0; b < count; ++b) block(b);
    return;
  }
  Loop loop;
  loop.block = &block;
  loop.count = count;
  {
    std::lock_guard lock(mutex_);
    open_.push_back(&loop);
  }
  posts_.fetch_add(1, std::memory_order_release);
  posted_.notify_all();
  TakeBlocks(loop);
  {
    // From here no helper can take the loop; those that hold it finish their blocks, and the
    // loop lives until they let go.
    std::lock_guard lock(mutex_);
    std::erase(open_, &loop);
  }
  const auto released = [&loop] { return loop.helpers.load(std::memory_order_acquire) == 0; };
  if (Watch(released)) return;
  std::unique_lock lock(mutex_);
  if (!whileWaiting) {
    finished_.wait(lock, released);
    return;
  }
  while (!finished_.wait_for(lock, kWaitingPoll, released)) {
    lock.unlock();
    whileWaiting();
    lock.lock();
  }
}

void TBlockHelpers::Serve() {
  for (;;) {
    waiting_.fetch_add(1, std::memory_order_relaxed);
    const unsigned seen = posts_.load(std::memory_order_acquire);
    (void)Watch([&] {  // whether a loop came or not, the lock decides below
      return posts_.load(std::memory_order_acquire) != seen ||
             closing_.load(std::memory_order_acquire);
    });
    std::unique_lock lock(mutex_);
    posted_.wait(lock, [&] { return closed_ || !open_.empty(); });
    waiting_.fetch_sub(1, std::memory_order_relaxed);
    if (open_.empty()) return;  // closed
    Loop& loop = *open_.front();
    loop.helpers.fetch_add(1, std::memory_order_relaxed);
    lock.unlock();
    TakeBlocks(loop);
    lock.lock();
    // Every block of the loop is taken now: no one else needs to find it.
    std::erase(open_, &loop);
    if (loop.helpers.fetch_sub(1, std::memory_order_acq_rel) == 1) finished_.notify_all();
  }
}

void TBlockHelpers::Close() {
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
    closing_.store(true, std::memory_order_release);
  }
  posted_.notify_all();
}

TBlockHelperThreads::TBlockHelperThreads(unsigned threads) {
  try {
    threads_.reserve(threads);
    for (unsigned t = 1; t < threads; ++t) {
      threads_.emplace_back([this] {
        SetProgramFpuControl();
        helpers.Serve();
      });
    }
  } catch (const std::system_error&) {
    // Fewer helpers: the fit's own thread takes what they would have taken.
  } catch (const std::bad_alloc&) {
  }
}

TBlockHelperThreads::~TBlockHelperThreads() {
  helpers.Close();
  for (std::thread& t : threads_) t.join();
}

unsigned BlockThreadCount(unsigned requested) {
  const unsigned n = requested > 0 ? requested : std::thread::hardware_concurrency();
  return std::clamp(n, 1u, kMaxNonlinearThreads);
}
