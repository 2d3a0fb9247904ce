#include "ui/pages/panelflow.h"

#include <QLabel>
#include <QLayout>
#include <QVariant>
#include <QVector>
#include <QWidget>

#include <algorithm>

namespace {

// Dynamic property: the width a panel is laid out with (setPanelWidth).
const char formWidth[] = "q4FormWidth";

// Row labels padded with trailing blanks (the form's way of lining up its
// fields) show their text without the blanks: the grid gives the column the
// room its longest text needs, and a field never slides under a label.
void trimPaddedLabels(QWidget *panel)
{
    const auto labels = panel->findChildren<QLabel *>();
    for (QLabel *label : labels) {
        QString text = label->text();
        if (!text.endsWith(QLatin1Char(' ')))
            continue;
        while (text.endsWith(QLatin1Char(' ')))
            text.chop(1);
        label->setText(text);
    }
}

// Drops the cached layout sizes of a panel: rows are shown and hidden when the
// channel mode changes, and texts change with the language.
void refreshLayouts(QWidget *panel)
{
    const auto layouts = panel->findChildren<QLayout *>();
    for (QLayout *layout : layouts)
        layout->invalidate();
    if (QLayout *layout = panel->layout()) {
        layout->invalidate();
        layout->activate();
    }
}

// Height a panel needs for its visible rows.
int panelHeight(QWidget *panel) { return std::max(panel->sizeHint().height(), panel->minimumHeight()); }

} // namespace

void setPanelWidth(QWidget *panel, int width)
{
    panel->setProperty(formWidth, width);
    panel->resize(width, panel->height());
}

int flowPanels(
    QWidget *contents, const QList<QWidget *> &panels, int availableWidth, int columnWidth, int gap)
{
    // A panel is as wide as the form made it, or as its content needs when a
    // translation needs more; the columns widen with the panels of one column.
    const int formColumn = columnWidth;
    QVector<int> widths;
    for (QWidget *panel : panels) {
        trimPaddedLabels(panel);
        refreshLayouts(panel);
        if (!panel->property(formWidth).isValid())
            panel->setProperty(formWidth, panel->width());
        widths.append(std::max(panel->property(formWidth).toInt(), panel->minimumSizeHint().width()));
        if (!panel->isHidden() && panel->property(formWidth).toInt() + gap <= formColumn)
            columnWidth = std::max(columnWidth, widths.last() + gap);
    }
    const int columns = std::max(1, (availableWidth - gap) / columnWidth);
    QVector<int> bottoms(columns, gap);
    for (int i = 0; i < panels.size(); ++i) {
        QWidget *panel = panels.at(i);
        if (panel->isHidden())
            continue;
        const bool oneColumn = panel->property(formWidth).toInt() + gap <= formColumn;
        int width = oneColumn ? columnWidth - gap : widths.at(i);
        int span = std::max(1, (width + gap + columnWidth - 1) / columnWidth);
        if (span > columns) {
            span = columns;
            width = columns * columnWidth - gap;
        }
        int bestColumn = 0;
        int bestTop = -1;
        for (int c = 0; c + span <= columns; ++c) {
            const int top = *std::max_element(bottoms.begin() + c, bottoms.begin() + c + span);
            if (bestTop < 0 || top < bestTop) {
                bestTop = top;
                bestColumn = c;
            }
        }
        const int height = panelHeight(panel);
        panel->setGeometry(gap + bestColumn * columnWidth, bestTop, width, height);
        for (int c = bestColumn; c < bestColumn + span; ++c)
            bottoms[c] = bestTop + height + gap;
    }
    const int height = *std::max_element(bottoms.begin(), bottoms.end());
    contents->resize(std::max(availableWidth, columnWidth), height);
    return height;
}
