// The device simulator as a Modbus peer: the register map, exceptions, fault
// switches, live values and device commands, checked through the program's own
// transactions and through independent clients (pymodbus, RTU over a pty pair).

#include "link/linksession.h"
#include "link/modbusrtuclient.h"
#include "link/transactions.h"
#include "params/registermap.h"
#include "support/ptypair.h"
#include "support/simulatorprocess.h"

#include <QElapsedTimer>
#include <QFile>
#include <QModbusClient>
#include <QProcess>
#include <QScopeGuard>
#include <QSerialPort>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <cmath>

namespace {

LinkParameters block(int start, int count)
{
    LinkParameters b = linkSession().appliedLink;
    b.startAddress = start;
    b.count = quint16(count);
    return b;
}

TransactionResult readRegs(int start, int count, QVector<quint16> &out)
{
    out.fill(0, count);
    return readHoldingRegisters(linkSession().modbusClient, block(start, count), out.data());
}

TransactionResult writeRegs(int start, const QVector<quint16> &values)
{
    return writeHoldingRegisters(linkSession().modbusClient, block(start, values.size()), values.data());
}

// 32-bit write in the client's word order
TransactionResult write32(int start, qint32 value)
{
    const quint16 high = quint16(quint32(value) >> 16), low = quint16(quint32(value) & 0xFFFF);
    return writeRegs(start,
        linkSession().wordOrder == WordOrder::AbCd ? QVector<quint16> {high, low}
                                                   : QVector<quint16> {low, high});
}

qint32 read32(int start)
{
    QVector<quint16> v;
    if (readRegs(start, 2, v) != Ok)
        return INT32_MIN;
    return joinWords(v[0], v[1], linkSession().wordOrder);
}

QString lastRequest(SimulatorProcess &sim)
{
    const QStringList lines = sim.requests();
    return lines.isEmpty() ? QString() : lines.last();
}

// The serial number registers (10005..10029, one digit code each) as text.
QString serialText(QModbusClient *client)
{
    LinkParameters b = block(10005, 25);
    QVector<quint16> v(25);
    if (readHoldingRegisters(client, b, v.data()) != Ok)
        return QString();
    QString text;
    for (quint16 c : v)
        text += QChar(c);
    return text;
}

// An RTU frame as it goes on the line: address, PDU, CRC-16 low byte first.
QByteArray rtuFrame(const QByteArray &body)
{
    quint16 crc = 0xFFFF;
    for (char byte : body) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return body + char(crc & 0xFF) + char(crc >> 8);
}

// Sends raw bytes on a serial port and collects what comes back within waitMs
// (or until expected bytes are in).
QByteArray exchange(QSerialPort &port, const QByteArray &frame, int expected, int waitMs)
{
    port.write(frame);
    port.waitForBytesWritten(1000);
    QByteArray in;
    QElapsedTimer clock;
    clock.start();
    while (in.size() < expected && clock.elapsed() < waitMs) {
        if (port.waitForReadyRead(20))
            in += port.readAll();
    }
    return in;
}

} // namespace

class TestSimulator : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void everyGroupAnswersItsBlockRead();
    void addressesOutsideTheMapAreRefused();
    void writesAreRangeChecked();
    void remoteSwitchOffRefusesItsArea();
    void silentLatencyAndInjectedExceptions();
    void dropClosesTheConnection();
    void liveValuesFollowLoadAndCalibration();
    void statusBitsAndForcedConditions();
    void zeroCaptureAndCalibrationPoints();
    void combinedModeAndChannelFields();
    void angleCorrectionSampling();
    void resetsRestoreTheirArea();
    void identityAndWordOrder();
    void independentPeerReadsABlock();
    void rtuOverPtyPair();
    void severalServerAddressesOverTcp();
    void severalServerAddressesOverRtu();
    void serialOption_data();
    void serialOption();

private:
    SimulatorProcess *sim = nullptr;
};

void TestSimulator::initTestCase()
{
    sim = new SimulatorProcess();
    QVERIFY2(sim->start(), qPrintable(sim->errorText()));
    QVERIFY(sim->port() != 0);
    QVERIFY(connectTestClient(*sim));
}

void TestSimulator::cleanupTestCase()
{
    disconnectTestClient();
    delete sim;
    sim = nullptr;
}

void TestSimulator::init()
{
    // every test starts from a factory-fresh, still device with a link
    QCOMPARE(sim->command("reset-device"), QString("ok"));
    QCOMPARE(sim->command("reset-live"), QString("ok"));
    QCOMPARE(sim->command("freeze on"), QString("ok"));
    QCOMPARE(sim->command("latency 0"), QString("ok"));
    QCOMPARE(sim->command("silent off"), QString("ok"));
    QCOMPARE(sim->command("exception clear"), QString("ok"));
    if (!linkSession().modbusClient || linkSession().modbusClient->state() != QModbusDevice::ConnectedState)
        QVERIFY(connectTestClient(*sim));
    sim->clearRequests();
}

