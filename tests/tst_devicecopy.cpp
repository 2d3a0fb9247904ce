// Group decoding into the device copy and the live state, and (against the
// simulator) the group readers.

#include "link/deviceaccess.h"
#include "link/linksession.h"
#include "link/transactions.h"
#include "params/devicecopy.h"
#include "params/registermap.h"
#include "support/simulatorprocess.h"

#include <QModbusClient>

#include <QtTest>
#include <vector>

class TestDeviceCopy : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void basicGroupChangesItsChannelOnly();
    void basicWordsInBothOrders();
    void calibrationBlockIgnoresBadUnitAndDecimals();
    void errorWordJoin();
    void liveGroupsByChannelMode();
    void liveBlock1CombinedValues();
    void modeAndSwitches();
    void applicationGroups();
    void communicationGroups();
    void systemGroups();
    void readsFailWithoutClient();
    void readGroupsFromTheDevice();
    void coilReadTimeoutKeepsSwitches();
    void sessionsKeepTheirOwnCopies();
};

namespace {

// Registers of a group with a 32-bit value placed at offset i in order 0 or 1.
struct Buffer
{
    std::vector<quint16> regs;
    int order;
    Buffer(int count, int o)
        : regs(size_t(count), 0)
        , order(o)
    {
    }
    void w(int i, qint32 value)
    {
        const quint32 v = quint32(value);
        regs[size_t(i)] = quint16(order == 1 ? v & 0xFFFF : v >> 16);
        regs[size_t(i) + 1] = quint16(order == 1 ? v >> 16 : v & 0xFFFF);
    }
    void r(int i, quint16 value) { regs[size_t(i)] = value; }
    void decode(int group)
    {
        decodeGroup(linkSession().device, group, wordOrderFromIndex(order), regs.data());
    }
};

} // namespace

void TestDeviceCopy::init() { linkSession().device = DeviceCopy {}; }

void TestDeviceCopy::basicGroupChangesItsChannelOnly()
{
    for (int c = 0; c < 4; ++c)
        linkSession().device.basic[c].words[BasicPresetTare] = 7;
    Buffer b(30, 0);
    for (int i = 0; i < 15; ++i)
        b.w(2 * i, 100 + i);
    b.decode(9);
    for (int i = 0; i < 15; ++i)
        QCOMPARE(linkSession().device.basic[1].words[i], 100 + i);
    QCOMPARE(linkSession().device.basic[0].words[BasicPresetTare], 7);
    QCOMPARE(linkSession().device.basic[2].words[BasicPresetTare], 7);
    QCOMPARE(linkSession().device.basic[3].words[BasicPresetTare], 7);
}

void TestDeviceCopy::basicWordsInBothOrders()
{
    Buffer cdab(30, 1);
    cdab.r(0, 4464);
    cdab.r(1, 1);
    cdab.decode(8);
    QCOMPARE(linkSession().device.basic[0].words[BasicPowerOnZero], 70000);
    Buffer abcd(30, 0);
    abcd.r(0, 1);
    abcd.r(1, 0);
    abcd.w(12, -500);
    abcd.decode(8);
    QCOMPARE(linkSession().device.basic[0].words[BasicPowerOnZero], 65536);
    QCOMPARE(linkSession().device.basic[0].words[BasicPresetTare], -500);
}

void TestDeviceCopy::calibrationBlockIgnoresBadUnitAndDecimals()
{
    linkSession().device.channelScales[2] = {1, 2};
    linkSession().device.calibration[2].unit = 1;
    linkSession().device.calibration[2].decimals = 2;
    Buffer b(50, 0);
    b.w(0, 5); // unit 5: kept at kg
    b.w(2, 7); // decimals 7: kept at 2
    b.w(4, 20);
    b.w(6, 300000);
    b.w(8, 99); // 608: not kept
    b.w(10, 1234);
    for (int p = 0; p < 5; ++p)
        b.w(12 + 2 * p, 1000 + p);
    b.w(22, 20001);
    b.w(24, 500);
    b.w(26, 1);
    b.w(28, 100000);
    b.decode(14);
    const CalibrationRecord &cal = linkSession().device.calibration[2];
    QCOMPARE(linkSession().device.channelScales[2].unit, 1);
    QCOMPARE(linkSession().device.channelScales[2].decimals, 2);
    QCOMPARE(cal.unit, 1);
    QCOMPARE(cal.decimals, 2);
    QCOMPARE(cal.division, 20);
    QCOMPARE(cal.fullScale, 300000);
    QCOMPARE(cal.keyInMv, 1234);
    QCOMPARE(cal.points[4], 1004);
    QCOMPARE(cal.lcMv, 20001);
    QCOMPARE(cal.lcCapacity, 500);
    QCOMPARE(cal.calType, 1);
    QCOMPARE(cal.correctCoef, 100000);
    // Valid values are taken, field by field.
    b.w(0, 4);
    b.decode(14);
    QCOMPARE(linkSession().device.channelScales[2].unit, 4);
    QCOMPARE(linkSession().device.channelScales[2].decimals, 2);
    b.w(2, 0);
    b.w(0, -1);
    b.decode(14);
    QCOMPARE(linkSession().device.channelScales[2].unit, 4);
    QCOMPARE(linkSession().device.channelScales[2].decimals, 0);
    QCOMPARE(linkSession().device.channelScales[0].decimals, 0); // other channels untouched
}

