// Live polling: the read order of one tick against the simulator, the tick
// source thread, and the weight area drawn from the live state.

#include "link/linksession.h"
#include "link/transactions.h"
#include "params/appstate.h"
#include "params/devicecopy.h"
#include "support/simulatorprocess.h"
#include "ui/link/livedisplay.h"
#include "ui/pages/commitengine.h"
#include "ui/window/mainwindow.h"
#include "ui/window/startup.h"

#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalSpy>
#include <QSpacerItem>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A weight area with the object names of the main window's form.
struct WeightArea
{
    QWidget root;
    QWidget *display = nullptr;
    QSpacerItem *spacer = nullptr;

    WeightArea()
    {
        display = new QWidget(&root);
        display->setObjectName("WeightDisplay");
        auto *layout = new QHBoxLayout(display);
        auto add = [&](const QString &name) {
            auto *label = new QLabel(display);
            label->setObjectName(name);
            layout->addWidget(label);
        };
        for (const char *title : {"label_SensorPressure", "label_combinedWeight", "label_combinedWeight_1",
                 "label_Stable_5", "label_Zero_5", "label_Net_5"})
            add(title);
        for (int c = 1; c <= 4; ++c) {
            const QString n = QString::number(c);
            const QString image = c == 1 ? QString() : "_" + n;
            for (const QString &name :
                {"labelweight_" + n, "label_Mv_" + n, "label_ErrorMessage_" + n, "label_SensorPressure_" + n,
                    "label_Stable" + image, "label_Zero" + image, "label_Net" + image})
                add(name);
        }
        spacer = new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Expanding);
        layout->addItem(spacer);
    }
    QLabel *label(const QString &name) const { return root.findChild<QLabel *>(name); }
    QString text(const QString &name) const { return label(name)->text(); }
};

void resetLiveState()
{
    DeviceCopy &device = linkSession().device;
    for (LiveChannel &l : device.liveChannels)
        l = LiveChannel {};
    for (ChannelScale &s : device.channelScales)
        s = ChannelScale {};
    device.channelMode = 0;
    device.channelEnable = 0;
    device.combinedWeight = 0;
    device.combinedStatus = 0;
    programContext.language = 0;
}

} // namespace

class TestLivePoll : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    // Display (no link needed).
    void independentWeightAndMillivolts();
    void loadcellOverAndBack();
    void channelClose();
    void channelErrorSummary();
    void tankTiltAndCombinedStatus();
    void errorMessageLowestBit();
    void layoutFollowsChannelMode();
    void mainWindowFormHasTheWeightArea();

    // Against the simulator.
    void pollReadsGroupsInOrder();
    void pollStopsAtFirstFailure();
    void pollDoesNothingWhileSuspended();
    void queuedCommandSurvivesFailedTicksAndRunsOnce();
};

void TestLivePoll::init()
{
    resetLiveState();
    linkSession().pendingCommand = PendingCommand {};
    linkSession().linkSuspended = false;
}

void TestLivePoll::cleanup()
{
    disconnectTestClient();
    linkSession().linkSuspended = false;
}

void TestLivePoll::independentWeightAndMillivolts()
{
    WeightArea area;
    LiveDisplay display(&area.root);
    linkSession().device.channelScales[0] = {1, 2};
    linkSession().device.channelScales[1] = {4, 0};
    linkSession().device.liveChannels[0].displayWeight = 12345;
    linkSession().device.liveChannels[0].sensorVoltage = 12345;
    linkSession().device.liveChannels[1].displayWeight = -7;
    linkSession().device.liveChannels[1].sensorVoltage = -5;
    display.refreshLiveDisplay(true);
    QCOMPARE(area.text("labelweight_1"), QString("123.45 kg"));
    QCOMPARE(area.text("label_Mv_1"), QString("1.2345 mV"));
    QCOMPARE(area.text("labelweight_2"), QString("-7 ")); // empty unit keeps its blank
    QCOMPARE(area.text("label_Mv_2"), QString("-0.0005 mV"));
    QCOMPARE(area.text("label_ErrorMessage_1"), QString("None"));
    // Values are redrawn on every refresh, statuses only when they change.
    linkSession().device.liveChannels[0].displayWeight = 1;
    display.refreshLiveDisplay(false);
    QCOMPARE(area.text("labelweight_1"), QString("0.01 kg"));
    programContext.language = 1;
    display.refreshLiveDisplay(false);
    QCOMPARE(area.text("label_ErrorMessage_1"), QString::fromUtf8("无"));
}

