// A large zero-initialised buffer taken straight from the system, so that a failed allocation is
// an answer (not an exception) and the memory goes back to the system when it is released.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kvt::engine {

class BigBuffer {
 public:
  BigBuffer() = default;
  BigBuffer(const BigBuffer&) = delete;
  BigBuffer& operator=(const BigBuffer&) = delete;
  ~BigBuffer() { Release(); }

  // False when the memory cannot be had.
  bool Allocate(size_t bytes);
  void Release();

  uint8_t* data() const { return data_; }
  size_t size() const { return size_; }
  template <typename T>
  T* as() const {
    return reinterpret_cast<T*>(data_);
  }

 private:
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

}  // namespace kvt::engine