void TestDeviceCopy::errorWordJoin()
{
    Buffer b(2, 0);
    b.r(0, 1);
    b.decode(4);
    QCOMPARE(linkSession().device.liveChannels[0].errorWord, 1u);
    Buffer c(2, 1);
    c.r(0, 1);
    c.decode(7);
    QCOMPARE(linkSession().device.liveChannels[3].errorWord, 65536u);
    QCOMPARE(linkSession().device.liveChannels[0].errorWord, 1u);
}

void TestDeviceCopy::liveGroupsByChannelMode()
{
    Buffer g3(24, 0), g1(80, 0), g2(67, 0);
    for (int c = 0; c < 4; ++c) {
        g3.w(6 * c, 10 + c);
        g3.w(2 + 6 * c, 20 + c); // sensor voltage (independent)
        g3.w(4 + 6 * c, 30 + c);
        g1.r(3 + c, quint16(0x40 + c));
        g1.w(8 + 2 * c, 800 + c);
        g1.w(16 + 2 * c, 1600 + c);
        g1.w(24 + 2 * c, 2400 + c); // sensor voltage (combined)
        g2.w(2 * c, -(200 + c));
        g2.r(8 + c, quint16(0x200 + c));
        g2.w(12 + 6 * c, 1200 + c);
        g2.w(14 + 6 * c, 1400 + c);
        g2.w(16 + 6 * c, 1600 + c);
    }
    g1.w(0, -12345);
    g1.r(2, 0x2001);

    // Independent mode: block 2 delivers the shown weight and status; block 1's
    // per-channel values are not taken.
    linkSession().device.channelMode = 0;
    g3.decode(3);
    g1.decode(1);
    g2.decode(2);
    QCOMPARE(linkSession().device.combinedWeight, -12345);
    QCOMPARE(linkSession().device.combinedStatus, 0x2001);
    for (int c = 0; c < 4; ++c) {
        const LiveChannel &l = linkSession().device.liveChannels[c];
        QCOMPARE(l.spare, 10 + c);
        QCOMPARE(l.sensorVoltage, 20 + c);
        QCOMPARE(l.gainVoltage, 30 + c);
        QCOMPARE(l.displayWeight, -(200 + c));
        QCOMPARE(l.status, 0x200 + c);
        QCOMPARE(l.gross, 1200 + c);
        QCOMPARE(l.net, 1400 + c);
        QCOMPARE(l.tare, 1600 + c);
        QCOMPARE(l.pressure, 0);
    }

    // Combined mode: block 1 wins for weight, status, pressure and sensor voltage.
    linkSession().device.channelMode = 1;
    g3.decode(3);
    g1.decode(1);
    g2.decode(2);
    for (int c = 0; c < 4; ++c) {
        const LiveChannel &l = linkSession().device.liveChannels[c];
        QCOMPARE(l.sensorVoltage, 2400 + c);
        QCOMPARE(l.gainVoltage, 30 + c);
        QCOMPARE(l.displayWeight, 800 + c);
        QCOMPARE(l.status, 0x40 + c);
        QCOMPARE(l.pressure, 1600 + c);
        QCOMPARE(l.gross, 1200 + c);
    }
}

