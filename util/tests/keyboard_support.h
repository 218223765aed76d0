// Keyboard-only use of a window in the tests: walking the Tab chain and finding the Alt-letter
// mnemonics of its buttons.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QList>
#include <QMap>
#include <QTest>
#include <QWidget>

namespace kvt::util::test {

// Presses Tab (or Shift+Tab) from start until the focus comes back to it; the controls visited
// in order. Stops after `limit` presses: a chain that never comes back is a keyboard trap.
inline QList<QWidget*> tabChain(QWidget* start, bool backwards = false, int limit = 200) {
  QList<QWidget*> visited;
  start->setFocus(Qt::TabFocusReason);
  for (int press = 0; press < limit; ++press) {
    QWidget* focus = QApplication::focusWidget();
    if (focus == nullptr) break;
    QTest::keyClick(focus, Qt::Key_Tab, backwards ? Qt::ShiftModifier : Qt::NoModifier);
    focus = QApplication::focusWidget();
    if (focus == start) return visited;
    visited << focus;
  }
  visited << nullptr;  // marks a chain that did not come back
  return visited;
}

// The Alt letter of each button of window that has one, by letter (upper case).
inline QMultiMap<QChar, QAbstractButton*> mnemonics(QWidget* window) {
  QMultiMap<QChar, QAbstractButton*> letters;
  for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
    const QString text = button->text();
    const int mark = text.indexOf(u'&');
    if (mark >= 0 && mark + 1 < text.size()) letters.insert(text.at(mark + 1).toUpper(), button);
  }
  return letters;
}

// Buttons, check boxes and option buttons that show a caption.
inline int captionedButtons(QWidget* window) {
  int count = 0;
  for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
    if (!button->text().isEmpty()) ++count;
  }
  return count;
}

// The caption without its mnemonic mark.
inline QString plainCaption(const QAbstractButton* button) {
  QString text = button->text();
  return text.remove(u'&');
}

}  // namespace kvt::util::test
