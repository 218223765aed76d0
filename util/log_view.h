// What the "Log" frame shows: the newest records of kvtsort.log, filtered by date, with the
// engine's control records optionally included and their message codes turned into text.
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "frontlib/cls_log.h"
#include "frontlib/file_block.h"
#include "util/message_line.h"

namespace kvt::util {

// The date filter of txtLogDate: "YYYYMMDD" or "=YYYYMMDD" one date, ">YYYYMMDD" later dates,
// "<YYYYMMDD" earlier dates; empty shows everything. Dates compare as text.
class LogDateFilter {
 public:
  enum class Mode { None, Equal, After, Before, Invalid };

  explicit LogDateFilter(const QString& text);
  Mode mode() const { return mode_; }
  // False for an invalid filter: no record is shown then.
  bool accepts(const QString& recordDate) const;
  // Whether Search accepts the text: 8 characters, or 9 starting with "=", "<" or ">".
  static bool searchable(const QString& text);

 private:
  Mode mode_ = Mode::None;
  QString date_;
};

// The message of a control record with its 3-character code replaced from the text of
// kvtmsg.txt (lines: code, kind "V"/"S"/other, text, CR LF). Unchanged when no line matches.
std::string expandMessageCode(const std::string& message, const std::string& messageTexts);

// kvtmsg.txt, opened on first use during one load of the view and closed at its end.
class MessageTextFile {
 public:
  void setPath(const std::string& path) { path_ = path; }
  std::string expand(const std::string& message);
  void close();

 private:
  std::string path_;
  kvt::front::FileBlock block_;
  std::string content_;
};

struct LogRow {
  QString time;
  QString date;
  QString message;  // trimmed
  MsgColour colour = MsgColour::Black;
};

struct LogViewResult {
  std::vector<LogRow> rows;    // newest first
  bool invalidFilter = false;  // a record met a filter that is not valid
};

// The code of a front-end's end line "KV Tamsort ended.( 180)"; -1 for any other message.
int endCodeOf(const QString& message);

// Colour of a message in the grid: a failure (red), the end of a sort, other product lines,
// everything else.
MsgColour messageColour(const QString& message);

// Reads the log backwards through the window's log object.
class LogViewLoader {
 public:
  static constexpr int kMaxRows = 99;

  LogViewLoader(kvt::front::clsLog& log, MessageTextFile& texts) : log_(log), texts_(texts) {}
  // checkExistence: a missing log shows nothing (a refresh); without it the reader creates
  // the missing log (start-up).
  LogViewResult load(const std::string& logPath, const QString& filterText, bool showAll,
                     bool checkExistence);

 private:
  kvt::front::clsLog& log_;
  MessageTextFile& texts_;
};

}  // namespace kvt::util
