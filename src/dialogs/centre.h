#pragma once

// Both dialogs open centred on the screen rather than over their owner.

#include <QPoint>
#include <QSize>

class QWidget;

namespace dotcaster {

// Top-left corner that centres a window of size `window` on a screen of size `screen`;
// a window larger than the screen keeps its left or top edge at 0.
QPoint CentredOrigin(QSize screen, QSize window);

// Lays the widget out at its final size and moves it to the centre of its screen. Because
// the widget then counts as placed, QDialog no longer re-centres it over its parent.
void CentreOnScreen(QWidget& widget);

}  // namespace dotcaster
