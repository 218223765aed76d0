#include "engine/sort_run.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <new>
#include <numeric>
#include <optional>
#include <string>

#include "engine/big_buffer.h"
#include "engine/chunk_reader.h"
#include "engine/chunk_sort.h"
#include "engine/collating.h"
#include "engine/control_record.h"
#include "engine/failure_note.h"
#include "engine/input_guard.h"
#include "engine/log_writer.h"
#include "engine/merge_passes.h"
#include "engine/record_layout.h"
#include "engine/resume_journal.h"
#include "engine/return_codes.h"
#include "engine/status_writer.h"
#include "engine/trace_writer.h"
#include "engine/work_files.h"
#include "engine/worker_pool.h"
#include "formats/product_files.h"
#include "formats/resume_journal.h"
#include "platform/file_util.h"
#include "platform/memory_status.h"
#include "platform/paths.h"
#include "platform/registry.h"

namespace kvt::engine {

namespace {

// Records of input form held at once while a rearranged layout is built.
constexpr int64_t kStagingBytes = int64_t{4} << 20;

// Mapping the input saves copying it into the chunk buffer, but its pages are then the
// system's cache, which the written chunks compete for: when the input does not fit in half the
// memory left (in a memory-limited control group, on a busy machine), the writes push out
// records not yet gathered, and those come back from the disk one page at a time. Such an input
// is read into the chunk buffer instead.
bool InputFitsMemory(uint64_t input_bytes) {
  const platform::MemoryStatus memory = platform::ReadMemoryStatus();
  uint64_t room = memory.available_physical;
  if (memory.group_available) room = std::min(room, *memory.group_available);
  return input_bytes <= room / 2;
}

class SortRun {
 public:
  explicit SortRun(const RunOptions& options)
      : main_dir_(options.main_dir),
        files_(options.files),
        log_(main_dir_ + formats::kLogFileName, files_),
        pool_(WorkerPool::DefaultThreads()),
        journal_(files_) {}

  int Run() {
    input_guard::Reset();
    failure_note::Reset();
    // Without a recorded main directory the current folder serves as one only when it holds
    // a control record: a stray start anywhere else leaves no status or log file behind.
    if (main_dir_.empty() && !platform::FileExists(formats::kControlRecordName))
      return kBadControlRecord;
    if (status_.Open(main_dir_ + formats::kStatusFileName, files_)) status_.WriteStart();
    int code = kOutOfMemory;
    // Memory that cannot be had ends the run with its code, like a buffer that cannot: the
    // writers remove what they had begun as the steps unwind.
    try {
      code = Steps();
      if (code == kReusedWorkFileDamaged) code = StartAfresh();
    } catch (const std::bad_alloc&) {
      code = kOutOfMemory;
    }
    // A run that ends before it judged an earlier run's work leaves none of it behind.
    if (!journal_judged_ && !control_.work_prefix.empty())
      journal_.Begin(formats::JournalName(control_.work_prefix), {}, {});
    // Which file made the run fail, and why, before the end record and the front-end's line.
    const std::string cause = failure_note::First();
    if (code != kOk && !cause.empty()) log_.Write(kFailurePhase, cause);
    status_.WriteEnd(partition_text_, merge_pairs_, code);
    status_.Close();
    log_.Close();
    return code;
  }

 private:
  // Every step up to the merge passes; the buffers are freed when it returns, on every path.
  int Steps();
  // After a reused work file read back damaged: everything the earlier run left goes, and the
  // sort runs again from its first chunk.
  int StartAfresh();
  // Refuses a plan whose chunks cannot hold the input or would leave a chunk empty.
  bool PlanFits(int64_t records) const;
  int SortChunks(InputFile& input, const RecordLayout& layout, const KeyComparer& cmp);
  void SortInMemory(ChunkSorter* sorter, int64_t chunk, TraceWriter* trace);
  // Takes over what an earlier, killed run of this job finished, and starts this run's journal.
  void StartJournal(const MergePlan& plan);
  // The status records of chunk i, which an earlier run sorted, as if it was sorted now.
  void ReplayChunk(int64_t i);

