#include "engine/trace_writer.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/file_system.h"

namespace kvt::engine {

void TraceWriter::WriteBlock(const SortEntry* entries, int64_t count, EntryFormat format,
                             const uint8_t* records, int64_t record_length) {
  if (failed_) return;
  std::unique_ptr<platform::File> file;
  files_.Open(path_, created_ ? platform::OpenMode::kAppend : platform::OpenMode::kTruncate, &file);
  if (file == nullptr) {
    failed_ = true;
    return;
  }
  created_ = true;
  const size_t line_size = static_cast<size_t>(key_length_) + 2;
  const size_t lines_per_write = std::max<size_t>(1, (size_t{1} << 20) / line_size);
  std::vector<char> buffer;
  buffer.reserve(lines_per_write * line_size);
  for (int64_t k = 0; k < count; ++k) {
    const uint8_t* key = records + format.Index(entries[k]) * record_length + key_offset_;
    size_t at = buffer.size();
    buffer.resize(at + line_size, '\0');
    const void* nul = std::memchr(key, 0, static_cast<size_t>(key_length_));
    size_t copy = nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - key)
                      : static_cast<size_t>(key_length_);
    std::memcpy(buffer.data() + at, key, copy);
    buffer[at + line_size - 2] = '\n';
    buffer[at + line_size - 1] = '\r';
    if (buffer.size() >= lines_per_write * line_size) {
      file->Write(buffer.data(), buffer.size());
      buffer.clear();
    }
  }
  if (!buffer.empty()) file->Write(buffer.data(), buffer.size());
}

}  // namespace kvt::engine
