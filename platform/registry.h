// The registry stand-in: one REGEDIT4 text file holds the whole HKEY_LOCAL_MACHINE tree.
// Reads parse the file as it is now; writes take an advisory lock, re-read the file, change it
// and replace it atomically, so two programs writing at once lose nothing. A person may edit
// the file: whatever the product does not set (comments, other hives, value types it does not
// know, lines it cannot read) is written back as it was.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_system.h"

namespace kvt::platform {

inline constexpr uint32_t kHkeyLocalMachine = 0x80000002u;

// Path of the registry file: $KVT_REGISTRY, else $XDG_CONFIG_HOME/halvern/registry.reg,
// else $HOME/.config/halvern/registry.reg.
std::string RegistryFilePath();
// Where the registry is and how to choose another, for help texts: the registry file on POSIX,
// the system's own registry on Windows.
std::string RegistryDescription();

// "SOFTWARE\\A\\" and "\\SOFTWARE\\A" name the same key as "SOFTWARE\\A"; "" names the root.
std::string NormalizeRegistryKey(const std::string& key);

struct RegValue {
  // kOther: a type the product does not use (hex:, hex(2):, ...), kept but never read.
  enum class Type { kString, kDword, kOther } type = Type::kString;
  std::string text;    // kString
  uint32_t dword = 0;  // kDword
};

// Parsed content of a registry file. Key paths are stored without the root
// ("SOFTWARE\\Halvern\\KV0220"); names compare case-insensitively.
class RegistryTree {
 public:
  // True when the text starts with a registry header line (REGEDIT4, or the version 5 one).
  static bool HasHeader(const std::string& text);
  // Reads what it can from a file's text; lines it cannot read are kept for Serialize but
  // give no value.
  static RegistryTree Parse(const std::string& text);
  // The text parsed with only the changes made since: every other line stays as it was.
  std::string Serialize() const;

  bool KeyExists(const std::string& key) const;
  const RegValue* Find(const std::string& key, const std::string& name) const;
  void CreateKey(const std::string& key);
  void Set(const std::string& key, const std::string& name, const RegValue& value);
  // Removes the key and everything below it; false when it does not exist.
  bool DeleteKey(const std::string& key);
  // Removes the key's value of that name; a value that is not there is no error.
  void DeleteValue(const std::string& key, const std::string& name);

 private:
  // One line of the file (a value spread over continuation lines is one Line), as read.
  struct Line {
    Line() = default;
    explicit Line(std::string t) : text(std::move(t)) {}
    Line(std::string t, std::string n, const RegValue& v)
        : text(std::move(t)), isValue(true), name(std::move(n)), value(v) {}
    std::string text;      // without its line end; continuation lines joined by '\n'
    bool isValue = false;  // a value line the reader understood
    std::string name;
    RegValue value;
  };
  // A key's header line and the lines up to the next header. The first block holds the lines
  // before the first header; blocks of other hives and unreadable headers have no path.
  struct Block {
    std::string header;  // "" for the first block
    std::string path;    // key path below HKEY_LOCAL_MACHINE, "" when not one
    std::vector<Line> lines;
  };
  Block* FindKey(const std::string& key);
  const Block* FindKey(const std::string& key) const;
  Line* FindValue(const std::string& key, const std::string& name);
  std::vector<Block> blocks_ = {Block{"", "", {Line{"REGEDIT4"}}}};
  std::string lineEnd_ = "\n";
};

// The registry on disk (the system's own on Windows). Every call answers with a Status and
// prints nothing: the caller decides whether and where the user hears of a failure. A registry
// file that is no registry file or cannot be read is never taken for an empty one nor
// overwritten: reads and writes then fail with a message that names the file.
class Registry {
 public:
  explicit Registry(std::string path = RegistryFilePath());

  // *exists tells whether the key (or one below it) is there.
  Status HasKey(const std::string& key, bool* exists) const;
  // *value is the value, or nothing when the key or the value is missing.
  Status Read(const std::string& key, const std::string& name,
              std::optional<RegValue>* value) const;
  Status CreateKey(const std::string& key);
  Status SetString(const std::string& key, const std::string& name, const std::string& text);
  Status SetDword(const std::string& key, const std::string& name, uint32_t value);
  // Deletes the key and its subkeys; kNotFound when it does not exist.
  Status DeleteKey(const std::string& key);
  // Deletes one value of the key; a missing key or value is already as wanted.
  Status DeleteValue(const std::string& key, const std::string& name);

  // Shorthands for callers to whom a registry that cannot be read is one without the key or
  // value: they have nothing to tell the user either way.
  bool KeyExists(const std::string& key) const;
  std::optional<RegValue> Query(const std::string& key, const std::string& name) const;

  const std::string& path() const { return path_; }

 private:
#ifndef _WIN32
  // The file's tree; a missing or empty file is an empty registry.
  Status Load(RegistryTree* tree) const;
  // Locks, loads, applies change, writes back atomically. change answers kNotFound to leave
  // the file as it is.
  template <typename Change>
  Status Modify(Change change);
#endif

  std::string path_;
};

}  // namespace kvt::platform
