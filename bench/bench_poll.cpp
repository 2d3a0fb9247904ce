// Live poll benchmark against the simulator answering after 5 ms:
//  1. the duration of one live read (readLiveGroups: 13 reads), averaged over
//     many ticks, against the floor of 13 x 5 ms;
//  2. the process CPU time per wall second while the poll timer ticks every
//     500 ms for 10 s and every tick reads the live groups and redraws the
//     weight area.
//  3. with traffic on: the growth of the process while an hour of live reads
//     (7200 ticks of the 13 reads, fed straight into the traffic record) goes
//     through the open traffic log window; then the CPU of 2. again with the
//     window's copy full, so that every batch also drops its oldest rows.
// Usage: bench_poll [ticks] [seconds] [latency ms] [traffic]
// With traffic 1, every transaction is also recorded to a CSV file and the
// real traffic log window is open (offscreen, with the program's style sheet)
// for all of the measurements, taking the new records on its own timer.

#include "link/linksession.h"
#include "support/simulatorprocess.h"
#include "ui/link/livedisplay.h"
#include "ui/window/startup.h"

#include "link/trafficlog.h"
#include "link/transactions.h"
#include "params/registermap.h"
#include "ui/link/trafficlogmodel.h"
#include "ui/link/trafficlogwindow.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QModbusClient>
#include <QModbusReply>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <ctime>
#include <memory>

namespace {

// Resident set size of the process, MB (Linux).
double residentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

double processCpuSeconds()
{
    timespec ts {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// The labels of the main window's weight area, by object name.
QWidget *buildWeightArea()
{
    auto *root = new QWidget;
    auto *display = new QWidget(root);
    display->setObjectName("WeightDisplay");
    auto *layout = new QHBoxLayout(display);
    QStringList names = {"label_SensorPressure", "label_combinedWeight", "label_combinedWeight_1",
        "label_Stable_5", "label_Zero_5", "label_Net_5"};
    for (int c = 1; c <= 4; ++c) {
        const QString n = QString::number(c);
        const QString image = c == 1 ? QString() : "_" + n;
        names << "labelweight_" + n << "label_Mv_" + n << "label_ErrorMessage_" + n
              << "label_SensorPressure_" + n << "label_Stable" + image << "label_Zero" + image
              << "label_Net" + image;
    }
    for (const QString &name : names) {
        auto *label = new QLabel(display);
        label->setObjectName(name);
        layout->addWidget(label);
    }
    layout->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Expanding));
    return root;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int ticks = argc > 1 ? atoi(argv[1]) : 100;
    const int seconds = argc > 2 ? atoi(argv[2]) : 10;
    const int latencyMs = argc > 3 ? atoi(argv[3]) : 5;
    const bool traffic = argc > 4 && atoi(argv[4]) != 0;

    initQ4Resources();
    QTemporaryDir scratch;
    std::unique_ptr<TrafficLogWindow> trafficWindow;
    double windowOpenedMb = 0;
    if (traffic) {
        QFile styleFile(QStringLiteral(":/Qss/SheetStyle.qss"));
        if (styleFile.open(QIODevice::ReadOnly))
            app.setStyleSheet(QString::fromUtf8(styleFile.readAll()));
        linkSession().traffic.setFile(scratch.filePath("traffic.csv"));
        trafficWindow = std::make_unique<TrafficLogWindow>(linkSession().traffic);
        trafficWindow->resize(1280, 640);
        trafficWindow->show();
        QCoreApplication::processEvents();
        windowOpenedMb = residentMb();
        printf("traffic recorded to a file and shown in the traffic log window (looks every %d ms, "
               "a batch at most every %d ms)\n",
            TrafficLogWindow::RefreshIntervalMs, TrafficLogWindow::BatchIntervalMs);
    }

    SimulatorProcess sim({"--latency", QString::number(latencyMs)});
    if (!sim.start()) {
        fprintf(stderr, "simulator: %s\n", qPrintable(sim.errorText()));
        return 1;
    }
    if (!connectTestClient(sim)) {
        fprintf(stderr, "cannot connect to the simulator\n");
        return 1;
    }

    QWidget *area = buildWeightArea();
    LiveDisplay display(area);

    // 1. Duration of one live read.
    readLiveGroups(); // warm-up
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < ticks; ++i) {
        if (readLiveGroups() != 0) {
            fprintf(stderr, "live read failed at tick %d\n", i);
            return 1;
        }
        display.refreshLiveDisplay(false);
    }
    const double tickMs = double(clock.nsecsElapsed()) / 1e6 / ticks;
    const double floorMs = 13.0 * latencyMs;
    printf("live poll: %d ticks, %.2f ms per tick, floor %.0f ms (13 x %d ms), ratio %.3f (target <= 1.2)\n",
        ticks, tickMs, floorMs, latencyMs, tickMs / floorMs);

