#include "platform/mapping_guard.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>

namespace kvt::platform::mapping_guard {
namespace {

std::atomic<uintptr_t> g_start{0};
std::atomic<size_t> g_size{0};
volatile sig_atomic_t g_lost = 0;
bool g_installed = false;

void OnBusError(int sig, siginfo_t* info, void*) {
  uintptr_t at = reinterpret_cast<uintptr_t>(info->si_addr);
  uintptr_t start = g_start.load();
  size_t size = g_size.load();
  if (start != 0 && at >= start && at < start + size) {
    // Put zero pages where the file's pages were, so the interrupted read can go on.
    void* p = ::mmap(reinterpret_cast<void*>(start), size, PROT_READ,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
    if (p != MAP_FAILED) {
      g_lost = 1;
      return;
    }
  }
  // Not ours: end the program as the signal would have.
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

}  // namespace

void Watch(const void* start, size_t size) {
  if (!g_installed) {
    struct sigaction action = {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGBUS, &action, nullptr);
    g_installed = true;
  }
  // The handler replaces whole pages: watch from the page the bytes start in.
  const uintptr_t page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
  const uintptr_t at = reinterpret_cast<uintptr_t>(start);
  const uintptr_t first = at / page * page;
  g_size.store(size + (at - first));
  g_start.store(first);
}

void Unwatch() {
  g_start.store(0);
  g_size.store(0);
}

bool Lost() { return g_lost != 0; }

void Reset() { g_lost = 0; }

}  // namespace kvt::platform::mapping_guard
