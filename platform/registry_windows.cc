// The real registry under HKEY_LOCAL_MACHINE through the A-functions. The path a Registry is
// made with names no file here: the system serialises writers itself.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/registry.h"

namespace kvt::platform {
namespace {

// "SOFTWARE\\A\\" and "\\SOFTWARE\\A" name the same key as "SOFTWARE\\A"; the system refuses
// a leading backslash.
std::string NormalizeKey(const std::string& key) {
  size_t begin = key.find_first_not_of('\\');
  if (begin == std::string::npos) return "";
  size_t end = key.find_last_not_of('\\');
  return key.substr(begin, end - begin + 1);
}

// An open key, closed when it goes out of scope.
class Key {
 public:
  Key() = default;
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  ~Key() {
    if (hkey_ != nullptr) ::RegCloseKey(hkey_);
  }
  bool Open(const std::string& path, REGSAM access) {
    return ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, NormalizeKey(path).c_str(), 0, access, &hkey_) ==
           ERROR_SUCCESS;
  }
  bool Create(const std::string& path) {
    std::string normal = NormalizeKey(path);
    return !normal.empty() && ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, normal.c_str(), 0, nullptr,
                                                REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                                                nullptr, &hkey_, nullptr) == ERROR_SUCCESS;
  }
  HKEY get() const { return hkey_; }

 private:
  HKEY hkey_ = nullptr;
};

bool SetValue(const std::string& key, const std::string& name, DWORD type, const void* data,
              DWORD size) {
  Key k;
  return k.Create(key) && ::RegSetValueExA(k.get(), name.c_str(), 0, type,
                                           static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

// Deletes path's subkeys, deepest first, then path: RegDeleteKeyA removes only a key that has
// no subkeys.
bool DeleteTree(const std::string& path) {
  std::vector<std::string> children;
  {
    Key k;
    if (!k.Open(path, KEY_READ)) return false;
    char name[256];  // a key name is at most 255 characters
    for (DWORD i = 0;; ++i) {
      DWORD length = sizeof name;
      LONG rc = ::RegEnumKeyExA(k.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr);
      if (rc != ERROR_SUCCESS) break;
      children.emplace_back(name, length);
    }
  }
  for (const std::string& child : children) {
    if (!DeleteTree(path + "\\" + child)) return false;
  }
  return ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str()) == ERROR_SUCCESS;
}

}  // namespace

// The product's programs word their messages with a path; this is where the values live.
std::string RegistryFilePath() { return "HKEY_LOCAL_MACHINE"; }

std::string RegistryDescription() { return "the system registry"; }

// The real registry has no file that could be found unreadable or foreign; a key or value it
// cannot give is simply missing.
std::string LastRegistryProblem() { return std::string(); }

Registry::Registry(std::string path) : path_(std::move(path)) {}

bool Registry::KeyExists(const std::string& key) const {
  Key k;
  return k.Open(key, KEY_READ);
}

std::optional<RegValue> Registry::Query(const std::string& key, const std::string& name) const {
  Key k;
  if (!k.Open(key, KEY_QUERY_VALUE)) return std::nullopt;
  DWORD type = 0;
  DWORD size = 0;
  if (::RegQueryValueExA(k.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::vector<BYTE> data(size + 1);
  if (::RegQueryValueExA(k.get(), name.c_str(), nullptr, &type, data.data(), &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  RegValue value;
  if (type == REG_DWORD && size == sizeof(DWORD)) {
    value.type = RegValue::Type::kDword;
    value.dword = *reinterpret_cast<const DWORD*>(data.data());
    return value;
  }
  if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
  // The stored size counts the terminating zero, when the writer stored one.
  std::string text(reinterpret_cast<const char*>(data.data()), size);
  while (!text.empty() && text.back() == '\0') text.pop_back();
  value.text = text;
  return value;
}

bool Registry::CreateKey(const std::string& key) {
  Key k;
  return k.Create(key);
}

bool Registry::SetString(const std::string& key, const std::string& name, const std::string& text) {
  return SetValue(key, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

bool Registry::SetDword(const std::string& key, const std::string& name, uint32_t value) {
  DWORD dword = value;
  return SetValue(key, name, REG_DWORD, &dword, sizeof dword);
}

bool Registry::DeleteKey(const std::string& key) {
  std::string normal = NormalizeKey(key);
  return !normal.empty() && DeleteTree(normal);
}

bool Registry::DeleteValue(const std::string& key, const std::string& name) {
  Key k;
  if (!k.Open(key, KEY_SET_VALUE)) return !KeyExists(key);
  const LONG rc = ::RegDeleteValueA(k.get(), name.c_str());
  return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

}  // namespace kvt::platform
