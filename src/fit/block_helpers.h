// Threads that share the blocks of a loop: the point loop of the Marquardt sums is cut into
// fixed blocks, each summed on its own and the blocks added in their order afterwards, so
// that the sums do not depend on which thread summed which block, nor on how many took part.
//
// A thread with a loop to run posts it (`Run`) and takes blocks of it itself; helpers that
// serve (`Serve`) take blocks of any loop posted, until the helpers are closed. Two kinds of
// helpers serve:
//   - the workers of a run's non-linear phase, once its queue of equations is empty: they
//     help the fits still running;
//   - the threads of a `TBlockHelperThreads`, started for one fit alone (the fit of a user
//     function, the covariance of a refit).
// A loop posted while no helper waits is run by its own thread, block after block, without
// taking the lock. A block never waits on anything, so a helper is never held up by the
// thread that posted the loop.
//
// A fit posts one loop per pass over its points, a few microseconds after the last one
// ended: a helper that has run out of blocks watches for the next loop a short while before
// it sleeps, and the posting thread watches for the helpers' last blocks a short while before
// it sleeps, so that a pass does not wait for threads to be woken.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

inline constexpr std::chrono::milliseconds kWaitingPoll{20};

class TBlockHelpers {
 public:
  TBlockHelpers() = default;
  TBlockHelpers(const TBlockHelpers&) = delete;
  TBlockHelpers& operator=(const TBlockHelpers&) = delete;

  // Runs block(0) .. block(count - 1), each exactly once, on the calling thread and on any
  // helper that waits; returns when all are done. Blocks must not post loops themselves.
  // While the calling thread has no block left and waits for the helpers' last ones, it
  // calls `whileWaiting` every kWaitingPoll (its own questions, such as a Cancel on the
  // user-interface thread, are asked only there).
  void Run(int count, const std::function<void(int block)>& block,
           const std::function<void()>& whileWaiting = {});

  // Takes blocks of posted loops until `Close`.
  void Serve();
  // No loop will be posted any more: every helper returns from `Serve` (at once, or when
  // the blocks it has taken are done).
  void Close();

 private:
  struct Loop {
    const std::function<void(int)>* block = nullptr;
    int count = 0;
    std::atomic<int> next{0};  // the next block to take
    // Helpers that hold the loop: taken under mutex_ while the loop is open, given back
    // (under mutex_) as a helper's last touch of the loop.
    std::atomic<int> helpers{0};
  };
  // Takes blocks of `loop` until none is left.
  static void TakeBlocks(Loop& loop);
  // Waits a short while for `done` to turn true before the caller sleeps.
  template <class Done>
  static bool Watch(Done done);

  std::mutex mutex_;
  std::condition_variable posted_;    // a loop was posted, or the helpers were closed
  std::condition_variable finished_;  // a helper let go of a loop
  std::vector<Loop*> open_;           // loops with blocks not yet taken (under mutex_)
  bool closed_ = false;               // under mutex_
  std::atomic<bool> closing_{false};  // closed_, for helpers watching without the lock
  std::atomic<unsigned> posts_{0};    // loops posted so far, for helpers watching for the next
  std::atomic<int> waiting_{0};       // helpers waiting (or watching) for a loop
};

// Helper threads for one fit alone: `threads` - 1 threads serve `helpers` from construction
// to destruction (the fit's own thread is the last). Fewer start when the system refuses
// threads; none for a count of 1 or less.
class TBlockHelperThreads {
 public:
  explicit TBlockHelperThreads(unsigned threads);
  ~TBlockHelperThreads();
  TBlockHelperThreads(const TBlockHelperThreads&) = delete;
  TBlockHelperThreads& operator=(const TBlockHelperThreads&) = delete;

  TBlockHelpers helpers;

 private:
  std::vector<std::thread> threads_;
};

// The threads a fit alone runs on: `requested`, or one per core when it is 0.
unsigned BlockThreadCount(unsigned requested);
