// KVTInst: finishes an installation in the folder the program was copied to, or with
// --main-dir DIR sets up a main directory of the user's own for a read-only product tree.
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "frontlib/console_info.h"
#include "install/install_setup.h"
#include "install/installer.h"
#include "install/main_dir_setup.h"
#include "install/package_tree.h"
#include "platform/paths.h"
#include "platform/registry.h"

namespace {

const char kHelp[] =
    "Usage: KVTInst\n"
    "       KVTInst --main-dir DIR\n"
    "       KVTInst --help | --version\n"
    "\n"
    "Without arguments: finishes an installation in the folder the program lies in (laid\n"
    "out by cmake --install), which becomes the main directory: writes kvtinst.cfg, runs\n"
    "the clean-up program kvtclean, creates SortCtl/ and SortOrder/, moves the sample control\n"
    "file kvtsort.txt into SortCtl/, records the folder as MainDir in the registry (when the\n"
    "clean-up program starts, and again after it ended) and logs the result to Install.log\n"
    "there. Nothing is shown; the exit status is 0, or 1 when something could not be written\n"
    "(MainDir is then put back as it was). A product tree that a package installed (it holds\n"
    "the file package-owned) is never changed: there KVTInst says to use --main-dir and\n"
    "exits 2.\n"
    "\n"
    "--main-dir DIR: for a product installed where users may not write (the Debian package\n"
    "under /opt/halvern/kvtamsort/, or C:\\Program Files\\ on Windows), makes DIR (created\n"
    "when missing, private to the user: mode 0700) the user's own main directory:\n"
    "kvtinst.cfg, SortCtl/ with the sample control file, SortOrder/, the sample input\n"
    "sample.dat, links to ErrText.txt, kvtmsg.txt\n"
    "and StdOrder/ of the product tree (copies where no link can be made, as on Windows), and\n"
    "MainDir in the registry. Files the user already has there are kept. The programs stay in\n"
    "the product tree, where kv02sort and KVTUtil find them. Exit status 0 when done, 1 when\n"
    "a step failed (standard error says which).\n"
    "\n"
    "MainDir is recorded in ";

const char kHelpTail[] = ". See KVTInst(1).\n";

int SetUpMainDir(const std::string& dir) {
  std::vector<std::string> done;
  const kvt::platform::Status status =
      kvt::install::SetUpMainDir(kvt::platform::ProgramDirectory(), dir, &done);
  for (const std::string& line : done) std::cout << "KVTInst: " << line << "\n";
  if (!status.ok()) {
    std::cerr << "KVTInst: " << status.message() << "\n";
    return 1;
  }
  std::cout << "KVTInst: main directory recorded in " << kvt::platform::RegistryFilePath() << "\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string help = kHelp + kvt::platform::RegistryDescription() + kHelpTail;
  if (kvt::front::answerInfoOption(argc, argv, "KVTInst", help.c_str())) return 0;
  if (argc == 3 && std::strcmp(argv[1], "--main-dir") == 0) return SetUpMainDir(argv[2]);
  if (argc > 1) {
    std::cerr << "KVTInst: unknown arguments; try 'KVTInst --help'.\n";
    return 2;
  }
  const kvt::install::InstallSetup setup = kvt::install::InstallSetup::ForThisProgram();
  // The package manager alone changes a package's files: its tree never becomes a main directory.
  if (kvt::install::IsPackageTree(setup.ownDir)) {
    std::cerr << "KVTInst: " << kvt::install::PackageTreeRefusal(setup.ownDir) << "\n";
    return 2;
  }
  kvt::install::frmTmr runner(setup);
  runner.Start();
  runner.Run();
  // The result is reported in Install.log; a failure to write is also said on standard error.
  return runner.failed() ? 1 : 0;
}
