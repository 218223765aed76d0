#include "platform/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

extern char** environ;

namespace kvt::platform {
namespace {

uint32_t CodeFromStatus(int status) {
  if (WIFEXITED(status)) return static_cast<uint32_t>(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return 128u + static_cast<uint32_t>(WTERMSIG(status));
  return kStillActive;
}

// A pidfd lets the waiter sleep until the child ends instead of polling.
int OpenPidFd(pid_t pid) {
#ifdef SYS_pidfd_open
  return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
  (void)pid;
  return -1;
#endif
}

// A parent that ignores SIGCHLD (some daemons and schedulers do, and children inherit it)
// makes the kernel reap our children itself: their exit codes would be lost. The default
// disposition is what a program that waits for its children needs.
void SeeChildExitCodes() {
  struct sigaction current;
  if (::sigaction(SIGCHLD, nullptr, &current) != 0) return;
  bool ignored = current.sa_handler == SIG_IGN && !(current.sa_flags & SA_SIGINFO);
  if (!ignored && !(current.sa_flags & SA_NOCLDWAIT)) return;
  struct sigaction standard = {};
  standard.sa_handler = SIG_DFL;
  sigemptyset(&standard.sa_mask);
  ::sigaction(SIGCHLD, &standard, nullptr);
}

}  // namespace

pid_t StartHidden(const std::string& program, const std::vector<std::string>& args,
                  const std::string& cwd) {
  if (::access(program.c_str(), X_OK) != 0) return 0;
  std::vector<std::string> argv_store;
  argv_store.push_back(program);
  argv_store.insert(argv_store.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& s : argv_store) argv.push_back(s.data());
  argv.push_back(nullptr);

  SeeChildExitCodes();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  // The child starts with SIGCHLD at its default too, so it can wait for children of its own.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGCHLD);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  pid_t pid = 0;
  int rc = ::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return 0;
  return pid;
}

uint32_t ProcessHandle::ExitCode() {
  if (reaped_ || pid_ <= 0) return code_;
  int status = 0;
  pid_t r;
  do {
    r = ::waitpid(pid_, &status, WNOHANG);
  } while (r < 0 && errno == EINTR);
  if (r == pid_) {
    reaped_ = true;
    code_ = CodeFromStatus(status);
  } else if (r < 0) {
    // Not our child any more (reaped elsewhere): report it as ended with an unknown code.
    reaped_ = true;
    code_ = 255;
  }
  return code_;
}

uint32_t ProcessHandle::WaitExitCode(int timeout_ms) {
  if (reaped_ || pid_ <= 0) return code_;
  if (ExitCode() != kStillActive) return code_;
  int fd = OpenPidFd(pid_);
  if (fd >= 0) {
    struct pollfd p = {fd, POLLIN, 0};
    int r;
    do {
      r = ::poll(&p, 1, timeout_ms);
    } while (r < 0 && errno == EINTR);
    ::close(fd);
    return ExitCode();
  }
  // Without pidfd: check often, so an ended child is still noticed at once.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (std::chrono::steady_clock::now() < deadline) {
    if (ExitCode() != kStillActive) return code_;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return ExitCode();
}

void ProcessHandle::Close() {
  pid_ = 0;
  reaped_ = false;
  code_ = kStillActive;
}

bool ProcessHandle::Kill() {
  if (reaped_ || pid_ <= 0) return false;
  return ::kill(pid_, SIGKILL) == 0;
}

void LetWritesFailAtSizeLimit() { ::signal(SIGXFSZ, SIG_IGN); }

uint64_t FileSizeLimit() {
  struct rlimit limit;
  if (::getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return UINT64_MAX;
  return static_cast<uint64_t>(limit.rlim_cur);
}

bool EnsureFileHandles(int needed, int* available) {
  struct rlimit limit;
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return true;
  const rlim_t want = static_cast<rlim_t>(needed);
  if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < want) {
    if (limit.rlim_max == RLIM_INFINITY || limit.rlim_max >= want) {
      limit.rlim_cur = want;
      if (::setrlimit(RLIMIT_NOFILE, &limit) == 0) return true;
    }
    *available = static_cast<int>(limit.rlim_cur);
    return false;
  }
  return true;
}

}  // namespace kvt::platform
