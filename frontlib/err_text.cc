// errText: the text of a return code from ErrText.txt. Each line holds a three-digit code, one
// separator character and the text, ending with CR LF; no line is longer than 128 bytes.
#include <string>

#include "frontlib/shared_routines.h"
#include "platform/file_util.h"

namespace kvt::front {

namespace {

constexpr size_t kLineWindow = 128;
// ErrText.txt is a few kilobytes; anything this large is not one.
constexpr int64_t kMaxErrTextSize = 1 << 20;

std::string& ErrTextPath() {
  static std::string path;
  return path;
}

}  // namespace

void setErrTextPath(const std::string& path) { ErrTextPath() = path; }

std::string errText(int code) {
  const std::string& path = ErrTextPath();
  if (path.empty()) return std::string();
  int64_t size = platform::FileSize(path);
  if (size < 0 || size > kMaxErrTextSize) return std::string();
  std::string content;
  if (!platform::ReadWholeFile(path, &content)) return std::string();

  size_t pos = 0;
  while (pos < content.size()) {
    std::string window = content.substr(pos, kLineWindow);
    if (window.find_first_not_of(' ') == std::string::npos) break;
    size_t crlf = window.find("\r\n");
    // A line whose end lies outside its 128 bytes ends the search.
    if (crlf == std::string::npos) break;
    std::string codeField = window.substr(0, 3);
    bool hasDigit = codeField.find_first_of("0123456789") != std::string::npos;
    if (hasDigit && numericValue(codeField) == code) {
      // Code (3) and separator (1) precede the text.
      return crlf > 4 ? window.substr(4, crlf - 4) : std::string();
    }
    pos += crlf + 2;
  }
  return std::string();
}

}  // namespace kvt::front
