#include "util/log_archive.h"

#include <cstdio>

#include "frontlib/shared_routines.h"
#include "platform/file_system.h"
#include "platform/file_util.h"

namespace kvt::util {

namespace {
QString q(const std::string& text) { return QString::fromStdString(text); }
const QString kCrLf = QStringLiteral("\r\n");
}  // namespace

std::string LogArchive::oldLogPath() const {
  return logPath_.substr(0, logPath_.size() >= 3 ? logPath_.size() - 3 : 0) + "old";
}

std::string LogArchive::numberedLogPath(int n) const {
  char digits[8];
  std::snprintf(digits, sizeof digits, "%03d", n);
  return logPath_.substr(0, logPath_.size() >= 4 ? logPath_.size() - 4 : 0) + "Log." + digits;
}

std::optional<int> LogArchive::firstFreeNumber() const {
  for (int n = 1; n <= kMaxSaved; ++n) {
    if (kvt::front::fileMissing(numberedLogPath(n))) return n;
  }
  return std::nullopt;
}

ArchiveResult LogArchive::startNewLog() const {
  ArchiveResult result;
  const std::string old = oldLogPath();
  if (!kvt::front::fileMissing(old)) {
    if (!kvt::platform::RemoveFile(old)) {
      return {q(old) + " could not be deleted.", MsgColour::ErrorRed};
    }
    result.text = q(old) + " deleted." + kCrLf;
  }
  if (!kvt::front::fileMissing(logPath_)) {
    if (!kvt::platform::FileSystem::Default().Replace(logPath_, old).ok()) {
      return {result.text + q(logPath_) + " could not be renamed to " + q(old) + ".",
              MsgColour::ErrorRed};
    }
    result.text += q(logPath_) + " renamed to " + q(old);
  }
  if (!result.text.isEmpty()) result.colour = MsgColour::SuccessGreen;
  return result;
}

ArchiveResult LogArchive::saveCurrentLog() const {
  const std::optional<int> n = firstFreeNumber();
  if (!n) {
    return {QStringLiteral("Too many old logs have been saved - Delete som of the kvtsortLog.xxx"),
            MsgColour::ErrorRed};
  }
  if (kvt::front::fileMissing(logPath_)) {
    return {q(logPath_) + " not found.", MsgColour::ErrorRed};
  }
  const std::string name = numberedLogPath(*n);
  // The log is deleted only once its copy is complete.
  if (!kvt::platform::CopyFile(logPath_, name)) {
    kvt::platform::RemoveFile(name);
    return {q(logPath_) + " could not be copied to " + q(name) + ".", MsgColour::ErrorRed};
  }
  if (!kvt::platform::RemoveFile(logPath_)) {
    return {q(logPath_) + " copied to " + q(name) + ", but it could not be deleted.",
            MsgColour::ErrorRed};
  }
  return {q(logPath_) + " copied to " + q(name), MsgColour::SuccessGreen};
}

}  // namespace kvt::util
