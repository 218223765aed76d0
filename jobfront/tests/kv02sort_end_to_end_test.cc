// kv02sort with the real engine, on every system the product is built for: each code a job is
// refused with, and the shipped example, whose output is the sorted input and whose kvtsort.ctl
// and log lines are the bytes stored in tests/example/ (taken from a Linux run), apart from path
// text and clock readings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/file_util.h"
#include "platform/native_text.h"
#include "test_main_dir.h"

namespace kvt::jobfront::testing {
namespace {

const char kDrop[] = "\x01";  // a row's value that removes the key from the control file

struct Refusal {
  const char* name;
  std::vector<std::pair<std::string, std::string>> fileChanges = {};
  std::vector<std::pair<std::string, std::string>> fieldChanges = {};
  std::vector<std::string> args = {"job.txt"};
  bool registerMainDir = true;
  bool engine = true;
  int code = 0;
  // Files of the main directory (name, bytes; a name ending in '/' is a folder) that the run
  // must leave as they are.
  std::vector<std::pair<std::string, std::string>> planted = {};
  std::string logged = "";  // a text the log must hold, naming the cause
};

// A table that weighs a..z like A..Z: sorting through it would change the records.
std::string foldedTable() {
  std::string text;
  for (int b = 0; b < 256; ++b) text += std::to_string(1000 + b).substr(1);
  for (int b = 0; b < 256; ++b)
    text += std::to_string(1000 + (b >= 'a' && b <= 'z' ? b - 32 : b)).substr(1);
  return text;
}

std::vector<std::pair<std::string, std::string>> changed(
    std::vector<std::pair<std::string, std::string>> keys,
    const std::vector<std::pair<std::string, std::string>>& changes) {
  for (const auto& [key, value] : changes) {
    auto at = std::find_if(keys.begin(), keys.end(), [&](const auto& k) { return k.first == key; });
    if (value == kDrop) {
      if (at != keys.end()) keys.erase(at);
    } else if (at != keys.end()) {
      at->second = value;
    } else {
      keys.emplace_back(key, value);
    }
  }
  return keys;
}

void PrintTo(const Refusal& row, std::ostream* out) { *out << row.name; }

class RefusalTest : public ::testing::TestWithParam<Refusal> {};

TEST_P(RefusalTest, EndsWithItsCodeAndLeavesTheOutputAlone) {
  const Refusal& row = GetParam();
  TestMainDir dir(row.registerMainDir);
  if (row.engine) dir.link(KVTSORTS_PROGRAM, "kvtsorts");
  dir.write("in.dat", std::string(240, 'r'));  // ten records of 24 bytes
  dir.write("out.dat", "previous");
  dir.write("SortCtl/job.txt",
            controlFile(changed({{"INFILE", "in.dat"},
                                 {"OUTFILE", "out.dat"},
                                 {"VERSION", "020"},
                                 {"RECLEN", "24"},
                                 {"SORTORDER", "B"}},
                                row.fileChanges),
                        changed({{"1POS", "1"}, {"1LEN", "4"}}, row.fieldChanges)));
  for (const auto& [name, bytes] : row.planted) {
    if (name.back() == '/') {
      std::filesystem::create_directory(dir.file(name));
    } else {
      dir.write(name, bytes);
    }
  }
  EXPECT_EQ(dir.runKv02sort(row.args).exitCode, row.code);
  EXPECT_EQ(dir.read("out.dat"), "previous");
  for (const auto& [name, bytes] : row.planted) {
    if (name.back() != '/') {
      EXPECT_EQ(dir.read(name), bytes) << name;
    }
  }
  std::string log;
  for (const std::string& line : dir.logLines()) log += line;
  EXPECT_NE(log.find(row.logged), std::string::npos) << log;
}

INSTANTIATE_TEST_SUITE_P(
    Codes, RefusalTest,
    ::testing::Values(
        Refusal{.name = "NoControlFileNamed", .args = {}, .code = 2},
        Refusal{.name = "ControlFileMissing", .args = {"none.txt"}, .code = 160},
        Refusal{.name = "NoInfile", .fileChanges = {{"INFILE", kDrop}}, .code = 161},
        Refusal{.name = "InputMissing", .fileChanges = {{"INFILE", "none.dat"}}, .code = 162},
        Refusal{.name = "NoOutfile", .fileChanges = {{"OUTFILE", kDrop}}, .code = 163},
        Refusal{.name = "WrongVersion", .fileChanges = {{"VERSION", "2"}}, .code = 164},
        Refusal{.name = "NoReclen", .fileChanges = {{"RECLEN", kDrop}}, .code = 165},
        Refusal{.name = "ReclenTooLarge", .fileChanges = {{"RECLEN", "10001"}}, .code = 166},
        Refusal{.name = "FieldPastTheRecord", .fieldChanges = {{"1POS", "30"}}, .code = 167},
        Refusal{.name = "PartialRecord", .fileChanges = {{"RECLEN", "25"}}, .code = 133},
        Refusal{.name = "OutputIsAProductFile",
                .fileChanges = {{"OUTFILE", "ErrText.txt"}},
                .code = 171},
        Refusal{
            .name = "MemoryNotANumber", .fileChanges = {{"MEMORYUSAGE", "eighty"}}, .code = 176},
        Refusal{.name = "NoMainDirectory", .registerMainDir = false, .code = 170},
        Refusal{.name = "NoEngine", .engine = false, .code = 169},
        Refusal{.name = "EngineFindsNoCollatingTable",
                .fileChanges = {{"SORTORDER", "USERDEFINED"}},
                .code = 141},
        Refusal{.name = "EngineFindsNoOutputFolder",
                .fileChanges = {{"OUTFILE", "nofolder/out.dat"}},
                .code = 114,
                .logged = "nofolder"},
        Refusal{.name = "InputNamedAsTheTemporaryOutput",
                .fileChanges = {{"INFILE", "out.dat.kvttmp"}},
                .code = 171,
                .planted = {{"out.dat.kvttmp", std::string(240, 'r')}},
                .logged = "is named as a work file of the job."},
        Refusal{.name = "InputNamedAsAWorkFile",
                .fileChanges = {{"INFILE", "tmp000001.WRK"}},
                .code = 171,
                .planted = {{"tmp000001.WRK", std::string(240, 'r')}}},
        Refusal{.name = "OutputIsAFolder", .fileChanges = {{"OUTFILE", "SortCtl"}}, .code = 172},
#ifdef _WIN32
        Refusal{.name = "OutputIsADevice", .fileChanges = {{"OUTFILE", "NUL"}}, .code = 172},
        // Windows reaches the product's files whatever the case and a program without ".exe".
        Refusal{.name = "OutputIsTheInstaller",
                .fileChanges = {{"OUTFILE", "KVTInst.exe"}},
                .code = 171,
                .planted = {{"KVTInst.exe", "MZ installer"}},
                .logged = "is one of the product's own files."},
        Refusal{
            .name = "OutputIsTheEngine", .fileChanges = {{"OUTFILE", "kvtsorts.exe"}}, .code = 171},
        Refusal{.name = "OutputIsTheFrontEndInCapitals",
                .fileChanges = {{"OUTFILE", "KV02SORT.EXE"}},
                .code = 171},
        Refusal{.name = "OutputIsTheUtilityWithoutExe",
                .fileChanges = {{"OUTFILE", "kvtutil"}},
                .code = 171},
        Refusal{.name = "OutputIsASavedLog",
                .fileChanges = {{"OUTFILE", "KVTSORTLOG.001"}},
                .code = 171},
        // The Windows way to ask for help: no control file is looked for, nothing is sorted.
        Refusal{.name = "HelpAsked", .args = {"/?"}, .code = 0},
#endif
        Refusal{.name = "CollatingTableNotAPermutation",
                .fileChanges = {{"SORTORDER", "USERDEFINED"}},
                .code = 177,
                .planted = {{"SortCtl/job.sor", foldedTable()}},
                .logged = "the value 065 stands twice in the input table"},
        Refusal{.name = "CollatingTableIsAFolder",
                .fileChanges = {{"SORTORDER", "USERDEFINED"}},
                .code = 141,
                .planted = {{"SortCtl/job.sor/", ""}}}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

// ---- control files as different editors save them ------------------------------------------

enum class Encoding { kUtf8, kUtf8Bom, kUtf16Le, kUtf16Be, kAnsi };

// Text of ASCII and Latin-1 letters, as UTF-8, in the encoding.
std::string encoded(const std::string& utf8, Encoding encoding) {
  if (encoding == Encoding::kUtf8) return utf8;
  if (encoding == Encoding::kUtf8Bom) return "\xEF\xBB\xBF" + utf8;
  std::string out = encoding == Encoding::kUtf16Le   ? "\xFF\xFE"
                    : encoding == Encoding::kUtf16Be ? "\xFE\xFF"
                                                     : "";
  for (size_t at = 0; at < utf8.size(); ++at) {
    auto code = static_cast<unsigned char>(utf8[at]);
    if (code >= 0xC0) code = static_cast<unsigned char>(((code & 0x1F) << 6) | (utf8[++at] & 0x3F));
    const char unit[2] = {static_cast<char>(code), '\0'};
    if (encoding == Encoding::kAnsi) {
      out += unit[0];
    } else {
      out += encoding == Encoding::kUtf16Le ? std::string(unit, 2) : std::string{unit[1], unit[0]};
    }
  }
  return out;
}

struct EncodedJob {
  const char* name;
  Encoding encoding;
  const char* input;
  int code;
};

void PrintTo(const EncodedJob& row, std::ostream* out) { *out << row.name; }

class EncodedControlFileTest : public ::testing::TestWithParam<EncodedJob> {};

// A folder with accented letters, named in the control file and reached through the system's
// own spelling of them; a refusal logs the path as the user wrote it.
TEST_P(EncodedControlFileTest, SortsInAFolderWithAccentedLetters) {
  const EncodedJob& row = GetParam();
  const std::string folder = "Donn\u00e9es \u00fc";
  const std::string native = platform::Utf8ToNative(folder);
  if (native.find('?') != std::string::npos) GTEST_SKIP() << "the code page lacks the letters";
  if (row.encoding == Encoding::kAnsi && platform::AnsiToUtf8("\xE9") != "\u00e9")
    GTEST_SKIP() << "the system's code page is not Windows-1252";
  TestMainDir dir;
  dir.link(KVTSORTS_PROGRAM, "kvtsorts");
  ASSERT_TRUE(platform::MakeDirectory(dir.file(native)));
  dir.write(native + "/in.dat", "dddd" + std::string(20, 'x') + "aaaa" + std::string(20, 'y'));
  dir.write("SortCtl/job.txt", encoded(controlFile({{"INFILE", folder + "/" + row.input},
                                                    {"OUTFILE", folder + "/out.dat"},
                                                    {"VERSION", "020"},
                                                    {"RECLEN", "24"},
                                                    {"SORTORDER", "B"}},
                                                   {{"1POS", "1"}, {"1LEN", "4"}}),
                                       row.encoding));
  ASSERT_EQ(dir.runKv02sort({"job.txt"}).exitCode, row.code);
  if (row.code == 0) {
    EXPECT_EQ(dir.read(native + "/out.dat"),
              "aaaa" + std::string(20, 'y') + "dddd" + std::string(20, 'x'));
  } else {
    std::string log;
    for (const std::string& line : dir.logLines()) log += line;
    EXPECT_NE(log.find(native + "/" + row.input + " not found."), std::string::npos) << log;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Editors, EncodedControlFileTest,
    ::testing::Values(EncodedJob{"Utf8", Encoding::kUtf8, "in.dat", 0},
                      EncodedJob{"Utf8WithMark", Encoding::kUtf8Bom, "in.dat", 0},
                      EncodedJob{"Utf16", Encoding::kUtf16Le, "in.dat", 0},
                      EncodedJob{"Utf16BigEndian", Encoding::kUtf16Be, "in.dat", 0},
                      EncodedJob{"CodePage", Encoding::kAnsi, "in.dat", 0},
                      EncodedJob{"Utf8MissingInput", Encoding::kUtf8, "none.dat", 162},
                      EncodedJob{"Utf16MissingInput", Encoding::kUtf16Le, "none.dat", 162},
                      EncodedJob{"CodePageMissingInput", Encoding::kAnsi, "none.dat", 162}),
    [](const ::testing::TestParamInfo<EncodedJob>& info) { return std::string(info.param.name); });

// An input the user may not write is sorted all the same: only an input that is also the
// output must be writable.
TEST(ReadOnlyInputTest, IsSorted) {
  TestMainDir dir;
  dir.link(KVTSORTS_PROGRAM, "kvtsorts");
  dir.write("in.dat", "dddd" + std::string(20, 'x') + "aaaa" + std::string(20, 'y'));
  std::filesystem::permissions(dir.file("in.dat"), std::filesystem::perms::owner_read);
  dir.write("SortCtl/job.txt", controlFile({{"INFILE", "in.dat"},
                                            {"OUTFILE", "out.dat"},
                                            {"VERSION", "020"},
                                            {"RECLEN", "24"},
                                            {"SORTORDER", "B"}},
                                           {{"1POS", "1"}, {"1LEN", "4"}}));
  EXPECT_EQ(dir.runKv02sort({"job.txt"}).exitCode, 0);
  EXPECT_EQ(dir.read("out.dat"), "aaaa" + std::string(20, 'y') + "dddd" + std::string(20, 'x'));
  std::filesystem::permissions(dir.file("in.dat"), std::filesystem::perms::owner_all);
}

#ifdef _WIN32
TEST(FullDiskTest, RefusedWriteKeepsTheOldOutput) {
  GTEST_SKIP() << "no full disk can be simulated under Windows or Wine: there is no always-full "
                  "device and no per-process file-size limit; on Linux the reliability tests "
                  "cover it";
}
#endif

// ---- the shipped example -------------------------------------------------------------------

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Path text as the same on every system: the main directory as "<main>/", '/' separating.
std::string portablePath(std::string text, const std::string& mainDir) {
  for (size_t at = text.find(mainDir); at != std::string::npos; at = text.find(mainDir, at))
    text.replace(at, mainDir.size(), "<main>/");
  std::replace(text.begin(), text.end(), '\\', '/');
  return text;
}

// kvtsort.ctl with portable paths: after the twelve stars, each text is a four-digit length and
// that many bytes, so the lengths are counted again.
std::string portableControlRecord(const std::string& record, const std::string& mainDir) {
  size_t at = record.find("************");
  if (at == std::string::npos) return record;
  at += 12;
  std::string out = record.substr(0, at);
  while (at + 4 <= record.size()) {
    size_t length = std::stoul(record.substr(at, 4));
    std::string text = portablePath(record.substr(at + 4, length), mainDir);
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04zu", text.size());
    out += digits + text;
    at += 4 + length;
  }
  return out + record.substr(std::min(at, record.size()));
}

// Log lines with portable paths and the clock's digits (columns 9-22) as 'x'.
std::string portableLog(const std::vector<std::string>& lines, const std::string& mainDir) {
  std::string out;
  for (std::string line : lines) {
    if (line.size() >= 22) line.replace(8, 14, 14, 'x');
    if (line.size() == 142) {  // a front-end line: the message is blank-padded to 118
      line = line.substr(0, 22) + padded(portablePath(line.substr(22, 118), mainDir)) +
             line.substr(140);
    } else {
      line = portablePath(line, mainDir);
    }
    out += line;
  }
  return out;
}

// The shipped control file and its input in a main directory of their own.
void placeExample(const TestMainDir& dir) {
  dir.write("SortCtl/kvtsort.txt", readFile(EXAMPLE_CONTROL_FILE));
  dir.write("sample.dat", readFile(EXAMPLE_INPUT));
}

TEST(ShippedExampleTest, SortsAsOnLinuxWithTheSameControlRecordAndLog) {
  // The engine control record, as a stand-in engine finds it.
  std::string run1Ctl;
  {
    TestMainDir dir;
    placeExample(dir);
    dir.link(FAKE_ENGINE_PROGRAM, "kvtsorts");
    ASSERT_EQ(dir.runKv02sort({"kvtsort.txt"}).exitCode, 0);
    run1Ctl = portableControlRecord(dir.read("fake_engine.ctl"), dir.path());
  }
  TestMainDir dir;
  placeExample(dir);
  dir.link(KVTSORTS_PROGRAM, "kvtsorts");
  ASSERT_EQ(dir.runKv02sort({"kvtsort.txt"}).exitCode, 0);

  // Name ascending (bytes 1-10), then amount descending (bytes 21-25), equal keys in input order.
  const std::string input = dir.read("sample.dat");
  std::vector<std::string> records;
  for (size_t at = 0; at + 40 <= input.size(); at += 40) records.push_back(input.substr(at, 40));
  std::stable_sort(records.begin(), records.end(), [](const std::string& a, const std::string& b) {
    int name = a.compare(0, 10, b, 0, 10);
    return name != 0 ? name < 0 : a.compare(20, 5, b, 20, 5) > 0;
  });
  std::string sorted;
  for (const std::string& r : records) sorted += r;
  ASSERT_EQ(input.size(), 400000u);
  EXPECT_TRUE(dir.read("sample.srt") == sorted);

  const std::string stored = EXAMPLE_EXPECTED_DIR "/";
  EXPECT_EQ(run1Ctl, readFile(stored + "kvtsort.ctl"));
  EXPECT_EQ(portableLog(dir.logLines(), dir.path()), readFile(stored + "kvtsort.log"));
}

}  // namespace
}  // namespace kvt::jobfront::testing