void TestLivePoll::loadcellOverAndBack()
{
    WeightArea area;
    LiveDisplay display(&area.root);
    linkSession().device.channelMode = 1;
    linkSession().device.channelEnable = 0xFFFF;
    linkSession().device.channelScales[0] = {1, 1};
    linkSession().device.liveChannels[2].displayWeight = 55;
    linkSession().device.liveChannels[2].pressure = 321;
    linkSession().device.liveChannels[2].status = 0x0041;
    display.refreshLiveDisplay(true);
    QCOMPARE(area.label("label_Stable_3")->styleSheet(), QString("border-image: url(:/images/Stable.png);"));
    QCOMPARE(area.text("labelweight_3"), QString("Loadcell Over"));
    QCOMPARE(area.text("label_SensorPressure_3"), QString("Loadcell Over"));
    // Further refreshes with the same status keep the message.
    display.refreshLiveDisplay(false);
    QCOMPARE(area.text("labelweight_3"), QString("Loadcell Over"));
    linkSession().device.liveChannels[2].status = 0x0001;
    display.refreshLiveDisplay(false);
    QCOMPARE(area.text("labelweight_3"), QString("5.5 kg"));
    QCOMPARE(area.text("label_SensorPressure_3"), QString("32.1 kg"));
    // Bit 4 only: the weight shows the message, the pressure stays a number.
    linkSession().device.liveChannels[2].status = 0x0010;
    display.refreshLiveDisplay(false);
    QCOMPARE(area.text("labelweight_3"), QString("Over Full Scale"));
    QCOMPARE(area.text("label_SensorPressure_3"), QString("32.1 kg"));
    QCOMPARE(area.label("label_Stable_3")->styleSheet(), QString("border-image: None;"));
    // Several of bits 4..7: the highest wins.
    linkSession().device.liveChannels[2].status = 0x00B0;
    display.refreshLiveDisplay(false);
    QCOMPARE(area.text("labelweight_3"), QString("Loadcell Under"));
}

void TestLivePoll::channelClose()
{
    WeightArea area;
    LiveDisplay display(&area.root);
    linkSession().device.channelMode = 1;
    linkSession().device.channelEnable = 0xFFF0;
    linkSession().device.channelScales[0] = {1, 0};
    for (int c = 0; c < 4; ++c) {
        linkSession().device.liveChannels[c].displayWeight = 10 + c;
        linkSession().device.liveChannels[c].sensorVoltage = 20000;
        linkSession().device.liveChannels[c].pressure = 3;
    }
    display.refreshLiveDisplay(false);
    QCOMPARE(area.text("labelweight_1"), QString("Channel Close"));
    QCOMPARE(area.text("label_SensorPressure_1"), QString("Channel Close"));
    QCOMPARE(area.text("label_Mv_1"), QString("Channel Close"));
    QCOMPARE(area.text("labelweight_2"), QString("11 kg"));
    QCOMPARE(area.text("label_SensorPressure_2"), QString("3 kg"));
    QCOMPARE(area.text("label_Mv_4"), QString("2.0000 mV"));
    // Enabling the channel brings its values back.
    linkSession().device.channelEnable = 0xFFFF;
    display.refreshLiveDisplay(false);
    QCOMPARE(area.text("labelweight_1"), QString("10 kg"));
    QCOMPARE(area.text("label_Mv_1"), QString("2.0000 mV"));
}

void TestLivePoll::channelErrorSummary()
{
    WeightArea area;
    LiveDisplay display(&area.root);
    linkSession().device.channelMode = 1;
    linkSession().device.channelEnable = 0xF0F0; // channels 2 and 4 in use
    for (int c = 0; c < 4; ++c)
        linkSession().device.liveChannels[c].status = 0x0008;
    display.refreshLiveDisplay(false);
    QCOMPARE(area.text("label_combinedWeight_1"), QString("2#4#Channel Error"));
    linkSession().device.channelEnable = 0xFFF0;
    display.refreshLiveDisplay(false);
    QCOMPARE(area.text("label_combinedWeight_1"), QString("Multi-Channel Error"));
    linkSession().device.channelEnable = 0xFFFF;
    linkSession().device.liveChannels[0].status = 0;
    linkSession().device.liveChannels[1].status = 0;
    display.refreshLiveDisplay(false);
    QCOMPARE(area.text("label_combinedWeight_1"), QString("3#4#Channel Error"));
}

