// SPDX-License-Identifier: GPL-3.0-or-later
// tarnq: the desktop program.
#include "app/program.h"

int main(int argc, char** argv) { return tarnq::app::RunProgram(argc, argv); }
