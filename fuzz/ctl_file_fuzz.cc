// Sectioned control-file text: every lookup and edit must end, stay inside the image and keep
// an edit's effect visible to a later lookup.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "frontlib/ctl_image.h"

namespace ctl = kvt::front::ctl;

namespace {

const char* const kSections[] = {"FILE", "FIELDS", "END", "DEFINITIONS", "", "[", "F"};
const char* const kKeys[] = {"INFILE", "RECLEN", "1POS", "GEN", "", "=", "\"", "VERSION"};

void Probe(const std::string& image, const std::string& section, const std::string& key) {
  size_t at = ctl::FindValue(image, section, key);
  if (at != ctl::kNotFound) {
    if (at > image.size()) std::abort();
    std::string value = ctl::ValueAt(image, at);
    if (value.find('"') != std::string::npos) std::abort();
  }
  ctl::FindSection(image, section);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string image(reinterpret_cast<const char*>(data), size);
  for (const char* s : kSections) {
    for (const char* k : kKeys) Probe(image, s, k);
  }
  std::string edited = image;
  ctl::InsertKey(edited, "FILE", "NEWKEY", "value");
  ctl::ReplaceValue(edited, "FILE", "INFILE", "in.dat");
  ctl::AdvanceCounter(edited, "FILE", "GEN");
  ctl::AppendSection(edited, "EXTRA");
  if (ctl::InsertKey(edited, "EXTRA", "ADDED", "yes")) {
    size_t at = ctl::FindValue(edited, "EXTRA", "ADDED");
    if (at == ctl::kNotFound || ctl::ValueAt(edited, at) != "yes") std::abort();
  }
  ctl::TrimmedLength(edited);
  return 0;
}
