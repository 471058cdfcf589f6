// SPDX-License-Identifier: GPL-3.0-or-later
// The file commands on the selected rows.
#include "app/main_window.h"

namespace tarnq::app {

bool MainWindow::RunFileCommand(int /*id*/) { return false; }

}  // namespace tarnq::app
