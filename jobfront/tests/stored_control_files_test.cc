// Control files written before the reader learned LF line ends, trimming and numeric checks:
// each must still give kv02sort's engine control record byte for byte as it did then. The
// records in stored_ctl/ were taken from kv02sort before those changes; the main directory
// in their paths reads "MAIN/".
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "test_main_dir.h"

namespace kvt::jobfront::testing {
namespace {

struct StoredFile {
  const char* name;  // also the name of its record in stored_ctl/
  const char* text;
};

void PrintTo(const StoredFile& file, std::ostream* out) { *out << file.name; }

const StoredFile kStoredFiles[] = {
    {"shipped_sample",
     "[FILE]\r\nEDITING=\"MODIFYING THIS FILE MANUALLY WILL CAUSE THE SORT TO FAIL.\"\r\n"
     "PRODUCT=\"KV02\"\r\nVERSION=\"200\"\r\nINFILE=\"in.dat\"\r\nOUTFILE=\"sample.srt\"\r\n"
     "WORKDIR=\"\"\r\nRECLEN=\"40\"\r\nMEMORYUSAGE=\"80\"\r\nWORKFILES=\"*\"\r\n"
     "MAXSPLIT=\"*\"\r\nMINSPLIT=\"*\"\r\nSORTORDER=\"BINARY\"\r\n[FIELDS]\r\n1POS=\"1\"\r\n"
     "1LEN=\"10\"\r\n1ORD=\"A\"\r\n2POS=\"21\"\r\n2LEN=\"5\"\r\n2ORD=\"D\"\r\n[END]\r\n"},
    // As the editor saves it: keys in the reverse order of adding, a shorter image padded
    // with blanks over the old tail.
    {"editor_saved",
     "[FILE]\r\nEDITING=\"MODIFYING THIS FILE MANUALLY WILL CAUSE THE SORT TO FAIL.\"\r\n"
     "PRODUCT=\"KV02\"\r\nSORTORDER=\"USERDEFINED\"\r\nSPLITS=\"16\"\r\nMINSPLIT=\"8\"\r\n"
     "MAXSPLIT=\"64\"\r\nWORKFILES=\"4\"\r\nMEMORYUSAGE=\"50\"\r\nRECLEN=\"80\"\r\n"
     "TRACE=\"OFF\"\r\nWORKDIR=\"/tmp/\"\r\nOUTFILE=\"/out/sorted.dat\"\r\nINFILE=\"in.dat\"\r\n"
     "VERSION=\"200\"\r\n[FIELDS]\r\n3ORD=\"A\"\r\n3LEN=\"4\"\r\n3POS=\"70\"\r\n2ORD=\"D\"\r\n"
     "2LEN=\"8\"\r\n2POS=\"1\"\r\n1ORD=\"A\"\r\n1LEN=\"20\"\r\n1POS=\"31\"\r\n[END]\r\n"
     "                                        "},
    // Written by hand: indentation, blanks around '=', notes after the values and on lines
    // of their own, blank lines, a section before [FILE], eleven fields without orders.
    {"hand_written",
     "[DEFINITIONS]\r\nAPPPATH=\"/somewhere/\"\r\n\r\n[FILE]\r\n"
     "  note: the input comes from the nightly export\r\n"
     "  INFILE = \"in.dat\"    the export\r\n   OUTFILE=  \"out.dat\"\r\n"
     "  VERSION=\"201\"\r\n  RECLEN =  \"16\"   bytes\r\n  TRACE=\"ON\"\r\n"
     "  WORKDIR=\"work/\"\r\n  SORTORDER=\"B\"\r\n\r\n[FIELDS]\r\n"
     "  1POS=\"1\"\r\n  1LEN=\"1\"\r\n  2POS=\"2\"\r\n  2LEN=\"1\"\r\n  3POS=\"3\"\r\n"
     "  3LEN=\"1\"\r\n  4POS=\"4\"\r\n  4LEN=\"1\"\r\n  5POS=\"5\"\r\n  5LEN=\"1\"\r\n"
     "  6POS=\"6\"\r\n  6LEN=\"1\"\r\n  7POS=\"7\"\r\n  7LEN=\"1\"\r\n  8POS=\"8\"\r\n"
     "  8LEN=\"1\"\r\n  9POS=\"9\"\r\n  9LEN=\"1\"\r\n  10POS=\"12\"\r\n  10LEN=\"2\"\r\n"
     "  10ORD=\"D\"\r\n  11POS=\"15\"\r\n  11LEN=\"2\"\r\n"},
    // The last line has no line end; empty and star values take their defaults.
    {"no_last_line_end",
     "[FILE]\r\nVERSION=\"200\"\r\nINFILE=\"in.dat\"\r\nOUTFILE=\"out.dat\"\r\n"
     "MEMORYUSAGE=\"*\"\r\nWORKFILES=\"\"\r\nMAXSPLIT=\"*\"\r\nMINSPLIT=\"\"\r\n"
     "SPLITS=\"\"\r\nRECLEN=\"50\"\r\nSORTORDER=\"BINARY\"\r\n[FIELDS]\r\n"
     "1POS=\"41\"\r\n1LEN=\"10\"\r\n1ORD=\"D\""},
    // Zero and zero-padded values, and blanks inside the quotes of keys that were trimmed.
    {"zeros_and_padding",
     "[FILE]\r\nVERSION=\"200\"\r\nINFILE=\" in.dat \"\r\nOUTFILE=\"out.dat\"\r\n"
     "MEMORYUSAGE=\"0\"\r\nWORKFILES=\"00002\"\r\nMAXSPLIT=\"0032\"\r\nMINSPLIT=\"0004\"\r\n"
     "SPLITS=\" 8 \"\r\nRECLEN=\" 20 \"\r\nSORTORDER=\"BINARY\"\r\n[FIELDS]\r\n"
     "1POS=\" 11 \"\r\n1LEN=\" 10 \"\r\n1ORD=\"A\"\r\n2POS=\"1\"\r\n2LEN=\"5\"\r\n"
     "[END]\r\n"},
};

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string lengthPrefixed(const std::string& text) {
  std::string length = "000" + std::to_string(text.size());
  return length.substr(length.size() - 4) + text;
}

// The record with mainDir in its trailer paths replaced by "MAIN/" (lengths adjusted), so
// that records from different folders compare; "" when it has no terminator.
std::string portable(const std::string& record, const std::string& mainDir) {
  size_t terminator = record.find("************");
  if (terminator == std::string::npos) return "";
  std::string out = record.substr(0, terminator + 12);
  size_t pos = terminator + 12;
  while (pos + 4 <= record.size()) {
    size_t length = std::stoul(record.substr(pos, 4));
    std::string text = record.substr(pos + 4, length);
    if (text.compare(0, mainDir.size(), mainDir) == 0) {
      text = "MAIN/" + text.substr(mainDir.size());
    }
    out += lengthPrefixed(text);
    pos += 4 + length;
  }
  return out;
}

class StoredControlFileTest : public ::testing::TestWithParam<StoredFile> {};

TEST_P(StoredControlFileTest, GivesTheEngineTheSameRecordAsBefore) {
  const StoredFile& file = GetParam();
  TestMainDir dir;
  TestMainDir::Run run;
  std::string record = dir.engineRecordOf(file.text, 400, &run);
  EXPECT_EQ(run.exitCode, 0) << run.errorOutput;
  std::string expected = readFile(std::string(STORED_CTL_DIR) + "/" + file.name + ".ctl");
  ASSERT_FALSE(expected.empty()) << "no stored record for " << file.name;
  EXPECT_EQ(portable(record, dir.path()), expected);
}

INSTANTIATE_TEST_SUITE_P(Stored, StoredControlFileTest, ::testing::ValuesIn(kStoredFiles),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kvt::jobfront::testing
