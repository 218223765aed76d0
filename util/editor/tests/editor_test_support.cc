#include "util/editor/tests/editor_test_support.h"

#include <QDir>
#include <QFile>
#include <cstdlib>

#include "platform/registry.h"

namespace kvt::util::test {

bool ScriptedAsker::askYesNo(QWidget*, const QString& title, const QString& text) {
  titles << title;
  questions << text;
  if (answers.isEmpty()) {
    ++unanswered;
    return false;
  }
  return answers.takeFirst();
}

void ScriptedAsker::tell(QWidget*, const QString&, const QString& text) { told << text; }

TempMain::TempMain() : oldRegistry_(qgetenv("KVT_REGISTRY")), oldCwd_(QDir::currentPath()) {
  QDir(dir_.path()).mkpath(QStringLiteral("SortCtl"));
  QDir(dir_.path()).mkpath(QStringLiteral("StdOrder"));
  qputenv("KVT_REGISTRY", path(QStringLiteral("registry.reg")).toLocal8Bit());
  ctx.mainDir = mainDir();
  ctx.registryKey = QStringLiteral("SOFTWARE\\Halvern\\KV0220");
  ctx.versionString = QStringLiteral("20");
  ctx.installedVersion = QStringLiteral("200");
  ctx.asker = &asker;
  ctx.setMainCtlFileText = [this](const QString& text) { mainTexts << text; };
  forgetProductKey();
}

// Windows has one registry for the whole test run (the tests that use it take turns): each
// test starts without the product's key and leaves none behind. Elsewhere the registry file is
// the test's own.
void TempMain::forgetProductKey() const {
#ifdef _WIN32
  platform::Registry().DeleteKey(ctx.registryKey.toStdString());
#endif
}

TempMain::~TempMain() {
  // The selection dialog moves the process's current directory; leave the folder first.
  QDir::setCurrent(oldCwd_);
  forgetProductKey();
  if (oldRegistry_.isEmpty()) {
    qunsetenv("KVT_REGISTRY");
  } else {
    qputenv("KVT_REGISTRY", oldRegistry_);
  }
}

void TempMain::writeFile(const QString& relative, const QByteArray& bytes) const {
  QFile file(path(relative));
  if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(bytes);
}

QByteArray TempMain::readFile(const QString& relative) const {
  QFile file(path(relative));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool TempMain::exists(const QString& relative) const { return QFile::exists(path(relative)); }

void TempMain::writeStandardOrder(const QString& name, const QString& title,
                                  const CollatingTable& table) const {
  QByteArray bytes = title.toLatin1().leftJustified(32, ' ', true);
  bytes += QByteArray::fromStdString(SortOrderCodec::encode(table));
  writeFile("StdOrder/" + name + ".sor", bytes);
}

QString TempMain::registryValue(const QString& name) const {
  platform::Registry registry(path(QStringLiteral("registry.reg")).toStdString());
  const auto value = registry.Query(ctx.registryKey.toStdString(), name.toStdString());
  return value ? QString::fromStdString(value->text) : QString();
}

CollatingTable reversedLetters() {
  CollatingTable table;
  std::string digits;
  for (int place = 0; place < 256; ++place) {
    int value = place;
    if (place >= 'A' && place <= 'Z') value = 'Z' - (place - 'A');
    if (place >= 'a' && place <= 'z') value = 'z' - (place - 'a');
    digits += QString::number(value).rightJustified(3, u'0').toStdString();
  }
  digits += std::string(768, '0');  // the reader uses the first half only
  SortOrderCodec::decode(digits, &table);
  return table;
}

QByteArray crlfLines(const QStringList& lines) {
  QByteArray bytes;
  for (const QString& line : lines) bytes += line.toUtf8() + "\r\n";
  return bytes;
}

}  // namespace kvt::util::test
