// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop program's entry: its command line, the checks before a window can exist, and the
// in-process restart loop around the main window.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

#include "app/main_window.h"

namespace tarnq::app {

struct ProgramArguments {
  bool help = false;
  bool version = false;
  WindowOptions window;
  QString error;  // a usage error, for standard error (exit 2)
};

// Options first (--opt value and --opt=value), then at most one positional argument: the preset or
// a results file to open.
ProgramArguments ParseArguments(const QStringList& arguments);
QString UsageText();

// The whole program; returns the process's exit status.
int RunProgram(int argc, char** argv);

}  // namespace tarnq::app
