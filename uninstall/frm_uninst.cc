#include "uninstall/frm_uninst.h"

#include <QAccessible>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QVBoxLayout>

#include "uninstall/removal_plan.h"

namespace kvt::uninstall {
namespace {

const QColor kGreen(0, 128, 0);
const QColor kRed(192, 0, 0);
const QColor kBlue(0, 0, 192);

QString LeftBehindText(const std::vector<std::string>& names) {
  return QStringLiteral("Could not be removed:\n    ") +
         QString::fromStdString(ShortList(names, "\n    "));
}

}  // namespace

QString frmUninst::caption() { return QStringLiteral("KV Tamsort Std Ver - Uninstall"); }

QString frmUninst::prompt() {
  return QStringLiteral("     Press \"Confirm\" to uninstall        KV Tamsort from this computer");
}

QString frmUninst::completeText() {
  return QStringLiteral(
      "Registry cleanup complete. Exit from this program - then use the Control Panel "
      "Add/Remove Programs function to complete the Uninstall.");
}

QString frmUninst::failedText() { return QStringLiteral("Registry cleanup failed"); }

QString OutcomeText(const UninstallResult& result) {
  if (!result.registryCleaned) return frmUninst::failedText();
  QString text = frmUninst::completeText();
  if (!result.mainDirFound) {
    text += QStringLiteral(
        "\nThe product folder was not recorded or does not exist: "
        "no files were removed.");
  } else if (!result.leftBehind.empty()) {
    text += QStringLiteral("\n") + LeftBehindText(result.leftBehind);
  }
  return text;
}

frmUninst::frmUninst(Uninstaller* uninstaller, QWidget* parent)
    : QWidget(parent), uninstaller_(uninstaller) {
  buildForm();
}

void frmUninst::buildForm() {
  setObjectName(QStringLiteral("frmUninst"));
  setWindowTitle(caption());

  lblMsg_ = new QLabel(this);
  lblMsg_->setObjectName(QStringLiteral("lblMsg"));
  lblMsg_->setTextFormat(Qt::PlainText);
  lblMsg_->setAccessibleName(QStringLiteral("Uninstall prompt"));
  setLabelText(lblMsg_, prompt());

  // Before anything is confirmed, the window says which folder is meant and what goes from it.
  lblPlan_ = new QLabel(this);
  lblPlan_->setObjectName(QStringLiteral("lblPlan"));
  lblPlan_->setTextFormat(Qt::PlainText);
  lblPlan_->setWordWrap(true);
  lblPlan_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lblPlan_->setAccessibleName(QStringLiteral("What Confirm removes"));
  setLabelText(lblPlan_, QString::fromStdString(DescribePlan(uninstaller_->Plan())));

  lblComplMsg_ = new QLabel(this);
  lblComplMsg_->setObjectName(QStringLiteral("lblComplMsg"));
  lblComplMsg_->setTextFormat(Qt::PlainText);
  lblComplMsg_->setWordWrap(true);
  lblComplMsg_->setMinimumHeight(lblComplMsg_->fontMetrics().lineSpacing() * 4);
  lblComplMsg_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lblComplMsg_->setAccessibleName(QStringLiteral("Uninstall outcome"));
  setLabelText(lblComplMsg_, QString());

  cmdConfirm_ = new QPushButton(QStringLiteral("&Confirm"), this);
  cmdConfirm_->setObjectName(QStringLiteral("cmdConfirm"));
  cmdCancel_ = new QPushButton(QStringLiteral("C&ancel"), this);
  cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
  cmdExit_ = new QPushButton(QStringLiteral("E&xit"), this);
  cmdExit_->setObjectName(QStringLiteral("cmdExit"));

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdConfirm_);
  buttons->addWidget(cmdCancel_);
  buttons->addWidget(cmdExit_);
  buttons->addStretch();

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblMsg_);
  layout->addWidget(lblPlan_);
  layout->addWidget(lblComplMsg_);
  layout->addLayout(buttons);
  setMinimumWidth(lblMsg_->sizeHint().width() + 60);

  connect(cmdConfirm_, &QPushButton::clicked, this, &frmUninst::cmdConfirm_Click);
  connect(cmdCancel_, &QPushButton::clicked, this, &frmUninst::cmdCancel_Click);
  connect(cmdExit_, &QPushButton::clicked, this, &frmUninst::cmdExit_Click);
  cmdConfirm_->setFocus();
}

void frmUninst::cmdConfirm_Click() {
  const UninstallResult result = uninstaller_->Confirm();
  if (!result.registryCleaned) {
    showOutcome(OutcomeText(result), kRed);
    return;
  }
  setLabelText(lblMsg_, QString());
  // What was to be removed is gone now; the outcome says what was left.
  setLabelText(lblPlan_, QString());
  // Anything left behind is worth a look, but the key is gone: information, not an error.
  showOutcome(OutcomeText(result), result.complete() ? kGreen : kBlue);
}

void frmUninst::keyPressEvent(QKeyEvent* event) {
  auto* button = qobject_cast<QPushButton*>(focusWidget());
  if (button != nullptr && event->modifiers() == Qt::NoModifier &&
      (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
    button->click();
    return;
  }
  QWidget::keyPressEvent(event);
}

void frmUninst::cmdCancel_Click() { close(); }

void frmUninst::cmdExit_Click() { close(); }

void frmUninst::setLabelText(QLabel* label, const QString& text) {
  label->setText(text);
  // The name says what the label is for; screen readers read its text from the description.
  label->setAccessibleDescription(text);
  QAccessibleEvent event(label, QAccessible::DescriptionChanged);
  QAccessible::updateAccessibility(&event);
}

void frmUninst::showOutcome(const QString& text, const QColor& colour) {
  QPalette palette = lblComplMsg_->palette();
  palette.setColor(QPalette::WindowText, colour);
  lblComplMsg_->setPalette(palette);
  setLabelText(lblComplMsg_, text);
  // A longer outcome (a list of leftovers) gets the room it needs instead of being cut off.
  if (isWindow()) adjustSize();
}

}  // namespace kvt::uninstall
