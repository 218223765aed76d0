// Writes the engine control record kvtsort.ctl of a checked and planned job.
#pragma once

#include <string>
#include <vector>

#include "jobfront/engine_record.h"
#include "jobfront/job_settings.h"
#include "jobfront/key_fields.h"
#include "jobfront/memory_plan.h"

namespace kvt::jobfront {

// The header of the job's record.
EngineHeader engineHeader(const JobSettings& settings, const ChunkPlan& plan);
// The trailer of the job's record.
EngineTrailer engineTrailer(const JobSettings& settings);

// Logs the control file in use, reads the key fields (fieldKeyNames: the names of the key
// lines of [FIELDS]) and writes enginePath. Returns 0, or 167 (key fields incorrect or too
// many) or 168 (record not written); on failure no record is left.
int writeControlRecord(const std::string& enginePath, const JobSettings& settings,
                       const ChunkPlan& plan, const FieldLookup& fields,
                       const std::vector<std::string>& fieldKeyNames = {});

}  // namespace kvt::jobfront