void TestSimulator::everyGroupAnswersItsBlockRead()
{
    for (int g = 0; g < ParameterGroupCount; ++g) {
        const ParameterGroup pg = parameterGroup(g);
        QVector<quint16> values(pg.count);
        const TransactionResult r = g == RemoteSwitchGroup
            ? readCoils(linkSession().modbusClient, block(pg.start, pg.count), values.data())
            : readHoldingRegisters(linkSession().modbusClient, block(pg.start, pg.count), values.data());
        // Modbus carries at most 125 registers per read: the whole comparator
        // table (128) and the whole communication block (139) cannot come in one
        // answer, the device refuses them as a real one does; their halves
        // (groups 50/51 and 52/53) are what the program reads.
        const TransactionResult expected = pg.count > 125 ? ResponseError : Ok;
        QVERIFY2(r == expected,
            qPrintable(QString("group %1 (%2/%3): %4").arg(g).arg(pg.start).arg(pg.count).arg(r)));
    }
    const QStringList lines = sim->requests();
    QCOMPARE(lines.size(), ParameterGroupCount);
    QCOMPARE(lines.at(1), QString("read-hr 2000 80"));
    QCOMPARE(lines.at(RemoteSwitchGroup), QString("read-coils 500 7"));
    QCOMPARE(lines.at(18), QString("read-hr 1060 128 exception 3"));
    QCOMPARE(lines.at(19), QString("read-hr 8000 139 exception 3"));
    for (const QString &l : lines)
        QVERIFY2(!l.contains("exception") || l.contains(" 128 ") || l.contains(" 139 "), qPrintable(l));
    // the parts of those two blocks answer
    QVector<quint16> part;
    QCOMPARE(readRegs(1060, 125, part), Ok);
    QCOMPARE(readRegs(1185, 3, part), Ok);
    QCOMPARE(readRegs(8000, 125, part), Ok);
    QCOMPARE(readRegs(8125, 14, part), Ok);

    // the switches are on, the spare coil is off
    QVector<quint16> coils(7);
    QCOMPARE(readCoils(linkSession().modbusClient, block(500, 7), coils.data()), Ok);
    QCOMPARE(coils, (QVector<quint16> {1, 1, 1, 1, 1, 1, 0}));
}

void TestSimulator::addressesOutsideTheMapAreRefused()
{
    QVector<quint16> v;
    const QList<QPair<int, int>> outside = {{92, 1}, {100, 2}, {1188, 1}, {2080, 2}, {8140, 1}, {8406, 1},
        {8943, 1}, {9300, 1}, {9311, 1}, {10106, 1}, {10100, 7}, {60, 40}};
    for (const auto &o : outside) {
        QCOMPARE(readRegs(o.first, o.second, v), ResponseError);
        QCOMPARE(lastRequest(*sim), QString("read-hr %1 %2 exception 2").arg(o.first).arg(o.second));
    }
    QVector<quint16> coils(2);
    QCOMPARE(readCoils(linkSession().modbusClient, block(506, 2), coils.data()), ResponseError);
    QCOMPARE(lastRequest(*sim), QString("read-coils 506 2 exception 2"));
    QCOMPARE(readCoils(linkSession().modbusClient, block(0, 1), coils.data()), ResponseError);

    // live values and identity are read only
    QCOMPARE(writeRegs(0, {1}), ResponseError);
    QCOMPARE(lastRequest(*sim), QString("write 0 1 1 exception 2"));
    QCOMPARE(writeRegs(10000, {0, 1}), ResponseError);
    QCOMPARE(writeRegs(140, {0, 0}), ResponseError);
    // the link still works after refusals
    QCOMPARE(readRegs(9309, 2, v), Ok);
}

void TestSimulator::writesAreRangeChecked()
{
    QVector<quint16> v;
    // basic: zero range 1..99, stored 32-bit
    QCOMPARE(write32(204, 50), Ok);
    QCOMPARE(read32(204), 50);
    QCOMPARE(write32(204, 0), ResponseError);
    QCOMPARE(lastRequest(*sim), QString("write 204 2 0 0 exception 3"));
    QCOMPARE(write32(204, 100), ResponseError);
    QCOMPARE(read32(204), 50);
    QCOMPARE(write32(312, 200000), Ok); // preset tare of channel 2 at its limit
    QCOMPARE(write32(312, 200001), ResponseError);
    QCOMPARE(write32(312, -1), ResponseError);
    // a block write with one bad word changes nothing
    QCOMPARE(writeRegs(214, {0, 5, 0, 0}), ResponseError); // stability timer 0
    QCOMPARE(read32(214), 1);
    // only half of a pair: stored unchecked
    QCOMPARE(writeRegs(205, {0}), Ok);
    QCOMPARE(read32(204), 0);

    // calibration: division from its list, decimals 0..4, coefficient 1..999999
    QCOMPARE(write32(604, 5), Ok);
    QCOMPARE(write32(604, 3), ResponseError);
    QCOMPARE(write32(702, 5), ResponseError);
    QCOMPARE(write32(628, 0), ResponseError);
    QCOMPARE(write32(622, 40000), ResponseError);
    QCOMPARE(write32(622, 39999), Ok);

    // communication 16-bit words
    QCOMPARE(writeRegs(8000, {99}), Ok);
    QCOMPARE(writeRegs(8000, {100}), ResponseError);
    QCOMPARE(writeRegs(8040, {0}), ResponseError); // CAN ID 1..99
    QCOMPARE(writeRegs(8132, {0}), ResponseError); // slot 5 port 1..65535
    QCOMPARE(writeRegs(8132, {65535}), Ok);
    QCOMPARE(readRegs(8132, 1, v), Ok);
    QCOMPARE(v[0], quint16(65535));
    QCOMPARE(writeRegs(8100, {192, 168, 0, 256}), ResponseError);
    QCOMPARE(writeRegs(8405, {3}), ResponseError);

    // comparator value: signed 32-bit, limits both sides
    QCOMPARE(write32(1064, -999999), Ok);
    QCOMPARE(read32(1064), -999999);
    QCOMPARE(write32(1064, -1000000), ResponseError);

    // channel mode 0..1; the field word takes any pattern
    QCOMPARE(writeRegs(9309, {2}), ResponseError);
    QCOMPARE(writeRegs(9310, {0x0F0F}), Ok);
    QCOMPARE(sim->command("get 9310"), QString("ok 3855"));
}

