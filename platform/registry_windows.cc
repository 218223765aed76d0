// The real registry under HKEY_LOCAL_MACHINE through the A-functions. The path a Registry is
// made with names no file here: the system serialises writers itself.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/windows_error.h"

namespace kvt::platform {
namespace {

// An open key, closed when it goes out of scope.
class Key {
 public:
  Key() = default;
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  ~Key() {
    if (hkey_ != nullptr) ::RegCloseKey(hkey_);
  }
  LONG Open(const std::string& path, REGSAM access) {
    return ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, NormalizeRegistryKey(path).c_str(), 0, access,
                           &hkey_);
  }
  LONG Create(const std::string& path) {
    std::string normal = NormalizeRegistryKey(path);
    if (normal.empty()) return ERROR_INVALID_PARAMETER;
    return ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, normal.c_str(), 0, nullptr,
                             REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr, &hkey_,
                             nullptr);
  }
  HKEY get() const { return hkey_; }

 private:
  HKEY hkey_ = nullptr;
};

// The registry's answer as a Status that names the key.
Status Answer(LONG rc, const std::string& key) {
  if (rc == ERROR_SUCCESS) return Status::Ok();
  const Status::Code code = rc == ERROR_FILE_NOT_FOUND || rc == ERROR_PATH_NOT_FOUND
                                ? Status::Code::kNotFound
                            : rc == ERROR_ACCESS_DENIED     ? Status::Code::kAccessDenied
                            : rc == ERROR_INVALID_PARAMETER ? Status::Code::kInvalid
                                                            : Status::Code::kIoError;
  return Status::Error(
      code, "HKEY_LOCAL_MACHINE\\" + key + ": " + WindowsErrorText(static_cast<uint32_t>(rc)));
}

Status SetValue(const std::string& key, const std::string& name, DWORD type, const void* data,
                DWORD size) {
  Key k;
  LONG rc = k.Create(key);
  if (rc == ERROR_SUCCESS) {
    rc = ::RegSetValueExA(k.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
  }
  return Answer(rc, key);
}

// Deletes path's subkeys, deepest first, then path: RegDeleteKeyA removes only a key that has
// no subkeys.
LONG DeleteTree(const std::string& path) {
  std::vector<std::string> children;
  {
    Key k;
    if (LONG rc = k.Open(path, KEY_READ); rc != ERROR_SUCCESS) return rc;
    char name[256];  // a key name is at most 255 characters
    for (DWORD i = 0;; ++i) {
      DWORD length = sizeof name;
      LONG rc = ::RegEnumKeyExA(k.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr);
      if (rc != ERROR_SUCCESS) break;
      children.emplace_back(name, length);
    }
  }
  for (const std::string& child : children) {
    if (LONG rc = DeleteTree(path + "\\" + child); rc != ERROR_SUCCESS) return rc;
  }
  return ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str());
}

}  // namespace

// The product's programs word their messages with a path; this is where the values live.
std::string RegistryFilePath() { return "HKEY_LOCAL_MACHINE"; }

std::string RegistryDescription() { return "the system registry"; }

Registry::Registry(std::string path) : path_(std::move(path)) {}

Status Registry::HasKey(const std::string& key, bool* exists) const {
  Key k;
  const LONG rc = k.Open(key, KEY_READ);
  *exists = rc == ERROR_SUCCESS;
  // A missing key is an answer, not a failure.
  return rc == ERROR_FILE_NOT_FOUND ? Status::Ok() : Answer(rc, key);
}

Status Registry::Read(const std::string& key, const std::string& name,
                      std::optional<RegValue>* value) const {
  value->reset();
  Key k;
  LONG rc = k.Open(key, KEY_QUERY_VALUE);
  DWORD type = 0;
  DWORD size = 0;
  if (rc == ERROR_SUCCESS)
    rc = ::RegQueryValueExA(k.get(), name.c_str(), nullptr, &type, nullptr, &size);
  std::vector<BYTE> data(size + 1);
  if (rc == ERROR_SUCCESS) {
    rc = ::RegQueryValueExA(k.get(), name.c_str(), nullptr, &type, data.data(), &size);
  }
  // A key or value that is not there is simply missing.
  if (rc == ERROR_FILE_NOT_FOUND) return Status::Ok();
  if (rc != ERROR_SUCCESS) return Answer(rc, key);
  RegValue found;
  if (type == REG_DWORD && size == sizeof(DWORD)) {
    found.type = RegValue::Type::kDword;
    found.dword = *reinterpret_cast<const DWORD*>(data.data());
    *value = found;
    return Status::Ok();
  }
  if (type != REG_SZ && type != REG_EXPAND_SZ) return Status::Ok();
  // The stored size counts the terminating zero, when the writer stored one.
  std::string text(reinterpret_cast<const char*>(data.data()), size);
  while (!text.empty() && text.back() == '\0') text.pop_back();
  found.text = text;
  *value = found;
  return Status::Ok();
}

Status Registry::CreateKey(const std::string& key) {
  Key k;
  return Answer(k.Create(key), key);
}

Status Registry::SetString(const std::string& key, const std::string& name,
                           const std::string& text) {
  return SetValue(key, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

Status Registry::SetDword(const std::string& key, const std::string& name, uint32_t value) {
  DWORD dword = value;
  return SetValue(key, name, REG_DWORD, &dword, sizeof dword);
}

Status Registry::DeleteKey(const std::string& key) {
  std::string normal = NormalizeRegistryKey(key);
  return Answer(normal.empty() ? ERROR_INVALID_PARAMETER : DeleteTree(normal), key);
}

Status Registry::DeleteValue(const std::string& key, const std::string& name) {
  Key k;
  LONG rc = k.Open(key, KEY_SET_VALUE);
  if (rc == ERROR_SUCCESS) rc = ::RegDeleteValueA(k.get(), name.c_str());
  // A missing key or value is already as wanted.
  return rc == ERROR_FILE_NOT_FOUND ? Status::Ok() : Answer(rc, key);
}

}  // namespace kvt::platform
