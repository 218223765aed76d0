#include <gtest/gtest.h>

#include "frontlib/cls_file.h"
#include "platform/file_system.h"
#include "platform/native_text.h"
#include "platform/paths.h"
#include "tests/support/temp_dir.h"

namespace kvt::front {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

class CtlFileTest : public ::testing::Test {
 protected:
  void SetUp() override { ctl_.CtlClose(); }
  void TearDown() override { ctl_.CtlClose(); }

  // Writes the text as the control file and opens it.
  void Open(const std::string& text) {
    WriteFile(path_, text);
    ASSERT_TRUE(ctl_.openCtlFile(path_));
  }

  TempDir dir_;
  std::string path_ = dir_ / "job.txt";
  clsFile ctl_;
};

const char kSortCtl[] =
    "[FILE]\r\n"
    "INFILE=\"A\"\r\n"
    "OUTFILE=\"B\"\r\n"
    "   RECLEN =  \"80\"\r\n"
    "[FIELDS]\r\n"
    "1POS=\"1\"\r\n"
    "1LEN=\"5\"\r\n";

TEST_F(CtlFileTest, LooksUpBySectionAndKey) {
  Open(kSortCtl);
  EXPECT_EQ(ctl_.getValue("FILE", "OUTFILE"), "B");
  EXPECT_EQ(ctl_.getValue("FILE", "RECLEN"), "80");
  EXPECT_EQ(ctl_.getValue("FIELDS", "1LEN"), "5");
  EXPECT_EQ(ctl_.getPosition("FILE", "INFILE"), "17");
  // Names compare exactly, and a key is looked up in its own section only.
  EXPECT_EQ(ctl_.getValue("file", "OUTFILE"), "");
  EXPECT_EQ(ctl_.getValue("FILE", "outfile"), "");
  EXPECT_EQ(ctl_.getValue("FIELDS", "INFILE"), "");
  EXPECT_EQ(ctl_.getValue("FILE", "1POS"), "");
  EXPECT_EQ(ctl_.getPosition("FILE", "MISSING"), "0");
  EXPECT_EQ(ctl_.locateSection("FILE", ""), 9);
  EXPECT_EQ(ctl_.locateSection("FIELDS", ""), 63);
  EXPECT_EQ(ctl_.locateSection("SORT", ""), 0);
  EXPECT_EQ(ctl_.locateSection("SORT", "LAST"), 63);
}

TEST_F(CtlFileTest, KeyMatchIsAPrefixAndTheFirstLineWins) {
  Open("[FILE]\r\nFILENAME=\"x\"\r\nFILE=\"y\"\r\n");
  EXPECT_EQ(ctl_.getValue("FILE", "FILE"), "x");
  EXPECT_EQ(ctl_.getValue("FILE", "FILENAME"), "x");
}

TEST_F(CtlFileTest, ValueNeedsBothQuotesOnTheKeyLine) {
  Open("[FILE]\r\nINFILE=\"abc\r\nOUTFILE=\"d\"\r\nRECLEN 80\r\nWORKDIR=\r\n\"w\"\r\n");
  EXPECT_EQ(ctl_.getValue("FILE", "INFILE"), "");
  EXPECT_EQ(ctl_.getValue("FILE", "RECLEN"), "");
  EXPECT_EQ(ctl_.getValue("FILE", "WORKDIR"), "");
  EXPECT_EQ(ctl_.getValue("FILE", "OUTFILE"), "d");
}

TEST_F(CtlFileTest, MalformedFilesAnswerNotFound) {
  // A '[' that never closes.
  Open("[FILE]\r\nINFILE=\"a\"\r\n[BROKEN\r\nX=\"1\"\r\n");
  EXPECT_EQ(ctl_.getValue("OTHER", "X"), "");
  EXPECT_EQ(ctl_.locateSection("OTHER", ""), 0);
  EXPECT_EQ(ctl_.getValue("FILE", "INFILE"), "a");
  ctl_.CtlClose();

  // A last line without CR LF, key absent and present.
  Open("[FILE]\r\nINFILE=\"a\"\r\nOUTFILE=\"b\"");
  EXPECT_EQ(ctl_.getValue("FILE", "RECLEN"), "");
  EXPECT_EQ(ctl_.getValue("FILE", "OUTFILE"), "b");
  ctl_.CtlClose();

  // An empty section directly followed by another header does not reach into it.
  Open("[FILE]\r\n[FIELDS]\r\nRECLEN=\"80\"\r\n");
  EXPECT_EQ(ctl_.getValue("FILE", "RECLEN"), "");
  EXPECT_EQ(ctl_.getValue("FIELDS", "RECLEN"), "80");
  ctl_.CtlClose();

  // A header as the last line, with and without its line end; blanks after the last line.
  Open("[FILE]\r\nA=\"1\"\r\n[END]");
  EXPECT_EQ(ctl_.getValue("END", "A"), "");
  ctl_.CtlClose();
  Open("[FILE]\r\nA=\"1\"\r\n[END]\r\n      ");
  EXPECT_EQ(ctl_.getValue("END", "A"), "");
  EXPECT_EQ(ctl_.getValue("FILE", "B"), "");
}

// Control files as editors on Linux write them, and as people write them by hand.
struct HandWritten {
  const char* what;
  const char* text;
  const char* section;
  const char* key;
  const char* value;
};

TEST_F(CtlFileTest, HandWrittenFilesReadAsTheirAuthorsMeantThem) {
  const HandWritten cases[] = {
      {"LF line ends", "[FILE]\nINFILE=\"a\"\nRECLEN=\"40\"\n[FIELDS]\n1POS=\"1\"\n", "FILE",
       "RECLEN", "40"},
      {"LF line ends, second section", "[FILE]\nINFILE=\"a\"\n[FIELDS]\n1POS=\"3\"\n", "FIELDS",
       "1POS", "3"},
      {"lone CR line ends", "[FILE]\rINFILE=\"a\"\rRECLEN=\"40\"\r", "FILE", "RECLEN", "40"},
      {"mixed line ends", "[FILE]\r\nINFILE=\"a\"\nRECLEN=\"40\"\r\n", "FILE", "RECLEN", "40"},
      {"'[' inside a value", "[FILE]\r\nOUTFILE=\"out[1].srt\"\r\nRECLEN=\"40\"\r\n", "FILE",
       "RECLEN", "40"},
      {"'[' inside a value is kept", "[FILE]\r\nOUTFILE=\"out[1].srt\"\r\n", "FILE", "OUTFILE",
       "out[1].srt"},
      {"'[' inside a note", "[FILE]\r\nsee [notes]\r\nRECLEN=\"40\"\r\n", "FILE", "RECLEN", "40"},
      {"tab before a key", "[FILE]\r\n\tRECLEN=\"40\"\r\n", "FILE", "RECLEN", "40"},
      {"blanks and tabs before a key", "[FILE]\n \t RECLEN\t=\t\"40\"\n", "FILE", "RECLEN", "40"},
      {"indented header", "[FILE]\r\nA=\"1\"\r\n\t[FIELDS]\r\n1POS=\"7\"\r\n", "FIELDS", "1POS",
       "7"},
      {"indented header ends the section before it", "[FILE]\r\n  [FIELDS]\r\nB=\"7\"\r\n", "FILE",
       "B", ""},
  };
  for (const HandWritten& c : cases) {
    Open(c.text);
    EXPECT_EQ(ctl_.getValue(c.section, c.key), c.value) << c.what;
    ctl_.CtlClose();
  }
}

// Each editor's way of saving INFILE="C:\Données€\a" (or a path with a letter beyond the
// Basic Multilingual Plane) reads as the same value in the program's own encoding.
TEST_F(CtlFileTest, EveryEditorsEncodingReadsAsTheSameText) {
  const std::string accented = "C:\\Donn\u00e9es\u20ac\\a";
  const HandWritten cases[] = {
      {"ASCII", "[FILE]\r\nINFILE=\"C:\\a\"\r\n", "FILE", "INFILE", "C:\\a"},
      {"UTF-8",
       "[FILE]\r\nINFILE=\"C:\\Donn\xC3\xA9"
       "es\xE2\x82\xAC\\a\"\r\n",
       "FILE", "INFILE", accented.c_str()},
      {"UTF-8 with a byte-order mark",
       "\xEF\xBB\xBF[FILE]\r\nINFILE=\"C:\\Donn\xC3\xA9"
       "es\xE2\x82\xAC\\a\"\r\n",
       "FILE", "INFILE", accented.c_str()},
      {"code page 1252",
       "[FILE]\r\nINFILE=\"C:\\Donn\xE9"
       "es\x80\\a\"\r\n",
       "FILE", "INFILE", accented.c_str()},
  };
  const bool windows1252 = platform::AnsiToUtf8("\x80") == "\u20ac";
  for (const HandWritten& c : cases) {
    if (std::string(c.what) == "code page 1252" && !windows1252) continue;
    Open(c.text);
    EXPECT_EQ(ctl_.getValue(c.section, c.key), platform::Utf8ToNative(c.value)) << c.what;
    ctl_.CtlClose();
  }
  // UTF-16 in both byte orders, with a pair of surrogates, LF line ends and an odd last byte.
  const std::u16string wide = u"[FILE]\nINFILE=\"C:\\Donn\u00e9es\U0001D11E\\a\"\n";
  const std::string expected = platform::Utf8ToNative("C:\\Donn\u00e9es\U0001D11E\\a");
  for (bool bigEndian : {false, true}) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t unit : wide) {
      const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
      bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    Open(bytes + "x");
    EXPECT_EQ(ctl_.getValue("FILE", "INFILE"), expected) << bigEndian;
    ctl_.CtlClose();
  }
}

