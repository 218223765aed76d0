// The editor's rules without its window: the collating table and its file, key-field typing,
// the [FIELDS] section, reading and composing control files, names and prompts.
#pragma once

#include <QObject>

namespace kvt::util::test {

class EditorLogicTest : public QObject {
  Q_OBJECT

 private slots:
  void movesCharacterAfterTarget();
  void encodesTableAndInverse();
  void refusesBadSortOrderFiles_data();
  void refusesBadSortOrderFiles();
  void readsStandardOrderThroughFileBlock();
  void typingFollowsColumnRules();
  void savesFieldsNumberedWithoutGaps();
  void readsValuesAsTheBoxesShowThem();
  void refusesFileOfAnotherProduct();
  void reportsFieldsBeyondGrid();
  void namesAndPrompts();
  void findsValuesTheFileCannotHold();
};

}  // namespace kvt::util::test
