#pragma once

#include "pages/parampage.h"

#include <QPointF>

namespace QtCharts {
class QDateTimeAxis;
class QSplineSeries;
class QValueAxis;
} // namespace QtCharts

class QComboBox;

namespace Ui {
class MainInterface;
}

// The monitoring page: four live curves, one per channel, of a chosen quantity
// over a ten-second window, grown by one point at every poll tick.
class MainInterface : public ParamPage
{
    Q_OBJECT

public:
    static constexpr int ChartCount = 4;
    static constexpr int QuantityCount = 5;
    static constexpr qint64 WindowMs = 10000;

    explicit MainInterface(QWidget *parent = nullptr);
    ~MainInterface() override;

    void showPage() override;
    // One poll tick: appends a point to each running chart.
    void refresh(bool forced) override;
    // The same with the time of the tick given (milliseconds since the epoch).
    void refreshAt(qint64 now);

    bool isRunning() const { return running; }
    bool chartsBuilt() const { return !chartsNotBuilt; }
    QtCharts::QSplineSeries *chartSeries(int chart) const;
    QtCharts::QValueAxis *chartYAxis(int chart) const;
    QtCharts::QDateTimeAxis *chartXAxis(int chart) const;
    double runningMaximum(int chart, int quantity) const { return maximum[chart][quantity]; }
    double runningMinimum(int chart, int quantity) const { return minimum[chart][quantity]; }

public slots:
    void on_Box_WtChoose_currentIndexChanged(int index);
    void on_Box_WtChoose2_currentIndexChanged(int index);
    void on_Box_WtChoose3_currentIndexChanged(int index);
    void on_Box_WtChoose4_currentIndexChanged(int index);
    void on_Btn_Pause_Start_clicked();
    void OnHover(const QPointF &point, bool state);

protected:
    void reflow() override;

private:
    void buildCharts();
    void updateChart(int chart, qint64 now);
    void clearChart(int chart);
    QComboBox *quantityCombo(int chart) const;

    Ui::MainInterface *ui;
    QtCharts::QSplineSeries *series[ChartCount] = {};
    QtCharts::QDateTimeAxis *xAxis[ChartCount] = {};
    QtCharts::QValueAxis *yAxis[ChartCount] = {};
    bool running = true;
    bool chartsNotBuilt = true;
    int lastQuantity[ChartCount] = {};
    double maximum[ChartCount][QuantityCount] = {};
    double minimum[ChartCount][QuantityCount] = {};
};