TEST_F(CtlFileTest, FileWithLfLineEndsIsRewrittenWithCrLf) {
  Open("[FILE]\nINFILE=\"a\"\n");
  ctl_.modifyCtl("FILE", "INFILE", "b");
  ASSERT_TRUE(ctl_.rewriteCtl("dummy"));
  EXPECT_EQ(ReadFile(path_), "[FILE]\r\nINFILE=\"b\"\r\n");
}

TEST_F(CtlFileTest, MissingFileIsCreatedEmpty) {
  EXPECT_TRUE(ctl_.openCtlFile(path_));
  EXPECT_EQ(clsFile::controlBlock().state, 1);
  EXPECT_EQ(ReadFile(path_), "");
  EXPECT_EQ(ctl_.getValue("FILE", "INFILE"), "");
  EXPECT_FALSE(ctl_.openCtlFile(dir_ / "no/such/dir/x.txt"));
  EXPECT_EQ(clsFile::controlBlock().state, 0);
}

TEST_F(CtlFileTest, ReceiveCtlOpensOnceAndCloseKeepsTheImage) {
  WriteFile(path_, kSortCtl);
  WriteFile(dir_ / "other.txt", "[FILE]\r\nINFILE=\"Z\"\r\n");
  EXPECT_EQ(ctl_.ReceiveCtl("FILE", "INFILE", path_), "A");
  // Already open: the path is not compared.
  EXPECT_EQ(ctl_.ReceiveCtl("FILE", "INFILE", dir_ / "other.txt"), "A");
  ctl_.CtlClose();
  EXPECT_EQ(clsFile::controlBlock().state, 0);
  EXPECT_EQ(ctl_.getValue("FILE", "OUTFILE"), "B");
  EXPECT_EQ(ctl_.ReceiveCtl("FILE", "INFILE", dir_ / "other.txt"), "Z");
}

