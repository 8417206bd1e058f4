#pragma once

#include <QRect>

class QWidget;

// The screen areas the phone's toolkit reported, taken here from the main
// window's geometry (global coordinates).
namespace ScreenRects {

// Registered by the main window once it exists; null before.
void setMainWindow(QWidget *window);
// The window without its soft-key bar.
QRect content();
// The content area as it is while an on-screen keyboard covers the lower
// half; a desktop has no such keyboard, so half the content.
QRect smallContent();
// Where the soft-key bar is.
QRect softKeyArea();
// `rect` (global) in `widget`'s coordinates.
QRect mapFromGlobal(const QWidget *widget, const QRect &rect);

} // namespace ScreenRects
