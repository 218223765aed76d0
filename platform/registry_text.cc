// The REGEDIT4 text of a registry file: reading it into a tree of keys and values and writing it
// back with every line the product did not change kept as it was. Pure text handling, the same
// on every system.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <iterator>

#include "platform/registry.h"

namespace kvt::platform {
namespace {

const char kRootPrefix[] = "HKEY_LOCAL_MACHINE";

bool EqualNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

// True when child lies below parent (case-insensitive).
bool IsBelow(const std::string& child, const std::string& parent) {
  return child.size() > parent.size() + 1 && child[parent.size()] == '\\' &&
         EqualNoCase(child.substr(0, parent.size()), parent);
}

std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

// Reads a quoted string starting at text[pos] == '"'; pos ends after the closing quote.
bool ReadQuoted(const std::string& text, size_t* pos, std::string* out) {
  if (*pos >= text.size() || text[*pos] != '"') return false;
  out->clear();
  for (size_t i = *pos + 1; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\\' && i + 1 < text.size()) {
      *out += text[++i];
    } else if (c == '"') {
      *pos = i + 1;
      return true;
    } else {
      *out += c;
    }
  }
  return false;
}

bool ParseDword(const std::string& digits, uint32_t* value) {
  if (digits.empty() || digits.size() > 8) return false;
  uint32_t v = 0;
  for (char c : digits) {
    int d = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
            : (c >= 'a' && c <= 'f')                    ? c - 'a' + 10
            : (c >= 'A' && c <= 'F')                    ? c - 'A' + 10
                                                        : -1;
    if (d < 0) return false;
    v = v * 16 + static_cast<uint32_t>(d);
  }
  *value = v;
  return true;
}

std::string TrimRight(const std::string& text) {
  size_t end = text.find_last_not_of(" \t\r");
  return end == std::string::npos ? "" : text.substr(0, end + 1);
}

size_t SkipBlanks(const std::string& text, size_t pos) {
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  return pos;
}

enum class LineKind { kValue, kOtherValue, kNotRead };

// Parses one value line; blanks around '=' are allowed. kOtherValue for a value of a type the
// product does not use, kNotRead for anything malformed.
LineKind ParseValueLine(const std::string& line, std::string* name, RegValue* value) {
  size_t pos = 0;
  if (line[0] == '@') {
    name->clear();
    pos = 1;
  } else if (!ReadQuoted(line, &pos, name)) {
    return LineKind::kNotRead;
  }
  pos = SkipBlanks(line, pos);
  if (pos >= line.size() || line[pos] != '=') return LineKind::kNotRead;
  pos = SkipBlanks(line, pos + 1);
  std::string data = TrimRight(line.substr(pos));
  if (data.compare(0, 6, "dword:") == 0) {
    value->type = RegValue::Type::kDword;
    return ParseDword(data.substr(6), &value->dword) ? LineKind::kValue : LineKind::kNotRead;
  }
  if (data.empty() || data[0] != '"') {
    value->type = RegValue::Type::kOther;
    return data.empty() ? LineKind::kNotRead : LineKind::kOtherValue;
  }
  value->type = RegValue::Type::kString;
  size_t quoted = 0;
  if (!ReadQuoted(data, &quoted, &value->text)) return LineKind::kNotRead;
  return quoted == data.size() ? LineKind::kValue : LineKind::kNotRead;
}

// The key path below HKEY_LOCAL_MACHINE that a header line names, "" for any other line
// (another hive, a deletion "[-...]", a header without its closing bracket).
std::string HeaderKey(const std::string& line) {
  std::string trimmed = TrimRight(line);
  if (trimmed.size() < 2 || trimmed[0] != '[' || trimmed.back() != ']') return "";
  std::string full = trimmed.substr(1, trimmed.size() - 2);
  std::string root = full.substr(0, full.find('\\'));
  if (!EqualNoCase(root, kRootPrefix)) return "";
  return NormalizeRegistryKey(full.substr(root.size()));
}

std::string ValueText(const std::string& name, const RegValue& value) {
  std::string out = name.empty() ? "@" : "\"" + Escape(name) + "\"";
  out += "=";
  if (value.type == RegValue::Type::kDword) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "dword:%08x", value.dword);
    out += hex;
  } else {
    out += "\"" + Escape(value.text) + "\"";
  }
  return out;
}

std::vector<std::string> SplitLines(const std::string& text, bool* crlf) {
  std::vector<std::string> lines;
  size_t at = 0;
  *crlf = false;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
      if (lines.empty()) *crlf = true;
    }
    lines.push_back(line);
    at = end + 1;
  }
  return lines;
}
}  // namespace

// "SOFTWARE\\A\\" and "\\SOFTWARE\\A" name the same key as "SOFTWARE\\A".
std::string NormalizeRegistryKey(const std::string& key) {
  size_t begin = key.find_first_not_of('\\');
  if (begin == std::string::npos) return "";
  size_t end = key.find_last_not_of('\\');
  return key.substr(begin, end - begin + 1);
}

bool RegistryTree::HasHeader(const std::string& text) {
  std::string first = text.substr(0, text.find('\n'));
  if (first.compare(0, 3, "\xEF\xBB\xBF") == 0) first.erase(0, 3);
  first = TrimRight(first);
  return first == "REGEDIT4" || first == "Windows Registry Editor Version 5.00";
}

