#include "engine/resume_journal.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <system_error>

#include "engine/work_files.h"
#include "formats/file_checksum.h"
#include "platform/paths.h"

namespace kvt::engine {

namespace {

// Reads the whole file in large pieces, checksummed as a work file is.
bool ChecksumOf(platform::FileSystem& files, const std::string& path, uint64_t* checksum) {
  std::unique_ptr<platform::File> file;
  if (!files.Open(path, platform::OpenMode::kRead, &file).ok()) return false;
  std::vector<uint8_t> buffer(16 * formats::kChecksumBlockBytes);
  formats::FileChecksum sum;
  uint64_t length = 0;
  for (;;) {
    size_t got = 0;
    if (!file->ReadAt(length, buffer.data(), buffer.size(), &got).ok()) return false;
    sum.Add(length, buffer.data(), got);
    length += got;
    if (got < buffer.size()) return sum.Finish(length, checksum);
  }
}

// The first and the last block, chained.
bool EdgesOf(platform::FileSystem& files, const std::string& path, uint64_t size, uint64_t* edges) {
  std::unique_ptr<platform::File> file;
  if (!files.Open(path, platform::OpenMode::kRead, &file).ok()) return false;
  std::vector<uint8_t> block(formats::kChecksumBlockBytes);
  *edges = size;
  const uint64_t tail = size > block.size() ? size - block.size() : 0;
  for (uint64_t at : {uint64_t{0}, tail}) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(block.size(), size - at));
    size_t got = 0;
    if (!file->ReadAt(at, block.data(), want, &got).ok() || got != want) return false;
    *edges = formats::BlockChecksum(block.data(), got, *edges);
  }
  return true;
}

// The whole journal, through the run's file system; false when it cannot be read.
bool ReadText(platform::FileSystem& files, const std::string& path, std::string* text) {
  std::unique_ptr<platform::File> file;
  uint64_t size = 0;
  if (!files.Open(path, platform::OpenMode::kRead, &file).ok() || !file->Size(&size).ok())
    return false;
  text->assign(static_cast<size_t>(size), '\0');
  size_t got = 0;
  if (!file->ReadAt(0, text->data(), text->size(), &got).ok()) return false;
  text->resize(got);
  return true;
}

std::string NamePart(const std::string& path) {
  return path.substr(platform::DirectoryPart(path).size());
}

}  // namespace

std::vector<ResumeStep> ResumeSteps(const MergePlan& plan) {
  std::vector<ResumeStep> steps;
  std::map<std::string, size_t> made;  // work file -> the step that writes it
  for (int64_t i = 1; i <= plan.chunk_count; ++i) {
    steps.push_back({WorkFileName(plan.work_prefix, 0, i), {}});
    made[steps.back().path] = steps.size() - 1;
  }
  for (const MergeGroupPlan& group : PlanMergeGroups(plan)) {
    ResumeStep step{group.final ? "" : group.target, {}};
    for (const std::string& input : group.inputs) step.inputs.push_back(made.at(input));
    steps.push_back(step);
    made[group.target] = steps.size() - 1;
  }
  return steps;
}

std::string ResumeText(const MergePlan& plan, size_t reused) {
  const std::vector<MergeGroupPlan> groups = PlanMergeGroups(plan);
  const size_t chunks = static_cast<size_t>(plan.chunk_count);
  const size_t reused_chunks = std::min(reused, chunks);
  const size_t reused_groups = reused - reused_chunks;
  // Passes before the one of the first group still to run; the final group never is reused.
  const int64_t reused_passes = reused_groups == 0 ? 0 : groups[reused_groups].pass - 1;
  return "Resuming: " + std::to_string(reused_chunks) + " of " + std::to_string(chunks) +
         " chunks and " + std::to_string(reused_passes) + " of " +
         std::to_string(groups.back().pass) + " merge passes reused.";
}

bool IdentifyInput(const std::string& input_path, const std::string& collating_path,
                   formats::InputIdentity* identity, platform::FileSystem& files) {
  std::error_code error;
  const auto modified = std::filesystem::last_write_time(input_path, error);
  if (error || !files.GetFileSize(input_path, &identity->size).ok()) return false;
  identity->modified = static_cast<int64_t>(modified.time_since_epoch().count());
  if (!EdgesOf(files, input_path, identity->size, &identity->edges)) return false;
  identity->collating = 0;
  return collating_path.empty() || ChecksumOf(files, collating_path, &identity->collating);
}

