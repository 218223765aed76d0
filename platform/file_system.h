// What the programs need from the operating system's file system, behind one interface with an
// implementation per system (file_system_posix.cc, file_system_windows.cc). Every call answers
// with a Status; offsets and sizes are 64-bit; files are always binary.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/status.h"

namespace kvt::platform {

// A read-only view of part of a file; unmapped when destroyed.
class MappedRegion {
 public:
  virtual ~MappedRegion() = default;
  virtual const uint8_t* data() const = 0;
  virtual size_t size() const = 0;
};

// An open file; closed when destroyed. Sequential calls use and move the file's own position
// (which starts at 0); positioned calls neither use nor move it.
class File {
 public:
  virtual ~File() = default;

  // Reads until size bytes arrived or the end of the file; *got tells how many.
  virtual Status Read(void* data, size_t size, size_t* got) = 0;
  virtual Status ReadAt(uint64_t offset, void* data, size_t size, size_t* got) = 0;
  // Writes all bytes (in append mode: at the end of the file, whatever another program wrote).
  virtual Status Write(const void* data, size_t size) = 0;
  virtual Status WriteAt(uint64_t offset, const void* data, size_t size) = 0;
  virtual Status Size(uint64_t* size) = 0;
  // Waits until the written bytes are on the disk.
  virtual Status Sync() = 0;
  // Starts writing [offset, offset + size) to the disk without waiting; a hint only.
  virtual Status StartWriteback(uint64_t offset, uint64_t size) = 0;
  // Gives this file the access rights of the existing regular file at path, or those a new
  // file gets (0666 less the umask) when there is none; nothing to do where rights come from
  // the folder.
  virtual Status MatchPermissions(const std::string& path) = 0;
  // Read-ahead hints, for the systems that take them (no-ops elsewhere): the whole file will be
  // read in order; [offset, offset + size) will be read soon.
  virtual void AdviseSequential() = 0;
  virtual void AdviseWillNeed(uint64_t offset, uint64_t size) = 0;
  // Maps [offset, offset + size) for reading. The offset need not be aligned: the system's
  // alignment (the page, or 64 KiB on Windows) is handled here.
  virtual Status Map(uint64_t offset, size_t size, std::unique_ptr<MappedRegion>* region) = 0;
  // Closes now and reports what closing found (a write the disk refused late).
  virtual Status Close() = 0;
};

// Held while it exists: an exclusive advisory lock over a whole lock file. (FileLock in
// file_lock.h is the job lock with inheritance and folder locks; the names stay apart.)
class LockHolder {
 public:
  virtual ~LockHolder() = default;
};

enum class OpenMode {
  kRead,             // an existing file, for reading
  kReadWrite,        // reading and writing anywhere; created when missing
  kUpdate,           // an existing file, for reading and writing; never created
  kTruncate,         // reading and writing; created when missing, emptied when present
  kAppend,           // created when missing; every write lands at the end
  kCreateExclusive,  // a new private file (owner only) for reading and writing; kExists when
                     // the name is taken, and a symbolic link is never followed
};
// Every mode opens regular files only: a FIFO, a device or a socket gives kInvalid at once.

enum class LockWait { kWait, kTry };

// What a name stands for itself, a symbolic link not followed.
enum class EntryKind {
  kNone,       // nothing there (or nothing this process may see)
  kFile,       // a regular file
  kDirectory,  // a folder
  kLink,       // a symbolic link (a junction on Windows), whatever it points to
  kOther,      // a device, a FIFO, a socket
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // The implementation for the system the program runs on.
  static FileSystem& Default();

  // A folder's name gives kIsDirectory.
  virtual Status Open(const std::string& path, OpenMode mode, std::unique_ptr<File>* file) = 0;
  // Puts from in place of to (replacing any file there) and makes the new name durable, so after
  // a crash to is the old file or the new one.
  virtual Status Replace(const std::string& from, const std::string& to) = 0;
  // Removes a file (a symbolic link itself, never its target); kNotFound when missing.
  virtual Status Remove(const std::string& path) = 0;
  virtual bool Exists(const std::string& path) = 0;
  // True when a file may be put at path: nothing is there, or a regular file (or a link to
  // one). A folder, a device, a FIFO or a socket is never replaced by a file.
  virtual bool HoldsFileOrNothing(const std::string& path) = 0;
  // For work on a tree the user may have put links into: a link is never walked through.
  virtual EntryKind KindOf(const std::string& path) = 0;
  virtual Status GetFileSize(const std::string& path, uint64_t* size) = 0;
  // Success also when the folder already exists.
  virtual Status MakeDirectory(const std::string& path) = 0;
  // Removes an empty folder.
  virtual Status RemoveDirectory(const std::string& path) = 0;
  // Names (not paths) of the entries of dir matching pattern (* and ?; letter case counts only
  // where the system's names are case-sensitive), sorted.
  virtual Status ListDirectory(const std::string& dir, const std::string& pattern,
                               std::vector<std::string>* names) = 0;
  // Locks the file at path (created when missing) against every other holder, in this process
  // or another. kTry answers kBusy at once when it is held.
  virtual Status LockFile(const std::string& path, LockWait wait,
                          std::unique_ptr<LockHolder>* lock) = 0;
};

// True when name matches pattern: '*' any run of characters, '?' any one character.
bool MatchesPattern(const std::string& name, const std::string& pattern, bool ignore_case);

}  // namespace kvt::platform
