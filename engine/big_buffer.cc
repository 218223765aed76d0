#include "engine/big_buffer.h"

#include <sys/mman.h>

namespace kvt::engine {

bool BigBuffer::Allocate(size_t bytes) {
  Release();
  size_t mapped = bytes == 0 ? 1 : bytes;
  void* p = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return false;
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
