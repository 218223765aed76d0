// The log read backwards, newest line first: every file ends the reading with 0, and never
// returns more lines than the file has line ends.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "frontlib/cls_log.h"
#include "fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = kvt::fuzz::WriteScratch(data, size);
  std::string text(reinterpret_cast<const char*>(data), size);
  size_t line_ends = 0;
  for (size_t i = 0; i + 1 < text.size(); ++i) line_ends += text[i] == '\r' && text[i + 1] == '\n';
  kvt::front::clsLog log;
  log.CloseLog();
  size_t lines = 0;
  while (log.getLogLine("SORT", "L" + std::to_string(lines), path) > 0) {
    if (++lines > line_ends + 1) std::abort();
  }
  if (log.getLogLine("SORT", "L", path) != 0) std::abort();
  log.CloseLog();
  return 0;
}
