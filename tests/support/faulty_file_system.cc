#include "tests/support/faulty_file_system.h"

#include <utility>

namespace kvt::testing {

namespace {

using platform::Status;

// The verb a real failure of the kind starts its message with.
const char* Verb(FileCall call) {
  switch (call) {
    case FileCall::kOpen:
      return "open";
    case FileCall::kRead:
      return "read";
    case FileCall::kWrite:
      return "write";
    case FileCall::kSync:
      return "sync";
    case FileCall::kClose:
      return "close";
    case FileCall::kSize:
      return "size of";
    case FileCall::kMap:
      return "map";
    case FileCall::kReplace:
      return "rename to";
    case FileCall::kRemove:
      return "remove";
  }
  return "use";
}

// Forwards to the real file, asking the file system first whether this call is to fail.
class FaultyFile : public platform::File {
 public:
  FaultyFile(FaultyFileSystem* owner, std::string path, std::unique_ptr<platform::File> real)
      : owner_(owner), path_(std::move(path)), real_(std::move(real)) {}

  Status Read(void* data, size_t size, size_t* got) override {
    *got = 0;
    bool short_read = false;
    Status failure = owner_->CheckRead(path_, &short_read);
    return failure.ok() ? real_->Read(data, short_read ? size / 2 : size, got) : failure;
  }
  Status ReadAt(uint64_t offset, void* data, size_t size, size_t* got) override {
    *got = 0;
    bool short_read = false;
    Status failure = owner_->CheckRead(path_, &short_read);
    return failure.ok() ? real_->ReadAt(offset, data, short_read ? size / 2 : size, got) : failure;
  }
  Status Write(const void* data, size_t size) override {
    Status failure = owner_->Check(FileCall::kWrite, path_);
    return failure.ok() ? real_->Write(data, size) : failure;
  }
  Status WriteAt(uint64_t offset, const void* data, size_t size) override {
    Status failure = owner_->Check(FileCall::kWrite, path_);
    return failure.ok() ? real_->WriteAt(offset, data, size) : failure;
  }
  Status Size(uint64_t* size) override {
    Status failure = owner_->Check(FileCall::kSize, path_);
    return failure.ok() ? real_->Size(size) : failure;
  }
  Status Sync() override {
    Status failure = owner_->Check(FileCall::kSync, path_);
    return failure.ok() ? real_->Sync() : failure;
  }
  Status StartWriteback(uint64_t offset, uint64_t size) override {
    return real_->StartWriteback(offset, size);
  }
  Status MatchPermissions(const std::string& path) override {
    return real_->MatchPermissions(path);
  }
  void AdviseSequential() override { real_->AdviseSequential(); }
  void AdviseWillNeed(uint64_t offset, uint64_t size) override {
    real_->AdviseWillNeed(offset, size);
  }
  Status Map(uint64_t offset, size_t size,
             std::unique_ptr<platform::MappedRegion>* region) override {
    Status failure = owner_->Check(FileCall::kMap, path_);
    return failure.ok() ? real_->Map(offset, size, region) : failure;
  }
  // A failed close still lets go of the file, as a real one does.
  Status Close() override {
    Status failure = owner_->Check(FileCall::kClose, path_);
    Status closed = real_->Close();
    return failure.ok() ? closed : failure;
  }

 private:
  FaultyFileSystem* owner_;
  std::string path_;
  std::unique_ptr<platform::File> real_;
};

}  // namespace

std::string ReasonText(Status::Code code) {
  switch (code) {
    case Status::Code::kOk:
      return "";
    case Status::Code::kNotFound:
      return "No such file or directory";
    case Status::Code::kExists:
      return "File exists";
    case Status::Code::kAccessDenied:
      return "Permission denied";
    case Status::Code::kIsDirectory:
      return "Is a directory";
    case Status::Code::kBusy:
      return "Resource temporarily unavailable";
    case Status::Code::kNoSpace:
      return "No space left on device";
    case Status::Code::kInvalid:
      return "Invalid argument";
    case Status::Code::kIoError:
      return "Input/output error";
  }
  return "";
}

void FaultyFileSystem::Arm(const Fault& fault) {
  std::lock_guard<std::mutex> hold(mutex_);
  fault_ = fault;
  armed_ = true;
  fired_ = false;
  message_.clear();
  counts_.fill(0);
}

bool FaultyFileSystem::fired() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return fired_;
}

int FaultyFileSystem::calls(FileCall call) const {
  std::lock_guard<std::mutex> hold(mutex_);
  return counts_[static_cast<size_t>(call)];
}

std::string FaultyFileSystem::message() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return message_;
}

bool FaultyFileSystem::Hits(FileCall call, const std::string& path) {
  if (path.find(fault_.path_part) == std::string::npos) return false;
  const int count = ++counts_[static_cast<size_t>(call)];
  if (!armed_ || fired_ || call != fault_.call || count != fault_.nth) return false;
  fired_ = true;
  return true;
}

Status FaultyFileSystem::Check(FileCall call, const std::string& path) {
  std::lock_guard<std::mutex> hold(mutex_);
  if (!Hits(call, path)) return Status::Ok();
  message_ = std::string(Verb(call)) + " " + path + ": " + ReasonText(fault_.code);
  return Status::Error(fault_.code, message_);
}

Status FaultyFileSystem::CheckRead(const std::string& path, bool* short_read) {
  std::lock_guard<std::mutex> hold(mutex_);
  *short_read = false;
  if (!Hits(FileCall::kRead, path)) return Status::Ok();
  if (fault_.short_read) {
    *short_read = true;
    message_ = "short read of " + path;
    return Status::Ok();
  }
  message_ = std::string(Verb(FileCall::kRead)) + " " + path + ": " + ReasonText(fault_.code);
  return Status::Error(fault_.code, message_);
}

Status FaultyFileSystem::Open(const std::string& path, platform::OpenMode mode,
                              std::unique_ptr<platform::File>* file) {
  file->reset();
  Status failure = Check(FileCall::kOpen, path);
  if (!failure.ok()) return failure;
  std::unique_ptr<platform::File> real;
  Status opened = real_.Open(path, mode, &real);
  if (opened.ok()) *file = std::make_unique<FaultyFile>(this, path, std::move(real));
  return opened;
}

Status FaultyFileSystem::Replace(const std::string& from, const std::string& to) {
  Status failure = Check(FileCall::kReplace, to);
  return failure.ok() ? real_.Replace(from, to) : failure;
}

Status FaultyFileSystem::Remove(const std::string& path) {
  Status failure = Check(FileCall::kRemove, path);
  return failure.ok() ? real_.Remove(path) : failure;
}

Status FaultyFileSystem::GetFileSize(const std::string& path, uint64_t* size) {
  Status failure = Check(FileCall::kSize, path);
  return failure.ok() ? real_.GetFileSize(path, size) : failure;
}

}  // namespace kvt::testing
