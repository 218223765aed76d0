// Answers the real Yes/No message boxes a window opens, as a user at the keyboard would, and
// notes their texts: the tests go through QMessageBox itself where the product asks with it.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QWindow>

namespace kvt::util::test {

class MessageBoxAnswerer {
 public:
  // NoButton: presses Enter, as a user who takes the box's default does.
  explicit MessageBoxAnswerer(QMessageBox::StandardButton answer) : answer_(answer) {
    timer_.setInterval(20);
    QObject::connect(&timer_, &QTimer::timeout, [this] { answerOpenBox(); });
    timer_.start();
  }

  QStringList asked;  // the texts of the boxes answered, in order
  // For each box: whether the window it was asked over was on the screen at the time.
  QList<bool> overShownWindow;

 private:
  void answerOpenBox() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return;
    asked << box->text();
    const QWidget* owner = box->parentWidget() ? box->parentWidget()->window() : nullptr;
    overShownWindow << (owner && owner->windowHandle() && owner->windowHandle()->isVisible());
    if (answer_ == QMessageBox::NoButton) {
      QTest::keyClick(box, Qt::Key_Return);
    } else if (QAbstractButton* button = box->button(answer_)) {
      button->click();
    } else {
      box->reject();
    }
  }

  QMessageBox::StandardButton answer_;
  QTimer timer_;
};

}  // namespace kvt::util::test