void TestLivePoll::tankTiltAndCombinedStatus()
{
    WeightArea area;
    LiveDisplay display(&area.root);
    linkSession().device.channelMode = 1;
    linkSession().device.channelEnable = 0xFFFF;
    linkSession().device.channelScales[0] = {0, 3};
    linkSession().device.combinedWeight = 12345;
    linkSession().device.combinedStatus = 0x2203; // tilt, net, zero, stable
    display.refreshLiveDisplay(false);
    QCOMPARE(area.text("label_combinedWeight_1"), QString("Tank Tilt"));
    QCOMPARE(area.text("label_Net_5"), QString("N"));
    QCOMPARE(area.label("label_Zero_5")->styleSheet(), QString("border-image: url(:/images/Zero1.png);"));
    QCOMPARE(area.label("label_Stable_5")->styleSheet(), QString("border-image: url(:/images/Stable.png);"));
    linkSession().device.combinedStatus = 0x0060; // bits 5 and 6
    display.refreshLiveDisplay(false);
    QCOMPARE(area.text("label_combinedWeight_1"), QString("Loadcell Over"));
    QCOMPARE(area.text("label_Net_5"), QString());
    QCOMPARE(area.label("label_Stable_5")->styleSheet(), QString("border-image: None;"));
    linkSession().device.combinedStatus = 0;
    display.refreshLiveDisplay(false);
    QCOMPARE(area.text("label_combinedWeight_1"), QString("12.345 t"));
    QCOMPARE(display.combinedText(), QString("12.345 t"));
}

void TestLivePoll::errorMessageLowestBit()
{
    WeightArea area;
    LiveDisplay display(&area.root);
    linkSession().device.liveChannels[0].errorWord = (1u << 2) | (1u << 5);
    linkSession().device.liveChannels[1].errorWord = 1u << 24;
    linkSession().device.liveChannels[2].errorWord = 1u << 11; // an empty entry shows nothing
    linkSession().device.liveChannels[3].errorWord = 0x80000000u;
    display.refreshLiveDisplay(false);
    QCOMPARE(area.text("label_ErrorMessage_1"), QString("Zero Cal -OFL"));
    QCOMPARE(area.text("label_ErrorMessage_2"), QString("Non Stable "));
    QCOMPARE(area.text("label_ErrorMessage_3"), QString());
    QCOMPARE(area.text("label_ErrorMessage_4"), QString("CAL Fail"));
    programContext.language = 1;
    display.refreshLiveDisplay(false);
    QCOMPARE(area.text("label_ErrorMessage_1"), QString::fromUtf8("零点标定时传感器正溢出"));
}

void TestLivePoll::layoutFollowsChannelMode()
{
    WeightArea area;
    area.root.show();
    LiveDisplay display(&area.root);
    display.refreshLiveDisplay(true);
    QVERIFY(!area.label("label_combinedWeight_1")->isVisible());
    QVERIFY(!area.label("label_SensorPressure_2")->isVisible());
    QCOMPARE(area.display->styleSheet(), QString("font-size: 25px;"));
    QCOMPARE(area.spacer->sizeHint(), QSize(0, 0));
    QVERIFY(!area.label("labelweight_1")->wordWrap());
    linkSession().device.channelMode = 1;
    display.refreshLiveDisplay(false);
    QVERIFY(area.label("label_combinedWeight_1")->isVisible());
    QVERIFY(area.label("label_SensorPressure")->isVisible());
    QVERIFY(area.label("label_Net_5")->isVisible());
    QCOMPARE(area.display->styleSheet(), QString("font-size: 20px;"));
    QCOMPARE(area.spacer->sizeHint(), QSize(40, 20));
    QVERIFY(area.label("label_ErrorMessage_3")->wordWrap());
}

