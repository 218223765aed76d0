#include "frontlib/writable_file.h"

#include <memory>

#include "platform/file_system.h"

namespace kvt::front {

std::string appendProblem(const std::string& path) {
  std::unique_ptr<platform::File> file;
  platform::Status status =
      platform::FileSystem::Default().Open(path, platform::OpenMode::kAppend, &file);
  if (status.ok()) status = file->Close();
  return status.ok() ? "" : platform::SystemWords(status);
}

}  // namespace kvt::front
