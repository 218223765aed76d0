#include "install/install_steps.h"

#include <filesystem>
#include <system_error>

#include "frontlib/cls_file.h"
#include "frontlib/shared_routines.h"
#include "platform/file_util.h"
#include "platform/registry.h"

namespace kvt::install {
namespace {

namespace fs = std::filesystem;

constexpr char kSection[] = "DEFINITIONS";

bool IsRegularFile(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(fs::symlink_status(path, ec));
}

}  // namespace

Status WriteInstallConfig(const InstallSetup& setup) {
  const std::string path = setup.cfgPath();
  // The file is written anew, never merged: the class pads a rewrite to the old length.
  if (platform::FileExists(path) && !platform::RemoveFile(path)) {
    return Status::NotWritten("kvtinst.cfg could not be replaced.");
  }
  front::clsFile cfg;
  if (!cfg.openCtlFile(path)) return Status::NotWritten("kvtinst.cfg could not be created.");
  cfg.addSectionToCtl(kSection);
  // Each key goes straight under the header, so the file reads them in the reverse order.
  cfg.addKeyToCtl(kSection, "APPPATH", setup.ownDir);
  cfg.addKeyToCtl(kSection, "VERSION", setup.versionText);
  cfg.addKeyToCtl(kSection, "PRODUCT", "KV02");
  cfg.addKeyToCtl(kSection, "EDITING", "MODIFYING THIS FILE WILL CAUSE THE SORT TO FAIL.");
  const bool written = cfg.rewriteCtl("dummy");
  cfg.CtlClose();
  if (!written) return Status::NotWritten("kvtinst.cfg could not be written.");
  return Status::OK();
}

Status SaveMainDir(const InstallSetup& setup) {
  if (!front::regPut(platform::kHkeyLocalMachine, setup.registryKey, "MainDir", setup.ownDir)) {
    return Status::NotWritten("MainDir could not be written to the registry.");
  }
  return Status::OK();
}

FormerMainDir ReadFormerMainDir(const InstallSetup& setup) {
  const platform::Registry registry;
  FormerMainDir former;
  former.keyExisted = registry.KeyExists(setup.registryKey);
  const std::optional<platform::RegValue> value = registry.Query(setup.registryKey, "MainDir");
  if (value && value->type == platform::RegValue::Type::kString) former.value = value->text;
  return former;
}

Status RestoreMainDir(const InstallSetup& setup, const FormerMainDir& former) {
  platform::Registry registry;
  bool restored = false;
  if (former.value) {
    restored = registry.SetString(setup.registryKey, "MainDir", *former.value);
  } else if (former.keyExisted) {
    restored = registry.DeleteValue(setup.registryKey, "MainDir");
  } else {
    restored = registry.DeleteKey(setup.registryKey) || !registry.KeyExists(setup.registryKey);
  }
  if (!restored) return Status::NotWritten("MainDir could not be put back in the registry.");
  return Status::OK();
}

Status PrepareCleanupProgram(const InstallSetup& setup) {
  const std::string from = setup.deliveredCleanupPath();
  if (!IsRegularFile(from)) return Status::Failed("install.wrk not found.");
  std::error_code ec;
  // A rename keeps the file's mode, so the program stays executable.
  fs::rename(from, setup.cleanupPath(), ec);
  if (ec) return Status::Failed("Rename of install.wrk to kvtclean failed.");
  return Status::OK();
}

Status RemoveCleanupProgram(const InstallSetup& setup) {
  const std::string path = setup.cleanupPath();
  if (!platform::FileExists(path)) return Status::OK();
  if (!platform::RemoveFile(path)) return Status::Failed("Delete of kvtclean failed.");
  return Status::OK();
}

Status CreateProductFolder(const InstallSetup& setup, const std::string& name) {
  const std::string path = setup.ownDir + name;
  // A reinstallation finds the folders in place, with the user's files in them.
  if (platform::IsDirectory(path)) return Status::OK();
  if (!platform::MakeDirectory(path)) {
    return Status::NotWritten("Folder " + name + " could not be created.");
  }
  return Status::OK();
}

Status PlaceSampleControlFile(const InstallSetup& setup, std::string* message) {
  const std::string name = setup.sampleName();
  const std::string from = setup.ownDir + name;
  if (!IsRegularFile(from)) return Status::Failed(name + " not found.");
  if (!platform::IsDirectory(setup.ownDir + "SortCtl")) {
    return Status::NotWritten(name + " not moved: folder SortCtl is missing.");
  }
  std::string to = setup.ownDir + "SortCtl/" + name;
  std::string installed;
  std::string delivered;
  // A sample the user changed is theirs: the new one goes beside it.
  if (platform::ReadWholeFile(to, &installed) && platform::ReadWholeFile(from, &delivered) &&
      installed != delivered) {
    to += ".new";
    *message =
        "SortCtl/" + name + " was changed and is kept; the new sample is SortCtl/" + name + ".new.";
  }
  // One rename moves the file: the target is replaced whole, and the source goes only
  // when the target is in place.
  std::error_code ec;
  fs::rename(from, to, ec);
  if (ec) return Status::NotWritten("Move of " + name + " to SortCtl failed.");
  return Status::OK();
}

}  // namespace kvt::install
