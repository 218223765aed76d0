// Routines every program of the product shares: file existence, the front-end log line,
// return-code texts and single registry values.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace kvt::front {

// True when no file matches the trimmed path (which may hold the wildcards * and ?); a folder
// is not a file.
bool fileMissing(const std::string& path);
// logMsg with application "SORT", the sub-application, level "I" and the message, on the
// program's log (clsLog::setProgramLogPath).
void logSort(const std::string& subAppl, const std::string& message);
// Hands every later logSort message, as given (not padded), also to echo; an empty echo stops
// that. A console program uses it to show a person what it logs.
void setLogEcho(std::function<void(const std::string& message)> echo);
// Text of a return code from ErrText.txt of the main directory (setErrTextPath): the line's
// text after the three-digit code and its separator; "" when the file, the code or a line
// end is missing. The file is read as it is at each call and never created.
std::string errText(int code);
void setErrTextPath(const std::string& path);
// GetKeyValue / UpdateKey through a new cRegistryAccess object.
std::string regGet(uint32_t root, const std::string& keyPath, const std::string& valueName);
bool regPut(uint32_t root, const std::string& keyPath, const std::string& valueName,
            const std::string& value);

// Trims blanks at both ends.
std::string trim(const std::string& text);
// The platform's number-to-text: a leading blank for numbers that are not negative.
std::string numberText(int64_t value);
// Leading decimal number of a text (blanks skipped, optional sign); 0 without digits.
int64_t numericValue(const std::string& text);

}  // namespace kvt::front