void TestDeviceCopy::liveBlock1CombinedValues()
{
    Buffer g1(80, 1);
    for (int c = 0; c < 4; ++c) {
        g1.w(40 + 2 * c, 4000 + c);
        g1.w(48 + 2 * c, 4800 + c);
        g1.w(56 + 2 * c, 5600 + c);
    }
    g1.w(70, 4);
    g1.w(74, -7000);
    g1.w(78, 123456);
    linkSession().device.channelMode = 0;
    g1.decode(1);
    QCOMPARE(linkSession().device.combined.lcMv[0], 0); // only in combined mode
    QCOMPARE(linkSession().device.combined.samplePoints, 4);
    QCOMPARE(linkSession().device.combined.oneKeyInMv, -7000);
    for (int c = 0; c < 4; ++c)
        QCOMPARE(linkSession().device.basic[c].tiltThreshold, 123456);
    linkSession().device.channelMode = 1;
    g1.decode(1);
    QCOMPARE(linkSession().device.combined.lcMv[3], 4003);
    QCOMPARE(linkSession().device.combined.lcCapacity[1], 4801);
    QCOMPARE(linkSession().device.combined.angleCoef[2], 5602);
    QCOMPARE(linkSession().device.combined.tiltThreshold, 123456);
}

void TestDeviceCopy::modeAndSwitches()
{
    Buffer g0(2, 0);
    g0.r(0, 1);
    g0.r(1, 0xFFF0);
    g0.decode(0);
    QCOMPARE(linkSession().device.channelMode, 1);
    QCOMPARE(linkSession().device.channelEnable, 0xFFF0);
    Buffer coils(7, 0);
    for (int i = 0; i < 7; ++i)
        coils.r(i, quint16(i % 2));
    coils.decode(21);
    QCOMPARE(linkSession().device.switches[0], 0);
    QCOMPARE(linkSession().device.switches[5], 1);
}

void TestDeviceCopy::applicationGroups()
{
    Buffer in(16, 0), out(16, 1), comp(97, 0), comp2(32, 0);
    for (int i = 0; i < 8; ++i) {
        in.w(2 * i, i + 1);
        out.w(2 * i, 10 + i);
    }
    for (int j = 0; j < 6; ++j)
        for (int i = 0; i < 8; ++i)
            comp.w(16 * j + 2 * i, -(100 * j + i));
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 8; ++i)
            comp2.w(16 * j + 2 * i, 1000 + 100 * j + i);
    in.decode(16);
    out.decode(17);
    comp.decode(50);
    comp2.decode(51);
    QCOMPARE(linkSession().device.inputs[7], 8);
    QCOMPARE(linkSession().device.outputs[7], 17);
    QCOMPARE(linkSession().device.comparators[0][2], -2);
    QCOMPARE(linkSession().device.comparators[5][7], -507);
    QCOMPARE(linkSession().device.comparators[6][0], 1000);
    QCOMPARE(linkSession().device.comparators[7][3], 1103);
}

void TestDeviceCopy::communicationGroups()
{
    Buffer com(46, 0), eth(39, 0);
    for (int i = 0; i < 46; ++i)
        com.r(i, quint16(i));
    for (int i = 0; i < 39; ++i)
        eth.r(i, quint16(i + 1));
    com.decode(52);
    eth.decode(53);
    QCOMPARE(linkSession().device.serial1[5], 5);
    QCOMPARE(linkSession().device.serial2[0], 20);
    QCOMPARE(linkSession().device.can[5], 45);
    QCOMPARE(linkSession().device.ethernet[11], 12);
    QCOMPARE(linkSession().device.ethernetSlots[0][0], 13);
    QCOMPARE(linkSession().device.ethernetSlots[5][3], 36);
    for (int k = 0; k < 4; ++k) {
        Buffer a(6, 0);
        a.r(0, quint16(k + 1));
        a.r(5, quint16(k + 10));
        a.decode(54 + k);
        QCOMPARE(linkSession().device.analogType[k], k + 1);
        QCOMPARE(linkSession().device.analogLink[k], k + 10);
    }
}

