// FilMacro: byte-positioned file access over a FileBlock. Positions are 1-based and 64-bit;
// no routine moves the position, so callers decide how records follow one another.
#include "frontlib/file_block.h"

#include "frontlib/shared_routines.h"

namespace kvt::front {

namespace {

using platform::FileSystem;
using platform::OpenMode;
using platform::Status;

bool IsOpen(const FileBlock& block) { return block.state == 1 && block.file != nullptr; }

// Reads up to n bytes at the 0-based offset; fewer only at the end of the file.
std::string ReadAt(platform::File& file, int64_t offset, int64_t n) {
  std::string out;
  if (n <= 0 || offset < 0) return out;
  out.resize(static_cast<size_t>(n));
  size_t got = 0;
  // A failed read keeps what arrived before it.
  file.ReadAt(static_cast<uint64_t>(offset), out.data(), out.size(), &got);
  out.resize(got);
  return out;
}

bool WriteAt(platform::File& file, int64_t offset, const std::string& data) {
  if (offset < 0) return false;
  return file.WriteAt(static_cast<uint64_t>(offset), data.data(), data.size()).ok();
}

}  // namespace

void filOpen(FileBlock& block) {
  if (IsOpen(block)) return;
  block.name = trim(block.name);
  if (block.name.empty()) return;
  FileSystem& fs = FileSystem::Default();
  std::unique_ptr<platform::File> file;
  Status status = fs.Open(block.name, OpenMode::kReadWrite, &file);
  if (status.code() == Status::Code::kAccessDenied) {
    // A file we may only read (a log on a read-only share) can still be read.
    status = fs.Open(block.name, OpenMode::kRead, &file);
  }
  // A folder's name, like any other failure, leaves the block as it was.
  if (!status.ok()) return;
  block.file = std::move(file);
  block.state = 1;
  block.position = 1;
}

void filClose(FileBlock& block) {
  block.file.reset();
  block.state = 0;
}

void filRead(FileBlock& block) {
  if (!IsOpen(block)) return;
  block.buffer = ReadAt(*block.file, block.position - 1, block.recordLength);
}

std::string filReadLen(FileBlock& block, int64_t n) {
  if (n <= 0) return std::string();
  if (!IsOpen(block)) return std::string(static_cast<size_t>(n), ' ');
  std::string data = ReadAt(*block.file, block.position - 1, n);
  data.resize(static_cast<size_t>(n), ' ');
  return data;
}

bool filWrite(FileBlock& block) {
  if (!IsOpen(block) || block.recordLength < 0) return false;
  std::string record = block.buffer;
  record.resize(static_cast<size_t>(block.recordLength), ' ');
  return WriteAt(*block.file, block.position - 1, record);
}

bool filPut(FileBlock& block, const std::string& text) {
  if (!IsOpen(block)) return false;
  return WriteAt(*block.file, block.position - 1, text);
}

void filCheck(FileBlock& block) {
  if (!FileSystem::Default().Exists(trim(block.name))) block.state = -1;
}

int64_t filLength(const FileBlock& block) {
  if (!IsOpen(block)) return -1;
  uint64_t size = 0;
  if (!block.file->Size(&size).ok()) return -1;
  return static_cast<int64_t>(size);
}

}  // namespace kvt::front
