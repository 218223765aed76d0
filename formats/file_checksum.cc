#include "formats/file_checksum.h"

#include <algorithm>
#include <cstring>

#include "formats/resume_journal.h"

namespace kvt::formats {

namespace {

// Joins a block's parts in order; false when they leave a gap or overlap.
bool Assemble(std::vector<FileChecksum::Fragment>* parts, size_t size,
              std::vector<uint8_t>* block) {
  std::sort(parts->begin(), parts->end(), [](const auto& a, const auto& b) { return a.at < b.at; });
  block->clear();
  for (const auto& part : *parts) {
    if (part.at != block->size()) return false;
    block->insert(block->end(), part.bytes.begin(), part.bytes.end());
  }
  return block->size() == size;
}

size_t TotalSize(const std::vector<FileChecksum::Fragment>& parts) {
  size_t total = 0;
  for (const auto& part : parts) total += part.bytes.size();
  return total;
}

}  // namespace

uint64_t PlacedBlockChecksum(uint64_t block, const uint8_t* data, size_t size) {
  return BlockChecksum(data, size, block * 0x9E3779B97F4A7C15ull);
}

void FileChecksum::Add(uint64_t offset, const uint8_t* data, size_t size) {
  bytes_ += size;
  while (size > 0) {
    const uint64_t block = offset / kChecksumBlockBytes;
    const size_t at = static_cast<size_t>(offset % kChecksumBlockBytes);
    const size_t take = std::min(size, kChecksumBlockBytes - at);
    if (take == kChecksumBlockBytes) {
      sum_ += PlacedBlockChecksum(block, data, take);
    } else if (!Carry(block, at, data, take)) {
      AddFragment(block, at, data, take);
    }
    offset += take;
    data += take;
    size -= take;
  }
}

bool FileChecksum::Carry(uint64_t block, size_t at, const uint8_t* data, size_t size) {
  const bool goes_on = !carry_.empty() && block == carry_block_ && at == carry_at_ + carry_.size();
  if (!goes_on) {
    // A part that ends inside its block starts a new carry; the old one waits with the others.
    if (at + size != kChecksumBlockBytes && !carry_.empty()) {
      AddFragment(carry_block_, carry_at_, carry_.data(), carry_.size());
      carry_.clear();
    }
    if (at + size == kChecksumBlockBytes || !carry_.empty()) return false;
    carry_.reserve(kChecksumBlockBytes);
    carry_block_ = block;
    carry_at_ = at;
  }
  carry_.insert(carry_.end(), data, data + size);
  if (carry_at_ == 0 && carry_.size() == kChecksumBlockBytes) {
    sum_ += PlacedBlockChecksum(block, carry_.data(), carry_.size());
    carry_.clear();
  } else if (carry_at_ + carry_.size() == kChecksumBlockBytes) {
    AddFragment(carry_block_, carry_at_, carry_.data(), carry_.size());
    carry_.clear();
  }
  return true;
}

void FileChecksum::AddFragment(uint64_t block, size_t at, const uint8_t* data, size_t size) {
  std::vector<Fragment>& parts = partial_[block];
  parts.push_back({at, std::vector<uint8_t>(data, data + size)});
  if (TotalSize(parts) < kChecksumBlockBytes) return;
  // Whole now: checksummed at once, so a file written front to back keeps one part at most.
  std::vector<uint8_t> whole;
  if (Assemble(&parts, kChecksumBlockBytes, &whole)) {
    sum_ += PlacedBlockChecksum(block, whole.data(), whole.size());
    partial_.erase(block);
  }
}

void FileChecksum::Merge(const FileChecksum& other) {
  sum_ += other.sum_;
  bytes_ += other.bytes_;
  if (!other.carry_.empty())
    AddFragment(other.carry_block_, other.carry_at_, other.carry_.data(), other.carry_.size());
  for (const auto& [block, parts] : other.partial_) {
    for (const Fragment& part : parts)
      AddFragment(block, part.at, part.bytes.data(), part.bytes.size());
  }
}

bool FileChecksum::Finish(uint64_t length, uint64_t* checksum) const {
  if (bytes_ != length) return false;
  uint64_t sum = sum_;
  std::vector<uint8_t> whole;
  std::map<uint64_t, std::vector<Fragment>> partial = partial_;
  if (!carry_.empty()) partial[carry_block_].push_back({carry_at_, carry_});
  for (const auto& [block, parts] : partial) {
    const uint64_t start = block * kChecksumBlockBytes;
    if (start >= length) return false;
    const size_t size =
        static_cast<size_t>(std::min<uint64_t>(kChecksumBlockBytes, length - start));
    std::vector<Fragment> sorted = parts;
    if (!Assemble(&sorted, size, &whole)) return false;
    sum += PlacedBlockChecksum(block, whole.data(), whole.size());
  }
  *checksum = sum;
  return true;
}

}  // namespace kvt::formats
