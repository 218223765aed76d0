#include <gtest/gtest.h>

#include <cctype>

#include "frontlib/cls_log.h"
#include "frontlib/shared_routines.h"
#include "tests/support/temp_dir.h"

namespace kvt::front {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

// A line as the library writes it, with a fixed stamp.
std::string Line(const std::string& sub, const std::string& msg,
                 const std::string& date = "20240102") {
  std::string m = msg;
  m.resize(118, ' ');
  return "SORT" + sub + "I" + date + "123456" + m + "\r\n";
}

bool AllDigits(const std::string& text) {
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  return !text.empty();
}

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    log_.CloseLog();
    clsLog::setProgramLogPath(path_);
  }
  void TearDown() override {
    log_.CloseLog();
    clsLog::setProgramLogPath("");
  }

  // Reads backwards until 0 and gives the messages (trimmed) in the order returned.
  std::vector<std::string> ReadAll() {
    std::vector<std::string> messages;
    int expected = 1;
    for (int got; (got = log_.getLogLine("SORT", "L1", path_)) != 0; ++expected) {
      EXPECT_EQ(got, expected);
      messages.push_back(trim(clsLog::logRec().msg));
      if (messages.size() > 1000) break;  // a reader that never ends fails here
    }
    return messages;
  }

  TempDir dir_;
  std::string path_ = dir_ / "kvtsort.log";
  clsLog log_;
};

TEST_F(LogTest, WritesOneFixedLine) {
  log_.logMsg("SORT", "STA", "I", "KV Tamsort started.");
  std::string text = ReadFile(path_);
  ASSERT_EQ(text.size(), 142u);
  EXPECT_EQ(text.substr(0, 8), "SORTSTAI");
  EXPECT_TRUE(AllDigits(text.substr(8, 14)));
  std::string msg = "KV Tamsort started.";
  msg.resize(118, ' ');
  EXPECT_EQ(text.substr(22, 118), msg);
  EXPECT_EQ(text.substr(140), "\r\n");
  EXPECT_EQ(clsLog::logRec().subAppl, "STA");
}

TEST_F(LogTest, FieldsAreCutAndLineEndsInsideThemBlanked) {
  log_.logMsg("SORTX", "STAX", "IX", std::string(130, 'm') + "\r\nZZ");
  log_.logMsg("S", "T", "", "two\r\nlines");
  std::string text = ReadFile(path_);
  ASSERT_EQ(text.size(), 284u);
  EXPECT_EQ(text.substr(0, 8), "SORTSTAI");
  EXPECT_EQ(text.substr(22, 118), std::string(118, 'm'));
  EXPECT_EQ(text.substr(142, 8), "S   T   ");
  EXPECT_EQ(text.substr(164, 12), "two  lines  ");
  EXPECT_EQ(text.find("\r\n"), 140u);
}

TEST_F(LogTest, AppendsAtTheEndOtherProgramsLeft) {
  log_.logMsg("SORT", "STA", "I", "first");
  // Another program appends while this one still has the log open.
  WriteFile(path_, ReadFile(path_) + "SORTCTLR20240102123456009Engine line\r\n");
  log_.logMsg("SORT", "TMR", "I", "third");
  log_.CloseLog();
  logSort("TMR", "fourth");  // reopens the program's log
  log_.CloseLog();
  EXPECT_EQ(ReadAll(), (std::vector<std::string>{"fourth", "third", "009Engine line", "first"}));
}

TEST_F(LogTest, ReadsNewestFirstThenZero) {
  WriteFile(path_, Line("STA", "one") + Line("STA", "two") + Line("TMR", "three", "20240105"));
  EXPECT_EQ(log_.getLogLine("SORT", "L0", path_), 1);
  const LogRecord& rec = clsLog::logRec();
  EXPECT_EQ(rec.appl, "SORT");
  EXPECT_EQ(rec.subAppl, "TMR");
  EXPECT_EQ(rec.level, "I");
  EXPECT_EQ(rec.date, "20240105");
  EXPECT_EQ(rec.time, "123456");
  EXPECT_EQ(rec.msg.size(), 118u);
  EXPECT_EQ(trim(rec.msg), "three");
  EXPECT_EQ(log_.getLogLine("SORT", "L1", path_), 2);
  EXPECT_EQ(trim(rec.msg), "two");
  EXPECT_EQ(log_.getLogLine("SORT", "L2", path_), 3);
  EXPECT_EQ(trim(rec.msg), "one");
  EXPECT_EQ(log_.getLogLine("SORT", "L3", path_), 0);
  EXPECT_EQ(log_.getLogLine("SORT", "L4", path_), 0);
}

