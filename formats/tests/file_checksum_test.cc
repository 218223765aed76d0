#include "formats/file_checksum.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "formats/resume_journal.h"

namespace kvt::formats {
namespace {

struct Span {
  uint64_t offset;
  uint64_t size;
};

// The checksum of `bytes` taken in as the spans say, split between two threads' sums.
bool ChecksumBySpans(const std::vector<uint8_t>& bytes, const std::vector<Span>& spans,
                     uint64_t length, uint64_t* checksum) {
  FileChecksum sums[2];
  for (size_t k = 0; k < spans.size(); ++k)
    sums[k % 2].Add(spans[k].offset, bytes.data() + spans[k].offset, spans[k].size);
  sums[0].Merge(sums[1]);
  return sums[0].Finish(length, checksum);
}

// A file read or written in pieces, in any order and by several threads, has the checksum of
// the file read front to back; a missing, doubled or moved block never passes for it.
TEST(FileChecksumTest, PiecesInAnyOrderAddUpToTheWholeFile) {
  const uint64_t block = kChecksumBlockBytes;
  const uint64_t size = 3 * block + 1234;
  std::vector<uint8_t> bytes(size);
  std::mt19937 random(7);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
  uint64_t whole = 0;
  ASSERT_TRUE(ChecksumBySpans(bytes, {{0, size}}, size, &whole));

  std::vector<uint8_t> swapped = bytes;  // the first two blocks change places
  std::copy(bytes.begin(), bytes.begin() + block, swapped.begin() + block);
  std::copy(bytes.begin() + block, bytes.begin() + 2 * block, swapped.begin());
  struct Row {
    const char* name;
    const std::vector<uint8_t>* bytes;
    std::vector<Span> spans;
    bool complete;
    bool same;
  };
  const Row rows[] = {
      {"records of 100 bytes, front to back", &bytes, {}, true, true},
      {"pieces cut inside blocks, last first",
       &bytes,
       {{block + 10, size - block - 10}, {100, block - 90}, {0, 100}},
       true,
       true},
      {"one byte missing", &bytes, {{0, 1000}, {1001, size - 1001}}, false, false},
      {"a part added twice", &bytes, {{0, size}, {0, 10}}, false, false},
      {"two blocks swapped", &swapped, {{0, size}}, true, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<Span> spans = row.spans;
    if (spans.empty()) {
      for (uint64_t at = 0; at < size; at += 100)
        spans.push_back({at, std::min<uint64_t>(100, size - at)});
    }
    uint64_t checksum = 0;
    ASSERT_EQ(ChecksumBySpans(*row.bytes, spans, size, &checksum), row.complete);
    if (row.complete) {
      EXPECT_EQ(checksum == whole, row.same);
    }
  }
}

}  // namespace
}  // namespace kvt::formats
