// A user collating sequence: input bytes are translated into collating bytes before sorting and
// translated back on output.
#pragma once

#include <string>

#include "formats/collating_file.h"
#include "platform/file_system.h"

namespace kvt::engine {

using formats::CollatingTables;

// Returns 0, 141 (cannot open, or not a regular file), 142 (a half shorter than 768 bytes) or
// 143 (the tables do not give back every byte; *problem says how).
int LoadCollatingTables(const std::string& path, CollatingTables* tables,
                        std::string* problem = nullptr,
                        platform::FileSystem& files = platform::FileSystem::Default());

// The same from the file's bytes.
int ParseCollatingTables(const std::string& data, CollatingTables* tables,
                         std::string* problem = nullptr);

}  // namespace kvt::engine
