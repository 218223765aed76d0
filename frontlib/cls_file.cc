// clsFile, control-file half: the program's one control-file image, its lookups and edits,
// and the atomic write back. The image is the whole file; nothing beyond a fixed size is cut.
#include "frontlib/cls_file.h"

#include <algorithm>

#include "frontlib/control_text.h"
#include "frontlib/ctl_image.h"
#include "platform/file_util.h"

namespace kvt::front {

namespace {

constexpr int16_t kControlFileNumber = 1;

// Editors on Linux end lines with LF, old Macintosh ones with CR: the image always holds CR LF,
// so every lookup sees the same lines and a rewrite keeps the product's own line ends. A file
// that already has CR LF throughout is left exactly as it is.
void toCrLf(std::string& image) {
  if (image.find_first_of("\r\n") == std::string::npos) return;
  std::string out;
  out.reserve(image.size() + image.size() / 16);
  for (size_t i = 0; i < image.size(); ++i) {
    char c = image[i];
    if (c == '\r' && i + 1 < image.size() && image[i + 1] == '\n') {
      out += "\r\n";
      ++i;
    } else if (c == '\r' || c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  image.swap(out);
}

}  // namespace

std::string& clsFile::ctlBuffer() {
  static std::string image;
  return image;
}

FileBlock& clsFile::controlBlock() {
  static FileBlock block;
  return block;
}

bool clsFile::openCtlFile(const std::string& strInFile) {
  FileBlock& block = controlBlock();
  std::string& image = ctlBuffer();
  filClose(block);
  block.fileNumber = kControlFileNumber;
  block.name = strInFile;
  block.recordLength = 0;
  block.position = 1;
  block.buffer.clear();
  image.clear();
  filOpen(block);
  if (block.state != 1) return false;
  int64_t length = filLength(block);
  if (length < 0 || length > kMaxControlFileSize) {
    // Closed, so that no rewrite can put a partial image over the file.
    filClose(block);
    return false;
  }
  block.recordLength = length;
  filRead(block);
  // Whatever editor saved the file, lookups see the program's own encoding.
  image = controlFileText(block.buffer);
  block.buffer.clear();
  toCrLf(image);
  return true;
}

std::string clsFile::ReceiveCtl(const std::string& p_s_section, const std::string& p_s_key,
                                const std::string& p_s_path) {
  if (controlBlock().state != 1) openCtlFile(p_s_path);
  return getValue(p_s_section, p_s_key);
}

void clsFile::CtlClose() { filClose(controlBlock()); }

std::string clsFile::getPosition(const std::string& p_s_section, const std::string& p_s_key) {
  size_t offset = ctl::FindValue(ctlBuffer(), p_s_section, p_s_key);
  if (offset == ctl::kNotFound) return "0";
  return std::to_string(static_cast<int64_t>(offset) + 1);
}

std::string clsFile::getValue(const std::string& p_s_section, const std::string& p_s_key) {
  size_t offset = ctl::FindValue(ctlBuffer(), p_s_section, p_s_key);
  if (offset == ctl::kNotFound) return std::string();
  return ctl::ValueAt(ctlBuffer(), offset);
}

std::vector<std::string> clsFile::keyNames(const std::string& p_s_section) {
  return ctl::KeyNames(ctlBuffer(), p_s_section);
}

double clsFile::locateSection(const std::string& p_s_section, const std::string& p_s_callType) {
  ctl::SectionSearch hit = ctl::FindSection(ctlBuffer(), p_s_section);
  if (hit.found) return static_cast<double>(hit.body + 1);
  if (p_s_callType == "LAST") {
    return hit.sawHeader ? static_cast<double>(hit.body + 1) : 1.0;
  }
  return 0;
}

void clsFile::nextGenCtl(const std::string& p_s_section, const std::string& p_s_key) {
  ctl::AdvanceCounter(ctlBuffer(), p_s_section, p_s_key);
}

void clsFile::modifyCtl(const std::string& p_s_section, const std::string& p_s_key,
                        const std::string& p_s_newVal) {
  ctl::ReplaceValue(ctlBuffer(), p_s_section, p_s_key, p_s_newVal);
}

void clsFile::addSectionToCtl(const std::string& p_s_section) {
  ctl::AppendSection(ctlBuffer(), p_s_section);
}

void clsFile::addKeyToCtl(const std::string& p_s_section, const std::string& p_s_key,
                          const std::string& p_s_newVal) {
  ctl::InsertKey(ctlBuffer(), p_s_section, p_s_key, p_s_newVal);
}

bool clsFile::rewriteCtl(const std::string& /*p_s_file*/) {
  FileBlock& block = controlBlock();
  if (block.state != 1) return false;
  const std::string& image = ctlBuffer();
  // The file is never shortened: a shorter image leaves blanks over the old tail.
  int64_t old_length = std::max(filLength(block), platform::FileSize(block.name));
  int64_t length = std::max(old_length, static_cast<int64_t>(ctl::TrimmedLength(image)));
  if (length > kMaxControlFileSize) return false;
  std::string contents = image.substr(0, static_cast<size_t>(length));
  contents.resize(static_cast<size_t>(length), ' ');
  // Windows replaces no file that is open, not even through our own handle: the block lets go
  // of the file first and takes up the name again after, the new file or, on failure, the old.
  const int64_t position = block.position;
  filClose(block);
  const bool replaced = platform::AtomicReplaceFile(block.name, contents);
  filOpen(block);
  if (!replaced) {
    block.position = position;
    return false;
  }
  block.recordLength = length;
  return block.state == 1;
}

}  // namespace kvt::front
