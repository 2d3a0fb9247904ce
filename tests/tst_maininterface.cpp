// Monitoring page: y-range rules, running extremes, pause, quantity change,
// combined-mode clearing and the ten-second window, driven from the live state;
// the curve file and the curves picture, alone and fed by the poll tick.
#include "link/linksession.h"
#include "pagetesthelpers.h"
#include "params/appstate.h"
#include "params/devicecopy.h"
#include "support/simulatorprocess.h"
#include "ui/pages/commitengine.h"
#include "ui/pages/maininterface.h"
#include "ui/pages/qtcharts.h"
#include "ui/pagestate.h"
#include "ui/window/mainwindow.h"
#include "ui/window/startup.h"

#include <QComboBox>
#include <QPushButton>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QToolTip>
#include <QTranslator>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

class TestMainInterface : public QObject
{
    Q_OBJECT

private:
    MainInterface *page = nullptr;
    qint64 clock = 1700000000000;
    QTemporaryDir dataDir;

    void resetLive()
    {
        linkSession().device.channelMode = 0;
        linkSession().device.channelEnable = 0xFFFF;
        for (int c = 0; c < 4; ++c) {
            linkSession().device.liveChannels[c] = LiveChannel();
            linkSession().device.channelScales[c] = ChannelScale {1, 0};
        }
    }
    void tick()
    {
        clock += 500;
        page->refreshAt(clock);
    }
    QComboBox *combo(int chart) const
    {
        const char *names[] = {"Box_WtChoose", "Box_WtChoose2", "Box_WtChoose3", "Box_WtChoose4"};
        return page->findChild<QComboBox *>(names[chart]);
    }
    QPair<double, double> yRange(int chart) const
    {
        return {page->chartYAxis(chart)->min(), page->chartYAxis(chart)->max()};
    }
    QPushButton *recordButton() const { return page->findChild<QPushButton *>("Btn_Record"); }
    // One good poll tick on the monitoring page: the file first, then the plot.
    void liveTick()
    {
        clock += 500;
        page->liveTick(clock);
        page->refresh(false);
    }
    static QString stamp(qint64 ms)
    {
        return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
    }
    // The file's lines; every line, the last one too, ends in CR LF.
    static QStringList fileLines(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {QStringLiteral("<not readable>")};
        const QString text = QString::fromUtf8(file.readAll());
        if (!text.endsWith(QLatin1String("\r\n")))
            return {QStringLiteral("<incomplete last line>"), text};
        QStringList lines = text.split(QStringLiteral("\r\n"));
        lines.removeLast();
        return lines;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dataDir.isValid());
        setDataDirectory(dataDir.path());
        initQ4Resources();
    }

    void init()
    {
        resetLive();
        page = new MainInterface;
        page->pageState().currentPage = PageMonitoring;
        page->resize(1130, 700);
        page->showPage();
        for (int i = 0; i < 4; ++i)
            combo(i)->setCurrentIndex(0);
    }
    void cleanup()
    {
        delete page;
        page = nullptr;
    }

    // The charts built on the first tick replace the views' own charts, which
    // are deleted then and not left behind; the new charts live with the page.
    void replacedChartsAreDeleted()
    {
        QList<QPointer<QChart>> formCharts;
        const auto views = page->findChildren<QChartView *>();
        QCOMPARE(views.size(), 4);
        for (QChartView *view : views)
            formCharts << QPointer<QChart>(view->chart());
        tick();
        QVERIFY(page->chartsBuilt());
        for (int i = 0; i < views.size(); ++i) {
            QVERIFY(formCharts.at(i).isNull());
            QVERIFY(views.at(i)->chart());
            QCOMPARE(views.at(i)->chart()->series().size(), 1);
        }
    }

    void yRangeFollowsRunningExtremes()
    {
        tick();
        QVERIFY(page->chartsBuilt());
        QCOMPARE(yRange(0), qMakePair(0.0, 15.0)); // max and min still 0
        QCOMPARE(page->chartYAxis(0)->titleText(), QStringLiteral("Gross/kg"));
        QCOMPARE(page->chartXAxis(0)->titleText(), QStringLiteral("Real Time/s"));

        linkSession().device.channelScales[0].decimals = 1;
        linkSession().device.liveChannels[0].gross = 200; // 20.0
        tick();
        QCOMPARE(yRange(0), qMakePair(0.0, 30.0));
        linkSession().device.liveChannels[0].gross = -100; // -10.0
        tick();
        QCOMPARE(yRange(0), qMakePair(-15.0, 30.0));
        QCOMPARE(page->runningMaximum(0, 0), 20.0);
        QCOMPARE(page->runningMinimum(0, 0), -10.0);

        // The overflow marker shows [0, 15] for its tick but still enters the extremes.
        linkSession().device.channelScales[1].decimals = 0;
        linkSession().device.liveChannels[1].gross = 9999999;
        tick();
        QCOMPARE(yRange(1), qMakePair(0.0, 15.0));
        QCOMPARE(page->runningMaximum(1, 0), 9999999.0);
        linkSession().device.liveChannels[1].gross = 10;
        tick();
        QCOMPARE(yRange(1), qMakePair(0.0, 1.5 * 9999999));
        // With decimals the device's marker is still recognised.
        linkSession().device.channelScales[2].decimals = 3;
        linkSession().device.liveChannels[2].gross = -9999999;
        tick();
        QCOMPARE(yRange(2), qMakePair(0.0, 15.0));
        QCOMPARE(page->runningMinimum(2, 0), -9999.999);

        // Millivolt quantities are scaled by 10000 and titled in mV.
        combo(3)->setCurrentIndex(3);
        linkSession().device.liveChannels[3].sensorVoltage = 12345;
        tick();
        QCOMPARE(page->chartSeries(3)->points().last().y(), 1.2345);
        QCOMPARE(page->chartYAxis(3)->titleText(), QStringLiteral("Sensor Volt/mV"));
    }

    void quantityChangeClearsCurveAndRange()
    {
        linkSession().device.liveChannels[0].gross = 40;
        tick();
        tick();
        QCOMPARE(page->chartSeries(0)->count(), 2);
        QCOMPARE(yRange(0), qMakePair(0.0, 60.0));
        combo(0)->setCurrentIndex(1); // Net
        QCOMPARE(page->chartSeries(0)->count(), 0);
        tick(); // net is 0: the new quantity starts at [0, 15]
        QCOMPARE(page->chartSeries(0)->count(), 1);
        QCOMPARE(yRange(0), qMakePair(0.0, 15.0));
        QCOMPARE(page->chartYAxis(0)->titleText(), QStringLiteral("Net/kg"));
        // Going back to gross restarts its extremes too.
        combo(0)->setCurrentIndex(0);
        linkSession().device.liveChannels[0].gross = 0;
        tick();
        QCOMPARE(page->runningMaximum(0, 0), 0.0);
        QCOMPARE(yRange(0), qMakePair(0.0, 15.0));
    }

    void pauseStopsPointsAndResumeContinues()
    {
        auto *button = page->findChild<QPushButton *>("Btn_Pause_Start");
        QCOMPARE(button->text(), QStringLiteral("Pause"));
        linkSession().device.liveChannels[0].gross = 5;
        tick();
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(button->text(), QStringLiteral("Start"));
        QVERIFY(!page->isRunning());
        const qint64 pausedAt = clock;
        linkSession().device.liveChannels[0].gross = 7;
        tick();
        tick();
        QCOMPARE(page->chartSeries(0)->count(), 1);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(button->text(), QStringLiteral("Pause"));
        tick();
        const auto points = page->chartSeries(0)->points();
        QCOMPARE(points.size(), 2);
        QCOMPARE(points.at(0).y(), 5.0);
        QCOMPARE(points.at(1).y(), 7.0);
        QVERIFY(points.at(1).x() - points.at(0).x() > double(pausedAt - points.at(0).x())); // a gap in time
    }

    void combinedModeClearsClosedChannels()
    {
        tick();
        tick();
        QCOMPARE(page->chartSeries(2)->count(), 2);
        linkSession().device.channelMode = 1;
        linkSession().device.channelEnable = 0xF0FF; // channel 3's field is 0
        linkSession().device.channelScales[0].decimals = 2;
        linkSession().device.channelScales[3].decimals = 0;
        linkSession().device.liveChannels[3].gross = 1234;
        tick();
        QCOMPARE(page->chartSeries(2)->count(), 0);
        tick();
        QCOMPARE(page->chartSeries(2)->count(), 0);
        QCOMPARE(page->chartSeries(0)->count(), 4);
        // Open channels take channel 1's decimals.
        QCOMPARE(linkSession().device.channelScales[3].decimals, 2);
        QCOMPARE(page->chartSeries(3)->points().last().y(), 12.34);
        linkSession().device.channelMode = 0;
        tick();
        QCOMPARE(page->chartSeries(2)->count(), 1);
    }

    void showSelectsSensorVoltageAndResetsExtremes()
    {
        linkSession().device.liveChannels[0].gross = 100;
        tick();
        QCOMPARE(page->runningMaximum(0, 0), 100.0);
        combo(1)->setCurrentIndex(0);
        page->showPage();
        QCOMPARE(combo(1)->currentIndex(), 3);
        QCOMPARE(page->runningMaximum(0, 0), 0.0);
    }

    void oldPointsLeaveTheSeries()
    {
        for (int i = 0; i < 200; ++i)
            tick(); // 100 s of ticks
        // Ten seconds at two points a second, plus the one entering from the left edge.
        const int count = page->chartSeries(0)->count();
        QVERIFY2(count <= 22, qPrintable(QString::number(count)));
        QVERIFY(count >= 20);
        const QDateTime left = page->chartXAxis(0)->min();
        QCOMPARE(left.toMSecsSinceEpoch(), clock - MainInterface::WindowMs);
    }

    void hoverShowsTheValueUnderTheCursor()
    {
        tick();
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page));
        emit page->chartSeries(1)->hovered(QPointF(0, 0.1 + 0.2), true);
        QTRY_COMPARE(QToolTip::text(), QStringLiteral("0.30000000000000004"));
        emit page->chartSeries(1)->hovered(QPointF(0, 12.5), true);
        QTRY_COMPARE(QToolTip::text(), QStringLiteral("12.5"));
        emit page->chartSeries(1)->hovered(QPointF(0, 12.5), false);
        QTRY_VERIFY(!QToolTip::isVisible());
    }

    void reflowsInTwoColumnsOrOne()
    {
        page->resize(1130, 700);
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page));
        auto *frame1 = page->findChild<QFrame *>("Widget_Chart1");
        auto *frame2 = page->findChild<QFrame *>("Widget_Chart2");
        auto *contents = page->findChild<QScrollArea *>("scrollArea")->widget();
        QCOMPARE(frame1->y(), frame2->y());
        QVERIFY(frame2->geometry().right() <= contents->width());
        page->resize(800, 700);
        QCOMPARE(frame2->x(), frame1->x());
        QVERIFY(frame2->y() > frame1->geometry().bottom());
        // A maximised window gives the page its room; the frames use it.
        page->resize(1900, 700);
        page->setWindowWidth(1920);
        QVERIFY(frame1->width() > 900);
    }

    // The curve file: the header, then per tick one line per plotted point with
    // the tick's local time, the channel, the quantity's English name whatever
    // the interface language, and the value as the device scales it. Pausing the
    // plot does not pause the file; a closed channel of a combined platform gets
    // no line and the others take channel 1's decimals, as on the charts.
    // Stopping closes the file complete and the button reads "Record" again.
    void recordingWritesEveryPlottedPoint()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("curves.csv"));
        QCOMPARE(recordButton()->text(), QStringLiteral("Record"));
        QVERIFY(page->startRecording(path));
        QVERIFY(page->isRecording());
        QCOMPARE(recordButton()->text(), QStringLiteral("Stop 00:00:00"));

        linkSession().device.channelScales[0].decimals = 2;
        linkSession().device.liveChannels[0].gross = 12345;
        combo(1)->setCurrentIndex(1);
        linkSession().device.channelScales[1].decimals = 1;
        linkSession().device.liveChannels[1].net = -50;
        combo(2)->setCurrentIndex(3);
        linkSession().device.liveChannels[2].sensorVoltage = 12345;
        combo(3)->setCurrentIndex(4);
        linkSession().device.liveChannels[3].gainVoltage = -7;
        liveTick();
        const qint64 first = clock;
        // The plotted point has the time of its line.
        QCOMPARE(page->chartSeries(0)->points().last().x(), double(first));

        QTest::mouseClick(page->findChild<QPushButton *>("Btn_Pause_Start"), Qt::LeftButton);
        QVERIFY(!page->isRunning());
        auto *chinese = new QTranslator(page);
        QVERIFY(chinese->load(QStringLiteral(":/Translate/Language_CN.qm")));
        QCoreApplication::installTranslator(chinese);
        page->showPage(); // re-translated; curve 2 turns to "Sensor Voltage"
        QCOMPARE(combo(0)->currentText(), QStringLiteral("毛重"));
        QVERIFY(recordButton()->text().startsWith(QStringLiteral("停止 ")));
        linkSession().device.liveChannels[1].sensorVoltage = 20000;
        liveTick();
        const qint64 second = clock;
        QCOMPARE(page->chartSeries(0)->count(), 1); // paused: not plotted, but recorded
        QCoreApplication::removeTranslator(chinese);
        page->showPage();

        linkSession().device.channelMode = 1;
        linkSession().device.channelEnable = 0xF0FF; // channel 3 closed
        combo(1)->setCurrentIndex(1);
        combo(3)->setCurrentIndex(0);
        linkSession().device.channelScales[3].decimals = 0;
        linkSession().device.liveChannels[3].gross = 1234;
        page->liveTick(clock += 500);
        const qint64 third = clock;

        page->stopRecording();
        QVERIFY(!page->isRecording());
        QCOMPARE(recordButton()->text(), QStringLiteral("Record"));
        page->liveTick(clock += 500); // nothing more

        const QStringList expected = {
            QStringLiteral("time,channel,quantity,value"),
            stamp(first) + QStringLiteral(",1,Gross,123.45"),
            stamp(first) + QStringLiteral(",2,Net,-5.0"),
            stamp(first) + QStringLiteral(",3,Sensor Voltage,1.2345"),
            stamp(first) + QStringLiteral(",4,Gain Voltage,-0.0007"),
            stamp(second) + QStringLiteral(",1,Gross,123.45"),
            stamp(second) + QStringLiteral(",2,Sensor Voltage,2.0000"),
            stamp(second) + QStringLiteral(",3,Sensor Voltage,1.2345"),
            stamp(second) + QStringLiteral(",4,Gain Voltage,-0.0007"),
            stamp(third) + QStringLiteral(",1,Gross,123.45"),
            stamp(third) + QStringLiteral(",2,Net,-0.50"),
            stamp(third) + QStringLiteral(",4,Gross,12.34"),
        };
        QCOMPARE(fileLines(path), expected);
        QVERIFY(QDateTime::fromString(stamp(first), QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")).isValid());

        // While recording the button counts the seconds.
        QVERIFY(page->startRecording(path));
        QTRY_VERIFY(recordButton()->text().startsWith(QStringLiteral("Stop 00:00:0"))
            && recordButton()->text() != QStringLiteral("Stop 00:00:00"));
        // A new recording starts a new file.
        page->stopRecording();
        QCOMPARE(fileLines(path), QStringList {QStringLiteral("time,channel,quantity,value")});
    }

    // A file that cannot be written is refused at the start; a disk that fills
    // up while recording stops the recording with a message, with the lines
    // written so far kept.
    void writeFailureStopsRecording()
    {
        QTemporaryDir dir;
        QVERIFY(!page->startRecording(dir.filePath(QStringLiteral("no/such/folder.csv"))));
        QVERIFY(!page->isRecording());
        if (QFile::exists(QStringLiteral("/dev/full"))) {
            QVERIFY(!page->startRecording(QStringLiteral("/dev/full")));
            QVERIFY(!page->isRecording());
            QCOMPARE(recordButton()->text(), QStringLiteral("Record"));
        }

        const QString path = dir.filePath(QStringLiteral("curves.csv"));
        QVERIFY(page->startRecording(path));
        PopupAnswerer answerer;
        // The file size limit stands in for a full disk.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit before {};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &before), 0);
        rlimit small = before;
        small.rlim_cur = 1000;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        int ticks = 0;
        while (page->isRecording() && ticks < 100) {
            page->liveTick(clock += 500);
            ++ticks;
        }
        setrlimit(RLIMIT_FSIZE, &before);
        QVERIFY(!page->isRecording());
        QVERIFY(ticks > 3);
        QCOMPARE(recordButton()->text(), QStringLiteral("Record"));
        QTRY_COMPARE(answerer.seen,
            QStringList {
                QStringLiteral("TipsDialog:Curve recording stopped: the file could not be written!")});
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().startsWith(
            "time,channel,quantity,value\r\n" + stamp(clock - 500 * (ticks - 1)).toLatin1()));
    }

    // The four chart views in one picture, two by two, each quarter as grabbed.
    void saveCurvesMakesOnePicture()
    {
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page));
        linkSession().device.liveChannels[0].gross = 7;
        tick();
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("curves.png"));
        QVERIFY(page->saveCurves(path));
        const QImage picture(path);
        QVERIFY(!picture.isNull());
        const char *names[] = {"CharView", "CharView2", "CharView3", "CharView4"};
        QSize cell;
        for (const char *name : names)
            cell = cell.expandedTo(page->findChild<QChartView *>(name)->grab().size());
        QCOMPARE(picture.size(), cell * 2);
        for (int i = 0; i < 4; ++i) {
            const QImage view = page->findChild<QChartView *>(names[i])->grab().toImage().convertToFormat(
                QImage::Format_RGB32);
            const QImage quarter
                = picture.copy(QRect(QPoint(i % 2 * cell.width(), i / 2 * cell.height()), view.size()))
                      .convertToFormat(QImage::Format_RGB32);
            QVERIFY2(quarter == view, names[i]);
        }
        QVERIFY(!page->saveCurves(dir.filePath(QStringLiteral("no/such/folder.png"))));
    }

    // Against the simulator: the poll tick feeds the file on every page, the
    // plotted points share its times, the combined-mode rule follows the polled
    // channel mode, and "Disconnect" ends the recording with the file complete.
    void recordingFollowsThePollOnEveryPage()
    {
        cleanup(); // the page of the main window is used here
        SimulatorProcess sim;
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        QVERIFY(sim.command(QStringLiteral("freeze on")).startsWith(QLatin1String("ok")));
        QVERIFY(connectTestClient(sim));
        linkSession().failedPolls = 0;
        linkSession().linkFaulty = false;
        linkSession().linkSuspended = false;
        linkSession().pendingCommand = PendingCommand();
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("poll.csv"));
        QStringList times;
        {
            MainWindow w(linkSession());
            w.showPage(PageMonitoring);
            auto *curves = qobject_cast<MainInterface *>(w.page(PageMonitoring));
            QVERIFY(curves);
            QVERIFY(curves->startRecording(path));
            for (int i = 0; i < 2; ++i)
                w.pollTick();
            const double plotted = curves->chartSeries(0)->points().last().x();
            w.showPage(PageBasic);
            for (int i = 0; i < 2; ++i)
                w.pollTick();
            QCOMPARE(curves->chartSeries(0)->count(), 2); // not plotted while not shown
            QVERIFY(sim.command(QStringLiteral("mode 1")).startsWith(QLatin1String("ok")));
            QVERIFY(sim.command(QStringLiteral("fields 0xFF0F")).startsWith(QLatin1String("ok")));
            w.pollTick();
            QVERIFY(curves->isRecording());
            w.findChild<QPushButton *>(QStringLiteral("ButtonDisconnect"))->click();
            QVERIFY(!curves->isRecording());
            QCOMPARE(curves->findChild<QPushButton *>("Btn_Record")->text(), QStringLiteral("Record"));
            times << stamp(qint64(plotted));
        }
        disconnectTestClient();
        linkSession().linkSuspended = false;

        const QStringList lines = fileLines(path);
        QCOMPARE(lines.size(), 1 + 4 * 4 + 3);
        QCOMPARE(lines.first(), QStringLiteral("time,channel,quantity,value"));
        QCOMPARE(lines.at(5).section(QLatin1Char(','), 0, 0), times.first());
        QStringList rest;
        for (int i = 1; i < lines.size(); ++i)
            rest << lines.at(i).section(QLatin1Char(','), 1);
        const QStringList independent
            = {QStringLiteral("1,Gross,120.50"), QStringLiteral("2,Sensor Voltage,0.6000"),
                QStringLiteral("3,Gross,75.25"), QStringLiteral("4,Gross,310.00")};
        QCOMPARE(rest.mid(0, 4), independent);
        QCOMPARE(rest.mid(4, 4), independent);
        QCOMPARE(rest.mid(8, 4), independent);
        QCOMPARE(rest.mid(12, 4), independent);
        QCOMPARE(rest.at(16), independent.at(0));
        QCOMPARE(rest.at(17), independent.at(2));
        QCOMPARE(rest.at(18), independent.at(3));
    }
};

QTEST_MAIN(TestMainInterface)
#include "tst_maininterface.moc"
