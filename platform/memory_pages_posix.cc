#include "platform/memory_pages.h"

#include <sys/mman.h>

namespace kvt::platform {

namespace {
size_t Mapped(size_t bytes) { return bytes == 0 ? 1 : bytes; }
constexpr size_t kHugePage = size_t{2} << 20;
}  // namespace

void* AllocatePages(size_t bytes) {
  void* p =
      ::mmap(nullptr, Mapped(bytes), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return nullptr;
  // Every first touch of a page costs a fault, and on virtual machines a dear one: 2 MiB pages
  // cut the faults of a large buffer five-hundredfold. Only a hint; memory is still taken on touch.
  if (Mapped(bytes) >= kHugePage) ::madvise(p, Mapped(bytes), MADV_HUGEPAGE);
  return p;
}

void FreePages(void* pages, size_t bytes) {
  if (pages != nullptr) ::munmap(pages, Mapped(bytes));
}

}  // namespace kvt::platform
