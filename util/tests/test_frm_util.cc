#include "util/tests/test_frm_util.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>
#include <fstream>
#include <memory>

#include "platform/clock.h"
#include "platform/file_lock.h"
#include "platform/paths.h"
#include "util/app_context.h"
#include "util/frm_util.h"
#include "util/message_line.h"
#include "util/tests/frm_util_fixture.h"
#include "util/tests/keyboard_support.h"
#include "util/tests/message_box_answerer.h"
#include "util/tests/test_support.h"

namespace kvt::util::test {

namespace {

// The message colours as the application's palette shows them.
QColor red() { return colourOf(MsgColour::ErrorRed); }
QColor green() { return colourOf(MsgColour::SuccessGreen); }
QColor blue() { return colourOf(MsgColour::InfoBlue); }

QString q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

void TestFrmUtil::startupWithRegistryValues() {
  Fixture f;
  const std::string ctl = f.product.path("SortCtl/mine.txt");
  f.product.setRegistryValue("CurrentCtl", ctl);
  f.product.writeFile(
      "kvtinst.cfg", "[DEFINITIONS]\r\nEDITING=\"x\"\r\nPRODUCT=\"KV02\"\r\nVERSION=\"2.0.0\"\r\n");
  f.open();
  QCOMPARE(f.window->objectName(), QStringLiteral("frmUtil"));
  QCOMPARE(f.window->windowTitle(), QStringLiteral("Halvern - Tamsort Utility program"));
  QCOMPARE(f.field("txtCtlFile")->text(), QDir::toNativeSeparators(q(ctl)));
  QCOMPARE(f.field("txtVersion")->text(), QStringLiteral("2.0.0"));
  QCOMPARE(f.field("txtInstDir")->text(), QDir::toNativeSeparators(q(f.product.mainDir())));
  QCOMPARE(f.ctx.installedVersion, QStringLiteral("2.0.0"));
  QCOMPARE(f.ctx.registryKey, QStringLiteral("SOFTWARE\\Halvern\\KV0220"));
  QCOMPARE(f.ctx.mainDir, q(f.product.mainDir()));
  QCOMPARE(f.window->helpFile(), q(f.product.path("KV02v20.chm")));
  QCOMPARE(f.window->logPath(), q(f.product.path("kvtsort.log")));
  QCOMPARE(f.window->statusPath(), q(f.product.path("kvtsort.sts")));

  auto* list = f.child<QListWidget>("lstCommand");
  QCOMPARE(list->count(), 1);
  QCOMPARE(list->item(0)->text(), QStringLiteral("Save current log file"));
  QVERIFY(!f.button("cmdExecute")->isEnabled());
  QVERIFY(!f.button("cmdCancel")->isEnabled());
  QCOMPARE(plainCaption(f.button("cmdExecute")), QStringLiteral("Execute command"));
  QCOMPARE(plainCaption(f.button("cmdSCtl")), QStringLiteral("Browse"));
  QCOMPARE(plainCaption(f.button("cmdCreate")), QStringLiteral("Edit sort control file"));
  QCOMPARE(plainCaption(f.button("cmdSort")), QStringLiteral("Start sort"));
  QCOMPARE(plainCaption(f.button("cmdMem")), QStringLiteral("Show memory"));
  QCOMPARE(plainCaption(f.button("cmdClear")), QStringLiteral("Clear log"));
  QVERIFY(!f.child<QCheckBox>("chkLog")->isChecked());
  QCOMPARE(plainCaption(f.child<QCheckBox>("chkLog")), QStringLiteral("Show all records"));
  auto* running = f.child<QLabel>("lblSort");
  QVERIFY(running->isHidden());
  QCOMPARE(running->text(), QStringLiteral("The sort is running"));
  QVERIFY(running->font().bold());
  auto* timer = f.child<QTimer>("Timer1");
  QVERIFY(!timer->isActive());
  QCOMPARE(timer->interval(), 1000);
  QCOMPARE(f.field("txtCtlFile")->accessibleName(), QStringLiteral("Sort control file"));
  QCOMPARE(f.field("txtFileSize")->accessibleName(), QStringLiteral("File size (#records)"));
  QCOMPARE(f.child<QLabel>("lbl_txtLogDate")->buddy(), f.field("txtLogDate"));

  QCOMPARE(f.grid()->columnCount(), 3);
  QCOMPARE(f.grid()->rowCount(), 99);
  QCOMPARE(f.grid()->horizontalHeaderItem(0)->text(), QStringLiteral("Time"));
  QCOMPARE(f.grid()->horizontalHeaderItem(1)->text(), QStringLiteral("Date"));
  QCOMPARE(f.grid()->horizontalHeaderItem(2)->text(), QStringLiteral("Message"));
  QCOMPARE(f.grid()->horizontalHeaderItem(2)->foreground().color(), blue());
  // The missing log was created empty by the start-up load.
  QVERIFY(f.product.exists("kvtsort.log"));
  QCOMPARE(f.shownRows(), 0);
  QVERIFY(f.message()->text().isEmpty());
}

void TestFrmUtil::startupWithoutCurrentCtl() {
  Fixture f;
  f.open();
  QCOMPARE(f.field("txtCtlFile")->text(),
           QDir::toNativeSeparators(q(f.product.path("SortCtl/kvtsort.txt"))));
  QVERIFY(f.ctx.currentCtlName.isEmpty());
  QVERIFY(f.field("txtVersion")->text().isEmpty());
}

void TestFrmUtil::startupWithoutRegistry() {
  Fixture f(false);
  f.open();
  const std::string program = f.product.programDir();
  QCOMPARE(f.field("txtCtlFile")->text(), QDir::toNativeSeparators("SortCtl/kvtsort.txt"));
  QCOMPARE(f.window->mainDirectory(), q(program));
  QCOMPARE(f.window->logPath(), q(program + "kvtsort.log"));
  QCOMPARE(f.window->configurationPath(), q(program + "kvtinst.cfg"));
  QCOMPARE(f.window->statusPath(), q(program + "kvtsort.sts"));
  QCOMPARE(f.window->messageTextPath(), q(program + "kvtmsg.txt"));
  QCOMPARE(f.window->helpFile(), q(program + "KV02v20.chm"));
  QCOMPARE(f.field("txtInstDir")->text(), QDir::toNativeSeparators(q(program)));
}

void TestFrmUtil::logGridFiltersAndMessageCodes() {
  Fixture f;
  f.product.writeFile("kvtmsg.txt", "009XReading the next chunk\r\n010SPartitions: \r\n");
  f.product.writeFile(
      "kvtsort.log",
      libraryLogLine("STA", "20021231", "080000", "KV Tamsort started.") +
          engineLogLine("20030101", "090000", "010 4") +
          libraryLogLine("STA", "20030101", "090001", "/x/job.txt control file used.") +
          libraryLogLine("TMR", "20030102", "100000", "KV Tamsort ended.( 0)"));
  f.open();
  QCOMPARE(f.shownRows(), 3);
  QCOMPARE(f.cell(0, 0), QStringLiteral("100000"));
  QCOMPARE(f.cell(0, 1), QStringLiteral("20030102"));
  QCOMPARE(f.cell(0, 2), QStringLiteral("KV Tamsort ended.( 0)"));
  QCOMPARE(f.grid()->item(0, 2)->foreground().color(), colourOf(MsgColour::EndBlue));
  QCOMPARE(f.grid()->item(2, 2)->foreground().color(), blue());
  QCOMPARE(f.grid()->item(1, 2)->foreground().color(), colourOf(MsgColour::Black));

  auto* date = f.field("txtLogDate");
  date->setText(QStringLiteral(">20030101"));
  f.click("cmdSearch");
  QCOMPARE(f.shownRows(), 1);
  QCOMPARE(f.message()->text(), QStringLiteral("Limited log shown >20030101"));
  QCOMPARE(f.messageColour(), green());

  date->setText(QStringLiteral(" 20030101"));
  f.click("cmdSearch");
  QCOMPARE(f.shownRows(), 1);
  QCOMPARE(f.cell(0, 2), QStringLiteral("/x/job.txt control file used."));

  date->setText(QStringLiteral("x20030101"));
  f.click("cmdSearch");
  QCOMPARE(f.message()->text(), QStringLiteral("Valid format is xYYYYMMDD(x=(\" \",=,<,>)"));
  QCOMPARE(f.messageColour(), red());
  QCOMPARE(f.shownRows(), 1);  // the view is left as it was
  f.click("cmdRefresh");
  QCOMPARE(f.shownRows(), 0);
  QCOMPARE(f.message()->text(), QStringLiteral("Search date field is invalid"));
  QCOMPARE(f.messageColour(), red());

  date->clear();
  f.child<QCheckBox>("chkLog")->setChecked(true);
  f.click("cmdRefresh");
  QCOMPARE(f.shownRows(), 4);
  QCOMPARE(f.cell(2, 2), QStringLiteral("Partitions:  4"));
  QVERIFY(f.message()->text().isEmpty());
}

void TestFrmUtil::clearLog() {
  Fixture f;
  f.product.writeFile("kvtsort.log", libraryLogLine("STA", "20030101", "080000", "one"));
  f.product.writeFile("kvtsort.old", "older");
  f.open();
  QCOMPARE(f.shownRows(), 1);
  f.click("cmdClear");
  const QString old = q(f.product.path("kvtsort.old"));
  QCOMPARE(f.message()->text(),
           old + " deleted.\n" + q(f.product.path("kvtsort.log")) + " renamed to " + old);
  QCOMPARE(f.messageColour(), green());
  QCOMPARE(f.shownRows(), 0);
  QVERIFY(!f.product.exists("kvtsort.log"));
  QCOMPARE(f.product.readFile("kvtsort.old"), libraryLogLine("STA", "20030101", "080000", "one"));
}

void TestFrmUtil::saveCurrentLogCommand() {
  Fixture f;
  const std::string line = libraryLogLine("STA", "20030101", "080000", "one");
  f.product.writeFile("kvtsort.log", line);
  f.open();
  auto* list = f.child<QListWidget>("lstCommand");
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualItemRect(list->item(0)).center());
  QVERIFY(f.button("cmdExecute")->isEnabled());
  f.click("cmdExecute");
  QCOMPARE(f.message()->text(),
           q(f.product.path("kvtsort.log") + " copied to " + f.product.path("kvtsortLog.001")));
  QCOMPARE(f.messageColour(), green());
  QCOMPARE(f.product.readFile("kvtsortLog.001"), line);
  QVERIFY(!f.product.exists("kvtsort.log"));
  QCOMPARE(f.shownRows(), 0);
  QVERIFY(!f.button("cmdExecute")->isEnabled());
  QVERIFY(list->selectedItems().isEmpty());

