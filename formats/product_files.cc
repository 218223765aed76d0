#include "formats/product_files.h"

#include <cctype>

#include "formats/fixed_fields.h"

namespace kvt::formats {

namespace {

constexpr std::string_view kWorkHead = "tmp";
constexpr std::string_view kWorkTail = ".WRK";
constexpr int kWorkNumberDigits = 3;

bool AllDigits(std::string_view text) {
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

}  // namespace

bool IsSavedLogName(std::string_view name) {
  const std::string_view head = kSavedLogHead;
  return name.size() == head.size() + 3 && name.substr(0, head.size()) == head &&
         AllDigits(name.substr(head.size()));
}

bool IsReservedName(std::string_view name) {
  for (const char* reserved : kReservedNames) {
    if (name == reserved) return true;
  }
  return IsSavedLogName(name);
}

std::string WorkFileName(const std::string& prefix, int64_t pass, int64_t number) {
  return prefix + std::string(kWorkHead) + ZeroPadded(pass, kWorkNumberDigits) +
         ZeroPadded(number, kWorkNumberDigits) + std::string(kWorkTail);
}

bool IsWorkFileName(std::string_view name, std::string_view name_prefix) {
  const size_t head = name_prefix.size() + kWorkHead.size();
  if (name.size() < head + 2 * kWorkNumberDigits + kWorkTail.size()) return false;
  if (name.substr(0, name_prefix.size()) != name_prefix) return false;
  if (name.substr(name_prefix.size(), kWorkHead.size()) != kWorkHead) return false;
  if (name.substr(name.size() - kWorkTail.size()) != kWorkTail) return false;
  return AllDigits(name.substr(head, name.size() - kWorkTail.size() - head));
}

std::string TemporaryOutputPath(const std::string& output_path) {
  return output_path + kTemporaryOutputSuffix;
}

}  // namespace kvt::formats
