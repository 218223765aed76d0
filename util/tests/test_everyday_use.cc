#include "util/tests/test_everyday_use.h"

#ifndef _WIN32
#include <signal.h>
#endif

#include <QAccessible>
#include <QApplication>
#include <QListWidget>
#include <QScopeGuard>
#include <QScreen>
#include <QStyle>
#include <QStyleFactory>
#include <QtTest>

#include "platform/file_lock.h"
#include "util/message_line.h"
#include "util/tests/frm_util_fixture.h"
#include "util/theme_colours.h"

namespace kvt::util::test {

namespace {

// A fake front-end that runs until it is asked to stop (then ends as kv02sort does).
// The trap is set before the pid file appears, and the file appears whole (renamed into place),
// so a test that waits for it can read the pid and stop the job at once.
const char kStoppableFrontEnd[] =
    "trap 'touch stopped; exit 180' TERM\necho $$ > pid.tmp && mv pid.tmp pid\n"
    "i=0; while [ $i -lt 400 ]; do sleep 0.05; i=$((i+1)); done";

}  // namespace

// Arrows and Space select a command as a click does; Enter on the list runs it.
void TestEverydayUse::commandListByKeyboard_data() {
  QTest::addColumn<int>("key");
  QTest::newRow("Down") << int(Qt::Key_Down);
  QTest::newRow("Space") << int(Qt::Key_Space);
}

void TestEverydayUse::commandListByKeyboard() {
  QFETCH(int, key);
  Fixture f;
  f.product.writeFile("kvtsort.log", libraryLogLine("STA", "20030101", "080000", "one"));
  f.open();
  QApplication::setActiveWindow(f.window.get());
  QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
  auto* list = f.child<QListWidget>("lstCommand");
  list->setFocus(Qt::TabFocusReason);
  QTest::keyClick(list, static_cast<Qt::Key>(key));
  QVERIFY(f.button("cmdExecute")->isEnabled());
  QTest::keyClick(list, Qt::Key_Return);
  QVERIFY(f.product.exists("kvtsortLog.001"));
  QVERIFY(f.message()->text().contains(QStringLiteral(" copied to ")));
  QVERIFY(!f.button("cmdExecute")->isEnabled());
}

// Every message colour reaches 4.5:1 against the window and the grid in both palettes, keeps
// its hue, and the grid's ordinary lines follow the palette's text colour.
void TestEverydayUse::coloursReadableInAnyTheme_data() {
  QTest::addColumn<QPalette>("palette");
  QTest::newRow("light") << QStyleFactory::create(QStringLiteral("Fusion"))->standardPalette();
  QTest::newRow("dark") << darkPalette();
}

void TestEverydayUse::coloursReadableInAnyTheme() {
  QFETCH(QPalette, palette);
  const QPalette before = QApplication::palette();
  QApplication::setPalette(palette);
  const auto restore = qScopeGuard([&before] { QApplication::setPalette(before); });
  Fixture f;
  f.product.writeFile("kvtsort.log",
                      libraryLogLine("STA", "20030101", "080000", "KV Tamsort started.") +
                          libraryLogLine("STA", "20030101", "080001", "an ordinary line") +
                          libraryLogLine("TMR", "20030101", "080002", "KV Tamsort ended.( 0)"));
  f.open();
  f.click("cmdMem");
  const auto readable = [&palette](const QColor& colour) {
    return contrastRatio(colour, palette.color(QPalette::Window)) >= kReadableContrast &&
           contrastRatio(colour, palette.color(QPalette::Base)) >= kReadableContrast;
  };
  for (MsgColour kind : {MsgColour::ErrorRed, MsgColour::SuccessGreen, MsgColour::InfoBlue,
                         MsgColour::EndBlue, MsgColour::Black}) {
    QVERIFY2(readable(colourOf(kind)), qPrintable(colourOf(kind).name()));
  }
  QVERIFY(colourOf(MsgColour::ErrorRed).red() > colourOf(MsgColour::ErrorRed).green());
  QVERIFY(colourOf(MsgColour::SuccessGreen).green() > colourOf(MsgColour::SuccessGreen).red());
  QVERIFY(colourOf(MsgColour::InfoBlue).blue() > colourOf(MsgColour::InfoBlue).red());
  for (int row = 0; row < 3; ++row) {
    QVERIFY2(readable(f.grid()->item(row, 2)->foreground().color()), qPrintable(f.cell(row, 2)));
  }
  QVERIFY(readable(f.messageColour()));
}

// At the least size a small screen allows every button shows its whole caption and a long
// record count stays whole; the window opens within the screen where its controls allow it.
void TestEverydayUse::fitsASmallScreen() {
  Fixture f;
  f.open();
  const QSize least = f.window->minimumSizeHint();
  QVERIFY2(least.width() <= 1000 && least.height() <= 700,
           qPrintable(QStringLiteral("%1x%2").arg(least.width()).arg(least.height())));
  const QSize room = f.window->screen()->availableGeometry().size().expandedTo(least);
  QVERIFY(f.window->width() <= room.width() && f.window->height() <= room.height());

  f.window->resize(1000, 700);
  QTRY_COMPARE(f.window->size(), QSize(1000, 700));
  for (QPushButton* button : f.window->findChildren<QPushButton*>()) {
    const QRect shown(button->mapTo(f.window.get(), QPoint(0, 0)), button->size());
    QVERIFY2(f.window->rect().contains(shown), qPrintable(button->objectName()));
    QVERIFY2(button->width() >= button->minimumSizeHint().width(),
             qPrintable(button->objectName()));
  }
  QLineEdit* size = f.field("txtFileSize");
  size->setText(QStringLiteral("60000000"));
  QVERIFY(size->fontMetrics().horizontalAdvance(size->text()) < size->contentsRect().width());
}

// "Stop sort", or closing the window with "Stop the sort and close", asks the front-end to
// stop; "Keep sorting and close" leaves it running and "Go back" keeps the window.
void TestEverydayUse::stopOrKeepARunningSort_data() {
  QTest::addColumn<int>("choice");  // -1: the "Stop sort" button
  QTest::addColumn<bool>("stopped");
  QTest::addColumn<bool>("windowOpen");
  QTest::newRow("Stop sort") << -1 << true << true;
  QTest::newRow("close: go back") << 0 << false << true;
  QTest::newRow("close: keep sorting") << 1 << false << false;
  QTest::newRow("close: stop the sort") << 2 << true << false;
}

void TestEverydayUse::stopOrKeepARunningSort() {
#ifdef _WIN32
  QSKIP("the stand-in front-end is a shell script, and the test signals it");
#else
  QFETCH(int, choice);
  QFETCH(bool, stopped);
  QFETCH(bool, windowOpen);
  Fixture f;
  f.product.writeFile("in.dat", std::string(100, 'x'));
  f.writeControlFile("job.txt", "INFILE=\"in.dat\"\r\nRECLEN=\"10\"\r\n");
  f.product.writeFile("ErrText.txt",
                      "180 The sort was stopped by the user; the output keeps its previous "
                      "content.\r\n");
  f.product.writeFakeFrontEnd(kStoppableFrontEnd);
  f.open();
  f.field("txtCtlFile")->setText(QStringLiteral("job.txt"));
  f.click("cmdSort");
  f.child<QTimer>("Timer1")->stop();
  f.window->Timer1_Timer();
  QTRY_VERIFY(f.product.exists("pid"));
  const pid_t pid = std::stoi(f.product.readFile("pid"));
  f.asker.choice = choice;
  if (choice < 0) {
    f.click("cmdStop");
  } else {
    f.window->close();
    QCOMPARE(f.asker.chooseAsked.size(), 1);
  }
  QCOMPARE(f.window->isVisible(), windowOpen);
  if (stopped) {
    QTRY_VERIFY(f.product.exists("stopped"));
  } else {
    QVERIFY(::kill(pid, 0) == 0);  // still sorting
  }
  if (choice < 0) {
    QVERIFY(f.tickUntilIdle(10000));
    QVERIFY(f.message()->text().endsWith(
        "Sort failed rc= 180: The sort was stopped by the user; the output keeps its previous "
        "content."));
  }
  ::kill(pid, SIGKILL);
  f.window->Timer1_Timer();
#endif
}

// A sort started elsewhere shows its progress while it holds the job lock, and its end line in
// the log once it lets go, with the code of that line (a stopped job writes no end record).
void TestEverydayUse::followsASortStartedElsewhere_data() {
  QTest::addColumn<QString>("endRecord");
  QTest::addColumn<QString>("endLine");
  QTest::addColumn<QString>("message");
  QTest::newRow("sorted") << QString::fromStdString(endRecord("080000", "080009", 0))
                          << "KV Tamsort ended.( 0)"
                          << "A sort started elsewhere has ended.";
  QTest::newRow("stopped") << QString::fromStdString(statusRecord("000", 0, 0, 0, "080000"))
                           << "KV Tamsort ended.( 180)"
                           << "A sort started elsewhere has ended.\nSort failed rc= 180: The "
                              "sort was stopped by the user; the output keeps its previous "
                              "content.";
}

void TestEverydayUse::followsASortStartedElsewhere() {
  QFETCH(QString, endRecord);
  QFETCH(QString, endLine);
  QFETCH(QString, message);
  Fixture f;
  f.product.writeFile("kvtsort.sts", test::endRecord("070000", "070005", 0));
  f.product.writeFile("ErrText.txt",
                      "180 The sort was stopped by the user; the output keeps "
                      "its previous content.\r\n");
  f.open();
  kvt::platform::FileLock job;
  QVERIFY(job.Open(f.product.path("kvtsort.lck")).ok());
  QVERIFY(job.TryLock());
  f.window->tmrJobWatch_Timer();
  QVERIFY(f.child<QLabel>("lblSort")->isVisible());
  // The earlier run's end record is not this run's progress.
  QCOMPARE(f.field("txtWFiles")->text(), QString());
  f.product.writeFile("kvtsort.sts", statusRecord("000", 0, 0, 0, "080000") +
                                         statusRecord("004", 4, 1, 2, "080000"));
  f.window->tmrJobWatch_Timer();
  QCOMPARE(f.field("txtWFiles")->text(), QStringLiteral("1(2)"));

  f.product.writeFile("kvtsort.sts",
                      endRecord.toStdString() + statusRecord("004", 4, 1, 2, "080000"));
  f.product.writeFile("kvtsort.log",
                      libraryLogLine("TMR", "20030101", "080009", endLine.toStdString()));
  job.Close();
  f.window->tmrJobWatch_Timer();
  QVERIFY(!f.child<QLabel>("lblSort")->isVisible());
  QCOMPARE(f.cell(0, 2), endLine);
  QCOMPARE(f.message()->text(), message);
}

// A bare control-file name is one of SortCtl/, as kv02sort takes it; without a main directory
// the window says so instead of naming a missing file.
void TestEverydayUse::controlFileNameLookup_data() {
  QTest::addColumn<bool>("withMainDir");
  QTest::addColumn<QString>("message");
  QTest::newRow("bare name") << true << "";
  QTest::newRow("no main directory") << false << "No main directory is set up.";
}

void TestEverydayUse::controlFileNameLookup() {
  QFETCH(bool, withMainDir);
  QFETCH(QString, message);
  Fixture f(withMainDir);
  f.product.writeFile("in.dat", std::string(100, 'x'));
  f.writeControlFile("job.txt", "INFILE=\"in.dat\"\r\nRECLEN=\"10\"\r\n");
  f.open();
  f.field("txtCtlFile")->setText(QStringLiteral("job.txt"));
  f.click("cmdSort");
  QCOMPARE(f.message()->text().left(message.size()), message);
  QCOMPARE(f.window->findChild<QTimer*>(QStringLiteral("Timer1"))->isActive(), withMainDir);
  if (withMainDir) QCOMPARE(f.field("txtFileSize")->text(), QStringLiteral("10"));
}

}  // namespace kvt::util::test
