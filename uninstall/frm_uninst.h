// The uninstaller's window: a prompt, the outcome line and three buttons. The work itself is
// done by Uninstaller; the window only asks for it and shows the result.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

#include "uninstall/uninstaller.h"

class QKeyEvent;
class QLabel;
class QPushButton;

namespace kvt::uninstall {

class frmUninst : public QWidget {
  Q_OBJECT

 public:
  static QString caption();
  // The prompt: five blanks, Press "Confirm" to uninstall, eight blanks, the product.
  static QString prompt();
  static QString completeText();
  static QString failedText();

  // The uninstaller must outlive the window; Open has been called on it.
  explicit frmUninst(Uninstaller* uninstaller, QWidget* parent = nullptr);

 protected:
  // Enter presses the button that has the focus, as Space does.
  void keyPressEvent(QKeyEvent* event) override;

 private slots:
  void cmdConfirm_Click();
  void cmdCancel_Click();
  void cmdExit_Click();

 private:
  void buildForm();
  void setLabelText(QLabel* label, const QString& text);
  void showOutcome(const QString& text, const QColor& colour);

  Uninstaller* uninstaller_;
  QLabel* lblMsg_ = nullptr;
  QLabel* lblPlan_ = nullptr;  // what a confirmed run removes from the main directory
  QLabel* lblComplMsg_ = nullptr;
  QPushButton* cmdConfirm_ = nullptr;
  QPushButton* cmdCancel_ = nullptr;
  QPushButton* cmdExit_ = nullptr;
};

// The text of the outcome line for a result.
QString OutcomeText(const UninstallResult& result);

}  // namespace kvt::uninstall
