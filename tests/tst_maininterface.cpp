// Monitoring page: y-range rules, running extremes, pause, quantity change,
// combined-mode clearing and the ten-second window, driven from the live state.
#include "app/appstate.h"
#include "pages/maininterface.h"
#include "params/devicecopy.h"

#include <QComboBox>
#include <QPushButton>
#include <QScrollArea>
#include <QToolTip>
#include <QtCharts>
#include <QtTest>

using namespace QtCharts;

class TestMainInterface : public QObject
{
    Q_OBJECT

private:
    MainInterface *page = nullptr;
    qint64 clock = 1700000000000;

    void resetLive()
    {
        channelMode = 0;
        channelEnable = 0xFFFF;
        for (int c = 0; c < 4; ++c) {
            liveChannels[c] = LiveChannel();
            channelScales[c] = ChannelScale {1, 0};
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

private slots:
    void init()
    {
        resetLive();
        currentPage = PageMonitoring;
        page = new MainInterface;
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

        channelScales[0].decimals = 1;
        liveChannels[0].gross = 200; // 20.0
        tick();
        QCOMPARE(yRange(0), qMakePair(0.0, 30.0));
        liveChannels[0].gross = -100; // -10.0
        tick();
        QCOMPARE(yRange(0), qMakePair(-15.0, 30.0));
        QCOMPARE(page->runningMaximum(0, 0), 20.0);
        QCOMPARE(page->runningMinimum(0, 0), -10.0);

        // The overflow marker shows [0, 15] for its tick but still enters the extremes.
        channelScales[1].decimals = 0;
        liveChannels[1].gross = 9999999;
        tick();
        QCOMPARE(yRange(1), qMakePair(0.0, 15.0));
        QCOMPARE(page->runningMaximum(1, 0), 9999999.0);
        liveChannels[1].gross = 10;
        tick();
        QCOMPARE(yRange(1), qMakePair(0.0, 1.5 * 9999999));
        // With decimals the device's marker is still recognised.
        channelScales[2].decimals = 3;
        liveChannels[2].gross = -9999999;
        tick();
        QCOMPARE(yRange(2), qMakePair(0.0, 15.0));
        QCOMPARE(page->runningMinimum(2, 0), -9999.999);

        // Millivolt quantities are scaled by 10000 and titled in mV.
        combo(3)->setCurrentIndex(3);
        liveChannels[3].sensorVoltage = 12345;
        tick();
        QCOMPARE(page->chartSeries(3)->points().last().y(), 1.2345);
        QCOMPARE(page->chartYAxis(3)->titleText(), QStringLiteral("Sensor Volt/mV"));
    }

    void quantityChangeClearsCurveAndRange()
    {
        liveChannels[0].gross = 40;
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
        liveChannels[0].gross = 0;
        tick();
        QCOMPARE(page->runningMaximum(0, 0), 0.0);
        QCOMPARE(yRange(0), qMakePair(0.0, 15.0));
    }

    void pauseStopsPointsAndResumeContinues()
    {
        auto *button = page->findChild<QPushButton *>("Btn_Pause_Start");
        QCOMPARE(button->text(), QStringLiteral("Pause"));
        liveChannels[0].gross = 5;
        tick();
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(button->text(), QStringLiteral("Start"));
        QVERIFY(!page->isRunning());
        const qint64 pausedAt = clock;
        liveChannels[0].gross = 7;
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
        channelMode = 1;
        channelEnable = 0xF0FF; // channel 3's field is 0
        channelScales[0].decimals = 2;
        channelScales[3].decimals = 0;
        liveChannels[3].gross = 1234;
        tick();
        QCOMPARE(page->chartSeries(2)->count(), 0);
        tick();
        QCOMPARE(page->chartSeries(2)->count(), 0);
        QCOMPARE(page->chartSeries(0)->count(), 4);
        // Open channels take channel 1's decimals.
        QCOMPARE(channelScales[3].decimals, 2);
        QCOMPARE(page->chartSeries(3)->points().last().y(), 12.34);
        channelMode = 0;
        tick();
        QCOMPARE(page->chartSeries(2)->count(), 1);
    }

    void showSelectsSensorVoltageAndResetsExtremes()
    {
        liveChannels[0].gross = 100;
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
};

QTEST_MAIN(TestMainInterface)
#include "tst_maininterface.moc"
