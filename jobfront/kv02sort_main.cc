// kv02sort <sort control file>: runs one sort job through the engine kvtsorts.
#include <string>
#include <vector>

#include "jobfront/front_main.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return kvt::jobfront::Main(args);
}