  // A double-click runs the command at once; now the log is missing.
  const QPoint centre = list->visualItemRect(list->item(0)).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
  QCOMPARE(f.message()->text(), q(f.product.path("kvtsort.log") + " not found."));
  QCOMPARE(f.messageColour(), red());
  QVERIFY(f.button("cmdExecute")->isEnabled());
  QVERIFY(!f.product.exists("kvtsortLog.002"));
}

void TestFrmUtil::memoryReport() {
  Fixture f;
  f.open();
  f.click("cmdMem");
  const QRegularExpression report(QStringLiteral(
      "^Total Physical Memory is \\d{1,3}(,\\d{3})* KB\\nAvailable Physical Memory is "
      "\\d{1,3}(,\\d{3})* KB\\n\\nTotal Virtual Memory is \\d{1,3}(,\\d{3})* KB\\n"
      "Available Virtual Memory is \\d{1,3}(,\\d{3})* KB$"));
  QVERIFY2(report.match(f.message()->text()).hasMatch(), qPrintable(f.message()->text()));
  QCOMPARE(f.messageColour(), blue());
  f.click("cmdMem");
  QVERIFY(report.match(f.message()->text()).hasMatch());
}

void TestFrmUtil::hiddenKeyAndHelpKey() {
  Fixture f;
  f.open();
  const Qt::KeyboardModifiers all = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
  QTest::keyRelease(f.field("txtCtlFile"), Qt::Key_F6, Qt::ControlModifier | Qt::AltModifier);
  QTest::keyRelease(f.window.get(), Qt::Key_F5, all);
  QVERIFY(f.message()->text().isEmpty());
  QTest::keyRelease(f.field("txtCtlFile"), Qt::Key_F6, all);
  QVERIFY(f.message()->text().startsWith(QStringLiteral("KV Tamsort\n")));
  QVERIFY(f.message()->font().italic());
  QCOMPARE(f.messageColour(), blue());
  QCOMPARE(f.message()->palette().color(QPalette::Window), red());

  // Help: missing file, then a file without a viewer, then one that opens.
  QTest::keyClick(f.window.get(), Qt::Key_F1);
  QCOMPARE(f.message()->text(), QStringLiteral("The help file ") +
                                    QDir::toNativeSeparators(f.window->helpFile()) +
                                    " was not found.");
  QCOMPARE(f.messageColour(), red());
  QVERIFY(!f.message()->font().italic());
  f.product.writeFile("KV02v20.chm", "help");
  QList<QUrl> opened;
  f.window->setHelpOpener([&opened](const QUrl& url) {
    opened << url;
    return false;
  });
  QTest::keyClick(f.field("txtLogDate"), Qt::Key_F1);
  QVERIFY(f.message()->text().contains(QStringLiteral("could not be shown")));
  f.window->setHelpOpener([&opened](const QUrl& url) {
    opened << url;
    return true;
  });
  f.click("cmdRefresh");  // clears the line
  QTest::keyClick(f.window.get(), Qt::Key_F1);
  QCOMPARE(opened.size(), 2);
  QCOMPARE(opened.last(), QUrl::fromLocalFile(f.window->helpFile()));
  QVERIFY(f.message()->text().isEmpty());
}

// Leaving the selection dialog with its exit button opens no editor and keeps txtCtlFile.
void TestFrmUtil::browseLeftWithExitChangesNothing() {
  Fixture f;
  f.open();
  const QString before = f.field("txtCtlFile")->text();
  // The dialog moves the process's current folder; put it back for the later tests.
  const QString folder = QDir::currentPath();
  QStringList dialogsSeen;
  QTimer closer;
  closer.setInterval(50);
  QObject::connect(&closer, &QTimer::timeout, [&dialogsSeen]() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) return;
    dialogsSeen << modal->objectName();
    if (auto* exit = modal->findChild<QPushButton*>(QStringLiteral("ExitButt"))) {
      exit->click();
    } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
      dialog->reject();
    }
  });
  closer.start();
  f.click("cmdSCtl");
  closer.stop();
  QDir::setCurrent(folder);
  QVERIFY(!dialogsSeen.contains(QStringLiteral("frmCtlFile")));
  QVERIFY(dialogsSeen.size() <= 1);
  QCOMPARE(f.field("txtCtlFile")->text(), before);
  QVERIFY(f.product.registryValue("CurrentCtl").empty());
}

