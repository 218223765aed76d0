// The main window frmUtil over a temporary product directory, shared by the window's tests.
#pragma once

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <memory>
#include <string>

#include "util/app_context.h"
#include "util/frm_util.h"
#include "util/tests/test_support.h"

namespace kvt::util::test {

// Answers Yes to every question, and the scripted choice to a question with several answers.
class ScriptedAsker : public QuestionAsker {
 public:
  bool askYesNo(QWidget*, const QString&, const QString&) override { return true; }
  void tell(QWidget*, const QString&, const QString&) override {}
  int choose(QWidget*, const QString&, const QString& text, const QStringList&) override {
    chooseAsked << text;
    return choice;
  }
  int choice = 0;
  QStringList chooseAsked;
};

// A main window over a temporary product directory.
struct Fixture {
  TempProduct product;
  ScriptedAsker asker;
  AppContext ctx;
  std::unique_ptr<frmUtil> window;

  explicit Fixture(bool withMainDir = true) {
    if (withMainDir) product.setRegistryValue("MainDir", product.mainDir());
  }
  // realBoxes: questions are asked in real message boxes, not answered by the script.
  void open(bool realBoxes = false) {
    ctx.asker = realBoxes ? nullptr : &asker;
    window = std::make_unique<frmUtil>(ctx, nullptr, QString::fromStdString(product.programDir()));
    window->show();
  }
  template <typename T>
  T* child(const char* name) const {
    T* found = window->findChild<T*>(QLatin1String(name));
    if (found == nullptr) qFatal("no control %s", name);
    return found;
  }
  QLineEdit* field(const char* name) const { return child<QLineEdit>(name); }
  QPushButton* button(const char* name) const { return child<QPushButton>(name); }
  QTableWidget* grid() const { return child<QTableWidget>("grdLog"); }
  QLabel* message() const { return child<QLabel>("lblMsg"); }
  QColor messageColour() const { return message()->palette().color(QPalette::WindowText); }
  QString cell(int row, int column) const {
    const QTableWidgetItem* item = grid()->item(row, column);
    return item != nullptr ? item->text() : QString();
  }
  int shownRows() const {
    int rows = 0;
    while (rows < grid()->rowCount() && !cell(rows, 2).isEmpty()) ++rows;
    return rows;
  }
  void click(const char* name) const { QTest::mouseClick(button(name), Qt::LeftButton); }
  // Drives the poll by hand until the run is over.
  bool tickUntilIdle(int timeoutMs) const {
    child<QTimer>("Timer1")->stop();
    QElapsedTimer clock;
    clock.start();
    while (window->runActive() || child<QLabel>("lblSort")->isVisible()) {
      if (clock.elapsed() > timeoutMs) return false;
      window->Timer1_Timer();
      QTest::qWait(50);
    }
    return true;
  }
  void writeControlFile(const std::string& name, const std::string& fileKeys) const {
    product.writeFile("SortCtl/" + name, "[FILE]\r\nPRODUCT=\"KV02\"\r\nVERSION=\"200\"\r\n" +
                                             fileKeys +
                                             "[FIELDS]\r\n1POS=\"1\"\r\n1LEN=\"10\"\r\n"
                                             "1ORD=\"A\"\r\n[END]\r\n");
  }
};

}  // namespace kvt::util::test
