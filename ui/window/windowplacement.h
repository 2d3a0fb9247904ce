#pragma once

#include <QRect>
#include <QSize>
#include <QVector>

class QSettings;

// Where the main window was, as the settings file remembers it (group
// "Window": x, y, width, height, maximized). The rectangle is the window's
// normal geometry, also when it was closed maximised.
struct WindowPlacement
{
    QRect normal;
    bool maximized = false;
    bool isValid() const { return normal.isValid(); }
};

// The remembered placement; an invalid one when the file has none (a file
// from before, or a value that is not a size).
WindowPlacement readWindowPlacement(QSettings &settings);
void writeWindowPlacement(QSettings &settings, const WindowPlacement &placement);

// rect shrunk to the area (never below minimum) and moved the least to lie
// inside it.
QRect fitIntoArea(QRect rect, const QRect &area, const QSize &minimum);

// The geometry the window starts with, given the available areas of the
// screens (the primary one first). A remembered rectangle whose centre lies on
// a screen stays there, moved and shrunk as needed to lie inside that screen's
// area. Otherwise the window is centred on the primary screen with the
// remembered size (its screen is gone) or defaultSize (first start), shrunk to
// fit. Never below minimum.
QRect startGeometry(const WindowPlacement &remembered, const QSize &defaultSize, const QSize &minimum,
    const QVector<QRect> &screens);
