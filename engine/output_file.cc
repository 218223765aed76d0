#include "engine/output_file.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "engine/failure_note.h"
#include "formats/product_files.h"

namespace kvt::engine {

namespace {

// Deletes any file system entry of that name (a symbolic link itself, never its target), then
// creates a new file exclusively, never following a link. Null on failure.
std::unique_ptr<platform::File> CreateExclusive(platform::FileSystem& fs, const std::string& path) {
  std::unique_ptr<platform::File> file;
  platform::Status removed = fs.Remove(path);
  if (!removed.ok() && removed.code() != platform::Status::Code::kNotFound) {
    failure_note::Note(removed);
    return file;
  }
  failure_note::Note(fs.Open(path, platform::OpenMode::kCreateExclusive, &file));
  return file;
}

bool Noted(const platform::Status& status) {
  failure_note::Note(status);
  return status.ok();
}

}  // namespace

RecordWriter::RecordWriter(platform::FileSystem& files, size_t buffer_size)
    : files_(files), buffer_(new (std::nothrow) uint8_t[buffer_size]), capacity_(buffer_size) {
  if (!buffer_) {
    capacity_ = 0;
    ok_ = false;
  }
}

RecordWriter::~RecordWriter() { Abandon(); }

std::string RecordWriter::TemporaryName(const std::string& output_path) {
  return formats::TemporaryOutputPath(output_path);
}

bool RecordWriter::CreateWorkFile(const std::string& path) {
  path_ = path;
  is_output_ = false;
  file_ = CreateExclusive(files_, path);
  if (file_ == nullptr) ok_ = false;
  return ok_;
}

bool RecordWriter::CreateOutput(const std::string& output_path) {
  final_path_ = output_path;
  path_ = TemporaryName(output_path);
  is_output_ = true;
  if (!files_.HoldsFileOrNothing(output_path)) {
    failure_note::Note(output_path + " is not a regular file");
    return ok_ = false;
  }
  file_ = CreateExclusive(files_, path_);
  if (file_ == nullptr) return ok_ = false;
  return ok_;
}

bool RecordWriter::Flush() {
  if (!ok_ || file_ == nullptr) return ok_ = false;
  if (used_ > 0) WriteOut(buffer_.get(), used_);
  used_ = 0;
  return ok_;
}

// The output is synced to disk before it replaces the old file; starting the writeback of every
// 8 MiB as soon as it is written lets the disk work while the sort goes on, so the final sync has
// little left to wait for. A large block (a whole chunk that was already in order) is written in
// such spans too, or the disk would wait for its end.
void RecordWriter::WriteOut(const void* data, size_t size) {
  constexpr uint64_t kWritebackSpan = uint64_t{8} << 20;
  const uint8_t* at = static_cast<const uint8_t*>(data);
  while (ok_ && size > 0) {
    const size_t span = is_output_ ? std::min<size_t>(size, kWritebackSpan) : size;
    if (!Noted(file_->Write(at, span))) {
      ok_ = false;
      return;
    }
    if (checksum_ != nullptr) checksum_->Add(written_, at, span);
    written_ += span;
    at += span;
    size -= span;
    if (is_output_ && written_ - synced_ >= kWritebackSpan) {
      file_->StartWriteback(synced_, written_ - synced_);
      synced_ = written_;
    }
  }
}

bool RecordWriter::Append(const void* data, size_t size) {
  if (!ok_) return false;
  // A block of half the buffer or more gains nothing from being copied into it first.
  if (size >= capacity_ / 2) {
    if (!Flush()) return false;
    WriteOut(data, size);
    return ok_;
  }
  uint8_t* at = Reserve(size);
  if (at == nullptr) return false;
  std::memcpy(at, data, size);
  return true;
}

bool RecordWriter::Commit() {
  if (file_ == nullptr) return false;
  Flush();
  // The temporary output is private while it is written; once complete it takes the old
  // output's permissions (a new one the usual ones), so a sort never makes a private output
  // readable by others, nor shows a half-written one.
  if (ok_ && is_output_) ok_ = Noted(file_->MatchPermissions(final_path_)) && Noted(file_->Sync());
  if (!Noted(file_->Close())) ok_ = false;
  file_.reset();
  if (!ok_) {
    if (is_output_) files_.Remove(path_);
    return false;
  }
  if (is_output_ && before_replace_) before_replace_();
  if (is_output_ && !Noted(files_.Replace(path_, final_path_))) {
    files_.Remove(path_);
    rename_failed_ = true;
    return ok_ = false;
  }
  return true;
}

void RecordWriter::Abandon() {
  if (file_ == nullptr) return;
  file_.reset();
  if (is_output_) files_.Remove(path_);
  ok_ = false;
}

}  // namespace kvt::engine
