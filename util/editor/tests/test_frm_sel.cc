#include "util/editor/tests/test_frm_sel.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QSet>
#include <QTest>

#include "util/editor/frm_sel.h"
#include "util/editor/tests/editor_test_support.h"
#include "util/tests/keyboard_support.h"

namespace kvt::util::test {

namespace {

QListWidget* fileList(frmSel& sel) { return sel.findChild<QListWidget*>("File1"); }
QPushButton* selectButton(frmSel& sel) { return sel.findChild<QPushButton*>("selButt"); }

QStringList listed(frmSel& sel) {
  QStringList names;
  for (int i = 0; i < fileList(sel)->count(); ++i) names << fileList(sel)->item(i)->text();
  return names;
}

void clickFile(frmSel& sel, const QString& name, bool twice = false) {
  QListWidget* files = fileList(sel);
  QListWidgetItem* item = files->findItems(name, Qt::MatchExactly).value(0);
  QVERIFY(item);
  const QPoint at = files->visualItemRect(item).center();
  QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, at);
  if (twice) {
    // The second press of a double click, as the window system delivers it.
    QTest::mousePress(files->viewport(), Qt::LeftButton, {}, at);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, at, files->viewport()->mapToGlobal(at),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(files->viewport(), &dbl);
  }
}

void writeSamples(TempMain& main) {
  main.writeFile("SortCtl/job.txt", "x");
  main.writeFile("SortCtl/alpha.TXT", "x");
  main.writeFile("SortCtl/data.dat", "x");
  QDir(main.mainDir()).mkpath("SortCtl/sub.txt");
}

}  // namespace

void FrmSelTest::startsInSortCtlListingTextFiles() {
  TempMain main;
  writeSamples(main);
  frmSel sel(main.ctx);
  sel.show();
  QCOMPARE(sel.windowTitle(), QStringLiteral("Halvern - Select"));
  QCOMPARE(sel.currentDirectory(), main.path("SortCtl"));
  QCOMPARE(listed(sel), QStringList({"alpha.TXT", "job.txt"}));
  QCOMPARE(sel.findChild<QLabel*>("FTypLbl")->text(), QStringLiteral("Files:  "));
  // Every drive, as the system writes it ("/" here, "C:\\" and the others on Windows), and the
  // main directory's chosen.
  auto* drives = sel.findChild<QComboBox*>("Drive1");
  QStringList expected;
  for (const QFileInfo& drive : QDir::drives()) {
    expected << QDir::toNativeSeparators(drive.absolutePath());
  }
  QStringList shown;
  for (int i = 0; i < drives->count(); ++i) shown << drives->itemText(i);
  QCOMPARE(shown, expected);
  const QString mainDrive =
      main.mainDir().startsWith(u'/') ? QStringLiteral("/") : main.mainDir().left(3);
  QCOMPARE(drives->currentText(), QDir::toNativeSeparators(mainDrive));
  QVERIFY(!selectButton(sel)->isVisible());
  QCOMPARE(QDir::currentPath(), main.path("SortCtl"));
  QCOMPARE(fileList(sel)->accessibleName(), QStringLiteral("Files"));
}

void FrmSelTest::selectReturnsFullPath() {
  TempMain main;
  writeSamples(main);
  frmSel sel(main.ctx);
  sel.show();
  clickFile(sel, "job.txt");
  QVERIFY(selectButton(sel)->isVisible());
  selectButton(sel)->click();
  QCOMPARE(main.ctx.currentCtlName, QDir::toNativeSeparators(main.path("SortCtl/job.txt")));
  QVERIFY(!sel.isVisible());
  QCOMPARE(sel.result(), int(QDialog::Accepted));

  // Shown again, it starts afresh in SortCtl/ with Select hidden.
  sel.setDirectory(main.mainDir());
  sel.show();
  QCOMPARE(sel.currentDirectory(), main.path("SortCtl"));
  QVERIFY(!selectButton(sel)->isVisible());
}

void FrmSelTest::doubleClickReturnsFullPath() {
  TempMain main;
  writeSamples(main);
  frmSel sel(main.ctx);
  sel.show();
  clickFile(sel, "alpha.TXT", true);
  QCOMPARE(main.ctx.currentCtlName, QDir::toNativeSeparators(main.path("SortCtl/alpha.TXT")));
  QVERIFY(!sel.isVisible());
}

void FrmSelTest::exitAfterBrowsingReturnsNothing() {
  TempMain main;
  writeSamples(main);
  QDir(main.mainDir()).mkpath("Other");
  main.writeFile("Other/x.txt", "x");
  main.ctx.currentCtlName = "/before.txt";
  frmSel sel(main.ctx);
  sel.show();
  sel.setDirectory(main.path("Other"));
  QCOMPARE(listed(sel), QStringList{"x.txt"});
  sel.findChild<QPushButton*>("ExitButt")->click();
  QCOMPARE(main.ctx.currentCtlName, QString());
  QVERIFY(!sel.isVisible());
  QCOMPARE(QDir::currentPath(), main.path("Other"));  // the current directory stays moved
}

void FrmSelTest::selectWithoutFileReportsError() {
  TempMain main;
  writeSamples(main);
  frmSel sel(main.ctx);
  sel.show();
  selectButton(sel)->click();
  QCOMPARE(main.asker.told, QStringList{"File error - rc= 381"});
  QCOMPARE(main.ctx.currentCtlName, QString());
  QVERIFY(!sel.isVisible());
}

// Without a mouse: the file list has the focus, the arrows highlight a file (Select appears),
// Enter takes it; Tab leaves the lists; each button has its own Alt letter.
void FrmSelTest::keyboardChoosesFile() {
  TempMain main;
  writeSamples(main);
  frmSel sel(main.ctx);
  sel.show();
  QApplication::setActiveWindow(&sel);
  QVERIFY(QTest::qWaitForWindowActive(&sel));
  QListWidget* files = fileList(sel);
  QCOMPARE(QApplication::focusWidget(), files);
  const QList<QWidget*> chain = tabChain(files);
  QVERIFY(!chain.contains(nullptr));
  QVERIFY(chain.contains(sel.findChild<QWidget*>("Dir1")));
  QVERIFY(chain.contains(sel.findChild<QWidget*>("ExitButt")));
  const auto letters = mnemonics(&sel);
  QCOMPARE(letters.size(), 2);
  QCOMPARE(QSet<QChar>(letters.keyBegin(), letters.keyEnd()).size(), 2);

  files->setFocus();
  QTest::keyClick(files, Qt::Key_Home);
  QTest::keyClick(files, Qt::Key_Down);
  QCOMPARE(files->currentItem()->text(), QStringLiteral("job.txt"));
  QVERIFY(selectButton(sel)->isVisible());
  QTest::keyClick(files, Qt::Key_Return);
  QCOMPARE(main.ctx.currentCtlName, QDir::toNativeSeparators(main.path("SortCtl/job.txt")));
  QVERIFY(!sel.isVisible());

  sel.show();
  QApplication::setActiveWindow(&sel);
  QVERIFY(QTest::qWaitForWindowActive(&sel));
  QTest::keyClick(fileList(sel), Qt::Key_X, Qt::AltModifier);  // the button clicks a moment later
  QTRY_VERIFY(!sel.isVisible());
  QCOMPARE(main.ctx.currentCtlName, QString());
}

}  // namespace kvt::util::test
