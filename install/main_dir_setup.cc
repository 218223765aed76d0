#include "install/main_dir_setup.h"

#include <filesystem>
#include <system_error>

#include "formats/product_files.h"
#include "install/install_setup.h"
#include "install/package_tree.h"
#include "platform/file_system.h"
#include "platform/file_util.h"
#include "platform/paths.h"

namespace kvt::install {
namespace {

namespace fs = std::filesystem;

// Shipped files the main directory refers to rather than owns: linked, so that an update of
// the product reaches every user's main directory.
constexpr const char* kLinked[] = {formats::kErrTextName, formats::kMessagesName, "StdOrder"};

// The sample control file's place inside a main directory.
std::string SampleInSortCtl() {
  return std::string("SortCtl") + platform::kPathSeparator + "kvtsort.txt";
}

// Anything under that name, a dangling link included.
bool Exists(const fs::path& path) {
  return platform::FileSystem::Default().KindOf(path.string()) != platform::EntryKind::kNone;
}

bool SamePlace(const std::string& a, const std::string& b) {
  std::error_code ec;
  return fs::equivalent(a, b, ec);
}

// Copies from to to unless to exists (a user's own copy stays as it is) or the product
// has no such file.
Status CopyIfMissing(const fs::path& from, const fs::path& to, std::vector<std::string>* done) {
  if (Exists(to) || !Exists(from)) return Status::Ok();
  // The copy is a new file of the user's, with the rights the user's new files get: the
  // product tree is read-only, the user's copy must not be.
  if (!platform::CopyFile(from.string(), to.string())) {
    return Status::Error(Status::Code::kIoError,
                         to.string() + " could not be copied from " + from.string() + ".");
  }
  done->push_back("copied " + to.string());
  return Status::Ok();
}

// Points name in dir at the product's file; an older link is pointed anew, a file or folder
// of the user's own under that name is kept.
Status LinkToProduct(const std::string& productDir, const std::string& dir, const std::string& name,
                     std::vector<std::string>* done) {
  const fs::path target = productDir + name;
  const fs::path link = dir + name;
  if (!Exists(target)) return Status::Ok();
  platform::FileSystem& files = platform::FileSystem::Default();
  if (files.KindOf(link.string()) == platform::EntryKind::kLink) {
    // A link to a folder is a folder to Windows, removed as one.
    if (!files.Remove(link.string()).ok()) files.RemoveDirectory(link.string());
  } else if (Exists(link)) {
    return Status::Ok();
  }
  // Links and whole-tree copies are beyond the file layer: the standard library makes them.
  std::error_code ec;
  fs::create_symlink(target, link, ec);
  if (!ec) {
    done->push_back("linked " + link.string() + " -> " + target.string());
    return Status::Ok();
  }
  // Where no link can be made (Windows grants the right to few users; some file systems have
  // none) the user gets a copy, which a later update of the product does not reach.
  std::error_code copied;
  fs::copy(target, link, fs::copy_options::recursive, copied);
  if (copied) {
    return Status::Error(Status::Code::kIoError,
                         link.string() + " could not be linked to " + target.string() + ".");
  }
  done->push_back("copied " + link.string() + " from " + target.string());
  return Status::Ok();
}

// The sample control file lies at the top of a product tree until KVTInst moves it.
fs::path ShippedSample(const std::string& productDir) {
  fs::path top = productDir + "kvtsort.txt";
  return Exists(top) ? top : fs::path(productDir + SampleInSortCtl());
}

}  // namespace

Status SetUpMainDir(const std::string& productDir, const std::string& dirArg,
                    std::vector<std::string>* done) {
  if (dirArg.empty())
    return Status::Error(Status::Code::kInvalid, "No folder given for the main directory.");
  std::string dir =
      platform::IsAbsolutePath(dirArg) ? dirArg : platform::CurrentDirectory() + dirArg;
  dir = platform::WithTrailingSeparator(dir);
  if (InPackageTree(productDir, dir)) {
    return Status::Error(Status::Code::kInvalid,
                         dir + " lies in the product tree of an installed package, which is " +
                             "never changed: choose a folder of your own.");
  }
  std::error_code ec;
  const bool existed = fs::exists(dir, ec);
  fs::create_directories(dir, ec);
  if (ec || !fs::is_directory(dir))
    return Status::Error(Status::Code::kIoError, "Folder " + dir + " could not be created.");
  // A new main directory holds the user's sorts, logs and work files: it is the user's alone.
  // A folder that already existed keeps the access the user gave it.
  if (!existed) fs::permissions(dir, fs::perms::owner_all, fs::perm_options::replace, ec);
  if (SamePlace(dir, productDir)) {
    return Status::Error(Status::Code::kInvalid,
                         dir + " is the product directory: run KVTInst there without --main-dir.");
  }
  const InstallSetup setup = InstallSetup::ForDirectory(dir);
  Status status = WriteInstallConfig(setup);
  if (status.ok()) status = CreateProductFolder(setup, "SortCtl");
  if (status.ok()) status = CreateProductFolder(setup, "SortOrder");
  if (!status.ok()) return status;
  status = CopyIfMissing(ShippedSample(productDir), dir + SampleInSortCtl(), done);
  if (!status.ok()) return status;
  status = CopyIfMissing(productDir + "sample.dat", dir + "sample.dat", done);
  if (!status.ok()) return status;
  for (const char* name : kLinked) {
    status = LinkToProduct(productDir, dir, name, done);
    if (!status.ok()) return status;
  }
  status = SaveMainDir(setup);
  if (status.ok()) done->push_back("MainDir = " + dir);
  return status;
}

}  // namespace kvt::install
