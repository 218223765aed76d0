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
  // groups are only reported: an earlier run left their results. finished(g) is called once
  // group g's work file is complete and on disk. Returns 0, 113 (a work file holds other than
  // its planned records), 130, 131, 132 or 150.
  int RunPasses(const MergePlan& plan, StatusFile* status, size_t reused = 0,
                const std::function<void(size_t)>& finished = {});

  // Merges the inputs (in this order; ties go to the earlier one) into target, which is the
  // output path when final is set, else a work file. A lone input of a pass that is not final is
  // renamed to the target. Consumed inputs are deleted, after finished() has been called for
  // the complete target. records[q]: what input q must hold.
  int MergeGroup(const std::vector<std::string>& inputs, const std::vector<int64_t>& records,
                 const std::string& target, bool final, const std::function<void()>& finished = {});

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
  // Merges records first[q] .. last[q] - 1 of every input q and writes them from out_offset on,
  // buffering in `memory` (PieceMemorySize() bytes); the pieces of a group take turns at writing
  // through write_turn.
  int MergePiece(const std::vector<Source>& files, const std::vector<int64_t>& first,
                 const std::vector<int64_t>& last, int64_t out_offset, bool final,
                 platform::File* out_file, std::mutex* write_turn, uint8_t* memory) const;
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
