#pragma once

#include "ui/pages/parampage.h"

#include <QElapsedTimer>
#include <QFile>
#include <QPointF>

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
namespace QtCharts {
class QDateTimeAxis;
class QSplineSeries;
class QValueAxis;
} // namespace QtCharts
using QtCharts::QDateTimeAxis;
using QtCharts::QSplineSeries;
using QtCharts::QValueAxis;
#else
QT_BEGIN_NAMESPACE
class QDateTimeAxis;
class QSplineSeries;
class QValueAxis;
QT_END_NAMESPACE
#endif

class QComboBox;
class QTimer;

namespace Ui {
class MainInterface;
}

// The monitoring page: four live curves, one per channel, of a chosen quantity
// over a ten-second window, grown by one point at every poll tick. The curves
// can be recorded to a CSV file (one line per point, kept up whichever page is
// shown) and saved as one PNG picture.
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
    // Every good poll tick, whichever page is shown, before the page's update:
    // writes the tick's points to the curve file while recording, and makes now
    // the time of the points the update that follows plots.
    void liveTick(qint64 now);

    // The link went silent (polls fail): the curves start afresh at the next
    // update instead of joining the last point before the silence to the first
    // one after it.
    void markGap();

    // Recording of the curves: the file gets the header line and then one line
    // per point that is (or would be) plotted. False, with nothing recording,
    // when the file cannot be created or written.
    bool startRecording(const QString &path);
    // Closes the file complete; the record button returns to its idle text.
    void stopRecording();
    bool isRecording() const { return recordFile.isOpen(); }
    QString recordingPath() const { return recordFile.fileName(); }
    // The four chart views in one PNG picture, two by two.
    bool saveCurves(const QString &path);

    bool isRunning() const { return running; }
    bool chartsBuilt() const { return !chartsNotBuilt; }
    QSplineSeries *chartSeries(int chart) const;
    QValueAxis *chartYAxis(int chart) const;
    QDateTimeAxis *chartXAxis(int chart) const;
    double runningMaximum(int chart, int quantity) const { return maximum[chart][quantity]; }
    double runningMinimum(int chart, int quantity) const { return minimum[chart][quantity]; }

public slots:
    void on_Box_WtChoose_currentIndexChanged(int index);
    void on_Box_WtChoose2_currentIndexChanged(int index);
    void on_Box_WtChoose3_currentIndexChanged(int index);
    void on_Box_WtChoose4_currentIndexChanged(int index);
    void on_Btn_Pause_Start_clicked();
    void on_Btn_Record_clicked();
    void on_Btn_SaveCurves_clicked();
    void OnHover(const QPointF &point, bool state);

protected:
    void reflow() override;

private:
    struct Sample
    {
        int quantity;
        int raw;
        double value;
        int digits; // decimals of the value as the device carries it
    };
    // The point chart (0..3) gets at this tick; false when the chart gets none
    // (a closed channel of a combined platform).
    bool chartSample(int chart, Sample &sample) const;
    void recordSamples(qint64 now);
    void failRecording();
    void showRecordingTime();
    void buildCharts();
    void updateChart(int chart, qint64 now);
    void clearChart(int chart);
    QComboBox *quantityCombo(int chart) const;

    Ui::MainInterface *ui;
    QSplineSeries *series[ChartCount] = {};
    QDateTimeAxis *xAxis[ChartCount] = {};
    QValueAxis *yAxis[ChartCount] = {};
    bool running = true;
    bool chartsNotBuilt = true;
    int lastQuantity[ChartCount] = {};
    double maximum[ChartCount][QuantityCount] = {};
    double minimum[ChartCount][QuantityCount] = {};
    // The chart's next point follows a silence of the link.
    bool gapBefore[ChartCount] = {};
    // Time of the live values of this tick for the next update, or -1.
    qint64 tickTime = -1;
    QFile recordFile;
    QElapsedTimer recordClock;
    QTimer *recordTimer = nullptr;
};
