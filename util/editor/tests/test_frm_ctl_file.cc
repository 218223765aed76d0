#include "util/editor/tests/test_frm_ctl_file.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <memory>

#include "util/editor/frm_ctl_file.h"
#include "util/editor/frm_sel.h"
#include "util/editor/tests/editor_test_support.h"
#include "util/tests/keyboard_support.h"
#include "util/tests/message_box_answerer.h"
#include "util/theme_colours.h"

namespace kvt::util::test {

namespace {

// The specified hues in the shades the application's palette makes readable.
QColor shown(const QColor& hue) { return readableShade(hue, QApplication::palette()); }
const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);

// The editor as the main window opens it, with handles on its controls.
class Editor {
 public:
  Editor(TempMain& main, const QString& mainText) : main_(main) {
    main.ctx.mainCtlFileText = mainText;
    dlg_ = std::make_unique<frmCtlFile>(main.ctx);
    dlg_->show();
    QCoreApplication::processEvents();  // the opening runs once the editor is up
  }

  frmCtlFile& dlg() { return *dlg_; }
  QLineEdit* box(const char* name) { return dlg_->findChild<QLineEdit*>(name); }
  QPushButton* button(const char* name) { return dlg_->findChild<QPushButton*>(name); }
  QRadioButton* option(const char* name) { return dlg_->findChild<QRadioButton*>(name); }
  QComboBox* orderList() { return dlg_->findChild<QComboBox*>("cboOrderFile"); }
  QTableWidget* keys() { return dlg_->findChild<QTableWidget*>("grdCtlVal"); }
  QTableWidget* order() { return dlg_->findChild<QTableWidget*>("grdSortOrder"); }
  QString msg() { return dlg_->findChild<QLabel*>("lblMsg")->text(); }
  QColor msgColour() {
    return dlg_->findChild<QLabel*>("lblMsg")->palette().color(QPalette::WindowText);
  }

  void type(const char* name, const QString& text) { QTest::keyClicks(box(name), text); }
  // Types into cell (row n, column) of the key-field grid, one key press per character.
  void typeCell(int n, int column, const QString& text) {
    keys()->setCurrentCell(n - 1, column);
    for (QChar c : text) QTest::keyClick(keys(), c.toLatin1());
  }
  void press(const char* name) { button(name)->click(); }
  QString orderValue(int place) { return order()->item(place, 0)->text(); }
  QString orderChar(int place) { return order()->item(place, 1)->text(); }
  void doubleClickOrderRow(int place) {
    QTableWidget* grid = order();
    grid->scrollToItem(grid->item(place, 0));
    const QPoint at = grid->visualItemRect(grid->item(place, 0)).center();
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
  }
  void insertAt(int place) {
    order()->setCurrentCell(place, 0);
    QTest::keyClick(order(), Qt::Key_Insert);
  }

 private:
  TempMain& main_;
  std::unique_ptr<frmCtlFile> dlg_;
};

QByteArray savedFile(const QString& in, const QString& out, const QString& workDir,
                     const QString& recLen, const QString& order, const QStringList& fields) {
  QStringList lines{"[FILE]",
                    R"(EDITING="MODIFYING THIS FILE MANUALLY WILL CAUSE THE SORT TO FAIL.")",
                    R"(PRODUCT="KV02")",
                    R"(VERSION="200")",
                    "INFILE=\"" + in + "\"",
                    "OUTFILE=\"" + out + "\"",
                    "WORKDIR=\"" + workDir + "\"",
                    "RECLEN=\"" + recLen + "\"",
                    R"(MEMORYUSAGE="80")",
                    R"(WORKFILES="*")",
                    R"(MAXSPLIT="*")",
                    R"(MINSPLIT="*")",
                    "SORTORDER=\"" + order + "\"",
                    "[FIELDS]"};
  lines += fields;
  lines << "[END]";
  return crlfLines(lines);
}

// A valid control file in SortCtl/ of main.
void writeJob(TempMain& main, const QString& name, const QString& order) {
  main.writeFile("SortCtl/" + name,
                 savedFile(absolute("/d/in.dat"), absolute("/d/out.dat"), absolute("/d/"), "10",
                           order, {R"(1POS="1")", R"(1LEN="4")", R"(1ORD="A")"}));
}

// Runs step once the next modal dialog (the file selection) is open.
void whenSelectionOpens(const std::function<void(frmSel*)>& step) {
  QTimer::singleShot(0, [step] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* sel = qobject_cast<frmSel*>(w); sel && sel->isVisible()) {
        step(sel);
        return;
      }
    }
  });
}

void pickFile(frmSel* sel, const QString& name) {
  auto* files = sel->findChild<QListWidget*>("File1");
  const auto found = files->findItems(name, Qt::MatchExactly);
  if (found.isEmpty()) {
    sel->findChild<QPushButton*>("ExitButt")->click();
    return;
  }
  files->setCurrentItem(found.first());
  sel->findChild<QPushButton*>("selButt")->click();
}

}  // namespace

