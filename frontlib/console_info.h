// What every program of the product answers to --help and --version on the command line.
// Header-only, so that the engine, which links nothing of the product, shares it too.
#pragma once

#include <cstdio>
#include <cstring>
#include <string>

namespace kvt::front {

// "kv02sort (KV Tamsort) 2.0.0"
inline std::string versionLine(const char* program) {
  return std::string(program) + " (KV Tamsort) " + std::to_string(KVT_VERSION_MAJOR) + "." +
         std::to_string(KVT_VERSION_MINOR) + "." + std::to_string(KVT_VERSION_PATCH);
}

// True for the words that ask for the help text: --help, and on Windows also /?, the way
// every Windows console program is asked.
inline bool isHelpWord(const char* word) {
#ifdef _WIN32
  if (std::strcmp(word, "/?") == 0) return true;
#endif
  return std::strcmp(word, "--help") == 0;
}

// When the only argument is --help (or /? on Windows) or --version, prints the help text or the
// version line on standard output and returns true: the program then ends with 0 and does
// nothing else.
inline bool answerInfoOption(int argc, char** argv, const char* program, const char* help) {
  if (argc != 2) return false;
  if (std::strcmp(argv[1], "--version") == 0) {
    std::printf("%s\n", versionLine(program).c_str());
    return true;
  }
  if (isHelpWord(argv[1])) {
    std::printf("%s\n\n%s", versionLine(program).c_str(), help);
    return true;
  }
  return false;
}

}  // namespace kvt::front
