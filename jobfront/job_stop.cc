#include "jobfront/job_stop.h"

#include "formats/product_files.h"
#include "frontlib/cls_log.h"
#include "frontlib/shared_routines.h"
#include "jobfront/return_codes.h"
#include "jobfront/stale_files.h"
#include "platform/file_util.h"

namespace kvt::jobfront {

namespace {
// Long enough for the kernel to end a killed engine; it cannot delay an end it has not chosen.
constexpr int kEngineEndWait = 10000;  // ms
}  // namespace

bool endEngine(platform::ProcessHandle& engine) {
  if (!engine.valid()) return true;
  // An engine that has already ended is not killed: a 0 means its output is complete.
  const uint32_t before = engine.ExitCode();
  if (before == 0) return false;
  if (before == platform::kStillActive) engine.Kill();
  const uint32_t code = engine.WaitExitCode(kEngineEndWait);
  engine.Close();
  return code != 0;
}

int finishStoppedJob(const std::string& mainDir, const std::string& workPrefix,
                     const std::string& outputPath) {
  platform::RemoveFile(mainDir + formats::kControlRecordName);
  removeStaleFiles(mainDir, workPrefix, outputPath, /*keepJournal=*/false);
  front::logSort("TMR", "Sort stopped by the user.");
  front::logSort("TMR", "KV Tamsort ended.(" + front::numberText(kRcStoppedByUser) + ")");
  return kRcStoppedByUser;
}

}  // namespace kvt::jobfront
