#include "jobfront/front_main.h"

#include <cerrno>
#include <cstring>
#include <iostream>

#include "frontlib/cls_file.h"
#include "frontlib/cls_log.h"
#include "frontlib/shared_routines.h"
#include "jobfront/control_file_check.h"
#include "jobfront/control_record_writer.h"
#include "jobfront/job_runner.h"
#include "jobfront/job_settings.h"
#include "jobfront/job_state.h"
#include "jobfront/memory_plan.h"
#include "jobfront/return_codes.h"
#include "platform/file_util.h"
#include "platform/memory_status.h"
#include "platform/paths.h"
#include "platform/registry.h"

namespace kvt::jobfront {

namespace {

std::string joinArgs(const std::vector<std::string>& args) {
  std::string line;
  for (const std::string& arg : args) line += (line.empty() ? "" : " ") + arg;
  return line;
}

// Without a main directory there is no log to report to: standard error says why.
int readMainDirectory(std::string* mainDir) {
  std::string key = platform::ProductRegistryKey(KVT_VERSION_MAJOR, KVT_VERSION_MINOR);
  std::string dir = front::trim(front::regGet(platform::kHkeyLocalMachine, key, "MainDir"));
  if (dir.empty()) {
    std::cerr << "kv02sort: no main directory: value MainDir of HKEY_LOCAL_MACHINE\\" << key
              << " is missing or empty in " << platform::RegistryFilePath() << "\n";
    return kRcNoMainDirectory;
  }
  dir = platform::WithTrailingSeparator(dir);
  if (!platform::ChangeDirectory(dir)) {
    std::cerr << "kv02sort: main directory " << dir << " cannot be used: "
              << std::strerror(errno) << "\n";
    return kRcNoMainDirectory;
  }
  *mainDir = dir;
  return kRcOk;
}

int planJob(const JobSettings& s, ChunkPlan* plan) {
  *plan = planChunks(platform::FileSize(s.inputPath), front::numericValue(s.recordLength),
                     s.memoryUsage, platform::ReadMemoryStatus().available_physical,
                     s.workFiles);
  if (plan->rc == kRcInputMissing) {
    // Removed since it was checked.
    front::logSort("STA", s.inputPath + " not found.");
  } else if (plan->rc != kRcOk) {
    front::logSort("STA", front::errText(plan->rc));
  }
  return plan->rc;
}

// Checks, plans and writes kvtsort.ctl; 0 when the engine may be started.
int prepareJob(const std::string& mainDir, front::clsFile& ctl, JobSettings* s) {
  SectionLookup lookup = [&](const std::string& section, const std::string& key) {
    return ctl.ReceiveCtl(section, key, s->controlPath);
  };
  ControlFileOpener open = [&](const std::string& path) { return ctl.openCtlFile(path); };
  int rc = checkControlFile(mainDir, open, lookup, s);
  if (rc != kRcOk) return rc;
  ChunkPlan plan;
  rc = planJob(*s, &plan);
  if (rc != kRcOk) return rc;
  FieldLookup fields = [&](const std::string& key) { return lookup("FIELDS", key); };
  return writeControlRecord(mainDir + "kvtsort.ctl", *s, plan, fields, ctl.keyNames("FIELDS"));
}

int endBeforeEngine(front::clsFile& ctl, int rc) {
  ctl.CtlClose();
  front::logSort("TMR", "KV Tamsort ended.(" + front::numberText(rc) + ")");
  front::clsLog().CloseLog();
  return rc;
}

}  // namespace

int Main(const std::vector<std::string>& args) {
  std::string mainDir;
  int rc = readMainDirectory(&mainDir);
  if (rc != kRcOk) return rc;
  front::clsLog::setProgramLogPath(mainDir + "kvtsort.log");
  front::setErrTextPath(mainDir + "ErrText.txt");

  JobState state;
  JobSettings settings;
  settings.controlPath = controlFilePath(mainDir, joinArgs(args));
  front::clsFile ctl;
  ctl.CtlClose();
  front::logSort("STA", "KV Tamsort started.");
  rc = prepareJob(mainDir, ctl, &settings);
  if (rc != kRcOk) {
    state.jobRc = rc;
    return endBeforeEngine(ctl, rc);
  }
  state.jobActive = false;
  ctl.CtlClose();
  state.jobReady = true;
  frmTmr runner(&state, mainDir, settings.outputPath);
  return runner.runUntilEnded();
}

}  // namespace kvt::jobfront
