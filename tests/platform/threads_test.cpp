#include "platform/threads.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace tarnq::platform {
namespace {

TEST(StoreLock, IsReentrantForItsOwner) {
  StoreLock lock;
  StoreGuard outer(lock);
  StoreGuard inner(lock);
  SUCCEED();
}

TEST(StoreLock, WritersWaitAndLoseNothing) {
  StoreLock lock;
  std::vector<int> values;
  std::thread holder([&] {
    StoreGuard guard(lock);
    std::this_thread::sleep_for(std::chrono::milliseconds(120));  // longer than any timed wait
    values.push_back(0);
  });
  std::vector<std::thread> writers;
  for (int t = 0; t < 4; ++t) {
    writers.emplace_back([&, t] {
      for (int i = 0; i < 1000; ++i) {
        StoreGuard guard(lock);
        values.push_back(t);
      }
    });
  }
  holder.join();
  for (auto& w : writers) w.join();
  EXPECT_EQ(values.size(), 4001u);
}

TEST(UiDispatcher, DirectDispatcherRunsAtOnce) {
  DirectDispatcher dispatcher;
  int calls = 0;
  dispatcher.RunSync([&] { ++calls; });
  EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace tarnq::platform
