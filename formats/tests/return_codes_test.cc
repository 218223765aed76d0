#include "formats/return_codes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>

namespace kvt::formats {
namespace {

// The shipped ErrText.txt: code -> text.
std::map<int, std::string> ShippedLines() {
  std::map<int, std::string> lines;
  std::ifstream file(KVT_ERRTEXT_PATH);
  std::string line;
  while (std::getline(file, line)) {
    if (line.size() < 5 || line[3] != ' ') {
      ADD_FAILURE() << "not a \"NNN text\" line: " << line;
      continue;
    }
    lines[std::stoi(line.substr(0, 3))] = line.substr(4);
  }
  return lines;
}

// Every code has its line, and every line belongs to a code.
TEST(ReturnCodesTest, EveryCodeHasItsLineInErrText) {
  std::map<int, std::string> lines = ShippedLines();
  ASSERT_FALSE(lines.empty());
  for (int code : kAllReturnCodes) {
    SCOPED_TRACE(code);
    auto line = lines.find(code);
    ASSERT_NE(line, lines.end());
    EXPECT_FALSE(line->second.empty());
    lines.erase(line);
  }
  for (const auto& [code, text] : lines) ADD_FAILURE() << "no return code for line " << code;
}

}  // namespace
}  // namespace kvt::formats
