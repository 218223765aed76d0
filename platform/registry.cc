#include "platform/registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "platform/file_util.h"
#include "platform/paths.h"

namespace kvt::platform {
namespace {

const char kRootPrefix[] = "HKEY_LOCAL_MACHINE";

bool EqualNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

// "SOFTWARE\\A\\" and "\\SOFTWARE\\A" name the same key as "SOFTWARE\\A".
std::string NormalizeKey(const std::string& key) {
  size_t begin = key.find_first_not_of('\\');
  if (begin == std::string::npos) return "";
  size_t end = key.find_last_not_of('\\');
  return key.substr(begin, end - begin + 1);
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

// Parses one value line; false when it is malformed.
bool ParseValueLine(const std::string& line, std::string* name, RegValue* value) {
  size_t pos = 0;
  if (line[0] == '@') {
    name->clear();
    pos = 1;
  } else if (!ReadQuoted(line, &pos, name)) {
    return false;
  }
  if (pos >= line.size() || line[pos] != '=') return false;
  ++pos;
  if (line.compare(pos, 6, "dword:") == 0) {
    value->type = RegValue::Type::kDword;
    return ParseDword(line.substr(pos + 6), &value->dword);
  }
  value->type = RegValue::Type::kString;
  if (!ReadQuoted(line, &pos, &value->text)) return false;
  return pos == line.size();
}

}  // namespace

std::string RegistryFilePath() {
  const char* explicit_path = std::getenv("KVT_REGISTRY");
  if (explicit_path != nullptr && *explicit_path != '\0') return explicit_path;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && *xdg != '\0') return std::string(xdg) + "/halvern/registry.reg";
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : ".") + "/.config/halvern/registry.reg";
}

RegistryTree RegistryTree::Parse(const std::string& text) {
  RegistryTree tree;
  std::istringstream in(text);
  std::string line;
  Key* current = nullptr;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      current = nullptr;
      if (line.back() != ']') continue;
      std::string full = line.substr(1, line.size() - 2);
      std::string root = full.substr(0, full.find('\\'));
      if (!EqualNoCase(root, kRootPrefix)) continue;
      std::string key = NormalizeKey(full.substr(root.size()));
      if (key.empty()) continue;
      tree.CreateKey(key);
      current = tree.FindKey(key);
      continue;
    }
    if (current == nullptr || (line[0] != '"' && line[0] != '@')) continue;
    std::string name;
    RegValue value;
    if (ParseValueLine(line, &name, &value)) tree.Set(current->path, name, value);
  }
  return tree;
}

std::string RegistryTree::Serialize() const {
  std::string out = "REGEDIT4\n";
  for (const Key& key : keys_) {
    out += "\n[" + std::string(kRootPrefix) + "\\" + key.path + "]\n";
    for (const auto& [name, value] : key.values) {
      out += name.empty() ? "@" : "\"" + Escape(name) + "\"";
      out += "=";
      if (value.type == RegValue::Type::kDword) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "dword:%08x", value.dword);
        out += hex;
      } else {
        out += "\"" + Escape(value.text) + "\"";
      }
      out += "\n";
    }
  }
  return out;
}

RegistryTree::Key* RegistryTree::FindKey(const std::string& key) {
  std::string wanted = NormalizeKey(key);
  for (Key& k : keys_) {
    if (EqualNoCase(k.path, wanted)) return &k;
  }
  return nullptr;
}

const RegistryTree::Key* RegistryTree::FindKey(const std::string& key) const {
  return const_cast<RegistryTree*>(this)->FindKey(key);
}

bool RegistryTree::KeyExists(const std::string& key) const {
  std::string wanted = NormalizeKey(key);
  if (wanted.empty()) return true;
  for (const Key& k : keys_) {
    if (EqualNoCase(k.path, wanted) || IsBelow(k.path, wanted)) return true;
  }
  return false;
}

