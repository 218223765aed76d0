// The engine's peak memory stays within the front-end's plan: R records of L bytes plus 8 bytes
// per record, and 32 MiB for everything else, whatever the record length.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/tests/test_support.h"

namespace kvt::engine::test {
namespace {

struct MemoryCase {
  int length;
  int64_t per_chunk;
  int chunks;
  std::vector<Entry> entries;
};

void PrintTo(const MemoryCase& c, std::ostream* os) {
  *os << c.chunks << " x " << c.per_chunk << " records of " << c.length << " bytes";
}

class MemoryTest : public ::testing::TestWithParam<MemoryCase> {};

TEST_P(MemoryTest, PeakStaysWithinThePlan) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the sanitizers' own memory would be measured too";
#endif
  const MemoryCase& c = GetParam();
  TempDir dir;
  std::filesystem::create_directory(dir / "wrk");
  const int64_t records = c.per_chunk * c.chunks;
  WriteRandomFile(dir / "input.dat", static_cast<uint64_t>(records * c.length), 7);
  ControlSetup setup;
  setup.chunks = c.chunks;
  setup.per_chunk = c.per_chunk;
  setup.entries = c.entries;
  setup.record_length = std::to_string(c.length);
  setup.input = dir / "input.dat";
  setup.output = dir / "output.dat";
  setup.prefix = dir / "wrk/";
  WriteFile(dir / "kvtsort.ctl", BuildControlRecord(setup));
  WriteFile(dir / "registry.reg", RegistryText(dir.path()));
  int64_t peak = 0;
  ASSERT_EQ(RunProgram(dir / "registry.reg", "/", {}, &peak), 0);
  const int64_t plan = c.per_chunk * (c.length + 8) + (int64_t{32} << 20);
  EXPECT_LE(peak, plan) << "peak " << (peak >> 20) << " MiB, plan " << (plan >> 20) << " MiB";
  EXPECT_EQ(std::filesystem::file_size(dir / "output.dat"),
            static_cast<uintmax_t>(records * c.length));
}

INSTANTIATE_TEST_SUITE_P(
    RecordLengths, MemoryTest,
    ::testing::Values(MemoryCase{1, 6000000, 1, {{1, 1, 'A'}}},
                      MemoryCase{4, 5000000, 1, {{1, 4, 'D'}}},
                      MemoryCase{16, 4000000, 1, {{1, 10, 'A'}, {11, 6, ' '}}},
                      // fields rearranged: the chunk is copied into the engine's own buffer
                      MemoryCase{16, 2000000, 2, {{9, 8, 'A'}, {1, 8, ' '}}},
                      MemoryCase{100, 2000000, 1, {{1, 10, 'A'}, {11, 90, ' '}}}));

}  // namespace
}  // namespace kvt::engine::test
