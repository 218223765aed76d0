// The small file helpers, the same on every system: each is a few calls of the file system
// layer, so what they do to a file is what that layer does.
#include "platform/file_util.h"

#include <atomic>
#include <memory>
#include <random>

#include "platform/file_system.h"
#include "platform/paths.h"

namespace kvt::platform {
namespace {

constexpr int kNameTries = 100;

// A name in path's folder for a file about to take path's place. Another writer of the folder
// may pick the same name; the exclusive create then says so and the caller picks again.
std::string TemporaryNameBeside(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  static const unsigned seed = std::random_device()();
  const std::string dir = DirectoryPart(path);
  return (dir.empty() ? std::string(".") + kPathSeparator : dir) + ".kvttmp" +
         std::to_string(seed) + "_" + std::to_string(counter++);
}

// Creates a new private file beside path; *name is its name.
Status CreateBeside(const std::string& path, std::string* name, std::unique_ptr<File>* file) {
  Status status;
  for (int i = 0; i < kNameTries; ++i) {
    *name = TemporaryNameBeside(path);
    status = FileSystem::Default().Open(*name, OpenMode::kCreateExclusive, file);
    if (status.code() != Status::Code::kExists) break;
  }
  return status;
}

}  // namespace

bool FileExists(const std::string& path) { return FileSystem::Default().Exists(path); }

bool IsDirectory(const std::string& path) {
  uint64_t size = 0;
  return !path.empty() &&
         FileSystem::Default().GetFileSize(path, &size).code() == Status::Code::kIsDirectory;
}

int64_t FileSize(const std::string& path) {
  uint64_t size = 0;
  if (path.empty() || !FileSystem::Default().GetFileSize(path, &size).ok()) return -1;
  return static_cast<int64_t>(size);
}

bool ReadWholeFile(const std::string& path, std::string* out) {
  std::unique_ptr<File> file;
  if (!FileSystem::Default().Open(path, OpenMode::kRead, &file).ok()) return false;
  out->clear();
  // Read to the end rather than to the size: a file that grows meanwhile, or one whose size
  // the system does not know, is read whole all the same.
  char buffer[65536];
  for (;;) {
    size_t got = 0;
    if (!file->Read(buffer, sizeof buffer, &got).ok()) return false;
    out->append(buffer, got);
    if (got < sizeof buffer) return true;
  }
}

bool AtomicReplaceFile(const std::string& path, const std::string& contents) {
  FileSystem& fs = FileSystem::Default();
  std::string temporary;
  std::unique_ptr<File> file;
  if (!CreateBeside(path, &temporary, &file).ok()) return false;
  // Created private; the new file gets the rights of the one it replaces, or the user's usual.
  bool ok = file->MatchPermissions(path).ok() &&
            file->Write(contents.data(), contents.size()).ok() && file->Sync().ok();
  ok = file->Close().ok() && ok;
  if (ok && fs.Replace(temporary, path).ok()) return true;
  fs.Remove(temporary);
  return false;
}

bool CopyFile(const std::string& from, const std::string& to) {
  std::string contents;
  return ReadWholeFile(from, &contents) && AtomicReplaceFile(to, contents);
}

bool RemoveFile(const std::string& path) { return FileSystem::Default().Remove(path).ok(); }

bool MakeDirectory(const std::string& path) {
  return FileSystem::Default().MakeDirectory(path).ok();
}

}  // namespace kvt::platform
