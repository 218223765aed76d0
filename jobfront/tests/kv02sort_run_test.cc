// Runs of kv02sort against a stand-in engine: every log line of a run, its exit status, the
// engine control record the engine finds, and that no kvtsort.ctl is left behind.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <thread>

#include "platform/file_lock.h"
#include "test_main_dir.h"

namespace kvt::jobfront::testing {
namespace {

using Keys = std::vector<std::pair<std::string, std::string>>;

const Keys kGoodFile = {{"INFILE", "in.dat"},
                        {"OUTFILE", "out.dat"},
                        {"VERSION", "020"},
                        {"RECLEN", "20"},
                        {"SORTORDER", "B"}};
const Keys kGoodFields = {
    {"1POS", "11"}, {"1LEN", "5"}, {"1ORD", "D"}, {"2POS", "1"}, {"2LEN", "5"}};

std::string prefixed(const std::string& text) {
  std::string length = "000" + std::to_string(text.size());
  return length.substr(length.size() - 4) + text;
}

Keys replaced(Keys keys, const std::string& key, const std::string& value) {
  for (auto& [k, v] : keys) {
    if (k == key) v = value;
  }
  return keys;
}

Keys without(Keys keys, const std::string& key) {
  std::erase_if(keys, [&](const auto& kv) { return kv.first == key; });
  return keys;
}

class Kv02sortRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.link(FAKE_ENGINE_PROGRAM, "kvtsorts");
    dir_.write("ErrText.txt",
               "131 Not enough physical memory for the sort.\r\n"
               "133 Input file length is not a multiple of the record length.\r\n");
    std::string input;
    for (int i = 0; i < 10; ++i) input += "record " + std::to_string(i) + "  abcdefghij";
    dir_.write("in.dat", input);
  }

  void writeJob(const Keys& file, const Keys& fields) {
    dir_.write("SortCtl/job.txt", controlFile(file, fields));
  }

  // Checks the fixed columns of each front-end line and returns its message, trimmed of the
  // padding only after comparing it.
  void expectLines(const std::vector<std::pair<std::string, std::string>>& expected) {
    std::vector<std::string> lines = dir_.logLines();
    ASSERT_EQ(lines.size(), expected.size());
    for (size_t i = 0; i < lines.size(); ++i) {
      const auto& [subAppl, message] = expected[i];
      if (subAppl == "CTL") {
        EXPECT_EQ(lines[i], message) << "line " << i;
      } else {
        EXPECT_EQ(frontMessage(lines[i], subAppl), padded(message)) << "line " << i;
      }
    }
  }

  std::string ctlPath() const { return dir_.file("SortCtl/job.txt"); }
  bool engineRan() const { return dir_.exists("fake_engine.cwd"); }

  TestMainDir dir_;
};

const char kEngineLine[] = "SORTCTLR20240101120000049 \r\n";

TEST_F(Kv02sortRunTest, SuccessfulSortWritesTheRecordAndLogsCreatedAndEnded) {
  writeJob(kGoodFile, kGoodFields);
  TestMainDir::Run run = dir_.runKv02sort({"job.txt"});
  EXPECT_EQ(run.exitCode, 0);
  expectLines({{"STA", "KV Tamsort started."},
               {"STA", ctlPath() + " control file used."},
               {"STA", " 2 sortorder fields specified."},
               {"CTL", kEngineLine},
               {"TMR", "File " + dir_.file("out.dat") + " created"},
               {"TMR", "KV Tamsort ended.( 0)"}});
  EXPECT_FALSE(dir_.exists("kvtsort.ctl"));
#ifndef _WIN32
  // It names the job's files, so it is the user's alone however loose the umask.
  EXPECT_EQ(dir_.read("fake_engine.mode"), std::to_string(0600));
#endif
  // What the engine found: 10 records of 20 bytes in one chunk, the two keys, the gaps
  // 6-10 and 16-20, paths completed with the main directory.
  std::string expected = std::string("*") + "020" + "080" + "00001" + "0000" + "0000" + "B" +
                         "0000" + "0000000010" + std::string(54, ' ') + "00001100005D" +
                         "00000100005A" + "00000600005 " + "00001600005 " + "************" +
                         "000220" + prefixed(dir_.file("in.dat")) + prefixed(dir_.file("out.dat")) +
                         "0000" + prefixed(dir_.file("SortCtl/job.sor"));
  EXPECT_EQ(dir_.read("fake_engine.ctl"), expected);
  // The engine runs in the main directory.
  EXPECT_EQ(std::filesystem::canonical(dir_.read("fake_engine.cwd")),
            std::filesystem::canonical(dir_.path()));
}

