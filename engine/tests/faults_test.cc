// Every return code reached end to end, faults while writing, and the kvtsorts program itself:
// the main directory from the registry, the current-folder fallback, and kills at random moments.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <thread>

#include "engine/sort_run.h"
#include "engine/tests/test_support.h"
#include "formats/status_record.h"
#include "platform/process.h"

namespace kvt::engine::test {
namespace {

[[maybe_unused]] const char kNoChildLimits[] =
    "Windows has no file-size, address-space or open-file limit to set for one child";
[[maybe_unused]] const char kNoLinks[] = "making a symbolic link needs a privilege on Windows";
[[maybe_unused]] const char kNoRegistryFile[] =
    "the program reads the real registry on Windows, not a registry file of the test";

const std::string kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

class ReturnCodeTest : public ::testing::Test {
 protected:
  ReturnCodeTest() {
    std::filesystem::create_directory(dir / "wrk");
    records = RandomRecords(21, 400, 50, kLetters);
    WriteFile(dir / "input.dat", Join(records));
    setup.chunks = 2;
    setup.per_chunk = 200;
    setup.entries = {{1, 8, 'A'}, {9, 42, ' '}};
    setup.record_length = "50";
    setup.input = dir / "input.dat";
    setup.output = dir / "output.dat";
    setup.prefix = dir / "wrk/";
  }
  int Run() { return RunRaw(BuildControlRecord(setup)); }
  int RunRaw(const std::string& control) {
    WriteFile(dir / "kvtsort.ctl", control);
    return RunSort(dir.path());
  }
  // Runs the program with the registry pointing at dir.
  int RunChild(const ChildLimits& limits) {
    WriteFile(dir / "kvtsort.ctl", BuildControlRecord(setup));
    WriteFile(dir / "registry.reg", RegistryText(dir.path()));
    return RunProgram(dir / "registry.reg", "/", limits);
  }
  std::string EndRecord() {
    std::vector<std::string> status = StatusRecords(dir / "kvtsort.sts");
    return status.empty() ? "" : status[0];
  }
  std::string Sorted() { return Join(ReferenceSort(records, setup.entries)); }

