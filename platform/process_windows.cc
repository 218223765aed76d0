// Programs started with CreateProcessA and a hidden window, followed through their process
// handle: GetExitCodeProcess answers 259 while one runs.
#include <windows.h>

#include <map>
#include <mutex>

#include "platform/process.h"

namespace kvt::platform {
namespace {

// The handles of the programs this process started, by process id. Holding the handle keeps
// the exit code (and the id) of an ended program until a ProcessHandle collects it, as a
// POSIX parent's unreaped child does.
class StartedPrograms {
 public:
  void Add(ProcessId pid, HANDLE handle) {
    std::lock_guard<std::mutex> guard(mutex_);
    handles_[pid] = handle;
  }
  HANDLE Find(ProcessId pid) {
    std::lock_guard<std::mutex> guard(mutex_);
    auto it = handles_.find(pid);
    return it == handles_.end() ? nullptr : it->second;
  }
  void Forget(ProcessId pid) {
    std::lock_guard<std::mutex> guard(mutex_);
    auto it = handles_.find(pid);
    if (it == handles_.end()) return;
    ::CloseHandle(it->second);
    handles_.erase(it);
  }

 private:
  std::mutex mutex_;
  std::map<ProcessId, HANDLE> handles_;
};

StartedPrograms& Started() {
  static StartedPrograms started;
  return started;
}

// One argument quoted so that the C runtime's parser gives it back unchanged: backslashes
// count only before a double quote.
std::string Quote(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) return arg;
  std::string out = "\"";
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') backslashes = backslashes * 2 + 1;
    out.append(backslashes, '\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, '\\');
  return out + "\"";
}

// An inheritable handle on NUL for the child's standard input.
HANDLE OpenNul() {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  return ::CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       OPEN_EXISTING, 0, nullptr);
}

}  // namespace

ProcessId StartHidden(const std::string& program, const std::vector<std::string>& args,
                      const std::string& cwd) {
  std::string command_line = Quote(program);
  for (const std::string& arg : args) command_line += " " + Quote(arg);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.wShowWindow = SW_HIDE;
  HANDLE nul = OpenNul();
  startup.hStdInput = nul;
  // Output goes where ours goes, as a POSIX child's does.
  startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION info = {};
  // No console at all: a hidden console would need a console host of its own, and Wine's can
  // outlive a terminated child while holding our standard output open.
  BOOL started = ::CreateProcessA(program.c_str(), command_line.data(), nullptr, nullptr, TRUE,
                                  DETACHED_PROCESS, nullptr, cwd.empty() ? nullptr : cwd.c_str(),
                                  &startup, &info);
  if (nul != INVALID_HANDLE_VALUE) ::CloseHandle(nul);
  if (!started) return 0;
  ::CloseHandle(info.hThread);
  Started().Add(info.dwProcessId, info.hProcess);
  return info.dwProcessId;
}

uint32_t ProcessHandle::ExitCode() { return WaitExitCode(0); }

uint32_t ProcessHandle::WaitExitCode(int timeout_ms) {
  if (reaped_ || pid_ == 0) return code_;
  HANDLE handle = Started().Find(pid_);
  bool ours = handle != nullptr;
  if (!ours) {
    handle = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pid_);
    if (handle == nullptr) {
      // Gone, or never ours: ended with an unknown code.
      reaped_ = true;
      return code_ = 255;
    }
  }
  // Waiting on the handle, not the code, tells an ended program apart from one that really
  // returned 259.
  DWORD code = kStillActive;
  if (::WaitForSingleObject(handle, static_cast<DWORD>(timeout_ms)) == WAIT_OBJECT_0 &&
      ::GetExitCodeProcess(handle, &code)) {
    reaped_ = true;
    code_ = code;
  }
  if (!ours) {
    ::CloseHandle(handle);
  } else if (reaped_) {
    Started().Forget(pid_);
  }
  return code_;
}

bool ProcessHandle::Kill() {
  if (reaped_ || pid_ == 0) return false;
  HANDLE handle = Started().Find(pid_);
  if (handle != nullptr) return ::TerminateProcess(handle, 1) != 0;
  handle = ::OpenProcess(PROCESS_TERMINATE, FALSE, pid_);
  if (handle == nullptr) return false;
  bool killed = ::TerminateProcess(handle, 1) != 0;
  ::CloseHandle(handle);
  return killed;
}

void ProcessHandle::Close() {
  pid_ = 0;
  reaped_ = false;
  code_ = kStillActive;
}

// Windows has no file-size limit signal: such a write already fails with an error.
void LetWritesFailAtSizeLimit() {}

uint64_t FileSizeLimit() { return UINT64_MAX; }

// Windows sets no small limit on a process's open files.
bool EnsureFileHandles(int, int*) { return true; }

}  // namespace kvt::platform