void TestSimulator::remoteSwitchOffRefusesItsArea()
{
    QCOMPARE(sim->command("coil 501 0"), QString("ok"));
    QVector<quint16> coils(7);
    QCOMPARE(readCoils(linkSession().modbusClient, block(500, 7), coils.data()), Ok);
    QCOMPARE(coils[1], quint16(0));
    QCOMPARE(write32(606, 5000), ResponseError);
    QCOMPARE(lastRequest(*sim), QString("write 606 2 0 5000 exception 4"));
    QCOMPARE(write32(2056, 100000), ResponseError);
    QCOMPARE(write32(204, 20), Ok); // basic area is still open
    QCOMPARE(sim->command("coil 501 1"), QString("ok"));
    QCOMPARE(write32(606, 5000), Ok);

    // the tilt threshold belongs to the basic switch, wherever the program writes it
    QCOMPARE(sim->command("coil 500 0"), QString("ok"));
    QCOMPARE(write32(2078, 100), ResponseError);
    QCOMPARE(write32(2278, 100), ResponseError);
    QCOMPARE(write32(2074, 1000), Ok);
    QCOMPARE(sim->command("coil 500 1"), QString("ok"));
    QCOMPARE(write32(2278, 100), Ok);

    QCOMPARE(sim->command("coil 505 0"), QString("ok"));
    QCOMPARE(writeRegs(8940, {1}), ResponseError);
    QCOMPARE(writeRegs(9309, {1}), ResponseError);
    QCOMPARE(sim->command("coil 505 1"), QString("ok"));
}

void TestSimulator::silentLatencyAndInjectedExceptions()
{
    QVector<quint16> v;
    QCOMPARE(sim->command("silent on"), QString("ok"));
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(readRegs(0, 2, v), TimedOut);
    QVERIFY(clock.elapsed() >= 900);
    QCOMPARE(lastRequest(*sim), QString("read-hr 0 2 no-answer"));
    // a write the device did not hear is not applied
    QVERIFY(write32(204, 33) != Ok);
    QCOMPARE(lastRequest(*sim), QString("write 204 2 0 33 no-answer"));
    QCOMPARE(sim->command("silent off"), QString("ok"));
    QCOMPARE(readRegs(0, 2, v), Ok);
    QCOMPARE(read32(204), 10);

    QCOMPARE(sim->command("exception 606 4"), QString("ok"));
    QCOMPARE(readRegs(600, 50, v), ResponseError);
    QCOMPARE(lastRequest(*sim), QString("read-hr 600 50 exception 4"));
    QCOMPARE(readRegs(700, 50, v), Ok);
    QCOMPARE(write32(606, 1000), ResponseError);
    QCOMPARE(sim->command("get32 606"), QString("ok 100000")); // the refused write changed nothing
    // coils have their own injections
    QCOMPARE(sim->command("exception coil 505 2"), QString("ok"));
    QVector<quint16> coils(7);
    QCOMPARE(readCoils(linkSession().modbusClient, block(500, 7), coils.data()), ResponseError);
    QCOMPARE(lastRequest(*sim), QString("read-coils 500 7 exception 2"));
    QCOMPARE(readRegs(500, 30, v), Ok);
    QCOMPARE(sim->command("exception clear"), QString("ok"));
    QCOMPARE(readRegs(600, 50, v), Ok);
    QCOMPARE(readCoils(linkSession().modbusClient, block(500, 7), coils.data()), Ok);

    // latency delays the answer, not the simulator: control lines still answer
    QCOMPARE(sim->command("latency 300"), QString("ok"));
    clock.restart();
    QCOMPARE(readRegs(0, 67, v), Ok);
    const qint64 took = clock.elapsed();
    QVERIFY2(took >= 290 && took < 700, qPrintable(QString::number(took)));

    // an answer later than the client's time-out is a time-out; the stale
    // answer does not disturb the next transaction
    QCOMPARE(sim->command("latency 1300"), QString("ok"));
    QCOMPARE(readRegs(0, 2, v), TimedOut);
    QCOMPARE(sim->command("latency 0"), QString("ok"));
    QCOMPARE(sim->command("set32 9154 10065"), QString("ok"));
    QThread::msleep(400);
    QCOMPARE(read32(9154), 10065);
}

void TestSimulator::dropClosesTheConnection()
{
    QVector<quint16> v;
    QCOMPARE(readRegs(0, 2, v), Ok);
    QCOMPARE(sim->command("connections"), QString("ok 1"));
    QCOMPARE(sim->command("drop"), QString("ok 1"));
    QTRY_COMPARE_WITH_TIMEOUT(
        int(linkSession().modbusClient->state()), int(QModbusDevice::UnconnectedState), 3000);
    QVERIFY(connectTestClient(*sim));
    QCOMPARE(readRegs(0, 2, v), Ok);
}

void TestSimulator::liveValuesFollowLoadAndCalibration()
{
    // factory calibration: kg, 2 decimals, d=1, 500 kg recorded
    QCOMPARE(sim->command("load 1 200"), QString("ok"));
    QCOMPARE(read32(0), 20000); // display weight
    QCOMPARE(read32(12), 20000); // gross
    QCOMPARE(read32(14), 20000); // net
    QCOMPARE(read32(16), 0); // tare
    QCOMPARE(read32(70), 5000); // 0.1 + 200 x 0.002 = 0.5000 mV/V

    // tare: display weight becomes net, net = gross - tare, bit 9
    QCOMPARE(sim->command("tare 1 1234"), QString("ok"));
    QCOMPARE(read32(0), 20000 - 1234);
    QCOMPARE(read32(14), 20000 - 1234);
    QCOMPARE(read32(16), 1234);
    QVector<quint16> v;
    QCOMPARE(readRegs(8, 4, v), Ok);
    QVERIFY(v[0] & 0x0200);
    QVERIFY(!(v[1] & 0x0200));
    QCOMPARE(sim->command("tare 1 0"), QString("ok"));

    // decimals and division shape the raw value
    QCOMPARE(sim->command("load 1 123.456"), QString("ok"));
    QCOMPARE(write32(602, 3), Ok);
    QCOMPARE(read32(12), 123456);
    QCOMPARE(write32(604, 20), Ok);
    QCOMPARE(read32(12), 123460);
    QCOMPARE(write32(602, 0), Ok);
    QCOMPARE(write32(604, 5), Ok);
    QCOMPARE(read32(12), 125);

    // correction coefficient scales the weight
    QCOMPARE(write32(602, 2), Ok);
    QCOMPARE(write32(604, 1), Ok);
    QCOMPARE(sim->command("load 1 100"), QString("ok"));
    QCOMPARE(write32(628, 150000), Ok);
    QCOMPARE(read32(12), 15000);
    QCOMPARE(write32(628, 100000), Ok);

    // theory calibration: 2 mV/V at 500 kg makes a 1000 kg cell read double
    QCOMPARE(write32(622, 20000), Ok);
    QCOMPARE(write32(624, 500), Ok);
    QCOMPARE(write32(626, 1), Ok);
    QCOMPARE(read32(12), 5000);
    QCOMPARE(write32(626, 0), Ok);
    QCOMPARE(read32(12), 10000);

    // the other channels keep their own values
    QCOMPARE(sim->command("load 3 7.5"), QString("ok"));
    QCOMPARE(read32(4), 750);
    QCOMPARE(read32(24), 750);

    // drift moves the values when not frozen
    QCOMPARE(sim->command("freeze off"), QString("ok"));
    const qint32 first = read32(80); // converter counts of channel 3
    bool moved = false;
    for (int i = 0; i < 20 && !moved; ++i) {
        QThread::msleep(100);
        moved = read32(80) != first;
    }
    QVERIFY(moved);
}

