// The product's own files in the main directory, which no job may read as its input or write as
// its output: the engine control record, status, log, trace and lock files, the message files,
// the configuration, the programs and the log's saved copies.
#pragma once

#include <string>

namespace kvt::jobfront {

// True when path, as written or with its links followed, names one of the product's own files
// in the main directory (or the registry file).
bool isProductFile(const std::string& mainDir, const std::string& path);

}  // namespace kvt::jobfront
