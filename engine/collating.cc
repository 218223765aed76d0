#include "engine/collating.h"

#include "engine/return_codes.h"
#include "platform/file_system.h"

namespace kvt::engine {

int ParseCollatingTables(const std::string& data, CollatingTables* tables, std::string* problem) {
  if (formats::ParseCollatingTables(data, tables) != formats::CollatingParse::kOk)
    return kCollatingTooShort;
  // Translating through tables that do not undo each other would change the records' bytes.
  std::string found = formats::CollatingTablesProblem(*tables);
  if (found.empty()) return kOk;
  if (problem != nullptr) *problem = found;
  return kCollatingNotPermutation;
}

int LoadCollatingTables(const std::string& path, CollatingTables* tables, std::string* problem,
                        platform::FileSystem& files) {
  std::unique_ptr<platform::File> file;
  platform::Status opened = files.Open(path, platform::OpenMode::kRead, &file);
  if (!opened.ok()) {
    if (problem != nullptr) *problem = opened.message();
    return kCollatingOpenFailed;
  }
  std::string data(2 * formats::kCollatingHalfBytes, '\0');
  size_t got = 0;
  if (!file->Read(data.data(), data.size(), &got).ok()) got = 0;
  data.resize(got);
  return ParseCollatingTables(data, tables, problem);
}

}  // namespace kvt::engine
