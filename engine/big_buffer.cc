#include "engine/big_buffer.h"

#include <sys/mman.h>

namespace kvt::engine {

namespace {
constexpr size_t kHugePage = size_t{2} << 20;
}  // namespace

bool BigBuffer::Allocate(size_t bytes) {
  Release();
  size_t mapped = bytes == 0 ? 1 : bytes;
  void* p = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return false;
  // Every first touch of a page costs a fault, and on virtual machines a dear one: 2 MiB pages
  // cut the faults of a large buffer five-hundredfold. Only a hint; memory is still taken on touch.
  if (mapped >= kHugePage) ::madvise(p, mapped, MADV_HUGEPAGE);
  data_ = static_cast<uint8_t*>(p);
  size_ = bytes;
  mapped_ = mapped;
  return true;
}

void BigBuffer::Release() {
  if (data_ != nullptr) ::munmap(data_, mapped_);
  data_ = nullptr;
  size_ = 0;
  mapped_ = 0;
}

}  // namespace kvt::engine
