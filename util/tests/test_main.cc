// Runs the utility's test classes.
#include <QApplication>

#include "util/tests/test_classes.h"
#include "util/tests/test_everyday_use.h"
#include "util/tests/test_frm_util.h"
#include "util/tests/test_logic.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  using namespace kvt::util::test;
  return runTestClasses(argc, argv,
                        {testClass<TestLogic>("TestLogic"), testClass<TestFrmUtil>("TestFrmUtil"),
                         testClass<TestEverydayUse>("TestEverydayUse")});
}
