// The commit engine against the simulator: binding lookup and addresses, the
// read before the write, retries, put-back rules, word order, queued commands.

#include "link/linksession.h"
#include "link/transactions.h"
#include "params/devicecopy.h"
#include "params/encoding.h"
#include "params/registermap.h"
#include "support/simulatorprocess.h"
#include "ui/pages/commitengine.h"
#include "ui/pagestate.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QModbusClient>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

class TestCommit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void lineEditWritesBoundRegisterOfChannel();
    void equalValuePutsBacktheBackup();
    void refusedWritePutsBack();
    void timeoutRetrySucceedsButPutsBack();
    void threeTimeoutsGiveUp();
    void clientTimeOutIsRetried();
    void notBoundWritesNothing();
    void pagesWithoutSelectorUseChannel1();
    void ethernetSlotAndChannelField();
    void wordOrderOfWrites();
    void readSingleValueJoinsByWordOrder();
    void queuedCommandRunsLatestOnce();
    void writesCarrySourceAndOldValue();

private:
    PageState pages; // where the commits think the window is
    QStringList writes() { return sim.requests().filter(QRegularExpression("^write")); }
    SimulatorProcess sim;
    QString editBackup; // the edited widget's text before the edit, as a page keeps it
};

void TestCommit::initTestCase() { QVERIFY2(sim.start(), qPrintable(sim.errorText())); }

void TestCommit::init()
{
    QVERIFY(connectTestClient(sim));
    QVERIFY(sim.command("exception clear").startsWith("ok"));
    QVERIFY(sim.command("latency 0").startsWith("ok"));
    QVERIFY(sim.command("silent off").startsWith("ok"));
    sim.clearRequests();
    pages.currentPage = PageBasic;
    pages.applicationSubTable = 16;
    pages.selectedChannel = 0;
    pages.ethernetSlot = 0;
    editBackup.clear();
    linkSession().pendingCommand = PendingCommand {};
}

void TestCommit::cleanupTestCase()
{
    disconnectTestClient();
    sim.stop();
}

void TestCommit::lineEditWritesBoundRegisterOfChannel()
{
    QLineEdit edit;
    edit.setObjectName("EditPresetTare");
    linkSession().device.channelScales[1].decimals = 2;
    edit.setText("1.5");
    editBackup = "0.00";
    pages.selectedChannel = 1;
    QVERIFY(sim.command("set32 312 99").startsWith("ok"));
    sim.clearRequests();
    QCOMPARE(
        commitWidgetValue(pages, &edit, weightToRegisterText(&edit, pages.selectedChannel), editBackup), 0);
    QCOMPARE(sim.requests(), (QStringList {"read-hr 312 2", "write 312 2 0 150"}));
    QCOMPARE(sim.command("get32 312"), QString("ok 150"));
    QCOMPARE(edit.text(), QString("1.5")); // written: left as typed
    // A plain field takes the integer part.
    QLineEdit plain;
    plain.setObjectName("EditSTABTimer");
    plain.setText("12.7");
    QCOMPARE(commitWidgetValue(pages, &plain, plain.text(), editBackup), 0);
    QCOMPARE(sim.command("get32 316"), QString("ok 12"));
    QLineEdit range;
    range.setObjectName("EditSTABRange");
    range.setText("-0.5");
    QCOMPARE(commitWidgetValue(pages, &range, range.text(), editBackup), 0);
    QCOMPARE(sim.command("get32 314"), QString("ok 0"));
}

void TestCommit::equalValuePutsBacktheBackup()
{
    QVERIFY(sim.command("set32 214 7").startsWith("ok"));
    QLineEdit edit;
    edit.setObjectName("EditSTABRange");
    edit.setText("7");
    editBackup = "5";
    QCOMPARE(commitWidgetValue(pages, &edit, edit.text(), editBackup), 0);
    QCOMPARE(edit.text(), QString("5"));
    QCOMPARE(writes().size(), 1);
}