    // Reference: the same 13 requests, each waited for in a plain event loop that
    // ends when the reply finishes; the difference to the live read is the cost
    // of the transactions' 1 ms polling wait.
    {
        static const int groups[] = {3, 1, 2, 12, 13, 14, 15, 4, 5, 6, 7, 21, 0};
        clock.restart();
        for (int i = 0; i < ticks; ++i) {
            for (int group : groups) {
                const ParameterGroup g = parameterGroup(group);
                const auto type = group == 21 ? QModbusDataUnit::Coils : QModbusDataUnit::HoldingRegisters;
                QModbusReply *reply
                    = linkSession().modbusClient->sendReadRequest(QModbusDataUnit(type, g.start, g.count), 1);
                if (!reply)
                    return 1;
                if (!reply->isFinished()) {
                    QEventLoop loop;
                    QObject::connect(reply, &QModbusReply::finished, &loop, &QEventLoop::quit);
                    loop.exec();
                }
                delete reply;
            }
        }
        const double refMs = double(clock.nsecsElapsed()) / 1e6 / ticks;
        printf("reference (event loop per reply): %.2f ms per tick, ratio %.3f\n", refMs, refMs / floorMs);
    }

    // 2. CPU while polling every 500 ms.
    auto pollFor = [&](const char *what) {
        // The main window's tick: a timer on this thread, skipping while held.
        QTimer timer;
        timer.setInterval(500);
        timer.setTimerType(Qt::PreciseTimer);
        int done = 0, failed = 0;
        QObject::connect(&timer, &QTimer::timeout, &app, [&]() {
            if (linkSession().held())
                return;
            const LinkHold hold(linkSession());
            if (readLiveGroups() == 0)
                display.refreshLiveDisplay(false);
            else
                ++failed;
            ++done;
        });
        const double cpuStart = processCpuSeconds();
        clock.restart();
        timer.start();
        QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
        app.exec();
        const double wall = double(clock.nsecsElapsed()) / 1e9;
        const double cpu = processCpuSeconds() - cpuStart;
        timer.stop();
        printf("polling every 500 ms%s for %.1f s: %d ticks (%d failed), %.3f CPU s, %.4f CPU s per wall s "
               "(target <= 0.03)\n",
            what, wall, done, failed, cpu, cpu / wall);
    };
    pollFor("");

    if (trafficWindow) {
        printf("traffic log window: %d rows shown, resident %.1f MB (%.1f MB when it opened)\n",
            trafficWindow->model()->rowCount(), residentMb(), windowOpenedMb);

        // 3. An hour of live reads through the open window: 7200 ticks of the 13
        // reads with their real counts, the window taking a batch every tick.
        static const int groups[] = {3, 1, 2, 12, 13, 14, 15, 4, 5, 6, 7, 21, 0};
        QVector<quint16> values(125, 1234);
        const double beforeMb = residentMb();
        double fullMb = 0; // once the window's copy holds a full ring
        qint64 now = QDateTime::currentMSecsSinceEpoch();
        clock.restart();
        for (int tick = 0; tick < 7200; ++tick) {
            if (tick == 1000)
                fullMb = residentMb();
            for (int group : groups) {
                const ParameterGroup g = parameterGroup(group);
                linkSession().traffic.record(
                    group == 21 ? TrafficFunction::ReadCoils : TrafficFunction::ReadHolding, 1, g.start,
                    g.count, values.constData(), 0, 0, now, 5300);
                now += 1;
            }
            now += 500;
            trafficWindow->refresh();
            QCoreApplication::processEvents(); // the window paints what it took
        }
        const double afterMb = residentMb();
        printf("an hour of polling (%d transactions) through the window in %.1f s: resident %.1f -> %.1f MB, "
               "growth %.1f MB (%.1f MB since the window opened; %d rows kept); "
               "%.1f MB in the last 6200 ticks, with the ring full\n",
            7200 * 13, double(clock.elapsed()) / 1000.0, beforeMb, afterMb, afterMb - beforeMb,
            afterMb - windowOpenedMb, trafficWindow->model()->rowCount(), afterMb - fullMb);

        // 4. The poll again, now that every batch also pushes the oldest rows out.
        pollFor(" with the window's 10000 rows full");
        trafficWindow.reset();
    }

    disconnectTestClient();
    sim.stop();
    delete area;
    return 0;
}
