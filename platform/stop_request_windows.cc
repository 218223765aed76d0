#include "platform/stop_request.h"

#include <windows.h>

#include <string>

namespace kvt::platform {
namespace {

// One manual-reset event per stoppable process, named after its process id.
std::string eventName(ProcessId pid) { return "Local\\KV02StopSort" + std::to_string(pid); }

HANDLE stopEvent = nullptr;

// Ctrl+C and Ctrl+Break in a console ask for a stop as well.
BOOL WINAPI noteConsoleStop(DWORD type) {
  if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
  if (stopEvent != nullptr) ::SetEvent(stopEvent);
  return TRUE;
}

}  // namespace

void WatchStopRequests() {
  if (stopEvent == nullptr) {
    stopEvent = ::CreateEventA(nullptr, TRUE, FALSE, eventName(::GetCurrentProcessId()).c_str());
  }
  ::SetConsoleCtrlHandler(noteConsoleStop, TRUE);
}

bool StopRequested() {
  return stopEvent != nullptr && ::WaitForSingleObject(stopEvent, 0) == WAIT_OBJECT_0;
}

bool RequestStop(ProcessId pid) {
  HANDLE event = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, eventName(pid).c_str());
  if (event == nullptr) return false;
  const bool set = ::SetEvent(event) != 0;
  ::CloseHandle(event);
  return set;
}

}  // namespace kvt::platform