void TestCommit::refusedWritePutsBack()
{
    QVERIFY(sim.command("set32 210 1").startsWith("ok"));
    QVERIFY(sim.command("exception 210 3").startsWith("ok"));
    QComboBox combo;
    combo.setObjectName("NetSignCorBox");
    combo.addItems({"Disable", "CorrectTare", "BackToGross"});
    combo.setCurrentIndex(2);
    editBackup = "1";
    QCOMPARE(commitWidgetValue(pages, &combo, "2", editBackup), int(ResponseError));
    QCOMPARE(combo.currentIndex(), 1);
    // An exception is final: one attempt only.
    QCOMPARE(writes(), QStringList {"write 210 2 0 2 exception 3"});
    QVERIFY(sim.command("exception clear").startsWith("ok"));
    QCOMPARE(sim.command("get32 210"), QString("ok 1"));
    // The same with a line edit.
    QVERIFY(sim.command("exception 1002 3").startsWith("ok"));
    pages.currentPage = PageApplication;
    pages.applicationSubTable = 16;
    QLineEdit edit;
    edit.setObjectName("lineEditInput1");
    edit.setText("150");
    editBackup = "20";
    QCOMPARE(commitWidgetValue(pages, &edit, edit.text(), editBackup), int(ResponseError));
    QCOMPARE(edit.text(), QString("20"));
}

void TestCommit::timeoutRetrySucceedsButPutsBack()
{
    // The client waits longer than the write's own limit (about a second), and
    // the device answers after 2.5 s, so the first attempt times out. As soon
    // as that write has reached the device it is told to answer at once, so
    // the retry succeeds.
    linkSession().modbusClient->setTimeout(8000);
    auto answerRetryAtOnce = [this](const QString &write) {
        QVERIFY(sim.command("latency 2500").startsWith("ok"));
        auto *watch = new QTimer(this);
        connect(watch, &QTimer::timeout, this, [this, watch, write]() {
            if (sim.requests().contains(write)) {
                sim.command("latency 0");
                watch->deleteLater();
                watch->stop();
            }
        });
        watch->start(10);
    };
    answerRetryAtOnce("write 204 2 0 42");
    QLineEdit edit;
    edit.setObjectName("EditZeroRange");
    edit.setText("42");
    editBackup = "10";
    QCOMPARE(commitWidgetValue(pages, &edit, edit.text(), editBackup), 0);
    QCOMPARE(edit.text(), QString("10"));
    QCOMPARE(writes(), (QStringList {"write 204 2 0 42", "write 204 2 0 42"}));
    QCOMPARE(sim.command("get32 204"), QString("ok 42"));
    // The combo box follows the same rule.
    answerRetryAtOnce("write 202 2 0 1");
    QComboBox combo;
    combo.setObjectName("RemotoZeroBox");
    combo.addItems({"OFF", "ON"});
    combo.setCurrentIndex(1);
    editBackup = "0";
    QCOMPARE(commitWidgetValue(pages, &combo, "1", editBackup), 0);
    QCOMPARE(combo.currentIndex(), 0);
    QCOMPARE(writes().count("write 202 2 0 1"), 2);
}

void TestCommit::threeTimeoutsGiveUp()
{
    linkSession().modbusClient->setTimeout(1500);
    QVERIFY(sim.command("silent on").startsWith("ok"));
    QLineEdit edit;
    edit.setObjectName("EditTrZeroTimer");
    edit.setText("300");
    editBackup = "200";
    QCOMPARE(commitWidgetValue(pages, &edit, edit.text(), editBackup), int(TimedOut));
    QCOMPARE(edit.text(), QString("200"));
    QCOMPARE(writes().size(), 3);
    QVERIFY(sim.command("silent off").startsWith("ok"));
}

// The client's own response time-out (here shorter than the write's limit)
// ends each attempt: it is a time-out too, so the commit tries three times.
void TestCommit::clientTimeOutIsRetried()
{
    linkSession().modbusClient->setTimeout(300);
    QVERIFY(sim.command("silent on").startsWith("ok"));
    QLineEdit edit;
    edit.setObjectName("EditTrZeroTimer");
    edit.setText("300");
    editBackup = "200";
    QCOMPARE(commitWidgetValue(pages, &edit, edit.text(), editBackup), int(TimedOut));
    QCOMPARE(edit.text(), QString("200"));
    QCOMPARE(writes(),
        QStringList(
            {"write 220 2 0 300 no-answer", "write 220 2 0 300 no-answer", "write 220 2 0 300 no-answer"}));
    QVERIFY(sim.command("silent off").startsWith("ok"));
}