void FrmCtlFileTest::opensEmptyWithDefaults() {
  TempMain main;
  main.ctx.currentCtlName = "/left/over.txt";
  Editor ed(main, "   ");
  QCOMPARE(ed.dlg().windowTitle(), QStringLiteral("Halvern  Tamsort -  Control File Editor"));
  QCOMPARE(ed.msg(), QString());
  QCOMPARE(main.ctx.currentCtlName, QString());
  QCOMPARE(ed.box("txtMemUsage")->text(), QStringLiteral("80"));
  QCOMPARE(ed.box("txtWorkFiles")->text(), QStringLiteral("*"));
  QCOMPARE(ed.box("txtMinSplit")->text(), QStringLiteral("*"));
  QCOMPARE(ed.box("txtMaxSplit")->text(), QStringLiteral("*"));
  QVERIFY(ed.option("optBinary")->isChecked());
  QVERIFY(!ed.button("cmdSave")->isEnabled());
  QVERIFY(!ed.button("cmdCancel")->isVisible());
  QVERIFY(main.asker.questions.isEmpty());
  QCOMPARE(ed.keys()->horizontalHeaderItem(2)->text(), QStringLiteral("Order"));
  QCOMPARE(ed.keys()->horizontalHeaderItem(0)->foreground().color(), shown(kBlue));
  QCOMPARE(ed.order()->horizontalHeaderItem(0)->text(), QStringLiteral("Value"));
  QCOMPARE(ed.order()->horizontalHeaderItem(1)->text(), QStringLiteral("Chr"));
  QCOMPARE(ed.box("txtSortCtl")->accessibleName(), QStringLiteral("Sort control file"));
  QCOMPARE(ed.keys()->accessibleName(), QStringLiteral("Sort fields"));
  QCOMPARE(ed.button("cmdBrowse")->accessibleName(),
           QStringLiteral("Browse for the sort control file"));
  QCOMPARE(ed.button("cmdBrowseI")->accessibleName(), QStringLiteral("Browse for the input file"));
  QCOMPARE(ed.button("cmdBrowseO")->accessibleName(), QStringLiteral("Browse for the output file"));

  ed.press("cmdExit");
  QVERIFY(!ed.dlg().isVisible());
  QCOMPARE(main.registryValue("CurrentCtl"), QString());
}

void FrmCtlFileTest::refusingCreationCreatesNothing() {
  TempMain main;
  main.asker.answers = {false};
  const QString path = main.path("SortCtl/job.txt");
  Editor ed(main, path);
  QCOMPARE(main.asker.questions,
           QStringList{"Control file " + path + " missing. Press 'Yes' to create!"});
  QVERIFY(!main.exists("SortCtl/job.txt"));
  QCOMPARE(ed.box("txtSortCtl")->text(), path);
  QCOMPARE(main.ctx.currentCtlName, path);
  QCOMPARE(ed.msg(), QString());
}

void FrmCtlFileTest::newFileCreatedAndSaved() {
  TempMain main;
  main.asker.answers = {true};
  const QString path = main.path("SortCtl/job.txt");
  Editor ed(main, path);
  QCOMPARE(main.asker.titles, QStringList{"KV Tamsort Utility"});
  QVERIFY(main.exists("SortCtl/job.txt"));  // opening created it empty
  QCOMPARE(ed.msg(), QStringLiteral("Binary sort order will be used."));
  QCOMPARE(ed.msgColour(), shown(kBlue));
  QVERIFY(!ed.order()->isEnabled());
  QVERIFY(!ed.button("cmdSave")->isEnabled());

  ed.type("txtInFile", "/data/in.dat");
  ed.type("txtOutFile", "/data/out.dat");
  QVERIFY(!ed.button("cmdSave")->isEnabled());  // no record length yet
  ed.type("txtRecLen", "20");
  QVERIFY(ed.button("cmdSave")->isEnabled());
  ed.type("txtWFileDir", "/work/");
  ed.typeCell(1, 0, "1");
  ed.typeCell(1, 1, "x5");  // a letter in a number column changes nothing
  ed.typeCell(1, 2, "d");
  ed.typeCell(2, 0, "11");
  ed.typeCell(2, 1, "5");
  QCOMPARE(ed.keys()->item(0, 1)->text(), QStringLiteral("5"));
  QCOMPARE(ed.keys()->item(0, 2)->text(), QStringLiteral("D"));

  ed.press("cmdSave");
  QCOMPARE(plainCaption(ed.button("cmdSave")), QStringLiteral("Confirm"));
  QVERIFY(ed.button("cmdCancel")->isVisible());
  QCOMPARE(ed.msg(), " Press 'Confirm' to replace " + path);
  QCOMPARE(ed.msgColour(), shown(kBlue));
  QCOMPARE(main.readFile("SortCtl/job.txt"), QByteArray());

  ed.press("cmdSave");
  QCOMPARE(main.readFile("SortCtl/job.txt"),
           savedFile("/data/in.dat", "/data/out.dat", "/work/", "20", "BINARY",
                     {R"(1POS="1")", R"(1LEN="5")", R"(1ORD="D")", R"(2POS="11")", R"(2LEN="5")",
                      R"(2ORD="A")"}));
  QCOMPARE(ed.msg(), "File " + path + " saved.\r\n");
  QCOMPARE(ed.msgColour(), shown(kGreen));
  QCOMPARE(plainCaption(ed.button("cmdSave")), QStringLiteral("Save"));
  QVERIFY(!ed.button("cmdSave")->isEnabled());
  QVERIFY(!ed.button("cmdCancel")->isVisible());
  QVERIFY(!main.exists("SortCtl/job.sor"));

  ed.press("cmdExit");  // saved: no question, nothing deleted
  QVERIFY(!ed.dlg().isVisible());
  QCOMPARE(main.asker.questions.size(), 1);
  QVERIFY(main.exists("SortCtl/job.txt"));
  QCOMPARE(main.registryValue("CurrentCtl"), path);
  QCOMPARE(main.ctx.currentCtlName, path);
}

