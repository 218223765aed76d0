// Message codes of the engine's log lines expanded from a kvtmsg.txt of any content. The
// input is the log message, a NUL byte, then the file's text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "util/log_view.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  size_t split = input.find('\0');
  std::string message = input.substr(0, split);
  std::string texts = split == std::string::npos ? std::string() : input.substr(split + 1);
  std::string expanded = kvt::util::expandMessageCode(message, texts);
  // A message is one line of the grid: a line end in it means a line of the file leaked in.
  if (expanded.find("\r\n") != std::string::npos && message.find("\r\n") == std::string::npos) {
    std::abort();
  }
  return 0;
}
