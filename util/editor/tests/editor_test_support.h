// What the editor's tests share: a temporary main directory with its own registry file, a
// scripted Yes/No asker, and small file helpers.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "util/app_context.h"
#include "util/editor/collating_table.h"

namespace kvt::util::test {

// Answers questions from a list; a question without an answer counts as No and is noted.
class ScriptedAsker : public QuestionAsker {
 public:
  bool askYesNo(QWidget* parent, const QString& title, const QString& text) override;
  void tell(QWidget* parent, const QString& title, const QString& text) override;

  QList<bool> answers;
  QStringList titles;
  QStringList questions;
  QStringList told;
  int unanswered = 0;
};

// A main directory in a temporary folder with SortCtl/ and StdOrder/, a registry file of its
// own (KVT_REGISTRY) and an AppContext that points at both.
class TempMain {
 public:
  TempMain();
  ~TempMain();

  bool isValid() const { return dir_.isValid(); }
  QString mainDir() const { return dir_.path() + '/'; }
  QString path(const QString& relative) const { return mainDir() + relative; }
  void writeFile(const QString& relative, const QByteArray& bytes) const;
  QByteArray readFile(const QString& relative) const;
  bool exists(const QString& relative) const;
  // StdOrder/<name>.sor: a 32-character title, then the 1536 digits.
  void writeStandardOrder(const QString& name, const QString& title,
                          const CollatingTable& table) const;
  QString registryValue(const QString& name) const;

  AppContext ctx;
  ScriptedAsker asker;
  QStringList mainTexts;  // what the editor put into the main window's txtCtlFile

 private:
  void forgetProductKey() const;

  QTemporaryDir dir_;
  QByteArray oldRegistry_;
  QString oldCwd_;
};

// A table that is not the binary order: the letters of each case in reverse.
CollatingTable reversedLetters();

// The lines of a control file joined with CR LF, the last one included.
QByteArray crlfLines(const QStringList& lines);

// An absolute path of this system for a POSIX one: "/d/x" itself, "C:/d/x" on Windows, where a
// path without a drive letter's ':' is taken as relative to the main directory.
inline QString absolute(const QString& posixPath) {
#ifdef _WIN32
  return QStringLiteral("C:") + posixPath;
#else
  return posixPath;
#endif
}

}  // namespace kvt::util::test
