// Windows refuses to shorten a file while a view of it is mapped (SetEndOfFile answers
// ERROR_USER_MAPPED_FILE), so a watched chunk can never lose its pages and there is nothing to
// watch: Lost() stays false.
#include "platform/mapping_guard.h"

namespace kvt::platform::mapping_guard {

void Watch(const void*, size_t) {}
void Unwatch() {}
bool Lost() { return false; }
void Reset() {}

}  // namespace kvt::platform::mapping_guard