void TestCommit::notBoundWritesNothing()
{
    QComboBox combo;
    combo.setObjectName("BoxUnitSelect"); // a calibration widget while the basic page is shown
    QCOMPARE(commitWidgetValue(pages, &combo, "1", editBackup), CommitNotWritten);
    QCOMPARE(commitWidgetValue(pages, combo.view(), "1", editBackup), CommitNotWritten); // the popup list
    QCOMPARE(commitWidgetValue(pages, nullptr, "1", editBackup), CommitNotWritten);
    pages.currentPage = PageTestMaintain;
    QComboBox reset;
    reset.setObjectName("BoxBasicChannel");
    QCOMPARE(commitWidgetValue(pages, &reset, "2", editBackup), CommitNotWritten);
    pages.currentPage = PageMonitoring;
    QLineEdit edit;
    edit.setObjectName("EditPresetTare");
    QCOMPARE(commitWidgetValue(pages, &edit, "1", editBackup), CommitNotWritten);
    waitProcessingEvents(20);
    QVERIFY(sim.requests().isEmpty());
}

void TestCommit::pagesWithoutSelectorUseChannel1()
{
    pages.currentPage = PageApplication;
    pages.applicationSubTable = 18;
    pages.selectedChannel = 3;
    QLineEdit edit;
    edit.setObjectName("lineEditCOMPValue2_2");
    edit.setText("-12.5");
    linkSession().device.channelScales[0].decimals = 1;
    QCOMPARE(commitWidgetValue(pages, &edit,
                 weightTextToRegisterText(edit.text(), linkSession().device.channelScales[0]), editBackup),
        0);
    QCOMPARE(pages.selectedChannel, 0);
    QCOMPARE(sim.command("get32 1082"), QString("ok -125"));
    // The basic page adds the channel offset, also for the tilt threshold.
    pages.currentPage = PageBasic;
    pages.selectedChannel = 2;
    QLineEdit tilt;
    tilt.setObjectName("EditTiltThreshold");
    QCOMPARE(commitWidgetValue(pages, &tilt, "77", editBackup), 0);
    QCOMPARE(writes().last(), QString("write 2278 2 0 77"));
}

void TestCommit::ethernetSlotAndChannelField()
{
    pages.currentPage = PageDataTrans;
    pages.ethernetSlot = 5;
    QLineEdit port;
    port.setObjectName("lineEditPortNum");
    port.setText("502");
    QCOMPARE(commitWidgetValue(pages, &port, port.text(), editBackup), 0);
    QCOMPARE(sim.requests(), (QStringList {"read-hr 8132 1", "write 8132 1 502"}));
    QLineEdit id;
    id.setObjectName("lineEditCOMID1");
    QCOMPARE(commitWidgetValue(pages, &id, "12", editBackup), 0);
    QCOMPARE(writes().last(), QString("write 8000 1 12"));
    pages.currentPage = PageTestMaintain;
    QComboBox channel3;
    channel3.setObjectName("comboBox_channel_3");
    QCOMPARE(commitWidgetValue(pages, &channel3, QString::number(0x0F0F), editBackup), 0);
    QCOMPARE(writes().last(), QString("write 9310 1 3855"));
}

void TestCommit::wordOrderOfWrites()
{
    // A device set to "CD-AB" takes 70000 as low word first.
    SimulatorProcess cdab({"--word-order", "cd-ab"});
    QVERIFY2(cdab.start(), qPrintable(cdab.errorText()));
    QVERIFY(connectTestClient(cdab, WordOrder::CdAb));
    auto writes = [&cdab]() { return cdab.requests().filter(QRegularExpression("^write")); };
    QLineEdit edit;
    edit.setObjectName("EditPresetTare");
    QCOMPARE(commitWidgetValue(pages, &edit, "70000", editBackup), 0);
    QCOMPARE(writes(), QStringList {"write 212 2 4464 1"});
    QCOMPARE(cdab.command("get32 212"), QString("ok 70000"));
    linkSession().wordOrder = WordOrder::AbCd;
    QCOMPARE(writeSingleValue(2100, 2, 70000), Ok); // a stored word without range
    QCOMPARE(writes().last(), QString("write 2100 2 1 4464"));
    QCOMPARE(writeSingleValue(8005, 1, 70000), Ok);
    QCOMPARE(writes().last(), QString("write 8005 1 4464"));
}

