// The utility's first start for a user who has no main directory yet: the product tree of a
// package is read-only, so the user is offered a main directory of their own.
#pragma once

#include <QString>

#include "util/app_context.h"

namespace kvt::util {

// When the registry has no MainDir, asks whether to make dir the user's main directory and,
// on Yes, runs installer --main-dir dir and tells how that went. True when a main directory
// is recorded afterwards (or was already); false leaves everything as it was.
bool offerOwnMainDirectory(QuestionAsker& asker, const QString& installer, const QString& dir);

// True when the user may not write into the program's folder: the product tree of a package,
// which cannot be the user's main directory. A folder laid out by cmake --install can, and
// the utility then behaves as ever.
bool productTreeIsReadOnly(const QString& programDir);

}  // namespace kvt::util
