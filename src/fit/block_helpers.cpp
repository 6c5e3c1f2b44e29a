#include "fit/block_helpers.h"

#include <algorithm>
#include <new>
#include <system_error>

#include "app/fpu_control.h"
#include "fit/fit_run.h"

int TBlockHelpers::TakeBlocks(Loop& loop) {
  int ran = 0;
  for (int b = loop.next.fetch_add(1, std::memory_order_relaxed); b < loop.count;
       b = loop.next.fetch_add(1, std::memory_order_relaxed)) {
    (*loop.block)(b);
    ++ran;
  }
  return ran;
}

void TBlockHelpers::Run(int count, const std::function<void(int)>& block) {
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
  posted_.notify_all();
  const int ran = TakeBlocks(loop);
  std::unique_lock lock(mutex_);
  std::erase(open_, &loop);
  loop.done += ran;
  // The helpers that hold the loop finish their blocks; the loop lives until they let go.
  finished_.wait(lock, [&] { return loop.done == loop.count && loop.helpers == 0; });
}

void TBlockHelpers::Serve() {
  std::unique_lock lock(mutex_);
  for (;;) {
    waiting_.fetch_add(1, std::memory_order_relaxed);
    posted_.wait(lock, [&] { return closed_ || !open_.empty(); });
    waiting_.fetch_sub(1, std::memory_order_relaxed);
    if (open_.empty()) return;  // closed
    Loop& loop = *open_.front();
    ++loop.helpers;
    lock.unlock();
    const int ran = TakeBlocks(loop);
    lock.lock();
    // Every block of the loop is taken now: no one else needs to find it.
    std::erase(open_, &loop);
    loop.done += ran;
    --loop.helpers;
    if (loop.helpers == 0 && loop.done == loop.count) finished_.notify_all();
  }
}

void TBlockHelpers::Close() {
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
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