bool RunJournal::Fits(const formats::Journal& old, const formats::Journal& head) const {
  const size_t done = old.entries.size();
  if (!(old.input == head.input) || old.control != head.control || done >= steps_.size())
    return false;
  for (size_t s = 0; s < done; ++s) {
    if (old.entries[s].name != NamePart(steps_[s].path)) return false;
  }
  // The files of finished steps that steps still to run consume must be there, as long as
  // they were written.
  for (size_t s = done; s < steps_.size(); ++s) {
    for (size_t input : steps_[s].inputs) {
      uint64_t length = 0;
      if (input < done && (!files_.GetFileSize(steps_[input].path, &length).ok() ||
                           length != old.entries[input].length))
        return false;
    }
  }
  return true;
}

void RunJournal::RemoveNamedFiles(const formats::Journal& old) const {
  for (const formats::JournalEntry& entry : old.entries) files_.Remove(folder_ + entry.name);
}

size_t RunJournal::Begin(const std::string& path, const formats::Journal& head,
                         const std::vector<ResumeStep>& steps) {
  path_ = path;
  folder_ = platform::DirectoryPart(path);
  steps_ = steps;
  entries_.clear();
  reused_ = 0;
  formats::Journal old;
  std::string text;
  const bool read = ReadText(files_, path, &text) && formats::ParseJournal(text, &old);
  if (read && !steps.empty() && Fits(old, head)) {
    entries_ = old.entries;
    reused_ = entries_.size();
    // Consumed by a finished merge whose deleting was cut short.
    for (size_t s = 0; s < entries_.size(); ++s) {
      for (size_t input : steps_[s].inputs) files_.Remove(steps_[input].path);
    }
  } else if (read) {
    RemoveNamedFiles(old);
  }
  files_.Remove(path);
  if (steps.empty()) return 0;
  std::string bytes = formats::FormatJournalHead(head);
  for (const formats::JournalEntry& entry : entries_) bytes += formats::FormatJournalEntry(entry);
  writing_ = Write(true, bytes);
  return entries_.size();
}

// Opened for each line, so that the run holds no descriptor more than before. The journal is
// created private and never made again once it is gone.
bool RunJournal::Write(bool create, const std::string& bytes) {
  std::unique_ptr<platform::File> file;
  uint64_t end = 0;
  const auto mode = create ? platform::OpenMode::kCreateExclusive : platform::OpenMode::kUpdate;
  if (files_.Open(path_, mode, &file).ok() && file->Size(&end).ok() &&
      file->WriteAt(end, bytes.data(), bytes.size()).ok() && file->Close().ok())
    return true;
  file.reset();
  files_.Remove(path_);
  return false;
}

void RunJournal::Record(size_t step, formats::JournalEntry facts) {
  if (!writing_) return;
  facts.name = NamePart(steps_[step].path);
  // Neither the file nor the journal is synced: a killed run leaves both in the system's
  // cache, and after a power cut the lengths and checksums decide, so a file whose bytes did
  // not reach the disk is never reused. Syncing every work file would make each chunked sort
  // wait for the disk, which otherwise never sees the work files.
  writing_ = Write(false, formats::FormatJournalEntry(facts));
  if (writing_) entries_.push_back(facts);
}

std::vector<WorkFileCheck> RunJournal::Checks(size_t step) const {
  std::vector<WorkFileCheck> checks;
  if (step >= steps_.size()) return checks;  // no journal kept
  for (size_t input : steps_[step].inputs) {
    WorkFileCheck check{input < entries_.size() ? entries_[input].checksum : 0, false};
    // Written by an earlier run, or renamed from such a file by a lone-input group since.
    for (size_t from = input;; from = steps_[from].inputs[0]) {
      if (from < reused_) check.verify = true;
      if (check.verify || steps_[from].inputs.size() != 1) break;
    }
    checks.push_back(check);
  }
  return checks;
}

void RunJournal::Remove() {
  writing_ = false;
  files_.Remove(path_);
}

}  // namespace kvt::engine
