// Status records read by position, as the utility follows a running sort.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "frontlib/cls_file.h"
#include "fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = kvt::fuzz::WriteScratch(data, size);
  kvt::front::clsFile reader;
  reader.openStatusFile(path);
  auto& block = kvt::front::clsFile::statusBlock();
  for (int64_t pos = 1; pos <= static_cast<int64_t>(size) + 64; pos += 64) {
    block.position = pos;
    reader.statusGet();
    if (kvt::front::clsFile::statusRec().size() != 64) std::abort();
  }
  reader.StatusClose();
  return 0;
}