  TempDir dir;
  std::vector<std::string> records;
  ControlSetup setup;
};

TEST_F(ReturnCodeTest, SuccessLeavesAnEndRecordWithCodeZero) {
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(ReadFile(dir / "output.dat"), Sorted());
  EXPECT_EQ(EndRecord().substr(24, 3), "000");
  EXPECT_EQ(EndRecord().substr(33, 3), "003");
}

TEST_F(ReturnCodeTest, FewerThanTwoRecordsOrNoInput) {
  WriteFile(dir / "input.dat", records[0]);
  EXPECT_EQ(Run(), 1);
  EXPECT_FALSE(Exists(dir / "output.dat"));
  setup.input = dir / "missing.dat";
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(EndRecord().substr(24, 3), "001");
  // Chunks were never read: after phase 6 only the line naming the missing input.
  std::vector<int> phases = LogPhases(dir / "kvtsort.log");
  ASSERT_GE(phases.size(), 2u);
  EXPECT_EQ(phases[phases.size() - 2], 6);
  EXPECT_EQ(phases.back(), 90);
}

TEST_F(ReturnCodeTest, UnreadableControlRecordGives101WithABareEndRecord) {
  ASSERT_EQ(RunSort(dir.path()), 101);  // no kvtsort.ctl at all
  std::vector<std::string> status = StatusRecords(dir / "kvtsort.sts");
  ASSERT_EQ(status.size(), 1u);
  EXPECT_EQ(status[0].substr(0, 12), "000000000000");
  EXPECT_EQ(status[0].substr(24, 12), "101000000003");
  EXPECT_FALSE(Exists(dir / "kvtsort.log"));
  EXPECT_EQ(RunRaw(""), 101);
}

TEST_F(ReturnCodeTest, MalformedControlRecordsGive101) {
  std::string good = BuildControlRecord(setup);
  size_t terminator = good.find("************");
  EXPECT_EQ(RunRaw(good.substr(0, terminator)), 101);           // no terminator
  EXPECT_EQ(RunRaw(good.substr(0, terminator + 12 + 6)), 101);  // trailer cut short
  EXPECT_EQ(RunRaw(good.substr(0, good.size() - 3)), 101);      // prefix text runs past the end
  setup.order = 'U';
  setup.collating = "";
  EXPECT_EQ(RunRaw(BuildControlRecord(setup).substr(0, good.size())), 101);  // no collating path
  // The end record carries the partition field's first three characters once the header is read.
  EXPECT_EQ(EndRecord().substr(3, 3), "000");
}

TEST_F(ReturnCodeTest, ImpossiblePlansAreRefusedBeforeAnyChunk) {
  setup.per_chunk = 150;  // 2 x 150 < 400
  EXPECT_EQ(Run(), 101);
  setup.chunks = 3;
  setup.per_chunk = 200;  // the third chunk would be empty
  EXPECT_EQ(Run(), 101);
  setup.chunks = 0;
  EXPECT_EQ(Run(), 101);
  std::vector<int> phases = LogPhases(dir / "kvtsort.log");
  EXPECT_EQ(std::count(phases.begin(), phases.end(), 9), 0);
  EXPECT_FALSE(Exists(dir / "output.dat"));
}

TEST_F(ReturnCodeTest, FieldListsThatDoNotRearrangeTheRecordGive101) {
  const std::vector<std::vector<Entry>> bad = {
      {{1, 8, 'A'}, {9, 41, ' '}},              // last byte not covered
      {{1, 8, 'A'}, {8, 43, ' '}},              // byte 8 twice
      {{1, 8, 'A'}, {9, 43, ' '}},              // past the record
      {{0, 8, 'A'}, {9, 42, ' '}},              // position 0
      {{1, 8, 'A'}, {9, 0, ' '}, {9, 42, ' '}}  // empty entry
  };
  for (const auto& entries : bad) {
    setup.entries = entries;
    EXPECT_EQ(Run(), 101);
  }
  setup.entries = {{1, 8, 'A'}, {9, 42, ' '}};
  setup.record_length = "10001";
  EXPECT_EQ(Run(), 101);
  setup.record_length = "50";
  setup.output = std::string(512, 'x');
  EXPECT_EQ(Run(), 101);
}

TEST_F(ReturnCodeTest, InputSizeNotAMultipleGives109) {
  WriteFile(dir / "input.dat", Join(records) + "x");
  EXPECT_EQ(Run(), 109);
  EXPECT_EQ(EndRecord().substr(24, 3), "109");
}

TEST_F(ReturnCodeTest, CollatingTableFaultsGive141And142) {
  setup.order = 'U';
  setup.collating = dir / "missing.sor";
  EXPECT_EQ(Run(), 141);
  WriteFile(dir / "short.sor", std::string(1535, '1'));
  setup.collating = dir / "short.sor";
  EXPECT_EQ(Run(), 142);
  WriteFile(dir / "short.sor", std::string(700, '1'));
  EXPECT_EQ(Run(), 142);
  // Every byte weighed alike: sorting through it would change every key byte.
  WriteFile(dir / "same.sor", std::string(1536, '1'));
  setup.collating = dir / "same.sor";
  EXPECT_EQ(Run(), 143);
  EXPECT_FALSE(Exists(dir / "output.dat"));
  EXPECT_NE(ReadFile(dir / "kvtsort.log").find("same.sor: the value 111 stands twice"),
            std::string::npos);
  // The table check comes before the record count check.
  WriteFile(dir / "input.dat", records[0]);
  setup.collating = dir / "missing.sor";
  EXPECT_EQ(Run(), 141);
}

// An output path that holds something other than a file is never replaced by one.
TEST_F(ReturnCodeTest, OutputThatIsNoFileGives130Or114) {
  std::filesystem::create_directory(dir / "output.dat");
  EXPECT_EQ(Run(), 130);  // the final merge's output
  setup.chunks = 1;
  setup.per_chunk = 400;
  EXPECT_EQ(Run(), 114);  // the one chunk's output
  EXPECT_TRUE(std::filesystem::is_directory(dir / "output.dat"));
  EXPECT_NE(ReadFile(dir / "kvtsort.log").find("output.dat is not a regular file"),
            std::string::npos);
}

TEST_F(ReturnCodeTest, ChunkThatCannotBeReadGives113) {
  KVT_SKIP_ON_WINDOWS(kNoLinks);
  // The trace file is a link to the input: the first trace block, written after the first chunk
  // has been sorted, cuts the input short, so the second chunk finds nothing.
  setup.trace = 'T';
  setup.upper = 2;
  setup.lower = 2;
  std::filesystem::create_symlink(dir / "input.dat", dir / "kvtsort.trc");
  EXPECT_EQ(Run(), 113);
  EXPECT_EQ(EndRecord().substr(24, 3), "113");
}

TEST_F(ReturnCodeTest, InputShortenedWhileItsChunkIsSortedGives113AndKeepsTheOutput) {
  // (and a mapped input cannot be shortened on Windows)
  KVT_SKIP_ON_WINDOWS(kNoLinks);
  // One chunk, read straight from the file: the first trace block cuts the input short while
  // the chunk's records are still to be written. Those records are gone, so nothing is written.
  WriteFile(dir / "output.dat", "previous output");
  setup.chunks = 1;
  setup.per_chunk = 400;
  setup.trace = 'T';
  setup.upper = 2;
  setup.lower = 2;
  std::filesystem::create_symlink(dir / "input.dat", dir / "kvtsort.trc");
  EXPECT_EQ(Run(), 113);
  EXPECT_EQ(ReadFile(dir / "output.dat"), "previous output");
  EXPECT_FALSE(Exists(dir / "output.dat.kvttmp"));
}

TEST_F(ReturnCodeTest, UncreatableFilesGive114And130) {
  setup.prefix = dir / "nofolder/";
  EXPECT_EQ(Run(), 114);
  setup.prefix = dir / "wrk/";
  setup.chunks = 1;
  setup.per_chunk = 400;
  setup.output = dir / "nofolder/output.dat";
  EXPECT_EQ(Run(), 114);
  setup.chunks = 2;
  setup.per_chunk = 200;
  EXPECT_EQ(Run(), 130);
  // A failed run leaves the work files it had at that moment.
  EXPECT_TRUE(Exists(dir / "wrk/tmp000002.WRK"));
}

// A run that failed in its final merge leaves its sorted chunks and their journal; the next run
// of the same job takes them over and sorts no chunk again, on every system. A chunk file
// changed in between reads back wrong in the merge, and the run sorts afresh.
TEST_F(ReturnCodeTest, ARerunTakesOverTheChunksOfAFailedRun) {
  setup.chunks = 4;
  setup.per_chunk = 100;
  setup.output = dir / "later/output.dat";
  for (bool damaged : {false, true}) {
    EXPECT_EQ(Run(), 130);
    std::filesystem::create_directory(dir / "later");
    if (damaged) {
      std::string chunk = ReadFile(dir / "wrk/tmp000003.WRK");
      chunk[7] ^= 1;
      WriteFile(dir / "wrk/tmp000003.WRK", chunk);
    }
    std::filesystem::remove(dir / "kvtsort.log");
    ASSERT_EQ(Run(), 0);
    EXPECT_EQ(ReadFile(dir / "later/output.dat"), Sorted());
    // The damaged chunk is found as the merge reads it back, and the run sorts afresh.
    const std::string log = ReadFile(dir / "kvtsort.log");
    EXPECT_NE(log.find("Resuming: 4 of 4 chunks and 0 of 1 merge passes reused."),
              std::string::npos);
    EXPECT_EQ(log.find("damaged; sorting afresh.") != std::string::npos, damaged) << log;
    EXPECT_TRUE(std::filesystem::is_empty(dir / "wrk"));
    std::filesystem::remove_all(dir / "later");
  }
}

TEST_F(ReturnCodeTest, WriteFaultsGive115And132AndKeepTheOldOutput) {
  KVT_SKIP_ON_WINDOWS(kNoChildLimits);
  WriteFile(dir / "output.dat", "previous output");
  // Each chunk file is 10000 bytes, the merged output 20000.
  EXPECT_EQ(RunChild({.file_size = 5000}), 115);
  EXPECT_EQ(RunChild({.file_size = 15000}), 132);
  EXPECT_EQ(ReadFile(dir / "output.dat"), "previous output");
  EXPECT_FALSE(Exists(dir / "output.dat.kvttmp"));
  setup.chunks = 1;
  setup.per_chunk = 400;
  EXPECT_EQ(RunChild({.file_size = 15000}), 115);
  EXPECT_EQ(ReadFile(dir / "output.dat"), "previous output");
  EXPECT_FALSE(Exists(dir / "output.dat.kvttmp"));
  // The log tells how far the run came; the input is untouched.
  EXPECT_EQ(ReadFile(dir / "input.dat"), Join(records));
  EXPECT_EQ(EndRecord().substr(24, 3), "115");
  setup.output = setup.input;
  EXPECT_EQ(RunChild({.file_size = 15000}), 115);
  EXPECT_EQ(ReadFile(dir / "input.dat"), Join(records));
}

// An already sorted chunk goes to the output in one piece that is written in spans of 8 MiB,
// each handed to the disk as it is written: a limit that falls between spans still fails the
// run and keeps the old output.
TEST_F(ReturnCodeTest, LargeSortedChunkIsWrittenInSpans) {
  KVT_SKIP_ON_WINDOWS(kNoChildLimits);
  records = ReferenceSort(RandomRecords(22, 200000, 50, kLetters), setup.entries);
  WriteFile(dir / "input.dat", Join(records));
  setup.chunks = 1;
  setup.per_chunk = 200000;
  struct Case {
    uint64_t file_size;  // 0: no limit
    int code;
  };
  for (Case c : {Case{9000000, 115}, Case{0, 0}}) {
    WriteFile(dir / "output.dat", "previous output");
    EXPECT_EQ(RunChild({.file_size = c.file_size}), c.code) << c.file_size;
    EXPECT_EQ(ReadFile(dir / "output.dat"), c.code == 0 ? Join(records) : "previous output");
    EXPECT_FALSE(Exists(dir / "output.dat.kvttmp"));
  }
}

TEST_F(ReturnCodeTest, MergeInputThatCannotBeOpenedGives131) {
  KVT_SKIP_ON_WINDOWS(kNoChildLimits);
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizers' type checks need a spare descriptor (a pipe) of their own";
#endif
  // Standard descriptors, status, log and input are open; the merge target takes the last
  // descriptor allowed, so the first merge input cannot be opened.
  EXPECT_EQ(RunChild({.open_files = 7}), 131);
  EXPECT_EQ(EndRecord().substr(24, 3), "131");
  EXPECT_FALSE(Exists(dir / "output.dat"));
}

TEST_F(ReturnCodeTest, BuffersThatCannotBeAllocatedGive150) {
  KVT_SKIP_ON_WINDOWS(kNoChildLimits);
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the sanitizers need more address space than the limit leaves";
#endif
  // A sparse input of 5 million records needs far more than the address space allows.
  setup.chunks = 1;
  setup.per_chunk = 5000000;
  WriteFile(dir / "input.dat", "");
  std::filesystem::resize_file(dir / "input.dat", 5000000 * 50);
  EXPECT_EQ(RunChild({.address_space = 128 << 20}), 150);
  EXPECT_EQ(EndRecord().substr(24, 3), "150");
}

TEST_F(ReturnCodeTest, ProgramFindsTheMainDirectoryInTheRegistry) {
  KVT_SKIP_ON_WINDOWS(kNoRegistryFile);
  // MainDir without a trailing separator still names the folder.
  WriteFile(dir / "kvtsort.ctl", BuildControlRecord(setup));
  std::string main = dir.path().substr(0, dir.path().size() - 1);
  WriteFile(dir / "registry.reg", RegistryText(main));
  EXPECT_EQ(RunProgram(dir / "registry.reg", "/"), 0);
  EXPECT_EQ(ReadFile(dir / "output.dat"), Sorted());
  EXPECT_EQ(EndRecord().substr(24, 3), "000");
}

TEST_F(ReturnCodeTest, ProgramFallsBackToTheCurrentFolder) {
  WriteFile(dir / "kvtsort.ctl", BuildControlRecord(setup));
  WriteFile(dir / "empty.reg", "");
  EXPECT_EQ(RunProgram(dir / "empty.reg", dir.path()), 0);
  EXPECT_EQ(ReadFile(dir / "output.dat"), Sorted());
  EXPECT_TRUE(Exists(dir / "kvtsort.sts"));
  EXPECT_TRUE(Exists(dir / "kvtsort.log"));
}

struct CommandLineCase {
  std::vector<std::string> args;
  int code;
};

// Only a start without arguments sorts: anything else answers on the console and leaves the
// control record of a killed job, the output and the status file alone.
TEST_F(ReturnCodeTest, ArgumentsNeverStartASort) {
  const CommandLineCase cases[] = {
      {{"--help"}, 0},      {{"--version"}, 0},           {{"--bogus"}, 2},
      {{"kvtsort.ctl"}, 2}, {{"--help", "--version"}, 2},
#ifdef _WIN32
      {{"/?"}, 0},
#else
      {{"/?"}, 2},
#endif
  };
  WriteFile(dir / "kvtsort.ctl", BuildControlRecord(setup));
  WriteFile(dir / "empty.reg", "");
  for (const CommandLineCase& row : cases) {
    SCOPED_TRACE(row.args[0]);
    EXPECT_EQ(RunProgram(dir / "empty.reg", dir.path(), {}, nullptr, row.args), row.code);
    EXPECT_FALSE(Exists(dir / "output.dat"));
    EXPECT_FALSE(Exists(dir / "kvtsort.sts"));
  }
  EXPECT_EQ(RunProgram(dir / "empty.reg", dir.path()), 0);
  EXPECT_EQ(ReadFile(dir / "output.dat"), Sorted());
}

TEST_F(ReturnCodeTest, WithoutAMainDirectoryOrAControlRecordNothingIsWritten) {
  const std::string elsewhere = dir.path() + "elsewhere";
  std::filesystem::create_directory(elsewhere);
  WriteFile(dir / "empty.reg", "");
  EXPECT_EQ(RunProgram(dir / "empty.reg", elsewhere), 101);
  EXPECT_TRUE(std::filesystem::is_empty(elsewhere));
}

TEST_F(ReturnCodeTest, KilledRunsNeverLeaveAPartialOutput) {
  records = RandomRecords(22, 200000, 50, kLetters);
  WriteFile(dir / "input.dat", Join(records));
  const std::string previous = "previous output";
  const std::string sorted = Sorted();
  setup.chunks = 20;
  setup.per_chunk = 10000;
  WriteFile(dir / "kvtsort.ctl", BuildControlRecord(setup));
  WriteFile(dir / "registry.reg", RegistryText(dir.path()));
  // The program finds the folder in the registry file here; on Windows, as its current folder.
  SetRegistryFile(dir / "registry.reg");
  std::mt19937 rng(5);
  std::uniform_int_distribution<int> delay_us(0, 250000);
  for (int round = 0; round < 8; ++round) {
    WriteFile(dir / "output.dat", previous);
    // SIGKILL, or TerminateProcess on Windows: the engine gets no chance to clean up.
    platform::ProcessHandle engine(platform::StartHidden(KVTSORTS_PATH, {}, dir.path()));
    ASSERT_TRUE(engine.valid());
    std::this_thread::sleep_for(std::chrono::microseconds(delay_us(rng)));
    engine.Kill();
    while (engine.WaitExitCode(1000) == platform::kStillActive) {
    }
    std::string out = ReadFile(dir / "output.dat");
    EXPECT_TRUE(out == previous || out == sorted) << "round " << round << ": " << out.size();
  }
  EXPECT_EQ(RunProgram(dir / "registry.reg", dir.path()), 0);
  EXPECT_EQ(ReadFile(dir / "output.dat"), sorted);
  EXPECT_TRUE(std::filesystem::is_empty(dir / "wrk"));
}

// Whether the status file holds a progress record of this type with these numbers (0: any).
bool HoldsRecord(const std::string& path, formats::StatusType type, int first, int second,
                 int third) {
  auto field = [](const std::string& record, formats::StatusField f) {
    return record.substr(f.position - 1, f.width);
  };
  auto matches = [&](const std::string& record, formats::StatusField f, int want) {
    return want == 0 || std::stoi(field(record, f)) == want;
  };
  for (const std::string& record : StatusRecords(path)) {
    if (field(record, formats::kStatusType) == formats::StatusTypeText(type) &&
        matches(record, formats::kStatusFirstNumber, first) &&
        matches(record, formats::kStatusSecondNumber, second) &&
        matches(record, formats::kStatusThirdNumber, third))
      return true;
  }
  return false;
}

// The progress records with their times blanked.
std::vector<std::string> ProgressRecords(const std::string& path) {
  std::vector<std::string> records = StatusRecords(path);
  if (!records.empty()) records.erase(records.begin());
  for (std::string& record : records) record.replace(12, 6, "      ");
  return records;
}

struct KillPoint {
  const char* name;
  formats::StatusType type;  // once this record is written, the engine is killed
  int first, second, third;  // all 0 for the rename: killed once the whole output is written
  bool damage;               // a byte of a finished work file flipped before the rerun
  size_t leastReused;        // steps (chunks, then merge groups) the killed run has finished
};

// Twenty chunks; pass 1 merges them in three groups (8, 8, 4), pass 2 is final.
const KillPoint kKillPoints[] = {
    {"during chunk 5's sort", formats::StatusType::kChunk, 0, 5, 0, false, 4},
    {"during merge pass 1", formats::StatusType::kMerge, 2, 20, 12, false, 21},
    {"during the final merge", formats::StatusType::kMerge, 1, 20, 3, false, 23},
    {"during the rename", formats::StatusType::kStart, 0, 0, 0, false, 0},
    {"work file damaged", formats::StatusType::kMerge, 1, 20, 3, true, 23},
};

// The log line of a rerun that takes over the first `steps` steps of the twenty-chunk run.
std::string ResumeLine(size_t steps) {
  return "Resuming: " + std::to_string(std::min<size_t>(steps, 20)) + " of 20 chunks and " +
         (steps >= 23 ? "1" : "0") + " of 2 merge passes reused.";
}

// Killed at chosen points (SIGKILL, or TerminateProcess on Windows), the program's next run
// takes over the steps the killed one finished, never a damaged one, and ends as a run from
// scratch does.
TEST_F(ReturnCodeTest, AKilledRunIsTakenOverFromItsLastFinishedStep) {
  records = RandomRecords(24, 200000, 50, kLetters);
  WriteFile(dir / "input.dat", Join(records));
  setup.chunks = 20;
  setup.per_chunk = 10000;
  WriteFile(dir / "kvtsort.ctl", BuildControlRecord(setup));
  WriteFile(dir / "registry.reg", RegistryText(dir.path()));
  SetRegistryFile(dir / "registry.reg");
  ASSERT_EQ(RunProgram(dir / "registry.reg", dir.path()), 0);
  const std::vector<std::string> uninterrupted = ProgressRecords(dir / "kvtsort.sts");
  const std::string sorted = Sorted();
  for (const KillPoint& point : kKillPoints) {
    SCOPED_TRACE(point.name);
    WriteFile(dir / "output.dat", "previous output");
    WriteFile(dir / "kvtsort.ctl", BuildControlRecord(setup));
    std::filesystem::remove(dir / "kvtsort.sts");
    platform::ProcessHandle engine(platform::StartHidden(KVTSORTS_PATH, {}, dir.path()));
    ASSERT_TRUE(engine.valid());
    auto reached = [&] {
      if (point.first == 0 && point.type == formats::StatusType::kStart)
        return ReadFile(dir / "output.dat.kvttmp").size() == sorted.size();
      return HoldsRecord(dir / "kvtsort.sts", point.type, point.first, point.second, point.third);
    };
    while (!reached() && engine.ExitCode() == platform::kStillActive) {
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    engine.Kill();
    while (engine.WaitExitCode(1000) == platform::kStillActive) {
    }
    // The journal: three lines of its own, then a line for each finished step.
    const std::string journal = ReadFile(dir / "wrk/tmp000000.WRK");
    const size_t finished =
        journal.empty() ? 0 : std::count(journal.begin(), journal.end(), '\n') - 3;
    ASSERT_GE(finished, point.leastReused);
    if (point.damage) {
      std::string work = ReadFile(dir / "wrk/tmp001002.WRK");
      work[work.size() / 2] ^= 1;
      WriteFile(dir / "wrk/tmp001002.WRK", work);
    }
    std::filesystem::remove(dir / "kvtsort.log");
    ASSERT_EQ(RunProgram(dir / "registry.reg", dir.path()), 0);
    EXPECT_EQ(ReadFile(dir / "output.dat"), sorted);
    const std::string log = ReadFile(dir / "kvtsort.log");
    const std::vector<std::string> progress = ProgressRecords(dir / "kvtsort.sts");
    // Killed during the rename, the final merge may have begun deleting its inputs. A damaged
    // file is found as the merge reads it: the run then sorts afresh, and its records show it.
    if (point.damage) {
      EXPECT_NE(log.find("damaged; sorting afresh."), std::string::npos) << log;
      ASSERT_GT(progress.size(), uninterrupted.size());
      EXPECT_TRUE(std::equal(uninterrupted.begin(), uninterrupted.end(),
                             progress.end() - static_cast<ptrdiff_t>(uninterrupted.size())));
    } else {
      if (finished == 0) {
        EXPECT_EQ(log.find("Resuming:"), std::string::npos) << log;
      } else if (point.leastReused > 0) {
        EXPECT_NE(log.find(ResumeLine(finished) + "\r\n"), std::string::npos) << log;
      }
      EXPECT_EQ(progress, uninterrupted);
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir / "wrk"));
  }
}

TEST_F(ReturnCodeTest, StatusReaderNeverSeesATornRecord) {
  records = RandomRecords(23, 20000, 50, kLetters);
  WriteFile(dir / "input.dat", Join(records));
  setup.chunks = 40;
  setup.per_chunk = 500;
  setup.upper = 64;
  setup.lower = 64;
  WriteFile(dir / "kvtsort.ctl", BuildControlRecord(setup));
  WriteFile(dir / "kvtsort.sts", "");
  std::atomic<bool> done{false};
  int torn = 0, reads = 0;
  std::thread reader([&] {
    while (!done) {
      std::string data = ReadFile(dir / "kvtsort.sts");
      ++reads;
      if (data.size() % 64 != 0) ++torn;
      for (size_t at = 0; at + 64 <= data.size(); at += 64) {
        std::string type = data.substr(at + 33, 3);
        if (type != "000" && type != "001" && type != "002" && type != "003" && type != "004")
          ++torn;
        if (data.substr(at + 36, 28) != std::string(28, ' ')) ++torn;
      }
    }
  });
  int code = RunSort(dir.path());
  done = true;
  reader.join();
  EXPECT_EQ(code, 0);
  EXPECT_EQ(torn, 0) << "of " << reads << " reads";
}

}  // namespace
}  // namespace kvt::engine::test