  std::string main_dir_;
  platform::FileSystem& files_;
  StatusFile status_;
  EngineLog log_;
  ControlRecord control_;
  std::string partition_text_ = "000";
  int64_t merge_pairs_ = 0;
  int64_t partitions_ = 0;
  int64_t records_ = 0;

  WorkerPool pool_;
  BigBuffer chunk_buffer_;
  BigBuffer entries_;
  BigBuffer staging_;
  int64_t staging_records_ = 0;
  GatherBlocks gather_blocks_;
  RunJournal journal_;
  size_t reused_ = 0;  // steps (chunks, then merge groups) an earlier run finished
  bool journal_judged_ = false;
};

int SortRun::Steps() {
  std::string partition_field;
  int code = ReadControlRecord(main_dir_ + formats::kControlRecordName, &log_, &control_,
                               &partition_field);
  if (!partition_field.empty()) partition_text_ = partition_field.substr(0, 3);
  if (code != kOk) return code;

  InputFile input;
  std::error_code same_error;
  const bool input_is_output =
      std::filesystem::equivalent(control_.input_path, control_.output_path, same_error);
  code = input.Open(control_.input_path, control_.record_length, input_is_output, files_);
  if (code != kOk) return code;
  records_ = input.record_count();

  CollatingTables tables;
  if (control_.user_order()) {
    log_.Write(8, " ");
    std::string problem;
    code = LoadCollatingTables(control_.collating_path, &tables, &problem, files_);
    if (code != kOk) {
      failure_note::Note(control_.collating_path + ": " + problem);
      return code;
    }
  }
  if (records_ < 2) return kTooFewRecords;
  if (!PlanFits(records_)) return kBadControlRecord;

  const MergePlan plan{control_.work_prefix, control_.output_path, control_.chunk_count,
                       control_.records_per_chunk, records_};
  StartJournal(plan);

  RecordLayout layout(control_, control_.user_order() ? &tables : nullptr);
  KeyComparer cmp(control_.groups);
  const int64_t length = control_.record_length;
  const int64_t capacity = std::min(control_.records_per_chunk, records_);
  if (capacity > int64_t{std::numeric_limits<uint32_t>::max()} + 1) return kOutOfMemory;
  if (!chunk_buffer_.Allocate(static_cast<size_t>(capacity * length)) ||
      !entries_.Allocate(static_cast<size_t>(capacity) * sizeof(SortEntry)))
    return kOutOfMemory;
  if (!layout.identity()) {
    staging_records_ = std::min(capacity, std::max<int64_t>(1, kStagingBytes / length));
    if (!staging_.Allocate(static_cast<size_t>(staging_records_ * length))) return kOutOfMemory;
  }

  code = SortChunks(input, layout, cmp);
  if (code != kOk) return code;
  input.Close();
  log_.Write(49, " ");
  // The merge passes need none of the chunk's memory.
  chunk_buffer_.Release();
  entries_.Release();
  staging_.Release();
  gather_blocks_.Release();

  if (control_.records_per_chunk < records_) {
    Merger merger(layout, cmp, &pool_, files_);
    const int64_t chunks = control_.chunk_count;
    const size_t reused_chunks = std::min(reused_, static_cast<size_t>(chunks));
    const auto step = [chunks](size_t group) { return static_cast<size_t>(chunks) + group; };
    const std::vector<MergeGroupPlan> groups = PlanMergeGroups(plan);
    MergeJournalHooks hooks{
        [&](size_t group) { return journal_.Checks(step(group)); },
        [&](size_t group, uint64_t checksum) {
          const std::vector<int64_t>& counts = groups[group].records;
          const int64_t records = std::accumulate(counts.begin(), counts.end(), int64_t{0});
          journal_.Record(step(group), {"", static_cast<uint64_t>(records * length), checksum});
        }};
    code = merger.RunPasses(plan, &status_, reused_ - reused_chunks, hooks);
    if (code != kOk) return code;
    journal_.Remove();
    log_.Write(50, " ");
  }
  return kOk;
}

int SortRun::StartAfresh() {
  log_.Write(kResumePhase, "Resuming: a reused work file is damaged; sorting afresh.");
  journal_.Begin(formats::JournalName(control_.work_prefix), {}, {});
  failure_note::Reset();
  input_guard::Reset();
  return Steps();
}

bool SortRun::PlanFits(int64_t records) const {
  const int64_t chunks = control_.chunk_count;
  const int64_t per_chunk = control_.records_per_chunk;
  if (chunks < 1 || per_chunk < 1) return false;
  // chunks has at most five digits and per_chunk at most ten, so the products fit.
  if (chunks * per_chunk < records) return false;
  if (chunks > 1 && (chunks - 1) * per_chunk >= records) return false;
  return true;
}

int SortRun::SortChunks(InputFile& input, const RecordLayout& layout, const KeyComparer& cmp) {
  const int64_t chunks = control_.chunk_count;
  const int64_t per_chunk = control_.records_per_chunk;
  const int64_t length = control_.record_length;
  SortEntry* entries = entries_.as<SortEntry>();
  const EntryFormat format = EntryFormat::For(std::min(per_chunk, records_), cmp.key_length());
  ChunkReader reader(layout, cmp, chunk_buffer_.data(), staging_.data(), staging_records_, &pool_);
  reader.set_map_input(InputFitsMemory(static_cast<uint64_t>(records_ * length)));
  ChunkSorter sorter(cmp, length, &pool_);
  const KeyGroup first_group = control_.groups.empty() ? KeyGroup{0, 0, 'A'} : control_.groups[0];
  TraceWriter trace(main_dir_ + formats::kTraceFileName, first_group.offset, first_group.length,
                    files_);
  partitions_ = control_.partitions;

  for (int64_t i = 1; i <= chunks; ++i) {
    int64_t wanted = i == chunks ? records_ - (chunks - 1) * per_chunk : per_chunk;
    if (static_cast<size_t>(i) <= reused_) {
      ReplayChunk(i);
      reader.Skip(wanted);
      continue;
    }
    log_.Write(9, " ");
    ChunkResult chunk;
    int code = reader.Read(input.file(), wanted, entries, format, &chunk);
    // A shortened input reads fewer records than planned, a lengthened one holds records the
    // plan never reads: either way the output would not be the input sorted.
    if (code != kOk || chunk.records != wanted || !input.SizeUnchanged()) {
      failure_note::Note(control_.input_path + ": chunk " + std::to_string(i) + " read " +
                         std::to_string(chunk.records) + " of " + std::to_string(wanted) +
                         " records");
      return kChunkReadFailed;
    }
    if (chunk.descents > 0) {
      partitions_ = EstimatePartitions(partitions_, chunk);
      log_.Write(11, std::to_string(partitions_));
    }
    partitions_ = BoundPartitions(partitions_, {control_.upper_limit, control_.lower_limit});
    const int64_t reported = partitions_;
    status_.WriteProgress(StatusType::kChunk, partitions_, i, chunks);
    if (partitions_ < 2) partitions_ = 2;

    sorter.Reset(entries, chunk.records, chunk.data, format);
    partitions_ = sorter.SetPartitions(partitions_);
    partition_text_ = ChunkSorter::PartitionText(partitions_);
    log_.Write(10, partition_text_);
    // A chunk that is already in order skips the partition sort and the merge levels.
    if (chunk.descents > 0) SortInMemory(&sorter, i, control_.trace ? &trace : nullptr);
    log_.Write(40, " ");

    SortedChunk sorted{entries, chunk.records, chunk.data, format, chunk.descents == 0};
    uint64_t checksum = 0;
    code = chunks == 1 ? WriteChunkToOutput(files_, sorted, layout, control_.output_path, &pool_,
                                            &gather_blocks_,
                                            [&] {
                                              reader.Release();
                                              input.Close();
                                            })
                       : WriteChunkToWorkFile(files_, sorted, layout,
                                              WorkFileName(control_.work_prefix, 0, i), &pool_,
                                              &gather_blocks_, &checksum);
    if (code != kOk) return code;
    if (chunks > 1) {
      journal_.Record(static_cast<size_t>(i - 1),
                      {"", static_cast<uint64_t>(chunk.records * length), checksum, reported,
                       partitions_, chunk.descents == 0});
    }
  }
  return kOk;
}

// Without a trace the chunk is sorted as a whole, its share of the work done after each
// partition record; with a trace each partition and each level is sorted as the trace shows it.
// Without a sorter only the status records are written, for a chunk an earlier run sorted.
void SortRun::SortInMemory(ChunkSorter* sorter, int64_t chunk, TraceWriter* trace) {
  if (sorter != nullptr) log_.Write(20, " ");
  for (int64_t j = 0; j < partitions_; ++j) {
    status_.WriteProgress(StatusType::kPartition, j + 1, partitions_, chunk);
    if (sorter == nullptr) continue;
    if (trace != nullptr) {
      sorter->SortPartition(j);
    } else {
      sorter->SortStep(j);
    }
  }
  if (sorter != nullptr) log_.Write(30, " ");
  const int64_t pairs = partitions_ / 2;
  merge_pairs_ = pairs;
  for (int64_t m = pairs; m > 0; m /= 2) {
    status_.WriteProgress(StatusType::kMerge, m, pairs, chunk);
    if (trace == nullptr) continue;
    sorter->MergeLevel(m);
    trace->WriteBlock(sorter->entries(), sorter->size(), sorter->format(), sorter->records(),
                      control_.record_length);
  }
}

void SortRun::ReplayChunk(int64_t i) {
  const formats::JournalEntry& entry = journal_.entry(static_cast<size_t>(i - 1));
  status_.WriteProgress(StatusType::kChunk, entry.status_partitions, i, control_.chunk_count);
  partitions_ = entry.sort_partitions;
  partition_text_ = ChunkSorter::PartitionText(partitions_);
  if (!entry.presorted) SortInMemory(nullptr, i, nullptr);
}

void SortRun::StartJournal(const MergePlan& plan) {
  formats::Journal head;
  std::vector<ResumeStep> steps;
  const std::string collating = control_.user_order() ? control_.collating_path : "";
  // A one-chunk run has no work file to keep; a traced run is always traced whole.
  if (control_.records_per_chunk < records_ && !control_.trace &&
      IdentifyInput(control_.input_path, collating, &head.input, files_) &&
      platform::ReadWholeFile(main_dir_ + formats::kControlRecordName, &head.control))
    steps = ResumeSteps(plan);
  reused_ = journal_.Begin(formats::JournalName(control_.work_prefix), head, steps);
  journal_judged_ = true;
  if (reused_ > 0) log_.Write(kResumePhase, ResumeText(plan, reused_));
}

}  // namespace

int RunSort(const RunOptions& options) { return SortRun(options).Run(); }

int RunSort(const std::string& main_dir) { return RunSort(RunOptions{.main_dir = main_dir}); }

std::string ReadMainDirectory() {
  platform::Registry registry;
  std::optional<platform::RegValue> value;
  const platform::Status read = registry.Read(
      platform::ProductRegistryKey(KVT_VERSION_MAJOR, KVT_VERSION_MINOR), "MainDir", &value);
  // A registry file that cannot be used is named to whoever started the engine; a missing key
  // is only a main directory not yet set up.
  if (!read.ok() && read.code() != platform::Status::Code::kNotFound)
    std::fprintf(stderr, "%s\n", read.message().c_str());
  if (!value || value->type != platform::RegValue::Type::kString || value->text.empty()) return "";
  // File names are appended to the folder directly, so it must end with a separator.
  return platform::WithTrailingSeparator(value->text);
}

}  // namespace kvt::engine
