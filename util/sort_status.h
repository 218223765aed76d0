// Reading the engine's 64-character status records and turning them into what the "Status"
// frame shows: progress counts, elapsed seconds and whether a finished sort succeeded.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <string>

#include "formats/status_record.h"

namespace kvt::util {

class StatusRecord {
 public:
  static constexpr int kLength = static_cast<int>(formats::kStatusRecordBytes);

  StatusRecord() : StatusRecord(std::string()) {}
  // Cut or blank-padded to 64 characters.
  explicit StatusRecord(std::string text);

  // The type field as written ("000" ... "004").
  std::string type() const { return field(formats::kStatusType); }
  // The record type; nothing for a type field the engine never writes.
  std::optional<formats::StatusType> kind() const { return formats::StatusTypeOf(type()); }
  // The numbers as shown: numeric value, leading zeros dropped.
  QString firstNumber() const { return shownNumber(formats::kStatusFirstNumber); }
  QString secondNumber() const { return shownNumber(formats::kStatusSecondNumber); }
  QString thirdNumber() const { return shownNumber(formats::kStatusThirdNumber); }
  // The same numbers as values.
  int64_t firstValue() const { return value(formats::kStatusFirstNumber); }
  int64_t secondValue() const { return value(formats::kStatusSecondNumber); }
  int64_t thirdValue() const { return value(formats::kStatusThirdNumber); }
  std::string startTime() const { return field(formats::kStatusStartTime); }
  // End time of the end record.
  std::string endTime() const { return field(formats::kStatusEndTime); }
  // The end record's return code; a blank field reads as 0.
  int returnCode() const;
  bool isEnd() const { return kind() == formats::StatusType::kEnd; }
  bool isBlank() const;
  const std::string& text() const { return text_; }

 private:
  std::string field(formats::StatusField f) const { return text_.substr(f.position - 1, f.width); }
  QString shownNumber(formats::StatusField f) const;
  int64_t value(formats::StatusField f) const;
  std::string text_;
};

// Seconds since midnight of an HHMMSS time; -1 when it is not a valid time of day.
int secondsOfDay(const std::string& hhmmss);

// Seconds from start to end, both times of day. An end before the start means the run went
// past midnight, so a day is added and the result is never negative. 0 for invalid times.
int elapsedSeconds(const std::string& start, const std::string& end);

// Whether a finished run may be reported as a success: the front-end ended with 0 and the
// first record of the status file is either the engine's end record with return code 0 or
// absent altogether (no status file). A start or progress record in first place means the
// engine never wrote its end, which is a failure.
bool sortSucceeded(const StatusRecord& firstRecord, uint32_t frontEndExitCode);

// The return code that explains a failed run: the front-end's exit code (the engine's code, or
// the front-end's own when it refused the job), else the code of the engine's end record.
int failureCode(const StatusRecord& firstRecord, uint32_t frontEndExitCode);

// The second line of the completion message of a failed run: "Sort failed rc= 141: " and the
// code's text from ErrText.txt (just "Sort failed rc= 141." when the file has no text for it).
QString failureLine(int code, const std::string& codeText);

}  // namespace kvt::util
