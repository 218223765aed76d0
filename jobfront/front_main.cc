#include "jobfront/front_main.h"

#include <cerrno>
#include <cstring>
#include <iostream>

#include "formats/product_files.h"
#include "frontlib/cls_file.h"
#include "frontlib/cls_log.h"
#include "frontlib/console_info.h"
#include "frontlib/registry_problem.h"
#include "frontlib/shared_routines.h"
#include "frontlib/writable_file.h"
#include "jobfront/command_line.h"
#include "jobfront/control_file_check.h"
#include "jobfront/control_record_writer.h"
#include "jobfront/job_files_check.h"
#include "jobfront/job_lock.h"
#include "jobfront/job_runner.h"
#include "jobfront/job_settings.h"
#include "jobfront/job_state.h"
#include "jobfront/memory_plan.h"
#include "jobfront/reserved_names.h"
#include "jobfront/return_codes.h"
#include "jobfront/stale_files.h"
#include "platform/console.h"
#include "platform/file_util.h"
#include "platform/memory_status.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/stop_request.h"

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
  if (dir.empty() && !front::lastRegistryProblem().empty()) {
    // The registry access has said what is wrong with the file.
    std::cerr << "kv02sort: no main directory: the registry file " << platform::RegistryFilePath()
              << " cannot be used.\n";
    return kRcNoMainDirectory;
  }
  if (dir.empty()) {
    std::cerr << "kv02sort: no main directory: value MainDir of HKEY_LOCAL_MACHINE\\" << key
              << " is missing or empty in " << platform::RegistryFilePath() << "\n"
              << "kv02sort: to make a main directory of your own, run: KVTInst --main-dir DIR\n";
    return kRcNoMainDirectory;
  }
  dir = platform::WithTrailingSeparator(dir);
  if (!platform::ChangeDirectory(dir)) {
    std::cerr << "kv02sort: main directory " << dir << " cannot be used: " << std::strerror(errno)
              << "\n";
    return kRcNoMainDirectory;
  }
  *mainDir = dir;
  return kRcOk;
}

// A job never reads or writes the product's own files: the engine would sort its own log or
// overwrite its control record, and the job runner would delete the output afterwards.
int refuseProductFiles(const std::string& mainDir, const JobSettings& s) {
  for (const std::string& path : {s.inputPath, s.outputPath}) {
    if (isProductFile(mainDir, path)) {
      front::logSort("STA", path + " is one of the product's own files.");
      return kRcProductFile;
    }
  }
  return kRcOk;
}

int planJob(const JobSettings& s, ChunkPlan* plan) {
  *plan = planChunks(platform::FileSize(s.inputPath), front::numericValue(s.recordLength),
                     s.memoryUsage, plannableMemory(platform::ReadMemoryStatus()), s.workFiles);
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
  if (rc == kRcOk) rc = refuseProductFiles(mainDir, *s);
  if (rc == kRcOk) rc = checkJobFiles(mainDir, *s);
  if (rc != kRcOk) return rc;
  ChunkPlan plan;
  rc = planJob(*s, &plan);
  if (rc != kRcOk) return rc;
  FieldLookup fields = [&](const std::string& key) { return lookup("FIELDS", key); };
  return writeControlRecord(mainDir + formats::kControlRecordName, *s, plan, fields,
                            ctl.keyNames("FIELDS"));
}

int endBeforeEngine(front::clsFile& ctl, int rc) {
  ctl.CtlClose();
  front::logSort("TMR", "KV Tamsort ended.(" + front::numberText(rc) + ")");
  front::clsLog().CloseLog();
  return rc;
}

// A job that cannot write its log or take the job lock has nowhere to report: standard error
// says why.
int startJob(const std::string& mainDir, JobLock* lock) {
  const std::string logPath = mainDir + formats::kLogFileName;
  std::string problem = front::appendProblem(logPath);
  const int64_t logSize = platform::FileSize(logPath);
  if (problem.empty() && logSize >= 0 &&
      static_cast<uint64_t>(logSize) >= platform::FileSizeLimit()) {
    problem = "it holds " + std::to_string(logSize) +
              " bytes, all that the file-size limit (ulimit -f) allows";
  }
  if (!problem.empty()) {
    std::cerr << "kv02sort: the log " << logPath << " cannot be written: " << problem << "\n";
    return kRcRecordNotWritten;
  }
  int rc = lock->acquire(mainDir, &problem);
  if (rc == kRcRecordNotWritten)
    std::cerr << "kv02sort: the job lock cannot be taken: " << problem << "\n";
  return rc;
}

// The job and its engine hold the log, the locks, the control files, the input, the output and
// eight merge inputs open at once; a limit below that would fail half-way with a misleading code.
int checkFileHandles() {
  constexpr int kNeeded = 32;
  int available = 0;
  if (platform::EnsureFileHandles(kNeeded, &available)) return kRcOk;
  front::logSort("STA", "Too few file handles: " + std::to_string(available) +
                            " may be open, a sort needs " + std::to_string(kNeeded) + ".");
  return kRcTooFewHandles;
}

// Ends a job refused after kvtsort.ctl was written, which no engine will read.
int endWithoutEngine(const std::string& mainDir, front::clsFile& ctl, int rc) {
  platform::RemoveFile(mainDir + formats::kControlRecordName);
  return endBeforeEngine(ctl, rc);
}

