#include "util/message_line.h"

#include <QAccessible>
#include <QLabel>

namespace kvt::util {

QColor colourOf(MsgColour colour) {
  switch (colour) {
    case MsgColour::ErrorRed: return QColor(255, 0, 0);
    case MsgColour::SuccessGreen: return QColor(0, 128, 0);
    case MsgColour::InfoBlue: return QColor(0, 0, 255);
    case MsgColour::EndBlue: return QColor(64, 64, 192);
    case MsgColour::Black: break;
  }
  return QColor(0, 0, 0);
}

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

void MessageLine::setColour(MsgColour colour) {
  QPalette palette = label_->palette();
  palette.setColor(QPalette::WindowText, colourOf(colour));
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

// The accessible name says what the line is for; screen readers read the message itself from
// the description, and are told each time it changes.
void MessageLine::setText(const QString& text) {
  label_->setText(text);
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