const RegValue* RegistryTree::Find(const std::string& key, const std::string& name) const {
  const Key* k = FindKey(key);
  if (k == nullptr) return nullptr;
  for (const auto& [n, v] : k->values) {
    if (EqualNoCase(n, name)) return &v;
  }
  return nullptr;
}

void RegistryTree::CreateKey(const std::string& key) {
  std::string path = NormalizeKey(key);
  if (path.empty() || FindKey(path) != nullptr) return;
  keys_.push_back(Key{path, {}});
}

void RegistryTree::Set(const std::string& key, const std::string& name, const RegValue& value) {
  CreateKey(key);
  Key* k = FindKey(key);
  if (k == nullptr) return;
  for (auto& [n, v] : k->values) {
    if (EqualNoCase(n, name)) {
      v = value;
      return;
    }
  }
  k->values.emplace_back(name, value);
}

bool RegistryTree::DeleteKey(const std::string& key) {
  std::string wanted = NormalizeKey(key);
  if (wanted.empty() || !KeyExists(wanted)) return false;
  keys_.erase(std::remove_if(keys_.begin(), keys_.end(),
                             [&](const Key& k) {
                               return EqualNoCase(k.path, wanted) || IsBelow(k.path, wanted);
                             }),
              keys_.end());
  return true;
}

Registry::Registry(std::string path) : path_(std::move(path)) {}

RegistryTree Registry::Load() const {
  std::string text;
  if (!ReadWholeFile(path_, &text)) return RegistryTree();
  return RegistryTree::Parse(text);
}

template <typename Change>
bool Registry::Modify(Change change) {
  std::string dir = DirectoryPart(path_);
  if (!dir.empty() && !IsDirectory(dir)) {
    // Missing folders are created on the first write.
    for (size_t i = 1; i <= dir.size(); ++i) {
      if (i == dir.size() || dir[i] == '/') MakeDirectory(dir.substr(0, i));
    }
  }
  // A lock file beside the registry file serialises writers; the registry file itself is
  // replaced by rename, so it cannot carry the lock.
  std::string lock_path = path_ + ".lock";
  int lock_fd = ::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (lock_fd < 0) return false;
  while (::flock(lock_fd, LOCK_EX) != 0) {
    if (errno != EINTR) {
      ::close(lock_fd);
      return false;
    }
  }
  RegistryTree tree = Load();
  bool ok = change(tree) && AtomicReplaceFile(path_, tree.Serialize());
  ::flock(lock_fd, LOCK_UN);
  ::close(lock_fd);
  return ok;
}

bool Registry::KeyExists(const std::string& key) const { return Load().KeyExists(key); }

std::optional<RegValue> Registry::Query(const std::string& key, const std::string& name) const {
  RegistryTree tree = Load();
  const RegValue* value = tree.Find(key, name);
  if (value == nullptr) return std::nullopt;
  return *value;
}

bool Registry::CreateKey(const std::string& key) {
  if (NormalizeKey(key).empty()) return false;
  return Modify([&](RegistryTree& tree) {
    tree.CreateKey(key);
    return true;
  });
}

bool Registry::SetString(const std::string& key, const std::string& name,
                         const std::string& text) {
  if (NormalizeKey(key).empty()) return false;
  return Modify([&](RegistryTree& tree) {
    RegValue value;
    value.text = text;
    tree.Set(key, name, value);
    return true;
  });
}

bool Registry::SetDword(const std::string& key, const std::string& name, uint32_t dword) {
  if (NormalizeKey(key).empty()) return false;
  return Modify([&](RegistryTree& tree) {
    RegValue value;
    value.type = RegValue::Type::kDword;
    value.dword = dword;
    tree.Set(key, name, value);
    return true;
  });
}

bool Registry::DeleteKey(const std::string& key) {
  return Modify([&](RegistryTree& tree) { return tree.DeleteKey(key); });
}

}  // namespace kvt::platform