TEST_F(Kv02sortRunTest, FailedSortLogsItsCodeAndEndsWithIt) {
  writeJob(kGoodFile, kGoodFields);
  dir_.write("fake_engine.rc", "109");
  TestMainDir::Run run = dir_.runKv02sort({"job.txt"});
  EXPECT_EQ(run.exitCode, 109);
  expectLines({{"STA", "KV Tamsort started."},
               {"STA", ctlPath() + " control file used."},
               {"STA", " 2 sortorder fields specified."},
               {"CTL", kEngineLine},
               {"TMR", "Sort failed rc= 109."}});
  EXPECT_FALSE(dir_.exists("kvtsort.ctl"));
}

TEST_F(Kv02sortRunTest, EngineEndedBySignalIsAFailureNeverCreated) {
  writeJob(kGoodFile, kGoodFields);
  dir_.write("fake_engine.rc", "signal 9");
  TestMainDir::Run run = dir_.runKv02sort({"job.txt"});
  EXPECT_EQ(run.exitCode, 128 + 9);
  expectLines({{"STA", "KV Tamsort started."},
               {"STA", ctlPath() + " control file used."},
               {"STA", " 2 sortorder fields specified."},
               {"CTL", kEngineLine},
               {"TMR", "Sort failed rc= 137."}});
  EXPECT_FALSE(dir_.exists("kvtsort.ctl"));
}

TEST_F(Kv02sortRunTest, EngineThatCannotStartEndsTheJob) {
  std::filesystem::remove(dir_.file("kvtsorts"));
  writeJob(kGoodFile, kGoodFields);
  std::vector<std::pair<std::string, std::string>> expected = {
      {"STA", "KV Tamsort started."},
      {"STA", ctlPath() + " control file used."},
      {"STA", " 2 sortorder fields specified."},
      {"TMR", "Start of kvtsorts.exe failed."},
      {"TMR", "KV Tamsort ended.( 169)"}};
  EXPECT_EQ(dir_.runKv02sort({"job.txt"}).exitCode, 169);
  expectLines(expected);
  EXPECT_FALSE(dir_.exists("kvtsort.ctl"));

  // A file of that name that may not be executed fails the same way.
  std::filesystem::remove(dir_.file("kvtsort.log"));
  dir_.write("kvtsorts", "not a program");
  ::chmod(dir_.file("kvtsorts").c_str(), 0644);
  EXPECT_EQ(dir_.runKv02sort({"job.txt"}).exitCode, 169);
  expectLines(expected);
  EXPECT_FALSE(dir_.exists("kvtsort.ctl"));
}

TEST_F(Kv02sortRunTest, ControlFileGivenAsAbsolutePathInSeveralArguments) {
  std::filesystem::create_directory(dir_.file("my jobs"));
  dir_.write("my jobs/sort one.txt", controlFile(kGoodFile, kGoodFields));
  TestMainDir::Run run = dir_.runKv02sort({dir_.file("my"), "jobs/sort", "one.txt"});
  EXPECT_EQ(run.exitCode, 0);
  std::vector<std::string> lines = dir_.logLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(frontMessage(lines[1], "STA"),
            padded(dir_.file("my jobs/sort one.txt") + " control file used."));
  EXPECT_NE(dir_.read("fake_engine.ctl").find(prefixed(dir_.file("my jobs/sort one.sor"))),
            std::string::npos);
}