void TestFrmUtil::refusedControlFiles() {
  Fixture f;
  f.open();
  auto* ctl = f.field("txtCtlFile");
  ctl->setText(q(f.product.path("SortCtl/none.txt")));
  f.click("cmdSort");
  QCOMPARE(f.message()->text(), QStringLiteral("The sort control file was not found."));
  QCOMPARE(f.messageColour(), red());
  QVERIFY(!f.child<QTimer>("Timer1")->isActive());
  QVERIFY(f.child<QLabel>("lblSort")->isHidden());
  QCOMPARE(f.ctx.currentCtlName, ctl->text());

  f.product.writeFile("SortCtl/blank.txt", "[FILE]\r\nPRODUCT=\" \"\r\nINFILE=\"a.dat\"\r\n");
  ctl->setText(q(f.product.path("SortCtl/blank.txt")));
  f.click("cmdSort");
  QCOMPARE(f.message()->text(), QStringLiteral("The sort control file was not found."));

  f.product.writeFile("in.dat", std::string(100, 'x'));
  f.writeControlFile("zero.txt", "INFILE=\"in.dat\"\r\nRECLEN=\"0\"\r\nMEMORYUSAGE=\"60\"\r\n");
  ctl->setText(q(f.product.path("SortCtl/zero.txt")));
  f.click("cmdSort");
  QCOMPARE(f.message()->text(), QStringLiteral("Invalid record length on input file."));
  QCOMPARE(f.field("txtInFile")->text(), q(f.product.path("in.dat")));
  QCOMPARE(f.field("txtMemUsage")->text(), QStringLiteral("60"));
  QVERIFY(!f.child<QTimer>("Timer1")->isActive());

  f.writeControlFile("noinput.txt", "INFILE=\"\"\r\nRECLEN=\"10\"\r\n");
  ctl->setText(q(f.product.path("SortCtl/noinput.txt")));
  f.click("cmdSort");
  QCOMPARE(f.message()->text(), QStringLiteral("The input file could not be opened."));
  QVERIFY(!f.window->runActive());
}

