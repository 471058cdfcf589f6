// Questions about the process's terminal.
#pragma once

namespace tarnq::platform {

// True when standard input is a terminal (a person can answer a question there).
bool StandardInputIsTerminal();

}  // namespace tarnq::platform
