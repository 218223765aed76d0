// KVUninst: removes what the product made at run time, after the user confirms.
#include <QApplication>

#include <iostream>
#include <string>
#include <vector>

#include "frontlib/console_info.h"
#include "uninstall/command_line.h"
#include "uninstall/frm_uninst.h"
#include "uninstall/uninstaller.h"

namespace {

const char kHelp[] =
    "Usage: KVUninst [Qt options]\n"
    "       KVUninst --confirm\n"
    "       KVUninst --help | --version\n"
    "\n"
    "Removes, after you confirm in its window, what KV Tamsort created at run time: the\n"
    "product's registry key and the files and folders it made in the main directory.\n"
    "\n"
    "--confirm: does what pressing Confirm does, without a window (for unattended removal),\n"
    "and prints the outcome line. Exit status 0 when everything was removed, 1 when the\n"
    "registry key could not be deleted (nothing else was touched), 3 when the key was\n"
    "deleted but files or folders were left (the outcome lists them), 2 for a wrong command\n"
    "line.\n"
    "See KVUninst(1).\n";

}  // namespace

int main(int argc, char* argv[]) {
  if (kvt::front::answerInfoOption(argc, argv, "KVUninst", kHelp)) return 0;
  switch (kvt::uninstall::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc))) {
    case kvt::uninstall::RunMode::kConfirm: {
      kvt::uninstall::Uninstaller uninstaller;
      return kvt::uninstall::ConfirmWithoutWindow(uninstaller, std::cout);
    }
    case kvt::uninstall::RunMode::kUsageError:
      std::cerr << "KVUninst: --confirm takes no other arguments; try 'KVUninst --help'.\n";
      return kvt::uninstall::kConfirmUsageError;
    case kvt::uninstall::RunMode::kWindow:
      break;
  }
  QApplication app(argc, argv);
  kvt::uninstall::Uninstaller uninstaller;
  uninstaller.Open();
  kvt::uninstall::frmUninst form(&uninstaller);
  form.show();
  return app.exec();
}