void FrmCtlFileTest::typedNameIsCreatedOnSave() {
  TempMain main;
  Editor ed(main, "");
  QVERIFY(!ed.button("cmdBrowseI")->isEnabled());
  const QString path = main.path("SortCtl/new.txt");
  ed.type("txtSortCtl", path);
  QVERIFY(ed.button("cmdBrowseI")->isEnabled());
  ed.type("txtInFile", "/i");
  ed.type("txtOutFile", "/o");
  ed.type("txtRecLen", "8");
  ed.typeCell(1, 0, "2");
  ed.typeCell(1, 1, "3");
  ed.press("cmdSave");
  QCOMPARE(ed.msg(), " Press 'Confirm' to create " + path);
  ed.press("cmdSave");
  QCOMPARE(main.readFile("SortCtl/new.txt"),
           savedFile("/i", "/o", "", "8", "BINARY", {R"(1POS="2")", R"(1LEN="3")", R"(1ORD="A")"}));
  ed.press("cmdExit");
  QVERIFY(!ed.dlg().isVisible());
  QCOMPARE(main.ctx.currentCtlName, path);  // the main window takes the saved file over
  QVERIFY(main.asker.questions.isEmpty());
}

void FrmCtlFileTest::loadsStarsAndRelativePaths() {
  TempMain main;
  main.writeFile("SortCtl/rel.txt",
                 crlfLines({"[FILE]", R"(PRODUCT="KV02")", R"(VERSION="200")", R"(INFILE="in.dat")",
                            R"(OUTFILE="data/out.dat")", R"(WORKDIR="")", R"(RECLEN="10")",
                            R"(MEMORYUSAGE="50")", R"(WORKFILES="3")", R"(MAXSPLIT="*")",
                            R"(SORTORDER="BINARY")", "[FIELDS]", R"(1POS="2")", R"(1LEN="3")",
                            R"(1ORD="D")", "[END]"}));
  const QString path = main.path("SortCtl/rel.txt");
  Editor ed(main, path);
  QCOMPARE(ed.msg(), "Sort control file " + path + " loaded.\r\nBinary sort order will be used.");
  QCOMPARE(ed.msgColour(), shown(kBlue));
  QCOMPARE(ed.box("txtInFile")->text(), main.path("in.dat"));
  QCOMPARE(ed.box("txtOutFile")->text(), main.path("data/out.dat"));
  QCOMPARE(ed.box("txtWFileDir")->text(), main.path("data/"));
  QCOMPARE(ed.box("txtMaxSplit")->text(), QStringLiteral("*"));  // "*" keeps the default
  QCOMPARE(ed.box("txtMinSplit")->text(), QString());            // no key empties the box
  QCOMPARE(ed.box("txtWorkFiles")->text(), QStringLiteral("3"));
  QCOMPARE(ed.box("txtMemUsage")->text(), QStringLiteral("50"));
  QCOMPARE(ed.keys()->item(0, 2)->text(), QStringLiteral("D"));
  QCOMPARE(ed.orderValue(66), QStringLiteral("66"));
  QCOMPARE(ed.orderChar(66), QStringLiteral("B"));
  QVERIFY(!ed.order()->isEnabled());
  QVERIFY(!ed.button("cmdSave")->isEnabled());
  QCOMPARE(main.ctx.currentCtlName, path);

  ed.type("txtMinSplit", "2");
  ed.press("cmdSave");
  ed.press("cmdSave");
  const QByteArray saved = main.readFile("SortCtl/rel.txt");
  QVERIFY(saved.contains(("INFILE=\"" + main.path("in.dat") + "\"\r\n").toUtf8()));
  QVERIFY(saved.contains(("WORKDIR=\"" + main.path("data/") + "\"\r\n").toUtf8()));
  QVERIFY(saved.contains("MINSPLIT=\"2\"\r\n"));
  QVERIFY(saved.contains("MEMORYUSAGE=\"50\"\r\n"));
}

void FrmCtlFileTest::loadsUserOrderAndSavesItUnchanged() {
  TempMain main;
  writeJob(main, "job.txt", "USERDEFINED");
  const QByteArray digits = QByteArray::fromStdString(SortOrderCodec::encode(reversedLetters()));
  main.writeFile("SortCtl/job.sor", digits);
  const QString path = main.path("SortCtl/job.txt");
  Editor ed(main, path);
  QVERIFY(ed.option("optUser")->isChecked());
  QCOMPARE(ed.msg(), "Sort control file " + path + " loaded.\r\nSort order file " +
                         main.path("SortCtl/job.sor") + " loaded.");
  QCOMPARE(ed.msgColour(), shown(kGreen));
  QCOMPARE(ed.orderValue(65), QStringLiteral("90"));
  QCOMPARE(ed.orderChar(65), QStringLiteral("Z"));
  QVERIFY(ed.order()->isEnabled());
  QVERIFY(ed.orderList()->isEnabled());

  ed.type("txtRecLen", "0");
  ed.press("cmdSave");
  QCOMPARE(ed.msg(), " Press 'Confirm' to replace " + path);  // the order was not changed
  ed.press("cmdSave");
  QVERIFY(main.readFile("SortCtl/job.txt").contains("SORTORDER=\"USERDEFINED\"\r\n"));
  QCOMPARE(main.readFile("SortCtl/job.sor"), digits);
}

