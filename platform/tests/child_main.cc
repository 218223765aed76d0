// A small program for the process tests on Windows, where there is no /bin/sh:
//   platform_child exit N       ends with code N
//   platform_child sleep MS     waits MS milliseconds, then ends with 0
//   platform_child args A...    writes its arguments, one per line, to args.txt in its folder
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::string what = argv[1];
  if (what == "exit" && argc == 3) return std::atoi(argv[2]);
  if (what == "sleep" && argc == 3) {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[2])));
    return 0;
  }
  if (what == "args") {
    std::ofstream out("args.txt", std::ios::binary);
    for (int i = 2; i < argc; ++i) out << argv[i] << '\n';
    return out ? 0 : 3;
  }
  return 2;
}
