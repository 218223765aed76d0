// The main window's one message line: a label whose text colour tells errors (red), completed
// actions (green) and information (blue) apart.
#pragma once

#include <QColor>
#include <QPalette>
#include <QString>

class QLabel;

namespace kvt::util {

enum class MsgColour { ErrorRed, SuccessGreen, InfoBlue, EndBlue, Black };

// The colour as the window paints it: the specified hue in the shade that stays readable on
// palette (the application's palette when none is given). Black is the palette's text colour.
QColor colourOf(MsgColour colour, const QPalette& palette);
QColor colourOf(MsgColour colour);

class MessageLine {
 public:
  explicit MessageLine(QLabel* label) : label_(label) {}

  // Shows text; CR LF and lone CR break lines. Without a colour the previous one stays.
  void show(const QString& text);
  void show(const QString& text, MsgColour colour);
  void clear();
  void setColour(MsgColour colour);
  // Takes the shade of the last colour again, after the theme changed.
  void refreshColour();
  // The Shift+Ctrl+Alt+F6 line: blue italics on red.
  void showBanner(const QString& text);

  QString text() const;
  QColor colour() const;

 private:
  void setPlainLook();
  void setText(const QString& text);
  QLabel* label_;
  MsgColour colour_ = MsgColour::Black;
};

}  // namespace kvt::util