void FrmCtlFileTest::refusesCorruptSortOrderFile() {
  TempMain main;
  writeJob(main, "job.txt", "USERDEFINED");
  QByteArray digits = QByteArray::fromStdString(SortOrderCodec::encode(reversedLetters()));
  digits.replace(3 * 10, 3, "300");
  main.writeFile("SortCtl/job.sor", digits);
  Editor ed(main, main.path("SortCtl/job.txt"));
  QCOMPARE(ed.msgColour(), shown(kRed));
  QVERIFY(ed.msg().contains("Sort order file " + main.path("SortCtl/job.sor") + " not loaded"));
  QVERIFY(ed.msg().contains("above 255"));
  QCOMPARE(ed.orderValue(65), QStringLiteral("65"));  // the grid keeps its table
  QCOMPARE(main.readFile("SortCtl/job.sor"), digits);
}

void FrmCtlFileTest::standardOrderLoadedAndCharacterMoved() {
  TempMain main;
  main.writeStandardOrder("Binary", "Binary order", CollatingTable::binary());
  main.writeStandardOrder("Dictionary", "Dictionary order", reversedLetters());
  writeJob(main, "job.txt", "BINARY");
  const QString path = main.path("SortCtl/job.txt");
  const QString sorPath = main.path("SortCtl/job.sor");
  Editor ed(main, path);
  QCOMPARE(ed.orderList()->count(), 2);
  QCOMPARE(ed.orderList()->itemText(1), QStringLiteral("Dictionary"));
  QVERIFY(!ed.orderList()->isEnabled());
  ed.option("optUser")->click();
  QVERIFY(ed.orderList()->isEnabled());
  QVERIFY(ed.order()->isEnabled());
  QVERIFY(ed.button("cmdSave")->isEnabled());

  main.asker.answers = {true, true};
  ed.orderList()->setCurrentIndex(1);
  emit ed.orderList()->activated(1);
  QCOMPARE(main.asker.questions.last(),
           QStringLiteral("Press 'Yes' to load sort order from Dictionary"));
  QCOMPARE(ed.msg(), QStringLiteral("Dictionary order loaded into sort order tab"));
  QCOMPARE(ed.msgColour(), shown(kGreen));
  QCOMPARE(ed.orderValue(65), QStringLiteral("90"));
  QVERIFY(ed.option("optUser")->isChecked());

  ed.orderList()->setCurrentIndex(0);
  emit ed.orderList()->activated(0);
  QCOMPARE(ed.orderValue(65), QStringLiteral("65"));

  QFocusEvent focusIn(QEvent::FocusIn);
  QApplication::sendEvent(ed.order(), &focusIn);
  QCOMPARE(ed.msg(),
           QStringLiteral("Doubleclick on the character to be moved - \r\nUse the "
                          "mouse to select insert after point and press the 'insert' key!"));
  QCOMPARE(ed.msgColour(), shown(kBlue));

  ed.doubleClickOrderRow(66);  // "B"
  QCOMPARE(ed.msg(), QStringLiteral(
                         "Use the mouse to select insert after point and press the 'insert' key!"));
  ed.insertAt(97);  // after "a"
  QCOMPARE(ed.msg(), QStringLiteral("Char 'B' has been moved."));
  QCOMPARE(ed.msgColour(), shown(kGreen));
  for (int place = 66; place <= 96; ++place)
    QCOMPARE(ed.orderValue(place), QString::number(place + 1));
  QCOMPARE(ed.orderValue(97), QStringLiteral("66"));
  QCOMPARE(ed.orderChar(97), QStringLiteral("B"));
  QCOMPARE(ed.orderChar(96), QStringLiteral("a"));

  ed.press("cmdSave");
  QCOMPARE(ed.msg(), " Press 'Confirm' to replace " + path + "\r\nand create " + sorPath);
  ed.press("cmdSave");
  QCOMPARE(ed.msg(), "File " + path + " saved.\r\n" + sorPath + " saved.");
  CollatingTable expected;
  expected.moveAfter(66, 97);
  const QByteArray sor = main.readFile("SortCtl/job.sor");
  QCOMPARE(sor, QByteArray::fromStdString(SortOrderCodec::encode(expected)));
  QCOMPARE(sor.size(), 1536);
  QVERIFY(sor.startsWith("000001002"));
  QCOMPARE(sor.mid(768 + 3 * 66, 3), QByteArray("097"));
  QVERIFY(main.readFile("SortCtl/job.txt").contains("SORTORDER=\"USERDEFINED\"\r\n"));
}

