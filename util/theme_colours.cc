#include "util/theme_colours.h"

#include <algorithm>
#include <cmath>

namespace kvt::util {

namespace {

double channel(double value) {
  return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& colour) {
  return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
         0.0722 * channel(colour.blueF());
}

QColor blend(const QColor& from, const QColor& to, double share) {
  const auto mix = [share](double a, double b) { return a + (b - a) * share; };
  return QColor::fromRgbF(static_cast<float>(mix(from.redF(), to.redF())),
                          static_cast<float>(mix(from.greenF(), to.greenF())),
                          static_cast<float>(mix(from.blueF(), to.blueF())));
}

}  // namespace

double contrastRatio(const QColor& a, const QColor& b) {
  const double la = luminance(a);
  const double lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readableShade(const QColor& wanted, const QPalette& palette) {
  const QColor backgrounds[] = {palette.color(QPalette::Window), palette.color(QPalette::Base),
                                palette.color(QPalette::Button)};
  const auto leastContrast = [&backgrounds](const QColor& colour) {
    double least = 21.0;
    for (const QColor& background : backgrounds) {
      least = std::min(least, contrastRatio(colour, background));
    }
    return least;
  };
  // Text on a light window gets darker, text on a dark one lighter.
  const QColor towards =
      luminance(palette.color(QPalette::Window)) > 0.18 ? QColor(Qt::black) : QColor(Qt::white);
  for (int step = 0; step <= 20; ++step) {
    const QColor shade = blend(wanted, towards, step / 20.0);
    if (leastContrast(shade) >= kReadableContrast) return shade;
  }
  return towards;
}

QPalette darkPalette() {
  const QColor window(53, 53, 53);
  const QColor text(240, 240, 240);
  QPalette palette(text, window, QColor(75, 75, 75), QColor(35, 35, 35), QColor(40, 40, 40), text,
                   QColor(255, 255, 255), QColor(30, 30, 30), window);
  palette.setColor(QPalette::Midlight, QColor(64, 64, 64));
  palette.setColor(QPalette::Shadow, QColor(20, 20, 20));
  palette.setColor(QPalette::AlternateBase, QColor(45, 45, 45));
  palette.setColor(QPalette::ToolTipBase, QColor(30, 30, 30));
  palette.setColor(QPalette::ToolTipText, text);
  palette.setColor(QPalette::PlaceholderText, QColor(160, 160, 160));
  palette.setColor(QPalette::Highlight, QColor(42, 130, 218));
  palette.setColor(QPalette::HighlightedText, QColor(255, 255, 255));
  palette.setColor(QPalette::Link, QColor(120, 170, 255));
  for (const QPalette::ColorRole role :
       {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    palette.setColor(QPalette::Disabled, role, QColor(128, 128, 128));
  }
  // No light "etched" copy under disabled captions.
  palette.setColor(QPalette::Disabled, QPalette::Light, window);
  return palette;
}

}  // namespace kvt::util
