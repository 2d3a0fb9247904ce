#include "ui/pages/maininterface.h"

#include "link/linksession.h"
#include "params/appstate.h"
#include "params/devicecopy.h"
#include "params/logcategories.h"
#include "params/registermap.h"
#include "ui/dialogs/popups.h"
#include "ui/pages/qtcharts.h"

#include "ui_maininterface.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTimer>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace {

// Raw value the device reports instead of a weight it cannot show.
constexpr int OverflowValue = 9999999;

struct Quantity
{
    const char *axisName;
    // Name in the curve file: the combo item's English text, whatever the
    // interface language, so that a file reads the same everywhere.
    const char *recordName;
    bool weight; // scaled by the channel's decimals (else millivolts x 10000)
};
const Quantity quantities[MainInterface::QuantityCount] = {
    {QT_TRANSLATE_NOOP("MainInterface", "Gross"), "Gross", true},
    {QT_TRANSLATE_NOOP("MainInterface", "Net"), "Net", true},
    {QT_TRANSLATE_NOOP("MainInterface", "Tare"), "Tare", true},
    {QT_TRANSLATE_NOOP("MainInterface", "Sensor Volt"), "Sensor Voltage", false},
    {QT_TRANSLATE_NOOP("MainInterface", "Gain Volt"), "Gain Voltage", false},
};

const char recordHeader[] = "time,channel,quantity,value\r\n";
// Local wall-clock time with milliseconds, in the ISO 8601 form that
// spreadsheets take for a date and time.
const QString recordTimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz");
// Refresh of the elapsed time on the record button.
constexpr int recordTimeRefreshMs = 500;

QString popupText(const char *text) { return QCoreApplication::translate("QObject", text); }

// A file name under the export folder, stamped with the present time.
QString proposedExportPath(const QString &suffix)
{
    QDir().mkpath(exportDirectory());
    return exportDirectory() + QStringLiteral("/Curves_")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_hhmmss")) + suffix;
}

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
    recordTimer = new QTimer(this);
    recordTimer->setInterval(recordTimeRefreshMs);
    connect(recordTimer, &QTimer::timeout, this, &MainInterface::showRecordingTime);
}

MainInterface::~MainInterface()
{
    stopRecording();
    delete ui;
}

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
    if (isRecording())
        showRecordingTime();
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
    // The points get the time the curve file got for the same values.
    const qint64 now = tickTime >= 0 ? tickTime : QDateTime::currentMSecsSinceEpoch();
    tickTime = -1;
    refreshAt(now);
}

void MainInterface::refreshAt(qint64 now)
{
    DeviceCopy &device = linkSession().device;
    if (!running)
        return;
    if (chartsNotBuilt)
        buildCharts();
    for (int i = 0; i < ChartCount; ++i) {
        if (device.channelMode == 1) {
            if (((device.channelEnable >> (4 * i)) & 15) != 15) {
                clearChart(i);
                continue;
            }
            // A combined platform shows every channel with channel 1's decimals.
            device.channelScales[i].decimals = device.channelScales[0].decimals;
        }
        updateChart(i, now);
    }
}

bool MainInterface::chartSample(int chart, Sample &sample) const
{
    const DeviceCopy &device = linkSession().device;
    // A combined platform leaves its closed channels out and weighs every
    // channel with channel 1's decimals.
    int decimals = device.channelScales[chart].decimals;
    if (device.channelMode == 1) {
        if (((device.channelEnable >> (4 * chart)) & 15) != 15)
            return false;
        decimals = device.channelScales[0].decimals;
    }
    const int k = qBound(0, quantityCombo(chart)->currentIndex(), QuantityCount - 1);
    sample.quantity = k;
    sample.raw = rawQuantity(device.liveChannels[chart], k);
    if (quantities[k].weight) {
        sample.value = sample.raw / std::pow(10.0, decimals);
        sample.digits = std::max(0, decimals);
    } else {
        sample.value = sample.raw / 10000.0;
        sample.digits = 4;
    }
    return true;
}

