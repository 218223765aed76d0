#include "util/editor/tests/test_saved_file_sorts.h"

#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>

#include "platform/paths.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "util/editor/frm_ctl_file.h"
#include "util/editor/tests/editor_test_support.h"

namespace kvt::util::test {

namespace {

void typeCell(QTableWidget* grid, int row, int column, const QString& text) {
  grid->setCurrentCell(row, column);
  for (QChar c : text) QTest::keyClick(grid, c.toLatin1());
}

}  // namespace

void SavedFileSortsTest::userOrderSortsThroughFrontEnd() {
#if !defined(KVT_TEST_FRONTEND) || !defined(KVT_TEST_ENGINE)
  QSKIP("kv02sort and kvtsorts are not built");
#else
  TempMain main;
  // A copy, not a link: a link is a shortcut file on Windows.
  QVERIFY(QFile::copy(QStringLiteral(KVT_TEST_ENGINE),
                      main.path(QString::fromStdString(platform::ProgramFileName("kvtsorts")))));
  platform::Registry registry(main.path("registry.reg").toStdString());
  QVERIFY(registry.SetString(main.ctx.registryKey.toStdString(), "MainDir",
                             main.mainDir().toStdString()));
  // Two-byte records keyed on their first byte; "B" is moved to sort directly after "a".
  main.writeFile("in.dat", "b1B2a3A4b5");

  main.ctx.mainCtlFileText = main.path("SortCtl/job.txt");
  main.asker.answers = {true};
  frmCtlFile dlg(main.ctx);
  dlg.show();
  QCoreApplication::processEvents();  // the opening runs once the editor is up
  QTest::keyClicks(dlg.findChild<QLineEdit*>("txtInFile"), "in.dat");
  QTest::keyClicks(dlg.findChild<QLineEdit*>("txtOutFile"), main.path("out.dat"));
  QTest::keyClicks(dlg.findChild<QLineEdit*>("txtRecLen"), "2");
  QTest::keyClicks(dlg.findChild<QLineEdit*>("txtWFileDir"), main.mainDir());
  auto* keys = dlg.findChild<QTableWidget*>("grdCtlVal");
  typeCell(keys, 0, 0, "1");
  typeCell(keys, 0, 1, "1");
  dlg.findChild<QRadioButton*>("optUser")->click();
  auto* order = dlg.findChild<QTableWidget*>("grdSortOrder");
  order->scrollToItem(order->item(66, 0));
  QTest::mouseDClick(order->viewport(), Qt::LeftButton, {},
                     order->visualItemRect(order->item(66, 0)).center());
  order->setCurrentCell(97, 0);
  QTest::keyClick(order, Qt::Key_Insert);
  auto* save = dlg.findChild<QPushButton*>("cmdSave");
  save->click();
  save->click();
  QVERIFY(main.exists("SortCtl/job.sor"));

  platform::ProcessHandle front(platform::StartHidden(KVT_TEST_FRONTEND,
                                                      {main.path("SortCtl/job.txt").toStdString()},
                                                      main.mainDir().toStdString()));
  QVERIFY(front.valid());
  uint32_t rc = platform::kStillActive;
  for (int tick = 0; tick < 300 && rc == platform::kStillActive; ++tick)
    rc = front.WaitExitCode(1000);
  QCOMPARE(rc, 0u);
  QCOMPARE(main.readFile("out.dat"), QByteArray("A4a3B2b1b5"));
#endif
}

}  // namespace kvt::util::test