TEST_F(Kv02sortRunTest, ControlFileNameIsNeverAPattern) {
  writeJob(kGoodFile, kGoodFields);
  EXPECT_EQ(dir_.runKv02sort({"*.txt"}).exitCode, 160);
  expectLines({{"STA", "KV Tamsort started."},
               {"STA", dir_.file("SortCtl/*.txt") + " not found."},
               {"TMR", "KV Tamsort ended.( 160)"}});
  // Nothing was created under the pattern's name.
  EXPECT_FALSE(dir_.exists("SortCtl/*.txt"));
  EXPECT_FALSE(engineRan());
}

struct Refusal {
  const char* name;
  std::function<void(TestMainDir&)> setUp;  // after the good job was written
  int code;
  // Messages between "started" and "ended"; "@" stands for the control-file path and "#"
  // for the main directory.
  std::vector<std::string> messages;
};

void PrintTo(const Refusal& refusal, std::ostream* out) { *out << refusal.name; }

std::string expand(const std::string& text, const std::string& ctl, const std::string& dir) {
  std::string out;
  for (char c : text) out += c == '@' ? ctl : c == '#' ? dir : std::string(1, c);
  return out;
}

void writeJobIn(TestMainDir& dir, const Keys& file, const Keys& fields) {
  dir.write("SortCtl/job.txt", controlFile(file, fields));
}

Keys plus(Keys keys, const std::string& key, const std::string& value) {
  keys.push_back({key, value});
  return keys;
}

// count one-byte fields in records of 200 bytes (the input holds one such record).
void writeFields(TestMainDir& dir, int count) {
  Keys fields;
  for (int n = 1; n <= count; ++n) {
    fields.push_back({std::to_string(n) + "POS", std::to_string(n)});
    fields.push_back({std::to_string(n) + "LEN", "1"});
  }
  writeJobIn(dir, replaced(kGoodFile, "RECLEN", "200"), fields);
}

const std::vector<std::string> kTooMany = {
    "@ control file used.",
    "@ FIELDS section is incorrect: too many fields for the engine control record."};

