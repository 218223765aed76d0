// Sort-order files: the editor's reader refuses anything that is not a permutation of 0..255
// and writes back what it read; the engine's reader takes any 1536 bytes without overrunning.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/collating.h"
#include "util/editor/collating_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  kvt::engine::CollatingTables tables;
  int rc = kvt::engine::ParseCollatingTables(text, &tables);
  if (rc != 0 && rc != 142 && rc != 143) std::abort();

  using Codec = kvt::util::SortOrderCodec;
  kvt::util::CollatingTable table;
  if (Codec::decode(text, &table) == Codec::Result::kOk) {
    std::string again = Codec::encode(table);
    kvt::util::CollatingTable reread;
    if (Codec::decode(again, &reread) != Codec::Result::kOk || !(reread == table)) std::abort();
  }
  return 0;
}
