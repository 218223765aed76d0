#include "engine/merge_passes.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "engine/output_file.h"
#include "engine/posix_io.h"
#include "engine/return_codes.h"
#include "engine/status_writer.h"
#include "engine/work_files.h"

namespace kvt::engine {

namespace {
constexpr size_t kInputBufferBytes = size_t{1} << 20;
}  // namespace

// One input of a group: its file, a buffer of whole records and the current record.
struct Merger::Input {
  std::string path;
  int fd = -1;
  uint8_t* buffer = nullptr;
  int64_t capacity = 0;  // records the buffer holds
  int64_t count = 0;     // records in the buffer
  int64_t position = 0;
  const uint8_t* current = nullptr;
  uint64_t prefix = 0;
  bool done = false;
  bool failed = false;

  ~Input() {
    if (fd >= 0) ::close(fd);
  }

  // Moves to the next record; at the end closes and deletes the file.
  void Advance(int64_t length, const KeyComparer& cmp) {
    if (++position >= count) {
      int64_t bytes = ReadFully(fd, buffer, static_cast<size_t>(capacity * length));
      if (bytes < 0) failed = true;
      count = bytes < 0 ? 0 : bytes / length;
      position = 0;
      if (count == 0) {
        done = true;
        current = nullptr;
        ::close(fd);
        fd = -1;
        ::unlink(path.c_str());
        return;
      }
    }
    current = buffer + position * length;
    prefix = cmp.Prefix(current);
  }
};

bool Merger::AllocateBuffers() {
  if (!buffers_.empty()) return true;
  const int64_t length = layout_.record_length();
  records_per_buffer_ = std::max<int64_t>(1, static_cast<int64_t>(kInputBufferBytes) / length);
  try {
    buffers_.resize(static_cast<size_t>(kMergeFanIn * records_per_buffer_ * length));
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

int Merger::MergeGroup(const std::vector<std::string>& inputs, const std::string& target,
                       bool final) {
  if (inputs.size() == 1 && !final) {
    if (!RemoveIfExists(target) || ::rename(inputs[0].c_str(), target.c_str()) != 0)
      return kMergeCreateFailed;
    return kOk;
  }
  if (!AllocateBuffers()) return kOutOfMemory;
  const int64_t length = layout_.record_length();
  RecordWriter writer(std::max<size_t>(size_t{4} << 20, static_cast<size_t>(length)));
  if (!writer.has_buffer()) return kOutOfMemory;
  bool created = final ? writer.CreateOutput(target) : writer.CreateWorkFile(target);
  if (!created) return kMergeCreateFailed;

  const int k = static_cast<int>(inputs.size());
  std::vector<Input> heads(static_cast<size_t>(k));
  for (int q = 0; q < k; ++q) {
    Input& in = heads[static_cast<size_t>(q)];
    in.path = inputs[static_cast<size_t>(q)];
    in.fd = ::open(in.path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    if (in.fd < 0) return kMergeOpenFailed;
    ::posix_fadvise(in.fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    in.buffer = buffers_.data() + static_cast<size_t>(q) * records_per_buffer_ * length;
    in.capacity = records_per_buffer_;
    in.position = -1;
    in.Advance(length, cmp_);
    if (in.failed) return kMergeOpenFailed;
  }

  // A small tournament tree: node t holds the input that wins below it; ties go to the lower
  // input number, which keeps the merge stable.
  int leaves = 1;
  while (leaves < k) leaves *= 2;
  std::vector<int> tree(static_cast<size_t>(2 * leaves), -1);
  auto better = [&](int x, int y) {
    if (x < 0 || heads[static_cast<size_t>(x)].done) return y;
    if (y < 0 || heads[static_cast<size_t>(y)].done) return x;
    const Input& a = heads[static_cast<size_t>(x)];
    const Input& b = heads[static_cast<size_t>(y)];
    if (a.prefix != b.prefix) return a.prefix < b.prefix ? x : y;
    if (cmp_.NeedsRest()) {
      int r = cmp_.CompareRest(a.current, b.current);
      if (r != 0) return r < 0 ? x : y;
    }
    return x < y ? x : y;
  };
  for (int q = 0; q < leaves; ++q) tree[static_cast<size_t>(leaves + q)] = q < k ? q : -1;
  for (int t = leaves - 1; t >= 1; --t)
    tree[static_cast<size_t>(t)] =
        better(tree[static_cast<size_t>(2 * t)], tree[static_cast<size_t>(2 * t + 1)]);

  const bool restore = final && !layout_.identity();
  for (;;) {
    int w = tree[1];
    if (w < 0 || heads[static_cast<size_t>(w)].done) break;
    Input& in = heads[static_cast<size_t>(w)];
    uint8_t* out = writer.Reserve(static_cast<size_t>(length));
    if (out == nullptr) {
      writer.Abandon();
      return kMergeWriteFailed;
    }
    if (restore) {
      layout_.Restore(in.current, out);
    } else {
      std::memcpy(out, in.current, static_cast<size_t>(length));
    }
    in.Advance(length, cmp_);
    if (in.failed) {
      writer.Abandon();
      return kMergeOpenFailed;
    }
    for (int t = (leaves + w) / 2; t >= 1; t /= 2)
      tree[static_cast<size_t>(t)] =
          better(tree[static_cast<size_t>(2 * t)], tree[static_cast<size_t>(2 * t + 1)]);
  }
  if (writer.Commit()) return kOk;
  return writer.rename_failed() ? kMergeCreateFailed : kMergeWriteFailed;
}

int Merger::RunPasses(const MergePlan& plan, StatusFile* status) {
  int64_t pass = 1;
  int64_t files = plan.chunk_count;  // files of the previous pass
  int64_t consumed = 0;
  int64_t next = 1;
  for (;;) {
    int64_t remaining = files - consumed;
    int64_t take = std::min<int64_t>(remaining, kMergeFanIn);
    bool final = remaining <= kMergeFanIn && next == 1;
    if (status != nullptr) status->WriteProgress(StatusType::kMerge, next, plan.chunk_count, remaining);
    std::vector<std::string> inputs;
    for (int64_t f = consumed + 1; f <= consumed + take; ++f)
      inputs.push_back(WorkFileName(plan.work_prefix, pass - 1, f));
    std::string target = final ? plan.output_path : WorkFileName(plan.work_prefix, pass, next);
    int code = MergeGroup(inputs, target, final);
    if (code != kOk) return code;
    if (final) return kOk;
    consumed += take;
    if (remaining > kMergeFanIn) {
      ++next;
      continue;
    }
    files = next;
    ++pass;
    next = 1;
    consumed = 0;
  }
}

}  // namespace kvt::engine