void FrmCtlFileTest::standardOrderAnsweredNoKeepsTable() {
  TempMain main;
  main.writeStandardOrder("Dictionary", "Dictionary order", reversedLetters());
  QByteArray broken = QByteArray("Broken order").leftJustified(32, ' ');
  broken += QByteArray::fromStdString(SortOrderCodec::encode(CollatingTable::binary()));
  broken.replace(32 + 3 * 4, 3, "003");  // "3" twice
  main.writeFile("StdOrder/Broken.sor", broken);
  writeJob(main, "job.txt", "USERDEFINED");
  const QString path = main.path("SortCtl/job.txt");
  main.asker.answers = {false, true};
  Editor ed(main, path);
  ed.orderList()->setCurrentIndex(1);
  emit ed.orderList()->activated(1);
  QCOMPARE(ed.msg().trimmed(), QStringLiteral("Dictionary order"));  // the title stays
  QCOMPARE(ed.orderValue(65), QStringLiteral("65"));

  ed.orderList()->setCurrentIndex(0);
  emit ed.orderList()->activated(0);
  QCOMPARE(ed.msgColour(), shown(kRed));
  QVERIFY(ed.msg().contains("more than once"));
  QCOMPARE(ed.orderValue(4), QStringLiteral("4"));

  ed.type("txtRecLen", "0");
  ed.press("cmdSave");
  // The table was not changed, but the file asks for a user-defined order that has no file yet.
  QCOMPARE(ed.msg(), " Press 'Confirm' to replace " + path + "\r\nand create " +
                         main.path("SortCtl/job.sor"));
}

void FrmCtlFileTest::fieldWithoutLengthIsLeftOut() {
  TempMain main;
  writeJob(main, "job.txt", "BINARY");
  const QString path = main.path("SortCtl/job.txt");
  Editor ed(main, path);
  ed.typeCell(2, 0, "7");  // position, no length
  ed.typeCell(3, 0, "10");
  ed.typeCell(3, 1, "2");
  ed.typeCell(3, 2, "D");
  ed.press("cmdSave");
  ed.press("cmdSave");
  QCOMPARE(main.readFile("SortCtl/job.txt"),
           savedFile(absolute("/d/in.dat"), absolute("/d/out.dat"), absolute("/d/"), "10", "BINARY",
                     {R"(1POS="1")", R"(1LEN="4")", R"(1ORD="A")", R"(2POS="10")", R"(2LEN="2")",
                      R"(2ORD="D")"}));
  QCOMPARE(ed.msg(), "File " + path +
                         " saved.\r\nSort field 2 has a position but no length and was not saved.");
  QCOMPARE(ed.msgColour(), shown(kRed));
}

void FrmCtlFileTest::failedSaveKeepsOldFile() {
  TempMain main;
  writeJob(main, "job.txt", "BINARY");
  const QByteArray old = main.readFile("SortCtl/job.txt");
  QDir(main.mainDir()).mkpath("SortCtl/job.sor");  // the sort-order file cannot be written
  const QString path = main.path("SortCtl/job.txt");
  Editor ed(main, path);
  ed.option("optUser")->click();
  ed.doubleClickOrderRow(66);
  ed.insertAt(97);
  ed.type("txtRecLen", "0");
  ed.press("cmdSave");
  ed.press("cmdSave");
  QCOMPARE(ed.msgColour(), shown(kRed));
  QCOMPARE(ed.msg(), "File " + main.path("SortCtl/job.sor") +
                         " could not be written. The old file is unchanged.");
  QCOMPARE(main.readFile("SortCtl/job.txt"), old);
  QVERIFY(ed.button("cmdSave")->isEnabled());  // the user can try again
  QCOMPARE(plainCaption(ed.button("cmdSave")), QStringLiteral("Save"));
  QStringList left = QDir(main.path("SortCtl")).entryList(QDir::Files | QDir::Hidden);
  QCOMPARE(left, QStringList{"job.txt"});  // no temporary file stays behind
}

void FrmCtlFileTest::longFileSavesWhole() {
  TempMain main;
  const QString longDir = absolute("/" + QString(400, u'x') + "/");
  QStringList fields;
  for (int n = 1; n <= 99; ++n) {
    fields << QString("%1POS=\"%2\"").arg(n).arg(n) << QString("%1LEN=\"1\"").arg(n)
           << QString("%1ORD=\"D\"").arg(n);
  }
  const QByteArray bytes =
      savedFile(longDir + "in.dat", longDir + "out.dat", longDir, "99", "BINARY", fields);
  QVERIFY(bytes.size() > 4096);
  main.writeFile("SortCtl/long.txt", bytes);
  Editor ed(main, main.path("SortCtl/long.txt"));
  QCOMPARE(ed.keys()->item(98, 0)->text(), QStringLiteral("99"));
  QCOMPARE(ed.box("txtWFileDir")->text(), longDir);
  QTest::keyClick(ed.box("txtRecLen"), Qt::Key_Backspace);
  ed.type("txtRecLen", "9");
  ed.press("cmdSave");
  ed.press("cmdSave");
  QCOMPARE(ed.msgColour(), shown(kGreen));
  QCOMPARE(main.readFile("SortCtl/long.txt"), bytes);
}

void FrmCtlFileTest::cancelReturnsToSave() {
  TempMain main;
  writeJob(main, "job.txt", "BINARY");
  const QByteArray old = main.readFile("SortCtl/job.txt");
  Editor ed(main, main.path("SortCtl/job.txt"));
  ed.type("txtRecLen", "0");
  ed.press("cmdSave");
  ed.press("cmdCancel");
  QCOMPARE(plainCaption(ed.button("cmdSave")), QStringLiteral("Save"));
  QVERIFY(!ed.button("cmdCancel")->isVisible());
  QCOMPARE(ed.msg(), QString());
  QCOMPARE(main.readFile("SortCtl/job.txt"), old);
}

