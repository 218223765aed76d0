// Runs the QtTest classes of one test program. ctest starts the program once per class
// ("--class NAME"), so that each class is a test of its own with its own time and result;
// "--list-classes" names them, one per line, for the check that ctest knows every class.
// Without either option all classes run, one after the other.
#pragma once

#include <QTest>
#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace kvt::util::test {

struct TestClass {
  const char* name;
  int (*run)(int argc, char** argv);
};

template <class T>
int runTestClass(int argc, char** argv) {
  T test;
  return QTest::qExec(&test, argc, argv);
}

template <class T>
TestClass testClass(const char* name) {
  return {name, &runTestClass<T>};
}

// Returns the number of failed classes, or 2 for an unknown class name.
inline int runTestClasses(int argc, char** argv, std::initializer_list<TestClass> classes) {
  if (argc >= 2 && std::strcmp(argv[1], "--list-classes") == 0) {
    for (const TestClass& c : classes) std::printf("%s\n", c.name);
    return 0;
  }
  const char* only = nullptr;
  if (argc >= 3 && std::strcmp(argv[1], "--class") == 0) {
    only = argv[2];
    // QTest reads the remaining arguments as its own (test functions, -o, -v2...).
    argv[2] = argv[0];
    argv += 2;
    argc -= 2;
  }
  int failed = 0;
  bool found = false;
  for (const TestClass& c : classes) {
    if (only != nullptr && std::strcmp(only, c.name) != 0) continue;
    found = true;
    failed += c.run(argc, argv) != 0;
  }
  if (only != nullptr && !found) {
    std::fprintf(stderr, "no test class %s\n", only);
    return 2;
  }
  return failed;
}

}  // namespace kvt::util::test
