#include "pages/panelflow.h"

#include <QLabel>
#include <QLayout>
#include <QVector>
#include <QWidget>

#include <algorithm>

namespace {

// Row labels padded with trailing blanks need only their visible text: the
// blanks may be cut at the panel's edge instead of widening the panel.
void fitPaddedLabels(QWidget *panel)
{
    const auto labels = panel->findChildren<QLabel *>();
    for (QLabel *label : labels) {
        const QString text = label->text();
        if (!text.endsWith(QLatin1Char(' ')))
            continue;
        label->setSizePolicy(QSizePolicy::Ignored, label->sizePolicy().verticalPolicy());
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(text.trimmed()) + 4);
    }
}

// Height a panel needs for its visible rows; the cached layout sizes are dropped
// first because rows are shown and hidden when the channel mode changes.
int panelHeight(QWidget *panel)
{
    const auto layouts = panel->findChildren<QLayout *>();
    for (QLayout *layout : layouts)
        layout->invalidate();
    if (QLayout *layout = panel->layout()) {
        layout->invalidate();
        layout->activate();
    }
    return std::max(panel->sizeHint().height(), panel->minimumHeight());
}

} // namespace

int flowPanels(
    QWidget *contents, const QList<QWidget *> &panels, int availableWidth, int columnWidth, int gap)
{
    const int columns = std::max(1, (availableWidth - gap) / columnWidth);
    QVector<int> bottoms(columns, gap);
    for (QWidget *panel : panels) {
        if (panel->isHidden())
            continue;
        int width = panel->width();
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
        fitPaddedLabels(panel);
        const int height = panelHeight(panel);
        panel->setGeometry(gap + bestColumn * columnWidth, bestTop, width, height);
        for (int c = bestColumn; c < bestColumn + span; ++c)
            bottoms[c] = bestTop + height + gap;
    }
    const int height = *std::max_element(bottoms.begin(), bottoms.end());
    contents->resize(std::max(availableWidth, columnWidth), height);
    return height;
}
