// clsFile: the sectioned control file ([SECTION] lines and KEY="value" lines) held as one
// in-memory image, and the reader of the engine's 64-character status records.
#pragma once

#include <cstdint>
#include <string>

#include "frontlib/file_block.h"

namespace kvt::front {

class clsFile {
 public:
  // A file larger than this is not a control file and is refused.
  static constexpr int64_t kMaxControlFileSize = 1 << 20;

  // The program's one control-file image and status record.
  static std::string& ctlBuffer();
  static std::string& statusRec();
  static FileBlock& controlBlock();
  static FileBlock& statusBlock();

  // Opens the file (a missing file is created empty) and loads the image. False when it could
  // not be opened or is too large to be a control file (the image is then empty).
  bool openCtlFile(const std::string& strInFile);
  std::string ReceiveCtl(const std::string& p_s_section, const std::string& p_s_key,
                         const std::string& p_s_path);
  void CtlClose();
  std::string getPosition(const std::string& p_s_section, const std::string& p_s_key);
  std::string getValue(const std::string& p_s_section, const std::string& p_s_key);
  double locateSection(const std::string& p_s_section, const std::string& p_s_callType);
  void nextGenCtl(const std::string& p_s_section, const std::string& p_s_key);
  void modifyCtl(const std::string& p_s_section, const std::string& p_s_key,
                 const std::string& p_s_newVal);
  void addSectionToCtl(const std::string& p_s_section);
  void addKeyToCtl(const std::string& p_s_section, const std::string& p_s_key,
                   const std::string& p_s_newVal);
  // Replaces the open file atomically with the image, blank-padded to the old length.
  bool rewriteCtl(const std::string& p_s_file);

  void openStatusFile(const std::string& strInFile);
  void statusGet();
  void StatusClose();
};

}  // namespace kvt::front