TEST_F(CtlFileTest, SectionsAndKeysAreBuiltUpAsTheInstallerDoes) {
  ASSERT_TRUE(ctl_.openCtlFile(path_));
  ctl_.addKeyToCtl("DEFINITIONS", "APPPATH", "/x/");  // no such section yet
  EXPECT_EQ(clsFile::ctlBuffer(), "");
  ctl_.addSectionToCtl(" DEFINITIONS ");
  EXPECT_EQ(clsFile::ctlBuffer(), "[DEFINITIONS]\r\n");
  ctl_.addKeyToCtl("DEFINITIONS", " APPPATH ", " /opt/kvt/ ");
  ctl_.addKeyToCtl("DEFINITIONS", "VERSION", "200");
  ctl_.addKeyToCtl("DEFINITIONS", "PRODUCT", "KV02");
  ctl_.addKeyToCtl("DEFINITIONS", "EDITING", "MODIFYING THIS FILE WILL CAUSE THE SORT TO FAIL.");
  ASSERT_TRUE(ctl_.rewriteCtl("dummy"));
  ctl_.CtlClose();
  EXPECT_EQ(ReadFile(path_),
            "[DEFINITIONS]\r\n"
            "EDITING=\"MODIFYING THIS FILE WILL CAUSE THE SORT TO FAIL.\"\r\n"
            "PRODUCT=\"KV02\"\r\n"
            "VERSION=\"200\"\r\n"
            "APPPATH=\"/opt/kvt/\"\r\n");
}

