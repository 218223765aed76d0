// Return-code texts looked up in an ErrText.txt of any content.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "frontlib/shared_routines.h"
#include "fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kvt::front::setErrTextPath(kvt::fuzz::WriteScratch(data, size));
  for (int code : {0, 1, 101, 109, 131, 133, 150, 167, 255, 999}) {
    std::string text = kvt::front::errText(code);
    if (text.find("\r\n") != std::string::npos) std::abort();
  }
  return 0;
}
