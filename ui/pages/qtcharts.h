#pragma once

// The chart classes the monitoring page uses, under their plain names with Qt 5
// (namespace QtCharts) as with Qt 6 (no namespace of their own). The page's form
// names this header for its chart views.
#include <QtCharts/QChartView>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QSplineSeries>
#include <QtCharts/QValueAxis>

#include <QVector>

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
using QtCharts::QChart;
using QtCharts::QChartView;
using QtCharts::QDateTimeAxis;
using QtCharts::QSplineSeries;
using QtCharts::QValueAxis;
using QtCharts::QXYSeries;
#endif

// A series' points as a vector, without the copy into a list that Qt 5's points() makes.
inline QVector<QPointF> seriesPoints(const QXYSeries *series)
{
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    return series->pointsVector();
#else
    return series->points();
#endif
}
