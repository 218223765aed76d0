// FileBlock and the FilMacro routines: byte-positioned file access with 1-based positions.
// None of the read and write routines moves the position; the caller advances it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/file_system.h"

namespace kvt::front {

struct FileBlock {
  int16_t fileNumber = 0;
  int16_t state = 0;                     // 1 open, 0 closed, -1 file does not exist
  int64_t recordLength = 0;              // bytes one read or write moves
  int64_t position = 1;                  // 1-based byte position of the next read or write
  std::string name;                      // path of the file
  std::string buffer;                    // data of the last read, or data to write
  std::unique_ptr<platform::File> file;  // the open file
};

// When not open: trims the name, opens it for reading and writing at any position (creating a
// missing file; a file that may only be read is opened for reading), state 1, position 1.
// Errors, and a folder's name, leave the state as it was.
void filOpen(FileBlock& block);
void filClose(FileBlock& block);
// buffer = recordLength bytes read at the position (fewer at the end of the file).
void filRead(FileBlock& block);
// n bytes read at the position, blank-padded beyond the end of the file; n blanks when the
// block is not open.
std::string filReadLen(FileBlock& block, int64_t n);
// buffer cut or blank-padded to recordLength, written at the position. False when the block
// is not open or the write failed.
bool filWrite(FileBlock& block);
// text written unchanged at the position.
bool filPut(FileBlock& block, const std::string& text);
// state -1 when no file of that name exists.
void filCheck(FileBlock& block);
// Current length of the open file, -1 when not open.
int64_t filLength(const FileBlock& block);

}  // namespace kvt::front
