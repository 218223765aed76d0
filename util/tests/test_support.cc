#include "util/tests/test_support.h"

#include <QDir>
#include <QFile>
#include <cstdio>

#include "platform/file_util.h"
#include "platform/registry.h"

namespace kvt::util::test {

namespace {
const char* kKey = "SOFTWARE\\Halvern\\KV0220";

std::string sixDigits(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%06d", value);
  return text;
}
}  // namespace

TempProduct::TempProduct() {
  hadRegistry_ = qEnvironmentVariableIsSet("KVT_REGISTRY");
  oldRegistry_ = qgetenv("KVT_REGISTRY");
  QDir(dir_.path()).mkpath(QStringLiteral("main/SortCtl"));
  QDir(dir_.path()).mkpath(QStringLiteral("program"));
  qputenv("KVT_REGISTRY", (dir_.path() + "/registry.reg").toLocal8Bit());
  forgetProductKey();
}

TempProduct::~TempProduct() {
  forgetProductKey();
  if (hadRegistry_) {
    qputenv("KVT_REGISTRY", oldRegistry_);
  } else {
    qunsetenv("KVT_REGISTRY");
  }
}

// Windows has one registry for the whole test run (the tests that use it take turns): each
// test starts without the product's key and leaves none behind. Elsewhere the registry file is
// the test's own.
void TempProduct::forgetProductKey() {
#ifdef _WIN32
  kvt::platform::Registry().DeleteKey(kKey);
#endif
}

std::string TempProduct::mainDir() const { return dir_.path().toStdString() + "/main/"; }

std::string TempProduct::programDir() const { return dir_.path().toStdString() + "/program/"; }

void TempProduct::setRegistryValue(const std::string& name, const std::string& value) const {
  kvt::platform::Registry(dir_.path().toStdString() + "/registry.reg").SetString(kKey, name, value);
}

std::string TempProduct::registryValue(const std::string& name) const {
  const auto value =
      kvt::platform::Registry(dir_.path().toStdString() + "/registry.reg").Query(kKey, name);
  return value ? value->text : std::string();
}

void TempProduct::writeFile(const std::string& name, const std::string& contents) const {
  QFile file(QString::fromStdString(path(name)));
  if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    file.write(contents.data(), static_cast<qint64>(contents.size()));
  }
}

std::string TempProduct::readFile(const std::string& name) const {
  std::string contents;
  kvt::platform::ReadWholeFile(path(name), &contents);
  return contents;
}

bool TempProduct::exists(const std::string& name) const {
  return kvt::platform::FileExists(path(name));
}

void TempProduct::writeFakeFrontEnd(const std::string& body) const {
  writeFile("kv02sort", "#!/bin/sh\ncd '" + mainDir() + "' || exit 99\n" + body + "\n");
  QFile::setPermissions(QString::fromStdString(path("kv02sort")),
                        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

std::string libraryLogLine(const std::string& subAppl, const std::string& date,
                           const std::string& time, const std::string& message) {
  std::string padded = message;
  padded.resize(118, ' ');
  return "SORT" + subAppl + "I" + date + time + padded + "\r\n";
}

std::string engineLogLine(const std::string& date, const std::string& time,
                          const std::string& codeAndText) {
  return "SORTCTLR" + date + time + codeAndText + "\r\n";
}

std::string statusRecord(const std::string& type, int first, int second, int third,
                         const std::string& startTime) {
  if (type == "000") {
    return "000000000000" + startTime + "      " + "000000000" + "000" + std::string(28, ' ');
  }
  return sixDigits(first) + sixDigits(second) + startTime + sixDigits(third) + type + "000000" +
         type + std::string(28, ' ');
}

std::string endRecord(const std::string& startTime, const std::string& endTime, int rc) {
  char code[8];
  std::snprintf(code, sizeof code, "%03d", rc);
  return std::string("000008") + "000002" + startTime + endTime + code + "000000" + "003" +
         std::string(28, ' ');
}

}  // namespace kvt::util::test