const std::vector<Refusal>& refusals() {
  static const std::vector<Refusal> cases = {
      {"ControlFileMissing",
       [](TestMainDir& d) { std::filesystem::remove(d.file("SortCtl/job.txt")); },
       160,
       {"@ not found."}},
      {"InfileNotSpecified",
       [](TestMainDir& d) { writeJobIn(d, without(kGoodFile, "INFILE"), kGoodFields); },
       161,
       {"@ [FILE],INFILE not specified."}},
      {"InfileBlank",
       [](TestMainDir& d) { writeJobIn(d, replaced(kGoodFile, "INFILE", "   "), kGoodFields); },
       161,
       {"@ [FILE],INFILE not specified."}},
      {"InputMissing",
       [](TestMainDir& d) {
         writeJobIn(d, replaced(kGoodFile, "INFILE", "nothing.dat"), kGoodFields);
       },
       162,
       {"#nothing.dat not found."}},
      {"OutfileNotSpecified",
       [](TestMainDir& d) { writeJobIn(d, without(kGoodFile, "OUTFILE"), kGoodFields); },
       163,
       {"@ FILE,OUTFILE not specified."}},
      {"VersionTooShort",
       [](TestMainDir& d) { writeJobIn(d, replaced(kGoodFile, "VERSION", " 20 "), kGoodFields); },
       164,
       {"Invalid control file used."}},
      {"VersionMissing",
       [](TestMainDir& d) { writeJobIn(d, without(kGoodFile, "VERSION"), kGoodFields); },
       164,
       {"Invalid control file used."}},
      {"ReclenNotSpecified",
       [](TestMainDir& d) { writeJobIn(d, without(kGoodFile, "RECLEN"), kGoodFields); },
       165,
       {"@ FILE,RECLEN not specified."}},
      {"ReclenZero",
       [](TestMainDir& d) { writeJobIn(d, replaced(kGoodFile, "RECLEN", "0"), kGoodFields); },
       166,
       {"@ FILE,RECLEN not within 1..10000."}},
      {"ReclenNotANumber",
       [](TestMainDir& d) { writeJobIn(d, replaced(kGoodFile, "RECLEN", "abc"), kGoodFields); },
       166,
       {"@ FILE,RECLEN not within 1..10000."}},
      {"ReclenTooLong",
       [](TestMainDir& d) { writeJobIn(d, replaced(kGoodFile, "RECLEN", "10001"), kGoodFields); },
       166,
       {"@ FILE,RECLEN not within 1..10000."}},
      {"InputNotWholeRecords",
       [](TestMainDir& d) {
         d.write("in.dat", std::string(1000, 'x'));
         writeJobIn(d, replaced(kGoodFile, "RECLEN", "80"), {{"1POS", "1"}, {"1LEN", "80"}});
       },
       133,
       {"Input file length is not a multiple of the record length."}},
      {"FieldOrderUnknown",
       [](TestMainDir& d) {
         writeJobIn(d, kGoodFile,
                    {{"1POS", "1"}, {"1LEN", "5"}, {"2POS", "6"}, {"2LEN", "5"}, {"2ORD", "X"}});
       },
       167,
       {"@ control file used.", "@ FIELDS section is incorrect."}},
      {"FieldsOverlap",
       [](TestMainDir& d) {
         writeJobIn(d, kGoodFile, {{"1POS", "1"}, {"1LEN", "8"}, {"2POS", "6"}, {"2LEN", "5"}});
       },
       167,
       {"@ control file used.", "@ FIELDS section is incorrect."}},
      {"FieldPastRecord",
       [](TestMainDir& d) {
         writeJobIn(d, kGoodFile, {{"1POS", "18"}, {"1LEN", "5"}});
       },
       167,
       {"@ control file used.", "@ FIELDS section is incorrect."}},
      {"NoFields",
       [](TestMainDir& d) { writeJobIn(d, kGoodFile, {}); },
       167,
       {"@ control file used.", "@ FIELDS section is incorrect."}},
      {"MemoryUsageWithPercentSign",
       [](TestMainDir& d) { writeJobIn(d, plus(kGoodFile, "MEMORYUSAGE", "50%"), kGoodFields); },
       176,
       {"@ FILE,MEMORYUSAGE=\"50%\" is not a number."}},
      {"WorkfilesWithLetters",
       [](TestMainDir& d) { writeJobIn(d, plus(kGoodFile, "WORKFILES", "0abc"), kGoodFields); },
       176,
       {"@ FILE,WORKFILES=\"0abc\" is not a number."}},
      {"MinsplitRange",
       [](TestMainDir& d) { writeJobIn(d, plus(kGoodFile, "MINSPLIT", "0-5"), kGoodFields); },
       176,
       {"@ FILE,MINSPLIT=\"0-5\" is not a number."}},
      {"MaxsplitBlankInside",
       [](TestMainDir& d) { writeJobIn(d, plus(kGoodFile, "MAXSPLIT", "1 6"), kGoodFields); },
       176,
       {"@ FILE,MAXSPLIT=\"1 6\" is not a number."}},
      {"SplitsStarNotAllowed",
       [](TestMainDir& d) { writeJobIn(d, plus(kGoodFile, "SPLITS", "*"), kGoodFields); },
       176,
       {"@ FILE,SPLITS=\"*\" is not a number."}},
      {"ReclenWithLetters",
       [](TestMainDir& d) { writeJobIn(d, replaced(kGoodFile, "RECLEN", "20abc"), kGoodFields); },
       166,
       {"@ FILE,RECLEN not within 1..10000."}},
      {"FieldNumberingGap",
       [](TestMainDir& d) {
         writeJobIn(d, kGoodFile, {{"1POS", "1"}, {"1LEN", "5"}, {"3POS", "11"}, {"3LEN", "5"}});
       },
       167,
       {"@ control file used.", "@ FIELDS section is incorrect: 2POS is missing, 3POS follows."}},
      {"FieldNumberingGapByLengthOnly",
       [](TestMainDir& d) {
         writeJobIn(d, kGoodFile, {{"1POS", "1"}, {"1LEN", "5"}, {"2LEN", "5"}});
       },
       167,
       {"@ control file used.", "@ FIELDS section is incorrect: 2POS is missing, 2LEN follows."}},
      {"FieldPositionNotANumber",
       [](TestMainDir& d) {
         writeJobIn(d, kGoodFile, {{"1POS", "1"}, {"1LEN", "5"}, {"2POS", "11x"}, {"2LEN", "5"}});
       },
       167,
       {"@ control file used.", "@ FIELDS section is incorrect: 2POS=\"11x\" is not a number."}},
      {"FieldLengthNotANumber",
       [](TestMainDir& d) {
         writeJobIn(d, kGoodFile, {{"1POS", "1"}, {"1LEN", "0-5"}});
       },
       167,
       {"@ control file used.", "@ FIELDS section is incorrect: 1LEN=\"0-5\" is not a number."}},
      // Whether the record's byte limit or the engine's 200 entries stop them, and whether
      // the list ends at 200 or goes on: one code and one message.
      {"TooManyFields180", [](TestMainDir& d) { writeFields(d, 180); }, 167, kTooMany},
      {"TooManyFields199", [](TestMainDir& d) { writeFields(d, 199); }, 167, kTooMany},
      {"TooManyFields200", [](TestMainDir& d) { writeFields(d, 200); }, 167, kTooMany},
      {"TooManyFields201", [](TestMainDir& d) { writeFields(d, 201); }, 167, kTooMany},
      {"ControlFileTooLarge",
       [](TestMainDir& d) {
         std::string text = controlFile(kGoodFile, kGoodFields);
         d.write("SortCtl/job.txt", text + std::string((2 << 20) - text.size(), ' '));
       },
       175,
       {"@ is too large for a control file (2097152 bytes, at most 1048576)."}},
      // The product's own files are never a job's input or output.
      {"OutfileIsTheControlRecord",
       [](TestMainDir& d) {
         writeJobIn(d, replaced(kGoodFile, "OUTFILE", "kvtsort.ctl"), kGoodFields);
       },
       171,
       {"#kvtsort.ctl is one of the product's own files."}},
      {"OutfileIsTheLogSpelledAnotherWay",
       [](TestMainDir& d) {
         writeJobIn(d, replaced(kGoodFile, "OUTFILE", d.path() + "SortCtl/../kvtsort.log"),
                    kGoodFields);
       },
       171,
       {"#SortCtl/../kvtsort.log is one of the product's own files."}},
      {"OutfileIsTheEngine",
       [](TestMainDir& d) {
         writeJobIn(d, replaced(kGoodFile, "OUTFILE", "kvtsorts"), kGoodFields);
       },
       171,
       {"#kvtsorts is one of the product's own files."}},
      {"InfileIsTheMessageFile",
       [](TestMainDir& d) {
         writeJobIn(d, replaced(kGoodFile, "INFILE", "ErrText.txt"), kGoodFields);
       },
       171,
       {"#ErrText.txt is one of the product's own files."}},
      {"InfileIsALinkToTheMessageFile",
       [](TestMainDir& d) {
         std::filesystem::create_symlink(d.file("ErrText.txt"), d.file("texts.dat"));
         writeJobIn(d, replaced(kGoodFile, "INFILE", "texts.dat"), kGoodFields);
       },
       171,
       {"#texts.dat is one of the product's own files."}},
      {"OutfileIsTheRegistry",
       [](TestMainDir& d) {
         writeJobIn(d, replaced(kGoodFile, "OUTFILE", "registry.reg"), kGoodFields);
       },
       171,
       {"#registry.reg is one of the product's own files."}},
  };
  return cases;
}

