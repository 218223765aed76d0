// Merging the chunk work files, up to eight at a time, in passes until one pass writes the output.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/record_layout.h"

namespace kvt::engine {

class StatusFile;

struct MergePlan {
  std::string work_prefix;
  std::string output_path;
  int64_t chunk_count = 0;  // files of pass 0
};

inline constexpr int kMergeFanIn = 8;

class Merger {
 public:
  Merger(const RecordLayout& layout, const KeyComparer& comparer)
      : layout_(layout), cmp_(comparer) {}

  // Runs every pass, writing a merge status record before each group. Returns 0, 130, 131, 132
  // or 150.
  int RunPasses(const MergePlan& plan, StatusFile* status);

  // Merges the inputs (in this order; ties go to the earlier one) into target, which is the
  // output path when final is set, else a work file. A lone input of a pass that is not final is
  // renamed to the target. Consumed inputs are deleted.
  int MergeGroup(const std::vector<std::string>& inputs, const std::string& target, bool final);

 private:
  struct Input;
  bool AllocateBuffers();

  const RecordLayout& layout_;
  const KeyComparer& cmp_;
  std::vector<uint8_t> buffers_;
  int64_t records_per_buffer_ = 0;
};

}  // namespace kvt::engine
