// KVUninst's command line: without arguments (or with Qt's own options) it opens its window;
// --confirm does what pressing Confirm does, without a window, for unattended removal.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "uninstall/uninstaller.h"

namespace kvt::uninstall {

enum class RunMode { kWindow, kConfirm, kUsageError };

// The arguments after the program name.
RunMode ParseCommandLine(const std::vector<std::string>& args);

// Exit codes of KVUninst --confirm.
inline constexpr int kConfirmComplete = 0;       // key and run-time files removed
inline constexpr int kConfirmKeyNotDeleted = 1;  // "Registry cleanup failed": nothing touched
inline constexpr int kConfirmUsageError = 2;
inline constexpr int kConfirmLeftBehind = 3;  // key removed, some files or folders left

// Opens the uninstaller and confirms at once; writes the outcome line the window would show
// and returns the exit code for it.
int ConfirmWithoutWindow(Uninstaller& uninstaller, std::ostream& out);

}  // namespace kvt::uninstall