void TestFrmUtil::failedStartOfFrontEnd() {
  Fixture f;
  f.product.writeFile("in.dat", std::string(100, 'x'));
  f.writeControlFile("job.txt", "INFILE=\"in.dat\"\r\nRECLEN=\"10\"\r\n");
  f.open();
  f.field("txtCtlFile")->setText(q(f.product.path("SortCtl/job.txt")));
  f.click("cmdSort");
  QCOMPARE(f.field("txtFileSize")->text(), QStringLiteral("10"));
  QVERIFY(f.tickUntilIdle(10000));
  QCOMPARE(f.message()->text(), QStringLiteral("Start of KVTSort failed."));
  QCOMPARE(f.messageColour(), red());
  QVERIFY(!f.child<QTimer>("Timer1")->isActive());
}

void TestFrmUtil::progressFromStatusFile() {
  KVT_SKIP_WITHOUT_SHELL();
  Fixture f;
  f.product.writeFile("in.dat", std::string(100, 'x'));
  f.writeControlFile("job.txt", "INFILE=\"in.dat\"\r\nRECLEN=\"10\"\r\nMEMORYUSAGE=\"50\"\r\n");
  // The stand-in front-end records its argument and waits for the test to let it end.
  f.product.writeFakeFrontEnd(
      "printf '%s' \"$*\" > args.txt\nwhile [ ! -f go ]; do sleep 0.05; done\nexit 0");
  f.product.writeFile("kvtsort.sts", "stale");
  f.open();
  f.field("txtCtlFile")->setText(q(" " + f.product.path("SortCtl/job.txt") + " "));
  f.click("cmdSort");
  QVERIFY(!f.product.exists("kvtsort.sts"));  // an old status file is gone before the run
  QCOMPARE(f.field("txtInFile")->text(), q(f.product.path("in.dat")));
  QCOMPARE(f.field("txtMemUsage")->text(), QStringLiteral("50"));
  QVERIFY(f.child<QLabel>("lblSort")->isVisible());
  QVERIFY(f.child<QTimer>("Timer1")->isActive());
  f.child<QTimer>("Timer1")->stop();

  f.window->Timer1_Timer();  // starts the front-end
  QVERIFY(f.window->runActive());
  const QString before = f.message()->text();
  f.click("cmdSort");  // ignored while a run is active
  QCOMPARE(f.message()->text(), before);

  const std::string start = kvt::platform::NowLocal().time;
  std::string status = statusRecord("000", 0, 0, 0, start) + statusRecord("004", 4, 1, 2, start) +
                       statusRecord("001", 1, 4, 1, start) + statusRecord("002", 2, 2, 1, start);
  f.product.writeFile("kvtsort.sts", status + "partial");
  f.window->Timer1_Timer();
  QCOMPARE(f.field("txtWFiles")->text(), QStringLiteral("1(2)"));
  QCOMPARE(f.field("txtSortStatus")->text(), QStringLiteral("1(4)"));
  QCOMPARE(f.field("txtMergeStatus")->text(), QStringLiteral("2(2)"));
  f.window->Timer1_Timer();
  QVERIFY(f.field("txtSortTime")->text().startsWith(' '));
  QVERIFY(f.field("txtSortTime")->text().trimmed().toInt() >= 0);

  status += statusRecord("004", 4, 2, 2, start) + statusRecord("001", 4, 4, 2, start);
  f.product.writeFile("kvtsort.sts", status);
  f.window->Timer1_Timer();
  QCOMPARE(f.field("txtWFiles")->text(), QStringLiteral("2(2)"));
  QCOMPARE(f.field("txtSortStatus")->text(), QStringLiteral("4(4)"));

  // The engine's end record replaces the first record.
  status.replace(0, 64, endRecord(start, start, 0));
  f.product.writeFile("kvtsort.sts", status);
  f.product.writeFile("go", "");
  QVERIFY(f.tickUntilIdle(20000));
  QVERIFY2(f.message()->text().startsWith(QStringLiteral("Sort complete. (")),
           qPrintable(f.message()->text()));
  QVERIFY(QRegularExpression(QStringLiteral("^Sort complete\\. \\(\\d{6}-\\d{6}\\)$"))
              .match(f.message()->text())
              .hasMatch());
  QCOMPARE(f.messageColour(), green());
  QCOMPARE(f.field("txtSortTime")->text(), QStringLiteral(" 0"));  // the end record's total
  QVERIFY(f.child<QLabel>("lblSort")->isHidden());
  QVERIFY(!f.child<QTimer>("Timer1")->isActive());
  QCOMPARE(f.product.readFile("args.txt"), f.product.path("SortCtl/job.txt"));
}

