// Registry file text: parsing, then writing and parsing again, must agree.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/registry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  auto tree = kvt::platform::RegistryTree::Parse(text);
  std::string once = tree.Serialize();
  std::string twice = kvt::platform::RegistryTree::Parse(once).Serialize();
  if (once != twice) std::abort();
  return 0;
}