TEST_F(Kv02sortRunTest, UnreadableControlFileIsNamedAsSuch) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
  writeJob(kGoodFile, kGoodFields);
  ::chmod(ctlPath().c_str(), 0);
  EXPECT_EQ(dir_.runKv02sort({"job.txt"}).exitCode, 175);
  expectLines({{"STA", "KV Tamsort started."},
               {"STA", ctlPath() + " cannot be read."},
               {"TMR", "KV Tamsort ended.( 175)"}});
}

class Kv02sortRefusalTest : public Kv02sortRunTest,
                            public ::testing::WithParamInterface<Refusal> {};

TEST_P(Kv02sortRefusalTest, LogsWhyAndEndsWithTheCodeBeforeTheEngine) {
  const Refusal& refusal = GetParam();
  writeJob(kGoodFile, kGoodFields);
  refusal.setUp(dir_);
  bool fieldsCase = refusal.code == 167;
  // A record left from an earlier run must not survive a refused one.
  if (fieldsCase) dir_.write("kvtsort.ctl", "stale");
  TestMainDir::Run run = dir_.runKv02sort({"job.txt"});
  EXPECT_EQ(run.exitCode, refusal.code);
  std::vector<std::pair<std::string, std::string>> expected = {{"STA", "KV Tamsort started."}};
  for (const std::string& m : refusal.messages) {
    expected.push_back({"STA", expand(m, ctlPath(), dir_.path())});
  }
  expected.push_back({"TMR", "KV Tamsort ended.( " + std::to_string(refusal.code) + ")"});
  expectLines(expected);
  EXPECT_FALSE(engineRan());
  EXPECT_FALSE(dir_.exists("kvtsort.ctl"));
}