void TestSimulator::statusBitsAndForcedConditions()
{
    QVector<quint16> v;
    QCOMPARE(sim->command("load 2 0"), QString("ok"));
    QCOMPARE(sim->command("stable 2 on"), QString("ok"));
    QCOMPARE(readRegs(8, 4, v), Ok);
    QCOMPARE(v[1] & 0x0003, 0x0003); // stable and zero
    QCOMPARE(sim->command("stable 2 off"), QString("ok"));
    QCOMPARE(readRegs(9, 1, v), Ok);
    QCOMPARE(v[0] & 0x0001, 0);

    const QList<QPair<QString, int>> forced
        = {{"over", 0x10}, {"under", 0x20}, {"lcover", 0x40}, {"lcunder", 0x80}};
    for (const auto &f : forced) {
        QCOMPARE(sim->command("force 3 " + f.first), QString("ok"));
        QCOMPARE(readRegs(10, 1, v), Ok);
        QCOMPARE(v[0] & 0xF0, f.second);
    }
    QCOMPARE(sim->command("force 3 none"), QString("ok"));
    QCOMPARE(readRegs(10, 1, v), Ok);
    QCOMPARE(v[0] & 0xF0, 0);

    // real conditions: over full scale and an overloaded cell
    QCOMPARE(sim->command("load 4 1000.10"), QString("ok"));
    QCOMPARE(readRegs(11, 1, v), Ok);
    QCOMPARE(v[0] & 0xF0, 0x10);
    QCOMPARE(sim->command("load 4 2000"), QString("ok")); // 4.1 mV/V
    QCOMPARE(readRegs(11, 1, v), Ok);
    QCOMPARE(v[0] & 0x40, 0x40);
    QCOMPARE(sim->command("load 4 -1"), QString("ok"));
    QCOMPARE(readRegs(11, 1, v), Ok);
    QCOMPARE(v[0] & 0xF0, 0x20);

    // hold keeps values put into live registers
    QCOMPARE(sim->command("hold on"), QString("ok"));
    QCOMPARE(sim->command("set 9 0x0241"), QString("ok"));
    QCOMPARE(sim->command("set32 2 -123"), QString("ok"));
    QThread::msleep(250);
    QCOMPARE(readRegs(9, 1, v), Ok);
    QCOMPARE(v[0], quint16(0x0241));
    QCOMPARE(read32(2), -123);
    QCOMPARE(sim->command("hold off"), QString("ok"));
    QCOMPARE(readRegs(9, 1, v), Ok);
    QCOMPARE(v[0] & 0x0040, 0);

    // the combined stable bit can be forced on its own
    QCOMPARE(sim->command("stable 0 off"), QString("ok"));
    QCOMPARE(readRegs(2002, 1, v), Ok);
    QCOMPARE(v[0] & 0x0001, 0);
    QCOMPARE(sim->command("stable 0 on"), QString("ok"));
    QCOMPARE(readRegs(2002, 1, v), Ok);
    QCOMPARE(v[0] & 0x0001, 1);

    QCOMPARE(sim->command("force 9 over"),
        QString("error usage: force <1-4> <none|over|under|lcover|lcunder|error>"));
    QVERIFY(sim->command("bogus").startsWith("error"));
}

void TestSimulator::zeroCaptureAndCalibrationPoints()
{
    // zero capture takes the present signal as zero
    QCOMPARE(sim->command("load 1 40"), QString("ok"));
    QCOMPARE(read32(0), 4000);
    QCOMPARE(write32(608, 1), Ok);
    QCOMPARE(read32(0), 0);
    QCOMPARE(read32(610), 1800); // 0.1 + 40 x 0.002 = 0.18 mV/V
    QCOMPARE(read32(608), 0);
    QCOMPARE(sim->command("load 1 140"), QString("ok"));
    QCOMPARE(read32(0), 10000); // the span stayed

    // point 1 records the signal at its weight and recalibrates
    QCOMPARE(sim->command("load 1 250"), QString("ok"));
    QCOMPARE(write32(612, 20000), Ok); // call 250 kg "200.00"
    QCOMPARE(read32(612), 6000); // 0.1 + 250 x 0.002 = 0.6 mV/V
    QCOMPARE(read32(0), 20000);
    QCOMPARE(read32(614), 0);
    // point 2 above it makes a second segment
    QCOMPARE(sim->command("load 1 500"), QString("ok"));
    QCOMPARE(write32(614, 50000), Ok);
    QCOMPARE(read32(614), 11000);
    QCOMPARE(read32(0), 50000);
    QCOMPARE(sim->command("load 1 375"), QString("ok"));
    QCOMPARE(read32(0), 35000); // half way up the second segment

    // refused points set their error bits (error words join low word first)
    QCOMPARE(write32(618, 60000), ResponseError); // point 4 before point 3
    QVector<quint16> v;
    QCOMPARE(readRegs(140, 2, v), Ok);
    QCOMPARE(joinErrorWords(v[0], v[1], WordOrder::AbCd), quint32(0x0400));
    QCOMPARE(write32(616, 200000), ResponseError); // over full scale
    QCOMPARE(readRegs(140, 2, v), Ok);
    QCOMPARE(joinErrorWords(v[0], v[1], WordOrder::AbCd), quint32(0x0100));
    QCOMPARE(read32(616), 0);

    // zero capture of a forced unstable channel fails with "Non Stable"
    QCOMPARE(sim->command("stable 2 off"), QString("ok"));
    QCOMPARE(write32(708, 1), Ok);
    QCOMPARE(readRegs(155, 2, v), Ok);
    QCOMPARE(joinErrorWords(v[0], v[1], WordOrder::AbCd), quint32(0x0001));

    // control line sets the error word; the high word lands in the second register
    QCOMPARE(sim->command("error 4 0x80010000"), QString("ok"));
    QCOMPARE(readRegs(185, 2, v), Ok);
    QCOMPARE(v, (QVector<quint16> {0x0000, 0x8001}));
}

