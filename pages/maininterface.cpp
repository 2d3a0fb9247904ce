#include "pages/maininterface.h"

#include "params/devicecopy.h"
#include "params/registermap.h"

#include "ui_maininterface.h"

#include <QCursor>
#include <QDateTime>
#include <QDebug>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTimer>
#include <QToolTip>
#include <QtCharts>

#include <algorithm>
#include <cmath>

using namespace QtCharts;

namespace {

// Raw value the device reports instead of a weight it cannot show.
constexpr int OverflowValue = 9999999;

struct Quantity
{
    const char *axisName;
    bool weight; // scaled by the channel's decimals (else millivolts x 10000)
};
const Quantity quantities[MainInterface::QuantityCount] = {
    {QT_TRANSLATE_NOOP("MainInterface", "Gross"), true},
    {QT_TRANSLATE_NOOP("MainInterface", "Net"), true},
    {QT_TRANSLATE_NOOP("MainInterface", "Tare"), true},
    {QT_TRANSLATE_NOOP("MainInterface", "Sensor Volt"), false},
    {QT_TRANSLATE_NOOP("MainInterface", "Gain Volt"), false},
};

int rawQuantity(const LiveChannel &live, int quantity)
{
    switch (quantity) {
    case 0:
        return live.gross;
    case 1:
        return live.net;
    case 2:
        return live.tare;
    case 3:
        return live.sensorVoltage;
    default:
        return live.gainVoltage;
    }
}

} // namespace

MainInterface::MainInterface(QWidget *parent)
    : ParamPage(parent)
    , ui(new Ui::MainInterface)
{
    ui->setupUi(this);
    reflowWithViewport(ui->scrollArea);
    for (int i = 0; i < ChartCount; ++i)
        lastQuantity[i] = quantityCombo(i)->currentIndex();
}

MainInterface::~MainInterface() { delete ui; }

QComboBox *MainInterface::quantityCombo(int chart) const
{
    QComboBox *const combos[ChartCount]
        = {ui->Box_WtChoose, ui->Box_WtChoose2, ui->Box_WtChoose3, ui->Box_WtChoose4};
    return combos[chart];
}

QSplineSeries *MainInterface::chartSeries(int chart) const { return series[chart]; }

QValueAxis *MainInterface::chartYAxis(int chart) const { return yAxis[chart]; }

QDateTimeAxis *MainInterface::chartXAxis(int chart) const { return xAxis[chart]; }

void MainInterface::showPage()
{
    ui->retranslateUi(this);
    if (!running)
        ui->Btn_Pause_Start->setText(tr("Start"));
    qDebug() << "Into MainInterface";
    ui->Box_WtChoose2->setCurrentIndex(3);
    for (int i = 0; i < ChartCount; ++i) {
        for (int k = 0; k < QuantityCount; ++k) {
            maximum[i][k] = 0;
            minimum[i][k] = 0;
        }
    }
}

