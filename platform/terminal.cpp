#include "platform/terminal.h"

#include <unistd.h>

namespace tarnq::platform {

bool StandardInputIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }

}  // namespace tarnq::platform
