// The control-file editor driven as a user drives it, on the offscreen platform.
#pragma once

#include <QObject>

namespace kvt::util::test {

class FrmCtlFileTest : public QObject {
  Q_OBJECT

 private slots:
  void opensEmptyWithDefaults();
  void refusingCreationCreatesNothing();
  void newFileCreatedAndSaved();
  void typedNameIsCreatedOnSave();
  void loadsStarsAndRelativePaths();
  void loadsUserOrderAndSavesItUnchanged();
  void refusesCorruptSortOrderFile();
  void standardOrderLoadedAndCharacterMoved();
  void standardOrderAnsweredNoKeepsTable();
  void fieldWithoutLengthIsLeftOut();
  void failedSaveKeepsOldFile();
  void longFileSavesWhole();
  void cancelReturnsToSave();
  void abandonDeletesCreatedFile();
  void abandonAnsweredNoKeepsFile();
  void leavingChangedFileAsksFirst();
  void invalidFileIsRefused();
  void browseLoadsChosenFile();
  void browseInputFileKeepsName();
  void createQuestionKeepsNormalSize_data();
  void createQuestionKeepsNormalSize();
  void userOrderWithoutTableIsWritten();
  void browseDataFileStartsInItsFolder_data();
  void browseDataFileStartsInItsFolder();
  void movingInKeyFieldsIsNoChange();
  void keyboardReachesEveryControl();
};

}  // namespace kvt::util::test
