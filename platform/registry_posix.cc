// The registry stand-in on POSIX systems: one REGEDIT4 text file (registry_text.cc reads and
// writes its text) holds the whole HKEY_LOCAL_MACHINE tree. Reads parse the file as it is now;
// writes take an advisory lock, re-read the file, change it and replace it atomically, so two
// programs writing at once lose nothing.
#include <cstdlib>

#include "platform/file_lock.h"
#include "platform/file_util.h"
#include "platform/paths.h"
#include "platform/registry.h"

namespace kvt::platform {
namespace {

Status Unusable(const std::string& path, Status::Code code, const std::string& why) {
  return Status::Error(code, "Registry file " + path + why);
}

Status ReadText(const std::string& path, std::string* text) {
  FileSystem& fs = FileSystem::Default();
  std::unique_ptr<File> file;
  uint64_t size = 0;
  Status status = fs.Open(path, OpenMode::kRead, &file);
  if (status.ok()) status = file->Size(&size);
  if (status.ok()) {
    text->assign(static_cast<size_t>(size), '\0');
    size_t got = 0;
    status = file->ReadAt(0, text->data(), text->size(), &got);
    text->resize(got);
  }
  if (status.ok()) return status;
  return Unusable(path, status.code(),
                  " cannot be read (" + SystemWords(status) + "); it is left as it is.");
}

Status NoKeyNamed(const std::string& key) {
  return Status::Error(Status::Code::kInvalid, "no registry key named by \"" + key + "\"");
}

}  // namespace

std::string RegistryDescription() {
  return "the registry file " + RegistryFilePath() + "\n(set KVT_REGISTRY to use another)";
}

std::string RegistryFilePath() {
  const char* explicit_path = std::getenv("KVT_REGISTRY");
  if (explicit_path != nullptr && *explicit_path != '\0') return explicit_path;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && *xdg != '\0') return std::string(xdg) + "/halvern/registry.reg";
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : ".") + "/.config/halvern/registry.reg";
}

Registry::Registry(std::string path) : path_(std::move(path)) {}

Status Registry::Load(RegistryTree* tree) const {
  FileSystem& fs = FileSystem::Default();
  // Only a regular file may be read as the registry and replaced: never a device or a folder.
  const bool exists = fs.Exists(path_);
  const bool file_or_nothing = fs.HoldsFileOrNothing(path_);
  if (!exists && file_or_nothing) {
    *tree = RegistryTree();
    return Status::Ok();
  }
  if (exists && !file_or_nothing) {
    return Unusable(path_, Status::Code::kInvalid, " is not a regular file; it is left as it is.");
  }
  std::string text;
  Status read = ReadText(path_, &text);
  if (!read.ok()) return read;
  if (!text.empty() && !RegistryTree::HasHeader(text)) {
    return Unusable(path_, Status::Code::kInvalid,
                    " does not start with REGEDIT4: it is no registry file and is left as it is.");
  }
  *tree = text.empty() ? RegistryTree() : RegistryTree::Parse(text);
  return Status::Ok();
}

template <typename Change>
Status Registry::Modify(Change change) {
  std::string dir = DirectoryPart(path_);
  if (!dir.empty() && !IsDirectory(dir)) {
    // Missing folders are created on the first write.
    for (size_t i = 1; i <= dir.size(); ++i) {
      if (i == dir.size() || dir[i] == '/') MakeDirectory(dir.substr(0, i));
    }
  }
  // A lock file beside the registry file serialises writers; the registry file itself is
  // replaced by rename, so it cannot carry the lock.
  FileLock lock(/*inheritable=*/false, FileLock::Access::kShared);
  Status status = lock.Open(path_ + ".lock");
  if (!status.ok()) {
    return Unusable(path_, status.code(),
                    ": its lock file cannot be opened (" + status.message() + ").");
  }
  status = lock.Lock();
  RegistryTree tree;
  if (status.ok()) status = Load(&tree);
  if (status.ok()) status = change(tree);
  if (status.ok() && !AtomicReplaceFile(path_, tree.Serialize())) {
    status = Unusable(path_, Status::Code::kIoError, " could not be replaced.");
  }
  return status;
}

Status Registry::HasKey(const std::string& key, bool* exists) const {
  RegistryTree tree;
  Status status = Load(&tree);
  *exists = status.ok() && tree.KeyExists(key);
  return status;
}

Status Registry::Read(const std::string& key, const std::string& name,
                      std::optional<RegValue>* value) const {
  RegistryTree tree;
  value->reset();
  Status status = Load(&tree);
  if (!status.ok()) return status;
  if (const RegValue* found = tree.Find(key, name)) *value = *found;
  return status;
}

Status Registry::CreateKey(const std::string& key) {
  if (NormalizeRegistryKey(key).empty()) return NoKeyNamed(key);
  return Modify([&](RegistryTree& tree) {
    tree.CreateKey(key);
    return Status::Ok();
  });
}

Status Registry::SetString(const std::string& key, const std::string& name,
                           const std::string& text) {
  if (NormalizeRegistryKey(key).empty()) return NoKeyNamed(key);
  return Modify([&](RegistryTree& tree) {
    RegValue value;
    value.text = text;
    tree.Set(key, name, value);
    return Status::Ok();
  });
}

Status Registry::SetDword(const std::string& key, const std::string& name, uint32_t dword) {
  if (NormalizeRegistryKey(key).empty()) return NoKeyNamed(key);
  return Modify([&](RegistryTree& tree) {
    RegValue value;
    value.type = RegValue::Type::kDword;
    value.dword = dword;
    tree.Set(key, name, value);
    return Status::Ok();
  });
}

Status Registry::DeleteKey(const std::string& key) {
  return Modify([&](RegistryTree& tree) {
    if (tree.DeleteKey(key)) return Status::Ok();
    return Status::Error(Status::Code::kNotFound, "registry key " + key + " does not exist");
  });
}

Status Registry::DeleteValue(const std::string& key, const std::string& name) {
  return Modify([&](RegistryTree& tree) {
    tree.DeleteValue(key, name);
    return Status::Ok();
  });
}

}  // namespace kvt::platform
