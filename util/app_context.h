// State the utility's windows share: the main directory, the registry key, the current
// control-file name that the main window, the editor and the selection dialog pass between
// them, and the one place that asks the user Yes/No questions (tests answer it themselves).
#pragma once

#include <QMessageBox>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>

namespace kvt::util {

class QuestionAsker {
 public:
  virtual ~QuestionAsker() = default;
  // True for Yes.
  virtual bool askYesNo(QWidget* parent, const QString& title, const QString& text) = 0;
  // A message with OK only.
  virtual void tell(QWidget* parent, const QString& title, const QString& text) = 0;
  // One of several answers, by index: Enter picks the first, which must be the harmless one,
  // and Escape picks it too.
  virtual int choose(QWidget* parent, const QString& title, const QString& text,
                     const QStringList& choices) {
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent);
    QList<QPushButton*> buttons;
    for (const QString& choice : choices) buttons << box.addButton(choice, QMessageBox::ActionRole);
    if (buttons.isEmpty()) return -1;
    box.setDefaultButton(buttons.first());
    box.setEscapeButton(buttons.first());
    box.exec();
    const int chosen = static_cast<int>(buttons.indexOf(box.clickedButton()));
    return chosen < 0 ? 0 : chosen;
  }
};

class MessageBoxAsker : public QuestionAsker {
 public:
  bool askYesNo(QWidget* parent, const QString& title, const QString& text) override {
    // Every question of the product deletes or drops something on Yes: Enter must not.
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
  }
  void tell(QWidget* parent, const QString& title, const QString& text) override {
    QMessageBox::information(parent, title, text);
  }
};

struct AppContext {
  QString mainDir;           // product directory, always ending with '/'
  QString registryKey;       // "SOFTWARE\\Halvern\\KV0220"
  QString versionString;     // major and minor version digits, "20"
  QString currentCtlName;    // the current control-file name
  QString installedVersion;  // VERSION of kvtinst.cfg as the configuration frame shows it
  QString mainCtlFileText;   // text of the main window's txtCtlFile when the editor opens
  // Lets the editor change the main window's txtCtlFile.
  std::function<void(const QString&)> setMainCtlFileText;
  QuestionAsker* asker = nullptr;
};

// The context's question asker, or message boxes when none was installed.
inline QuestionAsker& askerOf(AppContext& ctx) {
  static MessageBoxAsker boxes;
  return ctx.asker ? *ctx.asker : boxes;
}

}  // namespace kvt::util
