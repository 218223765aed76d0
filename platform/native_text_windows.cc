#include <windows.h>

#include <string>

#include "platform/native_text.h"

namespace kvt::platform {

namespace {

std::wstring toWide(UINT codePage, const std::string& text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int wide = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
  std::wstring out(static_cast<size_t>(wide > 0 ? wide : 0), L'\0');
  if (wide > 0) MultiByteToWideChar(codePage, 0, text.data(), size, out.data(), wide);
  return out;
}

std::string fromWide(UINT codePage, const std::wstring& text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int narrow =
      WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(narrow > 0 ? narrow : 0), '\0');
  if (narrow > 0)
    WideCharToMultiByte(codePage, 0, text.data(), size, out.data(), narrow, nullptr, nullptr);
  return out;
}

}  // namespace

std::string AnsiToUtf8(const std::string& text) { return fromWide(CP_UTF8, toWide(CP_ACP, text)); }

std::string Utf8ToNative(const std::string& text) {
  return fromWide(CP_ACP, toWide(CP_UTF8, text));
}

}  // namespace kvt::platform
