#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>

class QWidget;

// The window's colours and fonts: each stands here once, for every control tree and widget.
namespace style {

// The design's palette.
inline constexpr QColor Navy(0, 0, 128);
inline constexpr QColor Maroon(128, 0, 0);
inline constexpr QColor Purple(128, 0, 128);
inline constexpr QColor Teal(0, 128, 128);
inline constexpr QColor Blue(0, 0, 255);
inline constexpr QColor Red(255, 0, 0);
// What is shown but no longer current (a reading of a lost module, a disabled grid).
inline constexpr QColor Grey(128, 128, 128);
// Two greens, told apart by name: the dark one of START, lamps and buttons, and the
// bright one of the readings on black.
inline constexpr QColor DarkGreen(0, 128, 0);
inline constexpr QColor BrightGreen(0, 255, 0);
// The pale yellow of tooltips, behind the report's line numbers.
inline constexpr QColor InfoYellow(255, 255, 225);

// The pens of the waveform and spectrum charts and the colour of the spectrum's peak.
inline constexpr QColor WaveformPen(0, 90, 200);
inline constexpr QColor SpectrumPen(0, 120, 0);
inline constexpr QColor PeakMarker(220, 0, 0);
// The trend chart of the bench-meter window and its limit lines.
inline constexpr QColor TrendPen(0, 90, 200);
inline constexpr QColor LimitPen(200, 0, 0);

// The design's fonts, sized in pixels so that they fill their controls on any screen.
QFont SansFont(int pixels, bool bold = false);   // Arial
QFont MonoFont(int pixels, bool bold = false);   // Courier New
QFont SerifFont(int pixels, bool bold = false);  // Times New Roman

// The face colour of windows and buttons: what a lamp that shows nothing takes.
QColor FaceColor(const QWidget* widget);

// Sets one role of a widget's palette, in every colour group.
void SetColor(QWidget* widget, QPalette::ColorRole role, const QColor& color);

}  // namespace style
