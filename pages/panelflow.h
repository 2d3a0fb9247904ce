#pragma once

#include <QList>

class QWidget;

// Places the visible group panels of a parameter page in columns of columnWidth
// pixels (panels wider than a column span as many columns as they need), each
// panel in the column that is least filled so far, and sizes the scroll contents
// to the available width and the tallest column. Returns the contents height.
int flowPanels(QWidget *contents, const QList<QWidget *> &panels, int availableWidth, int columnWidth = 360,
    int gap = 10);
