// clsFile: the sectioned control file ([SECTION] lines and KEY="value" lines) held as one
// in-memory image, and the reader of the engine's 64-character status records.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frontlib/file_block.h"

namespace kvt::front {

class clsFile {
 public:
  // A file larger than this is not a control file and is refused.
  static constexpr int64_t kMaxControlFileSize = 1 << 20;

  // The program's one control-file image (the whole file, no fixed size) and status record,
  // shared by every clsFile object.
  static std::string& ctlBuffer();
  static std::string& statusRec();
  static FileBlock& controlBlock();
  static FileBlock& statusBlock();

  // Opens the file (a missing file is created empty) and loads the image in the program's own
  // encoding (see controlFileText: a byte-order mark, UTF-16 or the system's code page is
  // decoded), its line ends made CR LF (LF and lone CR are read as line ends too). False when it
  // could not be opened or is too large to be a control file (the image is then empty).
  bool openCtlFile(const std::string& strInFile);
  std::string ReceiveCtl(const std::string& p_s_section, const std::string& p_s_key,
                         const std::string& p_s_path);
  void CtlClose();
  std::string getPosition(const std::string& p_s_section, const std::string& p_s_key);
  std::string getValue(const std::string& p_s_section, const std::string& p_s_key);
  // Names of the key lines of a section, in file order.
  std::vector<std::string> keyNames(const std::string& p_s_section);
  double locateSection(const std::string& p_s_section, const std::string& p_s_callType);
  void nextGenCtl(const std::string& p_s_section, const std::string& p_s_key);
  void modifyCtl(const std::string& p_s_section, const std::string& p_s_key,
                 const std::string& p_s_newVal);
  void addSectionToCtl(const std::string& p_s_section);
  void addKeyToCtl(const std::string& p_s_section, const std::string& p_s_key,
                   const std::string& p_s_newVal);
  // Replaces the open file atomically with the image, blank-padded to the old length; the
  // file is never shortened. p_s_file is not used. False when no control file is open, the
  // image would exceed kMaxControlFileSize, or the file could not be replaced (the old file is
  // then unchanged).
  bool rewriteCtl(const std::string& p_s_file);

  // Opens an existing status file (a missing one is not created), position 1.
  void openStatusFile(const std::string& strInFile);
  // statusRec = the 64 bytes at statusBlock().position, blank-padded; 64 blanks when closed.
  // The caller advances the position.
  void statusGet();
  void StatusClose();
};

}  // namespace kvt::front
