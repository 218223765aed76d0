// Tests of the main window in everyday use: the keyboard alone, light and dark themes, a small
// screen, stopping a sort, sorts started elsewhere, and control-file names.
#pragma once

#include <QObject>

namespace kvt::util::test {

class TestEverydayUse : public QObject {
  Q_OBJECT

 private slots:
  void commandListByKeyboard_data();
  void commandListByKeyboard();
  void coloursReadableInAnyTheme_data();
  void coloursReadableInAnyTheme();
  void fitsASmallScreen();
  void stopOrKeepARunningSort_data();
  void stopOrKeepARunningSort();
  void followsASortStartedElsewhere_data();
  void followsASortStartedElsewhere();
  void controlFileNameLookup_data();
  void controlFileNameLookup();
};

}  // namespace kvt::util::test