void FrmCtlFileTest::abandonDeletesCreatedFile() {
  TempMain main;
  main.asker.answers = {true, true};
  const QString path = main.path("SortCtl/gone.txt");
  Editor ed(main, path);
  main.writeFile("SortCtl/gone.sor", "x");
  ed.press("cmdExit");
  QCOMPARE(main.asker.questions.value(1),
           "Control file " + path + " will be deleted - Press 'Yes' to delete!");
  QVERIFY(!main.exists("SortCtl/gone.txt"));
  QVERIFY(!main.exists("SortCtl/gone.sor"));
  QVERIFY(!ed.dlg().isVisible());
  QCOMPARE(main.ctx.currentCtlName, QString());
  QCOMPARE(main.registryValue("CurrentCtl"), QString());
}

void FrmCtlFileTest::abandonAnsweredNoKeepsFile() {
  TempMain main;
  main.asker.answers = {true, true, false};
  const QString path = main.path("SortCtl/kept.txt");
  Editor ed(main, path);
  ed.type("txtInFile", "/i");
  ed.type("txtOutFile", "/o");
  ed.type("txtRecLen", "1");
  ed.dlg().close();  // closing the window leaves as Exit does
  QCOMPARE(main.asker.questions.value(1),
           QStringLiteral("Control file has been changed - Press 'Yes' to exit without saving!"));
  QCOMPARE(main.asker.questions.value(2),
           "Control file " + path + " will be deleted - Press 'Yes' to delete!");
  QVERIFY(main.exists("SortCtl/kept.txt"));
  QVERIFY(!ed.dlg().isVisible());
  QCOMPARE(main.ctx.currentCtlName, QString());
}

void FrmCtlFileTest::leavingChangedFileAsksFirst() {
  TempMain main;
  writeJob(main, "job.txt", "BINARY");
  const QString path = main.path("SortCtl/job.txt");
  Editor ed(main, path);
  ed.type("txtRecLen", "0");
  main.asker.answers = {false};
  ed.press("cmdExit");
  QCOMPARE(main.asker.questions,
           QStringList{"Control file has been changed - Press 'Yes' to exit without saving!"});
  QVERIFY(ed.dlg().isVisible());
  main.asker.answers = {true};
  ed.press("cmdExit");
  QVERIFY(!ed.dlg().isVisible());
  QCOMPARE(main.registryValue("CurrentCtl"), path);
  QCOMPARE(main.ctx.currentCtlName, path);
  QVERIFY(main.readFile("SortCtl/job.txt").contains("RECLEN=\"10\""));
}

void FrmCtlFileTest::invalidFileIsRefused() {
  TempMain main;
  main.writeFile("SortCtl/other.txt",
                 crlfLines({"[FILE]", R"(PRODUCT="XX01")", R"(INFILE="/x")", "[END]"}));
  Editor ed(main, main.path("SortCtl/other.txt"));
  QCOMPARE(ed.msg(), QStringLiteral("Invalid, incomplete or corrupt sort control file "
                                    "loaded.\r\nSelect a valid file."));
  QCOMPARE(ed.msgColour(), shown(kRed));
  QCOMPARE(ed.box("txtInFile")->text(), QString());
}

void FrmCtlFileTest::browseLoadsChosenFile() {
  TempMain main;
  writeJob(main, "job.txt", "USERDEFINED");
  main.writeFile("SortCtl/job.sor",
                 QByteArray::fromStdString(SortOrderCodec::encode(reversedLetters())));
  Editor ed(main, "");
  ed.type("txtSortCtl", main.path("SortCtl/typed.txt"));  // a new name first
  whenSelectionOpens([](frmSel* sel) { pickFile(sel, "job.txt"); });
  ed.press("cmdBrowse");
  // The chosen file as the system writes paths.
  const QString path = QDir::toNativeSeparators(main.path("SortCtl/job.txt"));
  QCOMPARE(ed.box("txtSortCtl")->text(), path);
  QCOMPARE(ed.msg(), "Sort control file " + path + " loaded\r\nSort order file " +
                         QDir::toNativeSeparators(main.path("SortCtl/job.sor")) + " loaded.");
  QCOMPARE(ed.msgColour(), shown(kGreen));
  QCOMPARE(main.mainTexts, QStringList{path});
  QCOMPARE(ed.box("txtInFile")->text(), absolute("/d/in.dat"));
  QCOMPARE(ed.orderValue(97), QStringLiteral("122"));
  QVERIFY(!ed.button("cmdSave")->isEnabled());

  whenSelectionOpens([](frmSel* sel) { sel->findChild<QPushButton*>("ExitButt")->click(); });
  ed.press("cmdBrowse");
  QCOMPARE(main.ctx.currentCtlName, path);
  QCOMPARE(ed.box("txtSortCtl")->text(), path);

  // The loaded file is not a new one: leaving without saving keeps it.
  ed.type("txtRecLen", "0");
  main.asker.answers = {true};
  ed.press("cmdExit");
  QCOMPARE(main.asker.questions,
           QStringList{"Control file has been changed - Press 'Yes' to exit without saving!"});
  QVERIFY(main.exists("SortCtl/job.txt"));
  QVERIFY(!ed.dlg().isVisible());
}