void TestSimulator::combinedModeAndChannelFields()
{
    QCOMPARE(writeRegs(9309, {1}), Ok);
    const qint32 sum = 12050 + 25000 + 7525 + 31000;
    QCOMPARE(read32(2000), sum);
    QCOMPARE(read32(2008), 12050);
    QCOMPARE(read32(2016 + 2), 25000);
    QCOMPARE(read32(2024 + 4), 2505); // 0.1 + 75.25 x 0.002
    QCOMPARE(read32(2070), 4);

    // a closed channel leaves the combined weight
    QCOMPARE(writeRegs(9310, {0xFFF0}), Ok);
    QCOMPARE(read32(2000), sum - 12050);

    // a channel in error shows bit 3 in its status and in the combined status
    QCOMPARE(sim->command("force 2 lcover"), QString("ok"));
    QVector<quint16> v;
    QCOMPARE(readRegs(2002, 5, v), Ok);
    QVERIFY(v[0] & 0x0008);
    QVERIFY(v[2] & 0x0008);
    QVERIFY(!(v[1] & 0x0008));
    // ... but not when the channel is closed
    QCOMPARE(sim->command("force 2 none"), QString("ok"));
    QCOMPARE(sim->command("force 1 lcover"), QString("ok"));
    QCOMPARE(readRegs(2002, 1, v), Ok);
    QVERIFY(!(v[0] & 0x0008));
    QCOMPARE(sim->command("force 1 none"), QString("ok"));

    // tilt from the threshold, or forced
    QCOMPARE(readRegs(2002, 1, v), Ok);
    QVERIFY(!(v[0] & 0x2000));
    QCOMPARE(write32(2078, 10000), Ok); // corners 250.00 .. 75.25 differ by more than 100.00
    QCOMPARE(readRegs(2002, 1, v), Ok);
    QVERIFY(v[0] & 0x2000);
    QCOMPARE(write32(2078, 0), Ok);
    QCOMPARE(sim->command("tilt on"), QString("ok"));
    QCOMPARE(readRegs(2002, 1, v), Ok);
    QVERIFY(v[0] & 0x2000);
    QCOMPARE(sim->command("tilt auto"), QString("ok"));

    // platform zero capture (646) zeroes the channels in use
    QCOMPARE(write32(646, 1), Ok);
    QCOMPARE(read32(2000), 0);
    QCOMPARE(read32(2008), 12050); // channel 1 is closed and kept its zero
    QCOMPARE(readRegs(2002, 1, v), Ok);
    QVERIFY(v[0] & 0x0002);
    QCOMPARE(writeRegs(9309, {0}), Ok);
}

void TestSimulator::angleCorrectionSampling()
{
    QCOMPARE(writeRegs(9309, {1}), Ok);
    for (int c = 1; c <= 4; ++c)
        QCOMPARE(sim->command(QString("load %1 0").arg(c)), QString("ok"));
    QCOMPARE(write32(646, 1), Ok);
    // computing before four samples is refused
    QCOMPARE(write32(2064, 1), ResponseError);
    QCOMPARE(lastRequest(*sim), QString("write 2064 2 0 1 exception 4"));
    // the same 100 kg over each corner; corner 3 reads 25 % low
    const double seen[4] = {100, 100, 75, 100};
    for (int c = 0; c < 4; ++c) {
        for (int k = 1; k <= 4; ++k)
            QCOMPARE(sim->command(QString("load %1 %2").arg(k).arg(k == c + 1 ? seen[c] : 0)), QString("ok"));
        QCOMPARE(write32(2066, 1), Ok);
        QCOMPARE(read32(2072), c + 1);
    }
    QCOMPARE(write32(2064, 1), Ok);
    QCOMPARE(read32(2056), qint32(std::lround(93.75 / 100 * 100000)));
    QCOMPARE(read32(2060), 125000);
    // afterwards the weak corner weighs like the others
    QCOMPARE(read32(2000), 9375);
    QCOMPARE(write32(2068, 1), Ok);
    QCOMPARE(read32(2060), 100000);
    QCOMPARE(read32(2000), 10000);
    QCOMPARE(writeRegs(9309, {0}), Ok);
}