TEST_F(LogTest, IndicatorAndEmptyLogs) {
  EXPECT_EQ(log_.getLogLine("SORT", "L0", path_), 0);
  EXPECT_TRUE(std::filesystem::exists(path_));  // created empty by the reader
  log_.CloseLog();
  WriteFile(path_, "\r\n");
  EXPECT_EQ(log_.getLogLine("SORT", "L0", path_), 0);
  log_.CloseLog();
  WriteFile(path_, Line("STA", "one"));
  EXPECT_EQ(log_.getLogLine("SORT", "D", path_), 0);
  EXPECT_EQ(log_.getLogLine("SORT", "X", path_), -1);
  EXPECT_EQ(log_.getLogLine("SORT", "", path_), -1);
  EXPECT_EQ(log_.getLogLine("SORT", "L", path_), 1);
}

TEST_F(LogTest, EngineLinesAreShorterAndStillSplit) {
  WriteFile(path_,
            Line("STA", "KV Tamsort started.") + "SORTCTLR20240102101112000Start of sort\r\n");
  ASSERT_EQ(log_.getLogLine("SORT", "L0", path_), 1);
  EXPECT_EQ(clsLog::logRec().subAppl, "CTL");
  EXPECT_EQ(clsLog::logRec().level, "R");
  EXPECT_EQ(clsLog::logRec().time, "101112");
  EXPECT_EQ(trim(clsLog::logRec().msg), "000Start of sort");
}

TEST_F(LogTest, CountRestartsOnResetAndOnAnotherFile) {
  WriteFile(path_, Line("STA", "a") + Line("STA", "b") + Line("STA", "c"));
  WriteFile(dir_ / "other.log", Line("STA", "x"));
  EXPECT_EQ(log_.getLogLine("SORT", "L", path_), 1);
  log_.resetCount();
  EXPECT_EQ(log_.getLogLine("SORT", "L", path_), 1);
  EXPECT_EQ(trim(clsLog::logRec().msg), "b");
  EXPECT_EQ(log_.getLogLine("SORT", "L", dir_ / "other.log"), 1);
  EXPECT_EQ(trim(clsLog::logRec().msg), "x");
  // Back to the first file: read again from its newest line.
  EXPECT_EQ(log_.getLogLine("SORT", "L", path_), 1);
  EXPECT_EQ(trim(clsLog::logRec().msg), "c");
}

TEST_F(LogTest, LongLinesDoNotStopTheReader) {
  // Lines around the reader's internal chunk size, so that line ends fall on its borders.
  std::vector<size_t> lengths = {142, 300, 4094, 4095, 4096, 4097, 9000, 142, 8190, 30};
  std::string text;
  std::vector<std::string> expected;
  for (size_t i = 0; i < lengths.size(); ++i) {
    std::string msg = "line" + std::to_string(i);
    std::string line = "SORTSTAI20240102123456" + msg;
    line.resize(lengths[i] - 2, '.');
    text += line + "\r\n";
    std::string shown = msg + std::string(118, '.');
    shown.resize(std::min<size_t>(118, lengths[i] - 24));
    expected.insert(expected.begin(), trim(shown));
  }
  WriteFile(path_, text);
  EXPECT_EQ(ReadAll(), expected);
}

TEST_F(LogTest, TextWithoutLineEndsIsNoLine) {
  WriteFile(path_, std::string(10000, 'x'));
  EXPECT_EQ(ReadAll(), std::vector<std::string>{});
  log_.CloseLog();
  // A last line still being written is left out; the complete ones are read.
  WriteFile(path_, Line("STA", "a") + Line("STA", "b") + "SORTSTAI2024010212");
  EXPECT_EQ(ReadAll(), (std::vector<std::string>{"b", "a"}));
  log_.CloseLog();
  // LF-only line ends are no line ends: such text joins the line after it.
  WriteFile(path_, "SORTSTAI20240102123456lf only\n" + Line("STA", "b"));
  std::vector<std::string> got = ReadAll();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].substr(0, 7), "lf only");
}

TEST_F(LogTest, AppendsDuringReadingAreNotReadAndReadingEnds) {
  WriteFile(path_, Line("STA", "a") + Line("STA", "b"));
  ASSERT_EQ(log_.getLogLine("SORT", "L", path_), 1);
  EXPECT_EQ(trim(clsLog::logRec().msg), "b");
  WriteFile(path_, ReadFile(path_) + Line("STA", "c") + "partial");
  ASSERT_EQ(log_.getLogLine("SORT", "L", path_), 2);
  EXPECT_EQ(trim(clsLog::logRec().msg), "a");
  EXPECT_EQ(log_.getLogLine("SORT", "L", path_), 0);
}

TEST_F(LogTest, LogCutShortDuringReadingEndsIt) {
  WriteFile(path_, Line("STA", "a") + Line("STA", "b") + Line("STA", "c"));
  ASSERT_EQ(log_.getLogLine("SORT", "L", path_), 1);
  WriteFile(path_, Line("STA", "z"));  // another program started a new log
  EXPECT_EQ(log_.getLogLine("SORT", "L", path_), 0);
  EXPECT_EQ(log_.getLogLine("SORT", "L", path_), 0);
}

}  // namespace
}  // namespace kvt::front
