#include "util/sort_status.h"

#include <algorithm>
#include <cctype>

#include "frontlib/shared_routines.h"

namespace kvt::util {

StatusRecord::StatusRecord(std::string text) : text_(std::move(text)) {
  text_.resize(kLength, ' ');
}

int StatusRecord::returnCode() const {
  return static_cast<int>(kvt::front::numericValue(field(formats::kStatusReturnCode)));
}

bool StatusRecord::isBlank() const {
  return std::all_of(text_.begin(), text_.end(), [](char c) { return c == ' ' || c == '\0'; });
}

QString StatusRecord::shownNumber(formats::StatusField f) const {
  return QString::number(value(f));
}

int64_t StatusRecord::value(formats::StatusField f) const {
  return kvt::front::numericValue(field(f));
}

int secondsOfDay(const std::string& hhmmss) {
  if (hhmmss.size() != 6) return -1;
  for (char c : hhmmss) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return -1;
  }
  const int hours = std::stoi(hhmmss.substr(0, 2));
  const int minutes = std::stoi(hhmmss.substr(2, 2));
  const int seconds = std::stoi(hhmmss.substr(4, 2));
  if (hours > 23 || minutes > 59 || seconds > 59) return -1;
  return hours * 3600 + minutes * 60 + seconds;
}

int elapsedSeconds(const std::string& start, const std::string& end) {
  constexpr int kSecondsPerDay = 24 * 3600;
  const int from = secondsOfDay(start);
  const int to = secondsOfDay(end);
  if (from < 0 || to < 0) return 0;
  const int elapsed = to - from;
  return elapsed < 0 ? elapsed + kSecondsPerDay : elapsed;
}

bool sortSucceeded(const StatusRecord& firstRecord, uint32_t frontEndExitCode) {
  if (frontEndExitCode != 0) return false;
  if (firstRecord.isEnd()) return firstRecord.returnCode() == 0;
  return firstRecord.isBlank();
}

int failureCode(const StatusRecord& firstRecord, uint32_t frontEndExitCode) {
  if (frontEndExitCode != 0) return static_cast<int>(frontEndExitCode);
  return firstRecord.isEnd() ? firstRecord.returnCode() : 0;
}

QString failureLine(int code, const std::string& codeText) {
  const QString head =
      QStringLiteral("Sort failed rc=") + QString::fromStdString(kvt::front::numberText(code));
  const QString text = QString::fromStdString(kvt::front::trim(codeText));
  return text.isEmpty() ? head + "." : head + ": " + text;
}

}  // namespace kvt::util
