#include "util/log_view.h"

#include "frontlib/shared_routines.h"

namespace kvt::util {

using kvt::front::clsLog;

LogDateFilter::LogDateFilter(const QString& text) {
  const QString f = text.trimmed();
  if (f.isEmpty()) return;
  date_ = f.right(8);
  if (f.size() == 8) {
    mode_ = Mode::Equal;
  } else if (f.size() != 9) {
    mode_ = Mode::Invalid;
  } else if (f.startsWith('=')) {
    mode_ = Mode::Equal;
  } else if (f.startsWith('>')) {
    mode_ = Mode::After;
  } else if (f.startsWith('<')) {
    mode_ = Mode::Before;
  } else {
    mode_ = Mode::Invalid;
  }
}

bool LogDateFilter::accepts(const QString& recordDate) const {
  switch (mode_) {
    case Mode::None:
      return true;
    case Mode::Equal:
      return recordDate == date_;
    case Mode::After:
      return recordDate > date_;
    case Mode::Before:
      return recordDate < date_;
    case Mode::Invalid:
      break;
  }
  return false;
}

bool LogDateFilter::searchable(const QString& text) {
  const QString f = text.trimmed();
  if (f.size() == 8) return true;
  return f.size() == 9 && (f.startsWith('=') || f.startsWith('<') || f.startsWith('>'));
}

namespace {

constexpr size_t kWindow = 258;  // a line of at most 256 characters and its CR LF
constexpr size_t kMessageWidth = 118;

// The text a matching kvtmsg.txt line gives the message; false to keep the message.
bool applyLine(const std::string& line, const std::string& rest, std::string& message) {
  const char kind = line.size() > 3 ? line[3] : ' ';
  const std::string text = line.size() > 4 ? line.substr(4) : std::string();
  if (kind == 'V') {
    const size_t mark = text.find('?');
    if (mark == std::string::npos) return false;
    message = text.substr(0, mark) + rest;
  } else if (kind == 'S') {
    message = text + rest;
  } else {
    message = text;
  }
  return true;
}

}  // namespace

std::string expandMessageCode(const std::string& message, const std::string& messageTexts) {
  const std::string code = message.substr(0, 3);
  // The variable part runs from the 4th character to the end of the trimmed message.
  const size_t shownLength = kvt::front::trim(message).size();
  const std::string rest = shownLength > 3 ? message.substr(3, shownLength - 3) : std::string();
  size_t p = 0;
  while (p < messageTexts.size()) {
    const std::string window = messageTexts.substr(p, kWindow);
    const size_t k = window.find("\r\n");
    if (k == std::string::npos) break;
    const std::string line = window.substr(0, k);
    if (line.substr(0, 3) == code) {
      std::string expanded = message;
      if (!applyLine(line, rest, expanded)) return message;
      if (expanded.size() > kMessageWidth) expanded.resize(kMessageWidth);
      return expanded;
    }
    p += k + 2;
  }
  return message;
}

std::string MessageTextFile::expand(const std::string& message) {
  if (block_.state != 1) {
    block_.name = path_;
    kvt::front::filOpen(block_);
    const int64_t length = kvt::front::filLength(block_);
    content_ = length > 0 ? kvt::front::filReadLen(block_, length) : std::string();
  }
  return expandMessageCode(message, content_);
}

void MessageTextFile::close() {
  kvt::front::filClose(block_);
  content_.clear();
}

int endCodeOf(const QString& message) {
  static const QLatin1String kEnded("KV Tamsort ended.(");
  if (!message.startsWith(kEnded)) return -1;
  const int close = message.indexOf(u')', kEnded.size());
  bool number = false;
  const int code = message.mid(kEnded.size(), close - kEnded.size()).trimmed().toInt(&number);
  return close > 0 && number && code >= 0 ? code : -1;
}

namespace {

// "KV Tamsort ended.( 0)" ends a good run; any other code, and every "... failed" line of the
// front-end ("Sort failed rc= 1.", "Start of kvtsorts.exe failed."), tells of a failure.
bool reportsFailure(const QString& message) {
  if (message.startsWith(QLatin1String("KV Tamsort ended.("))) return endCodeOf(message) > 0;
  return message.startsWith(QLatin1String("Sort failed")) ||
         message.contains(QLatin1String(" failed."));
}

}  // namespace

MsgColour messageColour(const QString& message) {
  if (reportsFailure(message)) return MsgColour::ErrorRed;
  if (message.startsWith(QLatin1String("KV Tamsort ended"))) return MsgColour::EndBlue;
  if (message.startsWith(QLatin1String("KV Tamsort"))) return MsgColour::InfoBlue;
  return MsgColour::Black;
}

LogViewResult LogViewLoader::load(const std::string& logPath, const QString& filterText,
                                  bool showAll, bool checkExistence) {
  LogViewResult result;
  if (checkExistence) {
    if (kvt::front::fileMissing(logPath)) return result;
    log_.resetCount();
  }
  const LogDateFilter filter(filterText);
  while (static_cast<int>(result.rows.size()) < kMaxRows) {
    const std::string indicator = "L" + std::to_string(result.rows.size());
    const int got = log_.getLogLine("SORT", indicator, logPath);
    if (got < 1) break;
    kvt::front::LogRecord& rec = clsLog::logRec();
    const bool control = rec.subAppl == "CTL";
    if (control && !showAll) continue;
    if (control) rec.msg = texts_.expand(rec.msg);
    const QString date = QString::fromStdString(rec.date);
    if (filter.mode() == LogDateFilter::Mode::Invalid) result.invalidFilter = true;
    if (!filter.accepts(date)) continue;
    LogRow shown;
    shown.time = QString::fromStdString(rec.time);
    shown.date = date;
    shown.message = QString::fromStdString(kvt::front::trim(rec.msg));
    shown.colour = messageColour(shown.message);
    result.rows.push_back(shown);
  }
  log_.CloseLog();
  texts_.close();
  return result;
}

}  // namespace kvt::util
