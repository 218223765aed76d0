// A fresh main directory for one test: its own folder with SortCtl/, its own registry file
// (KVT_REGISTRY) whose MainDir names the folder, and helpers to run kv02sort in it.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace kvt::jobfront::testing {

class TestMainDir {
 public:
  // registerMainDir false leaves the registry without a MainDir value.
  explicit TestMainDir(bool registerMainDir = true);
  ~TestMainDir();
  TestMainDir(const TestMainDir&) = delete;
  TestMainDir& operator=(const TestMainDir&) = delete;

  // Ends with '/'.
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + name; }

  void write(const std::string& name, const std::string& bytes) const;
  std::string read(const std::string& name) const;
  bool exists(const std::string& name) const;
  // Makes main directory + name a link to program.
  void link(const std::string& program, const std::string& name) const;

  struct Run {
    int exitCode = -1;
    std::string errorOutput;
    std::string output;
  };
  // Runs kv02sort with args and waits for it; its standard output and error go to files.
  Run runKv02sort(const std::vector<std::string>& args) const;

  // Runs the job controlText (written as SortCtl/job.txt, with an input in.dat of inputBytes
  // bytes) with the stand-in engine and returns the engine control record the engine found.
  std::string engineRecordOf(const std::string& controlText, size_t inputBytes, Run* run);

  // The lines of kvtsort.log, each with its CR LF.
  std::vector<std::string> logLines() const;

 private:
  std::string path_;
};

// A sectioned control file: [FILE] with fileKeys, [FIELDS] with fieldKeys, lines in the
// order given, CR LF line ends.
std::string controlFile(const std::vector<std::pair<std::string, std::string>>& fileKeys,
                        const std::vector<std::pair<std::string, std::string>>& fieldKeys);

// The message of a front-end log line after checking its fixed columns: 142 bytes, "SORT",
// the sub-application, level "I", digits for date and time, CR LF. "" when a column is wrong.
std::string frontMessage(const std::string& line, const std::string& subAppl);
// A message as the log line holds it: blank-padded to 118 characters.
std::string padded(const std::string& message);

}  // namespace kvt::jobfront::testing
