#include "install/install_steps.h"

#include "frontlib/cls_file.h"
#include "frontlib/registry_problem.h"
#include "frontlib/shared_routines.h"
#include "platform/file_system.h"
#include "platform/file_util.h"
#include "platform/registry.h"

namespace kvt::install {
namespace {

constexpr char kSection[] = "DEFINITIONS";

// A regular file itself: a link in its place is never taken for the file.
bool IsRegularFile(const std::string& path) {
  return platform::FileSystem::Default().KindOf(path) == platform::EntryKind::kFile;
}

}  // namespace

Status WriteInstallConfig(const InstallSetup& setup) {
  const std::string path = setup.cfgPath();
  // The file is written anew, never merged: the class pads a rewrite to the old length.
  if (platform::FileExists(path) && !platform::RemoveFile(path)) {
    return Status::Error(Status::Code::kIoError, "kvtinst.cfg could not be replaced.");
  }
  front::clsFile cfg;
  if (!cfg.openCtlFile(path))
    return Status::Error(Status::Code::kIoError, "kvtinst.cfg could not be created.");
  cfg.addSectionToCtl(kSection);
  // Each key goes straight under the header, so the file reads them in the reverse order.
  cfg.addKeyToCtl(kSection, "APPPATH", setup.ownDir);
  cfg.addKeyToCtl(kSection, "VERSION", setup.versionText);
  cfg.addKeyToCtl(kSection, "PRODUCT", "KV02");
  cfg.addKeyToCtl(kSection, "EDITING", "MODIFYING THIS FILE WILL CAUSE THE SORT TO FAIL.");
  const bool written = cfg.rewriteCtl("dummy");
  cfg.CtlClose();
  if (!written) return Status::Error(Status::Code::kIoError, "kvtinst.cfg could not be written.");
  return Status::Ok();
}

Status SaveMainDir(const InstallSetup& setup) {
  if (!front::regPut(platform::kHkeyLocalMachine, setup.registryKey, "MainDir", setup.ownDir)) {
    return Status::Error(Status::Code::kIoError, "MainDir could not be written to the registry.");
  }
  return Status::Ok();
}

FormerMainDir ReadFormerMainDir(const InstallSetup& setup) {
  const platform::Registry registry;
  FormerMainDir former;
  std::optional<platform::RegValue> value;
  if (front::reportRegistryProblem(registry.HasKey(setup.registryKey, &former.keyExisted)).ok()) {
    front::reportRegistryProblem(registry.Read(setup.registryKey, "MainDir", &value));
  }
  if (value && value->type == platform::RegValue::Type::kString) former.value = value->text;
  return former;
}

Status RestoreMainDir(const InstallSetup& setup, const FormerMainDir& former) {
  platform::Registry registry;
  Status restored;
  if (former.value) {
    restored = registry.SetString(setup.registryKey, "MainDir", *former.value);
  } else if (former.keyExisted) {
    restored = registry.DeleteValue(setup.registryKey, "MainDir");
  } else if (restored = registry.DeleteKey(setup.registryKey);
             restored.code() == Status::Code::kNotFound) {
    restored = Status::Ok();  // no key: as it was
  }
  if (!front::reportRegistryProblem(restored).ok())
    return Status::Error(Status::Code::kIoError, "MainDir could not be put back in the registry.");
  return Status::Ok();
}

Status PrepareCleanupProgram(const InstallSetup& setup) {
  const std::string from = setup.deliveredCleanupPath();
  if (!IsRegularFile(from)) return Status::Error(Status::Code::kNotFound, "install.wrk not found.");
  // A rename keeps the file's mode, so the program stays executable.
  if (!platform::FileSystem::Default().Replace(from, setup.cleanupPath()).ok())
    return Status::Error(Status::Code::kIoError, "Rename of install.wrk to kvtclean failed.");
  return Status::Ok();
}

Status RemoveCleanupProgram(const InstallSetup& setup) {
  const std::string path = setup.cleanupPath();
  if (!platform::FileExists(path)) return Status::Ok();
  if (!platform::RemoveFile(path))
    return Status::Error(Status::Code::kIoError, "Delete of kvtclean failed.");
  return Status::Ok();
}

Status CreateProductFolder(const InstallSetup& setup, const std::string& name) {
  const std::string path = setup.ownDir + name;
  // A reinstallation finds the folders in place, with the user's files in them.
  if (platform::IsDirectory(path)) return Status::Ok();
  if (!platform::MakeDirectory(path)) {
    return Status::Error(Status::Code::kIoError, "Folder " + name + " could not be created.");
  }
  return Status::Ok();
}

Status PlaceSampleControlFile(const InstallSetup& setup, std::string* message) {
  const std::string name = setup.sampleName();
  const std::string from = setup.ownDir + name;
  if (!IsRegularFile(from)) return Status::Error(Status::Code::kNotFound, name + " not found.");
  if (!platform::IsDirectory(setup.ownDir + "SortCtl")) {
    return Status::Error(Status::Code::kIoError, name + " not moved: folder SortCtl is missing.");
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
  if (!platform::FileSystem::Default().Replace(from, to).ok())
    return Status::Error(Status::Code::kIoError, "Move of " + name + " to SortCtl failed.");
  return Status::Ok();
}

}  // namespace kvt::install