void TestFrmUtil::refusedJobIsNotASuccess() {
  KVT_SKIP_WITHOUT_SHELL();
  Fixture f;
  f.product.writeFile("in.dat", std::string(100, 'x'));
  f.writeControlFile("job.txt", "INFILE=\"in.dat\"\r\nRECLEN=\"10\"\r\n");
  const std::string reason =
      libraryLogLine("STA", "20030101", "120000", "Invalid control file used.");
  f.product.writeFakeFrontEnd("printf '%s' '" + reason + "' >> kvtsort.log\nexit 1");
  f.open();
  f.field("txtCtlFile")->setText(q(f.product.path("SortCtl/job.txt")));
  f.click("cmdSort");
  QVERIFY(f.tickUntilIdle(20000));
  QVERIFY(f.message()->text().startsWith(QStringLiteral("Sort complete. (")));
  QCOMPARE(f.messageColour(), red());
  QCOMPARE(f.cell(0, 2), QStringLiteral("Invalid control file used."));

  // The engine reported a failure although the front-end ended with 0.
  f.product.writeFakeFrontEnd("printf '%s' '" + endRecord("120000", "120001", 109) +
                              "' > kvtsort.sts\nexit 0");
  f.click("cmdSort");
  QVERIFY(f.tickUntilIdle(20000));
  QCOMPARE(f.messageColour(), red());

  f.product.writeFakeFrontEnd("printf '%s' '" + endRecord("120000", "120001", 0) +
                              "' > kvtsort.sts\nexit 0");
  f.click("cmdSort");
  QVERIFY(f.tickUntilIdle(20000));
  QCOMPARE(f.messageColour(), green());
}

namespace {

// The real front-end and engine beside the product's texts, as an installation has them.
// Copies, not links: a link is a shortcut file on Windows.
[[maybe_unused]] bool installRealPrograms(const std::string& main) {
#if defined(KVT_TEST_FRONTEND) && defined(KVT_TEST_ENGINE)
  const std::pair<const char*, std::string> programs[] = {
      {KVT_TEST_FRONTEND, platform::ProgramFileName("kv02sort")},
      {KVT_TEST_ENGINE, platform::ProgramFileName("kvtsorts")}};
  for (const auto& [from, name] : programs) {
    if (!QFile::copy(QString::fromUtf8(from), q(main + name))) return false;
  }
#endif
  for (const char* name : {"ErrText.txt", "kvtmsg.txt"}) {
    if (!QFile::copy(QStringLiteral(KVT_TEST_DATA_DIR "/") + name, q(main + name))) return false;
  }
  return true;
}

// Records of 100 bytes with pseudo-random 10-digit keys.
void writeRandomRecords(const std::string& path, int records) {
  std::ofstream data(path, std::ios::binary);
  uint32_t seed = 12345;
  const std::string filler = std::string(100 - 12, 'r') + "\r\n";
  for (int i = 0; i < records; ++i) {
    seed = seed * 1103515245u + 12345u;
    char key[16];
    std::snprintf(key, sizeof key, "%010u", seed % 1000000000u);
    data << key << filler;
  }
}

}  // namespace

// Each row: the input's record count, and the second message line of a failed run ("" when
// the sort succeeds).
void TestFrmUtil::realSortThroughFrontEndAndEngine_data() {
  QTest::addColumn<int>("records");
  QTest::addColumn<QString>("failure");
  // A few seconds of work, long enough to be followed through the work files.
  QTest::newRow("sorted") << 1500000 << QString();
  QTest::newRow("engine fails")
      << 1
      << QStringLiteral(
             "Sort failed rc= 1: The input holds fewer than 2 whole records, or it "
             "cannot be opened for update.");
}

