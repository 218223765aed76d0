// The checksum the resume journal keeps of a work file: the sum of the checksums of its 64 KiB
// blocks, each seeded with its place in the file. A sum does not care in which order the
// blocks come, so the threads that write a merged work file, or read a reused one, each
// checksum their own parts as they go, and no pass reads a file only to checksum it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

namespace kvt::formats {

class FileChecksum {
 public:
  // Takes in the bytes at offset. Parts must not overlap; they may come in any order.
  void Add(uint64_t offset, const uint8_t* data, size_t size);
  // Takes in another's parts of the same file (another thread's).
  void Merge(const FileChecksum& other);
  // The checksum of a file of `length` bytes; false when some byte of it was never added.
  bool Finish(uint64_t length, uint64_t* checksum) const;

  // Part of a block that is not whole yet: where it starts in the block, and its bytes.
  struct Fragment {
    size_t at;
    std::vector<uint8_t> bytes;
  };

 private:
  void AddFragment(uint64_t block, size_t at, const uint8_t* data, size_t size);
  // Adds to the carried block when the part goes on where it ends; false otherwise.
  bool Carry(uint64_t block, size_t at, const uint8_t* data, size_t size);

  uint64_t sum_ = 0;
  // The block a part ended in, from its start in the block: a file taken in front to back
  // carries one block at a time here, in memory taken once.
  uint64_t carry_block_ = 0;
  size_t carry_at_ = 0;
  std::vector<uint8_t> carry_;
  uint64_t bytes_ = 0;                                 // added so far
  std::map<uint64_t, std::vector<Fragment>> partial_;  // block number -> its parts so far
};

// The checksum of one whole block of a file; the file's checksum is the sum over its blocks.
uint64_t PlacedBlockChecksum(uint64_t block, const uint8_t* data, size_t size);

}  // namespace kvt::formats
