// Small file helpers shared by every program.
#pragma once

#include <cstdint>
#include <string>

namespace kvt::platform {

bool FileExists(const std::string& path);  // any existing file system entry
bool IsDirectory(const std::string& path);
int64_t FileSize(const std::string& path);  // -1 when missing
bool ReadWholeFile(const std::string& path, std::string* out);
// Writes contents under a temporary name in the same folder, flushes it to disk and renames it
// over path, so readers see the old file or the new one, never a mix.
bool AtomicReplaceFile(const std::string& path, const std::string& contents);
bool CopyFile(const std::string& from, const std::string& to);
bool RemoveFile(const std::string& path);
bool MakeDirectory(const std::string& path);

}  // namespace kvt::platform
