// clsLog: fixed 142-byte log lines. Writers append at the file's end as it is at the moment
// of writing (through a file opened for appending), so lines of another program written
// meanwhile stay in place; the reader walks the file backwards from the end it found when it
// opened the log.
#include "frontlib/cls_log.h"

#include "frontlib/backward_line_reader.h"
#include "frontlib/shared_routines.h"
#include "platform/clock.h"

namespace kvt::front {

namespace {

constexpr int kApplWidth = 4;
constexpr int kSubApplWidth = 3;
constexpr int kLevelWidth = 1;
constexpr int kDateWidth = 8;
constexpr int kTimeWidth = 6;
constexpr int kMsgWidth = 118;
constexpr int kMsgColumn = 22;  // 0-based start of the message
constexpr int kLogFileNumber = 2;

// Left-justified in width characters. Line-end characters inside a field would split the
// fixed-width line in two, so they become blanks.
std::string Field(const std::string& text, int width) {
  std::string out = text.substr(0, static_cast<size_t>(width));
  for (char& c : out) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  out.resize(static_cast<size_t>(width), ' ');
  return out;
}

// Field of a line read back: the bytes at column (0-based), padded to width.
std::string Column(const std::string& line, size_t column, int width) {
  if (column >= line.size()) return std::string(static_cast<size_t>(width), ' ');
  return Field(line.substr(column, static_cast<size_t>(width)), width);
}

}  // namespace

struct clsLog::State {
  FileBlock block;                           // read backwards; its length fixes the end
  std::unique_ptr<platform::File> appender;  // every write lands at the current end
  BackwardLineReader reader;
  int count = 0;
  std::string programLogPath;
  LogRecord record;
};

clsLog::State& clsLog::state() {
  static State s;
  return s;
}

void clsLog::setProgramLogPath(const std::string& path) { state().programLogPath = path; }

const std::string& clsLog::programLogPath() { return state().programLogPath; }

LogRecord& clsLog::logRec() { return state().record; }

void clsLog::logOpen(const std::string& p_s_file) {
  State& s = state();
  s.appender.reset();
  filClose(s.block);
  s.block.fileNumber = kLogFileNumber;
  s.block.name = p_s_file;
  s.block.recordLength = kLineLength;
  filOpen(s.block);
  int64_t length = filLength(s.block);
  if (s.block.state == 1) {
    // A log that may only be read gets no appender; its lines are then read, not written.
    platform::FileSystem::Default().Open(s.block.name, platform::OpenMode::kAppend, &s.appender);
  }
  // A file of fewer than 3 bytes holds no line worth reading.
  s.reader.reset(length < 3 ? 0 : length);
}

void clsLog::logMsg(const std::string& p_s_appl, const std::string& p_s_subAppl,
                    const std::string& p_s_level, const std::string& p_s_msg) {
  State& s = state();
  if (s.block.state != 1) logOpen(s.programLogPath);
  if (s.block.state != 1) return;
  platform::LocalStamp now = platform::NowLocal();
  LogRecord& rec = s.record;
  rec.appl = Field(p_s_appl, kApplWidth);
  rec.subAppl = Field(p_s_subAppl, kSubApplWidth);
  rec.level = Field(p_s_level, kLevelWidth);
  rec.date = Field(now.date, kDateWidth);
  rec.time = Field(now.time, kTimeWidth);
  rec.msg = Field(p_s_msg, kMsgWidth);
  std::string line = rec.appl + rec.subAppl + rec.level + rec.date + rec.time + rec.msg + "\r\n";
  // One write of the whole line: another program appending at once cannot split it.
  if (s.appender) s.appender->Write(line.data(), line.size());
}

int clsLog::getLogLine(const std::string& /*p_s_appl*/, const std::string& p_s_Indic,
                       const std::string& p_s_file) {
  if (!p_s_Indic.empty() && p_s_Indic[0] == 'D') return 0;
  if (p_s_Indic.empty() || p_s_Indic[0] != 'L') return -1;
  State& s = state();
  if (s.block.state != 1 || trim(s.block.name) != trim(p_s_file)) {
    logOpen(p_s_file);
    s.count = 0;
  }
  if (s.block.state != 1) return 0;
  std::string line;
  if (!s.reader.previous(s.block.file.get(), kLineLength, &line)) return 0;
  LogRecord& rec = s.record;
  rec.appl = Column(line, 0, kApplWidth);
  rec.subAppl = Column(line, 4, kSubApplWidth);
  rec.level = Column(line, 7, kLevelWidth);
  rec.date = Column(line, 8, kDateWidth);
  rec.time = Column(line, 16, kTimeWidth);
  rec.msg = Column(line, kMsgColumn, kMsgWidth);
  return ++s.count;
}

void clsLog::CloseLog() {
  state().appender.reset();
  filClose(state().block);
}

void clsLog::resetCount() { state().count = 0; }

}  // namespace kvt::front
