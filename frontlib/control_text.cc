#include "frontlib/control_text.h"

#include <cstdint>

#include "platform/native_text.h"

namespace kvt::front {

namespace {

bool startsWith(const std::string& bytes, const char* mark, size_t length) {
  return bytes.size() >= length && bytes.compare(0, length, mark, length) == 0;
}

void appendUtf8(uint32_t code, std::string* out) {
  if (code < 0x80) {
    *out += static_cast<char>(code);
  } else if (code < 0x800) {
    *out += static_cast<char>(0xC0 | (code >> 6));
    *out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    *out += static_cast<char>(0xE0 | (code >> 12));
    *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    *out += static_cast<char>(0xF0 | (code >> 18));
    *out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// UTF-16 after its byte-order mark; a lone surrogate becomes U+FFFD and an odd last byte is
// dropped, so a damaged file still reads as far as it is whole.
std::string utf16ToUtf8(const std::string& bytes, bool bigEndian) {
  auto unit = [&](size_t at) {
    const auto a = static_cast<uint8_t>(bytes[at]);
    const auto b = static_cast<uint8_t>(bytes[at + 1]);
    return static_cast<uint32_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
  };
  std::string out;
  for (size_t at = 2; at + 1 < bytes.size(); at += 2) {
    uint32_t code = unit(at);
    if (code >= 0xD800 && code < 0xDC00 && at + 3 < bytes.size()) {
      const uint32_t low = unit(at + 2);
      if (low >= 0xDC00 && low < 0xE000) {
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        at += 2;
      }
    }
    if (code >= 0xD800 && code < 0xE000) code = 0xFFFD;
    appendUtf8(code, &out);
  }
  return out;
}

// Length of the UTF-8 sequence a lead byte starts, 0 for a byte that cannot lead one.
size_t sequenceLength(uint8_t lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead < 0xE0) return 2;
  if (lead >= 0xE0 && lead < 0xF0) return 3;
  if (lead >= 0xF0 && lead < 0xF5) return 4;
  return 0;
}

}  // namespace

bool isUtf8(const std::string& bytes) {
  for (size_t at = 0; at < bytes.size();) {
    const size_t length = sequenceLength(static_cast<uint8_t>(bytes[at]));
    if (length == 0 || at + length > bytes.size()) return false;
    for (size_t k = 1; k < length; ++k) {
      if ((static_cast<uint8_t>(bytes[at + k]) & 0xC0) != 0x80) return false;
    }
    at += length;
  }
  return true;
}

std::string controlFileText(const std::string& bytes) {
  if (startsWith(bytes, "\xEF\xBB\xBF", 3)) return platform::Utf8ToNative(bytes.substr(3));
  if (startsWith(bytes, "\xFF\xFE", 2)) return platform::Utf8ToNative(utf16ToUtf8(bytes, false));
  if (startsWith(bytes, "\xFE\xFF", 2)) return platform::Utf8ToNative(utf16ToUtf8(bytes, true));
  if (isUtf8(bytes)) return platform::Utf8ToNative(bytes);
  return platform::Utf8ToNative(platform::AnsiToUtf8(bytes));
}

}  // namespace kvt::front
