// The system's text for a Win32 error code, for messages. Windows build only.
#pragma once

#include <cstdint>
#include <string>

namespace kvt::platform {

std::string WindowsErrorText(uint32_t error);

}  // namespace kvt::platform
