// The engine's side of the resume journal: what an earlier, killed run of the same job finished
// and left intact, and the record of each work file this run finishes. A run is a fixed series
// of steps (the chunks, then the merge groups), each writing one work file; the journal holds
// the finished steps in order. Any doubt about the earlier run's files means a fresh start.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/merge_passes.h"
#include "formats/resume_journal.h"
#include "platform/file_system.h"

namespace kvt::engine {

struct ResumeStep {
  std::string path;            // the work file the step writes; "" for the final merge
  std::vector<size_t> inputs;  // the earlier steps whose work files it consumes
};

// The steps of a run with several chunks: one per chunk, then one per merge group.
std::vector<ResumeStep> ResumeSteps(const MergePlan& plan);
// "Resuming: 7 of 12 chunks and 1 of 2 merge passes reused." for the first `reused` steps.
std::string ResumeText(const MergePlan& plan, size_t reused);

// The input's identity as the journal keeps it: size, time, first and last 64 KiB, and the
// collating table file ("" for byte order). False when a file cannot be read.
bool IdentifyInput(const std::string& input_path, const std::string& collating_path,
                   formats::InputIdentity* identity,
                   platform::FileSystem& files = platform::FileSystem::Default());

class RunJournal {
 public:
  explicit RunJournal(platform::FileSystem& files = platform::FileSystem::Default())
      : files_(files) {}
  RunJournal(const RunJournal&) = delete;
  RunJournal& operator=(const RunJournal&) = delete;

  // Judges the journal at path against this run (head: its input and control record; steps: its
  // steps in order) and starts this run's journal. Returns how many leading steps an earlier run
  // left intact; their entries stay readable through entry(). Everything the earlier run left
  // that this one cannot use is removed. With no steps (a one-chunk run) no journal is kept.
  size_t Begin(const std::string& path, const formats::Journal& head,
               const std::vector<ResumeStep>& steps);
  const formats::JournalEntry& entry(size_t step) const { return entries_[step]; }

  // Records step's finished work file: facts hold its length and checksum, and for a chunk
  // what its status records said. A journal that cannot be written is removed: the next run
  // starts afresh.
  void Record(size_t step, formats::JournalEntry facts);
  // What the merge of step must know of its inputs: their checksums, and which of them an
  // earlier run wrote (or this run only renamed), so that they are verified as they are read.
  std::vector<WorkFileCheck> Checks(size_t step) const;
  // The run finished: the journal goes.
  void Remove();

 private:
  // True when the earlier run's journal fits this run and the files still needed are there, of
  // their recorded lengths (their contents are verified as the merge reads them).
  bool Fits(const formats::Journal& old, const formats::Journal& head) const;
  void RemoveNamedFiles(const formats::Journal& old) const;
  // Creates the journal with bytes, or appends them; synced. On failure the journal goes.
  bool Write(bool create, const std::string& bytes);

  platform::FileSystem& files_;
  std::string path_;
  std::string folder_;  // of the work files, ending with a separator or empty
  std::vector<ResumeStep> steps_;
  std::vector<formats::JournalEntry> entries_;
  size_t reused_ = 0;  // leading entries an earlier run wrote
  bool writing_ = false;
};

}  // namespace kvt::engine
