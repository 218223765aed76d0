// The file selection dialog: where it starts, what it lists, what it hands back.
#pragma once

#include <QObject>

namespace kvt::util::test {

class FrmSelTest : public QObject {
  Q_OBJECT

 private slots:
  void startsInSortCtlListingTextFiles();
  void selectReturnsFullPath();
  void doubleClickReturnsFullPath();
  void exitAfterBrowsingReturnsNothing();
  void selectWithoutFileReportsError();
  void keyboardChoosesFile();
};

}  // namespace kvt::util::test
