// The program's pictures: action icons, the program icon and the numbered
// mouse cursors, all drawn as SVG and compiled into the widget library.
#pragma once

#include <QCursor>
#include <QIcon>
#include <QPixmap>
#include <QString>

// Cursor numbers run from 1 to this value; the controller sets them by number.
constexpr int kNumberedCursorCount = 17;
// Edge length of every cursor picture in pixels.
constexpr int kCursorSize = 32;

// Registers the compiled-in resources. The widget library is static, so the
// linker would drop them unless this is called once before the first icon or
// cursor is requested; calling it again does no harm.
void InitArtworkResources();

// Icon of the action with the given object name (e.g. "ActionKnotenGlatt"),
// with pixmaps for the usual toolbar and menu sizes; a null icon when the
// program has no picture for that name.
QIcon ActionIcon(const QString& actionName);

// The program's window and application icon.
QIcon ProgramIcon();

// Picture of cursor `number` (1..17) at 32 x 32 with transparent background;
// a null pixmap for any other number.
QPixmap CursorPixmap(int number);

// Cursor `number` (1..17) with its hot spot; Qt::ArrowCursor for any other
// number, so a stray number never leaves the user without a pointer.
QCursor NumberedCursor(int number);