TEST_F(CtlFileTest, EditsKeepUntidyTextWhole) {
  Open("  [FILE]\r\nA=\"1\"");
  ctl_.addSectionToCtl("END");
  EXPECT_EQ(clsFile::ctlBuffer(), "  [FILE]\r\nA=\"1\"\r\n[END]\r\n");
  ctl_.CtlClose();
  Open("[FILE]");
  ctl_.addKeyToCtl("FILE", "A", "1");
  EXPECT_EQ(clsFile::ctlBuffer(), "[FILE]\r\nA=\"1\"\r\n");
  EXPECT_EQ(ctl_.getValue("FILE", "A"), "1");
  ctl_.CtlClose();
  // Leading text, blank or not, is kept whole; only trailing blanks go.
  Open("  [FILE]\r\nB=\"2\"\r\n    ");
  ctl_.addKeyToCtl("FILE", "A", "1");
  EXPECT_EQ(clsFile::ctlBuffer(), "  [FILE]\r\nA=\"1\"\r\nB=\"2\"\r\n");
}

TEST_F(CtlFileTest, ModifyReplacesOnlyAnExistingValue) {
  Open(kSortCtl);
  ctl_.modifyCtl("FILE", "OUTFILE", " longer value ");
  EXPECT_EQ(ctl_.getValue("FILE", "OUTFILE"), " longer value ");
  EXPECT_EQ(ctl_.getValue("FILE", "RECLEN"), "80");
  std::string before = clsFile::ctlBuffer();
  ctl_.modifyCtl("FILE", "NOKEY", "x");
  ctl_.modifyCtl("NOSECTION", "OUTFILE", "x");
  EXPECT_EQ(clsFile::ctlBuffer(), before);
}

TEST_F(CtlFileTest, NextGenCountsInThreeDigits) {
  Open("[S]\r\nGEN=\"041\"\r\nTOP=\"999\"\r\nSHORT=\"7\"\r\nNEXT=\"x\"\r\n");
  ctl_.nextGenCtl("S", "GEN");
  ctl_.nextGenCtl("S", "TOP");
  ctl_.nextGenCtl("S", "SHORT");
  ctl_.nextGenCtl("S", "NONE");
  EXPECT_EQ(clsFile::ctlBuffer(),
            "[S]\r\nGEN=\"042\"\r\nTOP=\"000\"\r\nSHORT=\"008\"\r\nNEXT=\"x\"\r\n");
}

TEST_F(CtlFileTest, RewriteNeverShortensTheFile) {
  EXPECT_FALSE(ctl_.rewriteCtl("dummy"));  // nothing open
  Open(kSortCtl);
  const std::string original = ReadFile(path_);
  ctl_.modifyCtl("FILE", "INFILE", "");
  ASSERT_TRUE(ctl_.rewriteCtl("dummy"));
  std::string written = ReadFile(path_);
  ASSERT_EQ(written.size(), original.size());
  EXPECT_EQ(written.substr(written.size() - 1), " ");
  EXPECT_EQ(written.substr(0, written.size() - 1), std::string(kSortCtl).replace(16, 1, ""));
  // A later edit of the same open file still lands in it.
  ctl_.modifyCtl("FILE", "INFILE", "longer/input/path.dat");
  ASSERT_TRUE(ctl_.rewriteCtl("dummy"));
  ctl_.CtlClose();
  ASSERT_TRUE(ctl_.openCtlFile(path_));
  EXPECT_EQ(ctl_.getValue("FILE", "INFILE"), "longer/input/path.dat");
  EXPECT_EQ(ctl_.getValue("FIELDS", "1LEN"), "5");
}

// Builds a control file well above 4096 bytes with many long key fields.
std::string LongControlFile(int fields) {
  std::string text = "[FILE]\r\nINFILE=\"" + std::string(300, 'i') + "\"\r\n[FIELDS]\r\n";
  for (int n = 1; n <= fields; ++n) {
    std::string k = std::to_string(n);
    text += k + "POS=\"" + std::to_string(n * 10) + "\"\r\n" + k + "LEN=\"5\"\r\n" + k +
            "ORD=\"A\"\r\n";
  }
  return text + "[END]\r\n";
}

