// SPDX-License-Identifier: GPL-3.0-or-later
// tarnq: the desktop program.
#include "app/program.h"
#include "platform/text.h"

int main(int argc, char** argv) {
  tarnq::platform::PrepareTextServices();
  return tarnq::app::RunProgram(argc, argv);
}
