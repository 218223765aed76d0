#include "engine/big_buffer.h"

#include "platform/memory_pages.h"

namespace kvt::engine {

bool BigBuffer::Allocate(size_t bytes) {
  Release();
  void* p = platform::AllocatePages(bytes);
  if (p == nullptr) return false;
  data_ = static_cast<uint8_t*>(p);
  size_ = bytes;
  return true;
}

void BigBuffer::Release() {
  platform::FreePages(data_, size_);
  data_ = nullptr;
  size_ = 0;
}

}  // namespace kvt::engine
