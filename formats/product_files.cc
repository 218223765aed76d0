#include "formats/product_files.h"

#include <cctype>
#include <string>

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

std::string Lowered(std::string_view text) {
  std::string low(text);
  for (char& c : low) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return low;
}

bool SameName(std::string_view name, std::string_view reserved) {
  if (!kWindowsNames) return name == reserved;
  const std::string low = Lowered(name);
  return low == Lowered(reserved) || (IsProgramName(reserved) && low == Lowered(reserved) + ".exe");
}

}  // namespace

bool IsProgramName(std::string_view reserved) {
  return reserved.find('.') == std::string_view::npos;
}

bool IsSavedLogName(std::string_view name) {
  const std::string_view head = kSavedLogHead;
  return name.size() == head.size() + 3 && SameName(name.substr(0, head.size()), head) &&
         AllDigits(name.substr(head.size()));
}

bool IsReservedName(std::string_view name) {
  for (const char* reserved : kReservedNames) {
    if (SameName(name, reserved)) return true;
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
