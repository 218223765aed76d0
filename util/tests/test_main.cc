// Runs the utility's test classes in one program.
#include <QApplication>
#include <QtTest>

#include "util/tests/test_everyday_use.h"
#include "util/tests/test_frm_util.h"
#include "util/tests/test_logic.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  int failures = 0;
  {
    kvt::util::test::TestLogic logic;
    failures += QTest::qExec(&logic, argc, argv);
  }
  {
    kvt::util::test::TestFrmUtil window;
    failures += QTest::qExec(&window, argc, argv);
  }
  {
    kvt::util::test::TestEverydayUse everyday;
    failures += QTest::qExec(&everyday, argc, argv);
  }
  return failures == 0 ? 0 : 1;
}
