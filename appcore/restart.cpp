// SPDX-License-Identifier: GPL-3.0-or-later
#include "appcore/restart.h"

namespace tarnq::appcore {

int RunWithRestarts(RestartRequest& request, settings::SettingsStore& store,
                    const std::function<int()>& runMainWindow) {
  request.Clear();
  for (;;) {
    const int exitCode = runMainWindow();
    if (!request.Pending()) return exitCode;
    store.Thaw();
    request.Clear();
  }
}

}  // namespace tarnq::appcore
