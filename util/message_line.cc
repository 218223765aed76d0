#include "util/message_line.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>

#include "util/theme_colours.h"

namespace kvt::util {

QColor colourOf(MsgColour colour, const QPalette& palette) {
  switch (colour) {
    case MsgColour::ErrorRed:
      return readableShade(QColor(255, 0, 0), palette);
    case MsgColour::SuccessGreen:
      return readableShade(QColor(0, 128, 0), palette);
    case MsgColour::InfoBlue:
      return readableShade(QColor(0, 0, 255), palette);
    case MsgColour::EndBlue:
      return readableShade(QColor(64, 64, 192), palette);
    case MsgColour::Black:
      break;
  }
  return readableShade(palette.color(QPalette::Text), palette);
}

QColor colourOf(MsgColour colour) { return colourOf(colour, QApplication::palette()); }

namespace {
// QLabel breaks plain text only at LF; the composed messages use CR LF or a lone CR.
QString displayText(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}
}  // namespace

void MessageLine::show(const QString& text) {
  setPlainLook();
  setText(displayText(text));
}

void MessageLine::show(const QString& text, MsgColour colour) {
  setColour(colour);
  show(text);
}

void MessageLine::clear() { show(QString()); }

void MessageLine::refreshColour() { setColour(colour_); }

void MessageLine::setColour(MsgColour colour) {
  colour_ = colour;
  QPalette palette = label_->palette();
  // The line is read against its frame (the banner's own background aside).
  const QWidget* frame = label_->parentWidget();
  palette.setColor(QPalette::WindowText,
                   colourOf(colour, frame != nullptr ? frame->palette() : QApplication::palette()));
  label_->setPalette(palette);
}

void MessageLine::showBanner(const QString& text) {
  setColour(MsgColour::InfoBlue);
  QPalette palette = label_->palette();
  palette.setColor(QPalette::Window, colourOf(MsgColour::ErrorRed));
  label_->setPalette(palette);
  label_->setAutoFillBackground(true);
  QFont font = label_->font();
  font.setItalic(true);
  label_->setFont(font);
  setText(displayText(text));
}

// Screen readers announce a change of the accessible name: the name is the message itself
// ("Message" while the line is empty), and the description repeats it.
void MessageLine::setText(const QString& text) {
  label_->setText(text);
  label_->setAccessibleName(text.isEmpty() ? QStringLiteral("Message") : text);
  label_->setAccessibleDescription(text);
  QAccessibleEvent event(label_, QAccessible::DescriptionChanged);
  QAccessible::updateAccessibility(&event);
}

QString MessageLine::text() const { return label_->text(); }

QColor MessageLine::colour() const { return label_->palette().color(QPalette::WindowText); }

// Every ordinary message drops the banner's background and italics again.
void MessageLine::setPlainLook() {
  if (!label_->autoFillBackground()) return;
  label_->setAutoFillBackground(false);
  QFont font = label_->font();
  font.setItalic(false);
  label_->setFont(font);
}

}  // namespace kvt::util