TEST_F(CtlFileTest, LongFilesAreNeverCut) {
  const std::string text = LongControlFile(400);
  ASSERT_GT(text.size(), 3u * 4096u);
  Open(text);
  EXPECT_EQ(ctl_.getValue("FIELDS", "400POS"), "4000");
  EXPECT_GT(std::stoll(ctl_.getPosition("FIELDS", "399ORD")), 4096);
  ctl_.modifyCtl("FILE", "INFILE", "short.dat");
  ctl_.modifyCtl("FIELDS", "400ORD", "D");
  ASSERT_TRUE(ctl_.rewriteCtl("dummy"));
  ctl_.CtlClose();
  std::string written = ReadFile(path_);
  ASSERT_EQ(written.size(), text.size());
  ASSERT_TRUE(ctl_.openCtlFile(path_));
  EXPECT_EQ(ctl_.getValue("FILE", "INFILE"), "short.dat");
  EXPECT_EQ(ctl_.getValue("FIELDS", "400ORD"), "D");
  EXPECT_EQ(ctl_.getValue("FIELDS", "1POS"), "10");
  EXPECT_EQ(ctl_.locateSection("END", "") > 0, true);
}

TEST_F(CtlFileTest, OversizedFileIsRefusedAndLeftAlone) {
  std::string big = "[FILE]\r\nINFILE=\"a\"\r\n" + std::string(clsFile::kMaxControlFileSize, 'x');
  WriteFile(path_, big);
  EXPECT_FALSE(ctl_.openCtlFile(path_));
  EXPECT_EQ(clsFile::ctlBuffer(), "");
  EXPECT_EQ(ctl_.getValue("FILE", "INFILE"), "");
  EXPECT_FALSE(ctl_.rewriteCtl("dummy"));
  EXPECT_EQ(ReadFile(path_), big);

  // Exactly the limit is still a control file.
  std::string fits = "[FILE]\r\nINFILE=\"a\"\r\n";
  fits.resize(clsFile::kMaxControlFileSize, ' ');
  WriteFile(path_, fits);
  EXPECT_TRUE(ctl_.openCtlFile(path_));
  EXPECT_EQ(ctl_.getValue("FILE", "INFILE"), "a");
}

TEST_F(CtlFileTest, RewriteReplacesTheFileWhole) {
  if (platform::kPathSeparator == '\\') {
    GTEST_SKIP() << "Windows replaces no file another program holds open";
  }
  Open(kSortCtl);
  // A reader that opened the file before the save keeps seeing the old file complete: the
  // save puts a new file in place instead of writing into the old one.
  std::unique_ptr<platform::File> reader;
  ASSERT_TRUE(platform::FileSystem::Default().Open(path_, platform::OpenMode::kRead, &reader).ok());
  ctl_.modifyCtl("FILE", "INFILE", "NEW");
  ASSERT_TRUE(ctl_.rewriteCtl("dummy"));
  std::string old_view(sizeof(kSortCtl) - 1, '\0');
  size_t got = 0;
  ASSERT_TRUE(reader->ReadAt(0, old_view.data(), old_view.size(), &got).ok());
  ASSERT_EQ(got, old_view.size());
  reader.reset();
  EXPECT_EQ(old_view, kSortCtl);
  EXPECT_EQ(ReadFile(path_).substr(0, 20), "[FILE]\r\nINFILE=\"NEW\"");
  // No temporary file is left beside it.
  int entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
    (void)entry;
    ++entries;
  }
  EXPECT_EQ(entries, 1);
}

TEST_F(CtlFileTest, FailedRewriteLeavesTheOldFileAndReportsIt) {
  if (platform::kPathSeparator == '\\') {
    GTEST_SKIP() << "Windows does not move a folder that holds an open file";
  }
  // The file's folder moves away while the file is open, so no new file can be put in place.
  const std::string folder = dir_ / "jobs";
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  path_ = folder + "/job.txt";
  Open(kSortCtl);
  ctl_.modifyCtl("FILE", "INFILE", "NEW");
  std::filesystem::rename(folder, dir_ / "moved");
  EXPECT_FALSE(ctl_.rewriteCtl("dummy"));
  EXPECT_EQ(ReadFile(dir_ / "moved/job.txt"), kSortCtl);
  EXPECT_FALSE(std::filesystem::exists(folder));
}

}  // namespace
}  // namespace kvt::front
