// A stand-in for kvtsorts, started by kv02sort from the main directory of a test. It keeps a
// copy of kvtsort.ctl as it found it, notes its current directory, appends one engine-style
// line to kvtsort.log and ends as fake_engine.rc says: "<code>" exits with that code,
// "signal <n>" ends by that signal, "sleep <seconds> <file>..." writes the files (as a run's
// work files and temporary output) and then runs that long.
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>

namespace {

std::string readAll(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeAll(const char* path, const std::string& text, bool append = false) {
  std::ofstream out(path, std::ios::binary | (append ? std::ios::app : std::ios::trunc));
  out << text;
}

}  // namespace

int main() {
  std::error_code error;
  std::string cwd = std::filesystem::current_path(error).string();
  if (!error) writeAll("fake_engine.cwd", cwd);
  writeAll("fake_engine.ctl", readAll("kvtsort.ctl"));
  const auto perms = std::filesystem::status("kvtsort.ctl", error).permissions();
  if (!error) writeAll("fake_engine.mode", std::to_string(static_cast<unsigned>(perms) & 0777));
  writeAll("kvtsort.log", "SORTCTLR20240101120000049 \r\n", true);
  std::istringstream order(readAll("fake_engine.rc"));
  std::string word;
  order >> word;
  if (word == "signal") {
    int sig = SIGABRT;
    order >> sig;
    ::raise(sig);
  }
  if (word == "sleep") {
    int seconds = 0;
    order >> seconds;
    for (std::string file; order >> file;) writeAll(file.c_str(), "partial");
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
  }
  return word.empty() ? 0 : std::atoi(word.c_str());
}
