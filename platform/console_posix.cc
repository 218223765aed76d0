#include "platform/console.h"

#include <unistd.h>

namespace kvt::platform {

bool PersonAtTerminal() { return ::isatty(STDERR_FILENO) == 1 && ::isatty(STDIN_FILENO) == 1; }

}  // namespace kvt::platform
