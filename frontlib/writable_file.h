// Whether a program can write the file it reports to, asked before it does anything else, so
// that a program that cannot write its log says so on standard error instead of nowhere.
#pragma once

#include <string>

namespace kvt::front {

// Why path cannot be opened for appending, "" when it can. A missing file is created, as
// writing the first log line would create it.
std::string appendProblem(const std::string& path);

}  // namespace kvt::front