void FrmCtlFileTest::browseInputFileKeepsName() {
  TempMain main;
  writeJob(main, "job.txt", "BINARY");
  main.writeFile("data.dat", "abc");
  const QString path = main.path("SortCtl/job.txt");
  Editor ed(main, path);
  QVERIFY(ed.button("cmdBrowseI")->isEnabled());
  whenSelectionOpens([](frmSel* sel) { pickFile(sel, "data.dat"); });
  ed.press("cmdBrowseI");
  QCOMPARE(ed.box("txtInFile")->text(), QDir::toNativeSeparators(main.path("data.dat")));
  QCOMPARE(main.ctx.currentCtlName, path);
  QVERIFY(ed.button("cmdSave")->isEnabled());

  whenSelectionOpens([](frmSel* sel) { sel->findChild<QPushButton*>("ExitButt")->click(); });
  ed.press("cmdBrowseO");
  QCOMPARE(ed.box("txtOutFile")->text(), absolute("/d/out.dat"));
  QCOMPARE(main.ctx.currentCtlName, path);
}

// Opened on a missing file, the editor asks in a real message box whether to create it; after
// either answer it is a usable window of its normal size with the focus inside it.
void FrmCtlFileTest::createQuestionKeepsNormalSize_data() {
  QTest::addColumn<int>("answer");
  QTest::newRow("Yes") << int(QMessageBox::Yes);
  QTest::newRow("No") << int(QMessageBox::No);
}

void FrmCtlFileTest::createQuestionKeepsNormalSize() {
  QFETCH(int, answer);
  TempMain main;
  main.ctx.asker = nullptr;
  const QString path = main.path("SortCtl/new.txt");
  main.ctx.mainCtlFileText = path;
  MessageBoxAnswerer answerer{QMessageBox::StandardButton(answer)};
  QWidget owner;  // stands in for the main window
  owner.resize(800, 600);
  owner.show();
  QSize shown;
  bool focusUsable = false;
  frmCtlFile dlg(main.ctx, &owner);
  // Once the question is answered and the editor is up, note what the user sees and leave.
  QTimer look;
  look.setInterval(100);
  int ticks = 0;
  QObject::connect(&look, &QTimer::timeout, [&] {
    if (answerer.asked.isEmpty() || QApplication::activeModalWidget() != &dlg || shown.isValid())
      return;
    // The window system hands the focus back a moment after the box has gone.
    if (QApplication::activeWindow() != &dlg && ++ticks < 30) return;
    shown = dlg.size();
    const QWidget* focus = QApplication::focusWidget();
    // Keys go to a control that can be seen (offscreen may leave no focus at all).
    focusUsable = focus == nullptr || (focus->window() == &dlg && focus->isVisible());
    dlg.findChild<QPushButton*>("cmdExit")->click();
  });
  look.start();
  dlg.exec();
  look.stop();
  QCOMPARE(answerer.asked.value(0), "Control file " + path + " missing. Press 'Yes' to create!");
  QVERIFY2(answerer.overShownWindow.value(0), "asked before the editor was on the screen");
  const QSize normal = dlg.minimumSizeHint();
  QVERIFY2(shown.width() >= normal.width() && shown.height() >= normal.height(),
           qPrintable(QStringLiteral("%1x%2").arg(shown.width()).arg(shown.height())));
  QVERIFY(focusUsable);
}

// A file that asks for a user-defined order without a sort-order file beside it gets one on
// save, from the table shown; otherwise every sort of it would end with rc 141.
void FrmCtlFileTest::userOrderWithoutTableIsWritten() {
  TempMain main;
  writeJob(main, "job.txt", "USERDEFINED");
  const QString path = main.path("SortCtl/job.txt");
  const QString sorPath = main.path("SortCtl/job.sor");
  Editor ed(main, path);
  QVERIFY(ed.option("optUser")->isChecked());
  ed.type("txtRecLen", "0");
  ed.press("cmdSave");
  QCOMPARE(ed.msg(), " Press 'Confirm' to replace " + path + "\r\nand create " + sorPath);
  ed.press("cmdSave");
  QCOMPARE(ed.msg(), "File " + path + " saved.\r\n" + sorPath + " saved.");
  QCOMPARE(ed.msgColour(), shown(kGreen));
  QCOMPARE(main.readFile("SortCtl/job.sor").toStdString(),
           SortOrderCodec::encode(CollatingTable::binary()));
}

// Input and output are data files: the dialog lists all files, starting in the folder of the
// box's path (the main directory when the box is empty or its folder is gone); Enter takes the
// highlighted file.
void FrmCtlFileTest::browseDataFileStartsInItsFolder_data() {
  QTest::addColumn<QString>("box");
  QTest::addColumn<QString>("value");
  QTest::addColumn<QString>("folder");
  QTest::addColumn<QString>("chosen");
  QTest::newRow("input in its folder") << "txtInFile"
                                       << "data/in.dat"
                                       << "data"
                                       << "data/in.srt";
  QTest::newRow("output in its folder") << "txtOutFile"
                                        << "data/new.srt"
                                        << "data"
                                        << "data/in.dat";
  QTest::newRow("empty box") << "txtInFile"
                             << ""
                             << ""
                             << "top.dat";
  QTest::newRow("folder gone") << "txtOutFile"
                               << "gone/x.srt"
                               << ""
                               << "top.dat";
}