void TestFrmUtil::realSortThroughFrontEndAndEngine() {
#if defined(KVT_TEST_FRONTEND) && defined(KVT_TEST_ENGINE)
  QFETCH(int, records);
  QFETCH(QString, failure);
  Fixture f;
  const std::string main = f.product.mainDir();
  QVERIFY(installRealPrograms(main));
  writeRandomRecords(f.product.path("big.dat"), records);
  f.writeControlFile("big.txt",
                     "EDITING=\"MODIFYING THIS FILE MANUALLY WILL CAUSE THE SORT TO FAIL.\"\r\n"
                     "INFILE=\"big.dat\"\r\nOUTFILE=\"big.srt\"\r\nWORKDIR=\"" +
                         main +
                         "\"\r\nRECLEN=\"100\"\r\nMEMORYUSAGE=\"80\"\r\nWORKFILES=\"4\"\r\n"
                         "MAXSPLIT=\"*\"\r\nMINSPLIT=\"*\"\r\nSORTORDER=\"BINARY\"\r\n");
  f.open();
  f.field("txtCtlFile")->setText(q(f.product.path("SortCtl/big.txt")));
  int progressUpdates = 0;
  QObject::connect(f.field("txtWFiles"), &QLineEdit::textChanged,
                   [&progressUpdates](const QString& text) {
                     if (!text.isEmpty()) ++progressUpdates;
                   });
  f.click("cmdSort");
  QCOMPARE(f.field("txtFileSize")->text(), QString::number(records));
  QTRY_VERIFY_WITH_TIMEOUT(!f.window->runActive() && f.child<QLabel>("lblSort")->isHidden(),
                           300000);
  qInfo("work-file progress shown %d times while the engine ran", progressUpdates);
  const QStringList lines = f.message()->text().split('\n');
  QVERIFY2(lines[0].startsWith(QStringLiteral("Sort complete. (")), qPrintable(lines[0]));
  if (!failure.isEmpty()) {
    QCOMPARE(lines.value(1), failure);
    QCOMPARE(f.messageColour(), red());
    return;
  }
  QCOMPARE(lines.size(), 1);
  QCOMPARE(f.messageColour(), green());
  QCOMPARE(f.child<QProgressBar>("prgSort")->value(), f.child<QProgressBar>("prgSort")->maximum());
  QCOMPARE(f.field("txtWFiles")->text(), QStringLiteral("4(4)"));
  QVERIFY(!f.field("txtSortStatus")->text().isEmpty());
  QVERIFY(!f.field("txtSortTime")->text().isEmpty());

  std::ifstream sorted(f.product.path("big.srt"), std::ios::binary);
  std::string previous(100, '\0');
  std::string record(100, ' ');
  int count = 0;
  while (sorted.read(record.data(), 100)) {
    if (record.compare(0, 10, previous, 0, 10) < 0) QFAIL("output out of order");
    previous.swap(record);
    ++count;
  }
  QCOMPARE(count, records);
  bool ended = false;
  for (int row = 0; row < f.shownRows(); ++row) {
    ended = ended || f.cell(row, 2).startsWith(QStringLiteral("KV Tamsort ended.( 0)"));
  }
  QVERIFY(ended);
#else
  QSKIP("the front-end and the engine are not part of this build");
#endif
}

namespace {

QString accessibleText(QWidget* widget, QAccessible::Text kind) {
  QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
  return face != nullptr ? face->text(kind) : QString();
}

}  // namespace

// Every message of the line reaches the accessibility interface, not only its fixed name.
void TestFrmUtil::messageLineIsReadByScreenReaders() {
  Fixture f;
  f.open();
  const std::vector<std::pair<const char*, QString>> actions = {
      {"cmdMem", QStringLiteral("Total Physical Memory is ")},
      {"cmdSearch", QStringLiteral("Valid format is xYYYYMMDD")},
      {"cmdSort", QStringLiteral("The sort control file was not found.")},
  };
  for (const auto& [button, expected] : actions) {
    f.click(button);
    QVERIFY2(f.message()->text().contains(expected), button);
    // A change of the name is announced; the description alone is read only on request.
    const QString heard = accessibleText(f.message(), QAccessible::Name);
    QVERIFY2(heard.contains(expected), qPrintable(heard));
  }
}

// A failed run names its code and the code's text from ErrText.txt; its log lines are red.
void TestFrmUtil::failedRunSaysWhy_data() {
  QTest::addColumn<QString>("frontEnd");
  QTest::addColumn<QString>("secondLine");
  QTest::addColumn<QString>("logLine");
  const std::string sortFailed = libraryLogLine("TMR", "20030101", "120001", "Sort failed rc= 1.");
  const std::string ended1 = libraryLogLine("TMR", "20030101", "120002", "KV Tamsort ended.( 1)");
  QTest::newRow("engine failed") << q("printf '%s' '" + endRecord("120000", "120001", 1) +
                                      "' > kvtsort.sts\nprintf '%s%s' '" + sortFailed + "' '" +
                                      ended1 + "' >> kvtsort.log\nexit 1")
                                 << "Sort failed rc= 1: The input holds fewer than 2 records."
                                 << "Sort failed rc= 1.";
  const std::string ended160 =
      libraryLogLine("STA", "20030101", "120002", "KV Tamsort ended.( 160)");
  QTest::newRow("front-end refused") << q("printf '%s' '" + ended160 + "' >> kvtsort.log\nexit 160")
                                     << "Sort failed rc= 160: The sort control file was not found."
                                     << "KV Tamsort ended.( 160)";
  QTest::newRow("code without text")
      << q("printf '%s' '" + endRecord("120000", "120001", 142) + "' > kvtsort.sts\nexit 142")
      << "Sort failed rc= 142." << QString();
}

void TestFrmUtil::failedRunSaysWhy() {
  KVT_SKIP_WITHOUT_SHELL();
  QFETCH(QString, frontEnd);
  QFETCH(QString, secondLine);
  QFETCH(QString, logLine);
  Fixture f;
  f.product.writeFile("ErrText.txt",
                      "000 Sort completed.\r\n001 The input holds fewer than 2 records.\r\n"
                      "160 The sort control file was not found.\r\n");
  f.product.writeFile("in.dat", std::string(100, 'x'));
  f.writeControlFile("job.txt", "INFILE=\"in.dat\"\r\nRECLEN=\"10\"\r\n");
  f.product.writeFakeFrontEnd(frontEnd.toStdString());
  f.open();
  f.field("txtCtlFile")->setText(q(f.product.path("SortCtl/job.txt")));
  f.click("cmdSort");
  QVERIFY(f.tickUntilIdle(20000));
  const QStringList lines = f.message()->text().split('\n');
  QCOMPARE(lines.size(), 2);
  QVERIFY(lines[0].startsWith(QStringLiteral("Sort complete. (")));
  QCOMPARE(lines[1], secondLine);
  QCOMPARE(f.messageColour(), red());
  QVERIFY(f.child<QProgressBar>("prgSort")->value() < f.child<QProgressBar>("prgSort")->maximum());
  if (logLine.isEmpty()) return;
  bool found = false;
  for (int row = 0; row < f.shownRows(); ++row) {
    if (f.cell(row, 2) != logLine) continue;
    found = true;
    QCOMPARE(f.grid()->item(row, 2)->foreground().color(), red());
  }
  QVERIFY2(found, qPrintable(logLine));
}