void TestCommit::readSingleValueJoinsByWordOrder()
{
    QVERIFY(sim.command("set 300 4464").startsWith("ok"));
    QVERIFY(sim.command("set 301 1").startsWith("ok"));
    QVERIFY(sim.command("set 8002 65535").startsWith("ok"));
    linkSession().wordOrder = WordOrder::CdAb;
    QCOMPARE(readSingleValue(300, 2), 70000);
    linkSession().wordOrder = WordOrder::AbCd;
    QCOMPARE(readSingleValue(300, 2), 4464 * 65536 + 1);
    QCOMPARE(readSingleValue(8002, 1), 65535);
    QVERIFY(sim.command("exception 300 2").startsWith("ok"));
    QCOMPARE(readSingleValue(300, 2), FailureMarker);
}

void TestCommit::queuedCommandRunsLatestOnce()
{
    queueCommandWrite(61, 3);
    queueCommandWrite(23, 1);
    QCOMPARE(linkSession().pendingCommand.group, 23);
    runPendingCommand();
    QVERIFY(!linkSession().pendingCommand.pending);
    runPendingCommand();
    QCOMPARE(writes(), QStringList {"write 708 2 0 1"});
    // A one-register command group gets one register.
    queueCommandWrite(64, 1);
    runPendingCommand();
    QCOMPARE(writes().last(), QString("write 8900 1 1"));
}

// The session's record of each transaction: a commit's write is a page edit
// with the value read before it, a command's write a command, a write outside
// any scope (and every read) has no source; scopes do not outlive their writes.
void TestCommit::writesCarrySourceAndOldValue()
{
    QVector<TransactionRecord> records;
    const QMetaObject::Connection connection = connect(&linkSession(), &LinkSession::transactionFinished,
        this, [&records](const TransactionRecord &record) { records << record; });
    QVERIFY(sim.command("set32 214 7").startsWith("ok"));
    QLineEdit edit;
    edit.setObjectName("EditSTABRange");
    edit.setText("9");
    editBackup = "7";
    QCOMPARE(commitWidgetValue(pages, &edit, edit.text(), editBackup), 0);
    queueCommandWrite(22, 1);
    runPendingCommand();
    QCOMPARE(writeSingleValue(214, 2, 7), Ok);
    disconnect(connection);

    struct Expected
    {
        TrafficFunction function;
        int address;
        WriteSource source;
        std::optional<qint64> oldValue;
    };
    const QVector<Expected> expected {
        {TrafficFunction::ReadHolding, 214, WriteSource::None, std::nullopt},
        {TrafficFunction::WriteHolding, 214, WriteSource::PageEdit, 7},
        {TrafficFunction::WriteHolding, parameterGroup(22).start, WriteSource::Command, std::nullopt},
        {TrafficFunction::WriteHolding, 214, WriteSource::None, std::nullopt},
    };
    QCOMPARE(records.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        const TransactionRecord &record = records.at(i);
        QVERIFY2(record.function == expected.at(i).function, qPrintable(QString::number(i)));
        QCOMPARE(record.address, expected.at(i).address);
        QVERIFY2(record.source == expected.at(i).source, qPrintable(QString::number(i)));
        QVERIFY2(record.oldValue == expected.at(i).oldValue, qPrintable(QString::number(i)));
        QCOMPARE(record.result, int(Ok));
    }
    QCOMPARE(records.at(1).values, (QVector<quint16> {0, 9}));
    QVERIFY(!linkSession().held());
}

QTEST_MAIN(TestCommit)
#include "tst_commit.moc"
