#include "platform/console.h"

#include <io.h>
#include <stdio.h>

namespace kvt::platform {

bool PersonAtTerminal() {
  return ::_isatty(_fileno(stderr)) != 0 && ::_isatty(_fileno(stdin)) != 0;
}

}  // namespace kvt::platform
