#include "frontlib/control_file_path.h"

#include "platform/paths.h"

namespace kvt::front {

std::string controlFilePath(const std::string& mainDir, const std::string& name) {
  if (platform::IsAbsolutePath(name)) return name;
  return mainDir + "SortCtl" + platform::kPathSeparator + name;
}

}  // namespace kvt::front
