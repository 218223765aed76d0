#include "product_dir.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numeric>
#include <random>
#include <stdexcept>

namespace fs = std::filesystem;

namespace kvt::reliability {

namespace {

std::string registryText(const std::string& mainDir) {
  return "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvern\\KV02" +
         std::to_string(KVT_VERSION_MAJOR) + std::to_string(KVT_VERSION_MINOR) +
         "]\n\"MainDir\"=\"" + mainDir + "\"\n";
}

std::string controlText(const SortJob& job) {
  const std::vector<std::pair<std::string, std::string>> file = {
      {"PRODUCT", "KV02"},         {"VERSION", "200"},
      {"INFILE", job.input},       {"OUTFILE", job.output},
      {"WORKDIR", job.workDir},    {"RECLEN", std::to_string(kRecordLength)},
      {"MEMORYUSAGE", "80"},       {"WORKFILES", job.workFiles},
      {"MAXSPLIT", job.maxSplit},  {"MINSPLIT", job.minSplit},
      {"SORTORDER", job.sortOrder}};
  std::string text = "[FILE]\r\n";
  for (const auto& [key, value] : file) text += key + "=\"" + value + "\"\r\n";
  text += "[FIELDS]\r\n1POS=\"1\"\r\n1LEN=\"10\"\r\n1ORD=\"A\"\r\n[END]\r\n";
  return text;
}

std::string rightTrimmed(std::string text) {
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

}  // namespace

ProductDir::ProductDir() {
  std::string pattern = (fs::temp_directory_path() / "kvt_reliability_XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  root_ = pattern + "/";
  main_ = root_ + "product/";
  for (const std::string& folder : {main_, main_ + "SortCtl/", work(), data(), outside()})
    fs::create_directory(folder);
  fs::create_symlink(KVTSORTS_PROGRAM, main_ + "kvtsorts");
  fs::create_symlink(KV02SORT_PROGRAM, main_ + "kv02sort");
  fs::copy_file(ERRTEXT_FILE, main_ + "ErrText.txt");
  writeFile(root_ + "registry.reg", registryText(main_));
  ::setenv("KVT_REGISTRY", (root_ + "registry.reg").c_str(), 1);
}

ProductDir::~ProductDir() {
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

SortJob ProductDir::defaultJob() const {
  return SortJob{data() + "in.dat", data() + "out.dat", work()};
}

void ProductDir::writeJob(const SortJob& job, const std::string& name) const {
  writeFile(main_ + "SortCtl/" + name, controlText(job));
}

pid_t ProductDir::start(const RunOptions& options) const {
  // Everything the child needs is made before the fork: it only calls async-signal-safe
  // functions afterwards.
  std::string program = main_ + "kv02sort";
  std::string outPath = root_ + "kv02sort.out";
  std::string registry = root_ + "registry.reg";
  std::vector<std::string> words = options.options;
  words.insert(words.begin(), "kv02sort");
  words.push_back(options.controlFile);
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  rlimit limit{options.fileSizeLimit, options.fileSizeLimit};
  rlimit addressSpace{options.addressSpaceLimit, options.addressSpaceLimit};
  rlimit openFiles{options.openFilesLimit, options.openFilesLimit};
  pid_t pid = ::fork();
  if (pid != 0) return pid;
  ::setpgid(0, 0);
  int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (out >= 0) {
    ::dup2(out, 1);
    ::dup2(out, 2);
  }
  // Writes past the limit then fail with EFBIG instead of killing the writer.
  ::signal(SIGXFSZ, options.defaultSigxfsz ? SIG_DFL : SIG_IGN);
  ::setrlimit(RLIMIT_FSIZE, &limit);
  if (options.openFilesLimit != RLIM_INFINITY) ::setrlimit(RLIMIT_NOFILE, &openFiles);
  if (options.addressSpaceLimit != RLIM_INFINITY) ::setrlimit(RLIMIT_AS, &addressSpace);
  ::umask(options.umask);
  if (options.ignoreSigchld) ::signal(SIGCHLD, SIG_IGN);
  // Each product directory's jobs read its own registry, also when a test has several.
  ::setenv("KVT_REGISTRY", registry.c_str(), 1);
  if (options.startGate >= 0) {
    char byte;
    while (::read(options.startGate, &byte, 1) < 0 && errno == EINTR) {
    }
    ::close(options.startGate);
  }
  ::execv(program.c_str(), argv.data());
  ::_exit(127);
}

int ProductDir::run(const RunOptions& options) const { return waitFor(start(options)); }

std::vector<std::string> ProductDir::frontMessages(const std::string& subAppl) const {
  std::string log = readFile(main_ + "kvtsort.log");
  std::vector<std::string> messages;
  size_t at = 0;
  while (at < log.size()) {
    size_t end = log.find("\r\n", at);
    if (end == std::string::npos) end = log.size();
    std::string line = log.substr(at, end - at);
    if (line.size() > 22 && line.compare(0, 4, "SORT") == 0 && line.compare(4, 3, subAppl) == 0 &&
        line[7] == 'I')
      messages.push_back(rightTrimmed(line.substr(22)));
    at = end + 2;
  }
  return messages;
}

std::string ProductDir::lastFrontMessage(const std::string& subAppl) const {
  std::vector<std::string> messages = frontMessages(subAppl);
  return messages.empty() ? "" : messages.back();
}

std::string ProductDir::firstStatusRecord() const {
  std::string status = readFile(main_ + "kvtsort.sts");
  return status.size() < 64 ? "" : status.substr(0, 64);
}

int exitCodeOf(int waitStatus) {
  if (WIFEXITED(waitStatus)) return WEXITSTATUS(waitStatus);
  if (WIFSIGNALED(waitStatus)) return 128 + WTERMSIG(waitStatus);
  return -1;
}

int waitFor(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return exitCodeOf(status);
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

bool exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

::testing::AssertionResult sameBytes(const std::string& actual, const std::string& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
  return ::testing::AssertionFailure() << actual.size() << " bytes where " << expected.size()
                                       << " were expected, first difference at offset " << at;
}

std::vector<std::string> listFolder(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> leftInWorkFolder(const std::string& folder) {
  std::vector<std::string> names = listFolder(folder);
  std::erase(names, "kvtwork.lck");
  return names;
}

mode_t permissions(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return 07777;
  return st.st_mode & 07777;
}

std::string makeInput(size_t records, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<unsigned> key(0, 9999);
  std::string input;
  input.reserve(records * kRecordLength);
  char record[kRecordLength + 1];
  for (size_t i = 0; i < records; ++i) {
    int n = std::snprintf(record, sizeof record, "%010u%010zu", key(random), i);
    std::fill(record + n, record + kRecordLength, static_cast<char>('a' + i % 26));
    input.append(record, kRecordLength);
  }
  return input;
}

std::string sortedByKey(const std::string& input) {
  std::vector<size_t> order(input.size() / kRecordLength);
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return input.compare(a * kRecordLength, 10, input, b * kRecordLength, 10) < 0;
  });
  std::string sorted;
  sorted.reserve(input.size());
  for (size_t i : order) sorted.append(input, i * kRecordLength, kRecordLength);
  return sorted;
}

}  // namespace kvt::reliability
