#include "platform/windows_error.h"

#include <windows.h>

namespace kvt::platform {

std::string WindowsErrorText(uint32_t error) {
  char text[512];
  DWORD n =
      ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                       MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr);
  // The system's texts end with a line end.
  while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' ')) --n;
  std::string out(text, n);
  if (out.empty()) out = "error " + std::to_string(error);
  return out;
}

}  // namespace kvt::platform
