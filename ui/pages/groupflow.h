#pragma once

#include <QGridLayout>
#include <QHash>
#include <QVector>
#include <QWidget>

#include <algorithm>

// Arranges a page's group panels in a grid of the given number of columns,
// row by row. A panel may ask for a span of several columns; it starts a new
// row when the rest of the current row is too narrow. Tab goes through the
// panels in the same order.
struct FlowGroup
{
    QWidget *widget;
    int span;
};

// Tab order in reading order: the fields of the groups group after group, in
// the order the groups are flowed, each group keeping its own order.
inline void chainGroupsInTabOrder(const QVector<FlowGroup> &groups)
{
    if (groups.isEmpty())
        return;
    QWidget *window = groups.first().widget->window();
    QHash<QWidget *, int> position;
    int index = 0;
    for (QWidget *w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain())
        position.insert(w, index++);
    QWidget *previous = nullptr;
    for (const FlowGroup &group : groups) {
        QList<QWidget *> fields = group.widget->findChildren<QWidget *>();
        fields.erase(std::remove_if(fields.begin(), fields.end(),
                         [&position](QWidget *w) {
                             return !(w->focusPolicy() & Qt::TabFocus) || w->focusProxy()
                                 || !position.contains(w);
                         }),
            fields.end());
        std::sort(fields.begin(), fields.end(),
            [&position](QWidget *a, QWidget *b) { return position.value(a) < position.value(b); });
        for (QWidget *field : fields) {
            if (previous)
                QWidget::setTabOrder(previous, field);
            previous = field;
        }
    }
}

inline void flowGroups(QGridLayout *grid, const QVector<FlowGroup> &groups, int columns)
{
    columns = std::max(1, columns);
    for (const FlowGroup &group : groups)
        grid->removeWidget(group.widget);
    for (int c = 0; c < grid->columnCount(); ++c)
        grid->setColumnStretch(c, 0);
    int row = 0;
    int column = 0;
    for (const FlowGroup &group : groups) {
        const int span = std::min(std::max(1, group.span), columns);
        if (column + span > columns) {
            ++row;
            column = 0;
        }
        grid->addWidget(group.widget, row, column, 1, span, Qt::AlignTop);
        column += span;
    }
    for (int c = 0; c < columns; ++c)
        grid->setColumnStretch(c, 1);
    chainGroupsInTabOrder(groups);
}

// Columns of about 450 pixels that fit into a page of the given width.
inline int flowColumns(int pageWidth, int maximum)
{
    return std::clamp(pageWidth / 450, 1, std::max(1, maximum));
}
