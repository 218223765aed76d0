// A product directory of its own for one test, laid out as an installation: the two programs,
// ErrText.txt, SortCtl/ and a registry file whose MainDir names the folder. Beside it, inside
// the same temporary folder, a work folder, a data folder for inputs and outputs, and an
// "outside" folder for files that no run may touch.
#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/types.h>

#include <string>
#include <vector>

namespace kvt::reliability {

// One sort job as the user's control file describes it. Records are kRecordLength bytes with
// the ascending key in bytes 1-10.
struct SortJob {
  std::string input;    // absolute path
  std::string output;   // absolute path
  std::string workDir;  // WORKDIR as written, normally a folder ending with '/'
  std::string workFiles = "*";
  std::string minSplit = "*";
  std::string maxSplit = "*";
  std::string sortOrder = "BINARY";  // USERDEFINED reads the .sor beside the control file
};

inline constexpr size_t kRecordLength = 100;

struct RunOptions {
  rlim_t fileSizeLimit = RLIM_INFINITY;  // RLIMIT_FSIZE of kv02sort and so of the engine
  mode_t umask = 022;
  std::string controlFile = "job.txt";  // in SortCtl/
  int startGate = -1;          // when set, kv02sort starts once it has read one byte from this pipe
  bool ignoreSigchld = false;  // the parent's SIGCHLD setting that kv02sort inherits
  rlim_t addressSpaceLimit = RLIM_INFINITY;  // RLIMIT_AS of kv02sort and so of the engine
  rlim_t openFilesLimit = RLIM_INFINITY;     // RLIMIT_NOFILE, soft and hard
  bool defaultSigxfsz = false;       // kv02sort starts with SIGXFSZ's default action (it ends the
                                     // program) instead of ignoring it
  std::vector<std::string> options;  // kv02sort's options, before the control file
};

class ProductDir {
 public:
  ProductDir();
  ~ProductDir();
  ProductDir(const ProductDir&) = delete;
  ProductDir& operator=(const ProductDir&) = delete;

  // Each ends with '/'.
  const std::string& root() const { return root_; }
  const std::string& main() const { return main_; }
  std::string work() const { return root_ + "work/"; }
  std::string data() const { return root_ + "data/"; }
  std::string outside() const { return root_ + "outside/"; }

  // A job reading data/in.dat, writing data/out.dat, work files in work/.
  SortJob defaultJob() const;
  // Writes SortCtl/<name> for the job.
  void writeJob(const SortJob& job, const std::string& name = "job.txt") const;

  // Starts kv02sort <options.controlFile> in a process group of its own; the limits apply to it and
  // the engine it starts. Standard output and error go to kv02sort.out in the temporary folder.
  pid_t start(const RunOptions& options = {}) const;
  // Runs kv02sort job.txt to its end: its exit code, or 128 + the signal that ended it.
  int run(const RunOptions& options = {}) const;

  // The messages of the front-end's log lines (application SORT, level I) of one
  // sub-application, blanks on the right removed.
  std::vector<std::string> frontMessages(const std::string& subAppl) const;
  // The last of those messages, "" when there is none.
  std::string lastFrontMessage(const std::string& subAppl) const;
  // The first 64-character record of kvtsort.sts, "" when there is none.
  std::string firstStatusRecord() const;

 private:
  std::string root_;
  std::string main_;
};

// Exit code of a waited-for child: its status, or 128 + the signal.
int exitCodeOf(int waitStatus);
// Waits for pid; its exit code.
int waitFor(pid_t pid);

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
bool exists(const std::string& path);  // also true for a dangling link
// Whether two file contents are equal; if not, their sizes and the first differing offset
// rather than the whole contents.
::testing::AssertionResult sameBytes(const std::string& actual, const std::string& expected);
// Names in a folder, sorted.
std::vector<std::string> listFolder(const std::string& folder);
// What a job left in its work folder: every entry but the folder's lock file, which stays.
std::vector<std::string> leftInWorkFolder(const std::string& folder);
// The permission bits of a file (not following a link).
mode_t permissions(const std::string& path);

// Records with random 10-digit keys (many equal ones), a serial number that shows whether equal
// keys kept their order, and filler.
std::string makeInput(size_t records, unsigned seed);
// The input stably sorted by its key.
std::string sortedByKey(const std::string& input);

}  // namespace kvt::reliability
