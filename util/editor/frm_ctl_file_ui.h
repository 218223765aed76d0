// The controls of frmCtlFile, built in one place (frm_ctl_file_ui.cc). Object names are the
// control names, so tests and tools can find them.
#pragma once

class QComboBox;
class QDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace kvt::util {

class KeyFieldGrid;
class SortOrderGrid;

struct FrmCtlFileUi {
  QLineEdit* txtSortCtl = nullptr;
  QPushButton* cmdBrowse = nullptr;
  QLineEdit* txtInFile = nullptr;
  QPushButton* cmdBrowseI = nullptr;
  QLineEdit* txtOutFile = nullptr;
  QPushButton* cmdBrowseO = nullptr;
  QLineEdit* txtRecLen = nullptr;
  QLineEdit* txtMemUsage = nullptr;
  QLineEdit* txtWorkFiles = nullptr;
  QLineEdit* txtMinSplit = nullptr;
  QLineEdit* txtMaxSplit = nullptr;
  QLineEdit* txtWFileDir = nullptr;
  KeyFieldGrid* grdCtlVal = nullptr;
  QRadioButton* optBinary = nullptr;
  QRadioButton* optUser = nullptr;
  QComboBox* cboOrderFile = nullptr;
  SortOrderGrid* grdSortOrder = nullptr;
  QLabel* lblMsg = nullptr;
  QPushButton* cmdSave = nullptr;
  QPushButton* cmdCancel = nullptr;
  QPushButton* cmdExit = nullptr;

  void setupUi(QDialog* frmCtlFile);

 private:
  QGroupBox* buildFileFrame(QWidget* form);
  QGroupBox* buildOrderFrame(QWidget* form);
  QWidget* buildGrids(QWidget* form);
  QWidget* buildButtons(QWidget* form);
};

}  // namespace kvt::util
