// The text of a control file in the program's own encoding, whatever editor saved it:
// UTF-8 with or without a byte-order mark, UTF-16 with its byte-order mark (Notepad's
// "Unicode"), or the system's single-byte code page. Keys, values and paths then read the same
// from each, and a path reaches the file functions as the system spells it.
#pragma once

#include <string>

namespace kvt::front {

// bytes as written by the editor, decoded: a byte-order mark is dropped, UTF-16 and UTF-8 are
// converted to the program's encoding (platform::Utf8ToNative), and text that is not UTF-8 is
// read as the system's single-byte code page. ASCII text comes back unchanged.
std::string controlFileText(const std::string& bytes);

// True when bytes is well-formed UTF-8 (ASCII included).
bool isUtf8(const std::string& bytes);

}  // namespace kvt::front