// One job: from the control file named by the words to the end of the engine's run.
int runJob(const std::vector<std::string>& words, int waitLimit, bool restart) {
  std::string mainDir;
  int rc = readMainDirectory(&mainDir);
  if (rc != kRcOk) return rc;
  front::clsLog::setProgramLogPath(mainDir + formats::kLogFileName);
  front::setErrTextPath(mainDir + "ErrText.txt");
  // Held until this function returns, after the last log line; the engine holds it as well.
  JobLock lock(waitLimit);
  rc = startJob(mainDir, &lock);
  if (rc == kRcWaitLimit) front::logSort("TMR", "KV Tamsort ended.(" + front::numberText(rc) + ")");
  if (rc != kRcOk) return rc;

  JobState state;
  JobSettings settings;
  settings.controlPath = controlFilePath(mainDir, joinArgs(words));
  front::clsFile ctl;
  ctl.CtlClose();
  front::logSort("STA", "KV Tamsort started.");
  rc = checkFileHandles();
  if (rc == kRcOk) rc = prepareJob(mainDir, ctl, &settings);
  if (rc != kRcOk) {
    state.jobRc = rc;
    return endBeforeEngine(ctl, rc);
  }
  // What a killed earlier run of this job left would otherwise stay for good; only a job that
  // has the work folder to itself may remove it.
  rc = lock.lockWorkFolder(workFolder(mainDir, settings.workDir));
  if (rc != kRcOk) return endWithoutEngine(mainDir, ctl, rc);
  // Unless a fresh run is asked for, the engine judges whether a killed run's work files can
  // be taken over.
  removeStaleFiles(mainDir, settings.workDir, settings.outputPath, !restart);
  state.jobActive = false;
  ctl.CtlClose();
  state.jobReady = true;
  frmTmr runner(&state, mainDir, settings.outputPath, settings.workDir);
  return runner.runUntilEnded();
}

std::string helpText() {
  std::string key = platform::ProductRegistryKey(KVT_VERSION_MAJOR, KVT_VERSION_MINOR);
  return "Usage: kv02sort [-v | --verbose] [--wait-limit SECONDS] [--restart]\n"
         "                [--] CONTROL-FILE\n"
         "       kv02sort --help | --version\n"
         "\n"
         "Runs one sort job: checks the sort control file, plans the chunks from the input's\n"
         "size and the free memory, writes kvtsort.ctl and runs the sort engine kvtsorts.\n"
         "\n"
         "CONTROL-FILE is a path starting with '/', or a name in the folder SortCtl/ of the\n"
         "main directory; several words are joined with blanks into one name. Options come\n"
         "first: a control file whose name starts with '-' is named after --.\n"
         "\n"
         "  -v, --verbose  also write each line logged to standard error, and on failure the\n"
         "                 text of the code (always so in a terminal: when standard input\n"
         "                 and standard error are both a terminal)\n"
         "  --wait-limit SECONDS\n"
         "                 give up (code 174) when another job of the main directory or\n"
         "                 of the work folder still runs after SECONDS; without it the job\n"
         "                 waits for as long as the other one runs\n"
         "  --restart      start the sort afresh; without it a run of the same job that\n"
         "                 was killed (or failed) goes on from its last finished chunk or\n"
         "                 merge group, when the input and kvtsort.ctl are unchanged\n"
         "  --help         show this text (on Windows /? as well)\n"
         "  --version      show the version\n"
         "\n"
         "The main directory is the value MainDir of HKEY_LOCAL_MACHINE\\" +
         key +
         "\n"
         "in " +
         platform::RegistryDescription() +
         ";\n"
         "make one with KVTInst --main-dir DIR. Every step is logged to kvtsort.log in the\n"
         "main directory.\n"
         "\n"
         "Exit status: 0 sorted; 1-150 the engine's codes; 131, 133 and 160-178 the job was\n"
         "refused before the engine started; 170 no main directory; 174 the wait limit ran\n"
         "out; 180 stopped by the user (SIGTERM or Ctrl+C: the engine is ended, the output\n"
         "keeps its previous content); 2 the command line is not valid. ErrText.txt in the main\n"
         "directory has the text of each code; see kv02sort(1).\n";
}

void echoToStandardError(const std::string& message) {
  std::cerr << "kv02sort: " << message << "\n";
}

}  // namespace

int Main(const std::vector<std::string>& args) {
  CommandLine line = parseCommandLine(args);
  switch (line.action) {
    case CommandLine::Action::kHelp:
      std::cout << front::versionLine("kv02sort") << "\n\n" << helpText();
      return kRcOk;
    case CommandLine::Action::kVersion:
      std::cout << front::versionLine("kv02sort") << "\n";
      return kRcOk;
    case CommandLine::Action::kInvalid:
      std::cerr << "kv02sort: " << line.problem << "\nTry 'kv02sort --help'.\n";
      return kRcBadCommandLine;
    case CommandLine::Action::kRun:
      break;
  }
  // A person at a terminal sees what happens; a scheduler or the utility (which starts the
  // front-end with no input, even when the utility itself runs in a terminal) gets the log
  // only.
  // A log past the file-size limit is a write error to report, not a silent end.
  platform::LetWritesFailAtSizeLimit();
  const bool echo = line.verbose || platform::PersonAtTerminal();
  if (echo) front::setLogEcho(echoToStandardError);
  // A stop request ends the engine and cleans up at the job runner's next tick.
  platform::WatchStopRequests();
  int rc = runJob(line.file, line.waitLimit, line.restart);
  if (echo && rc != kRcOk && rc != kRcNoMainDirectory) {
    std::string text = front::errText(rc);
    echoToStandardError("ended with code " + std::to_string(rc) +
                        (text.empty() ? "." : ": " + text));
  }
  front::setLogEcho(nullptr);
  return rc;
}

}  // namespace kvt::jobfront
