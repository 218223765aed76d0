#include "engine/merge_passes.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <numeric>

#include "engine/failure_note.h"
#include "engine/output_file.h"
#include "engine/return_codes.h"
#include "engine/status_writer.h"
#include "engine/work_files.h"

namespace kvt::engine {

namespace {
// Each input is read in pieces of this size. Larger pieces, or asking the system for the next
// ones ahead, measured no faster: its own read-ahead keeps up.
constexpr size_t kInputBufferBytes = size_t{128} << 10;
// A piece writes its output buffer once this much is in it; when another piece is writing to the
// same file just then, it merges on into the rest of the buffer (as much again) and writes later.
constexpr size_t kOutputBufferBytes = size_t{512} << 10;
// Bytes after which a merged output's writeback is started, so the final sync has little left.
constexpr int64_t kWritebackSpan = int64_t{8} << 20;
// Records a piece has at least.
constexpr int64_t kPieceRecords = int64_t{1} << 16;
}  // namespace

// One input of a piece: records first .. last of a work file, read through a buffer of whole
// records, and the current record.
struct Merger::Input {
  Source file{nullptr, nullptr};
  int64_t next = 0;  // next record to read from the file
  int64_t last = 0;
  uint8_t* buffer = nullptr;
  int64_t capacity = 0;  // records the buffer holds
  int64_t count = 0;     // records in the buffer
  int64_t position = 0;
  const uint8_t* current = nullptr;
  uint64_t prefix = 0;
  bool done = false;
  int failure = kOk;  // 131 for a read error, 113 for a file that came up short
  formats::FileChecksum* read_sum = nullptr;  // checksums what is read, where asked

  // Moves to the next record.
  void Advance(int64_t length, const KeyComparer& cmp) {
    if (++position >= count) {
      const int64_t want = std::min(capacity, last - next);
      count = 0;
      position = 0;
      if (want > 0) {
        const size_t bytes = static_cast<size_t>(want * length);
        failure = ReadRecords(file, buffer, bytes, next * length);
        if (failure != kOk) {
          Finish();
          return;
        }
        if (read_sum != nullptr) read_sum->Add(static_cast<uint64_t>(next * length), buffer, bytes);
        count = want;
        next += want;
      }
      if (count == 0) {
        Finish();
        return;
      }
    }
    current = buffer + position * length;
    prefix = cmp.Prefix(current);
  }
  // A used-up input carries the highest prefix, so that it loses every comparison that the
  // prefixes decide on their own.
  void Finish() {
    done = true;
    current = nullptr;
    prefix = ~uint64_t{0};
  }

