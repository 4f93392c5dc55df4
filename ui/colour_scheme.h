// The application's colours follow the desktop's colour scheme: a desktop that prefers dark
// gets a dark palette when its own style does not give one; a light desktop keeps the palette
// the program started with.
#pragma once

#include <QColor>
#include <QPalette>
#include <functional>

class QObject;
class QPainter;
class QPixmap;
class QPoint;

namespace zep {

// As the desktop's settings portal numbers it.
enum class ColourScheme : unsigned
{
    NoPreference = 0,
    Dark = 1,
    Light = 2,
};

// Whether a palette draws light text on dark windows.
bool IsDarkPalette(const QPalette& palette);

// A dark palette for the program's style, with the highlight and link colours of the desktop
// kept where they read on it.
QPalette DarkPalette(const QPalette& from);

// Sets the application's palette for `scheme`; the palette the program started with is kept for
// the way back. Call on the UI thread, after the application object exists.
void FollowColourScheme(ColourScheme scheme);

// The colours of the text panes: white with black text on a light desktop, as always; the
// palette's base and text on a dark one.
QColor PaneBase(const QPalette& palette);
QColor PaneText(const QPalette& palette);

// Draws a logo at `at`; on a dark palette on a light plate of its own, since a logo is drawn
// for light backgrounds.
void DrawLogo(QPainter& painter, const QPoint& at, const QPixmap& logo, const QPalette& palette);

// Calls `apply` now and after every change of the application's palette, for as long as
// `owner` lives.
void FollowPalette(QObject& owner, std::function<void()> apply);

} // namespace zep
