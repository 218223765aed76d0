// frmSel: the utility's file chooser made of a drive list, a directory list and a file list
// ("*.txt" control files, or all files for the data files of a sort). choose() returns the
// chosen full path, or "" when the user leaves with Exit. The dialog also leaves its result in
// the shared current control-file name, where the main window's Browse button reads it.
#pragma once

#include <QDialog>

#include "util/app_context.h"

class QComboBox;
class QFileSystemModel;
class QLabel;
class QListWidget;
class QPushButton;
class QTreeView;

namespace kvt::util {

class frmSel : public QDialog {
  Q_OBJECT

 public:
  frmSel(AppContext& ctx, QWidget* parent = nullptr);

  // The directory whose files the file list shows (ends without a separator but for "/").
  QString currentDirectory() const { return currentDir_; }
  void setDirectory(const QString& dir);
  // Where the next showing starts and which files it lists; by default the control files,
  // "*.txt" in the SortCtl folder of the main directory.
  void startIn(const QString& folder, const QString& pattern);
  // Shows the dialog modally; the chosen full path, or "" when none was chosen.
  QString choose();
  QString chosenPath() const { return chosen_; }

 public slots:
  void reject() override;  // closing the window is Exit

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void buildControls();
  void activate();
  int driveOf(const QString& path) const;
  void driveChosen(int index);
  void directoryChosen();
  void takeHighlightedFile();
  void fillFileList();
  void settle(const QString& path);

  AppContext& ctx_;
  QComboBox* Drive1 = nullptr;
  QTreeView* Dir1 = nullptr;
  QFileSystemModel* dirModel_ = nullptr;
  QListWidget* File1 = nullptr;
  QLabel* FTypLbl = nullptr;
  QPushButton* selButt = nullptr;
  QPushButton* ExitButt = nullptr;
  QString currentDir_;
  QString chosen_;
  QString pattern_ = QStringLiteral("*.txt");
  QString startFolder_;
  QString startPattern_ = QStringLiteral("*.txt");
};

}  // namespace kvt::util