INSTANTIATE_TEST_SUITE_P(Refusals, Kv02sortRefusalTest, ::testing::ValuesIn(refusals()),
                         [](const auto& info) { return std::string(info.param.name); });

// Control files as Linux editors and people write them: each gives the engine the record
// the check says, and the engine runs.
struct Accepted {
  const char* name;
  std::string text;
  // Checks the engine control record; dir is the main directory.
  std::function<void(const std::string& record, const std::string& dir)> check;
};

void PrintTo(const Accepted& accepted, std::ostream* out) { *out << accepted.name; }

std::string replacedAll(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// The record of the good job written the product's way, for comparing.
std::string goodRecord() {
  static const std::string record = [] {
    TestMainDir dir;
    TestMainDir::Run run;
    return replacedAll(dir.engineRecordOf(controlFile(kGoodFile, kGoodFields), 200, &run),
                       dir.path(), "@");
  }();
  return record;
}

void sameAsGood(const std::string& record, const std::string& dir) {
  EXPECT_EQ(replacedAll(record, dir, "@"), goodRecord());
}

const std::string kGoodText = controlFile(kGoodFile, kGoodFields);

const std::vector<Accepted>& accepted() {
  static const std::vector<Accepted> cases = {
      {"LfLineEnds", replacedAll(kGoodText, "\r\n", "\n"), sameAsGood},
      {"CrLineEnds", replacedAll(kGoodText, "\r\n", "\r"), sameAsGood},
      {"TabsBeforeKeysAndAroundValues",
       replacedAll(replacedAll(kGoodText, "\r\n", "\r\n\t"), "=\"", "\t=\t\""), sameAsGood},
      // VERSION is the one value copied as written.
      {"BlanksAndTabsInsideTheQuotes",
       replacedAll(replacedAll(replacedAll(kGoodText, "=\"", "=\" \t"), "\"\r\n", "\t \"\r\n"),
                   "VERSION=\" \t020\t \"", "VERSION=\"020\""),
       sameAsGood},
      {"BracketInsideAValue", replacedAll(kGoodText, "out.dat", "out[1].dat"),
       [](const std::string& record, const std::string& dir) {
         std::string out = dir + "out[1].dat";
         EXPECT_NE(record.find(std::to_string(out.size()) + out), std::string::npos) << record;
       }},
      {"BlanksAroundSplitValues",
       controlFile(plus(plus(kGoodFile, "MINSPLIT", " 8"), "MAXSPLIT", "\t64 "), kGoodFields),
       [](const std::string& record, const std::string&) {
         EXPECT_EQ(record.substr(12, 8), "00640008") << record;
       }},
      {"SixtyFields",
       controlFile(replaced(kGoodFile, "RECLEN", "200"),
                   [] {
                     Keys fields;
                     for (int n = 1; n <= 60; ++n) {
                       fields.push_back({std::to_string(n) + "POS", std::to_string(2 * n)});
                       fields.push_back({std::to_string(n) + "LEN", "1"});
                     }
                     return fields;
                   }()),
       [](const std::string& record, const std::string&) {
         // 60 keys on the even bytes 2 to 120, 60 gaps before them and one after.
         EXPECT_EQ(record.find("************"), 89u + 121 * 12) << record;
       }},
  };
  return cases;
}

class Kv02sortAcceptedTest : public ::testing::TestWithParam<Accepted> {};

TEST_P(Kv02sortAcceptedTest, GivesTheEngineTheRecordItMeans) {
  const Accepted& c = GetParam();
  TestMainDir dir;
  TestMainDir::Run run;
  std::string record = dir.engineRecordOf(c.text, 200, &run);
  EXPECT_EQ(run.exitCode, 0) << run.errorOutput;
  c.check(record, dir.path());
}

INSTANTIATE_TEST_SUITE_P(Accepted, Kv02sortAcceptedTest, ::testing::ValuesIn(accepted()),
                         [](const auto& info) { return std::string(info.param.name); });

// The command line as a person uses it. Standard error is a file here, as it is for a
// scheduler: only -v makes kv02sort talk there.
struct Console {
  const char* name;
  std::vector<std::string> args;
  int code;
  std::vector<std::string> output;  // texts standard output holds
  std::vector<std::string> errors;  // texts standard error holds; "" for none at all
  bool logged;                      // whether kvtsort.log was written
};

void PrintTo(const Console& console, std::ostream* out) { *out << console.name; }

const Console kConsoleCases[] = {
    {"Help", {"--help"}, 0, {"Usage: kv02sort", "ErrText.txt", "KVTInst --main-dir"}, {""}, false},
    {"Version", {"--version"}, 0, {"kv02sort (KV Tamsort) "}, {""}, false},
    {"HelpBeforeAFile", {"--help", "job.txt"}, 0, {"Usage: kv02sort"}, {""}, false},
    {"UnknownOption", {"--bogus", "job.txt"}, 2, {}, {"unknown option --bogus", "--help"}, false},
    {"NoControlFile", {}, 2, {}, {"no control file named"}, false},
    {"NoControlFileAfterVerbose", {"-v"}, 2, {}, {"no control file named"}, false},
    {"QuietWithoutTerminal", {"job.txt"}, 0, {}, {""}, true},
    {"Verbose",
     {"-v", "job.txt"},
     0,
     {},
     {"kv02sort: KV Tamsort started.\n", " control file used.\n", "kv02sort:  2 sortorder",
      "kv02sort: KV Tamsort ended.( 0)\n"},
     true},
    {"VerboseFailure",
     {"--verbose", "nothing.txt"},
     160,
     {},
     {"nothing.txt not found.\n",
      "kv02sort: ended with code 160: The sort control file was not found.\n"},
     true},
    {"NameAfterDoubleDash", {"--", "-job.txt"}, 0, {}, {""}, true},
};

class Kv02sortConsoleTest : public Kv02sortRunTest,
                            public ::testing::WithParamInterface<Console> {};

TEST_P(Kv02sortConsoleTest, AnswersOnTheConsole) {
  const Console& c = GetParam();
  writeJob(kGoodFile, kGoodFields);
  dir_.write("SortCtl/-job.txt", controlFile(kGoodFile, kGoodFields));
  dir_.write("ErrText.txt", "160 The sort control file was not found.\r\n");
  TestMainDir::Run run = dir_.runKv02sort(c.args);
  EXPECT_EQ(run.exitCode, c.code);
  for (const std::string& text : c.output) {
    EXPECT_NE(run.output.find(text), std::string::npos) << text << " in " << run.output;
  }
  for (const std::string& text : c.errors) {
    if (text.empty()) {
      EXPECT_EQ(run.errorOutput, "");
    } else {
      EXPECT_NE(run.errorOutput.find(text), std::string::npos) << text << " in " << run.errorOutput;
    }
  }
  EXPECT_EQ(dir_.exists("kvtsort.log"), c.logged);
}

INSTANTIATE_TEST_SUITE_P(Console, Kv02sortConsoleTest, ::testing::ValuesIn(kConsoleCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Kv02sortMainDirTest, MissingMainDirectoryEndsWithAReasonOnStandardError) {
  TestMainDir dir(false);
  TestMainDir::Run run = dir.runKv02sort({"job.txt"});
  EXPECT_EQ(run.exitCode, 170);
  EXPECT_NE(run.errorOutput.find("MainDir"), std::string::npos);
  EXPECT_FALSE(dir.exists("kvtsort.log"));
}

TEST(Kv02sortMainDirTest, ARegistryFileThatIsNoRegistryIsNamedOnStandardError) {
  TestMainDir dir;
  dir.write("registry.reg", "not a registry\n");
  TestMainDir::Run run = dir.runKv02sort({"job.txt"});
  EXPECT_EQ(run.exitCode, 170);
  EXPECT_NE(run.errorOutput.find("does not start with REGEDIT4"), std::string::npos)
      << run.errorOutput;
  EXPECT_EQ(dir.read("registry.reg"), "not a registry\n");
}

TEST_F(Kv02sortRunTest, AJobThatFindsAnotherRunningWaitsAndSaysSoOnce) {
  writeJob(kGoodFile, kGoodFields);
  platform::FileLock other;
  const platform::Status opened = other.Open(dir_.file("kvtsort.lck"));
  ASSERT_TRUE(opened.ok()) << opened.message();
  ASSERT_TRUE(other.TryLock());
  TestMainDir::Run run;
  std::atomic<bool> ended = false;
  std::thread job([&] {
    run = dir_.runKv02sort({"job.txt"});
    ended = true;
  });
  // The job has started and waits: its line is in the log, the engine has not run.
  const std::string waiting = "Waiting for the sort running in " + dir_.path() + " to end.";
  while (dir_.logLines().empty() && !ended) std::this_thread::yield();
  EXPECT_FALSE(engineRan());
  other.Close();
  job.join();
  EXPECT_EQ(run.exitCode, 0);
  expectLines({{"STA", waiting},
               {"STA", "KV Tamsort started."},
               {"STA", ctlPath() + " control file used."},
               {"STA", " 2 sortorder fields specified."},
               {"CTL", kEngineLine},
               {"TMR", "File " + dir_.file("out.dat") + " created"},
               {"TMR", "KV Tamsort ended.( 0)"}});
}

TEST(Kv02sortMainDirTest, UnusableMainDirectoryEndsWithAReasonOnStandardError) {
  TestMainDir dir;
  std::string missing = dir.file("gone/");
  // Point MainDir at a folder that does not exist.
  dir.write("registry.reg", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvern\\KV02" +
                                std::to_string(KVT_VERSION_MAJOR) +
                                std::to_string(KVT_VERSION_MINOR) + "]\n\"MainDir\"=\"" + missing +
                                "\"\n");
  TestMainDir::Run run = dir.runKv02sort({"job.txt"});
  EXPECT_EQ(run.exitCode, 170);
  EXPECT_NE(run.errorOutput.find(missing), std::string::npos) << run.errorOutput;
}

}  // namespace
}  // namespace kvt::jobfront::testing
