// Text in the encoding the file functions of this system take for paths. Control files come
// from many editors (UTF-8 with or without a byte-order mark, UTF-16, the machine's single-byte
// code page); their paths must reach the file system as the system spells them.
#pragma once

#include <string>

namespace kvt::platform {

// Single-byte text of the system's "ANSI" code page as UTF-8: on Windows the code page the
// system is set to; elsewhere Windows-1252, the code page such files most often come in.
std::string AnsiToUtf8(const std::string& text);

// UTF-8 text in the encoding of paths and of the product's single-byte files: UTF-8 itself on
// POSIX; the ANSI code page on Windows, which the A-functions take (a character the code page
// lacks becomes '?', so such a path is reported as not found, never opened as another file).
std::string Utf8ToNative(const std::string& text);

}  // namespace kvt::platform
