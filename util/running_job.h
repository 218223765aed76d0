// Whether a sort job of the main directory runs now. kv02sort holds the directory's job lock
// (kvtsort.lck) from its first log line to its last, and its engine holds it too.
#pragma once

#include <string>

namespace kvt::util {

// True when another job holds the lock of mainDir (ending with a separator).
bool anotherJobRuns(const std::string& mainDir);

}  // namespace kvt::util
