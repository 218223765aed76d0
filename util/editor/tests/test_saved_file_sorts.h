// A control file and sort-order file written by the editor, run through kv02sort and kvtsorts.
#pragma once

#include <QObject>

namespace kvt::util::test {

class SavedFileSortsTest : public QObject {
  Q_OBJECT

 private slots:
  void userOrderSortsThroughFrontEnd();
};

}  // namespace kvt::util::test
