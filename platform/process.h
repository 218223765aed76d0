// Starting a program with no terminal interaction and following it by its exit code.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kvt::platform {

inline constexpr uint32_t kStillActive = 259;

// Starts program with args in folder cwd (empty: the current folder). Standard input is
// /dev/null. Returns the process id, 0 when the start failed (including a program that
// cannot be executed).
pid_t StartHidden(const std::string& program, const std::vector<std::string>& args,
                  const std::string& cwd = "");

// Stand-in for OpenProcess/GetExitCodeProcess/CloseHandle over a child's pid.
class ProcessHandle {
 public:
  ProcessHandle() = default;
  explicit ProcessHandle(pid_t pid) : pid_(pid) {}
  ProcessHandle(const ProcessHandle&) = delete;
  ProcessHandle& operator=(const ProcessHandle&) = delete;
  ProcessHandle(ProcessHandle&& other) noexcept;
  ProcessHandle& operator=(ProcessHandle&& other) noexcept;
  ~ProcessHandle();

  bool valid() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }
  // 259 while the child runs; its exit status once ended (128 + signal for a signal).
  // The child is reaped exactly once; later calls repeat the stored code.
  uint32_t ExitCode();
  // Like ExitCode, but waits up to timeout_ms for the child to end first.
  uint32_t WaitExitCode(int timeout_ms);
  void Close();

 private:
  pid_t pid_ = 0;
  bool reaped_ = false;
  uint32_t code_ = kStillActive;
};

}  // namespace kvt::platform
