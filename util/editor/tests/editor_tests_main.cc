// Runs every test class of the editor; the exit code counts the failed ones.
#include <QApplication>
#include <QTest>

#include "util/editor/tests/test_editor_logic.h"
#include "util/editor/tests/test_frm_ctl_file.h"
#include "util/editor/tests/test_frm_sel.h"
#include "util/editor/tests/test_saved_file_sorts.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  int failed = 0;
  {
    kvt::util::test::EditorLogicTest test;
    failed += QTest::qExec(&test, argc, argv) != 0;
  }
  {
    kvt::util::test::FrmCtlFileTest test;
    failed += QTest::qExec(&test, argc, argv) != 0;
  }
  {
    kvt::util::test::FrmSelTest test;
    failed += QTest::qExec(&test, argc, argv) != 0;
  }
  {
    kvt::util::test::SavedFileSortsTest test;
    failed += QTest::qExec(&test, argc, argv) != 0;
  }
  return failed;
}
