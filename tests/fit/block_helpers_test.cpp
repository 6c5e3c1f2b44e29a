// The threads that share the blocks of a point loop: every block runs exactly once, and what
// a block wrote is there for the posting thread when Run returns, whether the helpers were
// watching for the loop, asleep, or busy with another thread's loop. Run under
// ThreadSanitizer, these tests also check that the hand-over orders the blocks' writes.

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "fit/block_helpers.h"

namespace {

// Runs `loops` loops of varying block counts (1 to 70) from one thread, each block writing
// its own plain (non-atomic) slot; after each Run every slot must hold the loop's mark once.
void RunLoops(TBlockHelpers& helpers, int loops, int seed) {
  std::vector<int> slots(70, 0);
  std::vector<std::atomic<int>> runs(70);
  for (int l = 0; l < loops; ++l) {
    const int count = 1 + (l * 37 + seed) % 70;
    const int mark = l + 1;
    for (int b = 0; b < count; ++b) runs[static_cast<std::size_t>(b)].store(0);
    helpers.Run(count, [&](int b) {
      // A little work, so that several threads take part in a loop.
      volatile long double sink = 0;
      for (int i = 0; i < 200; ++i) sink = sink + static_cast<long double>(i) * b;
      slots[static_cast<std::size_t>(b)] = mark;
      runs[static_cast<std::size_t>(b)].fetch_add(1);
    });
    for (int b = 0; b < count; ++b) {
      ASSERT_EQ(slots[static_cast<std::size_t>(b)], mark) << "loop " << l << " block " << b;
      ASSERT_EQ(runs[static_cast<std::size_t>(b)].load(), 1) << "loop " << l << " block " << b;
    }
  }
}

TEST(BlockHelpers, EveryBlockRunsOnceAndIsSeenByThePoster) {
  for (const unsigned threads : {1u, 2u, 4u, 8u}) {
    TBlockHelperThreads helpers(threads);
    RunLoops(helpers.helpers, 400, static_cast<int>(threads));
  }
}

// Loops posted a while apart find the helpers asleep rather than watching.
TEST(BlockHelpers, HelpersAsleepAreWokenForTheNextLoop) {
  TBlockHelperThreads helpers(4);
  for (int round = 0; round < 5; ++round) {
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
    RunLoops(helpers.helpers, 3, round);
  }
}

// The non-linear phase: several threads post loops at once while others serve; the helpers
// return from Serve when closed, whether watching or asleep.
TEST(BlockHelpers, SeveralPostersShareTheServingThreads) {
  TBlockHelpers helpers;
  std::vector<std::thread> serving;
  for (int t = 0; t < 3; ++t) serving.emplace_back([&helpers] { helpers.Serve(); });
  std::vector<std::thread> posting;
  for (int t = 0; t < 3; ++t) posting.emplace_back([&helpers, t] { RunLoops(helpers, 150, t); });
  for (std::thread& t : posting) t.join();
  helpers.Close();
  for (std::thread& t : serving) t.join();
}

TEST(BlockHelpers, ClosingReturnsWatchingAndSleepingHelpers) {
  for (const int pauseMs : {0, 2}) {
    TBlockHelperThreads helpers(6);
    RunLoops(helpers.helpers, 2, pauseMs);
    std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
  }  // the destructor closes the helpers and joins them
  SUCCEED();
}

}  // namespace
