// Colours that stay readable in any theme: the message colours keep their meaning (red error,
// green success, blue information) but take the shade that reaches a 4.5:1 contrast against
// the backgrounds of the palette in use, light or dark.
#pragma once

#include <QColor>
#include <QPalette>

namespace kvt::util {

// The contrast ratio of two colours as the accessibility guidelines define it: 1 to 21.
double contrastRatio(const QColor& a, const QColor& b);

// The least contrast a text colour must reach against its background.
inline constexpr double kReadableContrast = 4.5;

// wanted, darkened on a light palette or lightened on a dark one just far enough to reach
// kReadableContrast against the window, the text boxes and the buttons of palette.
QColor readableShade(const QColor& wanted, const QPalette& palette);

// The Fusion style's palette under a dark desktop theme, for the screenshots and the tests.
QPalette darkPalette();

}  // namespace kvt::util
