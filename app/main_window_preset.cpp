// SPDX-License-Identifier: GPL-3.0-or-later
// The preset dialog and the commands around it.
#include "app/main_window.h"

namespace tarnq::app {

bool MainWindow::RunPresetCommand(int /*id*/) { return false; }

}  // namespace tarnq::app
