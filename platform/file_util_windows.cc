// The small file helpers on Windows, over the file system layer.
#include <windows.h>
#undef CopyFile  // ours, not the system's CopyFileA

#include <atomic>
#include <string>

#include "platform/file_system.h"
#include "platform/file_util.h"
#include "platform/paths.h"

namespace kvt::platform {
namespace {

// A name no other writer of this folder uses: process id, a counter and the tick count.
std::string TemporaryNameBeside(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  return DirectoryPart(path) + ".kvttmp" + std::to_string(::GetCurrentProcessId()) + "_" +
         std::to_string(counter++) + "_" + std::to_string(::GetTickCount64());
}

}  // namespace

bool FileExists(const std::string& path) { return FileSystem::Default().Exists(path); }

bool IsDirectory(const std::string& path) {
  DWORD attributes = ::GetFileAttributesA(path.c_str());
  return !path.empty() && attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

int64_t FileSize(const std::string& path) {
  uint64_t size = 0;
  if (path.empty() || !FileSystem::Default().GetFileSize(path, &size).ok()) return -1;
  return static_cast<int64_t>(size);
}

bool ReadWholeFile(const std::string& path, std::string* out) {
  std::unique_ptr<File> file;
  uint64_t size = 0;
  if (!FileSystem::Default().Open(path, OpenMode::kRead, &file).ok() || !file->Size(&size).ok()) {
    return false;
  }
  out->assign(static_cast<size_t>(size), '\0');
  size_t got = 0;
  if (!file->ReadAt(0, out->data(), out->size(), &got).ok()) return false;
  out->resize(got);  // shortened meanwhile
  return true;
}

bool AtomicReplaceFile(const std::string& path, const std::string& contents) {
  FileSystem& fs = FileSystem::Default();
  std::string temporary = TemporaryNameBeside(path);
  std::unique_ptr<File> file;
  if (!fs.Open(temporary, OpenMode::kCreateExclusive, &file).ok()) return false;
  bool ok = file->Write(contents.data(), contents.size()).ok() && file->Sync().ok();
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