void FrmCtlFileTest::browseDataFileStartsInItsFolder() {
  QFETCH(QString, box);
  QFETCH(QString, value);
  QFETCH(QString, folder);
  QFETCH(QString, chosen);
  TempMain main;
  writeJob(main, "job.txt", "BINARY");
  QDir(main.mainDir()).mkpath("data");
  main.writeFile("data/in.dat", "x");
  main.writeFile("data/in.srt", "x");
  main.writeFile("top.dat", "x");
  main.writeFile("alpha.dat", "x");
  Editor ed(main, main.path("SortCtl/job.txt"));
  ed.box(box.toLatin1().constData())->setText(value.isEmpty() ? QString() : main.path(value));
  QString startedIn;
  QStringList listed;
  const QString name = chosen.section(u'/', -1);
  bool selectShown = false;
  whenSelectionOpens([&](frmSel* sel) {
    startedIn = sel->currentDirectory();
    auto* files = sel->findChild<QListWidget*>("File1");
    for (int i = 0; i < files->count(); ++i) listed << files->item(i)->text();
    // To the file with the arrow keys, then Enter, without the mouse.
    QTest::keyClick(files, Qt::Key_End);
    QTest::keyClick(files, Qt::Key_Home);
    while (files->currentItem() != nullptr && files->currentItem()->text() != name &&
           files->currentRow() + 1 < files->count()) {
      QTest::keyClick(files, Qt::Key_Down);
    }
    selectShown = sel->findChild<QPushButton*>("selButt")->isVisible();
    QTest::keyClick(files, Qt::Key_Return);
    if (sel->isVisible()) sel->findChild<QPushButton*>("ExitButt")->click();  // Enter did nothing
  });
  ed.press(box == "txtInFile" ? "cmdBrowseI" : "cmdBrowseO");
  QCOMPARE(startedIn, QDir::cleanPath(main.path(folder)));
  QVERIFY2(selectShown, qPrintable(listed.join(",")));
  QVERIFY2(listed.contains(name), qPrintable(listed.join(',')));
  QVERIFY(!listed.contains("job.txt"));
  QCOMPARE(ed.box(box.toLatin1().constData())->text(), QDir::toNativeSeparators(main.path(chosen)));
}

// Moving through the key-field grid with arrows, Tab and paging changes nothing: leaving asks
// no question (the real message box is watched); a typed digit still counts.
void FrmCtlFileTest::movingInKeyFieldsIsNoChange() {
  for (bool typed : {false, true}) {
    TempMain main;
    main.ctx.asker = nullptr;
    writeJob(main, "job.txt", "BINARY");
    Editor ed(main, main.path("SortCtl/job.txt"));
    MessageBoxAnswerer answerer(QMessageBox::Yes);
    ed.keys()->setFocus();
    ed.keys()->setCurrentCell(0, 0);
    for (int key : {Qt::Key_Down, Qt::Key_Right, Qt::Key_PageDown, Qt::Key_Up, Qt::Key_Left,
                    Qt::Key_Home, Qt::Key_End}) {
      QTest::keyClick(ed.keys(), Qt::Key(key));
    }
    if (typed) ed.typeCell(1, 1, "2");
    QTest::keyClick(ed.keys(), Qt::Key_Tab);
    QCOMPARE(ed.button("cmdSave")->isEnabled(), typed);
    ed.press("cmdExit");
    const QStringList expected =
        typed ? QStringList{"Control file has been changed - Press 'Yes' to exit without saving!"}
              : QStringList{};
    QCOMPARE(answerer.asked, expected);
    QVERIFY(!ed.dlg().isVisible());
  }
}

// Tab and Shift+Tab go through every control of the editor and out of both grids; every button
// has an Alt letter of its own.
void FrmCtlFileTest::keyboardReachesEveryControl() {
  TempMain main;
  writeJob(main, "job.txt", "BINARY");
  Editor ed(main, main.path("SortCtl/job.txt"));
  ed.option("optUser")->click();  // the sort-order grid takes part only when it is enabled
  QApplication::setActiveWindow(&ed.dlg());
  QVERIFY(QTest::qWaitForWindowActive(&ed.dlg()));
  for (bool backwards : {false, true}) {
    const QList<QWidget*> chain = tabChain(ed.box("txtSortCtl"), backwards);
    QVERIFY2(!chain.contains(nullptr), backwards ? "Shift+Tab is trapped" : "Tab is trapped");
    for (const char* name : {"cmdBrowse", "txtInFile", "txtOutFile", "txtRecLen", "txtMaxSplit",
                             "grdCtlVal", "cboOrderFile", "grdSortOrder", "cmdSave", "cmdExit"}) {
      QVERIFY2(chain.contains(ed.dlg().findChild<QWidget*>(name)), name);
    }
  }
  const auto letters = mnemonics(&ed.dlg());
  QCOMPARE(letters.size(), captionedButtons(&ed.dlg()));
  QVERIFY2(QSet<QChar>(letters.keyBegin(), letters.keyEnd()).size() == letters.size(),
           qPrintable(QStringList(letters.keyBegin(), letters.keyEnd()).join(',')));
  QTest::keyClick(ed.keys(), Qt::Key_S, Qt::AltModifier);  // the button clicks a moment later
  QTRY_COMPARE(plainCaption(ed.button("cmdSave")), QStringLiteral("Confirm"));
}

}  // namespace kvt::util::test
