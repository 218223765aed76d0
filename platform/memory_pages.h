// Large zero-filled memory taken straight from the system and given straight back, so that a
// failed allocation is an answer (not an exception) and a released buffer leaves the process.
#pragma once

#include <cstddef>

namespace kvt::platform {

// Null when the memory cannot be had; bytes may be 0.
void* AllocatePages(size_t bytes);
// Gives back what AllocatePages(bytes) returned; null is ignored.
void FreePages(void* pages, size_t bytes);

}  // namespace kvt::platform
