// frmCtlFile: the control-file editor. The user creates, loads, changes and saves a sort
// control file here, with its key fields and its collating sequence.
#pragma once

#include <QDialog>

#include "frontlib/cls_file.h"
#include "util/app_context.h"
#include "util/editor/collating_table.h"
#include "util/editor/ctl_file_edit_state.h"
#include "util/editor/ctl_file_io.h"
#include "util/editor/frm_ctl_file_ui.h"

class QLineEdit;

namespace kvt::util {

class frmCtlFile : public QDialog {
  Q_OBJECT

 public:
  frmCtlFile(AppContext& ctx, QWidget* parent = nullptr);

  // Loads path into the controls. True when the file is invalid (not a KV02 control file).
  bool getCtlInfo(const QString& path);
  void setDefaults();
  // Completeness test: a name, an input, an output and a record length.
  bool testSave();

  const CollatingTable& collatingTable() const { return table_; }

 public slots:
  void reject() override;  // Escape and closing the window leave as Exit does

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void connectControls();

  void openEditor();
  void resetForOpening();
  bool loadAtOpening(const QString& name, bool opened);
  void fillCboOrder();
  void showBinaryOrder();
  void loadUserOrder(const QString& message, const QString& sorPath);

  void cmdSave_Click();
  void confirmSave();
  bool sortOrderToWrite(const QString& name) const;
  void cmdCancel_Click();
  void cmdExit_Click();
  void abandonNewFile();
  void finish();
  void cmdBrowse_Click();
  void browseInto(QLineEdit* box);
  void txtSortCtl_Change(const QString& text);
  void txtSortCtl_LostFocus();
  void loadedByName(const QString& name);
  void cboOrderFile_Click(int index);
  void grdSortOrder_DblClick(int place);
  void grdSortOrder_Insert(int target);
  bool complete() const;
  void fieldChanged();

  CtlFileValues boxValues() const;
  void showValues(const CtlFileValues& values);
  void showSaveEnabled();
  void showSaveStep();
  void setMsg(const QString& text, const QColor& colour);
  void setMainCtlFileText(const QString& text);
  bool ask(const QString& question);

  AppContext& ctx_;
  front::clsFile ctlFile_;
  CollatingTable table_;

  CtlFileEditState state_;
  FrmCtlFileUi ui_;
};

}  // namespace kvt::util
