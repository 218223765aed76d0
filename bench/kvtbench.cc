// Helper for the benchmark suite: makes test records, engine control records and collating
// tables, and translates key bytes for the reference sort.
//
//   kvtbench gen OUT COUNT LENGTH KEYLEN SEED [sorted|random]
//       COUNT records of LENGTH bytes; bytes 1..KEYLEN random printable (no blank, no tab),
//       the rest filler with the record number, the last byte a newline (KEYLEN = LENGTH: the
//       whole record is random, no newline).
//   kvtbench ctl [--limits N] OUT C R L P ORDER INFILE OUTFILE WORKPREFIX [TABLE] -- POS:LEN:CODE
//   ...
//       (--limits N: N as both the upper and the lower partition limit)
//       an engine control record; ORDER is the sort-order character; the field list must
//       cover every byte of the record (a blank CODE is written as "_").
//   kvtbench table OUT
//       a collating table file (1536 digits) that reverses the letters and digits.
//   kvtbench translate TABLE IN OUT LENGTH KEYLEN
//       copies records, translating bytes 1..KEYLEN through the table's input half.
//   kvtbench copy IN OUT
//       copies a file in 4 MiB pieces and syncs the copy to disk: the floor for writing a
//       sorted output.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

int Usage() {
  std::fprintf(stderr, "usage: see the comment at the top of kvtbench.cc\n");
  return 2;
}

std::string Digits(uint64_t value, int width) {
  std::string text = std::to_string(value);
  if (static_cast<int>(text.size()) > width) return text.substr(text.size() - width);
  return std::string(width - text.size(), '0') + text;
}

std::string Prefixed(const std::string& text) { return Digits(text.size(), 4) + text; }

int Generate(int argc, char** argv) {
  if (argc < 7) return Usage();
  const char* out = argv[2];
  uint64_t count = std::strtoull(argv[3], nullptr, 10);
  int length = std::atoi(argv[4]);
  int key_len = std::atoi(argv[5]);
  uint64_t seed = std::strtoull(argv[6], nullptr, 10);
  bool sorted = argc > 7 && std::strcmp(argv[7], "sorted") == 0;
  if (length < 1 || key_len < 1 || key_len > length) return Usage();
  const bool newline = key_len < length;
  std::FILE* f = std::fopen(out, "wb");
  if (f == nullptr) return 1;
  std::mt19937_64 rng(seed);
  // 93 printable characters from '!' to '}' (no blank, no tab, no '~').
  std::vector<char> record(length);
  std::vector<char> block;
  block.reserve(1 << 22);
  for (uint64_t i = 0; i < count; ++i) {
    if (sorted) {
      // Keys in ascending order: the record number in base 93.
      uint64_t v = i;
      for (int k = key_len - 1; k >= 0; --k) {
        record[k] = static_cast<char>('!' + v % 93);
        v /= 93;
      }
    } else {
      uint64_t bits = rng();
      for (int k = 0; k < key_len; ++k) {
        if (k % 8 == 0 && k > 0) bits = rng();
        record[k] = static_cast<char>('!' + (bits & 0xff) % 93);
        bits >>= 8;
      }
    }
    for (int k = key_len; k < length - 1; ++k) record[k] = static_cast<char>('a' + (i + k) % 26);
    std::string number = std::to_string(i);
    if (newline && length - 1 - key_len > static_cast<int>(number.size()) + 1) {
      std::memcpy(&record[length - 1 - number.size()], number.data(), number.size());
    }
    if (newline) record[length - 1] = '\n';
    block.insert(block.end(), record.begin(), record.end());
    if (block.size() >= (1 << 22)) {
      std::fwrite(block.data(), 1, block.size(), f);
      block.clear();
    }
  }
  std::fwrite(block.data(), 1, block.size(), f);
  return std::fclose(f) == 0 ? 0 : 1;
}

