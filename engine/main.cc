// kvtsorts: the sort engine. Takes no arguments; sorts as kvtsort.ctl in the main directory says
// and exits with the run's return code.
#include <cstdio>
#include <string>

#include "engine/sort_run.h"
#include "frontlib/console_info.h"
#include "platform/process.h"
#include "platform/registry.h"

namespace {

// Not one of the run's return codes (0, 1 and 101 to 150): the engine never started.
constexpr int kBadCommandLine = 2;

const char kHelpHead[] =
    "Usage: kvtsorts\n"
    "       kvtsorts --help | --version\n"
    "\n"
    "The sort engine. kv02sort starts it in the main directory after writing the engine\n"
    "control record kvtsort.ctl there; it sorts as that record says and writes its progress\n"
    "to kvtsort.sts and its phases to kvtsort.log in the same folder. Any other argument\n"
    "shows this usage and sorts nothing (exit status 2). Run sorts with kv02sort, not with\n"
    "kvtsorts.\n"
    "\n"
    "The main directory is the value MainDir of HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvern\\KV02";

const char kHelpTail[] =
    "; without it the current directory is used when it holds kvtsort.ctl (otherwise the\n"
    "engine ends with 101 and creates no file).\n"
    "\n"
    "Exit status: 0 sorted; 1 fewer than 2 records; 101-150 the run failed (the end record of\n"
    "kvtsort.sts carries the same code). ErrText.txt in the main directory has a line for each\n"
    "code; see kvtsorts(1).\n";

}  // namespace

int main(int argc, char** argv) {
  const std::string help = kHelpHead + std::to_string(KVT_VERSION_MAJOR) +
                           std::to_string(KVT_VERSION_MINOR) + "\nin " +
                           kvt::platform::RegistryDescription() + kHelpTail;
  if (kvt::front::answerInfoOption(argc, argv, "kvtsorts", help.c_str())) return 0;
  // A mistyped option must not start a sort: the engine would rerun whatever kvtsort.ctl a
  // killed job left behind.
  if (argc > 1) {
    std::fprintf(stderr, "kvtsorts: unknown argument %s\n\n%s", argv[1], help.c_str());
    return kBadCommandLine;
  }
  kvt::platform::LetWritesFailAtSizeLimit();
  return kvt::engine::RunSort({.main_dir = kvt::engine::ReadMainDirectory(),
                               .files = kvt::platform::FileSystem::Default()});
}
