#include "platform/memory_pages.h"

#include <sys/mman.h>

namespace kvt::platform {

namespace {
size_t Mapped(size_t bytes) { return bytes == 0 ? 1 : bytes; }
}  // namespace

void* AllocatePages(size_t bytes) {
  void* p = ::mmap(nullptr, Mapped(bytes), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS,
                   -1, 0);
  return p == MAP_FAILED ? nullptr : p;
}

void FreePages(void* pages, size_t bytes) {
  if (pages != nullptr) ::munmap(pages, Mapped(bytes));
}

}  // namespace kvt::platform