int ControlRecord(int argc, char** argv, uint64_t limits) {
  int sep = 0;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--") == 0) sep = i;
  }
  if (sep < 11) return Usage();
  std::string out = argv[2];
  uint64_t chunks = std::strtoull(argv[3], nullptr, 10);
  uint64_t per_chunk = std::strtoull(argv[4], nullptr, 10);
  std::string length = argv[5];
  uint64_t partitions = std::strtoull(argv[6], nullptr, 10);
  char order = argv[7][0];
  std::string table = sep > 11 ? argv[11] : "";
  std::string header = "*200080" + Digits(chunks, 5) + Digits(limits, 4) + Digits(limits, 4) +
                       std::string(1, order) + Digits(partitions, 4) + Digits(per_chunk, 10);
  header.resize(89, ' ');
  std::string fields;
  for (int i = sep + 1; i < argc; ++i) {
    unsigned pos = 0, len = 0;
    char code = ' ';
    if (std::sscanf(argv[i], "%u:%u:%c", &pos, &len, &code) != 3) return Usage();
    fields += Digits(pos, 6) + Digits(len, 5) + (code == '_' ? ' ' : code);
  }
  std::string trailer = Prefixed(length) + Prefixed(argv[8]) + Prefixed(argv[9]) +
                        Prefixed(argv[10]) + (order == 'U' ? Prefixed(table) : "");
  std::ofstream f(out, std::ios::binary);
  f << header << fields << std::string(12, '*') << trailer;
  return f.good() ? 0 : 1;
}

// Output half first (place -> byte), then input half (byte -> place).
int Table(int argc, char** argv) {
  if (argc < 3) return Usage();
  std::vector<int> place_of(256);
  for (int b = 0; b < 256; ++b) place_of[b] = b;
  // Letters and digits collate in reverse: 'z' first, '0' last among them.
  auto reverse_range = [&](int lo, int hi) {
    for (int b = lo; b <= hi; ++b) place_of[b] = lo + hi - b;
  };
  reverse_range('0', '9');
  reverse_range('A', 'Z');
  reverse_range('a', 'z');
  std::vector<int> byte_at(256);
  for (int b = 0; b < 256; ++b) byte_at[place_of[b]] = b;
  std::string text;
  for (int p = 0; p < 256; ++p) text += Digits(byte_at[p], 3);
  for (int b = 0; b < 256; ++b) text += Digits(place_of[b], 3);
  std::ofstream f(argv[2], std::ios::binary);
  f << text;
  return f.good() ? 0 : 1;
}

int Translate(int argc, char** argv) {
  if (argc < 7) return Usage();
  std::ifstream t(argv[2], std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(t)), std::istreambuf_iterator<char>());
  if (text.size() < 1536) return 1;
  unsigned char map[256];
  for (int b = 0; b < 256; ++b)
    map[b] = static_cast<unsigned char>(std::atoi(text.substr(768 + 3 * b, 3).c_str()));
  std::FILE* in = std::fopen(argv[3], "rb");
  std::FILE* out = std::fopen(argv[4], "wb");
  if (in == nullptr || out == nullptr) return 1;
  size_t length = std::strtoull(argv[5], nullptr, 10);
  size_t key_len = std::strtoull(argv[6], nullptr, 10);
  std::vector<unsigned char> record(length);
  while (std::fread(record.data(), 1, length, in) == length) {
    for (size_t k = 0; k < key_len; ++k) record[k] = map[record[k]];
    std::fwrite(record.data(), 1, length, out);
  }
  std::fclose(in);
  return std::fclose(out) == 0 ? 0 : 1;
}

int Copy(int argc, char** argv) {
  if (argc < 4) return Usage();
  int in = ::open(argv[2], O_RDONLY);
  int out = ::open(argv[3], O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (in < 0 || out < 0) return 1;
  std::vector<char> buffer(size_t{4} << 20);
  for (;;) {
    ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n < 0) return 1;
    if (n == 0) break;
    if (::write(out, buffer.data(), static_cast<size_t>(n)) != n) return 1;
  }
  ::close(in);
  return ::fsync(out) == 0 && ::close(out) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  std::string verb = argv[1];
  if (verb == "gen") return Generate(argc, argv);
  if (verb == "ctl") {
    if (argc > 3 && std::strcmp(argv[2], "--limits") == 0) {
      uint64_t limits = std::strtoull(argv[3], nullptr, 10);
      argv[3] = argv[1];
      return ControlRecord(argc - 2, argv + 2, limits);
    }
    return ControlRecord(argc, argv, 0);
  }
  if (verb == "table") return Table(argc, argv);
  if (verb == "translate") return Translate(argc, argv);
  if (verb == "copy") return Copy(argc, argv);
  return Usage();
}
