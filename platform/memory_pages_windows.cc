#include "platform/memory_pages.h"

#include <windows.h>

namespace kvt::platform {

void* AllocatePages(size_t bytes) {
  return ::VirtualAlloc(nullptr, bytes == 0 ? 1 : bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void FreePages(void* pages, size_t) {
  if (pages != nullptr) ::VirtualFree(pages, 0, MEM_RELEASE);
}

}  // namespace kvt::platform