void TestSimulator::resetsRestoreTheirArea()
{
    QCOMPARE(write32(304, 42), Ok); // basic of channel 2
    QCOMPARE(write32(204, 42), Ok); // basic of channel 1
    QCOMPARE(write32(706, 777), Ok); // calibration of channel 2
    QCOMPARE(write32(1000, 5), Ok); // input 1 function
    QCOMPARE(writeRegs(8000, {7}), Ok);
    QCOMPARE(writeRegs(8500, {6}), Ok);

    QCOMPARE(writeRegs(8910, {1}), Ok); // basic, channel 2
    QCOMPARE(read32(304), 10);
    QCOMPARE(read32(204), 42);
    QVector<quint16> v;
    QCOMPARE(readRegs(8910, 1, v), Ok);
    QCOMPARE(v[0], quint16(0)); // command registers read back 0
    QCOMPARE(writeRegs(8911, {1}), Ok);
    QCOMPARE(read32(706), 100000);
    QCOMPARE(writeRegs(8912, {1}), Ok);
    QCOMPARE(readRegs(8500, 1, v), Ok);
    QCOMPARE(v[0], quint16(2));
    QCOMPARE(writeRegs(8940, {1}), Ok);
    QCOMPARE(read32(1000), 0);
    QCOMPARE(readRegs(8000, 1, v), Ok);
    QCOMPARE(v[0], quint16(7));

    // "Reset Data-Trans" answers, then restarts the interfaces
    QCOMPARE(writeRegs(8941, {1}), Ok);
    QTRY_COMPARE_WITH_TIMEOUT(
        int(linkSession().modbusClient->state()), int(QModbusDevice::UnconnectedState), 3000);
    QCOMPARE(sim->command("get 8000"), QString("ok 1"));
    QVERIFY(connectTestClient(*sim));
    QCOMPARE(writeRegs(8942, {1}), Ok);
    QTRY_COMPARE_WITH_TIMEOUT(
        int(linkSession().modbusClient->state()), int(QModbusDevice::UnconnectedState), 3000);
    QCOMPARE(sim->command("get32 204"), QString("ok 10"));
    QVERIFY(connectTestClient(*sim));
}

void TestSimulator::identityAndWordOrder()
{
    QCOMPARE(read32(10000), 10203);
    QCOMPARE(read32(10002), 20261207);
    QVector<quint16> v;
    QCOMPARE(readRegs(10005, 25, v), Ok);
    for (quint16 c : v)
        QVERIFY(c >= '0' && c <= '9');
    QCOMPARE(readRegs(10100, 6, v), Ok);
    for (quint16 b : v)
        QVERIFY(b <= 255);
    QCOMPARE(read32(9164), 9987);

    // a device set to CD-AB sends the low word first, except in its error words
    SimulatorProcess other({"--word-order", "cd-ab"});
    QVERIFY2(other.start(), qPrintable(other.errorText()));
    QVERIFY(connectTestClient(other, WordOrder::CdAb));
    QCOMPARE(read32(10002), 20261207);
    QCOMPARE(readRegs(10002, 2, v), Ok);
    QCOMPARE(v[0], quint16(20261207 & 0xFFFF));
    QCOMPARE(other.command("error 1 0x00020001"), QString("ok"));
    QCOMPARE(readRegs(140, 2, v), Ok);
    QCOMPARE(v, (QVector<quint16> {2, 1}));
    QCOMPARE(joinErrorWords(v[0], v[1], WordOrder::CdAb), quint32(0x00020001));
    QCOMPARE(other.command("freeze on"), QString("ok"));
    QCOMPARE(other.command("load 1 -2"), QString("ok"));
    QCOMPARE(read32(12), -200);
    QCOMPARE(other.command("set32 1060 -5"), QString("ok"));
    QCOMPARE(read32(1060), -5);
    QCOMPARE(write32(1064, 70000), Ok);
    QCOMPARE(other.command("get32 1064"), QString("ok 70000"));
    QCOMPARE(other.command("get 1064"), QString("ok 4464"));
    disconnectTestClient();
    other.stop();
    QVERIFY(connectTestClient(*sim));
}