  static bool ReadExactly(const Source& file, uint8_t* into, size_t size, int64_t offset) {
    return ReadRecords(file, into, size, offset) == kOk;
  }
  static int ReadRecords(const Source& file, uint8_t* into, size_t size, int64_t offset) {
    size_t got = 0;
    platform::Status status = file.file->ReadAt(static_cast<uint64_t>(offset), into, size, &got);
    failure_note::Note(status);
    if (!status.ok()) return kMergeOpenFailed;
    if (got == size) return kOk;
    failure_note::Note(*file.name + " came up short: " + std::to_string(got) + " of " +
                       std::to_string(size) + " bytes read at " + std::to_string(offset));
    return kChunkReadFailed;
  }
};

bool Merger::RecordsBefore(const Source& file, int64_t size, bool with_equal, const uint8_t* key,
                           int64_t* count) const {
  const int64_t length = layout_.record_length();
  std::unique_ptr<uint8_t[]> record(new (std::nothrow) uint8_t[static_cast<size_t>(length)]);
  if (!record) return false;
  int64_t low = 0, high = size;  // the answer lies in [low, high]
  while (low < high) {
    const int64_t middle = low + (high - low) / 2;
    if (!Input::ReadExactly(file, record.get(), static_cast<size_t>(length), middle * length))
      return false;
    int r = cmp_.Compare(record.get(), key);
    if (r < 0 || (r == 0 && with_equal)) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  *count = low;
  return true;
}

bool Merger::CutPoints(const std::vector<Source>& files, const std::vector<int64_t>& sizes,
                       int pieces, std::vector<std::vector<int64_t>>* cuts) const {
  const size_t k = files.size();
  cuts->assign(static_cast<size_t>(pieces) + 1, std::vector<int64_t>(k, 0));
  (*cuts)[static_cast<size_t>(pieces)] = sizes;
  // The splitting records are taken at even places of the largest input.
  const size_t from =
      static_cast<size_t>(std::max_element(sizes.begin(), sizes.end()) - sizes.begin());
  const int64_t length = layout_.record_length();
  std::unique_ptr<uint8_t[]> splitter(new (std::nothrow) uint8_t[static_cast<size_t>(length)]);
  if (!splitter) return false;
  for (int t = 1; t < pieces; ++t) {
    const int64_t at = sizes[from] * t / pieces;
    if (!Input::ReadExactly(files[from], splitter.get(), static_cast<size_t>(length), at * length))
      return false;
    std::vector<int64_t>& cut = (*cuts)[static_cast<size_t>(t)];
    for (size_t q = 0; q < k; ++q) {
      // Equal keys go to the earlier input first: an earlier input gives its equal records to
      // this piece's predecessor, a later one keeps them.
      if (q == from) {
        cut[q] = at;
      } else if (!RecordsBefore(files[q], sizes[q], q < from, splitter.get(), &cut[q])) {
        return false;
      }
    }
  }
  return true;
}

size_t Merger::PieceMemorySize() const {
  const int64_t length = layout_.record_length();
  const int64_t per_buffer = std::max<int64_t>(1, static_cast<int64_t>(kInputBufferBytes) / length);
  const size_t out_capacity = std::max(kOutputBufferBytes, static_cast<size_t>(length));
  return static_cast<size_t>(kMergeFanIn * per_buffer * length) + 2 * out_capacity;
}

bool Merger::PreparePieceMemory(int pieces) {
  while (static_cast<int>(piece_memory_.size()) < pieces) {
    auto memory = std::make_unique<BigBuffer>();
    if (!memory->Allocate(PieceMemorySize())) return false;
    piece_memory_.push_back(std::move(memory));
  }
  return true;
}

int Merger::MergePiece(const std::vector<Source>& files, const std::vector<int64_t>& first,
                       const std::vector<int64_t>& last, int64_t out_offset, bool final,
                       platform::File* out_file, std::mutex* write_turn, uint8_t* memory,
                       const PieceSums& sums) const {
  const int64_t length = layout_.record_length();
  const int k = static_cast<int>(files.size());
  const int64_t per_buffer = std::max<int64_t>(1, static_cast<int64_t>(kInputBufferBytes) / length);
  const size_t out_capacity = std::max(kOutputBufferBytes, static_cast<size_t>(length));
  uint8_t* in_buffers = memory;
  uint8_t* out = memory + static_cast<size_t>(kMergeFanIn * per_buffer * length);

  // A small tournament tree over a power of two of inputs; the places beyond k are inputs that
  // are used up from the start.
  int leaves = 1;
  while (leaves < k) leaves *= 2;
  std::vector<Input> heads(static_cast<size_t>(leaves));
  for (int q = k; q < leaves; ++q) heads[static_cast<size_t>(q)].Finish();
  for (int q = 0; q < k; ++q) {
    Input& in = heads[static_cast<size_t>(q)];
    in.file = files[static_cast<size_t>(q)];
    in.next = first[static_cast<size_t>(q)];
    in.last = last[static_cast<size_t>(q)];
    in.buffer = in_buffers + static_cast<size_t>(q * per_buffer * length);
    in.capacity = per_buffer;
    in.read_sum = sums.read[static_cast<size_t>(q)];
    in.position = -1;
    in.Advance(length, cmp_);
    if (in.failure != kOk) return in.failure;
  }

  // Node t holds the input that wins below it. x is always from the left, lower-numbered side,
  // so ties go to x, which keeps the merge stable. Which prefix is lower is a coin toss on
  // random keys: it is chosen without a branch, since a mispredicted branch at every level cost
  // more than the rest of the merge.
  std::vector<int> tree(static_cast<size_t>(2 * leaves), -1);
  auto better = [&](int x, int y) {
    const Input& a = heads[static_cast<size_t>(x)];
    const Input& b = heads[static_cast<size_t>(y)];
    if (a.prefix != b.prefix) [[likely]] {
      const bool left = a.prefix < b.prefix;
      return left * x + !left * y;
    }
    if (a.done || b.done) return b.done ? x : y;
    if (cmp_.NeedsRest() && cmp_.CompareRest(a.current, b.current) > 0) return y;
    return x;
  };
  for (int q = 0; q < leaves; ++q) tree[static_cast<size_t>(leaves + q)] = q;
  for (int t = leaves - 1; t >= 1; --t)
    tree[static_cast<size_t>(t)] =
        better(tree[static_cast<size_t>(2 * t)], tree[static_cast<size_t>(2 * t + 1)]);

  const bool restore = final && !layout_.identity();
  size_t used = 0;
  int64_t written = out_offset;
  int64_t started = out_offset;  // writeback started up to here
  // Two threads writing one file queue on the file's lock in the kernel, and the one that waits
  // spins there. So a piece writes only when no other piece is writing; else it merges on into
  // the second half of its buffer, and waits only when that is full too.
  auto flush = [&](bool must) {
    if (used == 0) return true;
    std::unique_lock<std::mutex> turn(*write_turn, std::defer_lock);
    if (must) {
      turn.lock();
    } else if (!turn.try_lock()) {
      return true;
    }
    const platform::Status wrote = out_file->WriteAt(static_cast<uint64_t>(written), out, used);
    failure_note::Note(wrote);
    if (!wrote.ok()) return false;
    if (sums.written != nullptr) sums.written->Add(static_cast<uint64_t>(written), out, used);
    written += static_cast<int64_t>(used);
    used = 0;
    if (final && written - started >= kWritebackSpan) {
      out_file->StartWriteback(static_cast<uint64_t>(started),
                               static_cast<uint64_t>(written - started));
      started = written;
    }
    return true;
  };
  for (;;) {
    int w = tree[1];
    if (heads[static_cast<size_t>(w)].done) break;
    Input& in = heads[static_cast<size_t>(w)];
    if (used + static_cast<size_t>(length) > out_capacity &&
        !flush(used + static_cast<size_t>(length) > 2 * out_capacity))
      return kMergeWriteFailed;
    uint8_t* to = out + used;
    if (restore) {
      layout_.Restore(in.current, to);
    } else {
      std::memcpy(to, in.current, static_cast<size_t>(length));
    }
    used += static_cast<size_t>(length);
    in.Advance(length, cmp_);
    if (in.failure != kOk) return in.failure;
    for (int t = (leaves + w) / 2; t >= 1; t /= 2)
      tree[static_cast<size_t>(t)] =
          better(tree[static_cast<size_t>(2 * t)], tree[static_cast<size_t>(2 * t + 1)]);
  }
  return flush(true) ? kOk : kMergeWriteFailed;
}

int Merger::MergeGroup(const std::vector<std::string>& inputs, const std::vector<int64_t>& records,
                       const std::string& target, bool final,
                       const std::function<void(uint64_t)>& finished,
                       const std::vector<WorkFileCheck>& checks) {
  if (inputs.size() == 1 && !final) {
    const platform::Status renamed = files_.Replace(inputs[0], target);
    failure_note::Note(renamed);
    if (!renamed.ok()) return kMergeCreateFailed;
    if (finished) finished(checks.empty() ? 0 : checks[0].checksum);
    return kOk;
  }
  const int64_t length = layout_.record_length();
  RecordWriter writer(files_, static_cast<size_t>(length));
  if (!writer.has_buffer()) return kOutOfMemory;
  bool created = final ? writer.CreateOutput(target) : writer.CreateWorkFile(target);
  if (!created) return kMergeCreateFailed;

  const size_t k = inputs.size();
  std::vector<std::unique_ptr<platform::File>> opened(k);
  std::vector<Source> files(k, Source{nullptr, nullptr});
  std::vector<int64_t> sizes(k, 0);
  for (size_t q = 0; q < k; ++q) {
    platform::Status status = files_.Open(inputs[q], platform::OpenMode::kUpdate, &opened[q]);
    uint64_t end = 0;
    if (status.ok()) status = opened[q]->Size(&end);
    if (!status.ok()) {
      failure_note::Note(status);
      return kMergeOpenFailed;
    }
    files[q] = Source{opened[q].get(), &inputs[q]};
    files[q].file->AdviseSequential();
    sizes[q] = static_cast<int64_t>(end) / length;
    // A work file that another program shortened or lengthened would lose or add records.
    if (end != static_cast<uint64_t>(records[q] * length)) {
      failure_note::Note(inputs[q] + " holds " + std::to_string(end) + " bytes, not the " +
                         std::to_string(records[q] * length) + " written to it");
      return kChunkReadFailed;
    }
  }

  uint64_t checksum = 0;
  const int code = MergePieces(files, sizes, final, writer.file(), checks, &checksum);
  if (code != kOk) {
    writer.Abandon();
    // A work file this run made from damaged inputs is of no use to anyone.
    if (code == kReusedWorkFileDamaged && !final) files_.Remove(target);
    return code;
  }
  // The inputs are used up. Deleting a large file takes the file system a while, so the helper
  // threads delete them while this thread waits for the output to reach the disk. A run killed
  // in between finds the journal naming inputs that are gone, and so starts afresh.
  for (size_t q = 0; q < k; ++q) opened[q].reset();
  pool_->Start(static_cast<int64_t>(k),
               [this, &inputs](int64_t q) { files_.Remove(inputs[static_cast<size_t>(q)]); });
  const bool committed = writer.Commit();
  pool_->Wait();
  if (!committed) return writer.rename_failed() ? kMergeCreateFailed : kMergeWriteFailed;
  if (finished) finished(checksum);
  return kOk;
}

int Merger::MergePieces(const std::vector<Source>& files, const std::vector<int64_t>& sizes,
                        bool final, platform::File* out_file,
                        const std::vector<WorkFileCheck>& checks, uint64_t* written) {
  const int64_t length = layout_.record_length();
  const size_t k = files.size();
  const int64_t total = std::accumulate(sizes.begin(), sizes.end(), int64_t{0});
  const int pieces = static_cast<int>(
      std::max<int64_t>(1, std::min<int64_t>(pool_->threads(), total / kPieceRecords)));
  if (!PreparePieceMemory(pieces)) return kOutOfMemory;
  std::vector<std::vector<int64_t>> cuts;
  if (!CutPoints(files, sizes, pieces, &cuts)) return kMergeOpenFailed;
  // Each piece checksums its own parts of what it reads and writes; the parts add up after.
  std::vector<std::vector<formats::FileChecksum>> read_sums(pieces,
                                                            std::vector<formats::FileChecksum>(k));
  std::vector<formats::FileChecksum> write_sums(static_cast<size_t>(pieces));
  std::vector<PieceSums> sums(static_cast<size_t>(pieces));
  for (size_t t = 0; t < sums.size(); ++t) {
    for (size_t q = 0; q < k; ++q)
      sums[t].read.push_back(q < checks.size() && checks[q].verify ? &read_sums[t][q] : nullptr);
    if (!final) sums[t].written = &write_sums[t];
  }
  std::vector<int> codes(static_cast<size_t>(pieces), kOk);
  std::mutex write_turn;
  pool_->Run(pieces, [&](int64_t t) {
    const std::vector<int64_t>& from = cuts[static_cast<size_t>(t)];
    int64_t offset = 0;
    for (int64_t c : from) offset += c * length;
    codes[static_cast<size_t>(t)] = MergePiece(
        files, from, cuts[static_cast<size_t>(t) + 1], offset, final, out_file, &write_turn,
        piece_memory_[static_cast<size_t>(t)]->data(), sums[static_cast<size_t>(t)]);
  });
  for (int code : codes) {
    if (code != kOk) return code;
  }
  for (size_t q = 0; q < k; ++q) {
    if (sums[0].read[q] == nullptr) continue;
    for (int t = 1; t < pieces; ++t) read_sums[0][q].Merge(read_sums[t][q]);
    uint64_t checksum = 0;
    if (!read_sums[0][q].Finish(static_cast<uint64_t>(sizes[q] * length), &checksum) ||
        checksum != checks[q].checksum) {
      failure_note::Note(*files[q].name + " reads back other than an earlier run wrote it");
      return kReusedWorkFileDamaged;
    }
  }
  for (int t = 1; t < pieces; ++t) write_sums[0].Merge(write_sums[t]);
  if (!final && !write_sums[0].Finish(static_cast<uint64_t>(total * length), written))
    return kMergeWriteFailed;
  return kOk;
}

std::vector<MergeGroupPlan> PlanMergeGroups(const MergePlan& plan) {
  std::vector<MergeGroupPlan> groups;
  int64_t pass = 1;
  int64_t files = plan.chunk_count;  // files of the previous pass
  // The records each file of the previous pass holds.
  std::vector<int64_t> counts(static_cast<size_t>(files), plan.records_per_chunk);
  if (files > 0) counts.back() = plan.records - (files - 1) * plan.records_per_chunk;
  std::vector<int64_t> next_counts;
  int64_t consumed = 0;
  int64_t next = 1;
  for (;;) {
    MergeGroupPlan group;
    group.pass = pass;
    group.number = next;
    group.remaining = files - consumed;
    const int64_t take = std::min<int64_t>(group.remaining, kMergeFanIn);
    group.final = group.remaining <= kMergeFanIn && next == 1;
    for (int64_t f = consumed + 1; f <= consumed + take; ++f) {
      group.inputs.push_back(WorkFileName(plan.work_prefix, pass - 1, f));
      group.records.push_back(counts[static_cast<size_t>(f - 1)]);
    }
    group.target = group.final ? plan.output_path : WorkFileName(plan.work_prefix, pass, next);
    next_counts.push_back(std::accumulate(group.records.begin(), group.records.end(), int64_t{0}));
    groups.push_back(std::move(group));
    if (groups.back().final) break;
    consumed += take;
    if (files - consumed > 0) {
      ++next;
      continue;
    }
    files = next;
    counts.swap(next_counts);
    next_counts.clear();
    ++pass;
    next = 1;
    consumed = 0;
  }
  return groups;
}

int Merger::RunPasses(const MergePlan& plan, StatusFile* status, size_t reused,
                      const MergeJournalHooks& journal) {
  const std::vector<MergeGroupPlan> groups = PlanMergeGroups(plan);
  for (size_t g = 0; g < groups.size(); ++g) {
    const MergeGroupPlan& group = groups[g];
    if (status != nullptr)
      status->WriteProgress(StatusType::kMerge, group.number, plan.chunk_count, group.remaining);
    // A group whose result an earlier run left intact has its status record and no more.
    if (g < reused) continue;
    const std::vector<WorkFileCheck> checks =
        journal.checks ? journal.checks(g) : std::vector<WorkFileCheck>{};
    int code = MergeGroup(
        group.inputs, group.records, group.target, group.final,
        [&](uint64_t checksum) {
          if (journal.finished && !group.final) journal.finished(g, checksum);
        },
        checks);
    if (code != kOk) return code;
  }
  return kOk;
}

}  // namespace kvt::engine