void MainInterface::updateChart(int chart, qint64 now)
{
    const DeviceCopy &device = linkSession().device;
    Sample sample;
    if (!chartSample(chart, sample))
        return;
    const int k = sample.quantity;
    if (k != lastQuantity[chart]) {
        lastQuantity[chart] = k;
        maximum[chart][k] = 0;
        minimum[chart][k] = 0;
    }
    const ChannelScale &scale = device.channelScales[chart];
    const int raw = sample.raw;
    const double v = sample.value;

    QSplineSeries *curve = series[chart];
    if (gapBefore[chart]) {
        gapBefore[chart] = false;
        curve->clear();
    }
    curve->append(double(now), v);
    // Only the last ten seconds are visible: points before the window are dropped
    // (the first one just before it is kept so the curve enters from the left edge).
    const QVector<QPointF> points = seriesPoints(curve);
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

void MainInterface::markGap()
{
    for (bool &gap : gapBefore)
        gap = true;
}

void MainInterface::liveTick(qint64 now)
{
    tickTime = now;
    if (isRecording())
        recordSamples(now);
}

void MainInterface::recordSamples(qint64 now)
{
    const QByteArray time = QDateTime::fromMSecsSinceEpoch(now).toString(recordTimeFormat).toLatin1();
    QByteArray lines;
    for (int i = 0; i < ChartCount; ++i) {
        Sample sample;
        if (!chartSample(i, sample))
            continue;
        lines += time + ',' + QByteArray::number(i + 1) + ',' + quantities[sample.quantity].recordName + ','
            + QByteArray::number(sample.value, 'f', sample.digits) + "\r\n";
    }
    if (lines.isEmpty())
        return;
    // Each tick's lines go to the disk at once: at most one tick is lost if the
    // program ends abnormally, and a failing disk shows at the next tick.
    if (recordFile.write(lines) != lines.size() || !recordFile.flush())
        failRecording();
}

bool MainInterface::startRecording(const QString &path)
{
    stopRecording();
    recordFile.setFileName(path);
    if (!recordFile.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        qCDebug(lcUi).noquote() << "curve file not opened:" << path << recordFile.errorString();
        return false;
    }
    const qint64 headerSize = qint64(sizeof recordHeader) - 1;
    if (recordFile.write(recordHeader, headerSize) != headerSize || !recordFile.flush()) {
        qCDebug(lcUi).noquote() << "curve file not written:" << path << recordFile.errorString();
        recordFile.close();
        return false;
    }
    qCDebug(lcUi).noquote() << "curve recording to" << path;
    recordClock.start();
    recordTimer->start();
    showRecordingTime();
    return true;
}

void MainInterface::stopRecording()
{
    if (!recordFile.isOpen())
        return;
    recordFile.close();
    recordTimer->stop();
    ui->Btn_Record->setText(tr("Record"));
    qCDebug(lcUi).noquote() << "curve recording ended:" << recordFile.fileName();
}

void MainInterface::failRecording()
{
    qCDebug(lcUi).noquote() << "curve file not written:" << recordFile.fileName() << recordFile.errorString();
    stopRecording();
    // Told after the poll tick that met the failure has ended.
    QTimer::singleShot(0, this, [] {
        showTipsDialog(tr("Tip"),
            popupText(
                QT_TRANSLATE_NOOP("QObject", "Curve recording stopped: the file could not be written!")),
            1);
    });
}

void MainInterface::showRecordingTime()
{
    const qint64 seconds = recordClock.elapsed() / 1000;
    const QLatin1Char zero('0');
    const QString elapsed = QStringLiteral("%1:%2:%3")
                                .arg(seconds / 3600, 2, 10, zero)
                                .arg(seconds / 60 % 60, 2, 10, zero)
                                .arg(seconds % 60, 2, 10, zero);
    ui->Btn_Record->setText(tr("Stop %1").arg(elapsed));
}

bool MainInterface::saveCurves(const QString &path)
{
    QChartView *const views[ChartCount] = {ui->CharView, ui->CharView2, ui->CharView3, ui->CharView4};
    QImage parts[ChartCount];
    QSize cell;
    for (int i = 0; i < ChartCount; ++i) {
        parts[i] = views[i]->grab().toImage();
        // Pixels as grabbed, on a high-density screen too.
        parts[i].setDevicePixelRatio(1);
        cell = cell.expandedTo(parts[i].size());
    }
    if (cell.isEmpty())
        return false;
    QImage picture(cell.width() * 2, cell.height() * 2, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    for (int i = 0; i < ChartCount; ++i)
        painter.drawImage(QPoint(i % 2 * cell.width(), i / 2 * cell.height()), parts[i]);
    painter.end();
    const bool saved = picture.save(path, "PNG");
    qCDebug(lcUi).noquote() << "curves picture" << path << (saved ? "saved" : "not saved");
    return saved;
}

void MainInterface::on_Btn_Record_clicked()
{
    if (isRecording()) {
        stopRecording();
        return;
    }
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Record Curves"), proposedExportPath(QStringLiteral(".csv")), tr("CSV Files (*.csv)"));
    if (path.isEmpty())
        return;
    if (!startRecording(path))
        showTipsDialog(
            tr("Tip"), popupText(QT_TRANSLATE_NOOP("QObject", "The curve file could not be written!")), 1);
}

void MainInterface::on_Btn_SaveCurves_clicked()
{
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Save Curves"), proposedExportPath(QStringLiteral(".png")), tr("PNG Images (*.png)"));
    if (path.isEmpty())
        return;
    if (saveCurves(path))
        showTipsDialog(tr("Tip"), popupText(QT_TRANSLATE_NOOP("QObject", "Curves Saved!")), 0);
    else
        showTipsDialog(tr("Tip"), popupText(QT_TRANSLATE_NOOP("QObject", "Saving the curves failed!")), 1);
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
