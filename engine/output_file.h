// Files the engine writes records to: work files, and the output file, which is written under a
// temporary name beside it and renamed over it only when it is complete and on disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "formats/file_checksum.h"
#include "platform/file_system.h"

namespace kvt::engine {

class RecordWriter {
 public:
  // buffer_size: bytes collected before one write to the file.
  RecordWriter(platform::FileSystem& files, size_t buffer_size);
  RecordWriter(const RecordWriter&) = delete;
  RecordWriter& operator=(const RecordWriter&) = delete;
  ~RecordWriter();

  // Creates path exclusively (any old file of that name is deleted first). False on failure.
  bool CreateWorkFile(const std::string& path);
  // Creates the temporary file beside output_path; Commit renames it over output_path.
  bool CreateOutput(const std::string& output_path);

  bool ok() const { return ok_; }
  // After a failed Commit: the complete output could not be put at the output path.
  bool rename_failed() const { return rename_failed_; }
  bool has_buffer() const { return buffer_ != nullptr; }
  // The open file, for writers that put their bytes at given places themselves (and say
  // whether that worked through Abandon).
  platform::File* file() const { return file_.get(); }
  bool is_output() const { return is_output_; }

  // Room for `size` bytes at the end of the buffer (size <= buffer size); null after a failure.
  uint8_t* Reserve(size_t size) {
    if (used_ + size > capacity_ && !Flush()) return nullptr;
    uint8_t* at = buffer_.get() + used_;
    used_ += size;
    return at;
  }
  // Appends bytes; large blocks go straight to the file.
  bool Append(const void* data, size_t size);

  // Work file: flushes and closes. Output: flushes, syncs, closes and renames over the output
  // path. False when anything failed; an output is then removed.
  bool Commit();
  // Closes and removes an output's temporary file (a work file stays as it is).
  void Abandon();
  // Called once the complete output is on disk and closed, just before it replaces the old
  // file: the caller lets go of an input of the same name there, since Windows cannot replace a
  // file that is open or mapped.
  void SetBeforeReplace(std::function<void()> release) { before_replace_ = std::move(release); }

  // Checksums every byte written from now on into sum (for the resume journal).
  void ChecksumInto(formats::FileChecksum* sum) { checksum_ = sum; }
  uint64_t written() const { return written_; }

  static std::string TemporaryName(const std::string& output_path);

 private:
  bool Flush();
  void WriteOut(const void* data, size_t size);

  platform::FileSystem& files_;
  std::unique_ptr<uint8_t[]> buffer_;
  size_t capacity_;
  uint64_t written_ = 0;  // bytes already in the file
  uint64_t synced_ = 0;   // bytes whose writeback has been started
  size_t used_ = 0;
  std::unique_ptr<platform::File> file_;
  bool ok_ = true;
  bool is_output_ = false;
  bool rename_failed_ = false;
  std::string path_;        // the file being written
  std::string final_path_;  // the output path (outputs only)
  std::function<void()> before_replace_;
  formats::FileChecksum* checksum_ = nullptr;
};

}  // namespace kvt::engine
