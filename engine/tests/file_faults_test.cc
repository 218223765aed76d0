// A sort run in this process whose file system fails at one step: the run ends with the code of
// that step, keeps the old output byte for byte, leaves no partial or temporary output, and its
// log's last line names the file and the reason. Faults the run can do without change nothing.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/sort_run.h"
#include "engine/tests/test_support.h"
#include "tests/support/faulty_file_system.h"

namespace kvt::engine::test {
namespace {

using kvt::testing::Fault;
using kvt::testing::FaultyFileSystem;
using kvt::testing::FileCall;
using Code = platform::Status::Code;

const char kPrevious[] = "previous output";

struct Case {
  const char* step;
  int chunks;  // 3 (work files and a merge) or 1 (straight to the output)
  Fault fault;
  int code;
  // What the log's last line says besides the file's name; "" for the injected reason.
  const char* reason = "";
};

// 300 records of 50 bytes whose key lies at their end, so that every chunk is read from the file
// (not mapped) and rearranged. Each chunk's work file is 5000 bytes.
class FileFaultTest : public ::testing::Test {
 protected:
  FileFaultTest() {
    records = RandomRecords(31, 300, 50, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");
    setup.entries = {{43, 8, 'A'}, {1, 42, ' '}};
    setup.record_length = "50";
  }
  // Runs the sort in a fresh folder with the fault armed.
  int Run(const TempDir& dir, int chunks, const Fault& fault) {
    std::filesystem::create_directory(dir / "wrk");
    WriteFile(dir / "input.dat", Join(records));
    WriteFile(dir / "output.dat", kPrevious);
    setup.chunks = chunks;
    setup.per_chunk = 300 / chunks;
    setup.input = dir / "input.dat";
    setup.output = dir / "output.dat";
    setup.prefix = dir / "wrk/";
    WriteFile(dir / "kvtsort.ctl", BuildControlRecord(setup));
    files.Arm(fault);
    return RunSort(RunOptions{.main_dir = dir.path(), .files = files});
  }
  static std::string LastLogLine(const std::string& path) {
    std::string log = ReadFile(path);
    if (log.size() < 3) return "";
    size_t start = log.rfind("\r\n", log.size() - 3);
    return log.substr(start == std::string::npos ? 0 : start + 2);
  }

  std::vector<std::string> records;
  ControlSetup setup;
  FaultyFileSystem files;
};

Fault On(FileCall call, const char* path_part, int nth, Code code = Code::kIoError) {
  return Fault{call, path_part, nth, code, false};
}
Fault ShortRead(const char* path_part, int nth) {
  return Fault{FileCall::kRead, path_part, nth, Code::kIoError, true};
}

TEST_F(FileFaultTest, EveryFailingStepEndsWithItsCodeAndKeepsTheOldOutput) {
  // Reads of the input: its first and last 64 KiB for the journal, then one per chunk. Opens of
  // a chunk's work file: created, merged (it is checksummed as it is written).
  const Case cases[] = {
      {"input open", 3, On(FileCall::kOpen, "input.dat", 1, Code::kAccessDenied), 1},
      {"input size", 3, On(FileCall::kSize, "input.dat", 1), 1},
      {"input read for the journal", 3, On(FileCall::kRead, "input.dat", 1), 0},
      {"chunk 2 read", 3, On(FileCall::kRead, "input.dat", 4), 113},
      {"chunk 2 short", 3, ShortRead("input.dat", 4), 113, "chunk 2 read 50 of 100 records"},
      {"work file removal", 3, On(FileCall::kRemove, "tmp000002.WRK", 1, Code::kAccessDenied), 114},
      {"work file create", 3, On(FileCall::kOpen, "tmp000002.WRK", 1, Code::kNoSpace), 114},
      {"work file write", 3, On(FileCall::kWrite, "tmp000002.WRK", 1, Code::kNoSpace), 115},
      {"work file close", 3, On(FileCall::kClose, "tmp000002.WRK", 1), 115},
      {"journal write", 3, On(FileCall::kWrite, "tmp000000.WRK", 2, Code::kNoSpace), 0},
      {"merge input open", 3, On(FileCall::kOpen, "tmp000002.WRK", 2), 131},
      {"merge input read", 3, On(FileCall::kRead, "tmp000002.WRK", 1), 131},
      {"merge input short", 3, ShortRead("tmp000002.WRK", 1), 113, "came up short"},
      {"merge output create", 3, On(FileCall::kOpen, "output.dat.kvttmp", 1, Code::kNoSpace), 130},
      {"merge output write", 3, On(FileCall::kWrite, "output.dat.kvttmp", 1, Code::kNoSpace), 132},
      {"merge output sync", 3, On(FileCall::kSync, "output.dat.kvttmp", 1), 132},
      {"merge output close", 3, On(FileCall::kClose, "output.dat.kvttmp", 1), 132},
      {"merge output rename", 3, On(FileCall::kReplace, "output.dat", 1, Code::kAccessDenied), 130},
      {"status write", 3, On(FileCall::kWrite, "kvtsort.sts", 2, Code::kNoSpace), 0},
      {"log open", 3, On(FileCall::kOpen, "kvtsort.log", 1, Code::kAccessDenied), 0},
      {"output create", 1, On(FileCall::kOpen, "output.dat.kvttmp", 1, Code::kNoSpace), 114},
      {"output write", 1, On(FileCall::kWrite, "output.dat.kvttmp", 1, Code::kNoSpace), 115},
      {"output sync", 1, On(FileCall::kSync, "output.dat.kvttmp", 1), 115},
      {"output rename", 1, On(FileCall::kReplace, "output.dat", 1, Code::kAccessDenied), 114},
  };
  const std::string sorted = Join(ReferenceSort(records, setup.entries));
  for (const Case& c : cases) {
    TempDir dir;
    EXPECT_EQ(Run(dir, c.chunks, c.fault), c.code) << c.step;
    EXPECT_TRUE(files.fired()) << c.step;
    EXPECT_EQ(ReadFile(dir / "output.dat"), c.code == 0 ? sorted : kPrevious) << c.step;
    EXPECT_FALSE(Exists(dir / "output.dat.kvttmp")) << c.step;
    EXPECT_EQ(ReadFile(dir / "input.dat"), Join(records)) << c.step;
    // The end status record carries the code as well.
    const std::string code = std::to_string(c.code);
    EXPECT_EQ(StatusRecords(dir / "kvtsort.sts").at(0).substr(24, 3),
              std::string(3 - code.size(), '0') + code)
        << c.step;
    if (c.code == 0) continue;
    const std::string line = LastLogLine(dir / "kvtsort.log");
    EXPECT_EQ(line.substr(22, 3), "090") << c.step << ": " << line;
    EXPECT_NE(line.find(c.fault.path_part), std::string::npos) << c.step << ": " << line;
    const std::string reason = *c.reason ? c.reason : kvt::testing::ReasonText(c.fault.code);
    EXPECT_NE(line.find(reason), std::string::npos) << c.step << ": " << line;
  }
}

}  // namespace
}  // namespace kvt::engine::test
