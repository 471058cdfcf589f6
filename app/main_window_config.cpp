// SPDX-License-Identifier: GPL-3.0-or-later
// Configuration, the toolbar and network connections.
#include "app/main_window.h"

namespace tarnq::app {

bool MainWindow::RunConfigCommand(int /*id*/) { return false; }

}  // namespace tarnq::app
