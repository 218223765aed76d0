// A file system for tests that forwards every call to a real one, except one chosen call: the
// Nth open, read, write, sync, close, size, map, replace or remove of a path containing a given
// text fails with a chosen code (the call does not reach the real file system), or a read comes
// back short. Runs of the programs' code in the test's own process can so fail at any step,
// deterministically and on every system.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace kvt::testing {

enum class FileCall { kOpen, kRead, kWrite, kSync, kClose, kSize, kMap, kReplace, kRemove };
inline constexpr size_t kFileCallKinds = 9;

struct Fault {
  FileCall call = FileCall::kOpen;
  // Only calls on a path containing this text count ("" counts every call of the kind); for a
  // replace, the path it replaces.
  std::string path_part;
  // The fault hits the nth counted call (1 is the first); later calls succeed again.
  int nth = 1;
  platform::Status::Code code = platform::Status::Code::kIoError;
  // A read that succeeds with half the bytes asked for instead of failing.
  bool short_read = false;
};

// The system's words for a code, as an injected fault's message gives them.
std::string ReasonText(platform::Status::Code code);

class FaultyFileSystem : public platform::FileSystem {
 public:
  explicit FaultyFileSystem(platform::FileSystem& real = platform::FileSystem::Default())
      : real_(real) {}

  // Replaces the fault armed before, and restarts the counting.
  void Arm(const Fault& fault);
  // True once the armed fault has hit.
  bool fired() const;
  // Calls of a kind on paths containing the armed fault's path_part so far.
  int calls(FileCall call) const;
  // The message of the injected failure; "" before it hit.
  std::string message() const;

  // For the files it opens. Counts the call; the failure to answer with when it is the armed
  // one (ok otherwise).
  platform::Status Check(FileCall call, const std::string& path);
  // The same for a read; *short_read is set (and the answer ok) for the armed short read.
  platform::Status CheckRead(const std::string& path, bool* short_read);

  platform::Status Open(const std::string& path, platform::OpenMode mode,
                        std::unique_ptr<platform::File>* file) override;
  platform::Status Replace(const std::string& from, const std::string& to) override;
  platform::Status Remove(const std::string& path) override;
  bool Exists(const std::string& path) override { return real_.Exists(path); }
  platform::EntryKind KindOf(const std::string& path) override { return real_.KindOf(path); }
  bool HoldsFileOrNothing(const std::string& path) override {
    return real_.HoldsFileOrNothing(path);
  }
  platform::Status GetFileSize(const std::string& path, uint64_t* size) override;
  platform::Status MakeDirectory(const std::string& path) override {
    return real_.MakeDirectory(path);
  }
  platform::Status RemoveDirectory(const std::string& path) override {
    return real_.RemoveDirectory(path);
  }
  platform::Status ListDirectory(const std::string& dir, const std::string& pattern,
                                 std::vector<std::string>* names) override {
    return real_.ListDirectory(dir, pattern, names);
  }
  platform::Status LockFile(const std::string& path, platform::LockWait wait,
                            std::unique_ptr<platform::LockHolder>* lock) override {
    return real_.LockFile(path, wait, lock);
  }

 private:
  // True when this call is the armed one; counts it. Needs mutex_.
  bool Hits(FileCall call, const std::string& path);

  platform::FileSystem& real_;
  mutable std::mutex mutex_;  // the engine calls from several threads at once
  Fault fault_;
  bool armed_ = false;
  bool fired_ = false;
  std::string message_;
  std::array<int, kFileCallKinds> counts_{};
};

}  // namespace kvt::testing
