// How every call of the platform layer answers: ok, or a code for what went wrong and the
// system's words for it. The one error type of the programs' file and registry work.
#pragma once

#include <string>
#include <utility>

namespace kvt::platform {

class Status {
 public:
  enum class Code {
    kOk,
    kNotFound,      // no such file or folder
    kExists,        // an exclusive create found the name taken
    kAccessDenied,  // no permission, or a read-only medium
    kIsDirectory,   // a folder where a file was wanted
    kBusy,          // a lock another holder has
    kNoSpace,       // the disk is full
    kInvalid,       // a request the system cannot satisfy (an empty mapping, a bad name)
    kIoError,       // anything else
  };

  Status() = default;
  static Status Ok() { return Status(); }
  static Status Error(Code code, std::string message) { return Status(code, std::move(message)); }

  bool ok() const { return code_ == Code::kOk; }
  // So that "if (!registry.SetString(...))" reads as it did when the calls answered bool.
  explicit operator bool() const { return ok(); }
  Code code() const { return code_; }
  // What failed, on which path, in the system's words; empty when ok.
  const std::string& message() const { return message_; }

 private:
  Status(Code code, std::string message) : code_(code), message_(std::move(message)) {}

  Code code_ = Code::kOk;
  std::string message_;
};

// The system's own words at the end of a status message ("open /x/y: Permission denied" gives
// "Permission denied"), for callers that word the rest of their message themselves.
inline std::string SystemWords(const Status& status) {
  const std::string& message = status.message();
  const size_t colon = message.rfind(": ");
  return colon == std::string::npos ? message : message.substr(colon + 2);
}

}  // namespace kvt::platform
