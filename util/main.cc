// KVTUtil: the product's utility program.
#include <QApplication>
#include <QDir>

#include "frontlib/console_info.h"
#include "platform/paths.h"
#include "util/app_context.h"
#include "util/frm_util.h"
#include "util/main_dir_offer.h"

namespace {

const char kHelp[] =
    "Usage: KVTUtil [Qt options]\n"
    "       KVTUtil --help | --version\n"
    "\n"
    "The KV Tamsort utility: edit sort control files, start sorts through kv02sort and\n"
    "follow them, read and archive the log kvtsort.log of the main directory. Without a\n"
    "main directory in the registry, started from a read-only product tree, it offers to\n"
    "create ~/kvt with KVTInst --main-dir.\n"
    "See KVTUtil(1).\n";

}  // namespace

int main(int argc, char* argv[]) {
  if (kvt::front::answerInfoOption(argc, argv, "KVTUtil", kHelp)) return 0;
  QApplication app(argc, argv);
  kvt::util::MessageBoxAsker asker;
  const QString programDir = QString::fromStdString(kvt::platform::ProgramDirectory());
  if (kvt::util::productTreeIsReadOnly(programDir)) {
    kvt::util::offerOwnMainDirectory(
        asker, programDir + QString::fromStdString(kvt::platform::ProgramFileName("KVTInst")),
        QDir::toNativeSeparators(QDir::homePath() + QStringLiteral("/kvt")));
  }
  kvt::util::AppContext context;
  context.asker = &asker;
  kvt::util::frmUtil window(context);
  window.show();
  return app.exec();
}