// Clear log asks in a real message box before it deletes kvtsort.old.
void TestFrmUtil::secondClearLogAsksFirst_data() {
  QTest::addColumn<int>("answer");
  QTest::addColumn<bool>("oldKept");
  QTest::newRow("No keeps both files") << int(QMessageBox::No) << true;
  QTest::newRow("Yes clears the log") << int(QMessageBox::Yes) << false;
  QTest::newRow("Enter takes No") << int(QMessageBox::NoButton) << true;
}

void TestFrmUtil::secondClearLogAsksFirst() {
  QFETCH(int, answer);
  QFETCH(bool, oldKept);
  Fixture f;
  const std::string line = libraryLogLine("STA", "20030101", "080000", "one");
  f.product.writeFile("kvtsort.log", line);
  f.product.writeFile("kvtsort.old", "older");
  f.open(true);
  MessageBoxAnswerer answerer{QMessageBox::StandardButton(answer)};
  f.click("cmdClear");
  const QString old = q(f.product.path("kvtsort.old"));
  QCOMPARE(answerer.asked, QStringList{old + " will be deleted - Press 'Yes' to delete!"});
  QCOMPARE(f.product.readFile("kvtsort.old"), oldKept ? std::string("older") : line);
  QCOMPARE(f.product.exists("kvtsort.log"), oldKept);
  QCOMPARE(f.shownRows(), oldKept ? 1 : 0);
}

// A start that is refused leaves the folders as they were: no control file, no input, and
// the status file of the last run stays.
void TestFrmUtil::refusedStartCreatesNothing_data() {
  QTest::addColumn<QString>("ctlName");
  QTest::addColumn<QString>("message");
  QTest::newRow("mistyped control file") << "SortCtl/jbo.txt"
                                         << "The sort control file was not found.";
  QTest::newRow("missing input") << "SortCtl/job.txt"
                                 << "The input file %1 was not found.";
}

void TestFrmUtil::refusedStartCreatesNothing() {
  QFETCH(QString, ctlName);
  QFETCH(QString, message);
  Fixture f;
  f.writeControlFile("job.txt", "INFILE=\"missing.dat\"\r\nRECLEN=\"10\"\r\n");
  f.product.writeFile("kvtsort.sts", endRecord("120000", "120001", 0));
  f.open();
  f.field("txtCtlFile")->setText(q(f.product.path(ctlName.toStdString())));
  f.click("cmdSort");
  if (message.contains(QStringLiteral("%1"))) {
    message = message.arg(q(f.product.path("missing.dat")));
  }
  QCOMPARE(f.message()->text(), message);
  QCOMPARE(f.messageColour(), red());
  QVERIFY(!f.product.exists("SortCtl/jbo.txt"));
  QVERIFY(!f.product.exists("missing.dat"));
  QVERIFY(f.product.exists("kvtsort.sts"));
  QVERIFY(!f.child<QTimer>("Timer1")->isActive());
}

// Tab and Shift+Tab reach every control and leave the log grid; every button has its own Alt
// letter, and the letter works.
void TestFrmUtil::keyboardReachesEveryControl() {
  Fixture f;
  f.open();
  QApplication::setActiveWindow(f.window.get());
  QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
  QWidget* start = f.field("txtCtlFile");
  // The window opens where most users start: the name of the control file to sort.
  QCOMPARE(QApplication::focusWidget(), start);
  for (bool backwards : {false, true}) {
    const QList<QWidget*> chain = tabChain(start, backwards);
    QVERIFY2(!chain.contains(nullptr), backwards ? "Shift+Tab is trapped" : "Tab is trapped");
    // The fields the program fills are text to read, not boxes to edit: no Tab stops.
    for (QLineEdit* field : f.window->findChildren<QLineEdit*>()) {
      const bool stop = field == start || chain.contains(field);
      QVERIFY2(field->isReadOnly() != stop, qPrintable(field->objectName()));
      QAccessibleInterface* face = QAccessible::queryAccessibleInterface(field);
      QCOMPARE(face->role() == QAccessible::StaticText, field->isReadOnly());
      QCOMPARE(face->text(QAccessible::Value), field->text());
    }
    for (const char* name :
         {"lstCommand", "cmdExit", "cmdSCtl", "cmdCreate", "cmdSort", "cmdMem", "grdLog",
          "txtLogDate", "chkLog", "cmdSearch", "cmdRefresh", "cmdClear"}) {
      QVERIFY2(chain.contains(f.window->findChild<QWidget*>(name)), name);
    }
    // Forwards the order follows the screen: control file, its buttons, ..., log, date.
    if (!backwards) {
      const auto at = [&chain, &f](const char* name) {
        return chain.indexOf(f.window->findChild<QWidget*>(name));
      };
      QVERIFY(at("cmdSCtl") < at("cmdCreate") && at("cmdCreate") < at("cmdSort"));
      QVERIFY(at("grdLog") < at("txtLogDate") && at("txtLogDate") < at("cmdSearch"));
    }
  }
  const auto letters = mnemonics(f.window.get());
  QCOMPARE(letters.size(), captionedButtons(f.window.get()));
  QCOMPARE(QSet<QChar>(letters.keyBegin(), letters.keyEnd()).size(), letters.size());
  QTest::keyClick(f.grid(), Qt::Key_M, Qt::AltModifier);  // the button clicks a moment later
  QTRY_VERIFY(f.message()->text().startsWith(QStringLiteral("Total Physical Memory is ")));
  QTest::keyClick(f.grid(), Qt::Key_O, Qt::AltModifier);
  QCOMPARE(QApplication::focusWidget(), f.field("txtCtlFile"));
}

