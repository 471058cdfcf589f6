// SPDX-License-Identifier: GPL-3.0-or-later
#include "appcore/restart.h"

#include <gtest/gtest.h>

#include <vector>

#include "appcore_test_support.h"

namespace tarnq::appcore {
namespace {

TEST(Restart, RunsAgainWhileRequestedWithTheStoreThawed) {
  testing::ScratchFolder folder;
  settings::SettingsStore store(folder.Path("TARNQ.INI"), settings::SettingsStore::kExplicitFile);
  RestartRequest request;
  std::vector<bool> writable;
  int runs = 0;
  const int exitCode = RunWithRestarts(request, store, [&] {
    ++runs;
    writable.push_back(store.WriteInt("TARNQ", "Run", runs));
    EXPECT_FALSE(request.Pending());  // every run starts without a request
    if (runs < 3) {  // e.g. Restore Settings: freeze, request, close the window
      store.Freeze();
      request.Request();
      if (runs == 2) request.Request();
    }
    return 10 + runs;
  });
  EXPECT_EQ(runs, 3);
  EXPECT_EQ(exitCode, 13);
  EXPECT_EQ(writable, (std::vector<bool>{true, true, true}));
  EXPECT_EQ(store.ReadInt("TARNQ", "Run", 0), 3u);
}

TEST(Restart, OneRunWithoutARequest) {
  settings::SettingsStore store(u"", settings::SettingsStore::kExplicitFile);
  RestartRequest request;
  int runs = 0;
  EXPECT_EQ(RunWithRestarts(request, store, [&] { return ++runs; }), 1);
  EXPECT_EQ(runs, 1);
}

}  // namespace
}  // namespace tarnq::appcore
