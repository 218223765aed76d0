// Names that follow from the program's version: the version digits, the product's registry key
// and the help file's name.
#pragma once

#include <QString>

namespace kvt::util {

struct ProgramIdentity {
  QString versionString;  // "20" for 2.0
  QString registryKey;    // "SOFTWARE\\Halvern\\KV0220"
  QString helpFileName;   // "KV02v20.chm"

  static ProgramIdentity forVersion(int major, int minor);
  // The identity of this build.
  static ProgramIdentity current();
};

}  // namespace kvt::util
