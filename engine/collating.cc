#include "engine/collating.h"

#include <string_view>

#include "engine/decimal.h"
#include "engine/return_codes.h"
#include "platform/file_system.h"

namespace kvt::engine {

namespace {

constexpr size_t kHalf = 768;

void ParseTable(std::string_view half, uint8_t* table) {
  for (int k = 0; k < 256; ++k)
    table[k] = static_cast<uint8_t>(ParseDecimal(half.substr(3 * k, 3)) & 0xFF);
}

}  // namespace

int ParseCollatingTables(const std::string& data, CollatingTables* tables) {
  if (data.size() < kHalf) return kCollatingTooShort;
  ParseTable(std::string_view(data).substr(0, kHalf), tables->output);
  if (data.size() < 2 * kHalf) return kCollatingTooShort;
  ParseTable(std::string_view(data).substr(kHalf, kHalf), tables->input);
  return kOk;
}

int LoadCollatingTables(const std::string& path, CollatingTables* tables) {
  std::unique_ptr<platform::File> file;
  if (!platform::FileSystem::Default().Open(path, platform::OpenMode::kRead, &file).ok())
    return kCollatingOpenFailed;
  std::string data(2 * kHalf, '\0');
  size_t got = 0;
  if (!file->Read(data.data(), data.size(), &got).ok()) got = 0;
  data.resize(got);
  return ParseCollatingTables(data, tables);
}

}  // namespace kvt::engine
