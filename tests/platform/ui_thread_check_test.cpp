// The check of "user-interface thread only": a call from another thread stops a build without
// NDEBUG and names its place; headless runs count every thread as the user interface's.
#include <gtest/gtest.h>

#include "platform/gui_thread.h"

namespace {

// A dispatcher whose user-interface thread is none of the test's threads.
class ElsewhereDispatcher : public platform::UiDispatcher {
 public:
  bool OnUiThread() const override { return false; }
  void Post(std::function<void()> task) override { task(); }
  void Send(std::function<void()> task) override { task(); }
};

void OnlyOnTheUiThread() { platform::AssertUiThread(); }

TEST(UiThreadCheckDeathTest, ACallFromAnotherThreadStopsAndNamesItsPlace) {
  EXPECT_TRUE(platform::OnUiThread());
  OnlyOnTheUiThread();  // no dispatcher: every thread is the user interface's
#ifndef NDEBUG
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        ElsewhereDispatcher elsewhere;
        platform::SetUiDispatcher(&elsewhere);
        OnlyOnTheUiThread();
      },
      "ui_thread_check_test.cpp:.*OnlyOnTheUiThread.* runs off the user-interface thread");
#endif
  EXPECT_EQ(platform::SetUiDispatcher(nullptr), nullptr);
}

}  // namespace