RegistryTree RegistryTree::Parse(const std::string& text) {
  RegistryTree tree;
  bool crlf = false;
  std::vector<std::string> lines = SplitLines(text, &crlf);
  if (lines.empty()) return tree;
  tree.lineEnd_ = crlf ? "\r\n" : "\n";
  tree.blocks_.assign(1, Block{});
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (!line.empty() && line[0] == '[') {
      tree.blocks_.push_back(Block{line, HeaderKey(line), {}});
      continue;
    }
    Line entry(line);
    // A long value goes on over lines that end with a backslash.
    while (TrimRight(entry.text).ends_with('\\') && i + 1 < lines.size() &&
           (lines[i + 1].empty() || lines[i + 1][0] != '[')) {
      entry.text += "\n" + lines[++i];
    }
    Block& block = tree.blocks_.back();
    if (!block.path.empty() && !line.empty() && (line[0] == '"' || line[0] == '@')) {
      LineKind kind =
          ParseValueLine(entry.text.substr(0, entry.text.find('\n')), &entry.name, &entry.value);
      entry.isValue = kind != LineKind::kNotRead;
    }
    block.lines.push_back(entry);
  }
  return tree;
}

std::string RegistryTree::Serialize() const {
  std::string out;
  auto put = [&](const std::string& text) {
    size_t at = 0;
    for (size_t nl; (nl = text.find('\n', at)) != std::string::npos; at = nl + 1) {
      out += text.substr(at, nl - at) + lineEnd_;
    }
    out += text.substr(at) + lineEnd_;
  };
  for (size_t b = 0; b < blocks_.size(); ++b) {
    if (b > 0) put(blocks_[b].header);
    for (const Line& line : blocks_[b].lines) put(line.text);
  }
  return out;
}

RegistryTree::Block* RegistryTree::FindKey(const std::string& key) {
  std::string wanted = NormalizeRegistryKey(key);
  for (Block& b : blocks_) {
    if (!b.path.empty() && EqualNoCase(b.path, wanted)) return &b;
  }
  return nullptr;
}

const RegistryTree::Block* RegistryTree::FindKey(const std::string& key) const {
  return const_cast<RegistryTree*>(this)->FindKey(key);
}

// A key may be written in several blocks; as on import, its last line for a name wins.
RegistryTree::Line* RegistryTree::FindValue(const std::string& key, const std::string& name) {
  std::string wanted = NormalizeRegistryKey(key);
  Line* found = nullptr;
  for (Block& b : blocks_) {
    if (b.path.empty() || !EqualNoCase(b.path, wanted)) continue;
    for (Line& line : b.lines) {
      if (line.isValue && EqualNoCase(line.name, name)) found = &line;
    }
  }
  return found;
}

bool RegistryTree::KeyExists(const std::string& key) const {
  std::string wanted = NormalizeRegistryKey(key);
  if (wanted.empty()) return true;
  for (const Block& b : blocks_) {
    if (!b.path.empty() && (EqualNoCase(b.path, wanted) || IsBelow(b.path, wanted))) return true;
  }
  return false;
}

const RegValue* RegistryTree::Find(const std::string& key, const std::string& name) const {
  const Line* line = const_cast<RegistryTree*>(this)->FindValue(key, name);
  return line == nullptr ? nullptr : &line->value;
}

void RegistryTree::CreateKey(const std::string& key) {
  std::string path = NormalizeRegistryKey(key);
  if (path.empty() || FindKey(path) != nullptr) return;
  // A blank line before each key, unless the file already ends with one.
  Block& last = blocks_.back();
  if (last.lines.empty() || !TrimRight(last.lines.back().text).empty()) {
    last.lines.push_back(Line(""));
  }
  blocks_.push_back(Block{"[" + std::string(kRootPrefix) + "\\" + path + "]", path, {}});
}

void RegistryTree::Set(const std::string& key, const std::string& name, const RegValue& value) {
  Line* existing = FindValue(key, name);
  if (existing != nullptr) {
    *existing = Line(ValueText(existing->name, value), existing->name, value);
    return;
  }
  CreateKey(key);
  Block* block = FindKey(key);
  if (block == nullptr) return;
  // After the key's last written line, before the blank lines that part it from the next key.
  auto at = block->lines.end();
  while (at != block->lines.begin() && TrimRight(std::prev(at)->text).empty()) --at;
  block->lines.insert(at, Line(ValueText(name, value), name, value));
}

bool RegistryTree::DeleteKey(const std::string& key) {
  std::string wanted = NormalizeRegistryKey(key);
  if (wanted.empty() || !KeyExists(wanted)) return false;
  blocks_.erase(std::remove_if(blocks_.begin() + 1, blocks_.end(),
                               [&](const Block& b) {
                                 return !b.path.empty() &&
                                        (EqualNoCase(b.path, wanted) || IsBelow(b.path, wanted));
                               }),
                blocks_.end());
  return true;
}

void RegistryTree::DeleteValue(const std::string& key, const std::string& name) {
  const std::string wanted = NormalizeRegistryKey(key);
  // A key written in several blocks may name the value in more than one of them.
  for (Block& b : blocks_) {
    if (b.path.empty() || !EqualNoCase(b.path, wanted)) continue;
    std::erase_if(b.lines,
                  [&](const Line& line) { return line.isValue && EqualNoCase(line.name, name); });
  }
}
}  // namespace kvt::platform
