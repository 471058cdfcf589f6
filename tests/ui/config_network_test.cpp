// SPDX-License-Identifier: GPL-3.0-or-later
// The network work of the connect and disconnect dialogs runs on BackgroundJobs: when its owner
// (the window) goes, work that still waits for the network is cancelled, so closing never waits
// for a server that does not answer.
#include "ui/config_network.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

namespace tarnq::ui {
namespace {

using namespace std::chrono_literals;

TEST(BackgroundJobs, GoingCancelsTheWorkThatStillWaits) {
  // The work waits until it is cancelled; `release` only ends it when the owner failed to.
  auto release = std::make_shared<std::atomic<bool>>(false);
  auto sawCancel = std::make_shared<std::atomic<bool>>(false);
  auto closing = std::async(std::launch::async, [release, sawCancel] {
    std::atomic<bool> waiting{false};
    BackgroundJobs jobs;
    jobs.Start([&waiting, release, sawCancel](const platform::NetworkCancel& cancel) {
      waiting.store(true);
      while (!cancel.Cancelled() && !release->load()) std::this_thread::sleep_for(1ms);
      sawCancel->store(cancel.Cancelled());
    });
    while (!waiting.load()) std::this_thread::yield();
  });
  const bool closed = closing.wait_for(10s) == std::future_status::ready;
  release->store(true);
  closing.wait();
  EXPECT_TRUE(closed) << "the owner waited for work that waits for the network";
  EXPECT_TRUE(sawCancel->load());
}

}  // namespace
}  // namespace tarnq::ui