void TestDeviceCopy::systemGroups()
{
    Buffer g58(32, 0), g59(30, 1), g60(6, 0);
    for (int i = 0; i < 4; ++i)
        g58.w(10 * i, 70000 + i);
    g59.w(0, 0x10203);
    g59.w(2, 20261207);
    g59.r(4, 999);
    for (int i = 5; i < 30; ++i)
        g59.r(i, quint16(i));
    for (int i = 0; i < 6; ++i)
        g60.r(i, quint16(0xA0 + i));
    g58.decode(58);
    g59.decode(59);
    g60.decode(60);
    QCOMPARE(linkSession().device.system58[3], 70003);
    QCOMPARE(linkSession().device.softwareVersion, 0x10203);
    QCOMPARE(linkSession().device.compileDate, 20261207);
    QCOMPARE(linkSession().device.system59a[0], 5);
    QCOMPARE(linkSession().device.system59a[12], 17);
    QCOMPARE(linkSession().device.system59b[0], 18);
    QCOMPARE(linkSession().device.system59b[11], 29);
    QCOMPARE(linkSession().device.system60[5], 0xA5);
}

void TestDeviceCopy::readsFailWithoutClient()
{
    QVERIFY(!linkSession().modbusClient);
    linkSession().device.switches[2] = 1;
    QCOMPARE(readCoilGroup(RemoteSwitchGroup), NoConnection);
    QCOMPARE(linkSession().device.switches[2], 1);
    QCOMPARE(readGroup(8), NoConnection);
    QCOMPARE(readGroup(99), ResponseError);
    QCOMPARE(readSingleValue(200, 2), FailureMarker);
    QCOMPARE(readSingleValue(200, 3), FailureMarker);
}

void TestDeviceCopy::readGroupsFromTheDevice()
{
    SimulatorProcess sim({"--word-order", "cd-ab"});
    QVERIFY2(sim.start(), qPrintable(sim.errorText()));
    QVERIFY(connectTestClient(sim, WordOrder::CdAb));
    QVERIFY(sim.command("set32 312 70000").startsWith("ok"));
    QVERIFY(sim.command("set32 212 5").startsWith("ok"));
    QVERIFY(sim.command("set32 1064 -999999").startsWith("ok"));
    QCOMPARE(readGroup(9), Ok);
    QCOMPARE(linkSession().device.basic[1].words[BasicPresetTare], 70000);
    QCOMPARE(linkSession().device.basic[0].words[BasicPresetTare], 0); // group 8 not read
    QCOMPARE(readGroup(50), Ok);
    QCOMPARE(readGroup(51), Ok);
    QCOMPARE(linkSession().device.comparators[0][2], -999999);
    QCOMPARE(readCoilGroup(RemoteSwitchGroup), Ok);
    for (int i = 0; i < 6; ++i)
        QCOMPARE(linkSession().device.switches[i], 1); // all on at start
    QCOMPARE(readGroup(52), Ok);
    QCOMPARE(readGroup(59), Ok);
    QCOMPARE(readGroup(0), Ok);
    // A failed read leaves the copy as it was.
    QVERIFY(sim.command("set32 312 1").startsWith("ok"));
    QVERIFY(sim.command("exception 300 4").startsWith("ok"));
    QCOMPARE(readGroup(9), ResponseError);
    QCOMPARE(linkSession().device.basic[1].words[BasicPresetTare], 70000);
    disconnectTestClient();
}

void TestDeviceCopy::coilReadTimeoutKeepsSwitches()
{
    SimulatorProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorText()));
    QVERIFY(connectTestClient(sim));
    linkSession().modbusClient->setTimeout(300);
    for (int &s : linkSession().device.switches)
        s = 7;
    QVERIFY(sim.command("silent on").startsWith("ok"));
    QCOMPARE(readCoilGroup(RemoteSwitchGroup), TimedOut);
    for (int s : linkSession().device.switches)
        QCOMPARE(s, 7);
    disconnectTestClient();
}

// A run with a session of its own (a command-line run, a test) reads into its
// copy: the copy the window's pages draw from stays as it was.
void TestDeviceCopy::sessionsKeepTheirOwnCopies()
{
    SimulatorProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorText()));
    QVERIFY(sim.command("set32 212 4321").startsWith("ok"));
    LinkSession &window = linkSession();
    LinkSession run;
    {
        const LinkSession::Current use(run);
        QVERIFY(connectTestClient(sim));
        QCOMPARE(readGroup(8), Ok);
        disconnectTestClient();
    }
    QCOMPARE(&linkSession(), &window);
    QCOMPARE(run.device.basic[0].words[BasicPresetTare], 4321);
    QCOMPARE(window.device.basic[0].words[BasicPresetTare], 0);
}

QTEST_MAIN(TestDeviceCopy)
#include "tst_devicecopy.moc"
