// Helpers for the utility's tests: a temporary main directory with its own registry file,
// and builders for log lines and status records in the files' exact layouts.
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <string>

// The stand-in front-end of writeFakeFrontEnd is a shell script; Windows starts programs only.
#ifdef _WIN32
#define KVT_SKIP_WITHOUT_SHELL() QSKIP("the stand-in front-end is a shell script")
#else
#define KVT_SKIP_WITHOUT_SHELL() (void)0
#endif

namespace kvt::util::test {

// A temporary folder holding a main directory and the registry file KVT_REGISTRY names.
class TempProduct {
 public:
  TempProduct();
  ~TempProduct();
  bool isValid() const { return dir_.isValid(); }
  // The main directory, ending with '/'.
  std::string mainDir() const;
  // A folder inside the temporary folder that stands in for the program's own folder.
  std::string programDir() const;
  std::string path(const std::string& name) const { return mainDir() + name; }
  void setRegistryValue(const std::string& name, const std::string& value) const;
  std::string registryValue(const std::string& name) const;
  void writeFile(const std::string& name, const std::string& contents) const;
  std::string readFile(const std::string& name) const;
  bool exists(const std::string& name) const;
  // A shell script standing in for the front-end kv02sort.
  void writeFakeFrontEnd(const std::string& body) const;

 private:
  static void forgetProductKey();

  QTemporaryDir dir_;
  QByteArray oldRegistry_;
  bool hadRegistry_ = false;
};

// A 142-byte line as the library writes it: SORT, sub-application, level I, date, time,
// message blank-padded to 118, CR LF.
std::string libraryLogLine(const std::string& subAppl, const std::string& date,
                           const std::string& time, const std::string& message);
// The engine's own line: SORTCTLR, date, time, phase code and text, CR LF.
std::string engineLogLine(const std::string& date, const std::string& time,
                          const std::string& codeAndText);

// A progress record (chunk 004, partition 001, merge 002) or a start record (000).
std::string statusRecord(const std::string& type, int first, int second, int third,
                         const std::string& startTime);
// The end record with its return code.
std::string endRecord(const std::string& startTime, const std::string& endTime, int rc);

}  // namespace kvt::util::test
