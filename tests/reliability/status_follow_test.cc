// A reader follows kvtsort.sts while the engine writes many records, as the utility does: it reads
// only below the file's current length, in 64-byte steps, and every record it sees must be whole.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <map>

#include "product_dir.h"

namespace kvt::reliability {
namespace {

constexpr size_t kStatusRecord = 64;

bool digits(const std::string& record, size_t from, size_t count) {
  for (size_t i = from; i < from + count; ++i)
    if (!std::isdigit(static_cast<unsigned char>(record[i]))) return false;
  return true;
}

bool blanks(const std::string& record, size_t from, size_t count) {
  return record.compare(from, count, std::string(count, ' ')) == 0;
}

// Whether a record is one the engine writes, field by field for its type; the type if so.
std::string wellFormedType(const std::string& record) {
  if (record.size() != kStatusRecord || !blanks(record, 36, 28)) return "";
  std::string type = record.substr(33, 3);
  if (type == "000") {
    bool ok = record.compare(0, 12, "000000000000") == 0 && digits(record, 12, 6) &&
              blanks(record, 18, 6) && record.compare(24, 12, "000000000000") == 0;
    return ok ? type : "";
  }
  if (type == "001" || type == "002" || type == "004") {
    bool ok = digits(record, 0, 24) && record.compare(24, 3, type) == 0 &&
              record.compare(27, 6, "000000") == 0;
    return ok ? type : "";
  }
  if (type == "003") {
    bool ok = digits(record, 0, 27) && record.compare(0, 3, "000") == 0 &&
              record.compare(6, 3, "000") == 0 && record.compare(27, 6, "000000") == 0;
    return ok ? type : "";
  }
  return "";
}

// Follows the file: new whole records below its length, and the first record again each time.
class StatusFollower {
 public:
  explicit StatusFollower(std::string path) : path_(std::move(path)) {}
  ~StatusFollower() {
    if (fd_ >= 0) ::close(fd_);
  }

  void poll() {
    if (fd_ < 0) fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) return;
    ++polls_;
    size_t length = static_cast<size_t>(st.st_size);
    if (length < lastLength_) ++shrinks_;
    lastLength_ = length;
    for (; next_ + kStatusRecord <= length; next_ += kStatusRecord) check(next_);
    if (length >= kStatusRecord) check(0);
  }

  const std::map<std::string, int>& types() const { return types_; }
  int torn() const { return torn_; }
  int shrinks() const { return shrinks_; }
  int polls() const { return polls_; }
  size_t recordsRead() const { return next_ / kStatusRecord; }
  const std::string& firstTorn() const { return firstTorn_; }

 private:
  void check(size_t offset) {
    std::string record(kStatusRecord, '\0');
    ssize_t n = ::pread(fd_, record.data(), kStatusRecord, static_cast<off_t>(offset));
    std::string type = n == static_cast<ssize_t>(kStatusRecord) ? wellFormedType(record) : "";
    // The first record is the start record until the end record replaces it.
    if (offset == 0 && type != "000" && type != "003") type = "";
    if (type.empty()) {
      if (torn_++ == 0) firstTorn_ = std::to_string(offset) + ": [" + record + "]";
      return;
    }
    if (offset != 0) ++types_[type];
  }

  std::string path_;
  int fd_ = -1;
  size_t next_ = 0;
  size_t lastLength_ = 0;
  int polls_ = 0;
  int torn_ = 0;
  int shrinks_ = 0;
  std::string firstTorn_;
  std::map<std::string, int> types_;
};

TEST(StatusFollowTest, ReaderNeverSeesATornOrPartialRecord) {
  ProductDir dir;
  std::string input = makeInput(20000, 33);
  writeFile(dir.data() + "in.dat", input);
  // Forty chunks of 500 records, each sorted in 32 partitions: some 1500 status records.
  SortJob job = dir.defaultJob();
  job.workFiles = "40";
  job.minSplit = "32";
  job.maxSplit = "32";
  dir.writeJob(job);

  StatusFollower follower(dir.main() + "kvtsort.sts");
  pid_t front = dir.start();
  int status = 0;
  while (::waitpid(front, &status, WNOHANG) == 0) {
    follower.poll();
    ::sched_yield();
  }
  follower.poll();

  ASSERT_EQ(exitCodeOf(status), 0);
  EXPECT_TRUE(sameBytes(readFile(job.output), sortedByKey(input)));
  EXPECT_EQ(follower.torn(), 0) << follower.firstTorn();
  EXPECT_EQ(follower.shrinks(), 0);
  // Everything the engine wrote was read: the end record first, then every progress record.
  std::string end = dir.firstStatusRecord();
  EXPECT_EQ(wellFormedType(end), "003");
  EXPECT_EQ(end.substr(24, 3), "000");
  EXPECT_EQ(follower.recordsRead() * kStatusRecord, readFile(dir.main() + "kvtsort.sts").size());
  EXPECT_EQ(follower.types().at("004"), 40);
  EXPECT_GE(follower.types().at("001"), 40 * 32);
  EXPECT_GT(follower.types().at("002"), 40);
  std::printf("%d polls, %zu records\n", follower.polls(), follower.recordsRead());
}

}  // namespace
}  // namespace kvt::reliability
