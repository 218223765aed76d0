// Runs every test class of the editor; the exit code counts the failed ones.
#include <QApplication>

#include "util/editor/tests/test_editor_logic.h"
#include "util/editor/tests/test_frm_ctl_file.h"
#include "util/editor/tests/test_frm_sel.h"
#include "util/editor/tests/test_saved_file_sorts.h"
#include "util/tests/test_classes.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  using namespace kvt::util::test;
  return runTestClasses(
      argc, argv,
      {testClass<EditorLogicTest>("EditorLogicTest"), testClass<FrmCtlFileTest>("FrmCtlFileTest"),
       testClass<FrmSelTest>("FrmSelTest"), testClass<SavedFileSortsTest>("SavedFileSortsTest")});
}
