// KVUninst: removes what the product made at run time, after the user confirms.
#include <QApplication>

#include "frontlib/console_info.h"
#include "uninstall/frm_uninst.h"
#include "uninstall/uninstaller.h"

namespace {

const char kHelp[] =
    "Usage: KVUninst [Qt options]\n"
    "       KVUninst --help | --version\n"
    "\n"
    "Removes, after you confirm in its window, what KV Tamsort created at run time: the\n"
    "product's registry key and the files and folders it made in the main directory.\n"
    "See KVUninst(1).\n";

}  // namespace

int main(int argc, char* argv[]) {
  if (kvt::front::answerInfoOption(argc, argv, "KVUninst", kHelp)) return 0;
  QApplication app(argc, argv);
  kvt::uninstall::Uninstaller uninstaller;
  uninstaller.Open();
  kvt::uninstall::frmUninst form(&uninstaller);
  form.show();
  return app.exec();
}
