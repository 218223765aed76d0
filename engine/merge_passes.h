// Merging the chunk work files, up to eight at a time, in passes until one pass writes the output.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/big_buffer.h"
#include "engine/record_layout.h"
#include "engine/worker_pool.h"

#include "formats/file_checksum.h"
#include "formats/status_record.h"
#include "platform/file_system.h"

namespace kvt::engine {

class StatusFile;

struct MergePlan {
  std::string work_prefix;
  std::string output_path;
  int64_t chunk_count = 0;        // files of pass 0
  int64_t records_per_chunk = 0;  // records of each file of pass 0 but the last
  int64_t records = 0;            // records of all files of a pass together
};

inline constexpr int kMergeFanIn = formats::kMergeFanIn;

// One merge group: files of the previous pass merged into a work file of this pass, or into the
// output when final.
struct MergeGroupPlan {
  int64_t pass = 0;
  int64_t number = 0;     // the target's file number in its pass
  int64_t remaining = 0;  // files of the previous pass not yet consumed, for the status record
  std::vector<std::string> inputs;
  std::vector<int64_t> records;  // what each input holds
  std::string target;
  bool final = false;
};

// Every group of every pass, in the order they run; the last one is final.
std::vector<MergeGroupPlan> PlanMergeGroups(const MergePlan& plan);

// What the resume journal knows of a merge input: the checksum it was written with, and
// whether an earlier run wrote it, so that it must read back the same before the group's
// result counts.
struct WorkFileCheck {
  uint64_t checksum = 0;
  bool verify = false;
};

// How the merge passes report to the resume journal: the checks of group g's inputs (empty when
// no journal is kept), and group g's work file once it is complete, with its checksum.
struct MergeJournalHooks {
  std::function<std::vector<WorkFileCheck>(size_t group)> checks;
  std::function<void(size_t group, uint64_t checksum)> finished;
};

// A group is merged in pieces, one per thread: records of equal key are taken from the inputs
// in input order, so the pieces are cut where that order says, each piece merges its part of
// every input, and writes it at its own place in the target. The result is the same bytes
// whatever the number of pieces.
class Merger {
 public:
  Merger(const RecordLayout& layout, const KeyComparer& comparer, WorkerPool* pool,
         platform::FileSystem& files = platform::FileSystem::Default())
      : layout_(layout), cmp_(comparer), pool_(pool), files_(files) {}

  // Runs every pass, writing a merge status record before each group. The first `reused`
  // groups are only reported: an earlier run left their results. Returns 0, 113 (a work file
  // holds other than its planned records), 130, 131, 132, 150, or kReusedWorkFileDamaged.
  int RunPasses(const MergePlan& plan, StatusFile* status, size_t reused = 0,
                const MergeJournalHooks& journal = {});

  // Merges the inputs (in this order; ties go to the earlier one) into target, which is the
  // output path when final is set, else a work file. A lone input of a pass that is not final is
  // renamed to the target. records[q]: what input q must hold; checks: empty, or one per input.
  // An input to verify that reads back other than its checksum fails the group with
  // kReusedWorkFileDamaged and leaves no result. Consumed inputs are deleted, after finished()
  // has been called with the complete target's checksum (that of a work file only).
  int MergeGroup(const std::vector<std::string>& inputs, const std::vector<int64_t>& records,
                 const std::string& target, bool final,
                 const std::function<void(uint64_t)>& finished = {},
                 const std::vector<WorkFileCheck>& checks = {});

 private:
  struct Input;
  // An open work file and its name, for the note when reading it fails.
  struct Source {
    platform::File* file;
    const std::string* name;
  };
  // Where each input is cut for `pieces` pieces: cuts[t][q] is the first record of input q that
  // belongs to piece t (cuts[0] all 0, cuts[pieces] the input sizes).
  bool CutPoints(const std::vector<Source>& files, const std::vector<int64_t>& sizes, int pieces,
                 std::vector<std::vector<int64_t>>* cuts) const;
  // How many records of a sorted work file have a key below `key` (or equal to it, with_equal).
  bool RecordsBefore(const Source& file, int64_t size, bool with_equal, const uint8_t* key,
                     int64_t* count) const;
  // What a piece checksums as it goes: each input it reads (null where none is needed) and what
  // it writes (null for the output).
  struct PieceSums {
    std::vector<formats::FileChecksum*> read;
    formats::FileChecksum* written = nullptr;
  };
  // Merges records first[q] .. last[q] - 1 of every input q and writes them from out_offset on,
  // buffering in `memory` (PieceMemorySize() bytes); the pieces of a group take turns at writing
  // through write_turn.
  int MergePiece(const std::vector<Source>& files, const std::vector<int64_t>& first,
                 const std::vector<int64_t>& last, int64_t out_offset, bool final,
                 platform::File* out_file, std::mutex* write_turn, uint8_t* memory,
                 const PieceSums& sums) const;
  // Runs the pieces of a group; on success *written holds the target's checksum (work files).
  int MergePieces(const std::vector<Source>& files, const std::vector<int64_t>& sizes, bool final,
                  platform::File* out_file, const std::vector<WorkFileCheck>& checks,
                  uint64_t* written);
  // A piece's input and output buffers. They are kept from group to group: fresh memory costs
  // a page fault per page on first touch.
  size_t PieceMemorySize() const;
  bool PreparePieceMemory(int pieces);

  const RecordLayout& layout_;
  const KeyComparer& cmp_;
  WorkerPool* pool_;
  platform::FileSystem& files_;
  std::vector<std::unique_ptr<BigBuffer>> piece_memory_;
};

}  // namespace kvt::engine
