#include "ui/window/windowplacement.h"

#include <QSettings>

namespace {

const char windowGroup[] = "Window";

} // namespace

QRect fitIntoArea(QRect rect, const QRect &area, const QSize &minimum)
{
    rect.setSize(rect.size().boundedTo(area.size()).expandedTo(minimum));
    if (rect.right() > area.right())
        rect.moveRight(area.right());
    if (rect.bottom() > area.bottom())
        rect.moveBottom(area.bottom());
    if (rect.left() < area.left())
        rect.moveLeft(area.left());
    if (rect.top() < area.top())
        rect.moveTop(area.top());
    return rect;
}

WindowPlacement readWindowPlacement(QSettings &settings)
{
    WindowPlacement placement;
    settings.beginGroup(QLatin1String(windowGroup));
    int values[4] = {};
    bool allRead = true;
    const char *const keys[] = {"x", "y", "width", "height"};
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = settings.value(QLatin1String(keys[i])).toInt(&ok);
        allRead = allRead && ok;
    }
    if (allRead && values[2] > 0 && values[3] > 0) {
        placement.normal = QRect(values[0], values[1], values[2], values[3]);
        placement.maximized = settings.value(QStringLiteral("maximized")).toInt() != 0;
    }
    settings.endGroup();
    return placement;
}

void writeWindowPlacement(QSettings &settings, const WindowPlacement &placement)
{
    settings.beginGroup(QLatin1String(windowGroup));
    settings.setValue(QStringLiteral("x"), placement.normal.x());
    settings.setValue(QStringLiteral("y"), placement.normal.y());
    settings.setValue(QStringLiteral("width"), placement.normal.width());
    settings.setValue(QStringLiteral("height"), placement.normal.height());
    settings.setValue(QStringLiteral("maximized"), placement.maximized ? 1 : 0);
    settings.endGroup();
}

QRect startGeometry(const WindowPlacement &remembered, const QSize &defaultSize, const QSize &minimum,
    const QVector<QRect> &screens)
{
    if (screens.isEmpty())
        return QRect(QPoint(0, 0), remembered.isValid() ? remembered.normal.size() : defaultSize);
    if (remembered.isValid()) {
        for (const QRect &area : screens) {
            if (area.contains(remembered.normal.center()))
                return fitIntoArea(remembered.normal, area, minimum);
        }
    }
    // First start, or the remembered screen is gone: centred on the primary one.
    const QRect &primary = screens.first();
    QRect rect(QPoint(0, 0), remembered.isValid() ? remembered.normal.size() : defaultSize);
    rect.moveCenter(primary.center());
    return fitIntoArea(rect, primary, minimum);
}