// The front-end may wait for another job before the engine writes a status file: the bar
// waits, then follows the records, and reaches 100 % only when the run succeeded.
void TestFrmUtil::progressBarFollowsLateStatusFile() {
  KVT_SKIP_WITHOUT_SHELL();
  Fixture f;
  f.product.writeFile("in.dat", std::string(400, 'x'));
  f.writeControlFile("job.txt", "INFILE=\"in.dat\"\r\nRECLEN=\"10\"\r\n");
  f.product.writeFakeFrontEnd("while [ ! -f go ]; do sleep 0.05; done\nexit 0");
  f.open();
  f.field("txtCtlFile")->setText(q(f.product.path("SortCtl/job.txt")));
  f.click("cmdSort");
  auto* bar = f.child<QProgressBar>("prgSort");
  auto* text = f.child<QLabel>("lblProgress");
  f.child<QTimer>("Timer1")->stop();
  for (int tick = 0; tick < 3; ++tick) f.window->Timer1_Timer();
  QCOMPARE(bar->value(), 0);
  QCOMPARE(text->text(), QStringLiteral("Waiting for the sort to start"));

  const std::string start = kvt::platform::NowLocal().time;
  std::string status = statusRecord("000", 0, 0, 0, start) + statusRecord("004", 2, 1, 2, start);
  f.product.writeFile("kvtsort.sts", status);
  f.window->Timer1_Timer();
  const int afterFirstChunk = bar->value();
  QVERIFY(afterFirstChunk > 0);
  QVERIFY2(text->text().startsWith(QStringLiteral("Chunk 1 of 2: 20 of 40 records read, 0 sorted")),
           qPrintable(text->text()));
  status += statusRecord("004", 2, 2, 2, start) + statusRecord("002", 1, 2, 2, start);
  f.product.writeFile("kvtsort.sts", status);
  f.window->Timer1_Timer();
  QVERIFY(bar->value() > afterFirstChunk);
  QVERIFY(bar->value() < bar->maximum());
  QVERIFY2(text->text().startsWith(QStringLiteral("Merge pass 1 of 1: group 1 of 1")),
           qPrintable(text->text()));
  QCOMPARE(f.field("txtMergeStatus")->text(), QStringLiteral("1(2)"));
  QVERIFY(f.field("txtMergeStatus")->isVisible());

  status.replace(0, 64, endRecord(start, start, 0));
  f.product.writeFile("kvtsort.sts", status);
  f.product.writeFile("go", "");
  QVERIFY(f.tickUntilIdle(20000));
  QCOMPARE(bar->value(), bar->maximum());
  QVERIFY(text->text().startsWith(QStringLiteral("Sort complete")));
}

// A sort started while another job of the main directory runs leaves that job's status file
// alone, and shows none of its records as its own progress.
void TestFrmUtil::startWhileAnotherJobRunsKeepsItsStatus() {
  KVT_SKIP_WITHOUT_SHELL();
  Fixture f;
  f.product.writeFile("in.dat", std::string(400, 'x'));
  f.writeControlFile("job.txt", "INFILE=\"in.dat\"\r\nRECLEN=\"10\"\r\n");
  f.product.writeFakeFrontEnd("while [ ! -f go ]; do sleep 0.05; done\nexit 0");
  kvt::platform::FileLock otherJob;
  const kvt::platform::Status opened = otherJob.Open(f.product.path("kvtsort.lck"));
  QVERIFY2(opened.ok(), opened.message().c_str());
  QVERIFY(otherJob.TryLock());
  const std::string foreign =
      statusRecord("000", 0, 0, 0, "090000") + statusRecord("004", 2, 1, 2, "090000");
  f.product.writeFile("kvtsort.sts", foreign);
  f.open();
  f.field("txtCtlFile")->setText(q(f.product.path("SortCtl/job.txt")));
  f.click("cmdSort");
  f.child<QTimer>("Timer1")->stop();
  for (int tick = 0; tick < 3; ++tick) f.window->Timer1_Timer();
  QVERIFY(f.product.readFile("kvtsort.sts") == foreign);
  QCOMPARE(f.child<QProgressBar>("prgSort")->value(), 0);
  QCOMPARE(f.child<QLabel>("lblProgress")->text(), QStringLiteral("Waiting for the sort to start"));

  otherJob.Close();
  const std::string start = kvt::platform::NowLocal().time;
  f.product.writeFile("kvtsort.sts",
                      statusRecord("000", 0, 0, 0, start) + statusRecord("004", 2, 1, 2, start));
  f.window->Timer1_Timer();
  QVERIFY2(f.child<QLabel>("lblProgress")->text().startsWith(QStringLiteral("Chunk 1 of 2")),
           qPrintable(f.child<QLabel>("lblProgress")->text()));
  f.product.writeFile("go", "");
  QVERIFY(f.tickUntilIdle(20000));
}

}  // namespace kvt::util::test
