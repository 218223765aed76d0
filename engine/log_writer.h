// The engine's lines in the shared log: "SORTCTLR", yyyymmddhhmmss, three-digit phase, text, CR LF.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace kvt::engine {

// The line before a failed run ends: which file and the system's reason, so that a code says
// more than "cannot be created".
inline constexpr int kFailurePhase = 90;
// The line before the first chunk of a run that takes over an earlier run's work files.
inline constexpr int kResumePhase = 12;

class EngineLog {
 public:
  explicit EngineLog(std::string path,
                     platform::FileSystem& files = platform::FileSystem::Default())
      : path_(std::move(path)), files_(files) {}
  EngineLog(const EngineLog&) = delete;
  EngineLog& operator=(const EngineLog&) = delete;
  ~EngineLog() { Close(); }

  // Phase 0 opens the log (appending); when that fails no line is written for the rest of the run.
  void Write(int phase, std::string_view text);
  void Close();
  bool is_open() const { return file_ != nullptr; }

  // The line as it is written, for a given date (yyyymmdd) and time (hhmmss).
  static std::string FormatLine(const std::string& date, const std::string& time, int phase,
                                std::string_view text);

 private:
  std::string path_;
  platform::FileSystem& files_;
  std::unique_ptr<platform::File> file_;
  bool open_tried_ = false;
};

}  // namespace kvt::engine