void MainInterface::buildCharts()
{
    QChartView *const views[ChartCount] = {ui->CharView, ui->CharView2, ui->CharView3, ui->CharView4};
    const QPen axisPen(Qt::darkGreen, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    // Eight time labels must fit in half the page width.
    QFont axisFont = font();
    axisFont.setPointSize(8);
    for (int i = 0; i < ChartCount; ++i) {
        auto *chart = new QChart;
        chart->setBackgroundBrush(QColor(255, 255, 255));
        // The view gives up the chart it was created with without deleting it.
        QChart *formChart = views[i]->chart();
        views[i]->setChart(chart);
        if (formChart != chart)
            delete formChart;
        views[i]->setContentsMargins(0, 0, 0, 0);
        views[i]->setRenderHint(QPainter::Antialiasing);

        series[i] = new QSplineSeries;
        series[i]->setName(QStringLiteral("CH%1").arg(i + 1));
        series[i]->setColor(i % 2 == 0 ? Qt::red : Qt::blue);
        chart->addSeries(series[i]);

        xAxis[i] = new QDateTimeAxis;
        xAxis[i]->setFormat(QStringLiteral("hh:mm:ss"));
        xAxis[i]->setTickCount(8);
        xAxis[i]->setLabelsVisible(true);
        xAxis[i]->setGridLineVisible(false);
        xAxis[i]->setLinePen(axisPen);
        xAxis[i]->setLabelsFont(axisFont);
        chart->addAxis(xAxis[i], Qt::AlignBottom);

        yAxis[i] = new QValueAxis;
        yAxis[i]->setTickCount(6);
        yAxis[i]->setGridLineVisible(false);
        yAxis[i]->setMinorGridLineVisible(true);
        yAxis[i]->setLinePen(axisPen);
        yAxis[i]->setLabelsFont(axisFont);
        yAxis[i]->setRange(0, 15);
        chart->addAxis(yAxis[i], Qt::AlignLeft);

        series[i]->attachAxis(xAxis[i]);
        series[i]->attachAxis(yAxis[i]);
        connect(series[i], &QSplineSeries::hovered, this, &MainInterface::OnHover);
    }
    chartsNotBuilt = false;
}

void MainInterface::refresh(bool forced)
{
    Q_UNUSED(forced)
    refreshAt(QDateTime::currentMSecsSinceEpoch());
}

void MainInterface::refreshAt(qint64 now)
{
    if (!running)
        return;
    if (chartsNotBuilt)
        buildCharts();
    for (int i = 0; i < ChartCount; ++i) {
        if (channelMode == 1) {
            if (((channelEnable >> (4 * i)) & 15) != 15) {
                clearChart(i);
                continue;
            }
            // A combined platform shows every channel with channel 1's decimals.
            channelScales[i].decimals = channelScales[0].decimals;
        }
        updateChart(i, now);
    }
}

void MainInterface::updateChart(int chart, qint64 now)
{
    const int k = qBound(0, quantityCombo(chart)->currentIndex(), QuantityCount - 1);
    if (k != lastQuantity[chart]) {
        lastQuantity[chart] = k;
        maximum[chart][k] = 0;
        minimum[chart][k] = 0;
    }
    const ChannelScale &scale = channelScales[chart];
    const int raw = rawQuantity(liveChannels[chart], k);
    const double divisor = quantities[k].weight ? std::pow(10.0, scale.decimals) : 10000.0;
    const double v = raw / divisor;

    QSplineSeries *curve = series[chart];
    curve->append(double(now), v);
    // Only the last ten seconds are visible: points before the window are dropped
    // (the first one just before it is kept so the curve enters from the left edge).
    const QVector<QPointF> points = curve->pointsVector();
    int stale = 0;
    while (stale + 1 < points.size() && points.at(stale + 1).x() < double(now - WindowMs))
        ++stale;
    if (stale > 0)
        curve->removePoints(0, stale);

    xAxis[chart]->setRange(
        QDateTime::fromMSecsSinceEpoch(now - WindowMs), QDateTime::fromMSecsSinceEpoch(now));
    const QString unit = quantities[k].weight ? unitName(scale.unit) : QStringLiteral("mV");
    yAxis[chart]->setTitleText(QStringLiteral("%1/%2").arg(tr(quantities[k].axisName), unit));
    xAxis[chart]->setTitleText(tr("Real Time/s"));

    maximum[chart][k] = std::max(maximum[chart][k], v);
    minimum[chart][k] = std::min(minimum[chart][k], v);
    // The overflow marker is recognised as sent by the device, whatever the decimals.
    const bool overflow
        = v == OverflowValue || v == -OverflowValue || raw == OverflowValue || raw == -OverflowValue;
    if ((maximum[chart][k] == 0 && minimum[chart][k] == 0) || overflow)
        yAxis[chart]->setRange(0, 15);
    else
        yAxis[chart]->setRange(1.5 * minimum[chart][k], 1.5 * maximum[chart][k]);
}

void MainInterface::clearChart(int chart)
{
    if (series[chart])
        series[chart]->clear();
}

void MainInterface::on_Box_WtChoose_currentIndexChanged(int index)
{
    Q_UNUSED(index)
    clearChart(0);
}

void MainInterface::on_Box_WtChoose2_currentIndexChanged(int index)
{
    Q_UNUSED(index)
    clearChart(1);
}

void MainInterface::on_Box_WtChoose3_currentIndexChanged(int index)
{
    Q_UNUSED(index)
    clearChart(2);
}

void MainInterface::on_Box_WtChoose4_currentIndexChanged(int index)
{
    Q_UNUSED(index)
    clearChart(3);
}

void MainInterface::on_Btn_Pause_Start_clicked()
{
    if (ui->Btn_Pause_Start->text() == tr("Pause")) {
        ui->Btn_Pause_Start->setText(tr("Start"));
        running = false;
    } else {
        ui->Btn_Pause_Start->setText(tr("Pause"));
        running = true;
    }
}

void MainInterface::OnHover(const QPointF &point, bool state)
{
    if (state)
        QToolTip::showText(
            QCursor::pos(), QStringLiteral("%1").arg(point.y(), 0, 'g', QLocale::FloatingPointShortest));
    else
        QToolTip::hideText();
}

// One column below 1000 pixels, else two; the charts share the visible height.
void MainInterface::reflow()
{
    const int width = ui->scrollArea->viewport()->width();
    constexpr int gap = 10;
    const int columns = width >= 1000 ? 2 : 1;
    const int frameWidth = std::max(300, (width - gap * (columns + 1)) / columns);
    const int rows = ChartCount / columns;
    const int visibleHeight = ui->scrollArea->viewport()->height();
    const int frameHeight = std::max(300, (visibleHeight - gap * (rows + 1)) / (columns == 2 ? 2 : 1));
    QFrame *const frames[ChartCount]
        = {ui->Widget_Chart1, ui->Widget_Chart2, ui->Widget_Chart3, ui->Widget_Chart4};
    for (int i = 0; i < ChartCount; ++i) {
        const int column = i % columns;
        const int row = i / columns;
        frames[i]->setGeometry(
            gap + column * (frameWidth + gap), gap + row * (frameHeight + gap), frameWidth, frameHeight);
    }
    ui->scrollAreaWidgetContents->resize(
        std::max(width, frameWidth + 2 * gap), gap + rows * (frameHeight + gap));
}
