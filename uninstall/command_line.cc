#include "uninstall/command_line.h"

#include <algorithm>

#include "uninstall/frm_uninst.h"

namespace kvt::uninstall {

namespace {
constexpr char kConfirmOption[] = "--confirm";
}  // namespace

RunMode ParseCommandLine(const std::vector<std::string>& args) {
  const bool confirm = std::find(args.begin(), args.end(), kConfirmOption) != args.end();
  if (!confirm) return RunMode::kWindow;
  // An unattended removal takes nothing else: a stray word must not open a window that
  // nobody is there to answer.
  return args.size() == 1 ? RunMode::kConfirm : RunMode::kUsageError;
}

int ConfirmWithoutWindow(Uninstaller& uninstaller, std::ostream& out) {
  uninstaller.Open();
  const UninstallResult result = uninstaller.Confirm();
  out << OutcomeText(result).toStdString() << "\n";
  if (!result.registryCleaned) return kConfirmKeyNotDeleted;
  return result.complete() ? kConfirmComplete : kConfirmLeftBehind;
}

}  // namespace kvt::uninstall
