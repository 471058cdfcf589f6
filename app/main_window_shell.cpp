// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop around the list: properties, the context menu, dragging files out, the preferred folders.
#include "app/main_window.h"

namespace tarnq::app {

bool MainWindow::RunShellCommand(int /*id*/) { return false; }

}  // namespace tarnq::app
