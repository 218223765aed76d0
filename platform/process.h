// Starting a program with no terminal interaction and following it by its exit code.
#pragma once

#ifndef _WIN32
#include <sys/types.h>
#endif

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace kvt::platform {

inline constexpr uint32_t kStillActive = 259;

// A process id: pid_t on POSIX, the DWORD process id on Windows. 0 is no process.
#ifdef _WIN32
using ProcessId = uint32_t;
#else
using ProcessId = pid_t;
#endif

// A write past the process's file-size limit fails (and is reported as a write error) instead
// of ending the program.
void LetWritesFailAtSizeLimit();

// Makes sure the process (and the programs it starts) may have `needed` files open at once,
// raising its own limit as far as the system allows. False, with *available the most it may
// have, when that is too few.
bool EnsureFileHandles(int needed, int* available);

// The largest size a file this process writes may reach (its file-size limit); the largest
// number where there is no limit.
uint64_t FileSizeLimit();

// Starts program with args in folder cwd (empty: the current folder). Standard input is
// /dev/null. Returns the process id, 0 when the start failed (including a program that
// cannot be executed).
ProcessId StartHidden(const std::string& program, const std::vector<std::string>& args,
                      const std::string& cwd = "");

// Stand-in for OpenProcess/GetExitCodeProcess/CloseHandle over a child's pid.
class ProcessHandle {
 public:
  ProcessHandle() = default;
  explicit ProcessHandle(ProcessId pid) : pid_(pid) {}
  ProcessHandle(const ProcessHandle&) = delete;
  ProcessHandle& operator=(const ProcessHandle&) = delete;
  ProcessHandle(ProcessHandle&& other) noexcept { *this = std::move(other); }
  // The moved-from handle forgets its child.
  ProcessHandle& operator=(ProcessHandle&& other) noexcept {
    if (this != &other) {
      pid_ = std::exchange(other.pid_, 0);
      reaped_ = std::exchange(other.reaped_, false);
      code_ = std::exchange(other.code_, kStillActive);
    }
    return *this;
  }
  ~ProcessHandle() = default;

  bool valid() const { return pid_ > 0; }
  ProcessId pid() const { return pid_; }
  // 259 while the child runs; its exit status once ended (128 + signal for a signal).
  // The child is reaped exactly once; later calls repeat the stored code.
  uint32_t ExitCode();
  // Like ExitCode, but waits up to timeout_ms for the child to end first.
  uint32_t WaitExitCode(int timeout_ms);
  // Ends the running child at once, giving it no chance to clean up (SIGKILL, TerminateProcess
  // with code 1); false when it has already ended.
  bool Kill();
  void Close();

 private:
  ProcessId pid_ = 0;
  bool reaped_ = false;
  uint32_t code_ = kStillActive;
};

}  // namespace kvt::platform
