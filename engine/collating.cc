#include "engine/collating.h"

#include <fcntl.h>
#include <unistd.h>

#include <string_view>

#include "engine/decimal.h"
#include "engine/posix_io.h"
#include "engine/return_codes.h"

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
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return kCollatingOpenFailed;
  std::string data(2 * kHalf, '\0');
  int64_t got = ReadFully(fd, data.data(), data.size());
  ::close(fd);
  data.resize(got < 0 ? 0 : static_cast<size_t>(got));
  return ParseCollatingTables(data, tables);
}

}  // namespace kvt::engine
