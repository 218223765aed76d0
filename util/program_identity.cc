#include "util/program_identity.h"

namespace kvt::util {

namespace {
// The file description of the program's version resource.
const QString kFileDescription = QStringLiteral("KV02");
}  // namespace

ProgramIdentity ProgramIdentity::forVersion(int major, int minor) {
  ProgramIdentity identity;
  identity.versionString = QString::number(major) + QString::number(minor);
  identity.registryKey = QStringLiteral("SOFTWARE\\Halvern\\KV02") + identity.versionString.left(2);
  identity.helpFileName = kFileDescription + QStringLiteral("v") + QString::number(major) +
                          QString::number(minor) + QStringLiteral(".chm");
  return identity;
}

ProgramIdentity ProgramIdentity::current() {
  return forVersion(KVT_VERSION_MAJOR, KVT_VERSION_MINOR);
}

}  // namespace kvt::util