void TestSimulator::independentPeerReadsABlock()
{
    const QString python = "/usr/bin/python3";
    Q4_REQUIRE_TOOL("pymodbus");
    QCOMPARE(sim->command("load 1 200"), QString("ok"));
    const QString script = QString(R"(
import sys
from pymodbus.client import ModbusTcpClient
c = ModbusTcpClient("127.0.0.1", port=%1)
c.connect()
r = c.read_holding_registers(0, 67, slave=1)
if r.isError():
    print("error", r); sys.exit(1)
print(" ".join(str(x) for x in r.registers[:12]))
r = c.read_coils(500, 7, slave=1)
print(" ".join(str(int(b)) for b in r.bits[:7]))
r = c.read_holding_registers(92, 1, slave=1)
print("exception", r.exception_code if r.isError() else "none")
r = c.write_registers(8005, [250], slave=1)
print("write", "error" if r.isError() else "ok")
c.close()
)")
                               .arg(sim->port());
    QProcess py;
    py.start(python, {"-c", script});
    QVERIFY(py.waitForFinished(20000));
    const QStringList out = QString::fromUtf8(py.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    QVERIFY2(py.exitCode() == 0 && out.size() == 4, py.readAllStandardError().constData());
    QCOMPARE(out[0].split(' ').mid(0, 2), (QStringList {"0", "20000"}));
    QCOMPARE(out[1], QString("1 1 1 1 1 1 0"));
    QCOMPARE(out[2], QString("exception 2"));
    QCOMPARE(out[3], QString("write ok"));
    QCOMPARE(sim->command("get 8005"), QString("ok 250"));
}

void TestSimulator::rtuOverPtyPair()
{
    Q4_REQUIRE_TOOL("socat");
    PtyPair pty;
    QVERIFY(pty.start());
    const QString a = pty.second(), b = pty.first();

    SimulatorProcess rtu({"--rtu", b, "--baud", "38400", "--parity", "even", "--id", "7"});
    QVERIFY2(rtu.start(), qPrintable(rtu.errorText()));
    QCOMPARE(rtu.device(), b);
    QCOMPARE(rtu.command("freeze on"), QString("ok"));
    QCOMPARE(rtu.command("load 2 10"), QString("ok"));

    ModbusRtuClient master;
    master.setConnectionParameter(QModbusDevice::SerialPortNameParameter, a);
    master.setConnectionParameter(QModbusDevice::SerialBaudRateParameter, 38400);
    master.setConnectionParameter(QModbusDevice::SerialParityParameter, QSerialPort::EvenParity);
    master.setConnectionParameter(QModbusDevice::SerialDataBitsParameter, 8);
    master.setConnectionParameter(QModbusDevice::SerialStopBitsParameter, 1);
    master.setTimeout(1000);
    master.setNumberOfRetries(0);
    QVERIFY(master.connectDevice());

    LinkParameters link;
    link.startAddress = 0;
    link.count = 67;
    QVector<quint16> v(67);
    const int savedServer = linkSession().currentServerAddress;
    linkSession().currentServerAddress = 7;
    QCOMPARE(readHoldingRegisters(&master, link, v.data()), Ok);
    QCOMPARE(joinWords(v[2], v[3], WordOrder::AbCd), 1000);
    link.startAddress = 92;
    link.count = 1;
    QCOMPARE(readHoldingRegisters(&master, link, v.data()), ResponseError);
    // another server address gets no answer on the shared line
    linkSession().currentServerAddress = 8;
    link.startAddress = 0;
    QCOMPARE(readHoldingRegisters(&master, link, v.data()), TimedOut);
    // latency on the serial line
    linkSession().currentServerAddress = 7;
    QCOMPARE(rtu.command("latency 200"), QString("ok"));
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(readHoldingRegisters(&master, link, v.data()), Ok);
    QVERIFY2(clock.elapsed() >= 195, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(rtu.command("latency 0"), QString("ok"));
    // silent on the serial line too
    linkSession().currentServerAddress = 7;
    QCOMPARE(rtu.command("silent on"), QString("ok"));
    QCOMPARE(readHoldingRegisters(&master, link, v.data()), TimedOut);
    QCOMPARE(rtu.command("silent off"), QString("ok"));
    QCOMPARE(readHoldingRegisters(&master, link, v.data()), Ok);
    linkSession().currentServerAddress = savedServer;
    QCOMPARE(rtu.requests(),
        (QStringList {"read-hr 0 67", "read-hr 92 1 exception 2", "read-hr 0 1", "read-hr 0 1 no-answer",
            "read-hr 0 1"}));
    master.disconnectDevice();
    rtu.stop();
}

void TestSimulator::severalServerAddressesOverTcp()
{
    SimulatorProcess multi({"--id", "3,7"});
    QVERIFY2(multi.start(), qPrintable(multi.errorText()));
    QVERIFY(connectTestClient(multi));
    const auto restore = qScopeGuard([this]() {
        disconnectTestClient();
        QVERIFY(connectTestClient(*sim));
    });
    QCOMPARE(multi.command("freeze on"), QString("ok"));
    linkSession().modbusClient->setTimeout(300);

    // a scan finds exactly the listed addresses; the others stay silent
    QList<int> found;
    QVector<quint16> v;
    for (int id = 1; id <= 10; ++id) {
        linkSession().currentServerAddress = id;
        const TransactionResult r = readRegs(10000, 2, v);
        if (r == Ok)
            found << id;
        else
            QCOMPARE(r, TimedOut);
    }
    QCOMPARE(found, (QList<int> {3, 7}));
    QCOMPARE(multi.requests(), (QStringList {"@3 read-hr 10000 2", "@7 read-hr 10000 2"}));

    // each has its own identity: the same software, serials ending in the address
    linkSession().currentServerAddress = 3;
    QCOMPARE(read32(10000), 10203);
    QCOMPARE(serialText(linkSession().modbusClient), QString("2026120700042000000000003"));
    linkSession().currentServerAddress = 7;
    QCOMPARE(read32(10000), 10203);
    QCOMPARE(serialText(linkSession().modbusClient), QString("2026120700042000000000007"));

    // each has its own registers
    linkSession().currentServerAddress = 3;
    QCOMPARE(write32(204, 50), Ok);
    QCOMPARE(read32(204), 50);
    linkSession().currentServerAddress = 7;
    QCOMPARE(read32(204), 10);
    QCOMPARE(lastRequest(multi), QString("@7 read-hr 204 2"));

    // control lines go to the first address, or to the one named by @
    QCOMPARE(multi.command("get32 204"), QString("ok 50"));
    QCOMPARE(multi.command("@7 get32 204"), QString("ok 10"));
    QCOMPARE(multi.command("@7 set32 204 20"), QString("ok"));
    QCOMPARE(read32(204), 20);
    QCOMPARE(multi.command("@3 get32 204"), QString("ok 50"));
    QVERIFY(multi.command("@9 get 0").startsWith("error"));
    QCOMPARE(multi.command("@7 exception 204 4"), QString("ok"));
    QCOMPARE(readRegs(204, 2, v), ResponseError);
    linkSession().currentServerAddress = 3;
    QCOMPARE(readRegs(204, 2, v), Ok);
    // a factory reset keeps the device's own serial number
    QCOMPARE(multi.command("@7 reset-device"), QString("ok"));
    QCOMPARE(multi.command("@7 get 10029"), QString("ok 55"));
    QCOMPARE(multi.command("get 10029"), QString("ok 51"));
}

void TestSimulator::severalServerAddressesOverRtu()
{
    Q4_REQUIRE_TOOL("socat");
    PtyPair pty;
    QVERIFY(pty.start());
    SimulatorProcess rtu({"--rtu", pty.first(), "--id", "3,7"});
    QVERIFY2(rtu.start(), qPrintable(rtu.errorText()));

    ModbusRtuClient master;
    master.setConnectionParameter(QModbusDevice::SerialPortNameParameter, pty.second());
    master.setConnectionParameter(QModbusDevice::SerialBaudRateParameter, 38400);
    master.setConnectionParameter(QModbusDevice::SerialParityParameter, QSerialPort::EvenParity);
    master.setConnectionParameter(QModbusDevice::SerialDataBitsParameter, 8);
    master.setConnectionParameter(QModbusDevice::SerialStopBitsParameter, 1);
    master.setTimeout(300);
    master.setNumberOfRetries(0);
    QVERIFY(master.connectDevice());
    const int savedServer = linkSession().currentServerAddress;
    const auto restore = qScopeGuard([savedServer]() { linkSession().currentServerAddress = savedServer; });

    LinkParameters link;
    link.startAddress = 10000;
    link.count = 2;
    QVector<quint16> v(2);
    QList<int> found;
    for (int id = 1; id <= 10; ++id) {
        linkSession().currentServerAddress = id;
        const TransactionResult r = readHoldingRegisters(&master, link, v.data());
        if (r == Ok)
            found << id;
        else
            QCOMPARE(r, TimedOut);
    }
    QCOMPARE(found, (QList<int> {3, 7}));
    linkSession().currentServerAddress = 7;
    QCOMPARE(serialText(&master), QString("2026120700042000000000007"));

    // a write to one leaves the other alone
    link.startAddress = 204;
    const quint16 fifty[2] = {0, 50};
    linkSession().currentServerAddress = 3;
    QCOMPARE(writeHoldingRegisters(&master, link, fifty), Ok);
    QCOMPARE(readHoldingRegisters(&master, link, v.data()), Ok);
    QCOMPARE(v, (QVector<quint16> {0, 50}));
    linkSession().currentServerAddress = 7;
    QCOMPARE(readHoldingRegisters(&master, link, v.data()), Ok);
    QCOMPARE(v, (QVector<quint16> {0, 10}));

    // a broadcast write is applied by every device and answered by none
    link.startAddress = 8005;
    link.count = 1;
    const quint16 value = 250;
    linkSession().currentServerAddress = 0;
    QCOMPARE(writeHoldingRegisters(&master, link, &value), Ok);
    QVERIFY(rtu.waitForRequest("@7 write 8005 1 250 broadcast"));
    QCOMPARE(rtu.command("get 8005"), QString("ok 250"));
    QCOMPARE(rtu.command("@7 get 8005"), QString("ok 250"));
    master.disconnectDevice();

    // raw frames: the answer carries a good CRC; a bad CRC or another address
    // gets nothing, and the next good frame is answered again
    QSerialPort port;
    port.setPortName(pty.second());
    port.setBaudRate(38400);
    port.setParity(QSerialPort::EvenParity);
    QVERIFY(port.open(QIODevice::ReadWrite));
    const QByteArray read7 = rtuFrame(QByteArray::fromHex("070327100002"));
    QCOMPARE(exchange(port, read7, 9, 1000), rtuFrame(QByteArray::fromHex("070304000027db")));
    rtu.clearRequests();
    QByteArray bad = read7;
    bad[bad.size() - 1] = char(bad.at(bad.size() - 1) ^ 0x01);
    QCOMPARE(exchange(port, bad, 1, 400), QByteArray());
    QCOMPARE(exchange(port, rtuFrame(QByteArray::fromHex("050327100002")), 1, 400), QByteArray());
    QCOMPARE(rtu.requests(), QStringList());
    QCOMPARE(exchange(port, read7, 9, 1000), rtuFrame(QByteArray::fromHex("070304000027db")));
    // an unknown function code is framed by the silence and refused
    QCOMPARE(exchange(port, rtuFrame(QByteArray::fromHex("0341")), 5, 1000),
        rtuFrame(QByteArray::fromHex("03c101")));
    QCOMPARE(rtu.requests(), (QStringList {"@7 read-hr 10000 2", "@3 function 65 exception 1"}));
    port.close();
    rtu.stop();
}

QTEST_MAIN(TestSimulator)
void TestSimulator::serialOption_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("device"); // control-line prefix of the device read
    QTest::addColumn<QString>("serial"); // empty: q4sim refuses the option
    QTest::newRow("as the program shows it") << QStringList {"--serial", "2026120700042-000000000099"} << ""
                                             << "2026120700042000000000099";
    QTest::newRow("letters") << QStringList {"--serial", "ABCDEFGHIJKLM0123456789AB"} << ""
                             << "ABCDEFGHIJKLM0123456789AB";
    QTest::newRow("several addresses end in theirs")
        << QStringList {"--serial", "ABCDEFGHIJKLM0123456789AB", "--id", "3,7"} << "@7 "
        << "ABCDEFGHIJKLM012345678007";
    QTest::newRow("too short") << QStringList {"--serial", "12345"} << ""
                               << "";
    QTest::newRow("a blank") << QStringList {"--serial", "2026120700042 00000000099"} << ""
                             << "";
    QTest::newRow("not ASCII") << QStringList {"--serial",
        QString::fromUtf8("2026120700042\xc3\xa9" "00000000099")}
                               << ""
                               << "";
}

void TestSimulator::serialOption()
{
    QFETCH(QStringList, args);
    QFETCH(QString, device);
    QFETCH(QString, serial);
    if (serial.isEmpty()) {
        QProcess refused;
        refused.start(QStringLiteral(Q4SIM_PATH), args + QStringList {"--tcp", "127.0.0.1:0"});
        QVERIFY(refused.waitForFinished(10000));
        QCOMPARE(refused.exitCode(), 2);
        QVERIFY(refused.readAllStandardError().contains("bad --serial"));
        return;
    }
    SimulatorProcess other(args);
    QVERIFY2(other.start(), qPrintable(other.errorText()));
    // A factory reset keeps the serial number, as on the device.
    for (const QString &reset : {QString(), device + QStringLiteral("reset-device")}) {
        if (!reset.isEmpty())
            QCOMPARE(other.command(reset), QString("ok"));
        QString text;
        for (int r = 10005; r < 10030; ++r)
            text += QChar(other.command(device + QStringLiteral("get %1").arg(r)).mid(3).toInt());
        QCOMPARE(text, serial);
    }
}

#include "tst_simulator.moc"
