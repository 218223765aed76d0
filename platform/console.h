// Whether a person is at a terminal.
#pragma once

namespace kvt::platform {

// True when standard input and standard error are both a terminal (a console window).
bool PersonAtTerminal();

}  // namespace kvt::platform
