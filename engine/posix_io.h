// Thin helpers over POSIX file descriptors that retry interrupted and partial transfers.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace kvt::engine {

// Writes all bytes; false on the first error (errno tells which).
bool WriteAll(int fd, const void* data, size_t size);
bool PwriteAll(int fd, const void* data, size_t size, off_t offset);
// Reads until size bytes arrived or the end of the file; -1 on a read error.
int64_t ReadFully(int fd, void* data, size_t size);
// Deletes any file system entry of that name (a symbolic link itself, never its target), then
// creates a new file exclusively, never following a link, with mode 0666 less the umask.
// Returns the descriptor or -1.
int CreateExclusive(const std::string& path);
// Removes path; a missing file is no error.
bool RemoveIfExists(const std::string& path);
// Flushes the folder entry of path to disk (after a rename); errors are ignored.
void SyncDirectoryOf(const std::string& path);

}  // namespace kvt::engine
