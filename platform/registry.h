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

namespace kvt::platform {

inline constexpr uint32_t kHkeyLocalMachine = 0x80000002u;

// Path of the registry file: $KVT_REGISTRY, else $XDG_CONFIG_HOME/halvern/registry.reg,
// else $HOME/.config/halvern/registry.reg.
std::string RegistryFilePath();
// Where the registry is and how to choose another, for help texts: the registry file on POSIX,
// the system's own registry on Windows.
std::string RegistryDescription();

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

// Why the registry file was last found unusable in this process ("" when never): a file that
// is no registry file or cannot be read is never taken for an empty one nor overwritten.
std::string LastRegistryProblem();

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
  // Deletes one value of the key; false only when the registry cannot be written (a missing
  // key or value is already as wanted).
  bool DeleteValue(const std::string& key, const std::string& name);

  const std::string& path() const { return path_; }

 private:
  // The file's tree; false (problem recorded and reported) when the file cannot be used.
  // A missing or empty file is an empty registry.
  bool Load(RegistryTree* tree) const;
  // Locks, loads, applies change, writes back atomically. change returns false to abort.
  template <typename Change>
  bool Modify(Change change);

  std::string path_;
};

}  // namespace kvt::platform
