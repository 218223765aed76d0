// What made a run fail, in words: the first failing file and the system's reason. Several
// threads may fail at once; the first note is kept, and the run logs it before it ends.
#pragma once

#include <string>

#include "platform/file_system.h"

namespace kvt::engine::failure_note {

void Note(const std::string& text);
inline void Note(const platform::Status& status) {
  if (!status.ok()) Note(status.message());
}
// The first note since the last Reset; "" when there is none.
std::string First();
void Reset();

}  // namespace kvt::engine::failure_note
