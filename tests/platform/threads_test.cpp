// SPDX-License-Identifier: GPL-3.0-or-later
// The dispatchers: calls reach the owner thread, and a shut-down dispatcher releases every waiter.
#include "platform/threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>
#include <vector>

namespace tarnq::platform {
namespace {

using namespace std::chrono_literals;

TEST(StoreLock, IsReentrantForItsOwnerOnly) {
  StoreLock lock;
  StoreGuard outer(lock);
  {
    StoreGuard inner(lock);  // would wait for ever if the owner could not take it again
    EXPECT_TRUE(lock.try_lock());
    lock.unlock();
  }
  bool otherGotIt = true;
  std::thread other([&] { otherGotIt = lock.TryLockFor(std::chrono::milliseconds(20)); });
  other.join();
  EXPECT_FALSE(otherGotIt);  // still held by the owner after the inner guard let go
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
  EXPECT_TRUE(dispatcher.RunSync([&] { ++calls; }));
  EXPECT_EQ(calls, 1);
}

TEST(QueuedDispatcher, RunSyncFromAWorkerRunsOnTheOwnerThread) {
  QueuedDispatcher dispatcher;
  const auto owner = std::this_thread::get_id();
  std::thread::id ranOn;
  auto worker = std::async(std::launch::async, [&] { return dispatcher.RunSync([&] { ranOn = std::this_thread::get_id(); }); });
  std::atomic<int> posted{0};
  dispatcher.Post([&] { ++posted; });
  while (worker.wait_for(1ms) != std::future_status::ready) dispatcher.WaitAndRunPending(10ms);
  dispatcher.RunPending();
  EXPECT_TRUE(worker.get());
  EXPECT_EQ(ranOn, owner);
  EXPECT_EQ(posted.load(), 1);
  EXPECT_TRUE(dispatcher.RunSync([] {}));  // on the owner thread: at once
}

TEST(QueuedDispatcher, ShutdownReleasesWaitersAndDropsEverythingAfter) {
  QueuedDispatcher dispatcher;
  std::atomic<bool> ran{false};
  auto worker = std::async(std::launch::async, [&] { return dispatcher.RunSync([&] { ran = true; }); });
  std::this_thread::sleep_for(20ms);  // let it wait; the owner never runs the queue
  dispatcher.Shutdown();
  ASSERT_EQ(worker.wait_for(5s), std::future_status::ready) << "a waiter was not released";
  EXPECT_FALSE(worker.get());
  dispatcher.Post([&] { ran = true; });
  EXPECT_EQ(dispatcher.RunPending(), 0u);
  EXPECT_FALSE(dispatcher.RunSync([&] { ran = true; }));
  EXPECT_FALSE(ran.load());
}

TEST(DirectDispatcher, RunsAtOnceUntilShutDown) {
  DirectDispatcher dispatcher;
  int calls = 0;
  EXPECT_TRUE(dispatcher.RunSync([&] { ++calls; }));
  dispatcher.Post([&] { ++calls; });
  // A call may shut its own dispatcher down without waiting for itself.
  EXPECT_TRUE(dispatcher.RunSync([&] { dispatcher.Shutdown(); }));
  EXPECT_FALSE(dispatcher.RunSync([&] { ++calls; }));
  dispatcher.Post([&] { ++calls; });
  EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace tarnq::platform
