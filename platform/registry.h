// The registry stand-in: one REGEDIT4 text file holds the whole HKEY_LOCAL_MACHINE tree.
// Reads parse the file as it is now; writes take an advisory lock, re-read the file, change it
// and replace it atomically, so two programs writing at once lose nothing.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kvt::platform {

inline constexpr uint32_t kHkeyLocalMachine = 0x80000002u;

// Path of the registry file: $KVT_REGISTRY, else $XDG_CONFIG_HOME/halvern/registry.reg,
// else $HOME/.config/halvern/registry.reg.
std::string RegistryFilePath();

struct RegValue {
  enum class Type { kString, kDword } type = Type::kString;
  std::string text;     // kString
  uint32_t dword = 0;   // kDword
};

// Parsed content of a registry file. Key paths are stored without the root
// ("SOFTWARE\\Halvern\\KV0220"); names compare case-insensitively.
class RegistryTree {
 public:
  // Reads what it can from a file's text; malformed lines are skipped.
  static RegistryTree Parse(const std::string& text);
  std::string Serialize() const;

  bool KeyExists(const std::string& key) const;
  const RegValue* Find(const std::string& key, const std::string& name) const;
  void CreateKey(const std::string& key);
  void Set(const std::string& key, const std::string& name, const RegValue& value);
  // Removes the key and everything below it; false when it does not exist.
  bool DeleteKey(const std::string& key);

 private:
  struct Key {
    std::string path;  // as first written
    std::vector<std::pair<std::string, RegValue>> values;
  };
  Key* FindKey(const std::string& key);
  const Key* FindKey(const std::string& key) const;
  std::vector<Key> keys_;
};

// The registry file on disk.
class Registry {
 public:
  explicit Registry(std::string path = RegistryFilePath());

  bool KeyExists(const std::string& key) const;
  std::optional<RegValue> Query(const std::string& key, const std::string& name) const;
  bool CreateKey(const std::string& key);
  bool SetString(const std::string& key, const std::string& name, const std::string& text);
  bool SetDword(const std::string& key, const std::string& name, uint32_t value);
  // Deletes the key and its subkeys; false when it does not exist or the file cannot be written.
  bool DeleteKey(const std::string& key);

  const std::string& path() const { return path_; }

 private:
  RegistryTree Load() const;
  // Locks, loads, applies change, writes back atomically. change returns false to abort.
  template <typename Change>
  bool Modify(Change change);

  std::string path_;
};

}  // namespace kvt::platform
