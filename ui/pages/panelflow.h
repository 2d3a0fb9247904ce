#pragma once

#include <QList>

class QWidget;

// Places the visible group panels of a parameter page in columns of columnWidth
// pixels (panels wider than a column span as many columns as they need), each
// panel in the column that is least filled so far, and sizes the scroll contents
// to the available width and the tallest column. Returns the contents height.
// A panel whose content needs more than its form's width (a longer translation)
// gets that width, and the columns widen with it: nothing is squeezed.
int flowPanels(QWidget *contents, const QList<QWidget *> &panels, int availableWidth, int columnWidth = 360,
    int gap = 10);

// The width a panel is laid out with (at least; its content may need more).
// By default its width when first flowed; a panel whose rows change (more of
// them side by side in combined mode) sets it here.
void setPanelWidth(QWidget *panel, int width);