void TestLivePoll::mainWindowFormHasTheWeightArea()
{
    QTemporaryDir dataDir;
    setDataDirectory(dataDir.path());
    initQ4Resources();
    MainWindow window(linkSession());
    LiveDisplay display(&window);
    linkSession().device.channelMode = 1;
    linkSession().device.channelEnable = 0xFFFF;
    linkSession().device.channelScales[0] = {1, 2};
    linkSession().device.combinedWeight = 250;
    linkSession().device.combinedStatus = 0x0201;
    for (int c = 0; c < 4; ++c) {
        linkSession().device.liveChannels[c].displayWeight = 100 * (c + 1);
        linkSession().device.liveChannels[c].sensorVoltage = 10000 * (c + 1);
        linkSession().device.liveChannels[c].pressure = c;
        linkSession().device.liveChannels[c].status = 0x0003;
    }
    linkSession().device.liveChannels[3].errorWord = 1u << 31;
    display.refreshLiveDisplay(true);
    auto text = [&window](const char *name) {
        QLabel *label = window.findChild<QLabel *>(name);
        return label ? label->text() : QStringLiteral("<missing %1>").arg(name);
    };
    for (int c = 1; c <= 4; ++c) {
        const QString n = QString::number(c);
        QCOMPARE(text(qPrintable("labelweight_" + n)), QString("%1.00 kg").arg(c));
        QCOMPARE(text(qPrintable("label_Mv_" + n)), QString("%1.0000 mV").arg(c));
        QCOMPARE(text(qPrintable("label_SensorPressure_" + n)), QString("0.0%1 kg").arg(c - 1));
        const QString image = c == 1 ? QString() : "_" + n;
        QCOMPARE(window.findChild<QLabel *>("label_Stable" + image)->styleSheet(),
            QString("border-image: url(:/images/Stable.png);"));
        QCOMPARE(window.findChild<QLabel *>("label_Zero" + image)->styleSheet(),
            QString("border-image: url(:/images/Zero1.png);"));
    }
    QCOMPARE(text("label_ErrorMessage_4"), QString("CAL Fail"));
    QCOMPARE(text("label_combinedWeight_1"), QString("2.50 kg"));
    QCOMPARE(text("label_Net_5"), QString("N"));
    QCOMPARE(window.findChild<QWidget *>("WeightDisplay")->styleSheet(), QString("font-size: 20px;"));
}

void TestLivePoll::pollReadsGroupsInOrder()
{
    SimulatorProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorText()));
    QVERIFY(connectTestClient(sim));
    QCOMPARE(sim.command("set32 600 1").left(2), QString("ok"));
    QCOMPARE(sim.command("set32 902 3").left(2), QString("ok"));
    sim.clearRequests();
    QCOMPARE(readLiveGroups(), 0);
    const QStringList expected = {"read-hr 68 24", "read-hr 2000 80", "read-hr 0 67", "read-hr 600 50",
        "read-hr 700 50", "read-hr 800 50", "read-hr 900 50", "read-hr 140 2", "read-hr 155 2",
        "read-hr 170 2", "read-hr 185 2", "read-coils 500 7", "read-hr 9309 2"};
    QCOMPARE(sim.requests(), expected);
    // The reads were decoded.
    QCOMPARE(linkSession().device.channelScales[0].unit, 1);
    QCOMPARE(linkSession().device.channelScales[3].decimals, 3);
}

void TestLivePoll::pollStopsAtFirstFailure()
{
    SimulatorProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorText()));
    QVERIFY(connectTestClient(sim));
    QVERIFY(sim.command("exception 800 4").startsWith("ok"));
    sim.clearRequests();
    QCOMPARE(readLiveGroups(), int(ResponseError));
    const QStringList log = sim.requests();
    QCOMPARE(log.size(), 6);
    QCOMPARE(log.last(), QString("read-hr 800 50 exception 4"));
}

void TestLivePoll::pollDoesNothingWhileSuspended()
{
    SimulatorProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorText()));
    QVERIFY(connectTestClient(sim));
    sim.clearRequests();
    linkSession().linkSuspended = true;
    QCOMPARE(readLiveGroups(), 0);
    linkSession().linkSuspended = false;
    waitProcessingEvents(50);
    QVERIFY(sim.requests().isEmpty());
}

void TestLivePoll::queuedCommandSurvivesFailedTicksAndRunsOnce()
{
    SimulatorProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorText()));
    QVERIFY(connectTestClient(sim));
    // The poll tick's rule: the command runs only after a good live read.
    auto tick = []() {
        if (readLiveGroups() != 0)
            return;
        if (linkSession().pendingCommand.pending)
            runPendingCommand();
    };
    queueCommandWrite(22, 7);
    queueCommandWrite(24, 1); // replaces the first: zero capture of channel 3
    QVERIFY(sim.command("exception 68 4").startsWith("ok"));
    sim.clearRequests();
    tick();
    tick();
    QVERIFY(linkSession().pendingCommand.pending);
    QVERIFY(sim.command("exception clear").startsWith("ok"));
    tick();
    tick();
    QVERIFY(!linkSession().pendingCommand.pending);
    const QStringList writes = sim.requests().filter(QRegularExpression("^write"));
    QCOMPARE(writes, QStringList {"write 808 2 0 1"});
}

QTEST_MAIN(TestLivePoll)
#include "tst_livepoll.moc"
