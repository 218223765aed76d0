#include "util/main_dir_offer.h"

#include <QFileInfo>
#include <QProcess>

#include "frontlib/shared_routines.h"
#include "platform/paths.h"
#include "platform/registry.h"

namespace kvt::util {
namespace {

const QString kTitle = QStringLiteral("KV Tamsort");
constexpr int kInstallerTimeoutMs = 60000;

bool hasMainDir() {
  const std::string key = platform::ProductRegistryKey(KVT_VERSION_MAJOR, KVT_VERSION_MINOR);
  return !front::trim(front::regGet(platform::kHkeyLocalMachine, key, "MainDir")).empty();
}

}  // namespace

bool offerOwnMainDirectory(QuestionAsker& asker, const QString& installer, const QString& dir) {
  if (hasMainDir()) return true;
  const QString question =
      QStringLiteral(
          "No main directory is set up for you yet. The product's own folder cannot "
          "hold your control files and logs.\n\nCreate %1 as your main directory "
          "(KVTInst --main-dir %1)?")
          .arg(dir);
  if (!asker.askYesNo(nullptr, kTitle, question)) return false;
  QProcess process;
  process.start(installer, {QStringLiteral("--main-dir"), dir});
  const bool finished = process.waitForFinished(kInstallerTimeoutMs);
  const bool ok = finished && process.exitStatus() == QProcess::NormalExit &&
                  process.exitCode() == 0 && hasMainDir();
  if (ok) {
    asker.tell(nullptr, kTitle, QStringLiteral("%1 is now your main directory.").arg(dir));
  } else {
    const QString why = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    asker.tell(nullptr, kTitle,
               QStringLiteral("The main directory could not be created: %1")
                   .arg(why.isEmpty() ? process.errorString() : why));
  }
  return ok;
}

bool productTreeIsReadOnly(const QString& programDir) {
  return !QFileInfo(programDir).isWritable();
}

}  // namespace kvt::util
